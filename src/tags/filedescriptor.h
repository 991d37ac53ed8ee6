#pragma once
// An open POSIX file descriptor closed on every way out, and the whole-buffer
// reads and writes that the tag code needs (retrying short transfers and
// interrupted calls).

#include <cstddef>
#include <cstdint>

class FileDescriptor final {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and reports whether closing succeeded: a deferred write
    // error can show up only here.
    bool close();

private:
    int m_fd;
};

// Reads exactly `size` bytes at `offset`; false on an error or an early end.
bool ReadAt(int fd, void* buffer, std::size_t size, std::int64_t offset);
// Writes all `size` bytes at the current position; false on an error.
bool WriteAll(int fd, const void* data, std::size_t size);
