#include "rawtags.h"

#include "filedescriptor.h"
#include "id3v2reader.h"
#include "filesave.h"
#include "tagerror.h"
#include "tmp3tagv1.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::int64_t kV1Size = static_cast<std::int64_t>(Tmp3TagV1::kBlockSize);

// Where the two tags of the open file lie: the ID3v2 tag's size (0 for
// none) and the ID3v1 block's (0 for none), which follows that tag.
struct Layout {
    std::int64_t fileSize = 0;
    std::int64_t v2Size = 0;
    std::int64_t v1Size = 0;
};

bool Locate(int fd, Layout& layout)
{
    id3v2::TagInfo info;
    errno = 0;
    if (!id3v2::ReadTagHeader(fd, info)) {
        // Fewer than 10 bytes: no ID3v2 tag, and no room for an ID3v1 block.
        layout = {info.fileSize, 0, 0};
        return errno == 0;
    }
    layout.fileSize = info.fileSize;
    layout.v2Size = info.hasId3() ? id3v2::TagSizeOf(info) : 0;
    layout.v1Size = 0;
    if (layout.fileSize - layout.v2Size >= kV1Size) {
        char head[3] = {};
        if (!ReadAt(fd, head, 3, layout.fileSize - kV1Size))
            return false;
        layout.v1Size = std::memcmp(head, "TAG", 3) == 0 ? kV1Size : 0;
    }
    return true;
}

// The tags of the open file as they stand.
bool ReadTags(int fd, const Layout& layout, RawTags& tags)
{
    tags.v2.resize(static_cast<std::size_t>(layout.v2Size));
    tags.v1.resize(static_cast<std::size_t>(layout.v1Size));
    return (tags.v2.empty() || ReadAt(fd, tags.v2.data(), tags.v2.size(), 0))
           && (tags.v1.empty() || ReadAt(fd, tags.v1.data(), tags.v1.size(), layout.fileSize - layout.v1Size));
}

bool Fail(std::string& error)
{
    error = SystemErrorText(errno != 0 ? errno : EIO);
    return false;
}

} // namespace

bool ReadRawTags(const std::string& fileName, RawTags& tags, std::int64_t maxBytes, std::string& error)
{
    tags = {};
    errno = 0;
    const FileDescriptor file = OpenRegularFile(fileName, O_RDONLY);
    Layout layout;
    if (!file.valid() || !Locate(file.get(), layout))
        return Fail(error);
    if (layout.v2Size + layout.v1Size > maxBytes) {
        errno = EFBIG;
        return Fail(error);
    }
    return ReadTags(file.get(), layout, tags) || Fail(error);
}

bool WriteRawTags(const std::string& fileName, const RawTags& tags, std::string& error)
{
    errno = 0;
    const FileDescriptor file = OpenRegularFile(fileName, O_RDWR);
    Layout layout;
    RawTags current;
    if (!file.valid() || !Locate(file.get(), layout) || !ReadTags(file.get(), layout, current))
        return Fail(error);
    FileEdit edit;
    edit.frontLength = layout.v2Size;
    edit.front = tags.v2;
    edit.backStart = layout.fileSize - layout.v1Size;
    edit.back = tags.v1;
    return SaveFileEdit(fileName, file.get(), edit, error);
}
