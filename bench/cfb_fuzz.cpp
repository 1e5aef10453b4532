// libFuzzer target: the input bytes as a compound file; every storage is
// listed and every stream read, by paths and byte-wise.

#include "cfbstorage.h"
#include "cfbstream.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <list>
#include <set>
#include <string>
#include <vector>

namespace {

void listAll(cfb::Storage &s, const std::string &path, int depth)
{
    if (depth > 32)
        return;
    // A storage may hold one name several times (a broken file); each name
    // is followed once, else nested repeats would multiply the walk.
    const std::list<std::string> names = s.entries(path);
    for (const std::string &name : std::set<std::string>(names.begin(), names.end())) {
        const std::string child = path + (path == "/" ? "" : "/") + name;
        if (s.isDirectory(child))
            listAll(s, child, depth + 1);
        else
            s.exists(child);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // One in-memory file, rewritten for every input.
    static const int fd = memfd_create("cfb_fuzz", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0)
        return 0;
    if (size && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        return 0;

    cfb::Storage storage(path.c_str());
    if (!storage.open())
        return 0;
    listAll(storage, "/", 0);
    std::vector<unsigned char> buf(1 << 16);
    for (const std::string &p : storage.GetAllStreams("/")) {
        cfb::Stream stream(&storage, p);
        while (stream.read(buf.data(), buf.size()) > 0) {
        }
        stream.seek(stream.size() > 5000 ? stream.size() - 5000 : 0);
        for (int i = 0; i < 6000 && stream.getch() >= 0; ++i) {
        }
    }
    return 0;
}
