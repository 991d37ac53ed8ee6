#include "tagbody.h"

#include "filedescriptor.h"

#include <cerrno>

namespace {

constexpr std::int64_t kTagHeaderSize = 10;
// Bytes read ahead when the body is read on demand.
constexpr std::size_t kWindowSize = 4096;

}  // namespace

std::string UndoUnsynchronisation(std::string_view data)
{
    std::string out;
    out.reserve(data.size());
    std::size_t from = 0;
    for (std::size_t pos = data.find('\xFF'); pos != std::string_view::npos; pos = data.find('\xFF', pos + 1)) {
        if (pos + 1 < data.size() && data[pos + 1] == '\0') {
            out.append(data, from, pos + 1 - from);
            from = pos + 2;
            ++pos;
        }
    }
    out.append(data, from);
    return out;
}

TagBody::TagBody(int fd, std::int64_t length, bool inMemory) : m_fd(fd), m_size(length)
{
    if (inMemory) {
        m_read = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(length));
        m_memory = m_read.get();
        readFile(m_read.get(), static_cast<std::size_t>(length), 0);
    } else {
        m_window = std::make_unique_for_overwrite<char[]>(kWindowSize);
    }
}

TagBody::TagBody(std::string bytes)
    : m_size(static_cast<std::int64_t>(bytes.size())), m_given(std::move(bytes)), m_memory(m_given.data())
{
}

bool TagBody::readFile(char* buffer, std::size_t len, std::int64_t pos) const
{
    errno = 0;
    if (!ReadAt(m_fd, buffer, len, kTagHeaderSize + pos)) {
        m_failed = true;
        m_error = errno;
    }
    return !m_failed;
}

void TagBody::undoUnsynchronisation()
{
    m_given = UndoUnsynchronisation(std::string_view(m_memory, static_cast<std::size_t>(m_size)));
    m_read.reset();
    m_memory = m_given.data();
    m_size = static_cast<std::int64_t>(m_given.size());
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
    if (m_memory) {
        out.assign(m_memory + pos, len);
        return true;
    }
    const bool inWindow = pos >= m_windowStart
        && pos + static_cast<std::int64_t>(len) <= m_windowStart + static_cast<std::int64_t>(m_windowLength);
    if (!inWindow && len <= kWindowSize / 2) {
        m_windowStart = pos;
        m_windowLength = static_cast<std::size_t>(std::min<std::int64_t>(kWindowSize, m_size - pos));
        if (!readFile(m_window.get(), m_windowLength, pos)) {
            m_windowLength = 0;
            return false;
        }
    } else if (!inWindow) {
        out.resize(len);
        return readFile(out.data(), len, pos);
    }
    out.assign(m_window.get() + (pos - m_windowStart), len);
    return true;
}
