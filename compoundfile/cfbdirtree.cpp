#include "cfbdirtree.h"

#include "cfbendian.h"
#include "cfbheader.h"
#include "cfbstorageio.h"

#include <cstring>
#include <iostream>

namespace cfb {

namespace {
constexpr uint32_t kNone = 0xFFFFFFFF;
}

int DirEntry::compare(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const int c = std::memcmp(a.data(), b.data(), a.size());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

DirTree::DirTree(uint64_t bigBlockSize)
    : m_bigBlockSize(bigBlockSize)
{
    clear(bigBlockSize);
}

void DirTree::clear(uint64_t bigBlockSize)
{
    m_bigBlockSize = bigBlockSize;
    m_entries.clear();
    DirEntry root;
    root.valid = true;
    root.name = "Root Entry";
    root.dir = true;
    root.start = kFree;
    m_entries.push_back(root);
    m_dirty.clear();
    m_indexed = false;
    markAsDirty(0);
}

DirEntry *DirTree::entry(uint64_t index)
{
    return index < m_entries.size() ? &m_entries[index] : nullptr;
}

const DirEntry *DirTree::entry(uint64_t index) const
{
    return index < m_entries.size() ? &m_entries[index] : nullptr;
}

int64_t DirTree::indexOf(const DirEntry *e) const
{
    if (!e || m_entries.empty() || e < m_entries.data() || e >= m_entries.data() + m_entries.size())
        return -1;
    return e - m_entries.data();
}

std::string DirTree::key(uint64_t parentIndex, const std::string &name)
{
    std::string k(4, '\0');
    writeU32(reinterpret_cast<unsigned char *>(&k[0]), parentIndex);
    k += name;
    return k;
}

void DirTree::ensureIndex()
{
    if (m_indexed)
        return;
    const size_t n = m_entries.size();
    m_parentOf.assign(n, kNone);
    m_kids.assign(n, {});
    m_kidsStale.assign(n, 0);
    m_byName.clear();
    m_byName.reserve(n);
    m_indexed = true;
    for (size_t j = 0; j < n; ++j) {
        if (m_entries[j].valid && m_entries[j].dir)
            walk(j);
    }
}

// In-order walk of j's sibling tree. An entry is claimed by the first
// storage that reaches it and never entered twice, so cycles end the walk and
// a subtree shared by several storages (only in a broken file) is walked once.
void DirTree::walk(uint64_t j)
{
    std::vector<uint32_t> &out = m_kids[j];
    out.clear();
    m_kidsStale[j] = 0;
    if (m_marks.size() != m_entries.size())
        m_marks.resize(m_entries.size(), 0);
    if (++m_walkId == 0) {
        std::fill(m_marks.begin(), m_marks.end(), 0);
        m_walkId = 1;
    }
    auto claim = [this, j](uint64_t x) {
        if (!linkOk(x) || m_marks[x] == m_walkId
            || (m_parentOf[x] != kNone && m_parentOf[x] != j))
            return false;
        m_marks[x] = m_walkId;
        m_parentOf[x] = static_cast<uint32_t>(j);
        return true;
    };
    std::vector<uint32_t> stack;
    uint64_t cur = claim(m_entries[j].child) ? m_entries[j].child : kNone;
    while (cur != kNone || !stack.empty()) {
        while (cur != kNone) {
            stack.push_back(static_cast<uint32_t>(cur));
            const uint64_t p = m_entries[cur].prev;
            cur = claim(p) ? p : kNone;
        }
        cur = stack.back();
        stack.pop_back();
        out.push_back(static_cast<uint32_t>(cur));
        if (m_entries[cur].valid)
            m_byName.emplace(key(j, m_entries[cur].name), static_cast<uint32_t>(cur));
        const uint64_t nx = m_entries[cur].next;
        cur = claim(nx) ? nx : kNone;
    }
}

const std::vector<uint32_t> &DirTree::kids(uint64_t parentIndex)
{
    ensureIndex();
    if (m_kidsStale[parentIndex]) {
        for (uint32_t k : m_kids[parentIndex]) {
            if (m_parentOf[k] != parentIndex)
                continue;
            m_parentOf[k] = kNone;
            auto it = m_byName.find(key(parentIndex, m_entries[k].name));
            if (it != m_byName.end() && it->second == k)
                m_byName.erase(it);
        }
        walk(parentIndex);
        m_unusedHint = 1;
    }
    return m_kids[parentIndex];
}

uint64_t dirtree_find_sibling(DirTree *dirtree, uint64_t first, const std::string &name,
                              uint64_t *closest)
{
    const uint64_t n = dirtree->entryCount();
    if (first >= n)
        return 0;
    uint64_t i = first;
    for (uint64_t steps = 0; steps < n; ++steps) {
        const DirEntry *e = dirtree->entry(i);
        if (!e->valid)
            return 0;
        const int c = DirEntry::compare(e->name, name);
        if (c == 0)
            return i;
        const uint64_t link = c < 0 ? e->next : e->prev;
        if (link == 0 || link >= n) {
            if (closest)
                *closest = i;
            return 0;
        }
        i = link;
    }
    return 0; // a cycle
}

void dirtree_find_siblings(DirTree *dirtree, std::vector<uint64_t> &result, uint64_t first)
{
    const uint64_t n = dirtree->entryCount();
    if (first >= n)
        return;
    std::vector<char> seen(n, 0);
    std::vector<uint64_t> stack;
    auto take = [&](uint64_t x) {
        if (x == 0 || x >= n || seen[x])
            return false;
        seen[x] = 1;
        return true;
    };
    uint64_t cur = first;
    seen[first] = 1;
    while (cur != kNoLink || !stack.empty()) {
        while (cur != kNoLink) {
            stack.push_back(cur);
            const uint64_t p = dirtree->entry(cur)->prev;
            cur = take(p) ? p : kNoLink;
        }
        cur = stack.back();
        stack.pop_back();
        result.push_back(cur);
        const uint64_t nx = dirtree->entry(cur)->next;
        cur = take(nx) ? nx : kNoLink;
    }
}

uint64_t DirTree::find_child(uint64_t index, const std::string &name, uint64_t *closest)
{
    if (closest)
        *closest = 0;
    if (index >= m_entries.size() || !m_entries[index].valid || !m_entries[index].dir
        || name.empty())
        return 0;
    ensureIndex();
    auto it = m_byName.find(key(index, name));
    if (it != m_byName.end())
        return it->second;
    if (closest && linkOk(m_entries[index].child))
        dirtree_find_sibling(this, m_entries[index].child, name, closest);
    return 0;
}

std::vector<uint64_t> DirTree::children(uint64_t index)
{
    std::vector<uint64_t> result;
    if (index >= m_entries.size() || !m_entries[index].valid || !m_entries[index].dir)
        return result;
    const std::vector<uint32_t> &k = kids(index);
    result.assign(k.begin(), k.end());
    return result;
}

int64_t DirTree::parent(uint64_t index)
{
    if (index >= m_entries.size())
        return -1;
    ensureIndex();
    const uint32_t p = m_parentOf[index];
    if (p == kNone)
        return -1;
    if (m_kidsStale[p])
        kids(p);
    return m_parentOf[index] == kNone ? -1 : m_parentOf[index];
}

void DirTree::grow()
{
    m_entries.emplace_back();
    if (m_indexed) {
        m_parentOf.push_back(kNone);
        m_kids.emplace_back();
        m_kidsStale.push_back(0);
    }
}

DirEntry *DirTree::entry(const std::string &path, bool create, uint64_t streamSize)
{
    if (path.empty() || m_entries.empty())
        return nullptr;
    size_t pos = path[0] == '/' ? 1 : 0;
    uint64_t cur = 0;
    while (pos < path.size()) {
        size_t end = path.find('/', pos);
        if (end == std::string::npos)
            end = path.size();
        const std::string piece = path.substr(pos, end - pos);
        const bool last = end + 1 >= path.size();
        uint64_t closest = 0;
        uint64_t found = find_child(cur, piece, create ? &closest : nullptr);
        // A new entry keeps only what its name field holds; a second
        // creation under the same long name must find the first one.
        if (found == 0 && create && piece.size() > kMaxNameLength)
            found = find_child(cur, piece.substr(0, kMaxNameLength), &closest);
        if (found == 0) {
            if (!create || piece.empty() || !m_entries[cur].valid || !m_entries[cur].dir)
                return nullptr;
            found = unused();
            DirEntry &e = m_entries[found];
            e = DirEntry();
            e.valid = true;
            e.name = piece.substr(0, kMaxNameLength);
            e.dir = !last;
            e.size = last ? streamSize : 0;
            e.start = kEnd;
            if (closest != 0) {
                DirEntry &c = m_entries[closest];
                if (DirEntry::compare(c.name, e.name) >= 0)
                    c.prev = found;
                else
                    c.next = found;
                markAsDirty(closest);
            } else {
                DirEntry &p = m_entries[cur];
                e.next = linkOk(p.child) ? p.child : kNoLink;
                p.child = found;
                markAsDirty(cur);
            }
            markAsDirty(found);
            m_parentOf[found] = static_cast<uint32_t>(cur);
            m_byName.emplace(key(cur, e.name), static_cast<uint32_t>(found));
            m_kidsStale[cur] = 1;
        }
        cur = found;
        pos = end + 1;
    }
    return &m_entries[cur];
}

void DirTree::load(const unsigned char *buffer, uint64_t len)
{
    m_entries.clear();
    m_dirty.clear();
    m_indexed = false;
    m_unusedHint = 1;
    const uint64_t count = len / 128;
    m_entries.resize(count);
    for (uint64_t i = 0; i < count; ++i) {
        const unsigned char *r = buffer + i * 128;
        DirEntry &e = m_entries[i];
        uint32_t n = readU16(r + 0x40);
        if (n > 63)
            n = 64;
        if (n != 0 && r[0] != 0) {
            e.name.push_back(static_cast<char>(r[0]));
            for (unsigned u = 1; u < 32 && 2 * e.name.size() < n && r[2 * u] != 0; ++u)
                e.name.push_back(static_cast<char>(r[2 * u]));
        }
        if (r[0] != 0 && r[0] < 0x20)
            e.name.erase(0, 1);
        const unsigned type = r[0x42];
        e.valid = (type == 1 || type == 2 || type == 5) && n != 0;
        e.dir = type != 2;
        e.size = readU32(r + 0x78);
        e.start = readU32(r + 0x74);
        e.prev = readU32(r + 0x44);
        e.next = readU32(r + 0x48);
        e.child = readU32(r + 0x4C);
    }
}

void DirTree::save(unsigned char *buffer) const
{
    std::memset(buffer, 0, size());
    for (uint64_t i = 0; i < m_entries.size(); ++i) {
        unsigned char *r = buffer + i * 128;
        const DirEntry &e = m_entries[i];
        if (i == 0) {
            static const char rootName[] = "Root Entry";
            for (unsigned u = 0; u < sizeof rootName - 1; ++u)
                r[2 * u] = static_cast<unsigned char>(rootName[u]);
            writeU16(r + 0x40, 22);
            r[0x42] = 5;
            r[0x43] = 0;
            writeU32(r + 0x44, kNoLink);
            writeU32(r + 0x48, kNoLink);
            writeU32(r + 0x4C, e.child);
            writeU32(r + 0x74, kFree);
            writeU32(r + 0x78, 0);
            continue;
        }
        const size_t chars = std::min(e.name.size(), kMaxNameLength);
        for (size_t u = 0; u < chars; ++u)
            r[2 * u] = static_cast<unsigned char>(e.name[u]);
        writeU16(r + 0x40, chars ? static_cast<uint32_t>(2 * chars + 2) : 0);
        r[0x42] = !e.valid ? 0 : (e.dir ? 1 : 2);
        r[0x43] = 1;
        writeU32(r + 0x44, e.prev);
        writeU32(r + 0x48, e.next);
        writeU32(r + 0x4C, e.child);
        writeU32(r + 0x74, e.dir && e.valid ? kFree : e.start);
        writeU32(r + 0x78, e.dir && e.valid ? 0 : e.size);
    }
}

void DirTree::flush(const std::vector<uint64_t> &blocks, StorageIO *io, uint64_t rootStart,
                    uint64_t rootSize)
{
    const uint64_t B = m_bigBlockSize;
    const uint64_t perBlock = B / 128;
    std::vector<unsigned char> dir(((m_entries.size() + perBlock - 1) / perBlock) * B);
    save(dir.data());
    if (!dir.empty()) {
        writeU32(dir.data() + 0x74, rootStart);
        writeU32(dir.data() + 0x78, rootSize);
    }
    for (uint64_t d : m_dirty) {
        if (d >= blocks.size() || d * B >= dir.size())
            continue;
        io->writeAt((blocks[d] + 1) * B, dir.data() + d * B, B);
    }
    m_dirty.clear();
}

uint64_t DirTree::unused()
{
    ensureIndex();
    for (uint64_t i = m_unusedHint; i < m_entries.size(); ++i) {
        if (!m_entries[i].valid && m_parentOf[i] == kNone) {
            m_unusedHint = i + 1;
            return i;
        }
    }
    grow();
    m_unusedHint = m_entries.size();
    return m_entries.size() - 1;
}

void DirTree::markAsDirty(uint64_t index)
{
    m_dirty.insert(index / (m_bigBlockSize / 128));
}

uint64_t DirTree::findSib(uint64_t parentIndex, uint64_t index)
{
    for (uint32_t k : kids(parentIndex)) {
        if (m_entries[k].next == index || m_entries[k].prev == index)
            return k;
    }
    return 0;
}

bool DirTree::findParentAndSib(uint64_t index, uint64_t *parentIndex, uint64_t *sib)
{
    const int64_t p = parent(index);
    if (p < 0)
        return false;
    *parentIndex = static_cast<uint64_t>(p);
    *sib = m_entries[p].child == index ? 0 : findSib(p, index);
    return true;
}

void DirTree::dropEntry(uint64_t index)
{
    if (index == 0 || index >= m_entries.size())
        return;
    ensureIndex();
    DirEntry &e = m_entries[index];
    const uint32_t p = m_parentOf[index];
    if (p != kNone) {
        auto it = m_byName.find(key(p, e.name));
        if (it != m_byName.end() && it->second == index)
            m_byName.erase(it);
        m_parentOf[index] = kNone;
        m_kidsStale[p] = 1;
    }
    e = DirEntry();
    e.start = kEnd;
    markAsDirty(index);
    if (index < m_unusedHint)
        m_unusedHint = index;
}

void DirTree::deleteEntry(uint64_t index)
{
    if (index == 0 || index >= m_entries.size())
        return;
    ensureIndex();
    uint64_t p = 0;
    uint64_t sib = 0;
    if (findParentAndSib(index, &p, &sib)) {
        DirEntry &e = m_entries[index];
        const uint64_t prev = linkOk(e.prev) ? e.prev : kNoLink;
        uint64_t repl;
        if (!linkOk(e.next)) {
            repl = prev;
        } else {
            const uint64_t r = e.next;
            if (!linkOk(m_entries[r].prev) || m_entries[r].prev == index) {
                m_entries[r].prev = prev;
                markAsDirty(r);
                repl = r;
            } else {
                // The leftmost entry under r takes the deleted entry's place.
                uint64_t above = r;
                uint64_t m = m_entries[r].prev;
                for (uint64_t steps = 0; steps < m_entries.size(); ++steps) {
                    const uint64_t left = m_entries[m].prev;
                    if (!linkOk(left) || left == index || left == m)
                        break;
                    above = m;
                    m = left;
                }
                m_entries[above].prev = linkOk(m_entries[m].next) ? m_entries[m].next : kNoLink;
                m_entries[m].prev = prev;
                m_entries[m].next = r;
                markAsDirty(above);
                markAsDirty(m);
                repl = m;
            }
        }
        if (sib != 0) {
            if (m_entries[sib].next == index)
                m_entries[sib].next = repl;
            else
                m_entries[sib].prev = repl;
            markAsDirty(sib);
        } else if (m_entries[p].child == index) {
            m_entries[p].child = repl;
            markAsDirty(p);
        }
    }
    dropEntry(index);
}

uint64_t DirTree::unusedEntryCount() const
{
    uint64_t n = 0;
    for (const DirEntry &e : m_entries)
        n += e.valid ? 0 : 1;
    return n;
}

void DirTree::debug() const
{
    auto link = [](uint64_t v) { return v == kNoLink ? std::string("-") : std::to_string(v); };
    for (uint64_t i = 0; i < m_entries.size(); ++i) {
        const DirEntry &e = m_entries[i];
        std::cout << i << ": ";
        if (!e.valid)
            std::cout << "INVALID ";
        std::cout << e.name << ' ' << (e.dir ? "(Dir) " : "(File) ") << e.size << ' '
                  << "s:" << e.start << ' ' << '(' << link(e.child) << ' ' << link(e.prev)
                  << ':' << link(e.next) << ')' << '\n';
    }
}

} // namespace cfb
