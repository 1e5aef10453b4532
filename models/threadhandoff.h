#pragma once

// Marks a hand-over of data between threads for the thread sanitizer. Qt's
// thread pool, futures and queued signals synchronise through futexes inside
// the Qt libraries, which the sanitizer does not see when those libraries are
// not built with it: without these marks it reports every hand-over as a
// race. release(key) on the handing side and acquire(key) on the receiving
// side, with the same key, state that order. Nothing at all in other builds.

#if defined(__SANITIZE_THREAD__)
#define SV_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SV_THREAD_SANITIZER 1
#endif
#endif

#if defined(SV_THREAD_SANITIZER)
extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);
#endif

namespace threadhandoff {

inline void release(const void *key)
{
#if defined(SV_THREAD_SANITIZER)
    __tsan_release(const_cast<void *>(key));
#else
    (void)key;
#endif
}

inline void acquire(const void *key)
{
#if defined(SV_THREAD_SANITIZER)
    __tsan_acquire(const_cast<void *>(key));
#else
    (void)key;
#endif
}

} // namespace threadhandoff
