#pragma once

// glibc grows the heap of a pool thread's arena a page at a time, one system
// call each; a large file makes millions of small allocations there. While a
// read runs, a wider growth step removes most of that cost (untouched pages
// take no memory). Left in place after it, the same step keeps every heap
// from shrinking when a closed project's memory is freed. So the step holds
// from the start of the first of the reads running at once to the end of the
// last, however a read ends; elsewhere than glibc there is nothing to set.
class ReadHeapPadding
{
public:
    ReadHeapPadding();
    ~ReadHeapPadding();
    ReadHeapPadding(const ReadHeapPadding &) = delete;
    ReadHeapPadding &operator=(const ReadHeapPadding &) = delete;

    // Whether the wider step is set now.
    static bool inForce();
};
