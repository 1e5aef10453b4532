#include "cfbstream.h"

#include "cfbstorage.h"
#include "cfbstorageio.h"
#include "cfbstreamio.h"

namespace cfb {

Stream::Stream(Storage *storage, const std::string &path, bool create, long long streamSize)
{
    if (!storage || streamSize < 0)
        return;
    m_io.reset(storage->io()->streamIO(path, create, static_cast<uint64_t>(streamSize)));
}

Stream::~Stream() = default;

StreamIO *Stream::live() const
{
    return m_io && m_io->io ? m_io.get() : nullptr;
}

bool Stream::isOpen() const
{
    return live() != nullptr;
}

std::string Stream::fullName() const
{
    return live() ? m_io->fullName : std::string();
}

unsigned long long Stream::size() const
{
    return live() ? m_io->size() : 0;
}

unsigned long long Stream::tell() const
{
    return live() ? m_io->m_pos : 0;
}

void Stream::seek(unsigned long long pos)
{
    if (live())
        m_io->m_pos = pos;
}

unsigned long long Stream::read(unsigned char *data, unsigned long long maxlen)
{
    return live() ? m_io->read(data, maxlen) : 0;
}

int Stream::getch()
{
    // Not open reads as "no byte", like the end of a stream: a 0 here would
    // pass for a byte of data.
    return live() ? m_io->getch() : -1;
}

bool Stream::eof() const
{
    return live() ? m_io->eof : false;
}

bool Stream::fail() const
{
    return live() ? m_io->fail : true;
}

unsigned long long Stream::write(const unsigned char *data, unsigned long long len)
{
    return live() ? m_io->write(data, len) : 0;
}

void Stream::setSize(long long newSize)
{
    if (live() && newSize >= 0)
        m_io->setSize(static_cast<unsigned long long>(newSize));
}

bool Stream::flush()
{
    return live() ? m_io->flush() : false;
}

} // namespace cfb
