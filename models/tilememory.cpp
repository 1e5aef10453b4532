#include "tilememory.h"

#include <atomic>
#include <cstring>

#if defined(Q_OS_UNIX)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

constexpr size_t kLargestChunk = size_t(32) << 20;
// Lines start on 16 bytes, as the heap's blocks did.
constexpr size_t kAlign = 16;

size_t pageSize()
{
#if defined(Q_OS_UNIX)
    static const size_t size = size_t(::sysconf(_SC_PAGESIZE));
    return size;
#else
    return 4096;
#endif
}

size_t roundUp(size_t bytes, size_t to)
{
    return (bytes + to - 1) / to * to;
}

} // namespace

struct TileMemory::Chunk
{
    uchar *base = nullptr;
    size_t length = 0;
    // One for each tile on it, and one for the allocator while it takes
    // tiles from it.
    std::atomic<int> users{1};
};

void TileMemory::release(void *info)
{
    auto *chunk = static_cast<Chunk *>(info);
    if (chunk->users.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
#if defined(Q_OS_UNIX)
    ::munmap(chunk->base, chunk->length);
#endif
    delete chunk;
}

#if defined(Q_OS_UNIX)
TileMemory::Chunk *TileMemory::map(size_t bytes)
{
    const size_t length = roundUp(bytes, pageSize());
    void *base = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        return nullptr;
    auto *chunk = new (std::nothrow) Chunk;
    if (!chunk) {
        ::munmap(base, length);
        return nullptr;
    }
    chunk->base = static_cast<uchar *>(base);
    chunk->length = length;
    return chunk;
}

void TileMemory::leave(Chunk *chunk, size_t used)
{
    // Nothing takes from the chunk any more: its untouched end is only
    // address space held. The allocator's own count keeps the chunk while
    // it is cut short.
    const size_t kept = roundUp(used, pageSize());
    if (kept > 0 && kept < chunk->length) {
        ::munmap(chunk->base + kept, chunk->length - kept);
        chunk->length = kept;
    }
    release(chunk);
}

uchar *TileMemory::take(size_t bytes, Chunk *&chunk)
{
    bytes = roundUp(bytes, kAlign);
    if (bytes > m_nextSize) {
        // A tile larger than a chunk has a mapping of its own; the current
        // chunk goes on serving the others.
        chunk = map(bytes);
        return chunk ? chunk->base : nullptr;
    }
    if (!m_chunk || m_chunk->length - m_used < bytes) {
        Chunk *fresh = map(m_nextSize);
        if (!fresh)
            return nullptr;
        if (m_chunk)
            leave(m_chunk, m_used);
        m_chunk = fresh;
        m_used = 0;
        m_nextSize = qMin(m_nextSize * 2, kLargestChunk);
    }
    uchar *data = m_chunk->base + m_used;
    m_used += bytes;
    m_chunk->users.fetch_add(1, std::memory_order_relaxed);
    chunk = m_chunk;
    return data;
}
#endif

QImage TileMemory::copy(const QImage &source, const QRect &rect)
{
#if defined(Q_OS_UNIX)
    const QRect inside = rect & source.rect();
    if (inside.isEmpty() || inside != rect || source.depth() != 32)
        return source.copy(rect);
    const size_t line = size_t(rect.width()) * 4;
    Chunk *chunk = nullptr;
    uchar *data = nullptr;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        data = take(line * size_t(rect.height()), chunk);
    }
    if (!data)
        return QImage();
    for (int y = 0; y < rect.height(); ++y)
        std::memcpy(data + line * size_t(y), source.constScanLine(rect.top() + y) + rect.left() * 4, line);
    // Read-only: a tile written to gets a copy of its own.
    QImage tile(static_cast<const uchar *>(data), rect.width(), rect.height(), int(line), source.format(),
                &TileMemory::release, chunk);
    // Without an image to own them, the pixels are given back here.
    if (tile.isNull())
        release(chunk);
    return tile;
#else
    return source.copy(rect);
#endif
}

TileMemory::~TileMemory()
{
#if defined(Q_OS_UNIX)
    if (m_chunk)
        leave(m_chunk, m_used);
#endif
}
