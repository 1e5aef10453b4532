// Makes compound files for the reading benchmark and the fuzz seeds:
//   cfb_gen FILE [MB]      a file of MB megabytes (200 by default) written by
//                          the cfb writer: 10,000 big and 2,000 small streams
//                          in storages two levels deep, 512-byte blocks
//   cfb_gen --hostile DIR  broken files (cycles, huge counts, cut files) and
//                          a valid one with 100,000 streams in one sibling chain
//   cfb_gen --seeds DIR    small sound and broken files for the fuzz corpus

#include "benchenv.h"
#include "cfbfixture.h"
#include "cfbstorage.h"
#include "cfbstream.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> pattern(size_t n, unsigned seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t(i * 31 + seed * 7);
    return v;
}

int generate(const char *file, double megabytes)
{
    cfb::Storage storage(file);
    if (!storage.open(true, true))
        return 1;
    const int bigCount = 10000, smallCount = 2000;
    // Big streams average the size that brings the file to the target.
    const double smallAvg = 2000;
    const double bigAvg = (megabytes * 1048576.0 - smallCount * smallAvg) / bigCount;
    std::vector<unsigned char> data(size_t(bigAvg * 2) + 8192);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(i * 131 + (i >> 9));
    unsigned long long total = 0;
    int bigMade = 0, smallMade = 0;
    for (int s = 0; s < 10; ++s) {
        for (int t = 0; t < 10; ++t) {
            const std::string dir = "/Storage " + std::to_string(s) + "/Sub " + std::to_string(t);
            for (int k = 0; k < 120; ++k) {
                const bool big = k % 6 != 5;
                size_t size;
                if (big) {
                    // Sizes spread from half to one and a half times the average.
                    size = size_t(bigAvg * (0.5 + (bigMade * 7919 % 1000) / 1000.0));
                    size = std::max<size_t>(size, 4096);
                    ++bigMade;
                } else {
                    size = 100 + size_t(smallMade * 104729 % 3800);
                    ++smallMade;
                }
                cfb::Stream stream(&storage, dir + "/Stream " + std::to_string(k), true, 0);
                if (stream.write(data.data() + k, size) != size)
                    return 1;
                total += size;
            }
        }
    }
    if (!storage.flush())
        return 1;
    std::printf("streams %d bytes %llu\n", bigMade + smallMade, total);
    return 0;
}

bool save(const cfbfixture::Image &img, const std::string &dir, const char *name)
{
    const bool ok = img.writeTo(dir + "/" + name);
    if (!ok)
        std::fprintf(stderr, "cannot write %s/%s\n", dir.c_str(), name);
    return ok;
}

cfbfixture::Builder small()
{
    cfbfixture::Builder b;
    b.addStream("\x01" "CompObj", pattern(90, 1));
    b.addStream("   114/Props", pattern(300, 2));
    b.addStream("   114/TBkndTask/Var2Data", pattern(5000, 3));
    b.addStream("   114/TBkndTask/FixedMeta", pattern(64, 4));
    b.addStorage("   114/Empty");
    return b;
}

int hostile(const std::string &dir)
{
    bool ok = true;
    {
        cfbfixture::Image i = small().build();
        const uint32_t first = i.startBlock.at("   114/TBkndTask/Var2Data");
        i.set32(i.batEntryOffset(first + 5), first);
        ok &= save(i, dir, "cyclic_fat.cfb");
    }
    {
        cfbfixture::Builder b = small();
        b.setMinBatBlocks(240);
        cfbfixture::Image i = b.build();
        const uint32_t m = i.metaBatBlocks.at(0);
        i.set32(i.blockOffset(m) + 508, m);
        i.set32(cfbfixture::NumBat, 250);
        i.set32(cfbfixture::NumMbat, 200);
        ok &= save(i, dir, "cyclic_metabat.cfb");
    }
    {
        cfbfixture::Image i = small().build();
        i.set32(i.entryField("   114/Props", cfbfixture::Next), i.entryIndex.at("   114"));
        i.set32(i.entryField("   114", cfbfixture::Prev), i.entryIndex.at("   114/Props"));
        i.set32(i.entryField("   114/TBkndTask", cfbfixture::Next),
                i.entryIndex.at("   114/TBkndTask"));
        ok &= save(i, dir, "sibling_cycle.cfb");
    }
    {
        cfbfixture::Image i = small().build();
        i.set32(cfbfixture::NumBat, 0xFFFFFFFF);
        i.truncate(2048);
        ok &= save(i, dir, "num_bat_huge.cfb");
    }
    {
        cfbfixture::Image i = small().build();
        i.set16(cfbfixture::BShift, 30);
        ok &= save(i, dir, "b_shift_30.cfb");
    }
    {
        cfbfixture::Image i = small().build();
        i.set32(cfbfixture::DirentStart, cfbfixture::kEnd);
        ok &= save(i, dir, "empty_directory.cfb");
    }
    {
        cfbfixture::Image i = small().build();
        i.truncate(i.blockOffset(i.startBlock.at("   114/TBkndTask/Var2Data")) + 1500);
        ok &= save(i, dir, "cut_in_chain.cfb");
    }
    {
        cfbfixture::Image i = small().build();
        i.set32(i.entryField("   114/Props", cfbfixture::Size), 0xFFFFFFFF);
        ok &= save(i, dir, "huge_stream_size.cfb");
    }
    {
        cfbfixture::Builder b;
        b.setSiblings(cfbfixture::Siblings::Chain);
        for (int k = 0; k < 100000; ++k)
            b.addStream("chain/" + std::to_string(k), pattern(4, unsigned(k)));
        ok &= save(b.build(), dir, "sibling_chain_100000.cfb");
    }
    return ok ? 0 : 1;
}

int seeds(const std::string &dir)
{
    bool ok = save(small().build(), dir, "sample.cfb");
    cfbfixture::Builder b;
    b.setSiblings(cfbfixture::Siblings::CaseInsensitive);
    for (const char *n : { "abc", "ABD", "b", "B", "Zz" })
        b.addStream(std::string("d/") + n, pattern(20, 3));
    ok &= save(b.build(), dir, "case_insensitive.cfb");
    cfbfixture::Builder c;
    c.setSiblings(cfbfixture::Siblings::Chain);
    for (int k = 0; k < 20; ++k)
        c.addStream("s/" + std::to_string(k), pattern(size_t(k * 250 % 4500), unsigned(k)));
    ok &= save(c.build(), dir, "chain.cfb");
    cfbfixture::Image i = small().build();
    const uint32_t first = i.startBlock.at("   114/TBkndTask/Var2Data");
    i.set32(i.batEntryOffset(first + 5), first);
    ok &= save(i, dir, "cyclic_fat.cfb");
    // One file from the cfb writer itself.
    const std::string own = dir + "/own_writer.cfb";
    cfb::Storage s(own.c_str());
    if (s.open(true, true)) {
        cfb::Stream a(&s, "/a/b/small", true);
        const std::vector<uint8_t> p = pattern(1000, 5);
        a.write(p.data(), p.size());
        cfb::Stream big(&s, "/a/big", true);
        const std::vector<uint8_t> q = pattern(6000, 6);
        big.write(q.data(), q.size());
        ok &= s.flush();
    }
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    disableUpdateCheck();
    if (argc >= 3 && std::strcmp(argv[1], "--hostile") == 0)
        return hostile(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "--seeds") == 0)
        return seeds(argv[2]);
    if (argc >= 2 && argv[1][0] != '-')
        return generate(argv[1], argc >= 3 ? std::atof(argv[2]) : 200.0);
    std::fprintf(stderr, "usage: cfb_gen FILE [MB] | --hostile DIR | --seeds DIR\n");
    return 2;
}
