#include "cfbstorage.h"

#include "cfbstorageio.h"

namespace cfb {

Storage::Storage(const char *filename)
    : m_io(new StorageIO(this, filename))
{
}

Storage::~Storage() = default;

bool Storage::open(bool writeable, bool create)
{
    return m_io->open(writeable, create);
}

int Storage::result() const
{
    return m_io->result;
}

void Storage::close()
{
    m_io->close();
}

std::list<std::string> Storage::entries(const std::string &path)
{
    std::list<std::string> result;
    DirTree &tree = *m_io->dirtree;
    const DirEntry *e = m_io->opened ? tree.entry(path) : nullptr;
    if (!e || !e->dir || !e->valid)
        return result;
    for (uint64_t k : tree.children(static_cast<uint64_t>(tree.indexOf(e))))
        result.push_back(tree.entry(k)->name);
    return result;
}

bool Storage::exists(const std::string &path)
{
    return m_io->opened && m_io->dirtree->entry(path) != nullptr;
}

bool Storage::isDirectory(const std::string &path)
{
    const DirEntry *e = m_io->opened ? m_io->dirtree->entry(path) : nullptr;
    return e && e->dir;
}

bool Storage::isWriteable() const
{
    return m_io->writeable;
}

int Storage::deleteByName(const std::string &path)
{
    return m_io->deleteByName(path);
}

bool Storage::flush()
{
    return m_io->flush();
}

void Storage::GetStats(unsigned long long *entries, unsigned long long *unusedEntries,
                       unsigned long long *bigBlocks, unsigned long long *unusedBigBlocks,
                       unsigned long long *smallBlocks,
                       unsigned long long *unusedSmallBlocks) const
{
    if (entries)
        *entries = m_io->dirtree->entryCount();
    if (unusedEntries)
        *unusedEntries = m_io->dirtree->unusedEntryCount();
    if (bigBlocks)
        *bigBlocks = m_io->bbat->count();
    if (unusedBigBlocks)
        *unusedBigBlocks = m_io->bbat->unusedCount();
    if (smallBlocks)
        *smallBlocks = m_io->sbat->count();
    if (unusedSmallBlocks)
        *unusedSmallBlocks = m_io->sbat->unusedCount();
}

std::list<std::string> Storage::GetAllStreams(const std::string &path)
{
    std::list<std::string> result;
    DirTree &tree = *m_io->dirtree;
    const DirEntry *e = m_io->opened ? tree.entry(path) : nullptr;
    if (!e || !e->dir)
        return result;
    m_io->collectStreams(result, static_cast<uint64_t>(tree.indexOf(e)), path);
    return result;
}

} // namespace cfb
