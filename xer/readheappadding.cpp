#include "readheappadding.h"

#include <QtGlobal>

#include <mutex>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

std::mutex readsMutex;
// Guarded by readsMutex: the reads running now, and whether the wider step
// is set.
int reads = 0;
bool padded = false;

void setPadding(bool wide)
{
#if defined(__GLIBC__)
    constexpr int ReadPad = 64 * 1024 * 1024;
    constexpr int DefaultPad = 128 * 1024; // glibc's own
    // A sanitizer's allocator takes the call and ignores it.
    mallopt(M_TOP_PAD, wide ? ReadPad : DefaultPad);
    padded = wide;
#else
    Q_UNUSED(wide)
#endif
}

} // namespace

ReadHeapPadding::ReadHeapPadding()
{
    const std::lock_guard<std::mutex> lock(readsMutex);
    if (reads++ == 0)
        setPadding(true);
}

ReadHeapPadding::~ReadHeapPadding()
{
    const std::lock_guard<std::mutex> lock(readsMutex);
    if (--reads == 0)
        setPadding(false);
}

bool ReadHeapPadding::inForce()
{
    const std::lock_guard<std::mutex> lock(readsMutex);
    return padded;
}
