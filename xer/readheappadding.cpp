#include "readheappadding.h"

#include "memoryroom.h"

#include <QtGlobal>

#include <mutex>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

std::mutex padMutex;
// Guarded by padMutex: the reads and releases running now, whether a read
// ever started, and whether the wider step is set.
int reads = 0;
int releases = 0;
bool everRead = false;
bool padded = false;

constexpr qint64 ReadPad = 64 * 1024 * 1024;

void applyPadding()
{
    // Under an address-space limit a heap's growth step is address space
    // it may never use, and a block fails when the step does not fit: the
    // heaps grow by what they are asked for there.
    const bool wide = (reads > 0 || (everRead && releases == 0)) && !memoryroom::addressSpaceLimited();
    if (wide == padded)
        return;
#if defined(__GLIBC__)
    // glibc's own values, but for the padding. A sanitizer's allocator takes
    // the calls and ignores them.
    constexpr int TrimThreshold = 128 * 1024;
    constexpr int MaxFast = 64 * int(sizeof(size_t)) / 4;
    // Releasing, a heap gives back all it can on every free: small blocks go
    // straight back into it instead of a cache that only a later allocation
    // of that heap would empty, and a thread's heap that sees no further
    // free would keep them.
    mallopt(M_TOP_PAD, wide ? int(ReadPad) : 0);
    mallopt(M_TRIM_THRESHOLD, wide ? TrimThreshold : 0);
    mallopt(M_MXFAST, wide ? MaxFast : 0);
#endif
    padded = wide;
}

} // namespace

ReadHeapPadding::ReadHeapPadding()
{
    const std::lock_guard<std::mutex> lock(padMutex);
    ++reads;
    everRead = true;
    applyPadding();
}

ReadHeapPadding::~ReadHeapPadding()
{
    const std::lock_guard<std::mutex> lock(padMutex);
    --reads;
    applyPadding();
}

bool ReadHeapPadding::inForce()
{
    const std::lock_guard<std::mutex> lock(padMutex);
    return padded;
}

qint64 ReadHeapPadding::growthStep()
{
#if defined(__GLIBC__)
    const std::lock_guard<std::mutex> lock(padMutex);
    return padded ? ReadPad : 0;
#else
    return 0;
#endif
}

void ReadHeapPadding::releaseFreed()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

ReadHeapPadding::Release::Release()
{
    const std::lock_guard<std::mutex> lock(padMutex);
    ++releases;
    applyPadding();
}

ReadHeapPadding::Release::~Release()
{
    const std::lock_guard<std::mutex> lock(padMutex);
    --releases;
    applyPadding();
}
