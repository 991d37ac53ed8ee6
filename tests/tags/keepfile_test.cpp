// A file rewritten for its tag stays the same file (owner, group, extended
// attributes, hard links), long names can be saved, and a save killed
// halfway leaves the original and nothing else.

#include "rawtags.h"
#include "tagerror.h"
#include "tagtestutil.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <zlib.h>

namespace fs = std::filesystem;

namespace {

struct stat StatOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

std::string TitleOf(const std::string& path)
{
    Tmp3TagV2 tag;
    tag.LoadFromFile(path);
    return tag.Title();
}

bool SaveTitle(const std::string& path, const std::string& title)
{
    Tmp3TagV2 tag;
    tag.LoadFromFile(path);
    tag.SetTitle(title);
    return tag.SaveToFile(path);
}

// A POSIX access ACL as the kernel stores it: owner rw, the user "nobody"
// rw, group r, mask rw, others r.
std::string AccessAcl()
{
    std::string acl;
    const auto put16 = [&](unsigned v) { acl += static_cast<char>(v & 0xFF); acl += static_cast<char>(v >> 8); };
    const auto put32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) acl += static_cast<char>(v >> (8 * i)); };
    const auto entry = [&](unsigned tag, unsigned perm, std::uint32_t id) { put16(tag); put16(perm); put32(id); };
    put32(2);
    entry(0x01, 6, 0xFFFFFFFF);
    entry(0x02, 6, NobodyUid());
    entry(0x04, 4, 0xFFFFFFFF);
    entry(0x10, 6, 0xFFFFFFFF);
    entry(0x20, 4, 0xFFFFFFFF);
    return acl;
}

std::string Attribute(const std::string& path, const char* name)
{
    char value[512];
    const ssize_t size = ::getxattr(path.c_str(), name, value, sizeof value);
    return size < 0 ? "<none>" : std::string(value, static_cast<std::size_t>(size));
}

// A song of `megabytes` MB with a small tag, written in pieces.
void WriteLargeSong(const std::string& path, int megabytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << Tag(3, Frame23("TIT2", std::string(1, '\0') + "Old title"));
    const std::string chunk = AudioBytes(1 << 20);
    for (int i = 0; i < megabytes; ++i)
        out << chunk;
}

std::uint32_t Crc(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    uLong crc = crc32(0, nullptr, 0);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0)
        crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(in.gcount()));
    return static_cast<std::uint32_t>(crc);
}

// Size of the temporary file (named or not) in `dir` that process `pid`
// holds open beside `song`; -1 when it holds none.
std::int64_t TemporaryFileSize(pid_t pid, const std::string& dir, const std::string& song)
{
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code ec;
    const std::string folder = fs::canonical(dir, ec).string() + "/";
    for (const auto& entry : fs::directory_iterator(fds, ec)) {
        const std::string target = fs::read_symlink(entry.path(), ec).string();
        if (!ec && target.rfind(folder, 0) == 0 && target != folder + song) {
            struct stat st {};
            if (::stat(entry.path().c_str(), &st) == 0)
                return st.st_size;
        }
    }
    return -1;
}

pid_t StartSave(const std::string& path)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(SaveTitle(path, "New title") ? 0 : 1);
    return pid;
}

}  // namespace

TEST(KeepFile, AFifoNamedLikeASongIsRefusedWithoutBlocking)
{
    TempDir dir;
    const std::string path = dir.file("fifo.mp3");
    const FifoHangGuard fifo(path);

    Tmp3TagV2 v2;
    EXPECT_FALSE(v2.LoadFromFile(path));
    EXPECT_EQ(v2.LastError(), "not a regular file");
    v2.SetTitle("Title");
    EXPECT_FALSE(v2.SaveToFile(path));
    EXPECT_EQ(v2.LastError(), "not a regular file");

    Tmp3TagV1 v1;
    v1.SetTitle("Title");
    const std::string refused = "Cannot open file \"" + path + "\". not a regular file";
    for (const auto& operation : {+[](Tmp3TagV1& tag, const std::string& p) { tag.SaveToFile(p); },
                                  +[](Tmp3TagV1& tag, const std::string& p) { tag.LoadFromFile(p); }}) {
        try {
            operation(v1, path);
            ADD_FAILURE() << "the FIFO was taken for a file";
        } catch (const TagError& error) {
            EXPECT_EQ(error.what(), refused);
        }
    }

    // The undo journal's raw reads and writes as well.
    RawTags raw;
    std::string error;
    EXPECT_FALSE(ReadRawTags(path, raw, 1 << 20, error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_FALSE(WriteRawTags(path, raw, error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_FALSE(fifo.Rescued());
}

TEST(KeepFile, HardLinksStay)
{
    TempDir dir;
    // Two names of one file: both see the new tag, and they stay one file.
    const std::string path = dir.file("song.mp3");
    const std::string other = dir.file("same song.mp3");
    WriteFile(path, AudioBytes());
    ASSERT_EQ(::link(path.c_str(), other.c_str()), 0);
    const ino_t inode = StatOf(path).st_ino;
    ASSERT_TRUE(SaveTitle(path, "Linked"));
    EXPECT_EQ(StatOf(path).st_ino, inode);
    EXPECT_EQ(StatOf(other).st_ino, inode);
    EXPECT_EQ(StatOf(path).st_nlink, 2u);
    EXPECT_EQ(TitleOf(other), "Linked");
    EXPECT_EQ(Listing(dir.path()), (std::vector<std::string> {"same song.mp3", "song.mp3"}));
}

TEST(KeepFile, OwnerAndGroupStay)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "files of other users need root to be set up";
    TempDir dir;
    // Root saving another user's file leaves it that user's.
    const std::string owned = dir.file("owned.mp3");
    WriteFile(owned, AudioBytes());
    ASSERT_EQ(::chown(owned.c_str(), NobodyUid(), NobodyGid()), 0);
    ASSERT_EQ(::chmod(owned.c_str(), 02640), 0);
    ASSERT_TRUE(SaveTitle(owned, "Owned"));
    EXPECT_EQ(StatOf(owned).st_uid, NobodyUid());
    EXPECT_EQ(StatOf(owned).st_gid, NobodyGid());
    EXPECT_EQ(StatOf(owned).st_mode & 07777, 02640u);

    // A user who may write someone else's file through its group: the file
    // keeps its owner, and no copy stays behind.
    ::chmod(dir.path().c_str(), 0777);
    const std::string shared = dir.file("shared.mp3");
    WriteFile(shared, AudioBytes());
    ASSERT_EQ(::chown(shared.c_str(), 0, NobodyGid()), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 0664), 0);
    std::string report;
    const int status = RunAsNobody([&](std::string& out) {
        Tmp3TagV2 tag;
        tag.SetTitle("Shared");
        const bool saved = tag.SaveToFile(shared);
        out = tag.LastError();
        return saved ? 0 : 1;
    }, &report);
    EXPECT_EQ(status, 0) << report;
    EXPECT_EQ(StatOf(shared).st_uid, 0u);
    EXPECT_EQ(StatOf(shared).st_gid, NobodyGid());
    EXPECT_EQ(StatOf(shared).st_mode & 07777, 0664u);
    EXPECT_EQ(TitleOf(shared), "Shared");
    EXPECT_EQ(Listing(dir.path()), (std::vector<std::string> {"owned.mp3", "shared.mp3"}));
}

TEST(KeepFile, ExtendedAttributesAndAclsStay)
{
    TempDir dir;
    const std::string plain = dir.file("plain.mp3");
    const std::string withAcl = dir.file("acl.mp3");
    WriteFile(plain, AudioBytes());
    WriteFile(withAcl, AudioBytes());
    const std::string acl = AccessAcl();
    if (::setxattr(plain.c_str(), "user.xdg.comment", "favourite", 9, 0) != 0
        || ::setxattr(withAcl.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0)
        GTEST_SKIP() << "no extended attributes or ACLs here: " << std::strerror(errno);
    const mode_t aclMode = StatOf(withAcl).st_mode & 07777;
    // New files in the folder would now get an ACL of their own.
    if (::setxattr(dir.path().c_str(), "system.posix_acl_default", acl.data(), acl.size(), 0) != 0)
        GTEST_SKIP() << "no default ACLs here";

    ASSERT_TRUE(SaveTitle(plain, "Plain"));
    ASSERT_TRUE(SaveTitle(withAcl, "With ACL"));
    EXPECT_EQ(Attribute(plain, "user.xdg.comment"), "favourite");
    EXPECT_EQ(Attribute(plain, "system.posix_acl_access"), "<none>");
    EXPECT_EQ(Attribute(withAcl, "system.posix_acl_access"), acl);
    EXPECT_EQ(StatOf(withAcl).st_mode & 07777, aclMode);
    EXPECT_EQ(TitleOf(plain), "Plain");
    EXPECT_EQ(TitleOf(withAcl), "With ACL");
}

TEST(KeepFile, NamesAtTheLengthLimitCanBeSaved)
{
    TempDir dir;
    const std::string ascii = std::string(251, 'a') + ".mp3";
    std::string accented;
    while (accented.size() < 250)
        accented += "é";
    accented += ".mp3";
    for (const std::string& name : {ascii, accented}) {
        const std::string path = dir.file(name);
        WriteFile(path, AudioBytes());
        Tmp3TagV2 tag;
        tag.SetTitle("Long");
        EXPECT_TRUE(tag.SaveToFile(path)) << tag.LastError();
        EXPECT_EQ(TitleOf(path), "Long");
    }
    // Also when the file is rewritten in place (it has a second name).
    ASSERT_EQ(::link(dir.file(ascii).c_str(), dir.file("short.mp3").c_str()), 0);
    EXPECT_TRUE(SaveTitle(dir.file(ascii), "Longer"));
    EXPECT_EQ(TitleOf(dir.file("short.mp3")), "Longer");
    EXPECT_EQ(Listing(dir.path()), (std::vector<std::string> {ascii, "short.mp3", accented}));
}

TEST(KeepFile, KilledSaveLeavesTheOriginalAndNothingElse)
{
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    WriteLargeSong(path, 96);
    const std::uint32_t original = Crc(path);
    const std::int64_t size = StatOf(path).st_size;
    bool caught = false;
    for (int attempt = 0; attempt < 5 && !caught; ++attempt) {
        const pid_t pid = StartSave(path);
        ASSERT_GT(pid, 0);
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            const std::int64_t written = TemporaryFileSize(pid, dir.path(), "song.mp3");
            if (written <= 0 || written > size / 2)
                continue;
            // Stopped halfway through the copy: long before the new file gets a name.
            ::kill(pid, SIGSTOP);
            ::waitpid(pid, &status, WUNTRACED);
            caught = TemporaryFileSize(pid, dir.path(), "song.mp3") < size;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        if (!caught)
            WriteLargeSong(path, 96);  // the save was done before it could be stopped
    }
    if (!caught)
        GTEST_SKIP() << "the saves ended before they could be interrupted";
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string> {"song.mp3"});
    EXPECT_EQ(Crc(path), original);
    EXPECT_EQ(TitleOf(path), "Old title");
}
