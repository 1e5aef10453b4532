#pragma once

// Memory running out in the project's own work, injected: once armed, the
// next operator new (or the one after skip more) that the program's own code
// calls (the project's libraries are linked into the test program) on the
// arming thread throws std::bad_alloc. Calls with a frame of Qt's GUI, widgets or print support
// libraries on the stack are passed over: those are built without
// exceptions, so nothing can unwind through them, and the project asks for
// room before it calls them. While a picture is painted
// (paintguard::Picture), the program's own allocations under those frames
// fail as well: the paint code must stop them itself (paintguard::run), and
// one that would reach a frame of Qt's is counted in thrownAcrossQt. Inside
// a guarded step the Qt values it makes (a QBrush) fail too. Include in one
// source file of a test program: it replaces the global operator new and
// delete.

#include "memoryroom.h"
#include "paintguard.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

#include <link.h>
#include <unwind.h>

namespace ownallocationfailure {

inline std::atomic<bool> armed{false};
inline std::atomic<int> thrown{0};
// Failures thrown inside a guarded paint step, over all arms.
inline std::atomic<int> thrownInPaint{0};
// Failures thrown in a picture's paint code where no guard stops them
// before a frame of Qt's GUI libraries: each one a fault of the program.
inline std::atomic<int> thrownAcrossQt{0};
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

// How many frames of Qt's GUI libraries may lie between an allocation and
// the guarded paint code that asked for it: a value the step makes (a
// QBrush's constructor and its init), not Qt's painting at large.
constexpr int kValueFrames = 2;

inline bool inQtGui(void *ip)
{
    for (int g = 0; g < guiCount; ++g) {
        if (within(gui[g], ip))
            return true;
    }
    return false;
}

// Whether the allocation asked for by caller may fail: the program's own
// code asked for it (directly, or in paint code through a Qt value it
// makes: a QBrush) and no frame of Qt's GUI libraries lies between it and
// the catch. While
// a picture is painted, its paint code fails wherever it is; across is set
// when no paint guard would stop the failure before a frame of Qt's.
inline bool failable(void *caller, bool &across)
{
    struct Walk
    {
        std::uintptr_t guard;
        bool picture;
        void *caller;
        int phase = 0; // 0: the injection's own frames, 1: Qt's value frames, 2: the program's
        int valueFrames = 0;
        bool ok = false;
        bool needsQt = false;
        bool across = false;
    } walk{reinterpret_cast<std::uintptr_t>(paintguard::innermostFrame()), paintguard::Picture::active(), caller};
    _Unwind_Backtrace(
        [](_Unwind_Context *context, void *arg) {
            auto *w = static_cast<Walk *>(arg);
            void *ip = reinterpret_cast<void *>(_Unwind_GetIP(context));
            if (w->phase == 0) {
                if (ip != w->caller)
                    return _URC_NO_REASON;
                w->phase = 1;
            }
            if (w->phase == 1) {
                if (inQtGui(ip)) {
                    w->ok = ++w->valueFrames <= kValueFrames;
                    return w->ok ? _URC_NO_REASON : _URC_END_OF_STACK;
                }
                // A Qt value made by paint code, whose frames lie under
                // Qt's painting further up.
                w->ok = within(program, ip);
                w->needsQt = w->valueFrames > 0;
                w->phase = 2;
                return w->ok ? _URC_NO_REASON : _URC_END_OF_STACK;
            }
            if (inQtGui(ip)) {
                // The stack grows down: a guard called below this frame
                // lies below the frame's canonical frame address.
                w->across = !(w->guard && w->guard < _Unwind_GetCFA(context));
                w->ok = w->picture;
                w->needsQt = false;
                return _URC_END_OF_STACK;
            }
            return _URC_NO_REASON;
        },
        &walk);
    if (walk.needsQt)
        walk.ok = false;
    across = walk.ok && walk.across;
    return walk.ok;
}

inline bool fails(void *caller)
{
    if (!armed.load(std::memory_order_relaxed) || t_inCheck || std::this_thread::get_id() != armedOn)
        return false;
    t_inCheck = true;
    bool across = false;
    const bool own = failable(caller, across);
    t_inCheck = false;
    if (!own || toSkip.fetch_sub(1) > 0 || !armed.exchange(false))
        return false;
    ++thrown;
    if (across)
        ++thrownAcrossQt;
    else if (paintguard::innermostFrame() && paintguard::Picture::active())
        ++thrownInPaint;
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
