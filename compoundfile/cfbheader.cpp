#include "cfbheader.h"

#include "cfbendian.h"

#include <algorithm>
#include <cstring>
#include <iostream>

namespace cfb {

const unsigned char kMagic[8] = { 0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1 };

Header::Header()
    : b_shift(9)
    , s_shift(6)
    , num_bat(0)
    , dirent_start(0)
    , threshold(4096)
    , sbat_start(0)
    , num_sbat(0)
    , mbat_start(kEnd)
    , num_mbat(0)
    , dirty(true)
{
    std::memcpy(id, kMagic, sizeof id);
    std::fill(std::begin(bb_blocks), std::end(bb_blocks), kFree);
}

void Header::load(const unsigned char *buffer)
{
    std::memcpy(id, buffer, sizeof id);
    b_shift = readU16(buffer + 0x1E);
    s_shift = readU16(buffer + 0x20);
    num_bat = readU32(buffer + 0x2C);
    dirent_start = readU32(buffer + 0x30);
    threshold = readU32(buffer + 0x38);
    sbat_start = readU32(buffer + 0x3C);
    num_sbat = readU32(buffer + 0x40);
    mbat_start = readU32(buffer + 0x44);
    num_mbat = readU32(buffer + 0x48);
    for (unsigned i = 0; i < kHeaderBatSlots; ++i)
        bb_blocks[i] = readU32(buffer + 0x4C + i * 4);
    dirty = false;
}

void Header::save(unsigned char *buffer) const
{
    std::memset(buffer, 0, kHeaderSize);
    std::memcpy(buffer, kMagic, sizeof kMagic);
    writeU16(buffer + 0x18, 0x003E);
    writeU16(buffer + 0x1A, 3);
    writeU16(buffer + 0x1C, 0xFFFE);
    writeU16(buffer + 0x1E, static_cast<uint32_t>(b_shift));
    writeU16(buffer + 0x20, static_cast<uint32_t>(s_shift));
    writeU32(buffer + 0x2C, num_bat);
    writeU32(buffer + 0x30, dirent_start);
    writeU32(buffer + 0x38, threshold);
    writeU32(buffer + 0x3C, sbat_start);
    writeU32(buffer + 0x40, num_sbat);
    writeU32(buffer + 0x44, mbat_start);
    writeU32(buffer + 0x48, num_mbat);
    for (unsigned i = 0; i < kHeaderBatSlots; ++i)
        writeU32(buffer + 0x4C + i * 4, bb_blocks[i]);
}

bool Header::valid() const
{
    if (threshold != 4096)
        return false;
    if (num_bat == 0)
        return false;
    if (num_bat <= 108 && num_mbat != 0)
        return false;
    if (s_shift > b_shift)
        return false;
    if (b_shift < 7 || b_shift > 30)
        return false;
    return true;
}

void Header::debug() const
{
    std::cout << '\n';
    std::cout << "b_shift " << b_shift << '\n';
    std::cout << "s_shift " << s_shift << '\n';
    std::cout << "num_bat " << num_bat << '\n';
    std::cout << "dirent_start " << dirent_start << '\n';
    std::cout << "threshold " << threshold << '\n';
    std::cout << "sbat_start " << sbat_start << '\n';
    std::cout << "num_sbat " << num_sbat << '\n';
    std::cout << "mbat_start " << mbat_start << '\n';
    std::cout << "num_mbat " << num_mbat << '\n';
    std::cout << "bat blocks: ";
    const uint64_t shown = std::min<uint64_t>(num_bat, kHeaderBatSlots);
    for (uint64_t i = 0; i < shown; ++i)
        std::cout << bb_blocks[i] << ' ';
    std::cout << '\n';
}

} // namespace cfb
