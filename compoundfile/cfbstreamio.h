#pragma once

// The implementation behind a cfb::Stream: its directory entry, its chain of
// blocks (big or small by the stream's size), the position and a 4 KB cache
// for byte-wise reading.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cfb {

class StorageIO;
struct DirEntry;

class StreamIO
{
public:
    StreamIO(StorageIO *storageIO, uint64_t entryIndex, const std::string &path);
    ~StreamIO();
    StreamIO(const StreamIO &) = delete;
    StreamIO &operator=(const StreamIO &) = delete;

    // The entry, looked up anew (the directory may have grown); null when
    // it no longer lies in the directory or the storage is gone.
    DirEntry *entry() const;
    uint64_t size() const;
    bool isBig() const;

    uint64_t read(uint64_t pos, unsigned char *data, uint64_t maxlen);
    uint64_t read(unsigned char *data, uint64_t maxlen);
    int getch();
    void updateCache();

    uint64_t write(uint64_t pos, const unsigned char *data, uint64_t len);
    uint64_t write(const unsigned char *data, uint64_t len);
    void setSize(uint64_t newSize);
    bool flush();

    StorageIO *io; // Not owned; null once the storage closed.
    uint64_t entryIdx;
    std::string fullName;
    bool eof = false;
    bool fail = false;
    std::vector<uint64_t> blocks;
    uint64_t m_pos = 0;

private:
    static constexpr uint64_t kCacheSize = 4096;
    std::unique_ptr<unsigned char[]> cache_data; // allocated on first use
    uint64_t cache_size = 0;
    uint64_t cache_pos = 0;
};

} // namespace cfb
