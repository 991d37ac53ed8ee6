#include "checksum.h"

std::uint64_t Checksum64(std::string_view bytes)
{
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3ull;
    }
    // Folded once more, so that short records differing in one byte differ
    // in many bits.
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 33;
    return hash;
}
