#include "cfballoctable.h"

#include "cfbendian.h"
#include "cfbheader.h"
#include "cfbstorageio.h"

#include <algorithm>
#include <iostream>

namespace cfb {

AllocTable::AllocTable()
    : blockSize(4096)
    , m_data(128, static_cast<uint32_t>(kFree))
{
}

uint64_t AllocTable::operator[](uint64_t index) const
{
    return index < m_data.size() ? m_data[index] : kFree;
}

void AllocTable::load(const unsigned char *buffer, uint64_t len)
{
    const uint64_t n = len / 4;
    m_data.resize(n);
    m_maybeFree = false;
    for (uint64_t i = 0; i < n; ++i) {
        m_data[i] = readU32(buffer + i * 4);
        if (m_data[i] > kEnd)
            m_maybeFree = true;
    }
    m_freeHint = 0;
    m_dirty.clear();
    m_marks.clear();
}

std::vector<uint64_t> AllocTable::follow(uint64_t start, uint64_t maxLength) const
{
    std::vector<uint64_t> chain;
    const uint64_t n = m_data.size();
    if (start >= n)
        return chain;
    if (m_marks.size() != n) {
        m_marks.assign(n, 0);
        m_walk = 0;
    }
    if (++m_walk == 0) { // wrapped: old marks could be taken for this walk
        std::fill(m_marks.begin(), m_marks.end(), 0);
        m_walk = 1;
    }
    uint64_t p = start;
    while (chain.size() < maxLength) {
        if (p >= kMetaBatBlock || p >= n || m_marks[p] == m_walk)
            break;
        m_marks[p] = m_walk;
        chain.push_back(p);
        p = m_data[p];
    }
    return chain;
}

uint64_t AllocTable::unused()
{
    if (m_maybeFree) {
        for (uint64_t i = m_freeHint; i < m_data.size(); ++i) {
            if (m_data[i] == kFree) {
                m_freeHint = i;
                return i;
            }
        }
        m_maybeFree = false;
        m_freeHint = m_data.size();
    }
    return m_data.size();
}

void AllocTable::set(uint64_t index, uint64_t value)
{
    if (index >= m_data.size())
        m_data.resize(index + 1, static_cast<uint32_t>(kFree));
    m_data[index] = static_cast<uint32_t>(value);
    if (value == kFree) {
        if (!m_maybeFree || index < m_freeHint)
            m_freeHint = index;
        m_maybeFree = true;
    }
}

void AllocTable::setChain(const std::vector<uint64_t> &chain)
{
    if (chain.empty())
        return;
    for (size_t i = 0; i + 1 < chain.size(); ++i)
        set(chain[i], chain[i + 1]);
    set(chain.back(), kEnd);
}

void AllocTable::preserve(uint64_t n)
{
    for (uint64_t i = 0; i < n; ++i)
        unused();
}

void AllocTable::resize(uint64_t n)
{
    const uint64_t old = m_data.size();
    m_data.resize(n, static_cast<uint32_t>(kFree));
    if (n > old) {
        if (!m_maybeFree || old < m_freeHint)
            m_freeHint = old;
        m_maybeFree = true;
    }
    m_freeHint = std::min<uint64_t>(m_freeHint, n);
}

void AllocTable::markAsDirty(uint64_t dataIndex, uint64_t bigBlockSize)
{
    m_dirty.insert(dataIndex / (bigBlockSize / 4));
}

void AllocTable::save(unsigned char *buffer) const
{
    for (uint64_t i = 0; i < m_data.size(); ++i)
        writeU32(buffer + i * 4, m_data[i]);
}

void AllocTable::saveBlock(uint64_t tableBlock, uint64_t entriesPerBlock,
                           unsigned char *buffer) const
{
    const uint64_t first = tableBlock * entriesPerBlock;
    for (uint64_t i = 0; i < entriesPerBlock; ++i)
        writeU32(buffer + i * 4, (*this)[first + i]);
}

void AllocTable::flush(const std::vector<uint64_t> &blocks, StorageIO *io,
                       uint64_t bigBlockSize)
{
    std::vector<unsigned char> buffer(bigBlockSize);
    for (uint64_t t : m_dirty) {
        // A table block without a block of its own (a broken file's list)
        // is not written anywhere.
        if (t >= blocks.size() || blocks[t] >= kMetaBatBlock)
            continue;
        saveBlock(t, bigBlockSize / 4, buffer.data());
        io->writeAt((blocks[t] + 1) * bigBlockSize, buffer.data(), bigBlockSize);
    }
    m_dirty.clear();
}

uint64_t AllocTable::unusedCount() const
{
    return static_cast<uint64_t>(
        std::count(m_data.begin(), m_data.end(), static_cast<uint32_t>(kFree)));
}

void AllocTable::debug() const
{
    std::cout << "block size " << m_data.size() << '\n';
    for (uint64_t i = 0; i < m_data.size(); ++i) {
        const uint64_t v = m_data[i];
        if (v == kFree)
            continue;
        std::cout << i << ": ";
        if (v == kMetaBatBlock)
            std::cout << "[metabat]";
        else if (v == kBatBlock)
            std::cout << "[bat]";
        else if (v == kEnd)
            std::cout << "[eof]";
        else
            std::cout << v;
        std::cout << '\n';
    }
}

} // namespace cfb
