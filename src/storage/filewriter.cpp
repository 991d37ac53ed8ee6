#include "filewriter.h"

#include "filedescriptor.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;

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
    return CopySparseRange(m_from, offset, m_to, length);
}

bool FileWriter::finish()
{
    if (!flush())
        return false;
    const off_t end = ::lseek(m_to, 0, SEEK_CUR);
    struct stat st {};
    if (end < 0 || ::fstat(m_to, &st) != 0)
        return false;
    return end <= st.st_size || ::ftruncate(m_to, end) == 0;
}
