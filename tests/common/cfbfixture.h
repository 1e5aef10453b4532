#pragma once

// A small writer of compound files for tests and benchmarks, independent of
// the cfb library's own writer: it lays out a whole file in memory from a
// list of storages and streams, and reports where it put every table, block
// and directory record, so tests can patch single fields into broken files.
//
//   cfbfixture::Builder b;
//   b.addStream("/\x01" "CompObj", bytes);       // parent storages are added
//   b.addStream("   114/Props", props);
//   cfbfixture::Image img = b.build();
//   img.set32(img.dirEntryOffset(img.entryIndex.at("   114")) + 0x48, 7);
//   img.writeTo(path);
//
// Layout: header, BAT blocks, meta-BAT blocks, directory, small-block table,
// small-block container, then the big streams, each contiguous.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace cfbfixture {

constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kEnd = 0xFFFFFFFE;
constexpr uint32_t kBat = 0xFFFFFFFD;
constexpr uint32_t kMeta = 0xFFFFFFFC;

// Header field offsets.
enum HeaderField : size_t {
    BShift = 0x1E,
    SShift = 0x20,
    NumBat = 0x2C,
    DirentStart = 0x30,
    Threshold = 0x38,
    SbatStart = 0x3C,
    NumSbat = 0x40,
    MbatStart = 0x44,
    NumMbat = 0x48,
    BatSlots = 0x4C
};

// Directory record field offsets.
enum EntryField : size_t {
    NameLength = 0x40,
    Type = 0x42,
    Prev = 0x44,
    Next = 0x48,
    Child = 0x4C,
    Start = 0x74,
    Size = 0x78
};

enum class Siblings {
    Balanced,        // balanced tree in the reader's order (length, then bytes)
    CaseInsensitive, // balanced, equal lengths ordered ignoring case
    Chain            // one chain of next links in the reader's order
};

// n bytes of a fixed pattern that differs with the seed, as stream contents.
inline std::vector<uint8_t> pattern(size_t n, unsigned seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t((i * 7 + seed * 13 + (i >> 8)) & 0xFF);
    return v;
}

struct Image
{
    std::vector<uint8_t> bytes;
    uint32_t blockSize = 512;
    std::vector<uint32_t> batBlocks;
    std::vector<uint32_t> metaBatBlocks;
    std::vector<uint32_t> dirBlocks;
    std::vector<uint32_t> sbatBlocks;
    std::vector<uint32_t> containerBlocks;
    std::map<std::string, uint32_t> entryIndex; // path without leading "/" -> record
    std::map<std::string, uint32_t> startBlock; // stream path -> first block

    size_t blockOffset(uint32_t block) const { return size_t(block + 1) * blockSize; }
    // File offset of the BAT entry of a block.
    size_t batEntryOffset(uint32_t block) const
    {
        const uint32_t per = blockSize / 4;
        return blockOffset(batBlocks.at(block / per)) + (block % per) * 4;
    }
    size_t dirEntryOffset(uint32_t index) const
    {
        const uint32_t per = blockSize / 128;
        return blockOffset(dirBlocks.at(index / per)) + (index % per) * 128;
    }
    size_t entryField(const std::string &path, EntryField field) const
    {
        return dirEntryOffset(entryIndex.at(path)) + field;
    }
    uint32_t u32(size_t off) const
    {
        return uint32_t(bytes[off]) | uint32_t(bytes[off + 1]) << 8
            | uint32_t(bytes[off + 2]) << 16 | uint32_t(bytes[off + 3]) << 24;
    }
    void set32(size_t off, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[off + i] = uint8_t(v >> (8 * i));
    }
    void set16(size_t off, uint32_t v)
    {
        bytes[off] = uint8_t(v);
        bytes[off + 1] = uint8_t(v >> 8);
    }
    void truncate(size_t size) { bytes.resize(std::min(size, bytes.size())); }
    bool writeTo(const std::string &path) const
    {
        FILE *f = std::fopen(path.c_str(), "wb");
        if (!f)
            return false;
        const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        return std::fclose(f) == 0 && ok;
    }
};

class Builder
{
public:
    explicit Builder(unsigned bShift = 9)
        : m_bShift(bShift)
    {
        m_nodes.push_back(Node{ "Root Entry", false, {}, {} });
    }

    void setSiblings(Siblings s) { m_siblings = s; }
    // At least this many BAT blocks (more than 109 brings in the meta-BAT).
    void setMinBatBlocks(uint32_t n) { m_minBat = n; }

    void addStorage(const std::string &path) { node(path, false); }
    void addStream(const std::string &path, const std::vector<uint8_t> &data)
    {
        m_nodes[node(path, true)].data = data;
    }
    void addStream(const std::string &path, const std::string &data)
    {
        addStream(path, std::vector<uint8_t>(data.begin(), data.end()));
    }

    Image build() const
    {
        Image img;
        const uint32_t B = 1u << m_bShift;
        const uint32_t S = 64;
        img.blockSize = B;
        const uint32_t n = uint32_t(m_nodes.size());

        // Small streams in the container, big streams in blocks of their own.
        std::vector<uint32_t> smallStart(n, kEnd), smallCount(n, 0), bigCount(n, 0);
        uint32_t smallBlocks = 0;
        uint64_t dataBlocks = 0;
        for (uint32_t i = 1; i < n; ++i) {
            const Node &nd = m_nodes[i];
            if (!nd.stream)
                continue;
            if (nd.data.size() < 4096) {
                smallCount[i] = uint32_t((nd.data.size() + S - 1) / S);
                if (smallCount[i])
                    smallStart[i] = smallBlocks;
                smallBlocks += smallCount[i];
            } else {
                bigCount[i] = uint32_t((nd.data.size() + B - 1) / B);
                dataBlocks += bigCount[i];
            }
        }
        const uint32_t containerN = uint32_t((uint64_t(smallBlocks) * S + B - 1) / B);
        const uint32_t sbatN = (smallBlocks + B / 4 - 1) / (B / 4);
        const uint32_t dirN = (n + B / 128 - 1) / (B / 128);
        const uint64_t others = dirN + sbatN + containerN + dataBlocks;
        uint32_t batN = std::max<uint32_t>(m_minBat, 1);
        uint32_t metaN = 0;
        for (;;) {
            metaN = batN > 109 ? (batN - 109 + B / 4 - 2) / (B / 4 - 1) : 0;
            if (uint64_t(batN) * (B / 4) >= others + batN + metaN)
                break;
            ++batN;
        }
        const uint32_t total = uint32_t(others + batN + metaN);
        img.bytes.assign(size_t(total + 1) * B, 0);

        uint32_t next = 0;
        auto take = [&next](std::vector<uint32_t> &v, uint64_t count) {
            for (uint64_t k = 0; k < count; ++k)
                v.push_back(next++);
        };
        take(img.batBlocks, batN);
        take(img.metaBatBlocks, metaN);
        take(img.dirBlocks, dirN);
        take(img.sbatBlocks, sbatN);
        take(img.containerBlocks, containerN);

        std::vector<uint32_t> bat(size_t(batN) * (B / 4), kFree);
        for (uint32_t b : img.batBlocks)
            bat[b] = kBat;
        for (uint32_t b : img.metaBatBlocks)
            bat[b] = kMeta;
        auto chain = [&bat](const std::vector<uint32_t> &blocks) {
            for (size_t k = 0; k < blocks.size(); ++k)
                bat[blocks[k]] = k + 1 < blocks.size() ? blocks[k + 1] : kEnd;
        };
        chain(img.dirBlocks);
        chain(img.sbatBlocks);
        chain(img.containerBlocks);

        // Stream bytes and their chains.
        std::vector<uint32_t> start(n, kEnd);
        std::vector<uint32_t> sbat(size_t(sbatN) * (B / 4), kFree);
        for (uint32_t i = 1; i < n; ++i) {
            const Node &nd = m_nodes[i];
            if (!nd.stream || nd.data.empty())
                continue;
            if (smallCount[i]) {
                start[i] = smallStart[i];
                for (uint32_t k = 0; k < smallCount[i]; ++k)
                    sbat[smallStart[i] + k] = k + 1 < smallCount[i] ? smallStart[i] + k + 1 : kEnd;
                for (size_t k = 0; k < nd.data.size(); ++k) {
                    const uint64_t cpos = uint64_t(smallStart[i]) * S + k;
                    img.bytes[img.blockOffset(img.containerBlocks[cpos / B]) + cpos % B] =
                        nd.data[k];
                }
            } else {
                std::vector<uint32_t> blocks;
                take(blocks, bigCount[i]);
                chain(blocks);
                start[i] = blocks.front();
                std::copy(nd.data.begin(), nd.data.end(),
                          img.bytes.begin() + long(img.blockOffset(blocks.front())));
            }
        }

        // Tables.
        std::vector<uint32_t> batList(img.batBlocks);
        for (size_t t = 0; t < batList.size(); ++t)
            for (uint32_t k = 0; k < B / 4; ++k)
                img.set32(img.blockOffset(batList[t]) + k * 4, bat[t * (B / 4) + k]);
        for (size_t t = 0; t < img.sbatBlocks.size(); ++t)
            for (uint32_t k = 0; k < B / 4; ++k)
                img.set32(img.blockOffset(img.sbatBlocks[t]) + k * 4, sbat[t * (B / 4) + k]);
        for (size_t m = 0; m < img.metaBatBlocks.size(); ++m) {
            const size_t off = img.blockOffset(img.metaBatBlocks[m]);
            for (uint32_t k = 0; k < B / 4 - 1; ++k) {
                const size_t at = 109 + m * (B / 4 - 1) + k;
                img.set32(off + k * 4, at < batList.size() ? batList[at] : kFree);
            }
            img.set32(off + (B / 4 - 1) * 4,
                      m + 1 < img.metaBatBlocks.size() ? img.metaBatBlocks[m + 1] : kEnd);
        }

        // Header.
        static const uint8_t magic[8] = { 0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1 };
        std::copy(magic, magic + 8, img.bytes.begin());
        img.set16(0x18, 0x3E);
        img.set16(0x1A, m_bShift == 12 ? 4 : 3);
        img.set16(0x1C, 0xFFFE);
        img.set16(BShift, m_bShift);
        img.set16(SShift, 6);
        img.set32(NumBat, batN);
        img.set32(DirentStart, img.dirBlocks.front());
        img.set32(Threshold, 4096);
        img.set32(SbatStart, sbatN ? img.sbatBlocks.front() : kEnd);
        img.set32(NumSbat, sbatN);
        img.set32(MbatStart, metaN ? img.metaBatBlocks.front() : kEnd);
        img.set32(NumMbat, metaN);
        for (uint32_t k = 0; k < 109; ++k)
            img.set32(BatSlots + k * 4, k < batN ? batList[k] : kFree);

        // Directory: sibling trees, then the records.
        std::vector<uint32_t> prev(n, kFree), nxt(n, kFree), child(n, kFree);
        for (uint32_t i = 0; i < n; ++i) {
            std::vector<uint32_t> kids = m_nodes[i].kids;
            if (kids.empty())
                continue;
            std::sort(kids.begin(), kids.end(), [this](uint32_t a, uint32_t b) {
                return less(m_nodes[a].name, m_nodes[b].name);
            });
            if (m_siblings == Siblings::Chain) {
                child[i] = kids.front();
                for (size_t k = 0; k + 1 < kids.size(); ++k)
                    nxt[kids[k]] = kids[k + 1];
            } else {
                std::function<uint32_t(size_t, size_t)> tree = [&](size_t lo, size_t hi) {
                    if (lo >= hi)
                        return kFree;
                    const size_t mid = (lo + hi) / 2;
                    prev[kids[mid]] = tree(lo, mid);
                    nxt[kids[mid]] = tree(mid + 1, hi);
                    return kids[mid];
                };
                child[i] = tree(0, kids.size());
            }
        }
        for (uint32_t i = 0; i < uint32_t(img.dirBlocks.size() * (B / 128)); ++i) {
            const size_t off = img.dirEntryOffset(i);
            img.set32(off + Prev, kFree);
            img.set32(off + Next, kFree);
            img.set32(off + Child, kFree);
            if (i >= n)
                continue;
            const Node &nd = m_nodes[i];
            for (size_t k = 0; k < nd.name.size(); ++k)
                img.bytes[off + 2 * k] = uint8_t(nd.name[k]);
            img.set16(off + NameLength, uint32_t(2 * nd.name.size() + 2));
            img.bytes[off + Type] = i == 0 ? 5 : (nd.stream ? 2 : 1);
            img.bytes[off + Type + 1] = 1;
            img.set32(off + Prev, prev[i]);
            img.set32(off + Next, nxt[i]);
            img.set32(off + Child, child[i]);
            if (i == 0) {
                img.set32(off + Start, containerN ? img.containerBlocks.front() : kEnd);
                img.set32(off + Size, smallBlocks * S);
            } else {
                img.set32(off + Start, nd.stream ? start[i] : 0);
                img.set32(off + Size, uint32_t(nd.data.size()));
                img.entryIndex[nd.path] = i;
                if (nd.stream)
                    img.startBlock[nd.path] = start[i];
            }
        }
        return img;
    }

    std::vector<uint8_t> bytes() const { return build().bytes; }
    bool writeTo(const std::string &path) const { return build().writeTo(path); }

private:
    struct Node
    {
        std::string name;
        bool stream;
        std::vector<uint8_t> data;
        std::vector<uint32_t> kids;
        std::string path;
    };

    bool less(const std::string &a, const std::string &b) const
    {
        if (a.size() != b.size())
            return a.size() < b.size();
        if (m_siblings == Siblings::CaseInsensitive) {
            for (size_t k = 0; k < a.size(); ++k) {
                const int x = std::toupper(uint8_t(a[k])), y = std::toupper(uint8_t(b[k]));
                if (x != y)
                    return x < y;
            }
            return false;
        }
        return a.compare(b) < 0;
    }

    uint32_t node(const std::string &path, bool stream)
    {
        uint32_t cur = 0;
        std::string sofar;
        size_t pos = !path.empty() && path[0] == '/' ? 1 : 0;
        while (pos < path.size()) {
            size_t end = path.find('/', pos);
            if (end == std::string::npos)
                end = path.size();
            const std::string piece = path.substr(pos, end - pos);
            const bool last = end >= path.size() - 1;
            sofar += (sofar.empty() ? "" : "/") + piece;
            uint32_t &found = m_lookup[std::make_pair(cur, piece)];
            if (!found) {
                found = uint32_t(m_nodes.size());
                m_nodes.push_back(Node{ piece, stream && last, {}, {}, sofar });
                m_nodes[cur].kids.push_back(found);
            }
            cur = found;
            pos = end + 1;
        }
        return cur;
    }

    unsigned m_bShift;
    Siblings m_siblings = Siblings::Balanced;
    uint32_t m_minBat = 0;
    std::vector<Node> m_nodes;
    std::map<std::pair<uint32_t, std::string>, uint32_t> m_lookup;
};

} // namespace cfbfixture
