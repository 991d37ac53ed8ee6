#include "filebytes.h"

#include "filedescriptor.h"

#include <algorithm>

FileBytes::FileBytes(int fd, std::int64_t size)
    : m_fd(fd)
    , m_size(size)
{
}

bool FileBytes::at(std::int64_t offset, std::size_t wanted, std::string_view& bytes)
{
    if (offset < 0)
        offset = 0;
    const auto rest = static_cast<std::size_t>(std::max<std::int64_t>(0, m_size - offset));
    const std::size_t need = std::min(wanted, rest);
    const bool held = offset >= m_offset
        && offset - m_offset + static_cast<std::int64_t>(need) <= static_cast<std::int64_t>(m_data.size());
    if (!held) {
        const std::size_t length = std::min(std::max(wanted, kMinRead), rest);
        m_data.resize(length);
        if (length > 0 && !ReadAt(m_fd, m_data.data(), length, offset)) {
            m_data.clear();
            m_offset = 0;
            return false;
        }
        m_offset = offset;
    }
    bytes = std::string_view(m_data).substr(static_cast<std::size_t>(offset - m_offset));
    return true;
}
