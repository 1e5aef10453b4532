#pragma once

// Memory running out in the project's own work, injected: once armed, the
// next operator new (or the one after skip more) that the program's own code
// calls (the project's
// libraries are linked into the test program) on the arming thread throws
// std::bad_alloc. Calls with a frame of Qt's GUI, widgets or print support
// libraries on the stack are passed over: those are built without
// exceptions, so nothing can unwind through them, and the project asks for
// room before it calls them. Include in one source file of a test program:
// it replaces the global operator new and delete.

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

#include <dlfcn.h>
#include <execinfo.h>

namespace ownallocationfailure {

inline std::atomic<bool> armed{false};
inline std::atomic<int> thrown{0};
inline std::atomic<int> toSkip{0};
inline std::atomic<std::thread::id> armedOn;
inline thread_local bool t_inCheck = false;

inline void arm(int skip = 0)
{
    armedOn = std::this_thread::get_id();
    thrown = 0;
    toSkip = skip;
    armed = true;
}

inline void disarm()
{
    armed = false;
}

inline bool ownCode(void *caller)
{
    Dl_info mine;
    Dl_info info;
    return dladdr(reinterpret_cast<void *>(&ownCode), &mine) && dladdr(caller, &info)
        && info.dli_fbase == mine.dli_fbase;
}

inline bool underQtGui()
{
    void *frames[256];
    const int count = backtrace(frames, 256);
    Dl_info info;
    for (int i = 0; i < count; ++i) {
        if (dladdr(frames[i], &info) && info.dli_fname
            && (std::strstr(info.dli_fname, "libQt5Gui") || std::strstr(info.dli_fname, "libQt5Widgets")
                || std::strstr(info.dli_fname, "libQt5PrintSupport")))
            return true;
    }
    return false;
}

inline bool fails(void *caller)
{
    if (!armed.load(std::memory_order_relaxed) || t_inCheck || std::this_thread::get_id() != armedOn)
        return false;
    t_inCheck = true;
    const bool own = ownCode(caller) && !underQtGui();
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
    try {
        return ownallocationfailure::allocate(n, __builtin_return_address(0));
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
void *operator new[](std::size_t n, const std::nothrow_t &) noexcept
{
    try {
        return ownallocationfailure::allocate(n, __builtin_return_address(0));
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { std::free(p); }
