#include "temporaryfile.h"

#include "renamenoreplace.h"

#include <cerrno>
#include <cstdint>
#include <chrono>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::string_view kSuffixStart = "~";
constexpr std::size_t kRandomChars = 6;
constexpr unsigned kNameAttempts = 100;

// A name limit the file system does not state is taken as Linux's usual one.
std::size_t nameLimit(int dirFd)
{
    const long limit = ::fpathconf(dirFd, _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : 255;
}

// The first bytes of a name that fit in `room`, not cut inside a UTF-8
// character.
std::string_view fittingPrefix(std::string_view name, std::size_t room)
{
    if (name.size() <= room)
        return name;
    std::size_t end = room;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    return name.substr(0, end);
}

bool unsupported(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

// An unnamed file can be named by its descriptor with a privilege, or
// through /proc where /proc is mounted.
bool canNameUnnamedFiles()
{
    return ::geteuid() == 0 || ::access("/proc/self/fd", F_OK) == 0;
}

}  // namespace

TemporaryFile::TemporaryFile(int dirFd, std::string_view baseName, mode_t mode)
    : m_dirFd(dirFd)
{
    const std::size_t suffix = kSuffixStart.size() + kRandomChars;
    const std::size_t limit = nameLimit(dirFd);
    const std::size_t room = limit > suffix ? limit - suffix : 1;
    m_base = std::string(fittingPrefix(baseName, room)) + std::string(kSuffixStart);
    if (canNameUnnamedFiles()) {
        m_fd = ::openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        if (m_fd >= 0 || !unsupported(errno))
            return;
    }
    // No unnamed files here: a named one it is.
    for (unsigned i = 0; i < kNameAttempts && m_fd < 0; ++i) {
        std::string name = nextName();
        m_fd = ::openat(dirFd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (m_fd >= 0)
            m_name = std::move(name);
        else if (errno != EEXIST)
            return;
    }
}

TemporaryFile::~TemporaryFile()
{
    if (!m_name.empty() && !m_keep)
        ::unlinkat(m_dirFd, m_name.c_str(), 0);
    if (m_fd >= 0)
        ::close(m_fd);
}

std::string TemporaryFile::nextName()
{
    static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::uint64_t seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())
        ^ (static_cast<std::uint64_t>(::getpid()) << 32) ^ (std::uint64_t(++m_attempt) * 0x9E3779B97F4A7C15ull);
    std::string name = m_base;
    for (std::size_t i = 0; i < kRandomChars; ++i) {
        seed ^= seed >> 33;
        seed *= 0xFF51AFD7ED558CCDull;
        seed ^= seed >> 29;
        name += kChars[seed % (sizeof kChars - 1)];
    }
    return name;
}

bool TemporaryFile::linkUnnamed(const std::string& name) const
{
    // Naming an unnamed file by its descriptor needs a privilege; going
    // through /proc works for everyone where /proc is mounted.
    if (::linkat(m_fd, "", m_dirFd, name.c_str(), AT_EMPTY_PATH) == 0)
        return true;
    if (errno != ENOENT && errno != EPERM && errno != EINVAL)
        return false;
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", m_fd);
    return ::linkat(AT_FDCWD, procPath, m_dirFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

bool TemporaryFile::link()
{
    if (!m_name.empty())
        return true;
    for (unsigned i = 0; i < kNameAttempts; ++i) {
        std::string name = nextName();
        if (linkUnnamed(name)) {
            m_name = std::move(name);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    errno = EEXIST;
    return false;
}

bool TemporaryFile::linkAs(const std::string& name)
{
    if (!m_name.empty()) {
        errno = EEXIST;
        return false;
    }
    if (!linkUnnamed(name))
        return false;
    m_name = name;
    return true;
}

bool TemporaryFile::renameOver(std::string_view target)
{
    if (::renameat(m_dirFd, m_name.c_str(), m_dirFd, std::string(target).c_str()) != 0)
        return false;
    m_name.clear();
    return true;
}

bool TemporaryFile::renameNoReplace(std::string_view target)
{
    const std::string name(target);
    if (m_name.empty())
        return linkUnnamed(name);
    if (!RenameNoReplace(m_name, name, m_dirFd))
        return false;
    m_name.clear();
    return true;
}

bool TemporaryFile::close()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd < 0 || ::close(fd) == 0;
}

bool TemporaryFile::remove()
{
    if (m_name.empty())
        return true;
    if (::unlinkat(m_dirFd, m_name.c_str(), 0) != 0)
        return false;
    m_name.clear();
    return true;
}
