// The playlist kept between runs as the window loads and saves it: a file
// that cannot be read is reported and left as it is, what was left out is
// counted, the lines the window does not use survive a save, a link stays a
// link, and a huge file is read in little memory.

#include "mainwindowfixture.h"

#include "m3uplaylist.h"
#include "tfrmmain.h"
#include "tplaylistpane.h"

#include <QApplication>
#include <QStatusBar>

#include <cstdlib>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using Kind = ScriptedPrompts::Kind;

namespace {

// The warnings shown, as UTF-8.
std::vector<std::string> Warnings(const ScriptedPrompts& prompts)
{
    std::vector<std::string> out;
    for (const QString& text : prompts.texts(Kind::Warning))
        out.push_back(text.toStdString());
    return out;
}

} // namespace

TEST_F(MainWindowTest, ASavedPlaylistThatCannotBeReadIsReportedAndLeftAsItIs)
{
    MakeDir(dir.file("data"));
    const std::string file = dir.file("data/playlist.m3u8");
    const std::string bytes = "#EXTM3U\n" + dir.file("a.mp3") + "\n";
    WriteFile(file, bytes);
    MakeMp3(dir.file("a.mp3"));
    MakeMp3(dir.file("b.mp3"));
    // Root's file of one start with sudo; a normal user's own file without
    // its read bit.
    chmod(file.c_str(), geteuid() == 0 ? 0600 : 0200);
    chmod(dir.path().c_str(), 0755);
    GiveToNobody(dir.file("data"));
    frm->SetPlaylistFile(file);
    RunUnprivilegedHere([&] {
        frm->LoadSavedPlaylist();
        EXPECT_EQ(playlist().Count(), 0);
        playlist().AddFileToPlaylist(dir.file("b.mp3"));
        EXPECT_TRUE(frm->close());
        return 0;
    });
    chmod(file.c_str(), 0600);
    EXPECT_EQ(ReadFile(file), bytes);
    EXPECT_EQ(Listing(dir.file("data")), std::vector<std::string>{"playlist.m3u8"});
    EXPECT_EQ(Warnings(prompts),
              std::vector<std::string>{"The saved playlist could not be read:\r\n" + file
                                       + "\r\nPermission denied\r\nIt is left as it is and will not be saved when "
                                         "the window closes."});
    EXPECT_EQ(prompts.count(Kind::Error), 0);

    // A folder at its place stays too; a missing file is an empty playlist
    // that the close saves.
    prompts.clearShown();
    const std::string folder = dir.file("folder.m3u8");
    MakeDir(folder);
    TfrmMain second(prompts);
    second.SetPlaylistFile(folder);
    second.LoadSavedPlaylist();
    second.playlist()->AddFileToPlaylist(dir.file("b.mp3"));
    EXPECT_TRUE(second.close());
    EXPECT_TRUE(Listing(folder).empty());
    ASSERT_EQ(prompts.count(Kind::Warning), 1);
    EXPECT_NE(Warnings(prompts)[0].find(folder + "\r\nIs a directory\r\n"), std::string::npos);
    EXPECT_EQ(prompts.count(Kind::Error), 0);

    prompts.clearShown();
    TfrmMain third(prompts);
    third.SetPlaylistFile(dir.file("data/missing.m3u8"));
    third.LoadSavedPlaylist();
    third.playlist()->AddFileToPlaylist(dir.file("b.mp3"));
    EXPECT_TRUE(third.close());
    EXPECT_TRUE(prompts.shown().empty());
    EXPECT_NE(ReadFile(dir.file("data/missing.m3u8")).find(dir.file("b.mp3") + "\n"), std::string::npos);
}

TEST_F(MainWindowTest, WhatTheWindowDoesNotUseSurvivesALoadAndASave)
{
    MakeDir(dir.file("data"));
    MakeMp3(dir.file("a.mp3"));
    MakeMp3(dir.file("b.mp3"));
    MakeMp3(dir.file("c.mp3"));
    const std::string file = dir.file("data/playlist.m3u8");
    WriteFile(file, "#EXTM3U\n#EXTINF:10,A\n" + dir.file("a.mp3") + "\n#EXTINF:-1,Radio\nhttp://radio.example/live\n"
                        + "#EXTINF:20,B\n" + dir.file("b.mp3") + "\n#EXTVLCOPT:no-video\n");
    frm->SetPlaylistFile(file);
    frm->LoadSavedPlaylist();
    ASSERT_EQ(playlist().Count(), 2);
    EXPECT_EQ(Warnings(prompts), std::vector<std::string>{"1 entry of the saved playlist could not be read and was "
                                                          "left out:\r\n" + file});
    playlist().AddFileToPlaylist(dir.file("c.mp3"));
    ASSERT_TRUE(frm->close());
    const std::string saved = ReadFile(file);
    const std::string column = saved.substr(0, saved.find('\n', 8) + 1);
    EXPECT_EQ(column.rfind("#EXTM3U\n#TUNEVAULT-COLUMN:", 0), 0u) << saved;
    EXPECT_EQ(saved.substr(column.size()), "#EXTINF:10,A\n" + dir.file("a.mp3") + "\n#EXTINF:-1,Radio\n"
                                               + "http://radio.example/live\n#EXTINF:20,B\n" + dir.file("b.mp3")
                                               + "\n" + dir.file("c.mp3") + "\n#EXTVLCOPT:no-video\n");

    // Counted in the plural; a line too long for any path is dropped at the
    // next save, which the warning says.
    WriteFile(file, saved + "ftp://x\n\x01\n/" + std::string(M3uPlaylist::kMaxLineBytes, 'x') + "\n");
    prompts.clearShown();
    TfrmMain next(prompts);
    next.SetPlaylistFile(file);
    next.LoadSavedPlaylist();
    EXPECT_EQ(next.playlist()->Count(), 3);
    EXPECT_EQ(Warnings(prompts),
              std::vector<std::string>{"4 entries of the saved playlist could not be read and were left out:\r\n" + file
                                       + "\r\n1 line of it (longer than 16384 bytes, or past 32 MB of unused lines) "
                                         "cannot be kept and will be dropped when the playlist is saved."});
    ASSERT_TRUE(next.close());
    EXPECT_EQ(ReadFile(file), saved + "ftp://x\n\x01\n");
}

TEST_F(MainWindowTest, ALinkedPlaylistStaysALinkAndItsTargetIsSaved)
{
    MakeDir(dir.file("data"));
    MakeDir(dir.file("sync"));
    MakeMp3(dir.file("a.mp3"));
    WriteFile(dir.file("sync/list.m3u8"), "#EXTM3U\n#EXTINF:1,Kept\n");
    const std::string link = dir.file("data/playlist.m3u8");
    ASSERT_EQ(symlink("../sync/list.m3u8", link.c_str()), 0);
    frm->SetPlaylistFile(link);
    frm->LoadSavedPlaylist();
    playlist().AddFileToPlaylist(dir.file("a.mp3"));
    ASSERT_TRUE(frm->close());
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    const std::string saved = ReadFile(dir.file("sync/list.m3u8"));
    EXPECT_NE(saved.find(dir.file("a.mp3") + "\n#EXTINF:1,Kept\n"), std::string::npos) << saved;
    EXPECT_EQ(Listing(dir.file("sync")), std::vector<std::string>{"list.m3u8"});
    EXPECT_EQ(Listing(dir.file("data")), std::vector<std::string>{"playlist.m3u8"});
    EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(MainWindowTest, AHugeSavedPlaylistWithoutLineBreaksLoadsInLittleMemory)
{
    MakeMp3(dir.file("a.mp3"));
    const std::string file = dir.file("huge.m3u8");
    {
        // Sparse: it reads as NUL bytes, none of them a line break.
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, std::int64_t{3} << 30), 0);
        const std::string head = dir.file("a.mp3") + "\n";
        ASSERT_EQ(pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
        ASSERT_EQ(pwrite(fd, "x", 1, std::int64_t{2} << 30), 1);
        close(fd);
    }
    frm->SetPlaylistFile(file);
    // The data segment may grow by 100 MB while the playlist is loaded.
    rlimit before {};
    ASSERT_EQ(getrlimit(RLIMIT_DATA, &before), 0);
    std::size_t data = 0;
    {
        FILE* status = fopen("/proc/self/status", "r");
        ASSERT_NE(status, nullptr);
        char line[256];
        while (fgets(line, sizeof line, status))
            if (sscanf(line, "VmData: %zu kB", &data) == 1)
                break;
        fclose(status);
    }
    ASSERT_GT(data, 0u);
    const rlimit limited {data * 1024 + (100u << 20), before.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_DATA, &limited), 0);
    void* tooMuch = std::malloc(200u << 20); // the limit holds
    EXPECT_EQ(tooMuch, nullptr);
    std::free(tooMuch);
    frm->LoadSavedPlaylist();
    EXPECT_EQ(setrlimit(RLIMIT_DATA, &before), 0);
    EXPECT_EQ(playlist().Count(), 1);
    EXPECT_EQ(Warnings(prompts),
              std::vector<std::string>{"1 entry of the saved playlist could not be read and was left out:\r\n" + file
                                       + "\r\n1 line of it (longer than 16384 bytes, or past 32 MB of unused lines) "
                                         "cannot be kept and will be dropped when the playlist is saved."});
}

TEST_F(MainWindowTest, AFirstStartSaysHowToFillThePlaylistUntilItHasRows)
{
    frm->SetPlaylistFile(dir.file("data/playlist.m3u8"));
    frm->LoadSavedPlaylist();
    const QString hint = frm->statusBar()->currentMessage();
    EXPECT_TRUE(hint.contains(QStringLiteral("drag songs or folders from the browser"))) << hint.toStdString();
    MakeMp3(dir.file("a.mp3"));
    playlist().AddFilesToPlaylist({dir.file("a.mp3")});
    EXPECT_EQ(frm->statusBar()->currentMessage(), QString());
}
