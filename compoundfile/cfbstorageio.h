#pragma once

// The open compound file behind a cfb::Storage: header, allocation tables,
// directory and the file itself, with the block reads and writes the streams
// go through.
//
// Every number taken from the file is checked against the file's size
// before it drives an allocation or a loop: table counts beyond the blocks
// the file holds reject the header, metadata chains end at the file's end,
// and bytes past the end of the file read as zero.

#include "cfballoctable.h"
#include "cfbdirtree.h"
#include "cfbheader.h"

#include <cstdint>
#include <fstream>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace cfb {

class Storage;
class StreamIO;

class StorageIO
{
public:
    StorageIO(Storage *storage, const char *filename);
    ~StorageIO();
    StorageIO(const StorageIO &) = delete;
    StorageIO &operator=(const StorageIO &) = delete;

    bool open(bool writeable, bool create);
    void close();
    void load(bool writeable);
    void create();
    void init();
    bool flush();
    void flushbbat();
    void flushsbat();

    uint64_t bigBlockSize() const { return bbat->blockSize; }
    uint64_t smallBlockSize() const { return sbat->blockSize; }

    // Block reads: block k of the list lands at data + k x blocksize, cut at
    // maxlen; bytes past the end of the file are zero. The count placed.
    uint64_t loadBigBlocks(const std::vector<uint64_t> &blocks, unsigned char *data,
                           uint64_t maxlen);
    uint64_t loadBigBlock(uint64_t block, unsigned char *data, uint64_t maxlen);
    uint64_t loadSmallBlocks(const std::vector<uint64_t> &blocks, unsigned char *data,
                             uint64_t maxlen);
    uint64_t loadSmallBlock(uint64_t block, unsigned char *data, uint64_t maxlen);
    // True when a block read has somewhere to go and a readable file to come from.
    bool readyToLoad(const std::vector<uint64_t> &blocks, const unsigned char *data, uint64_t maxlen);
    // Reads len bytes at a file position; the part past the end of the file
    // is zero. False when the file cannot be read at all.
    bool readAt(uint64_t pos, unsigned char *data, uint64_t len);

    // Block writes; the bytes really written.
    uint64_t saveBigBlocks(const std::vector<uint64_t> &blocks, uint64_t offset,
                           const unsigned char *data, uint64_t len);
    uint64_t saveBigBlocks(const uint64_t *blocks, size_t count, uint64_t offset,
                           const unsigned char *data, uint64_t len);
    uint64_t saveBigBlock(uint64_t block, uint64_t offset, const unsigned char *data,
                          uint64_t len);
    uint64_t saveSmallBlocks(const std::vector<uint64_t> &blocks, uint64_t offset,
                             const unsigned char *data, uint64_t len, uint64_t startAt = 0);
    uint64_t saveSmallBlock(uint64_t block, uint64_t offset, const unsigned char *data,
                            uint64_t len);
    bool writeAt(uint64_t pos, const unsigned char *data, uint64_t len);

    // The stream implementation for path, or null (missing, a storage, the
    // root, or not creatable). The stream registers itself here.
    StreamIO *streamIO(const std::string &path, bool create = false, uint64_t streamSize = 0);
    void unregisterStream(StreamIO *stream);

    uint64_t ExtendFile(std::vector<uint64_t> *chain);
    void addbbatBlock();
    // The BAT block numbers from the header and the meta-BAT.
    std::vector<uint64_t> getbbatBlocks(bool bLoading);
    // Frees a chain in the BAT or the SBAT.
    void freeChain(const std::vector<uint64_t> &chain, bool big);

    int deleteByName(const std::string &path);
    void deleteNode(uint64_t index);
    void deleteLeaf(uint64_t index);

    void collectStreams(std::list<std::string> &result, uint64_t index,
                        const std::string &prefix);

    Storage *storage; // Not owned.
    std::string filename;
    std::fstream file;
    int result = 0;
    bool opened = false;
    uint64_t filesize = 0;
    bool writeable = false;

    std::unique_ptr<Header> header;
    std::unique_ptr<DirTree> dirtree;
    std::unique_ptr<AllocTable> bbat;
    std::unique_ptr<AllocTable> sbat;

    std::vector<uint64_t> sb_blocks; // chain of the small-block container
    std::vector<uint64_t> sbat_chain;
    std::vector<uint64_t> dirent_chain;
    std::vector<uint64_t> mbat_blocks;
    std::vector<uint64_t> mbat_data;
    bool mbat_dirty = false;

    std::list<StreamIO *> streams; // open streams, detached when the file goes
    uint64_t writeErrors = 0;      // failed writes since the last flush

private:
    void reset();
    void detachStreams();
    std::vector<uint64_t> metaChain(uint64_t start);
    uint64_t fileBlocks() const;
};

} // namespace cfb
