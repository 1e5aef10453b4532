#pragma once

// The system's fsync as a test sees it: the files it syncs, and a disk that
// fails once the bytes are flushed to it. Included by one source of a test.

#include <cerrno>
#include <vector>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace syncs {
inline std::vector<ino_t> synced; // the files synced, in order
inline int failWith = 0; // the error every sync meets; 0: none
} // namespace syncs

extern "C" int fsync(int fd)
{
    struct stat file;
    if (::fstat(fd, &file) == 0)
        syncs::synced.push_back(file.st_ino);
    if (syncs::failWith) {
        errno = syncs::failWith;
        return -1;
    }
    return int(::syscall(SYS_fsync, fd));
}
