#pragma once
// Writes a new file's content in order: bytes from memory, through a buffer,
// and ranges of another file, in the kernel where the file systems allow it.
// On failure errno holds the reason.

#include <cstdint>
#include <string>
#include <string_view>

class FileWriter final {
public:
    // Writes to `to` from its current position; ranges come from `from`.
    FileWriter(int to, int from) : m_to(to), m_from(from) {}

    bool write(std::string_view bytes);
    // Appends `length` bytes of `from` starting at `offset`; fails when
    // `from` ends before them. Holes of `from` stay holes.
    bool copy(std::int64_t offset, std::int64_t length);
    // Writes what is still buffered.
    bool flush();
    // Writes what is still buffered and gives the file its full size, also
    // where it ends in a hole.
    bool finish();
    // Bytes handed to the writer so far.
    std::int64_t size() const { return m_size; }

private:
    int m_to;
    int m_from;
    std::string m_buffer;
    std::int64_t m_size = 0;
};
