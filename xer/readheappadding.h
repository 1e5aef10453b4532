#pragma once

#include <QtGlobal>

// glibc grows the heap of a pool thread's arena a page at a time, one system
// call each; a large file makes millions of small allocations there. A wider
// growth step, set when the first read starts, removes most of that cost
// (untouched pages take no memory). It stays set afterwards: changing it
// again would only make every later heap grow and shrink in small steps
// (setting it already keeps glibc's mmap threshold where it is), which costs
// the window's work on a large project a fifth of its time.
// Under an address-space limit the step is not set: the limit counts it.
// Elsewhere than glibc there is nothing to set.
class ReadHeapPadding
{
public:
    ReadHeapPadding();
    ~ReadHeapPadding();
    ReadHeapPadding(const ReadHeapPadding &) = delete;
    ReadHeapPadding &operator=(const ReadHeapPadding &) = delete;

    // Whether the wider step is set now.
    static bool inForce();
    // The bytes a heap asks for beyond the block that makes it grow: room
    // for a block is room for it and this step.
    static qint64 growthStep();

    // Gives the pages of what every heap holds free back to the system. A
    // heap made with the wider step carves even large blocks from its top,
    // where glibc would map them on their own and unmap them when freed:
    // what a read freed there stays resident until given back.
    static void releaseFreed();

    // While one lives and no read runs, the heaps keep no padding, so what
    // is freed then goes back to the system, address space included, and
    // no heap keeps a closed project's pages; the wider step is set again
    // at its end when a read set it before.
    class Release
    {
    public:
        Release();
        ~Release();
        Release(const Release &) = delete;
        Release &operator=(const Release &) = delete;
    };
};
