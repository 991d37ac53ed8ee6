#include "fileidentity.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include <sys/xattr.h>
#include <unistd.h>

namespace {

// Calls `query(buffer, size)` until the buffer is large enough; false on an
// error. A file system without extended attributes gives an empty result.
template <typename Query>
bool readSized(std::string& out, Query query)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = query(nullptr, 0);
        if (size < 0) {
            out.clear();
            return errno == ENOTSUP;
        }
        out.resize(static_cast<std::size_t>(size));
        const ssize_t got = query(out.data(), out.size());
        if (got >= 0) {
            out.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE)
            return false;  // it grew meanwhile: ask again
    }
    return false;
}

bool attributeNames(int fd, std::vector<std::string>& names)
{
    std::string list;
    if (!readSized(list, [fd](char* buffer, std::size_t size) { return ::flistxattr(fd, buffer, size); }))
        return false;
    names.clear();
    for (std::size_t pos = 0; pos < list.size();) {
        const std::size_t end = list.find('\0', pos);
        const std::size_t stop = end == std::string::npos ? list.size() : end;
        if (stop > pos)
            names.push_back(list.substr(pos, stop - pos));
        pos = stop + 1;
    }
    return true;
}

bool copyAttributes(int from, int to)
{
    std::vector<std::string> wanted;
    std::vector<std::string> present;
    if (!attributeNames(from, wanted) || !attributeNames(to, present))
        return false;
    for (const std::string& name : wanted) {
        std::string value;
        if (!readSized(value, [&](char* buffer, std::size_t size) {
                return ::fgetxattr(from, name.c_str(), buffer, size);
            }))
            return false;
        if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0)
            return false;
    }
    for (const std::string& name : present)
        if (std::find(wanted.begin(), wanted.end(), name) == wanted.end()
            && ::fremovexattr(to, name.c_str()) != 0 && errno != ENODATA)
            return false;
    return true;
}

}  // namespace

bool ReplacementCanKeepIdentity(const struct stat& original)
{
    const uid_t user = ::geteuid();
    return original.st_nlink == 1 && (user == 0 || user == original.st_uid);
}

bool CopyIdentity(int from, const struct stat& original, int to)
{
    struct stat now {};
    if (::fstat(to, &now) != 0)
        return false;
    // The owner first: changing it clears the set-user-ID and set-group-ID bits.
    if ((now.st_uid != original.st_uid || now.st_gid != original.st_gid)
        && ::fchown(to, original.st_uid, original.st_gid) != 0)
        return false;
    if (!copyAttributes(from, to))
        return false;
    return ::fchmod(to, original.st_mode & 07777) == 0;
}

bool RestoreModificationTime(int fd, const struct stat& original)
{
    const struct timespec times[2] = {{0, UTIME_OMIT}, original.st_mtim};
    return ::futimens(fd, times) == 0;
}
