#pragma once
// A 64-bit checksum of bytes (FNV-1a), so that a journal record damaged on
// disk is told apart from a sound one before anything is written from it.

#include <cstdint>
#include <string_view>

std::uint64_t Checksum64(std::string_view bytes);

// The checksum as SQLite stores integers.
inline std::int64_t SignedChecksum64(std::string_view bytes)
{
    return static_cast<std::int64_t>(Checksum64(bytes));
}
