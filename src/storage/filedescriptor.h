#pragma once
// An open POSIX file descriptor closed on every way out, the whole-buffer
// reads, writes and copies that the file code needs (retrying short
// transfers and interrupted calls), and the folders new files are put in.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

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

// Opens the file `path` with `flags` (O_RDONLY, O_RDWR, ...), never
// blocking in the open (O_NONBLOCK, O_CLOEXEC: a FIFO named like a song must
// not hang the program), and keeps it only when fstat finds a regular file
// (the flag O_NONBLOCK is cleared again then). Otherwise the descriptor is
// invalid and errno says why: EISDIR for a folder, kNotRegularFile (see
// systemerror.h) for a FIFO, socket or device.
FileDescriptor OpenRegularFile(const std::string& path, int flags);
// The reason `st` is no regular file: 0 for a regular file, EISDIR for a
// folder, kNotRegularFile for anything else.
int NotRegularReason(unsigned int mode);
// The same for the file at `path` as it is now, a final link followed: 0
// for a regular file and for a dangling link (a link is moved or renamed as
// itself), otherwise the errno of stat (ENOENT: it vanished), EISDIR or
// kNotRegularFile.
int NotRegularReason(const std::string& path);

// Reads exactly `size` bytes at `offset`; false on an error or an early end.
bool ReadAt(int fd, void* buffer, std::size_t size, std::int64_t offset);
// Writes all `size` bytes at the current position; false on an error.
bool WriteAll(int fd, const void* data, std::size_t size);
// Writes all `size` bytes at `offset` (the position stays); false on an error.
bool WriteAllAt(int fd, const void* data, std::size_t size, std::int64_t offset);
inline bool WriteAllAt(int fd, std::string_view bytes, std::int64_t offset)
{
    return WriteAllAt(fd, bytes.data(), bytes.size(), offset);
}
// Creates the folder and the folders above it that are missing, for the
// user only; false with errno set when one cannot be made.
bool MakeFolders(const std::string& folder);
// Copies `length` bytes of `from` starting at `offset` to the current position
// of `to`: in-kernel where the file systems allow it, through a buffer
// otherwise. `afterChunk`, when given, runs after each chunk of a few
// megabytes. False with errno set on an error; a source that ends early is EIO.
bool CopyRange(int from, std::int64_t offset, int to, std::int64_t length,
               const std::function<void()>& afterChunk = {});

// As CopyRange, but the holes of `from` (SEEK_HOLE) are skipped: the
// position of `to` moves past them without writing, so that they stay holes
// (FileWriter::finish gives a file that ends in one its size).
bool CopySparseRange(int from, std::int64_t offset, int to, std::int64_t length);

// Opens the folder `path` ("." when empty) to create and rename files in: for
// reading, or only as a path where it may be entered and written but not
// listed. Check valid(); errno says why not.
FileDescriptor OpenFolder(const std::string& path);
// Flushes the folder's entries to disk. A folder that could be opened only as
// a path cannot be flushed; that is left to the system. False with errno set
// on an error.
bool FlushFolder(int dirFd);
