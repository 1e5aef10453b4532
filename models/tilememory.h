#pragma once

#include <QImage>

#include <cstddef>
#include <mutex>

// The pixels of one picture's tiles, held in mappings of their own rather
// than on the heap. A picture holds hundreds of thousands of small tiles; on
// the heap, blocks made while it is shown (a dialog's caches) sit above
// them and the heap never shrinks: its pages go back to the system, but its
// address space stays, and under an address-space limit the next picture
// no longer fits. A mapping here goes back whole (munmap) when the last
// tile on it goes, on whichever thread drops it.
//
// Tiles are taken from the current mapping one after the other; mappings
// grow from 1 MiB to 32 MiB, so a small picture takes little and a large
// one few mappings (a 10 GB picture about 320). A tile larger than the
// next chunk has a mapping of its own.
class TileMemory
{
public:
    TileMemory() = default;
    // The unused end of the last mapping goes back at once; the tiles keep
    // what they use.
    ~TileMemory();
    TileMemory(const TileMemory &) = delete;
    TileMemory &operator=(const TileMemory &) = delete;

    // A copy of rect (inside source, 4 bytes a pixel) whose pixels live
    // here. A null image when no mapping could be made. Safe to call from
    // several threads at once.
    QImage copy(const QImage &source, const QRect &rect);

private:
    struct Chunk;
    static void release(void *chunk);
    // A new chunk of at least that many bytes; nullptr when none could be
    // mapped.
    static Chunk *map(size_t bytes);
    // Drops the allocator's count of a chunk it takes no more from, and
    // gives back its unused end.
    static void leave(Chunk *chunk, size_t used);
    // Room for bytes in the current chunk, a new one when it is full;
    // nullptr when no mapping could be made. Under m_mutex.
    uchar *take(size_t bytes, Chunk *&chunk);

    std::mutex m_mutex;
    Chunk *m_chunk = nullptr;
    size_t m_used = 0;
    size_t m_nextSize = size_t(1) << 20;
};
