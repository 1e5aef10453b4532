#include "cfbstreamio.h"

#include "cfbstorageio.h"

#include <algorithm>
#include <cstring>

namespace cfb {

namespace {
// The file ranges of consecutive blocks are merged, so a stream laid out
// contiguously is read or written with one call per run.
struct Run
{
    uint64_t filePos = 0;
    uint64_t len = 0;
    uint64_t dataOff = 0;
};
}

StreamIO::StreamIO(StorageIO *storageIO, uint64_t entryIndex, const std::string &path)
    : io(storageIO)
    , entryIdx(entryIndex)
    , fullName(path)
{
    const DirEntry *e = entry();
    if (!e)
        return;
    const bool big = e->size >= io->header->threshold;
    const uint64_t unit = big ? io->bigBlockSize() : io->smallBlockSize();
    // A read-only stream needs no more blocks than its size covers; a
    // writeable one keeps its whole chain so growing it links no block twice.
    const uint64_t need = io->writeable ? UINT64_MAX : (e->size + unit - 1) / unit;
    blocks = big ? io->bbat->follow(e->start, need) : io->sbat->follow(e->start, need);
    io->streams.push_back(this);
}

StreamIO::~StreamIO()
{
    if (io)
        io->unregisterStream(this);
}

DirEntry *StreamIO::entry() const
{
    return io ? io->dirtree->entry(entryIdx) : nullptr;
}

uint64_t StreamIO::size() const
{
    const DirEntry *e = entry();
    return e ? e->size : 0;
}

bool StreamIO::isBig() const
{
    return size() >= io->header->threshold;
}

uint64_t StreamIO::read(uint64_t pos, unsigned char *data, uint64_t maxlen)
{
    const uint64_t total = size();
    if (!io || !data || maxlen == 0 || pos >= total)
        return 0;
    const uint64_t wanted = std::min(maxlen, total - pos);
    const bool big = isBig();
    const uint64_t B = io->bigBlockSize();
    const uint64_t unit = big ? B : io->smallBlockSize();
    uint64_t index = pos / unit;
    uint64_t offset = pos % unit;
    uint64_t done = 0;
    Run run;
    auto emit = [&]() {
        if (run.len)
            io->readAt(run.filePos, data + run.dataOff, run.len);
        run = Run();
    };
    while (done < wanted && index < blocks.size()) {
        uint64_t filePos;
        if (big) {
            filePos = (blocks[index] + 1) * B + offset;
        } else {
            const uint64_t cpos = blocks[index] * unit;
            if (cpos / B >= io->sb_blocks.size())
                break;
            filePos = (io->sb_blocks[cpos / B] + 1) * B + cpos % B + offset;
        }
        const uint64_t len = std::min(unit - offset, wanted - done);
        if (run.len && run.filePos + run.len == filePos) {
            run.len += len;
        } else {
            emit();
            run.filePos = filePos;
            run.len = len;
            run.dataOff = done;
        }
        done += len;
        offset = 0;
        ++index;
    }
    emit();
    return done;
}

uint64_t StreamIO::read(unsigned char *data, uint64_t maxlen)
{
    const uint64_t n = read(m_pos, data, maxlen);
    m_pos += n;
    return n;
}

void StreamIO::updateCache()
{
    if (!cache_data)
        cache_data.reset(new unsigned char[kCacheSize]);
    cache_pos = m_pos - m_pos % kCacheSize;
    const uint64_t total = size();
    const uint64_t n = cache_pos < total ? std::min(kCacheSize, total - cache_pos) : 0;
    cache_size = read(cache_pos, cache_data.get(), n);
}

int StreamIO::getch()
{
    if (m_pos >= size())
        return -1;
    if (cache_size == 0 || m_pos < cache_pos || m_pos >= cache_pos + cache_size) {
        updateCache();
        if (cache_size == 0 || m_pos >= cache_pos + cache_size)
            return -1;
    }
    const int c = cache_data[m_pos - cache_pos];
    ++m_pos;
    return c;
}

uint64_t StreamIO::write(uint64_t pos, const unsigned char *data, uint64_t len)
{
    if (!io || !data || len == 0 || !io->writeable)
        return 0;
    DirEntry *e = entry();
    if (!e || !e->valid || e->dir)
        return 0;
    // Sizes are stored in 32 bits.
    if (pos > 0xFFFFFFFFull || len > 0xFFFFFFFFull - pos)
        return 0;
    cache_size = 0;
    const uint64_t end = pos + len;
    if (end > e->size)
        setSize(end);
    e = entry();
    const uint64_t B = io->bigBlockSize();
    uint64_t written = 0;
    if (e->size >= io->header->threshold) {
        while ((end - 1) / B >= blocks.size())
            io->ExtendFile(&blocks);
        // Only the blocks from pos / B on take part.
        const size_t first = static_cast<size_t>(pos / B);
        written = io->saveBigBlocks(blocks.data() + first, blocks.size() - first, pos % B, data,
                                    len);
    } else {
        const uint64_t S = io->smallBlockSize();
        AllocTable &sbat = *io->sbat;
        while ((end - 1) / S >= blocks.size()) {
            const uint64_t s = sbat.unused();
            if (!blocks.empty()) {
                sbat.set(blocks.back(), s);
                sbat.markAsDirty(blocks.back(), B);
            }
            sbat.set(s, kEnd);
            sbat.markAsDirty(s, B);
            blocks.push_back(s);
            while (s / (B / 4) >= io->header->num_sbat) {
                const bool first = io->sbat_chain.empty();
                io->ExtendFile(&io->sbat_chain);
                if (first)
                    io->header->sbat_start = io->sbat_chain.front();
                sbat.markAsDirty(io->header->num_sbat * (B / 4), B);
                ++io->header->num_sbat;
                io->header->dirty = true;
            }
            while (s * S / B >= io->sb_blocks.size()) {
                io->ExtendFile(&io->sb_blocks);
                io->dirtree->markAsDirty(0);
            }
        }
        written = io->saveSmallBlocks(blocks, pos % S, data, len, pos / S);
    }
    e = entry();
    if (!blocks.empty() && blocks.front() != e->start) {
        e->start = blocks.front();
        io->dirtree->markAsDirty(entryIdx);
    }
    return written;
}

uint64_t StreamIO::write(const unsigned char *data, uint64_t len)
{
    const uint64_t n = write(m_pos, data, len);
    m_pos += n;
    return n;
}

void StreamIO::setSize(uint64_t newSize)
{
    if (!io || !io->writeable || newSize > 0xFFFFFFFFull)
        return;
    DirEntry *e = entry();
    if (!e || !e->valid || e->dir)
        return;
    cache_size = 0;
    const uint64_t threshold = io->header->threshold;
    const uint64_t oldSize = e->size;
    if ((oldSize >= threshold) == (newSize >= threshold)) {
        if (oldSize != newSize) {
            e->size = newSize;
            io->dirtree->markAsDirty(entryIdx);
        }
        return;
    }
    // Crossing the threshold moves the bytes between small and big blocks.
    const uint64_t keep = std::min(oldSize, newSize);
    std::vector<unsigned char> saved(keep);
    const uint64_t got = read(0, saved.data(), keep);
    saved.resize(got);
    io->freeChain(blocks, oldSize >= threshold);
    blocks.clear();
    e = entry();
    e->start = kFree;
    e->size = newSize;
    io->dirtree->markAsDirty(entryIdx);
    write(0, saved.data(), saved.size());
    if (m_pos > newSize)
        m_pos = newSize;
}

bool StreamIO::flush()
{
    return io && io->flush();
}

} // namespace cfb
