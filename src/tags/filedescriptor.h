#pragma once
// An open POSIX file descriptor closed on every way out, and the whole-buffer
// reads, writes and copies that the file code needs (retrying short
// transfers and interrupted calls).

#include <cstddef>
#include <cstdint>
#include <functional>

class FileDescriptor final {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;

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
// Copies `length` bytes of `from` starting at `offset` to the current position
// of `to`: in-kernel where the file systems allow it, through a buffer
// otherwise. `afterChunk`, when given, runs after each chunk of a few
// megabytes. False with errno set on an error; a source that ends early is EIO.
bool CopyRange(int from, std::int64_t offset, int to, std::int64_t length,
               const std::function<void()>& afterChunk = {});
