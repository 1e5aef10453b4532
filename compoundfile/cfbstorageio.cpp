#include "cfbstorageio.h"

#include "cfbendian.h"
#include "cfbstreamio.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <iostream>
#include <unordered_set>

namespace cfb {

StorageIO::StorageIO(Storage *owner, const char *name)
    : storage(owner)
    , filename(name ? name : "")
{
    reset();
}

StorageIO::~StorageIO()
{
    close();
}

void StorageIO::reset()
{
    header.reset(new Header);
    dirtree.reset(new DirTree(512));
    bbat.reset(new AllocTable);
    bbat->blockSize = 1ull << header->b_shift;
    sbat.reset(new AllocTable);
    sbat->blockSize = 1ull << header->s_shift;
    sb_blocks.clear();
    sbat_chain.clear();
    dirent_chain.clear();
    mbat_blocks.clear();
    mbat_data.clear();
    mbat_dirty = false;
    filesize = 0;
    writeErrors = 0;
    writeable = false;
}

void StorageIO::detachStreams()
{
    for (StreamIO *s : streams)
        s->io = nullptr;
    streams.clear();
}

void StorageIO::unregisterStream(StreamIO *stream)
{
    streams.remove(stream);
}

bool StorageIO::open(bool wantWriteable, bool wantCreate)
{
    close();
    // Every open starts from a fresh header, tables and directory, so
    // nothing of a file loaded before leaks into the next one.
    reset();
    if (wantCreate) {
        create();
        if (opened) {
            init();
            writeable = true;
        }
    } else {
        load(wantWriteable);
    }
    return result == 0;
}

void StorageIO::close()
{
    detachStreams();
    if (file.is_open())
        file.close();
    file.clear();
    opened = false;
}

uint64_t StorageIO::fileBlocks() const
{
    const uint64_t B = bigBlockSize();
    return filesize > B ? (filesize - 1) / B : 0;
}

bool StorageIO::readAt(uint64_t pos, unsigned char *data, uint64_t len)
{
    if (len == 0)
        return true;
    const uint64_t avail = pos < filesize ? std::min(len, filesize - pos) : 0;
    uint64_t got = 0;
    bool ok = file.is_open();
    if (avail && ok) {
        file.clear();
        file.seekg(static_cast<std::streamoff>(pos));
        file.read(reinterpret_cast<char *>(data), static_cast<std::streamsize>(avail));
        got = static_cast<uint64_t>(file.gcount());
        file.clear();
        ok = got == avail;
    }
    std::memset(data + got, 0, len - got);
    return ok;
}

bool StorageIO::writeAt(uint64_t pos, const unsigned char *data, uint64_t len)
{
    if (len == 0)
        return true;
    bool ok = file.is_open();
    if (ok) {
        file.clear();
        file.seekp(static_cast<std::streamoff>(pos));
        file.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(len));
        ok = file.good();
        file.clear();
    }
    if (!ok) {
        ++writeErrors;
        return false;
    }
    filesize = std::max(filesize, pos + len);
    return true;
}

void StorageIO::load(bool wantWriteable)
{
    result = 1;
    // Unbuffered: reads go straight into their destination and a failed
    // write shows at once.
    file.rdbuf()->pubsetbuf(nullptr, 0);
    std::ios::openmode mode = std::ios::binary | std::ios::in;
    if (wantWriteable)
        mode |= std::ios::out;
    file.open(filename, mode);
    if (!file.is_open())
        return;
    file.seekg(0, std::ios::end);
    const std::streamoff end = file.tellg();
    filesize = end > 0 ? static_cast<uint64_t>(end) : 0;
    file.clear();

    unsigned char buffer[kHeaderSize];
    readAt(0, buffer, kHeaderSize);
    header->load(buffer);

    result = 2;
    if (std::memcmp(header->id, kMagic, sizeof kMagic) != 0)
        return;

    result = 3;
    if (!header->valid())
        return;
    const uint64_t B = 1ull << header->b_shift;
    bbat->blockSize = B;
    sbat->blockSize = 1ull << header->s_shift;
    dirtree->setBigBlockSize(B);
    // Counts beyond the blocks the file holds would only drive allocations.
    const uint64_t blocksInFile = fileBlocks();
    if (header->num_bat > blocksInFile || header->num_mbat > blocksInFile)
        return;
    if (header->num_bat > kHeaderBatSlots && header->num_mbat == 0)
        return;

    std::vector<unsigned char> buf;
    const std::vector<uint64_t> batBlocks = getbbatBlocks(true);
    buf.resize(batBlocks.size() * B);
    loadBigBlocks(batBlocks, buf.data(), buf.size());
    bbat->load(buf.data(), buf.size());
    std::vector<unsigned char>().swap(buf);

    sbat_chain = metaChain(header->sbat_start);
    if (!sbat_chain.empty()) {
        buf.resize(sbat_chain.size() * B);
        loadBigBlocks(sbat_chain, buf.data(), buf.size());
        sbat->load(buf.data(), buf.size());
        std::vector<unsigned char>().swap(buf);
    }

    dirent_chain = metaChain(header->dirent_start);
    uint64_t rootStart = kEnd;
    if (!dirent_chain.empty()) {
        buf.resize(dirent_chain.size() * B);
        loadBigBlocks(dirent_chain, buf.data(), buf.size());
        dirtree->load(buf.data(), buf.size());
        rootStart = readU32(buf.data() + 0x74);
    } else {
        // No directory at all: an empty storage.
        dirtree->clear(B);
        dirtree->clearDirty();
    }
    sb_blocks = bbat->follow(rootStart);

    writeable = wantWriteable;
    result = 0;
    opened = true;
}

// A chain of metadata blocks ends at the first block past the end of the
// file, so no table or directory buffer outgrows the file.
std::vector<uint64_t> StorageIO::metaChain(uint64_t start)
{
    std::vector<uint64_t> chain = bbat->follow(start);
    const uint64_t limit = fileBlocks();
    for (size_t i = 0; i < chain.size(); ++i) {
        if (chain[i] >= limit) {
            chain.resize(i);
            break;
        }
    }
    return chain;
}

std::vector<uint64_t> StorageIO::getbbatBlocks(bool bLoading)
{
    const uint64_t numBat = header->num_bat;
    // A slot no block fills reads as a missing block: zeros, in its place.
    std::vector<uint64_t> list(numBat, kFree);
    const uint64_t fromHeader = std::min<uint64_t>(numBat, kHeaderBatSlots);
    for (uint64_t i = 0; i < fromHeader; ++i)
        list[i] = header->bb_blocks[i];
    if (!bLoading) {
        for (uint64_t i = 0; i < mbat_data.size() && kHeaderBatSlots + i < numBat; ++i)
            list[kHeaderBatSlots + i] = mbat_data[i];
        return list;
    }
    mbat_blocks.clear();
    mbat_data.clear();
    if (numBat <= kHeaderBatSlots || header->num_mbat == 0)
        return list;
    const uint64_t B = bigBlockSize();
    const uint64_t perBlock = B / 4 - 1;
    const uint64_t limit = fileBlocks();
    std::unordered_set<uint64_t> seen;
    std::vector<unsigned char> values;
    uint64_t k = kHeaderBatSlots;
    uint64_t block = header->mbat_start;
    for (uint64_t m = 0; m < header->num_mbat && k < numBat; ++m) {
        if (block >= kMetaBatBlock || block >= limit || !seen.insert(block).second)
            break;
        mbat_blocks.push_back(block);
        const uint64_t take = std::min(perBlock, numBat - k);
        values.resize(take * 4);
        const uint64_t pos = (block + 1) * B;
        readAt(pos, values.data(), values.size());
        for (uint64_t i = 0; i < take; ++i) {
            list[k + i] = readU32(values.data() + i * 4);
            mbat_data.push_back(list[k + i]);
        }
        k += take;
        unsigned char link[4];
        readAt(pos + B - 4, link, 4);
        block = readU32(link);
    }
    return list;
}

bool StorageIO::readyToLoad(const std::vector<uint64_t> &blocks, const unsigned char *data,
                            uint64_t maxlen)
{
    if (!data)
        return false;
    file.clear();
    return file.is_open() && file.good() && maxlen > 0 && !blocks.empty();
}

uint64_t StorageIO::loadBigBlocks(const std::vector<uint64_t> &blocks, unsigned char *data,
                                  uint64_t maxlen)
{
    if (!readyToLoad(blocks, data, maxlen))
        return 0;
    const uint64_t B = bigBlockSize();
    uint64_t bytes = 0;
    uint64_t runPos = 0, runLen = 0, runOff = 0;
    for (size_t k = 0; k < blocks.size(); ++k) {
        const uint64_t off = k * B;
        if (off >= maxlen)
            break;
        const uint64_t len = std::min(B, maxlen - off);
        const uint64_t pos = (blocks[k] + 1) * B;
        if (runLen && runPos + runLen == pos) {
            runLen += len;
        } else {
            readAt(runPos, data + runOff, runLen);
            runPos = pos;
            runLen = len;
            runOff = off;
        }
        bytes = off + len;
    }
    readAt(runPos, data + runOff, runLen);
    return bytes;
}

uint64_t StorageIO::loadBigBlock(uint64_t block, unsigned char *data, uint64_t maxlen)
{
    return loadBigBlocks(std::vector<uint64_t>(1, block), data, maxlen);
}

uint64_t StorageIO::loadSmallBlocks(const std::vector<uint64_t> &blocks, unsigned char *data,
                                    uint64_t maxlen)
{
    if (!readyToLoad(blocks, data, maxlen))
        return 0;
    const uint64_t B = bigBlockSize();
    const uint64_t S = smallBlockSize();
    uint64_t bytes = 0;
    for (uint64_t m : blocks) {
        const uint64_t cpos = m * S;
        if (cpos / B >= sb_blocks.size())
            break;
        const uint64_t len = std::min(S, maxlen - bytes);
        readAt((sb_blocks[cpos / B] + 1) * B + cpos % B, data + bytes, len);
        bytes += len;
        if (bytes >= maxlen)
            break;
    }
    return bytes;
}

uint64_t StorageIO::loadSmallBlock(uint64_t block, unsigned char *data, uint64_t maxlen)
{
    return loadSmallBlocks(std::vector<uint64_t>(1, block), data, maxlen);
}

uint64_t StorageIO::saveBigBlocks(const std::vector<uint64_t> &blocks, uint64_t offset,
                                  const unsigned char *data, uint64_t len)
{
    return saveBigBlocks(blocks.data(), blocks.size(), offset, data, len);
}

uint64_t StorageIO::saveBigBlocks(const uint64_t *blocks, size_t count, uint64_t offset,
                                  const unsigned char *data, uint64_t len)
{
    if (!data || !file.is_open() || len == 0 || count == 0)
        return 0;
    const uint64_t B = bigBlockSize();
    uint64_t written = 0;
    uint64_t runPos = 0, runLen = 0;
    for (size_t k = 0; k < count && written + runLen < len; ++k) {
        const uint64_t off = k == 0 ? offset : 0;
        const uint64_t n = std::min(len - written - runLen, B - off);
        const uint64_t pos = (blocks[k] + 1) * B + off;
        if (runLen && runPos + runLen == pos) {
            runLen += n;
            continue;
        }
        if (runLen) {
            if (!writeAt(runPos, data + written, runLen))
                return written;
            written += runLen;
        }
        runPos = pos;
        runLen = n;
    }
    if (runLen && writeAt(runPos, data + written, runLen))
        written += runLen;
    return written;
}

uint64_t StorageIO::saveBigBlock(uint64_t block, uint64_t offset, const unsigned char *data,
                                 uint64_t len)
{
    return saveBigBlocks(&block, 1, offset, data, len);
}

uint64_t StorageIO::saveSmallBlocks(const std::vector<uint64_t> &blocks, uint64_t offset,
                                    const unsigned char *data, uint64_t len, uint64_t startAt)
{
    if (!data || !file.is_open() || len == 0 || startAt >= blocks.size())
        return 0;
    const uint64_t B = bigBlockSize();
    const uint64_t S = smallBlockSize();
    uint64_t written = 0;
    for (size_t k = startAt; k < blocks.size() && written < len; ++k) {
        const uint64_t cpos = blocks[k] * S;
        if (cpos / B >= sb_blocks.size())
            break;
        const uint64_t off = k == startAt ? offset : 0;
        const uint64_t n = std::min(S - off, len - written);
        if (!writeAt((sb_blocks[cpos / B] + 1) * B + cpos % B + off, data + written, n))
            break;
        written += n;
    }
    return written;
}

uint64_t StorageIO::saveSmallBlock(uint64_t block, uint64_t offset, const unsigned char *data,
                                   uint64_t len)
{
    return saveSmallBlocks(std::vector<uint64_t>(1, block), offset, data, len);
}

StreamIO *StorageIO::streamIO(const std::string &path, bool wantCreate, uint64_t streamSize)
{
    if (!opened || path.empty())
        return nullptr;
    DirEntry *e = dirtree->entry(path, false);
    if (!e && wantCreate && writeable && streamSize <= 0xFFFFFFFFull) {
        e = dirtree->entry(path, true, streamSize);
        if (e) {
            // The directory chain gets a block for every entry.
            const uint64_t B = bigBlockSize();
            const uint64_t needed = (dirtree->size() + B - 1) / B;
            const int64_t index = dirtree->indexOf(e);
            while (dirent_chain.size() < needed) {
                const bool first = dirent_chain.empty();
                ExtendFile(&dirent_chain);
                if (first) {
                    header->dirent_start = dirent_chain.front();
                    header->dirty = true;
                }
            }
            e = dirtree->entry(static_cast<uint64_t>(index));
        }
    }
    if (!e || !e->valid || e->dir)
        return nullptr;
    return new StreamIO(this, static_cast<uint64_t>(dirtree->indexOf(e)), path);
}

uint64_t StorageIO::ExtendFile(std::vector<uint64_t> *chain)
{
    const uint64_t B = bigBlockSize();
    const uint64_t b = bbat->unused();
    bbat->set(b, kEnd);
    while (b / (B / 8) >= header->num_bat)
        addbbatBlock();
    bbat->markAsDirty(b, B);
    if (!chain->empty()) {
        bbat->set(chain->back(), b);
        bbat->markAsDirty(chain->back(), B);
    }
    chain->push_back(b);
    return b;
}

void StorageIO::addbbatBlock()
{
    const uint64_t B = bigBlockSize();
    const uint64_t m = bbat->unused();
    bbat->set(m, kBatBlock);
    bbat->markAsDirty(m, B);
    if (header->num_bat < kHeaderBatSlots) {
        header->bb_blocks[header->num_bat] = m;
    } else {
        mbat_data.push_back(m);
        mbat_dirty = true;
        if (mbat_data.size() > mbat_blocks.size() * (B / 4 - 1)) {
            const uint64_t k = bbat->unused();
            bbat->set(k, kMetaBatBlock);
            bbat->markAsDirty(k, B);
            mbat_blocks.push_back(k);
            if (header->num_mbat == 0)
                header->mbat_start = k;
            ++header->num_mbat;
        }
    }
    // The new table block must reach the file even if none of its entries
    // changes: its free entries have to read as free.
    bbat->markAsDirty(header->num_bat * (B / 4), B);
    ++header->num_bat;
    header->dirty = true;
}

void StorageIO::freeChain(const std::vector<uint64_t> &chain, bool big)
{
    AllocTable &table = big ? *bbat : *sbat;
    for (uint64_t b : chain) {
        table.set(b, kFree);
        table.markAsDirty(b, bigBlockSize());
    }
}

void StorageIO::create()
{
    file.rdbuf()->pubsetbuf(nullptr, 0);
    file.open(filename, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
    if (!file.is_open()) {
        std::cerr << "Can't create " << filename << '\n';
        result = 1;
        return;
    }
    filesize = 0;
    opened = true;
    result = 0;
}

void StorageIO::init()
{
    const uint64_t B = bigBlockSize();
    header->num_bat = 1;
    header->dirent_start = 1;
    header->sbat_start = 2;
    header->num_sbat = 1;
    header->bb_blocks[0] = 0;
    header->dirty = true;
    bbat->set(0, kBatBlock);
    bbat->set(1, kEnd);
    bbat->set(2, kEnd);
    bbat->set(3, kEnd);
    bbat->markAsDirty(0, B);
    sbat->markAsDirty(0, B);
    dirent_chain.assign(1, 1);
    sbat_chain.assign(1, 2);
    sb_blocks.assign(1, 3);
    mbat_dirty = false;
    dirtree->clear(B);
}

bool StorageIO::flush()
{
    if (!opened || !writeable)
        return false;
    const uint64_t B = bigBlockSize();
    std::vector<unsigned char> block(B);

    if (header->dirty) {
        unsigned char buffer[kHeaderSize];
        header->save(buffer);
        writeAt(0, buffer, kHeaderSize);
        header->dirty = false;
    }

    if (bbat->isDirty())
        flushbbat();
    if (sbat->isDirty())
        flushsbat();
    if (dirtree->isDirty())
        dirtree->flush(dirent_chain, this, sb_blocks.empty() ? kFree : sb_blocks.front(),
                       sb_blocks.size() * B);

    if (mbat_dirty && !mbat_blocks.empty()) {
        const uint64_t perMeta = B / 4 - 1;
        for (size_t j = 0; j < mbat_blocks.size(); ++j) {
            for (uint64_t i = 0; i < perMeta; ++i) {
                const uint64_t at = j * perMeta + i;
                writeU32(block.data() + i * 4, at < mbat_data.size() ? mbat_data[at] : kFree);
            }
            writeU32(block.data() + perMeta * 4,
                     j + 1 < mbat_blocks.size() ? mbat_blocks[j + 1] : kEnd);
            writeAt((mbat_blocks[j] + 1) * B, block.data(), B);
        }
        mbat_dirty = false;
    }

    // Every allocated block exists in the file, even one nothing was
    // written to yet.
    uint64_t last = bbat->count();
    while (last > 0 && (*bbat)[last - 1] == kFree)
        --last;
    const uint64_t wanted = (last + 1) * B;
    if (filesize < wanted) {
        std::vector<unsigned char> zeros(std::min<uint64_t>(wanted - filesize, 1 << 20));
        while (filesize < wanted) {
            const uint64_t n = std::min<uint64_t>(zeros.size(), wanted - filesize);
            if (!writeAt(filesize, zeros.data(), n))
                break;
        }
    }

    file.flush();
    if (!file.good()) {
        ++writeErrors;
        file.clear();
    }
    // Failed writes since the last flush, stream bytes included, make the
    // flush fail: the file on disk is not what the caller wrote.
    const bool ok = writeErrors == 0;
    writeErrors = 0;
    return ok;
}

void StorageIO::flushbbat()
{
    bbat->flush(getbbatBlocks(false), this, bigBlockSize());
}

void StorageIO::flushsbat()
{
    sbat->flush(sbat_chain, this, bigBlockSize());
}

int StorageIO::deleteByName(const std::string &path)
{
    if (path.empty() || !opened || !writeable)
        return 0;
    DirEntry *e = dirtree->entry(path);
    const int64_t index = dirtree->indexOf(e);
    // The root stays: without it the file would have no directory.
    if (index <= 0)
        return 0;
    if (e->dir)
        deleteNode(static_cast<uint64_t>(index));
    else
        deleteLeaf(static_cast<uint64_t>(index));
    flush();
    return 1;
}

void StorageIO::deleteNode(uint64_t index)
{
    // Everything below the storage goes with it; only the storage itself
    // needs unlinking from its siblings.
    std::vector<uint64_t> below;
    std::vector<uint64_t> pending(1, index);
    std::unordered_set<uint64_t> seen{ index };
    while (!pending.empty()) {
        const uint64_t s = pending.back();
        pending.pop_back();
        for (uint64_t k : dirtree->children(s)) {
            if (!seen.insert(k).second)
                continue;
            below.push_back(k);
            if (dirtree->entry(k)->dir)
                pending.push_back(k);
        }
    }
    for (auto it = below.rbegin(); it != below.rend(); ++it) {
        const DirEntry *e = dirtree->entry(*it);
        if (e->valid && !e->dir) {
            const bool big = e->size >= header->threshold;
            freeChain(big ? bbat->follow(e->start) : sbat->follow(e->start), big);
        }
        dirtree->dropEntry(*it);
    }
    dirtree->deleteEntry(index);
}

void StorageIO::deleteLeaf(uint64_t index)
{
    const DirEntry *e = dirtree->entry(index);
    const bool big = e->size >= header->threshold;
    freeChain(big ? bbat->follow(e->start) : sbat->follow(e->start), big);
    dirtree->deleteEntry(index);
}

void StorageIO::collectStreams(std::list<std::string> &result, uint64_t index,
                               const std::string &prefix)
{
    const uint64_t n = dirtree->entryCount();
    if (index >= n)
        return;
    // Breadth-first over each sibling tree, descending into a storage at
    // once; every entry is taken at most once, so cycles end the listing.
    std::vector<char> seen(n, 0);
    seen[index] = 1;
    struct Frame
    {
        std::deque<uint64_t> queue;
        std::string prefix;
    };
    auto enqueue = [&](Frame &f, uint64_t x) {
        if (x != 0 && x < n && !seen[x]) {
            seen[x] = 1;
            f.queue.push_back(x);
        }
    };
    std::vector<Frame> stack(1);
    stack.back().prefix = prefix;
    enqueue(stack.back(), dirtree->entry(index)->child);
    while (!stack.empty()) {
        if (stack.back().queue.empty()) {
            stack.pop_back();
            continue;
        }
        const uint64_t x = stack.back().queue.front();
        stack.back().queue.pop_front();
        const DirEntry *e = dirtree->entry(x);
        enqueue(stack.back(), e->prev);
        enqueue(stack.back(), e->next);
        if (!e->dir) {
            result.push_back(stack.back().prefix + e->name);
        } else {
            Frame sub;
            sub.prefix = stack.back().prefix + e->name + "/";
            stack.push_back(std::move(sub));
            enqueue(stack.back(), e->child);
        }
    }
}

} // namespace cfb
