#include "readheappadding.h"

#include <mutex>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

std::mutex readsMutex;
int reads = 0; // Guarded by readsMutex.

#if defined(__GLIBC__)
constexpr int ReadPad = 64 * 1024 * 1024;
// glibc's own default.
constexpr int DefaultPad = 128 * 1024;
#endif

} // namespace

ReadHeapPadding::ReadHeapPadding()
{
    const std::lock_guard<std::mutex> lock(readsMutex);
    if (reads++ == 0) {
#if defined(__GLIBC__)
        mallopt(M_TOP_PAD, ReadPad);
#endif
    }
}

ReadHeapPadding::~ReadHeapPadding()
{
    const std::lock_guard<std::mutex> lock(readsMutex);
    if (--reads == 0) {
#if defined(__GLIBC__)
        mallopt(M_TOP_PAD, DefaultPad);
#endif
    }
}

bool ReadHeapPadding::inForce()
{
#if defined(__GLIBC__)
    const std::lock_guard<std::mutex> lock(readsMutex);
    return reads > 0;
#else
    return false;
#endif
}
