#pragma once

// A compound file (OLE2 structured storage, version 3) opened by path: a
// small file system of storages and streams addressed by "/"-separated
// paths (a leading "/" is optional). Reading is safe on hostile files:
// every count and link from the file is bounded by the file's size, so a
// broken file gives a result code, a missing entry or a short read.
//
// Writing (open with create, or writeable) is lazy: stream bytes go to the
// file at once, the header, tables and directory only on flush().
//
// Names are byte strings: the low byte of each UTF-16 code unit.

#include <list>
#include <memory>
#include <string>

namespace cfb {

class StorageIO;

class Storage
{
public:
    enum Result { Ok = 0, OpenFailed = 1, NotCompoundFile = 2, BadHeader = 3 };

    explicit Storage(const char *filename);
    ~Storage(); // closes; never flushes
    Storage(const Storage &) = delete;
    Storage &operator=(const Storage &) = delete;

    // Loads the file (read-only or read-write), or with create makes a new
    // empty one. True when result() is Ok.
    bool open(bool writeable = false, bool create = false);
    int result() const;
    // Closes the file without flushing; streams opened on it stop working.
    void close();

    // Names of the children of the storage at path, in sibling-tree order.
    std::list<std::string> entries(const std::string &path = "/");
    bool exists(const std::string &path);
    bool isDirectory(const std::string &path);
    bool isWriteable() const;

    // Deletes the entry (a storage with everything below it) and flushes;
    // 1 when done, 0 for an empty path, the root, a missing entry or a
    // storage that is not writeable.
    int deleteByName(const std::string &path);
    // Writes the changed header, tables and directory; false when a write
    // failed since the last flush.
    bool flush();

    void GetStats(unsigned long long *entries, unsigned long long *unusedEntries,
                  unsigned long long *bigBlocks, unsigned long long *unusedBigBlocks,
                  unsigned long long *smallBlocks, unsigned long long *unusedSmallBlocks) const;
    // Full paths of all streams below the storage at path, each prefixed by
    // path ("/" gives "/a/b" forms); empty for a stream or missing path.
    std::list<std::string> GetAllStreams(const std::string &path);

    StorageIO *io() const { return m_io.get(); }

private:
    std::unique_ptr<StorageIO> m_io; // Owned.
};

} // namespace cfb
