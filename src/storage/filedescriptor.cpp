#include "filedescriptor.h"

#include "systemerror.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FileDescriptor::~FileDescriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

bool FileDescriptor::close()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd < 0 || ::close(fd) == 0;
}

int NotRegularReason(unsigned int mode)
{
    if (S_ISREG(mode))
        return 0;
    return S_ISDIR(mode) ? EISDIR : kNotRegularFile;
}

int NotRegularReason(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return NotRegularReason(st.st_mode);
    const int error = errno;
    if (error == ENOENT && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        return 0;
    return error;
}

FileDescriptor OpenRegularFile(const std::string& path, int flags)
{
    FileDescriptor file(::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC));
    if (!file.valid())
        return file;
    struct stat st {};
    if (::fstat(file.get(), &st) != 0) {
        const int error = errno;
        file = FileDescriptor(-1);
        errno = error;
        return file;
    }
    if (const int reason = NotRegularReason(st.st_mode)) {
        file = FileDescriptor(-1);
        errno = reason;
        return file;
    }
    // A regular file does not block anyway; reads and writes go on as usual.
    if ((flags & O_NONBLOCK) == 0) {
        if (const int status = ::fcntl(file.get(), F_GETFL); status != -1)
            ::fcntl(file.get(), F_SETFL, status & ~O_NONBLOCK); // harmless should it fail
    }
    return file;
}

namespace {

// Repeats a positioned transfer of `size` bytes (`step(done)` moves the
// bytes from `done` on) until all are moved; false at the end of the file
// or on an error other than an interruption.
template <typename Step>
bool WholeTransfer(std::size_t size, const Step& step)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = step(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool ReadAt(int fd, void* buffer, std::size_t size, std::int64_t offset)
{
    auto* out = static_cast<char*>(buffer);
    return WholeTransfer(size, [&](std::size_t done) {
        return ::pread(fd, out + done, size - done, offset + static_cast<std::int64_t>(done));
    });
}

bool WriteAll(int fd, const void* data, std::size_t size)
{
    const auto* in = static_cast<const char*>(data);
    return WholeTransfer(size, [&](std::size_t done) { return ::write(fd, in + done, size - done); });
}

bool WriteAllAt(int fd, const void* data, std::size_t size, std::int64_t offset)
{
    const auto* in = static_cast<const char*>(data);
    return WholeTransfer(size, [&](std::size_t done) {
        return ::pwrite(fd, in + done, size - done, offset + static_cast<std::int64_t>(done));
    });
}

bool MakeFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

bool CopyRange(int from, std::int64_t offset, int to, std::int64_t length,
               const std::function<void()>& afterChunk)
{
    constexpr std::int64_t kChunk = 8 << 20;
    loff_t in = offset;
    bool kernelCopy = true;
    while (length > 0 && kernelCopy) {
        const auto chunk = static_cast<std::size_t>(std::min(length, kChunk));
        const ssize_t n = ::copy_file_range(from, &in, to, nullptr, chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
            kernelCopy = false;
        } else if (n <= 0) {
            if (n == 0)
                errno = EIO; // the file shrank under us
            return false;
        } else {
            length -= n;
            if (afterChunk)
                afterChunk();
        }
    }
    std::vector<char> buffer(length > 0 ? 1 << 20 : 0);
    std::int64_t sinceCallback = 0;
    while (length > 0) {
        const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(length, 1 << 20));
        const ssize_t n = ::pread(from, buffer.data(), chunk, in);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = EIO; // the file shrank under us
        if (n <= 0 || !WriteAll(to, buffer.data(), static_cast<std::size_t>(n)))
            return false;
        in += n;
        length -= n;
        sinceCallback += n;
        if (afterChunk && sinceCallback >= kChunk) {
            sinceCallback = 0;
            afterChunk();
        }
    }
    return true;
}

bool CopySparseRange(int from, std::int64_t offset, int to, std::int64_t length)
{
    const std::int64_t end = offset + length;
    std::int64_t pos = offset;
    while (pos < end) {
        off_t data = ::lseek(from, pos, SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            data = end; // only a hole is left
        else if (data < 0)
            return CopyRange(from, pos, to, end - pos); // no hole information here
        data = std::min<std::int64_t>(data, end);
        if (data > pos) {
            if (::lseek(to, data - pos, SEEK_CUR) < 0)
                return false;
            pos = data;
            continue;
        }
        off_t hole = ::lseek(from, pos, SEEK_HOLE);
        hole = hole < 0 ? end : std::min<std::int64_t>(hole, end);
        if (hole <= pos)
            hole = end;
        if (!CopyRange(from, pos, to, hole - pos))
            return false;
        pos = hole;
    }
    return true;
}

FileDescriptor OpenFolder(const std::string& path)
{
    const char* name = path.empty() ? "." : path.c_str();
    FileDescriptor dir(::open(name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid() && errno == EACCES)
        dir = FileDescriptor(::open(name, O_PATH | O_DIRECTORY | O_CLOEXEC));
    return dir;
}

bool FlushFolder(int dirFd)
{
    return ::fsync(dirFd) == 0 || errno == EBADF || errno == EINVAL;
}
