#include "memoryroom.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace memoryroom {

namespace {
std::atomic<qint64> g_ceiling{-1};

// The sum of two counts of bytes, no more than the largest.
qint64 saturatedSum(qint64 a, qint64 b)
{
    return a > std::numeric_limits<qint64>::max() - b ? std::numeric_limits<qint64>::max() : a + b;
}

#if defined(Q_OS_LINUX)
// Every check reads these files: they are read into the stack, in pieces,
// with the system's calls, so that a check allocates nothing.
constexpr size_t kPath = 4096;

struct Text
{
    const char *begin;
    size_t size;
    bool is(const char *word) const
    {
        return std::strlen(word) == size && std::memcmp(begin, word, size) == 0;
    }
};

// The fields of a line split at a separator; an empty Text past the last.
Text field(Text line, char separator, int wanted)
{
    const char *from = line.begin;
    const char *end = line.begin + line.size;
    for (int i = 0;; ++i) {
        const char *stop = static_cast<const char *>(std::memchr(from, separator, size_t(end - from)));
        if (!stop)
            stop = end;
        if (i == wanted)
            return {from, size_t(stop - from)};
        if (stop == end)
            return {end, 0};
        from = stop + 1;
    }
}

// Whether a comma-separated list holds the word.
bool listHolds(Text list, const char *word)
{
    for (int i = 0;; ++i) {
        const Text item = field(list, ',', i);
        if (item.is(word))
            return true;
        if (item.begin == list.begin + list.size)
            return false;
    }
}

// Calls line(Text) for each line of the file; a line longer than the
// buffer is given cut to it (the fields read here come first). False when
// the file cannot be opened.
template<typename Line>
bool forEachLine(const char *path, Line line)
{
    const int file = ::open(path, O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return false;
    char buffer[8192];
    size_t held = 0;
    bool cut = false; // the line in hand was given already
    for (;;) {
        const ssize_t got = ::read(file, buffer + held, sizeof buffer - held);
        if (got < 0 && errno == EINTR)
            continue;
        const bool end = got <= 0;
        if (!end)
            held += size_t(got);
        size_t start = 0;
        while (const void *newline = std::memchr(buffer + start, '\n', held - start)) {
            const size_t length = size_t(static_cast<const char *>(newline) - buffer) - start;
            if (!cut)
                line(Text{buffer + start, length});
            cut = false;
            start += length + 1;
        }
        held -= start;
        std::memmove(buffer, buffer + start, held);
        if (end) {
            if (held > 0 && !cut)
                line(Text{buffer, held});
            break;
        }
        if (held == sizeof buffer) {
            if (!cut)
                line(Text{buffer, held});
            cut = true;
            held = 0;
        }
    }
    ::close(file);
    return true;
}

// A whole number at the start of the text; -1 when there is none ("max").
qint64 number(Text text)
{
    qint64 value = -1;
    for (size_t i = 0; i < text.size && text.begin[i] >= '0' && text.begin[i] <= '9'; ++i) {
        const int digit = text.begin[i] - '0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
            return std::numeric_limits<qint64>::max();
        value = qMax<qint64>(value, 0) * 10 + digit;
    }
    return value;
}

qint64 numberInFile(const char *path)
{
    qint64 value = -1;
    forEachLine(path, [&value](Text line) {
        if (value < 0)
            value = number(line);
    });
    return value;
}

// The number after a key, times the unit: /proc/meminfo's kilobytes
// ("MemAvailable:   123 kB"), a memory.stat's bytes ("inactive_file 123").
qint64 valueAfter(Text line, const char *key, qint64 unit)
{
    const size_t length = std::strlen(key);
    if (line.size <= length || std::memcmp(line.begin, key, length) != 0)
        return -1;
    size_t i = length;
    while (i < line.size && line.begin[i] == ' ')
        ++i;
    const qint64 value = number(Text{line.begin + i, line.size - i});
    if (value > std::numeric_limits<qint64>::max() / unit)
        return std::numeric_limits<qint64>::max();
    return value < 0 ? value : value * unit;
}

// The process's memory control groups: v1's memory hierarchy and v2's one
// hierarchy, each a directory below its mount point. Found once: a process
// seldom changes group, and the mounts are many on some systems.
struct Group
{
    char directory[kPath];
    size_t mountLength; // the walk to the parents ends at the mount point
    bool unified;
};

std::mutex g_systemMutex;
// Guarded by g_systemMutex.
char g_root[kPath] = "";
Group g_groups[2];
int g_groupCount = 0;
bool g_groupsFound = false;

// Appends the bytes to the path of *length bytes in out (kPath bytes);
// false, and out left as it was, when they do not fit.
bool append(char *out, size_t *length, const char *text, size_t size)
{
    if (size >= kPath - *length)
        return false;
    std::memcpy(out + *length, text, size);
    *length += size;
    out[*length] = '\0';
    return true;
}

bool rooted(char *out, const char *path)
{
    size_t length = 0;
    return append(out, &length, g_root, std::strlen(g_root)) && append(out, &length, path, std::strlen(path));
}

// The path of a file in a directory; false when it does not fit (a path
// cut short would name another file).
bool inDirectory(char *out, const char *directory, const char *name)
{
    size_t length = 0;
    return append(out, &length, directory, std::strlen(directory)) && append(out, &length, "/", 1)
           && append(out, &length, name, std::strlen(name));
}

// A path of /proc/self/mountinfo as it is on disk: the kernel writes a
// blank, a tab, a line feed and a backslash there as octal escapes
// ("\040"). False when it does not fit.
bool mountPath(char *out, size_t *length, Text text)
{
    const auto octal = [](char c) { return c >= '0' && c <= '7'; };
    out[*length] = '\0';
    for (size_t i = 0; i < text.size; ++i) {
        char c = text.begin[i];
        if (c == '\\' && text.size - i >= 4 && octal(text.begin[i + 1]) && octal(text.begin[i + 2])
            && octal(text.begin[i + 3]) && text.begin[i + 1] <= '3') {
            c = char((text.begin[i + 1] - '0') * 64 + (text.begin[i + 2] - '0') * 8 + (text.begin[i + 3] - '0'));
            i += 3;
        }
        if (!append(out, length, &c, 1))
            return false;
    }
    return true;
}

void findGroups()
{
    g_groupsFound = true;
    g_groupCount = 0;
    // "4:memory:/a/b" for v1's hierarchy, "0::/a/b" for v2's.
    char paths[2][kPath] = {"", ""};
    char file[kPath];
    if (!rooted(file, "/proc/self/cgroup"))
        return;
    forEachLine(file, [&paths](Text line) {
        const Text controllers = field(line, ':', 1);
        const Text path = {field(line, ':', 2).begin, size_t(line.begin + line.size - field(line, ':', 2).begin)};
        // Written as it is; one longer than a path can be is not read.
        const int kind = listHolds(controllers, "memory") ? 0
                : field(line, ':', 0).is("0") && controllers.size == 0 ? 1
                : -1;
        size_t length = 0;
        if (kind >= 0 && !append(paths[kind], &length, path.begin, path.size))
            paths[kind][0] = '\0';
    });
    if (!paths[0][0] && !paths[1][0])
        return;
    // "36 31 0:32 / /sys/fs/cgroup/memory rw - cgroup cgroup rw,memory":
    // the mount's root in its hierarchy, its mount point, after " - " its
    // type and its options.
    bool mounted[2] = {false, false};
    if (!rooted(file, "/proc/self/mountinfo"))
        return;
    forEachLine(file, [&](Text line) {
        const char *dash = nullptr;
        for (size_t i = 0; i + 3 <= line.size && !dash; ++i) {
            if (std::memcmp(line.begin + i, " - ", 3) == 0)
                dash = line.begin + i + 3;
        }
        if (!dash)
            return;
        const Text tail{dash, size_t(line.begin + line.size - dash)};
        const int kind = field(tail, ' ', 0).is("cgroup2") ? 1
                : field(tail, ' ', 0).is("cgroup") && listHolds(field(tail, ' ', 2), "memory") ? 0
                : -1;
        if (kind < 0 || mounted[kind] || !paths[kind][0])
            return;
        mounted[kind] = true;
        // Both paths as they are on disk; a group whose directory is longer
        // than a path can be is not read.
        char mountRoot[kPath];
        size_t rootLength = 0;
        if (!mountPath(mountRoot, &rootLength, field(line, ' ', 3)))
            return;
        // Below the mount's root, the group's place from there; else (a
        // group namespace) the mount point is the process's group.
        const char *path = paths[kind];
        const size_t pathLength = std::strlen(path);
        const char *below = "";
        if (std::strcmp(mountRoot, "/") == 0)
            below = path;
        else if (pathLength >= rootLength && std::memcmp(path, mountRoot, rootLength) == 0
                 && (path[rootLength] == '/' || path[rootLength] == '\0'))
            below = path + rootLength;
        Group &group = g_groups[g_groupCount];
        size_t mountLength = 0;
        if (!append(group.directory, &mountLength, g_root, std::strlen(g_root))
            || !mountPath(group.directory, &mountLength, field(line, ' ', 4)))
            return;
        size_t length = mountLength;
        if (mountLength == 0 || !append(group.directory, &length, below, std::strlen(below)))
            return;
        while (length > mountLength && group.directory[length - 1] == '/')
            group.directory[--length] = '\0';
        group.mountLength = mountLength;
        group.unified = kind == 1;
        ++g_groupCount;
    });
}

// The file pages a group's usage counts (its own and its children's): the
// kernel takes them back before it ends a process for the limit, so a file
// read or written a while ago leaves its room free.
qint64 fileCache(const char *directory, bool unified)
{
    char file[kPath];
    if (!inDirectory(file, directory, "memory.stat"))
        return 0;
    const char *const keys[2] = {unified ? "active_file" : "total_active_file",
                                 unified ? "inactive_file" : "total_inactive_file"};
    qint64 bytes = 0;
    forEachLine(file, [&](Text line) {
        for (const char *key : keys)
            bytes = saturatedSum(bytes, qMax<qint64>(0, valueAfter(line, key, 1)));
    });
    return bytes;
}

// The process's resident bytes (/proc/self/statm's second field); -1
// where nothing tells.
qint64 residentBytes()
{
    const std::lock_guard<std::mutex> lock(g_systemMutex);
    char file[kPath];
    qint64 pages = -1;
    if (rooted(file, "/proc/self/statm"))
        forEachLine(file, [&pages](Text line) {
            if (pages < 0)
                pages = number(field(line, ' ', 1));
        });
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    return pages < 0 || pageSize <= 0 ? -1 : qMin(pages, std::numeric_limits<qint64>::max() / pageSize) * pageSize;
}

// The least that the group and its parents up to the mount point leave
// below their limits; -1 when none has a limit.
qint64 groupRoom(const Group &group)
{
    qint64 room = -1;
    char directory[kPath];
    std::memcpy(directory, group.directory, kPath);
    // v1 writes "no limit" as the largest page-aligned number.
    constexpr qint64 kNoLimit = qint64(1) << 62;
    for (;;) {
        char file[kPath];
        const size_t length = std::strlen(directory);
        const qint64 limit = inDirectory(file, directory, group.unified ? "memory.max" : "memory.limit_in_bytes")
                ? numberInFile(file)
                : -1;
        if (limit >= 0 && limit < kNoLimit) {
            const qint64 used = inDirectory(file, directory, group.unified ? "memory.current" : "memory.usage_in_bytes")
                    ? numberInFile(file)
                    : -1;
            const qint64 usage = used - fileCache(directory, group.unified);
            const qint64 left = qMax<qint64>(0, limit - qMax<qint64>(0, usage));
            room = room < 0 ? left : qMin(room, left);
        }
        if (length <= group.mountLength)
            return room;
        char *slash = std::strrchr(directory, '/');
        if (!slash || size_t(slash - directory) < group.mountLength)
            directory[group.mountLength] = '\0';
        else
            *slash = '\0';
    }
}
#else
qint64 residentBytes()
{
    return -1;
}
#endif
} // namespace

qint64 freeMemory()
{
#if defined(Q_OS_LINUX)
    const std::lock_guard<std::mutex> lock(g_systemMutex);
    qint64 available = -1;
    qint64 swapFree = 0;
    char file[kPath];
    if (rooted(file, "/proc/meminfo")) {
        forEachLine(file, [&](Text line) {
            const qint64 bytes = valueAfter(line, "MemAvailable:", 1024);
            if (bytes >= 0)
                available = bytes;
            swapFree = qMax(swapFree, valueAfter(line, "SwapFree:", 1024));
        });
    }
    qint64 room = available < 0 ? -1 : qMin(available, std::numeric_limits<qint64>::max() - swapFree) + swapFree;
    if (!g_groupsFound)
        findGroups();
    for (int i = 0; i < g_groupCount; ++i) {
        const qint64 left = groupRoom(g_groups[i]);
        if (left >= 0)
            room = room < 0 ? left : qMin(room, left);
    }
    return room;
#else
    return -1;
#endif
}

Growth::Growth()
{
    if (g_ceiling.load() >= 0)
        return;
    m_free = freeMemory();
    m_resident = residentBytes();
    m_room = m_free;
}

bool Growth::holds(qint64 bytes)
{
    if (bytes <= 0 || m_free < 0 || g_ceiling.load() >= 0)
        return true;
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_held = saturatedSum(m_held, bytes);
    if (m_held <= m_room / 4)
        return true;
    look();
    m_held = bytes <= m_room ? bytes : 0;
    return bytes <= m_room;
}

void Growth::take(qint64 bytes)
{
    if (!holds(bytes))
        throw std::bad_alloc();
}

void Growth::look()
{
    // What the process took since the start is no longer free, whether or
    // not the machine's figure shows it yet.
    const qint64 resident = residentBytes();
    const qint64 grown = m_resident >= 0 && resident > m_resident ? resident - m_resident : 0;
    m_room = qMax<qint64>(0, m_free - grown);
    const qint64 now = freeMemory();
    if (now >= 0)
        m_room = qMin(m_room, now);
}

bool machineHolds(qint64 bytes)
{
    // Beyond what the machine has free the kernel would take it from other
    // programs and then end one, likely this one.
    const qint64 free = bytes > 0 ? freeMemory() : -1;
    return free < 0 || bytes <= free;
}

bool available(qint64 bytes, qint64 mappedAlready)
{
    if (bytes <= 0)
        return true;
    const qint64 ceiling = g_ceiling.load();
    if (ceiling >= 0 && bytes > ceiling)
        return false;
    if (ceiling < 0 && !machineHolds(bytes))
        return false;
#if defined(Q_OS_UNIX)
    const qint64 unmapped = bytes - qBound<qint64>(0, mappedAlready, bytes);
    if (quint64(unmapped) > std::numeric_limits<size_t>::max())
        return false;
    if (unmapped == 0)
        return true;
    // Mapping is enough: the limit and the accounting are checked here.
    // Touching the pages would only take time and real memory.
    void *mapped = ::mmap(nullptr, size_t(unmapped), PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return false;
    ::munmap(mapped, size_t(unmapped));
#endif
    return true;
}

qint64 threadStackBytes()
{
    qint64 bytes = qint64(8) << 20;
#if defined(Q_OS_UNIX)
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) == 0) {
        size_t size = 0;
        if (pthread_attr_getstacksize(&attributes, &size) == 0 && size > 0)
            bytes = qint64(size);
        pthread_attr_destroy(&attributes);
    }
#endif
    return bytes;
}

bool addressSpaceLimited()
{
#if defined(Q_OS_UNIX)
    rlimit limit{};
    return ::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
#else
    return false;
#endif
}

void shareHeapUnderLimit()
{
#if defined(__GLIBC__)
    // glibc reads the bound when it would make a heap for a thread; heaps
    // made before keep theirs. A sanitizer's allocator ignores the call.
    if (addressSpaceLimited())
        mallopt(M_ARENA_MAX, 1);
#endif
}

void setCeiling(qint64 bytes)
{
    g_ceiling.store(bytes);
}

void setSystemRoot(const char *path)
{
#if defined(Q_OS_LINUX)
    const std::lock_guard<std::mutex> lock(g_systemMutex);
    std::snprintf(g_root, kPath, "%s", path ? path : "");
    g_groupsFound = false;
#else
    Q_UNUSED(path);
#endif
}

} // namespace memoryroom
