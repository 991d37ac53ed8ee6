#include "pagefiles.h"

#include "filedescriptor.h"
#include "tagerror.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string WriteUserFile(const std::string& path, const std::string& data)
{
    errno = 0;
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK;
    FileDescriptor file(::open(path.c_str(), flags | O_EXCL, 0666));
    const bool created = file.valid();
    if (!created && errno == EEXIST) {
        // Only a regular file is replaced; a FIFO, socket or device is refused.
        struct stat st {};
        const int reason = ::stat(path.c_str(), &st) == 0 ? NotRegularReason(st.st_mode) : 0;
        if (reason != 0)
            errno = reason;
        else
            file = FileDescriptor(::open(path.c_str(), flags | O_TRUNC, 0666));
    }
    if (file.valid() && WriteAll(file.get(), data.data(), data.size()) && file.close())
        return {};
    const int error = errno != 0 ? errno : EIO;
    if (created)
        ::unlink(path.c_str());
    return SystemErrorText(error);
}

std::string ReadUserFile(const std::string& path, std::size_t limit, std::string& data)
{
    data.clear();
    errno = 0;
    const FileDescriptor file = OpenRegularFile(path, O_RDONLY);
    struct stat st {};
    if (!file.valid() || ::fstat(file.get(), &st) != 0)
        return SystemErrorText(errno != 0 ? errno : EIO);
    // A larger file is read only as far as the caller's check needs to refuse it.
    data.resize(std::min<std::uint64_t>(static_cast<std::uint64_t>(st.st_size), limit + 1));
    errno = 0;
    if (!ReadAt(file.get(), data.data(), data.size(), 0))
        return SystemErrorText(errno != 0 ? errno : EIO);
    return {};
}
