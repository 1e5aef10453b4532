#pragma once

// The 512-byte header of a compound file: block sizes, table counts and the
// start blocks of the directory, the small-block table and the meta-BAT.

#include <cstdint>

namespace cfb {

// Special values of allocation tables and links.
constexpr uint64_t kFree = 0xFFFFFFFF;     // free block, or no link
constexpr uint64_t kEnd = 0xFFFFFFFE;      // end of a chain
constexpr uint64_t kBatBlock = 0xFFFFFFFD; // a block of the BAT
constexpr uint64_t kMetaBatBlock = 0xFFFFFFFC;
constexpr uint64_t kNoLink = 0xFFFFFFFF;

constexpr unsigned kHeaderSize = 512;
constexpr unsigned kHeaderBatSlots = 109;

class Header
{
public:
    Header();

    // Decodes the first 512 bytes of a file; loading clears the dirty flag.
    void load(const unsigned char *buffer);
    void save(unsigned char *buffer) const;
    // The header test alone: threshold, table counts and block size range.
    bool valid() const;
    void debug() const;

    unsigned char id[8];
    uint64_t b_shift;
    uint64_t s_shift;
    uint64_t num_bat;
    uint64_t dirent_start;
    uint64_t threshold;
    uint64_t sbat_start;
    uint64_t num_sbat;
    uint64_t mbat_start;
    uint64_t num_mbat;
    uint64_t bb_blocks[kHeaderBatSlots];
    bool dirty;
};

extern const unsigned char kMagic[8];

} // namespace cfb
