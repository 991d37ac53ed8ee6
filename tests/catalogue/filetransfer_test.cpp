// This program defines openat itself (below), which fortified headers would
// define inline.
#undef _FORTIFY_SOURCE

#include "filefixtures.h"
#include "filetransfer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// While set, creating unnamed files fails as on file systems without them
// (FAT media, some network file systems), so that copies take named
// temporary files.
bool g_noUnnamedFiles = false;
int g_refusedUnnamedFiles = 0;
} // namespace

// Every openat of this test program, the file code's among them, comes here.
extern "C" int openat(int dirFd, const char* path, int flags, ...)
{
    mode_t mode = 0;
    if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    if (g_noUnnamedFiles && (flags & O_TMPFILE) == O_TMPFILE) {
        ++g_refusedUnnamedFiles;
        errno = EOPNOTSUPP;
        return -1;
    }
    return static_cast<int>(syscall(SYS_openat, dirFd, path, flags, mode));
}

namespace {

struct stat StatOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st;
}

std::set<std::string> Names(const std::string& folder)
{
    std::set<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* e = readdir(dir)) {
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.insert(e->d_name);
        }
        closedir(dir);
    }
    return names;
}

// A source with its own permission bits and an old modification time.
std::string OldSource(const std::string& path, const std::string& bytes)
{
    WriteFile(path, bytes);
    chmod(path.c_str(), 0640);
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 500}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
    return path;
}

void ExpectKept(const std::string& copy, const std::string& bytes)
{
    const struct stat st = StatOf(copy);
    EXPECT_EQ(ReadFile(copy), bytes);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 500);
}

TEST(FileTransferTest, CopyKeepsContentsBitsAndTimesAndReplacesOnlyWhenAsked)
{
    TempDir dir;
    // A name that is not valid UTF-8 is copied as its bytes.
    const std::string source = OldSource(dir.file("caf\xe9.mp3"), AudioBytes(5000));
    MakeDir(dir.file("out"));
    const std::string target = dir.file("out/caf\xe9.mp3");
    EXPECT_EQ(CopyFileSafely(source, target, false), 0);
    ExpectKept(target, AudioBytes(5000));
    EXPECT_EQ(Names(dir.file("out")), std::set<std::string>{"caf\xe9.mp3"});

    // Without replacing, an existing target stays as it was.
    WriteFile(target, "old");
    EXPECT_EQ(CopyFileSafely(source, target, false), EEXIST);
    EXPECT_EQ(ReadFile(target), "old");

    // Replacing puts a new file in place: the old one is never truncated (a
    // second link to it keeps its bytes).
    ASSERT_EQ(link(target.c_str(), dir.file("out/second").c_str()), 0);
    EXPECT_EQ(CopyFileSafely(source, target, true), 0);
    ExpectKept(target, AudioBytes(5000));
    EXPECT_EQ(ReadFile(dir.file("out/second")), "old");
    EXPECT_EQ(Names(dir.file("out")), (std::set<std::string>{"caf\xe9.mp3", "second"}));

    // A missing destination folder fails and is not created.
    EXPECT_EQ(CopyFileSafely(source, dir.file("missing/x.mp3"), false), ENOENT);
    EXPECT_FALSE(Exists(dir.file("missing")));
}

TEST(FileTransferTest, TheSameFileIsRefusedBeforeAnythingIsWritten)
{
    TempDir dir;
    const std::string source = OldSource(dir.file("song.mp3"), "precious");
    MakeDir(dir.file("sub"));
    ASSERT_EQ(link(source.c_str(), dir.file("hard.mp3").c_str()), 0);
    ASSERT_EQ(symlink(source.c_str(), dir.file("soft.mp3").c_str()), 0);
    for (const std::string& target :
         {source, dir.file("sub/../song.mp3"), dir.file("hard.mp3"), dir.file("soft.mp3")}) {
        EXPECT_EQ(CopyFileSafely(source, target, false), EEXIST) << target;
        EXPECT_EQ(CopyFileSafely(source, target, true), EINVAL) << target;
        bool sourceLeft = false;
        EXPECT_EQ(MoveFileSafely(source, target, true, sourceLeft), EINVAL) << target;
        EXPECT_TRUE(sourceLeft);
        // The other way round: a link moved onto the file it names.
        EXPECT_EQ(MoveFileSafely(target, source, true, sourceLeft), EINVAL) << target;
    }
    ExpectKept(source, "precious");
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"song.mp3", "sub", "hard.mp3", "soft.mp3"}));
}

TEST(FileTransferTest, AMoveWithinOneFileSystemIsARename)
{
    TempDir dir;
    const std::string source = OldSource(dir.file("a.mp3"), "a");
    WriteFile(dir.file("taken.mp3"), "mine");
    bool sourceLeft = true;
    EXPECT_EQ(MoveFileSafely(source, dir.file("taken.mp3"), false, sourceLeft), EEXIST);
    EXPECT_EQ(ReadFile(dir.file("taken.mp3")), "mine");
    const ino_t inode = StatOf(source).st_ino;
    EXPECT_EQ(MoveFileSafely(source, dir.file("b.mp3"), false, sourceLeft), 0);
    EXPECT_FALSE(sourceLeft);
    EXPECT_FALSE(Exists(source));
    EXPECT_EQ(StatOf(dir.file("b.mp3")).st_ino, inode);
    EXPECT_EQ(MoveFileSafely(dir.file("b.mp3"), dir.file("taken.mp3"), true, sourceLeft), 0);
    ExpectKept(dir.file("taken.mp3"), "a");
}

TEST(FileTransferTest, AKilledCopyLeavesNothingUnderTheTargetName)
{
    TempDir dir;
    // A large source (sparse beyond its first bytes) takes several chunks.
    const std::string source = dir.file("big.mp3");
    WriteFile(source, AudioBytes(4096));
    ASSERT_EQ(truncate(source.c_str(), 64 << 20), 0);
    WriteFile(dir.file("old.mp3"), "the old target");
    for (const std::string& name : {std::string("old.mp3"), std::string("new.mp3")}) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // Reports the first chunk, then waits to be killed.
            CopyFileSafely(source, dir.file(name), true, false, [&] {
                if (write(fds[1], "x", 1) == 1)
                    pause();
            });
            _exit(0);
        }
        char c = 0;
        EXPECT_EQ(read(fds[0], &c, 1), 1);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        close(fds[0]);
        close(fds[1]);
        EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"big.mp3", "old.mp3"})) << name;
        EXPECT_EQ(ReadFile(dir.file("old.mp3")), "the old target");
    }
}

// A folder on another file system than `dir` (memory-backed), or "" when
// there is none to write to.
std::string OtherFileSystemFolder(const TempDir& dir)
{
    struct stat shm {};
    struct stat here {};
    if (stat("/dev/shm", &shm) != 0 || stat(dir.path().c_str(), &here) != 0 || shm.st_dev == here.st_dev)
        return {};
    char pattern[] = "/dev/shm/tunevault-test.XXXXXX";
    return mkdtemp(pattern) ? pattern : "";
}

TEST(FileTransferTest, NamesAtTheLengthLimitAreCopiedAndMovedWithAndWithoutUnnamedFiles)
{
    TempDir dir;
    const std::string other = OtherFileSystemFolder(dir);
    // 250 bytes: too long for a temporary name of the whole name plus a suffix.
    const std::string name = std::string(246, 'x') + ".mp3";
    const std::string source = OldSource(dir.file("song.mp3"), AudioBytes(3000));
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed" : "named");
        g_noUnnamedFiles = !unnamed;
        g_refusedUnnamedFiles = 0;
        const std::string out = dir.file(unnamed ? "unnamed" : "named");
        MakeDir(out);
        const std::string target = out + "/" + name;
        EXPECT_EQ(CopyFileSafely(source, target, false), 0);
        ExpectKept(target, AudioBytes(3000));
        WriteFile(target, "old");
        EXPECT_EQ(CopyFileSafely(source, target, true), 0);
        ExpectKept(target, AudioBytes(3000));
        EXPECT_EQ(Names(out), std::set<std::string>{name});

        // A target that appears while the copy runs is kept, and the copy
        // leaves nothing behind (a source over 8 MB reports its chunks on
        // every copy path).
        const std::string big = dir.file("big.mp3");
        WriteFile(big, AudioBytes(4096));
        ASSERT_EQ(truncate(big.c_str(), 9 << 20), 0);
        const std::string late = out + "/late.mp3";
        EXPECT_EQ(CopyFileSafely(big, late, false, false, [&] {
            if (!Exists(late))
                WriteFile(late, "came first");
        }), EEXIST);
        EXPECT_EQ(ReadFile(late), "came first");
        EXPECT_EQ(Names(out), (std::set<std::string>{name, "late.mp3"}));

        if (!other.empty()) {
            // Across file systems a move copies and leaves the source to its caller.
            const std::string moved = other + "/" + name;
            bool sourceLeft = false;
            EXPECT_EQ(MoveFileSafely(target, moved, false, sourceLeft), 0);
            EXPECT_TRUE(sourceLeft);
            ExpectKept(moved, AudioBytes(3000));
            WriteFile(target, "newer");
            EXPECT_EQ(MoveFileSafely(target, moved, true, sourceLeft), 0);
            EXPECT_EQ(ReadFile(moved), "newer");
            EXPECT_EQ(Names(other), std::set<std::string>{name});
            unlink(moved.c_str());
        }
        EXPECT_EQ(g_refusedUnnamedFiles > 0, !unnamed);
    }
    g_noUnnamedFiles = false;
    if (other.empty())
        GTEST_SKIP() << "no writable /dev/shm on another file system: moves not tried";
    rmdir(other.c_str());
}

} // namespace
