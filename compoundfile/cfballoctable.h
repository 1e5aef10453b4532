#pragma once

// A block allocation table (the BAT of big blocks or the SBAT of small
// blocks): entry i holds the block following block i in its chain, or one of
// the special values of cfbheader.h.

#include <cstdint>
#include <set>
#include <vector>

namespace cfb {

class StorageIO;

class AllocTable
{
public:
    AllocTable();

    uint64_t count() const { return m_data.size(); }
    // The entry at index; kFree for an index outside the table.
    uint64_t operator[](uint64_t index) const;

    // Replaces the table by len / 4 little-endian 32-bit entries.
    void load(const unsigned char *buffer, uint64_t len);
    // The chain from start. It ends at a special value, at an index outside
    // the table, at a block already in the chain (a cycle), or after
    // maxLength blocks; so it never holds a block twice.
    std::vector<uint64_t> follow(uint64_t start, uint64_t maxLength = UINT64_MAX) const;

    // Writing side.
    uint64_t unused();
    void set(uint64_t index, uint64_t value);
    void setChain(const std::vector<uint64_t> &chain);
    void preserve(uint64_t n);
    void resize(uint64_t n);
    // Marks the table block holding entry dataIndex; a table block holds
    // bigBlockSize / 4 entries.
    void markAsDirty(uint64_t dataIndex, uint64_t bigBlockSize);
    bool isDirty() const { return !m_dirty.empty(); }
    const std::set<uint64_t> &dirtyBlocks() const { return m_dirty; }
    void clearDirty() { m_dirty.clear(); }
    uint64_t size() const { return count() * 4; }
    void save(unsigned char *buffer) const;
    // Encodes table block tableBlock of entriesPerBlock entries; entries past
    // the table are written free.
    void saveBlock(uint64_t tableBlock, uint64_t entriesPerBlock, unsigned char *buffer) const;

    // Writes the dirty table blocks to their blocks of the file (table
    // block i to blocks[i]) and clears the marks.
    void flush(const std::vector<uint64_t> &blocks, StorageIO *io, uint64_t bigBlockSize);

    uint64_t unusedCount() const;
    void debug() const;

    uint64_t blockSize;

private:
    // Entries keep their 32 bits from the file: every value that can be
    // stored fits, and a table read from a large file takes half the memory.
    std::vector<uint32_t> m_data;
    bool m_maybeFree = true;
    uint64_t m_freeHint = 0; // no free entry lies below it
    std::set<uint64_t> m_dirty;
    // Visit marks of follow(): a mark equal to m_walk means "in this chain",
    // so no walk has to clear a bitmap of the whole table.
    mutable std::vector<uint32_t> m_marks;
    mutable uint32_t m_walk = 0;
};

} // namespace cfb
