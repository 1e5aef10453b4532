#include "memoryroom.h"

#include <atomic>
#include <limits>

#if defined(Q_OS_UNIX)
#include <sys/mman.h>
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

void setCeiling(qint64 bytes)
{
    g_ceiling.store(bytes);
}

} // namespace memoryroom
