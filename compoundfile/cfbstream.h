#pragma once

// A stream of a cfb::Storage, opened (or created) by path. A stream whose
// storage is closed or destroyed stops working instead of reading freed
// memory: it then behaves as a stream that is not open.

#include <memory>
#include <string>

namespace cfb {

class Storage;
class StreamIO;

class Stream
{
public:
    Stream(Storage *storage, const std::string &path, bool create = false,
           long long streamSize = 0);
    ~Stream();
    Stream(const Stream &) = delete;
    Stream &operator=(const Stream &) = delete;

    bool isOpen() const;
    std::string fullName() const;
    unsigned long long size() const;
    unsigned long long tell() const;
    void seek(unsigned long long pos);
    // Up to maxlen bytes from the position; the count read.
    unsigned long long read(unsigned char *data, unsigned long long maxlen);
    // The next byte (0 to 255), or -1 at the end, on a failed read and on a
    // stream that is not open.
    int getch();
    bool eof() const;
    bool fail() const;

    // The bytes really written; 0 on a read-only storage.
    unsigned long long write(const unsigned char *data, unsigned long long len);
    void setSize(long long newSize);
    // Flushes the whole storage; false when a write failed.
    bool flush();

private:
    StreamIO *live() const;
    std::unique_ptr<StreamIO> m_io; // Owned.
};

} // namespace cfb
