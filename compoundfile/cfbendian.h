#pragma once

// Little-endian field access for the on-disk records.

#include <cstdint>

namespace cfb {

inline uint32_t readU16(const unsigned char *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8);
}

inline uint32_t readU32(const unsigned char *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16)
        | (uint32_t(p[3]) << 24);
}

inline void writeU16(unsigned char *p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

inline void writeU32(unsigned char *p, uint64_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

} // namespace cfb
