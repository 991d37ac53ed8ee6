#pragma once
// The bytes of an open file from a given offset on, read with positioned
// reads as far as they are wanted and kept, so that a reader looking at the
// same region twice reads it once.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class FileBytes final {
public:
    // Every read takes at least this many bytes (what is left of the file permitting).
    static constexpr std::size_t kMinRead = 4096;

    FileBytes(int fd, std::int64_t size);

    int fd() const { return m_fd; }
    std::int64_t size() const { return m_size; }
    // At least min(`wanted`, the rest of the file) bytes from `offset`: the
    // bytes read already when they reach that far, else a read of
    // max(`wanted`, kMinRead) bytes there; false when that read fails.
    bool at(std::int64_t offset, std::size_t wanted, std::string_view& bytes);

private:
    int m_fd;
    std::int64_t m_size;
    std::int64_t m_offset = 0;
    std::string m_data;
};
