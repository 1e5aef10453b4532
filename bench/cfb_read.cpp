// Opens a compound file, lists every stream under every storage and reads
// each once, then prints one figure per line:
//   result R           the open result
//   open_ms X
//   streams N
//   bytes B            stream bytes read
//   read_mb_per_s Y
// cfb_read FILE --cat PATH writes one stream's bytes to standard output and
// nothing else.

#include "benchenv.h"
#include "cfbstorage.h"
#include "cfbstream.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char **argv)
{
    disableUpdateCheck();
    if (argc < 2) {
        std::fprintf(stderr, "usage: cfb_read FILE [--cat PATH]\n");
        return 2;
    }
    using Clock = std::chrono::steady_clock;
    std::vector<unsigned char> buf(1 << 20);
    cfb::Storage storage(argv[1]);

    if (argc >= 4 && std::strcmp(argv[2], "--cat") == 0) {
        if (!storage.open())
            return 1;
        cfb::Stream stream(&storage, argv[3]);
        if (!stream.isOpen())
            return 1;
        unsigned long long n;
        while ((n = stream.read(buf.data(), buf.size())) > 0) {
            if (std::fwrite(buf.data(), 1, n, stdout) != n)
                return 1;
        }
        return 0;
    }

    const auto t0 = Clock::now();
    storage.open();
    const auto t1 = Clock::now();
    unsigned long long streams = 0, bytes = 0;
    for (const std::string &path : storage.GetAllStreams("/")) {
        cfb::Stream stream(&storage, path);
        unsigned long long n;
        while ((n = stream.read(buf.data(), buf.size())) > 0)
            bytes += n;
        ++streams;
    }
    const auto t2 = Clock::now();
    const double openMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
    const double readS = std::chrono::duration<double>(t2 - t1).count();
    std::printf("result %d\n", storage.result());
    std::printf("open_ms %.1f\n", openMs);
    std::printf("streams %llu\n", streams);
    std::printf("bytes %llu\n", bytes);
    std::printf("read_mb_per_s %.0f\n", readS > 0 ? bytes / 1048576.0 / readS : 0.0);
    return 0;
}
