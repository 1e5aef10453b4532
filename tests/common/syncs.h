#pragma once

// fsync as a test sees it: the files synced, and a disk that fails once
// flushed to. Included by one source of a test.

#include <cerrno>
#include <functional>
#include <vector>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace syncs {
inline std::vector<ino_t> synced;
inline int failWith = 0; // the error every sync meets; 0: none
inline std::function<void()> during; // another's change as the next sync begins
} // namespace syncs

extern "C" int fsync(int fd)
{
    struct stat file;
    if (::fstat(fd, &file) == 0)
        syncs::synced.push_back(file.st_ino);
    if (syncs::during)
        std::exchange(syncs::during, nullptr)();
    errno = syncs::failWith;
    return syncs::failWith ? -1 : int(::syscall(SYS_fsync, fd));
}
