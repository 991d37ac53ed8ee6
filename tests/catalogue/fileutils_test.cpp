#include "browserentry.h"
#include "deleteprogress.h"
#include "filefixtures.h"
#include "fileutils.h"
#include "mounttable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <functional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::int64_t KiB = 1024;

TEST(FormatByteSizeTest, EveryUnitBoundary)
{
    EXPECT_EQ(FormatByteSize(0, "."), "0 Bytes");
    EXPECT_EQ(FormatByteSize(1023, "."), "1023 Bytes");
    EXPECT_EQ(FormatByteSize(1024, "."), "1.00 Kb");
    EXPECT_EQ(FormatByteSize(1536, "."), "1.50 Kb");
    EXPECT_EQ(FormatByteSize(1048575, "."), "1024.00 Kb");
    EXPECT_EQ(FormatByteSize(KiB * KiB, "."), "1.00 Mb");
    EXPECT_EQ(FormatByteSize(KiB * KiB * KiB - 1, "."), "1024.00 Mb");
    EXPECT_EQ(FormatByteSize(KiB * KiB * KiB, "."), "1.00 Gb");
    EXPECT_EQ(FormatByteSize(5000000000LL, "."), "4.66 Gb");
    EXPECT_EQ(FormatByteSize(KiB * KiB * KiB * KiB - 1, "."), "1024.00 Gb");
    EXPECT_EQ(FormatByteSize(KiB * KiB * KiB * KiB, "."), "1.00 Tb");
    EXPECT_EQ(FormatByteSize(KiB * KiB * KiB * KiB * KiB - 1, "."), "1024.00 Tb");
    EXPECT_EQ(FormatByteSize(KiB * KiB * KiB * KiB * KiB, "."), "1.00 Pb");
    EXPECT_EQ(FormatByteSize(KiB * KiB * KiB * KiB * KiB * KiB, "."), "1024.00 Pb");
    EXPECT_EQ(FormatByteSize(INT64_MAX, "."), "8192.00 Pb");
    EXPECT_EQ(FormatByteSize(-5, "."), "-5 Bytes");
    EXPECT_EQ(FormatByteSize(INT64_MIN, "."), std::to_string(INT64_MIN) + " Bytes");
    // Halves round away from zero, as "0.00" does (1.125 Kb, 1.625 Kb, 1.125 Mb).
    EXPECT_EQ(FormatByteSize(1152, "."), "1.13 Kb");
    EXPECT_EQ(FormatByteSize(1664, "."), "1.63 Kb");
    EXPECT_EQ(FormatByteSize(1179648, "."), "1.13 Mb");
    EXPECT_EQ(FormatByteSize(1151, "."), "1.12 Kb");

    // The locale's separator; the plain overload takes the C locale's one.
    EXPECT_EQ(FormatByteSize(1536, ","), "1,50 Kb");
    EXPECT_EQ(FormatByteSize(1536), "1.50 Kb");
    EXPECT_EQ(FormatByteSize(1023), "1023 Bytes");
}

TEST(FileUtilsTest, NamesSeparatorsAndErrorTexts)
{
    for (char c : std::string_view("/\\:*<>\"?|"))
        EXPECT_FALSE(IsValidFileName(std::string("a") + c + "b")) << c;
    EXPECT_TRUE(IsValidFileName("a. b .c"));
    EXPECT_TRUE(IsValidFileName(""));

    EXPECT_EQ(WithTrailingSeparator("/music"), "/music/");
    EXPECT_EQ(WithTrailingSeparator("/music/"), "/music/");
    EXPECT_EQ(WithTrailingSeparator("/"), "/");
    EXPECT_EQ(WithTrailingSeparator(""), "");

    EXPECT_EQ(TrimControls("\t a b \n"), "a b");
    EXPECT_EQ(OsErrorMessage(ENOENT), "Error 2 : No such file or directory");
    EXPECT_EQ(OsErrorMessage(EACCES), "Error 13 : Permission denied");

    TempDir dir;
    int code = -1;
    EXPECT_FALSE(DeleteFileLong(dir.file("missing"), code));
    EXPECT_EQ(code, ENOENT);
    WriteFile(dir.file("f"), "x");
    EXPECT_TRUE(DeleteFileLong(dir.file("f"), code));
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(Exists(dir.file("f")));

    MakeDir(dir.file("d"));
    WriteFile(dir.file("d/x"), "x");
    errno = 0;
    EXPECT_FALSE(RemoveDirLong(dir.file("d")));
    EXPECT_EQ(errno, ENOTEMPTY);
    unlink(dir.file("d/x").c_str());
    EXPECT_TRUE(RemoveDirLong(dir.file("d")));
}

// Records what a deletion reports; hooks let a test act at a given moment.
class RecordingProgress final : public DeleteProgress {
public:
    void SetDeletePath(const std::string& path) override
    {
        paths.push_back(path);
        current = path;
        if (onPath)
            onPath(path);
    }
    bool IsDeleteStopped() const override { return stopped; }
    void StopDelete() override { stopped = true; }
    void ProcessPendingEvents() override
    {
        if (onEvents)
            onEvents(current);
    }
    void ReportOsError(int code) override { errors.push_back(code); }
    void ReportLeftMounted(const std::string& path) override { leftMounted.push_back(path); }

    std::vector<std::string> paths;
    std::vector<std::string> leftMounted;
    std::vector<int> errors;
    std::string current;
    bool stopped = false;
    std::function<void(const std::string&)> onPath;
    std::function<void(const std::string&)> onEvents;
};

// top/{a/{1,2}, b/{deep/{x}}, c, .hidden}
void MakeTree(const std::string& top)
{
    MakeDir(top);
    MakeDir(top + "/a");
    WriteFile(top + "/a/1", "1");
    WriteFile(top + "/a/2", "2");
    MakeDir(top + "/b");
    MakeDir(top + "/b/deep");
    WriteFile(top + "/b/deep/x", "x");
    WriteFile(top + "/c", "c");
    WriteFile(top + "/.hidden", "h");
    // Names that are not UTF-8 are bytes like any other.
    MakeDir(top + "/caf\xe9");
    WriteFile(top + "/caf\xe9/\xff\xfe.mp3", "x");
}

TEST(DeleteTreeTest, DeletesEverythingAndShowsEachFolder)
{
    TempDir dir;
    const std::string top = dir.file("top");
    MakeTree(top);
    RecordingProgress progress;
    DeleteTree(top + "/", progress);
    EXPECT_FALSE(Exists(top));
    EXPECT_TRUE(progress.errors.empty());
    EXPECT_FALSE(progress.stopped);
    EXPECT_EQ(progress.paths.size(), 5u); // top, a, b, b/deep, caf\xe9
    EXPECT_EQ(progress.paths.front(), top + "/");
}

TEST(DeleteTreeTest, NeverFollowsASymbolicLinkToAFolder)
{
    TempDir dir;
    const std::string keep = dir.file("keep");
    MakeTree(keep);
    const std::string top = dir.file("top");
    MakeDir(top);
    WriteFile(top + "/f", "f");
    ASSERT_EQ(symlink(keep.c_str(), (top + "/link").c_str()), 0);
    ASSERT_EQ(symlink((keep + "/c").c_str(), (top + "/filelink").c_str()), 0);

    RecordingProgress progress;
    DeleteTree(top, progress);
    EXPECT_FALSE(Exists(top));
    EXPECT_TRUE(progress.errors.empty());
    EXPECT_TRUE(Exists(keep + "/a/1"));
    EXPECT_TRUE(Exists(keep + "/b/deep/x"));
    EXPECT_TRUE(Exists(keep + "/c"));

    // The path itself a link to a folder, with or without a trailing "/":
    // the link goes, the folder stays.
    for (const std::string suffix : {"", "/"}) {
        const std::string link = dir.file("toplink");
        ASSERT_EQ(symlink(keep.c_str(), link.c_str()), 0);
        RecordingProgress viaLink;
        DeleteTree(link + suffix, viaLink);
        EXPECT_FALSE(Exists(link));
        EXPECT_TRUE(viaLink.errors.empty());
        EXPECT_TRUE(Exists(keep + "/a/2"));
    }
}

TEST(DeleteTreeTest, AFolderSwappedForALinkDuringTheDeletionIsNeverFollowed)
{
    // While top/b/sub is being emptied, top/b is moved away and a link to
    // another folder put in its place: what the link leads to stays, and the
    // link goes as a link.
    TempDir dir;
    const std::string top = dir.file("top");
    MakeDir(top);
    MakeDir(top + "/b");
    MakeDir(top + "/b/sub");
    WriteFile(top + "/b/sub/1.mp3", "1");
    WriteFile(top + "/b/sub/2.mp3", "2");
    WriteFile(top + "/b/z.mp3", "z");
    const std::string victim = dir.file("victim");
    MakeDir(victim);
    MakeDir(victim + "/sub");
    WriteFile(victim + "/sub/1.mp3", "keep");
    WriteFile(victim + "/sub/2.mp3", "keep");
    WriteFile(victim + "/z.mp3", "keep");

    RecordingProgress progress;
    progress.onPath = [&](const std::string& path) {
        if (path == top + "/b/sub") {
            ASSERT_EQ(rename((top + "/b").c_str(), dir.file("moved").c_str()), 0);
            ASSERT_EQ(symlink(victim.c_str(), (top + "/b").c_str()), 0);
        }
    };
    DeleteTree(top, progress);
    EXPECT_TRUE(progress.errors.empty());
    EXPECT_FALSE(Exists(top));
    for (const char* f : {"/sub/1.mp3", "/sub/2.mp3", "/z.mp3"})
        EXPECT_EQ(ReadFile(victim + f), "keep") << f;
    // The folder that was moved away was emptied through its open handle.
    EXPECT_FALSE(Exists(dir.file("moved/sub/1.mp3")));
}

TEST(DeleteTreeTest, ATreeDeeperThanThePathLimitIsDeleted)
{
    TempDir dir;
    const std::string top = dir.file("deep");
    MakeDir(top);
    // 40 levels of 200-byte names: far beyond PATH_MAX, built through handles.
    const std::string name(200, 'n');
    int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int level = 0; level < 40; ++level) {
        ASSERT_EQ(mkdirat(fd, name.c_str(), 0755), 0);
        const int child = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        ASSERT_GE(child, 0);
        fd = child;
    }
    const int file = openat(fd, "song.mp3", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(file, 0);
    close(file);
    close(fd);

    RecordingProgress progress;
    DeleteTree(top, progress);
    EXPECT_TRUE(progress.errors.empty());
    EXPECT_FALSE(Exists(top));
    EXPECT_GT(progress.paths.back().size(), static_cast<std::size_t>(PATH_MAX));
}

TEST(DeleteTreeTest, FirstFailureStopsEveryLevel)
{
    // A file of the listing turns into a non-empty folder before it is
    // deleted: "a folder where a file is expected".
    TempDir dir;
    const std::string top = dir.file("top");
    MakeDir(top);
    MakeDir(top + "/sub");
    WriteFile(top + "/sub/f", "f");
    RecordingProgress progress;
    progress.onEvents = [&](const std::string& current) {
        const std::string f = top + "/sub/f";
        struct stat st {};
        if (current == top + "/sub" && lstat(f.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            unlink(f.c_str());
            MakeDir(f);
            WriteFile(f + "/inside", "i");
        }
    };
    DeleteTree(top, progress);
    ASSERT_EQ(progress.errors.size(), 1u);
    EXPECT_EQ(progress.errors.front(), EISDIR);
    EXPECT_TRUE(progress.stopped);
    EXPECT_TRUE(Exists(top + "/sub/f/inside"));
    EXPECT_TRUE(Exists(top));

    // A folder that cannot be listed (it vanished): one error, stopped.
    RecordingProgress missing;
    DeleteTree(dir.file("nowhere"), missing);
    EXPECT_EQ(missing.errors, std::vector<int>{ENOENT});
    EXPECT_TRUE(missing.stopped);
}

TEST(DeleteTreeTest, NoPermissionMidwayKeepsTheRest)
{
    // Root may delete anything, so the deletion runs as "nobody": it owns the
    // tree except one folder, which nobody may write.
    TempDir dir;
    chmod(dir.path().c_str(), 0755);
    const std::string top = dir.file("top");
    MakeDir(top);
    MakeDir(top + "/free");
    WriteFile(top + "/free/song.mp3", "s");
    MakeDir(top + "/locked");
    WriteFile(top + "/locked/x.mp3", "x");
    chmod((top + "/locked").c_str(), 0555);
    for (const std::string& p : {top, top + "/free", top + "/free/song.mp3"})
        GiveToNobody(p);

    std::string report;
    const int exitCode = RunAsNobody([&](std::string& out) {
        RecordingProgress progress;
        DeleteTree(top, progress);
        for (int e : progress.errors)
            out += std::to_string(e) + ";";
        return progress.stopped ? 0 : 1;
    }, &report);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(report, std::to_string(EACCES) + ";");
    EXPECT_TRUE(Exists(top + "/locked/x.mp3"));
    EXPECT_TRUE(Exists(top));
}

TEST(DeleteTreeTest, StopAtAFolderLeavesItAndEverythingAfter)
{
    TempDir dir;
    const std::string top = dir.file("top");
    MakeDir(top);
    for (const char* name : {"a", "b", "c", "d"}) {
        MakeDir(top + "/" + name);
        WriteFile(top + "/" + name + "/song.mp3", "s");
    }
    RecordingProgress progress;
    progress.onPath = [&](const std::string& path) {
        if (path == top + "/c")
            progress.StopDelete();
    };
    DeleteTree(top, progress);
    EXPECT_TRUE(progress.errors.empty());
    EXPECT_TRUE(Exists(top + "/c/song.mp3"));
    EXPECT_TRUE(Exists(top));
    // Folders shown before the stop are gone, the others untouched.
    for (const char* name : {"a", "b", "d"}) {
        const std::string folder = top + "/" + name;
        const bool shown = std::find(progress.paths.begin(), progress.paths.end(), folder) !=
                           progress.paths.end();
        EXPECT_EQ(Exists(folder), !shown) << folder;
        if (!shown) {
            EXPECT_TRUE(Exists(folder + "/song.mp3"));
        }
    }
    EXPECT_EQ(progress.paths.back(), top + "/c");
}

TEST(DeleteEntriesTest, RowsInOrderUntilTheFirstFailure)
{
    TempDir dir;
    const std::string folder = dir.path() + "/";
    WriteFile(folder + "song.mp3", "s");
    WriteFile(folder + "README", "r");
    MakeTree(folder + "tree");
    WriteFile(folder + "after.mp3", "a");
    WriteFile(folder + "..mp3", "dots");

    std::vector<BrowserEntry> rows = {
        {"..", "", true},
        {"song", "mp3", false},
        {"README", "", false},
        {"tree", "", true},
        {"missing", "mp3", false},
        {"after", "mp3", false},
    };
    RecordingProgress progress;
    DeleteEntries(folder, rows, progress);
    EXPECT_FALSE(Exists(folder + "song.mp3"));
    EXPECT_FALSE(Exists(folder + "README"));
    EXPECT_FALSE(Exists(folder + "tree"));
    EXPECT_EQ(progress.errors, std::vector<int>{ENOENT});
    EXPECT_TRUE(Exists(folder + "after.mp3"));
    EXPECT_TRUE(Exists(folder + "..mp3"));
    EXPECT_TRUE(Exists(dir.path()));

    // A failing tree ends the run as well.
    MakeDir(folder + "x");
    WriteFile(folder + "x/f", "f");
    RecordingProgress stopped;
    stopped.onPath = [&](const std::string&) { stopped.StopDelete(); };
    DeleteEntries(dir.path(), {{"x", "", true}, {"after", "mp3", false}}, stopped);
    EXPECT_TRUE(Exists(folder + "x/f"));
    EXPECT_TRUE(Exists(folder + "after.mp3"));
}

TEST(DeleteTreeTest, MountedFileSystemsAreLeftWithTheFoldersHoldingThem)
{
    // The table as mountinfo writes it: a blank in a name comes as \040.
    TempDir dir;
    const std::string top = dir.file("top");
    MakeTree(top);
    MakeDir(top + "/b/backup disk");
    WriteFile(top + "/b/backup disk/precious.mp3", "p");
    MakeDir(top + "/share");
    WriteFile(top + "/share/remote.mp3", "r");
    const std::string escaped = top + "/b/backup\\040disk";
    const MountTable mounts = MountTable::Parse("22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                                "90 22 8:17 / " + escaped + " rw - ext4 /dev/sdb1 rw\n"
                                                "91 22 0:50 / " + top + "/share rw - nfs srv:/m rw\n");
    ASSERT_TRUE(mounts.IsMountPoint(top + "/share/"));

    RecordingProgress progress;
    DeleteTree(top, progress, mounts);
    EXPECT_TRUE(progress.errors.empty());
    EXPECT_FALSE(progress.stopped);
    std::sort(progress.leftMounted.begin(), progress.leftMounted.end());
    EXPECT_EQ(progress.leftMounted, (std::vector<std::string>{top + "/b/backup disk", top + "/share"}));
    EXPECT_TRUE(Exists(top + "/b/backup disk/precious.mp3"));
    EXPECT_TRUE(Exists(top + "/share/remote.mp3"));
    // Everything else went.
    EXPECT_FALSE(Exists(top + "/a"));
    EXPECT_FALSE(Exists(top + "/c"));
    EXPECT_FALSE(Exists(top + "/b/deep"));

    // A mount point chosen itself, or "/", is never deleted.
    RecordingProgress chosen;
    DeleteEntries(top + "/", {{"share", "", true}}, chosen, mounts);
    EXPECT_EQ(chosen.leftMounted, std::vector<std::string>{top + "/share"});
    EXPECT_TRUE(Exists(top + "/share/remote.mp3"));
    RecordingProgress root;
    DeleteTree("/", root, mounts);
    EXPECT_EQ(root.errors, std::vector<int>{EBUSY});
}

} // namespace
