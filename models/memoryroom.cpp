#include "memoryroom.h"

#include <atomic>
#include <limits>

#if defined(Q_OS_UNIX)
#include <pthread.h>
#include <sys/mman.h>
#include <sys/resource.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace memoryroom {

namespace {
std::atomic<qint64> g_ceiling{-1};
} // namespace

bool available(qint64 bytes)
{
    if (bytes <= 0)
        return true;
    const qint64 ceiling = g_ceiling.load();
    if (ceiling >= 0 && bytes > ceiling)
        return false;
#if defined(Q_OS_UNIX)
    if (quint64(bytes) > std::numeric_limits<size_t>::max())
        return false;
    // Mapping is enough: the limit and the accounting are checked here.
    // Touching the pages would only take time and real memory.
    void *mapped = ::mmap(nullptr, size_t(bytes), PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return false;
    ::munmap(mapped, size_t(bytes));
#endif
    return true;
}

qint64 threadStackBytes()
{
    qint64 bytes = qint64(8) << 20;
#if defined(Q_OS_UNIX)
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) == 0) {
        size_t size = 0;
        if (pthread_attr_getstacksize(&attributes, &size) == 0 && size > 0)
            bytes = qint64(size);
        pthread_attr_destroy(&attributes);
    }
#endif
    return bytes;
}

bool addressSpaceLimited()
{
#if defined(Q_OS_UNIX)
    rlimit limit{};
    return ::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
#else
    return false;
#endif
}

void shareHeapUnderLimit()
{
#if defined(__GLIBC__)
    // glibc reads the bound when it would make a heap for a thread; heaps
    // made before keep theirs. A sanitizer's allocator ignores the call.
    if (addressSpaceLimited())
        mallopt(M_ARENA_MAX, 1);
#endif
}

void setCeiling(qint64 bytes)
{
    g_ceiling.store(bytes);
}

} // namespace memoryroom
