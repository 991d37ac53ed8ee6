// The browser's order, its rows, the drive list and the playlist's folder scan,
// without windows.

#include "filefixtures.h"
#include "folderlisting.h"
#include "folderscanner.h"
#include "mountedvolumes.h"
#include "tfilesmodel.h"
#include "tplaylistdelegate.h"
#include "tplaylistmodel.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include <unistd.h>

namespace {

// The exchange sort as the browser's description gives it, step for step,
// as the reference for the fast sort.
void ReferenceExchangeSort(std::vector<XFileEntry>& list)
{
    bool exchanged = true;
    while (exchanged) {
        exchanged = false;
        for (std::size_t i = 0; i + 1 < list.size(); ++i) {
            const XFileEntry& a = list[i];
            const XFileEntry& b = list[i + 1];
            const bool swap = (!a.IsDir && b.IsDir) || (a.IsDir == b.IsDir && a.Name > b.Name);
            if (swap) {
                std::swap(list[i], list[i + 1]);
                exchanged = true;
            }
        }
    }
    for (std::size_t i = 1; i < list.size(); ++i) {
        if (list[i].Name == "..") {
            std::swap(list[0], list[i]);
            break;
        }
    }
}

std::vector<std::string> Names(const std::vector<XFileEntry>& list)
{
    std::vector<std::string> out;
    for (const auto& e : list)
        out.push_back(e.Name);
    return out;
}

} // namespace

TEST(BrowserOrder, FoldersFirstByteOrderAndTheParentExchange)
{
    std::vector<XFileEntry> list = {{"b.MP3", false}, {"A.txt", false}, {"zz", true}, {"..", true},
                                    {"apple", false}, {"Zoo", false}};
    FolderListing::SortEntries(list);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"..", "zz", "A.txt", "Zoo", "apple", "b.MP3"}));

    // Folders sorting before ".." in byte order: ".." is exchanged with the
    // first entry, not moved, so the first folder lands where ".." was.
    std::vector<XFileEntry> odd = {{"..", true}, {"-x", true}, {"!bang", true}, {"c", false}};
    FolderListing::SortEntries(odd);
    EXPECT_EQ(Names(odd), (std::vector<std::string>{"..", "-x", "!bang", "c"}));

    // Random folders: the fast sort gives exactly the exchange sort's result.
    std::mt19937 rng(7);
    const std::string alphabet = "!-.09AZaz_~\xc3\xa9";
    for (int round = 0; round < 200; ++round) {
        std::vector<XFileEntry> entries;
        std::set<std::string> used;
        if (rng() % 2)
            entries.push_back({"..", true});
        const int n = static_cast<int>(rng() % 30);
        for (int i = 0; i < n; ++i) {
            std::string name;
            const int len = 1 + static_cast<int>(rng() % 4);
            for (int k = 0; k < len; ++k)
                name += alphabet[rng() % alphabet.size()];
            if (name == "." || name == ".." || !used.insert(name).second)
                continue;
            entries.push_back({name, rng() % 3 == 0});
        }
        std::shuffle(entries.begin(), entries.end(), rng);
        auto expected = entries;
        ReferenceExchangeSort(expected);
        FolderListing::SortEntries(entries);
        ASSERT_EQ(Names(entries), Names(expected)) << "round " << round;
    }
}

TEST(BrowserOrder, RowsOfFilesFoldersAndParent)
{
    const auto row = [](const char* name, bool dir) { return TFilesModel::MakeRow({name, dir}); };
    auto r = row("archive.tar.gz", false);
    EXPECT_EQ(r.caption, "archive.tar");
    EXPECT_EQ(r.extension, "gz");
    EXPECT_EQ(r.stateIndex, 3);
    r = row("README", false);
    EXPECT_EQ(r.caption, "README");
    EXPECT_EQ(r.extension, "");
    r = row("long.abcdefghijkL", false);
    EXPECT_EQ(r.extension, "abcdefghijkl");
    r = row("  Song Title .Mp3", false);
    EXPECT_EQ(r.caption, "Song Title");
    EXPECT_EQ(r.extension, "mp3");
    EXPECT_EQ(r.stateIndex, 2);
    EXPECT_EQ(r.name, "  Song Title .Mp3"); // commands use the name as listed
    r = row(" Rock ", true);
    EXPECT_EQ(r.caption, "Rock");
    EXPECT_EQ(r.stateIndex, 1);
    EXPECT_EQ(r.extension, "");
    r = row("..", true);
    EXPECT_EQ(r.caption, "..");
    EXPECT_EQ(r.stateIndex, 0);
    // A hidden file has no extension: the whole name is its caption.
    r = row(".profile", false);
    EXPECT_EQ(r.caption, ".profile");
    EXPECT_EQ(r.extension, "");
    // A name that is not UTF-8 shows a replacement character and keeps its bytes.
    r = row("caf\xe9.mp3", false);
    EXPECT_EQ(r.name, "caf\xe9.mp3");
    EXPECT_TRUE(r.caption.contains(QChar(0xFFFD)));
}

TEST(BrowserOrder, ReadingAFolder)
{
    TempDir dir;
    WriteFile(dir.file("b.MP3"), "x");
    WriteFile(dir.file("A.txt"), "x");
    MakeDir(dir.file("zz"));
    ASSERT_EQ(symlink("zz", dir.file("linkdir").c_str()), 0);
    std::vector<XFileEntry> list;
    int error = 0;
    ASSERT_TRUE(FolderListing::Read(dir.path() + "/", list, error));
    FolderListing::SortEntries(list);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"..", "linkdir", "zz", "A.txt", "b.MP3"}));
    EXPECT_TRUE(list[1].IsDir); // a link to a folder can be entered

    ASSERT_TRUE(FolderListing::Read("/", list, error));
    for (const auto& e : list)
        EXPECT_NE(e.Name, "..");
    EXPECT_FALSE(FolderListing::Read(dir.file("missing/"), list, error));
    EXPECT_EQ(error, ENOENT);
}

TEST(DriveList, MountedVolumesLeaveOutPseudoRamAndOpticalFileSystems)
{
    TempDir dir;
    MakeDir(dir.file("usb stick"));
    MakeDir(dir.file("cd"));
    MakeDir(dir.file("data"));
    const std::string usb = dir.file("usb\\040stick");
    const std::string text =
        "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "23 22 0:5 / /proc rw - proc proc rw\n"
        "24 22 0:6 / /sys rw - sysfs sysfs rw\n"
        "25 22 0:7 / /run rw - tmpfs tmpfs rw\n"
        "26 22 8:2 / " + dir.file("data") + " rw - ext4 /dev/sda2 rw\n"
        "27 22 8:17 / " + usb + " rw - vfat /dev/sdb1 rw\n"
        "28 22 11:0 / " + dir.file("cd") + " ro - iso9660 /dev/sr0 ro\n"
        "29 22 7:0 / /snap/core/1 ro - squashfs /dev/loop0 ro\n"
        "30 22 0:40 / /var/lib/docker/overlay2/x/merged rw - overlay overlay rw\n"
        "31 22 8:1 /etc/hostname " + dir.file("nofolder") + " rw - ext4 /dev/sda1 rw\n";
    const auto volumes = MountedVolumes::Parse(text, dir.file("labels"));
    std::vector<std::string> paths;
    for (const auto& v : volumes)
        paths.push_back(v.mountPath);
    // Only the table is read, never the mount points themselves (a network
    // mount may not answer): a file bind-mounted over a missing path is
    // listed like any other volume.
    EXPECT_EQ(paths, (std::vector<std::string>{"/", dir.file("data") + "/", dir.file("nofolder") + "/",
                                               dir.file("usb stick") + "/"}));
    EXPECT_EQ(MountedVolumes::EntryText(volumes[0]), "/:         (ext4)");
    MountedVolume labelled{"/media/x/", "Music", "vfat"};
    EXPECT_EQ(MountedVolumes::EntryText(labelled), "/media/x/: Music   (vfat)");
    MountedVolume longLabel{"/m/", "LongerLabel", "ntfs"};
    EXPECT_EQ(MountedVolumes::EntryText(longLabel), "/m/: LongerLabel(ntfs)");

    // The real table always starts with "/".
    const auto real = MountedVolumes::List();
    ASSERT_FALSE(real.empty());
    EXPECT_EQ(real.front().mountPath, "/");
    EXPECT_TRUE(MountedVolumes::Space("/").has_value());
    EXPECT_FALSE(MountedVolumes::Space(dir.file("missing")).has_value());
}

TEST(FolderScan, Mp3FilesBelowVisibleFoldersEachRealFolderOnce)
{
    TempDir dir;
    WriteFile(dir.file("x.MP3"), "x");
    WriteFile(dir.file("y.mp3.txt"), "x");
    WriteFile(dir.file(".hidden.mp3"), "x");
    MakeDir(dir.file(".git"));
    WriteFile(dir.file(".git/z.mp3"), "x");
    MakeDir(dir.file("sub"));
    WriteFile(dir.file("sub/deep.mp3"), "x");
    // A link cycle and a second link to the same folder.
    ASSERT_EQ(symlink("..", dir.file("sub/loop").c_str()), 0);
    ASSERT_EQ(symlink("sub", dir.file("again").c_str()), 0);

    std::vector<std::string> files;
    std::vector<std::string> folders;
    FolderScanner scanner({[&](const std::string& f) { folders.push_back(f); },
                           [] { return false; },
                           [&](const std::string& f) { files.push_back(f); }});
    scanner.Scan(dir.path());
    std::sort(files.begin(), files.end());
    // The sub folder is reached once, through whichever name comes first.
    ASSERT_EQ(files.size(), 3u);
    EXPECT_TRUE(std::find(files.begin(), files.end(), dir.file("x.MP3")) != files.end());
    EXPECT_TRUE(std::find(files.begin(), files.end(), dir.file(".hidden.mp3")) != files.end());
    EXPECT_TRUE(files[0].find("deep.mp3") != std::string::npos || files[1].find("deep.mp3") != std::string::npos
                || files[2].find("deep.mp3") != std::string::npos);

    // Cancel: the scan stops at the next folder.
    int calls = 0;
    std::vector<std::string> none;
    FolderScanner cancelled({[&](const std::string&) { ++calls; }, [] { return true; },
                             [&](const std::string& f) { none.push_back(f); }});
    cancelled.Scan(dir.path());
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(none.empty());

    EXPECT_TRUE(FolderScanner::HasMp3Extension("a.mP3"));
    EXPECT_FALSE(FolderScanner::HasMp3Extension("a.mp3.txt"));
    EXPECT_FALSE(FolderScanner::HasMp3Extension("mp3"));
}

TEST(FolderScan, AFolderOfManyFilesReportsProgressAndHearsACancelInside)
{
    TempDir dir;
    for (int i = 0; i < 250; ++i)
        WriteFile(dir.file(std::to_string(i) + ".mp3"), "x");
    std::vector<std::string> shown;
    int added = 0;
    FolderScanner scanner({[&](const std::string& p) { shown.push_back(p); }, [] { return false; },
                           [&](const std::string&) { ++added; }});
    scanner.Scan(dir.path());
    EXPECT_EQ(added, 250);
    // The folder, then a file at least every 100 entries.
    ASSERT_GE(shown.size(), 1u + 250 / 100);
    EXPECT_EQ(shown.front(), dir.path());
    EXPECT_NE(shown.back().find(".mp3"), std::string::npos);

    // A cancel heard inside the folder stops the scan there.
    int reports = 0;
    added = 0;
    FolderScanner cancelled({[&](const std::string&) { ++reports; }, [&] { return reports >= 2; },
                             [&](const std::string&) { ++added; }});
    cancelled.Scan(dir.path());
    EXPECT_GT(added, 0);
    EXPECT_LT(added, 150);
}

TEST(PlaylistRows, NumbersAndUniquenessKeys)
{
    EXPECT_EQ(TPlaylistDelegate::RowText(0, QStringLiteral("a")), QStringLiteral("  1 a"));
    EXPECT_EQ(TPlaylistDelegate::RowText(41, QStringLiteral("b")), QStringLiteral(" 42 b"));
    EXPECT_EQ(TPlaylistDelegate::RowText(1233, QStringLiteral("c")), QStringLiteral("1234 c"));
    EXPECT_EQ(TPlaylistModel::FoldPath("/Music/A\xc3\x89.MP3"), "/music/a\xc3\x89.mp3");
}
