#pragma once

// The directory of a compound file: an array of entries (entry 0 is the
// root) whose storages hold their children in a binary tree of siblings.
//
// Every link comes from the file, so every walk here is iterative and
// visits an entry at most once. Lookups go through an index of the
// children of every storage, built once per load from the sibling trees and
// kept up to date by creation and deletion; files whose sibling order
// differs from ours (or is broken) are still searched exactly.

#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace cfb {

class StorageIO;

struct DirEntry
{
    bool valid = false;
    std::string name; // low byte of each UTF-16 code unit
    bool dir = false; // storage or root
    uint64_t size = 0;
    uint64_t start = 0xFFFFFFFE;
    uint64_t prev = 0xFFFFFFFF;
    uint64_t next = 0xFFFFFFFF;
    uint64_t child = 0xFFFFFFFF;

    // Sibling order: shorter names first, then byte by byte, unsigned.
    static int compare(const std::string &a, const std::string &b);
    int compare(const DirEntry &other) const { return compare(name, other.name); }
};

class DirTree
{
public:
    // Longest name the 64-byte name field holds with its terminator.
    static constexpr size_t kMaxNameLength = 31;

    explicit DirTree(uint64_t bigBlockSize = 512);

    // Back to a new tree: the root entry alone, its block dirty.
    void clear(uint64_t bigBlockSize);
    void setBigBlockSize(uint64_t bigBlockSize) { m_bigBlockSize = bigBlockSize; }

    uint64_t entryCount() const { return m_entries.size(); }
    DirEntry *entry(uint64_t index);
    const DirEntry *entry(uint64_t index) const;
    // Resolves a "/"-separated path (leading "/" optional). With create,
    // missing pieces are added: storages, the last one a stream of
    // streamSize bytes. Null when a piece is missing (or cannot be added).
    DirEntry *entry(const std::string &path, bool create = false, uint64_t streamSize = 0);
    int64_t indexOf(const DirEntry *e) const;

    // The child of storage index named name; 0 when there is none. closest
    // receives the last sibling the ordered search visited (0 for none).
    uint64_t find_child(uint64_t index, const std::string &name, uint64_t *closest = nullptr);
    // The children of a valid storage in in-order sibling-tree order.
    std::vector<uint64_t> children(uint64_t index);
    // The storage whose sibling tree holds index; -1 for none.
    int64_t parent(uint64_t index);

    void load(const unsigned char *buffer, uint64_t len);
    void save(unsigned char *buffer) const;
    // Writes the dirty directory blocks over the directory chain, whole
    // blocks (records past the last entry zero), with the root's start and
    // size set to the small-block container's.
    void flush(const std::vector<uint64_t> &blocks, StorageIO *io, uint64_t rootStart,
               uint64_t rootSize);
    uint64_t size() const { return m_entries.size() * 128; }

    // Writing side.
    uint64_t unused();
    void markAsDirty(uint64_t index);
    bool isDirty() const { return !m_dirty.empty(); }
    const std::set<uint64_t> &dirtyBlocks() const { return m_dirty; }
    void clearDirty() { m_dirty.clear(); }
    // Finds the parent and the sibling linking to index (0 when the parent
    // links to it directly); false when index lies in no storage.
    bool findParentAndSib(uint64_t index, uint64_t *parentIndex, uint64_t *sib);
    uint64_t findSib(uint64_t parentIndex, uint64_t index);
    // Unlinks index from its parent's sibling tree and frees the entry.
    void deleteEntry(uint64_t index);
    // Frees the entry without touching any link (its parent goes too).
    void dropEntry(uint64_t index);

    uint64_t unusedEntryCount() const;
    void debug() const;

private:
    bool linkOk(uint64_t link) const { return link != 0 && link < m_entries.size(); }
    void ensureIndex();
    const std::vector<uint32_t> &kids(uint64_t parentIndex);
    void walk(uint64_t parentIndex);
    static std::string key(uint64_t parentIndex, const std::string &name);
    void grow();

    std::vector<DirEntry> m_entries;
    uint64_t m_bigBlockSize;
    std::set<uint64_t> m_dirty;

    // The index: the storage each entry belongs to, each storage's children
    // in order (rebuilt lazily after a change), and (storage, name) -> entry.
    bool m_indexed = false;
    std::vector<uint32_t> m_parentOf;
    std::vector<std::vector<uint32_t>> m_kids;
    std::vector<char> m_kidsStale;
    std::unordered_map<std::string, uint32_t> m_byName;
    uint64_t m_unusedHint = 1;
    // Visit marks of the current walk (equal to m_walkId when visited).
    std::vector<uint32_t> m_marks;
    uint32_t m_walkId = 0;
};

// The sibling search from first by the sibling order: the index found, or 0;
// at most as many steps as the directory has entries.
uint64_t dirtree_find_sibling(DirTree *dirtree, uint64_t first, const std::string &name,
                              uint64_t *closest);
// The in-order walk of the sibling tree from first into result; each entry
// at most once.
void dirtree_find_siblings(DirTree *dirtree, std::vector<uint64_t> &result, uint64_t first);

} // namespace cfb
