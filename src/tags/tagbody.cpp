#include "tagbody.h"

#include "filedescriptor.h"

#include <cerrno>

namespace {

constexpr std::int64_t kTagHeaderSize = 10;

}  // namespace

std::string UndoUnsynchronisation(std::string_view data)
{
    std::string out;
    out.reserve(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        out += data[i];
        if (static_cast<unsigned char>(data[i]) == 0xFF && i + 1 < data.size() && data[i + 1] == '\0')
            ++i;
    }
    return out;
}

TagBody::TagBody(int fd, std::int64_t length, bool inMemory)
    : m_fd(fd), m_size(length), m_inMemory(inMemory)
{
    if (m_inMemory) {
        m_data.resize(static_cast<std::size_t>(length));
        errno = 0;
        if (!ReadAt(fd, m_data.data(), m_data.size(), kTagHeaderSize)) {
            m_failed = true;
            m_error = errno;
        }
    }
}

TagBody::TagBody(std::string bytes)
    : m_size(static_cast<std::int64_t>(bytes.size())), m_data(std::move(bytes))
{
}

void TagBody::undoUnsynchronisation()
{
    m_data = UndoUnsynchronisation(m_data);
    m_size = static_cast<std::int64_t>(m_data.size());
    m_unsynchronised = true;
}

std::optional<std::int64_t> TagBody::fileOffset(std::int64_t pos) const
{
    if (m_fd < 0 || m_unsynchronised)
        return std::nullopt;
    return kTagHeaderSize + pos;
}

bool TagBody::read(std::int64_t pos, std::size_t len, std::string& out) const
{
    if (m_failed || pos < 0 || pos > m_size || static_cast<std::int64_t>(len) > m_size - pos)
        return false;
    if (m_inMemory) {
        out.assign(m_data, static_cast<std::size_t>(pos), len);
        return true;
    }
    out.resize(len);
    errno = 0;
    if (!ReadAt(m_fd, out.data(), len, kTagHeaderSize + pos)) {
        m_failed = true;
        m_error = errno;
    }
    return !m_failed;
}
