#pragma once

// Memory running out in the project's own work, injected: once armed, the
// next operator new (or the one after skip more) that the program's own code
// calls (the project's libraries are linked into the test program) on the
// arming thread throws std::bad_alloc. Calls with a frame of Qt's GUI, widgets or print support
// libraries on the stack are passed over: those are built without
// exceptions, so nothing can unwind through them, and the project asks for
// room before it calls them. Include in one source file of a test program:
// it replaces the global operator new and delete.

#include "memoryroom.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

#include <execinfo.h>
#include <link.h>

namespace ownallocationfailure {

inline std::atomic<bool> armed{false};
inline std::atomic<int> thrown{0};
inline std::atomic<int> toSkip{0};
inline std::atomic<std::thread::id> armedOn;
inline thread_local bool t_inCheck = false;

// Address ranges of the program and of Qt's GUI libraries, found at arming
// (dladdr at every allocation would slow the painting it passes over).
struct Range
{
    std::uintptr_t from = 0;
    std::uintptr_t to = 0;
};
inline Range program;
inline Range gui[8];
inline int guiCount = 0;

inline bool within(const Range &range, void *address)
{
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    return at >= range.from && at < range.to;
}

inline void findRanges()
{
    guiCount = 0;
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *) {
            const char *name = info->dlpi_name;
            const bool self = !name || !*name;
            const bool qtGui = name && (std::strstr(name, "libQt5Gui") || std::strstr(name, "libQt5Widgets")
                                        || std::strstr(name, "libQt5PrintSupport"));
            if (!self && !(qtGui && guiCount < 8))
                return 0;
            Range range{~std::uintptr_t(0), 0};
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr) &segment = info->dlpi_phdr[i];
                if (segment.p_type != PT_LOAD)
                    continue;
                const std::uintptr_t start = info->dlpi_addr + segment.p_vaddr;
                range.from = std::min(range.from, start);
                range.to = std::max<std::uintptr_t>(range.to, start + segment.p_memsz);
            }
            (self ? program : gui[guiCount++]) = range;
            return 0;
        },
        nullptr);
}

inline void arm(int skip = 0)
{
    findRanges();
    armedOn = std::this_thread::get_id();
    thrown = 0;
    toSkip = skip;
    armed = true;
}

inline void disarm()
{
    armed = false;
}

inline bool underQtGui()
{
    void *frames[256];
    const int count = backtrace(frames, 256);
    for (int i = 0; i < count; ++i) {
        for (int g = 0; g < guiCount; ++g) {
            if (within(gui[g], frames[i]))
                return true;
        }
    }
    return false;
}

inline bool fails(void *caller)
{
    if (!armed.load(std::memory_order_relaxed) || t_inCheck || std::this_thread::get_id() != armedOn)
        return false;
    t_inCheck = true;
    const bool own = within(program, caller) && !underQtGui();
    t_inCheck = false;
    if (!own || toSkip.fetch_sub(1) > 0 || !armed.exchange(false))
        return false;
    ++thrown;
    return true;
}

inline void *allocate(std::size_t size, void *caller)
{
    if (fails(caller))
        throw std::bad_alloc();
    void *block = std::malloc(size ? size : 1);
    if (!block)
        throw std::bad_alloc();
    return block;
}

inline void *allocateOrNull(std::size_t size, void *caller) noexcept
{
    try {
        return allocate(size, caller);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

// For a scope: the memory probe finds `ceiling` (-1: all there is), and the
// failure is armed (skip: as arm()) or not; both undone on leaving.
struct Shortage
{
    explicit Shortage(qint64 ceiling, bool runsOut = false, int skip = 0)
    {
        memoryroom::setCeiling(ceiling);
        if (runsOut)
            arm(skip);
    }
    ~Shortage()
    {
        memoryroom::setCeiling(-1);
        disarm();
    }
};

} // namespace ownallocationfailure

void *operator new(std::size_t n)
{
    return ownallocationfailure::allocate(n, __builtin_return_address(0));
}
void *operator new[](std::size_t n)
{
    return ownallocationfailure::allocate(n, __builtin_return_address(0));
}
void *operator new(std::size_t n, const std::nothrow_t &) noexcept
{
    return ownallocationfailure::allocateOrNull(n, __builtin_return_address(0));
}
void *operator new[](std::size_t n, const std::nothrow_t &) noexcept
{
    return ownallocationfailure::allocateOrNull(n, __builtin_return_address(0));
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { std::free(p); }
