#include "filewriter.h"

#include "filedescriptor.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <unistd.h>

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;
constexpr std::size_t kCopyBufferSize = 1 << 20;

}  // namespace

bool FileWriter::write(std::string_view bytes)
{
    m_size += static_cast<std::int64_t>(bytes.size());
    if (m_buffer.size() + bytes.size() > kBufferSize) {
        if (!flush())
            return false;
        if (bytes.size() >= kBufferSize)
            return WriteAll(m_to, bytes.data(), bytes.size());
    }
    m_buffer += bytes;
    return true;
}

bool FileWriter::flush()
{
    const bool ok = WriteAll(m_to, m_buffer.data(), m_buffer.size());
    m_buffer.clear();
    return ok;
}

bool FileWriter::copy(std::int64_t offset, std::int64_t length)
{
    if (length <= 0)
        return true;
    if (!flush())
        return false;
    m_size += length;
    loff_t in = offset;
    bool kernelCopy = true;
    while (length > 0 && kernelCopy) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::int64_t>(length, 1 << 30));
        const ssize_t n = ::copy_file_range(m_from, &in, m_to, nullptr, chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
            kernelCopy = false;
        } else if (n <= 0) {
            if (n == 0)
                errno = EIO;  // the file shrank under us
            return false;
        } else {
            length -= n;
        }
    }
    if (length <= 0)
        return true;
    std::vector<char> buffer(kCopyBufferSize);
    while (length > 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::int64_t>(length, kCopyBufferSize));
        const ssize_t n = ::pread(m_from, buffer.data(), chunk, in);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = EIO;  // the file shrank under us
        if (n <= 0 || !WriteAll(m_to, buffer.data(), static_cast<std::size_t>(n)))
            return false;
        in += n;
        length -= n;
    }
    return true;
}
