// Saves through the journal stopped after each of their steps, torn writes,
// batches killed at random, files replaced or deleted while they are saved,
// and damaged journal records: afterwards every file is as it was or as
// saved, both tags together, its hard links whole, nothing left beside it.
#include "changerecord.h"
#include "filefixtures.h"
#include "filesave.h"
#include "savejournal.h"
#include "savetags.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"
#include "writebatch.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstdio>
#include <random>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum class Layout { Room, NoRoom, HardLink };

const char* Name(Layout layout)
{
    return layout == Layout::Room ? "room" : layout == Layout::NoRoom ? "no room" : "hard link";
}

// Both tags saying `title`; with room in the ID3v2 tag or without.
void SetTitles(const std::string& path, const std::string& title, const TagOptions& options)
{
    Tmp3TagV1 v1(options);
    Tmp3TagV2 v2(options);
    v1.LoadFromFile(path);
    ASSERT_TRUE(v2.LoadFromFile(path));
    v1.SetTitle(title);
    v2.SetTitle(title);
    const TagSaveFailures failures = SaveTags(path, &v1, &v2, nullptr);
    ASSERT_EQ(failures.v2, "");
}

// The save under test: both titles, with the default options.
TagSaveFailures SaveNew(const std::string& path, FolderFlushes* flushes = nullptr)
{
    Tmp3TagV1 v1;
    Tmp3TagV2 v2;
    v1.LoadFromFile(path);
    v2.LoadFromFile(path);
    v1.SetTitle("A new title, longer than the old one");
    v2.SetTitle("A new title, longer than the old one");
    return SaveTags(path, &v1, &v2, flushes);
}

struct Song {
    std::string path;
    std::string link;      // a second name of the same file, or empty
    std::string oldBytes;
    std::string newBytes;  // what an uninterrupted save makes of it
};

// A song of `layout` at `path`, made with the journal of `scratch`.
Song MakeSong(const std::string& path, Layout layout, const std::string& scratch)
{
    // A journal of its own, apart from the one the test interrupts.
    SaveJournal::SetProcessFolder(scratch + "/setup-journal");
    Song song {path, {}, {}, {}};
    WriteFile(path, AudioBytes(200000) + Id3v1Block("Old", "Artist"));
    TagOptions options;
    options.leaveRoom = layout == Layout::Room;
    options.padding = 4096;
    SetTitles(path, "Old", options);
    song.oldBytes = ReadFile(path);
    const std::string twin = scratch + "/twin.mp3";
    WriteFile(twin, song.oldBytes);
    EXPECT_EQ(SaveNew(twin).v2, "");
    song.newBytes = ReadFile(twin);
    ::unlink(twin.c_str());
    if (layout == Layout::HardLink) {
        song.link = path + ".link";
        EXPECT_EQ(::link(path.c_str(), song.link.c_str()), 0);
    }
    SaveJournal::SetProcessFolder({});
    return song;
}

// The song is as it was or as saved, and its link is the same file.
void ExpectWhole(const Song& song, const std::string& context)
{
    const std::string bytes = ReadFile(song.path);
    EXPECT_TRUE(bytes == song.oldBytes || bytes == song.newBytes) << context << ": " << song.path;
    if (!song.link.empty()) {
        struct stat a {}, b {};
        ASSERT_EQ(::stat(song.path.c_str(), &a), 0);
        ASSERT_EQ(::stat(song.link.c_str(), &b), 0);
        EXPECT_EQ(a.st_ino, b.st_ino) << context;
        EXPECT_EQ(a.st_nlink, 2u) << context;
    }
}

// Runs `body` in a child that saves through the journal in `journal`, and
// waits for it; its exit code.
int InChild(const std::string& journal, const std::function<void()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        SaveJournal::SetProcessFolder(journal);
        body();
        ::_exit(3);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> Names(const std::string& folder)
{
    return Listing(folder);
}

} // namespace

TEST(SaveJournal, EveryStepOfASaveIsOldOrNewAfterRecovery)
{
    for (const Layout layout : {Layout::Room, Layout::NoRoom, Layout::HardLink}) {
        for (const SaveStep stop : {SaveStep::Recorded, SaveStep::Written, SaveStep::Flushed, SaveStep::Exchanged}) {
            TempDir dir;
            MakeDir(dir.file("music"));
            const Song song = MakeSong(dir.file("music/song.mp3"), layout, dir.path());
            const std::vector<std::string> names = Names(dir.file("music"));
            const std::string journal = dir.file("journal");
            const int code = InChild(journal, [&] {
                SetSaveStepHook([&](SaveStep step, int, const ChangeRecord&) {
                    if (step == stop)
                        ::_exit(0);
                });
                SaveNew(song.path);
            });
            const std::string context = std::string(Name(layout)) + ", step " + std::to_string(int(stop));
            ASSERT_TRUE(code == 0 || code == 3) << context;
            const SaveJournal::RecoveryReport report = SaveJournal::ForFolder(journal)->Recover();
            EXPECT_TRUE(report.leftAlone.empty()) << context;
            ExpectWhole(song, context);
            EXPECT_EQ(Names(dir.file("music")), names) << context;
            // What a stop after the flush left is finished, not rolled back.
            if (code == 0 && stop == SaveStep::Flushed && layout != Layout::NoRoom) {
                EXPECT_TRUE(ReadFile(song.path) == song.newBytes) << context;
            }
        }
    }
}

TEST(SaveJournal, TornWritesAreCompletedAndOtherChangesLeftAlone)
{
    for (const Layout layout : {Layout::Room, Layout::HardLink}) {
        for (const bool otherwiseChanged : {false, true}) {
            TempDir dir;
            const Song song = MakeSong(dir.file("song.mp3"), layout, dir.path());
            const std::string journal = dir.file("journal");
            // The process dies with part of the new bytes written.
            InChild(journal, [&] {
                SetSaveStepHook([&](SaveStep step, int fd, const ChangeRecord& record) {
                    if (step != SaveStep::Recorded)
                        return;
                    const std::string& bytes = record.kind == ChangeKind::WriteBack ? record.content : record.front;
                    if (::pwrite(fd, bytes.data(), bytes.size() / 2, 0) < 0)
                        ::_exit(2);
                    ::_exit(0);
                });
                SaveNew(song.path);
            });
            const std::string torn = ReadFile(song.path);
            ASSERT_TRUE(torn != song.oldBytes && torn != song.newBytes) << Name(layout);
            if (otherwiseChanged) {
                // Another program wrote there since: neither old nor new.
                std::string bytes = torn;
                bytes[12] = '\x7F';
                WriteFile(song.path, bytes);
            }
            const std::string before = ReadFile(song.path);
            const SaveJournal::RecoveryReport report = SaveJournal::ForFolder(journal)->Recover();
            if (otherwiseChanged) {
                ASSERT_EQ(report.leftAlone.size(), 1u) << Name(layout);
                EXPECT_EQ(report.leftAlone[0].first, song.path);
                EXPECT_TRUE(ReadFile(song.path) == before);
            } else {
                EXPECT_EQ(report.recovered, std::vector<std::string> {song.path});
                EXPECT_TRUE(ReadFile(song.path) == song.newBytes) << Name(layout);
                ExpectWhole(song, Name(layout));
            }
        }
    }
}

TEST(SaveJournal, KilledBatchesLeaveNoFileDamagedAfterTvTagRecover)
{
    TempDir dir;
    MakeDir(dir.file("music"));
    const std::string data = dir.file("data");
    const std::string journal = data + "/Orvanel Soft/Tunevault";
    std::mt19937 random(20261209);
    int killedMidway = 0;
    for (int trial = 0; trial < 12; ++trial) {
        std::vector<Song> songs;
        for (int i = 0; i < 9; ++i) {
            const std::string path = dir.file("music/" + std::to_string(trial) + "-" + std::to_string(i) + ".mp3");
            songs.push_back(MakeSong(path, static_cast<Layout>(i % 3), dir.path()));
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            SaveJournal::SetProcessFolder(journal);
            WriteBatch<int> batch;
            for (const Song& song : songs)
                batch.Add([&song](FolderFlushes& flushes) { return SaveNew(song.path, &flushes).v2.empty() ? 1 : 0; });
            batch.Drain([](int) {}, [] { return true; }, kWriteBatchTick);
            ::_exit(0);
        }
        ::usleep(static_cast<useconds_t>(std::uniform_int_distribution<int>(0, 30000)(random)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        killedMidway += WIFSIGNALED(status) ? 1 : 0;

        const std::string command = "XDG_DATA_HOME='" + data + "' " + TV_TAG_PROGRAM + " recover 2>&1";
        FILE* tool = ::popen(command.c_str(), "r");
        ASSERT_NE(tool, nullptr);
        std::string output, last;
        char line[4096];
        while (std::fgets(line, sizeof line, tool)) {
            output += line;
            last = line;
        }
        EXPECT_EQ(::pclose(tool), 0) << output;
        EXPECT_EQ(last.rfind("recovered ", 0), 0u) << output;
        EXPECT_NE(last.find(" files"), std::string::npos) << output;
        for (const Song& song : songs)
            ExpectWhole(song, "trial " + std::to_string(trial));
    }
    // Nothing beside the songs and their links.
    for (const std::string& name : Names(dir.file("music")))
        EXPECT_EQ(name.find('~'), std::string::npos) << name;
    EXPECT_EQ(Names(dir.file("music")).size(), 12u * (9 + 3));
    if (killedMidway == 0)
        GTEST_SKIP() << "every batch ended before it could be killed";
}

TEST(SaveJournal, AFileReplacedOrDeletedWhileSavedIsNeverOverwritten)
{
    for (const Layout layout : {Layout::Room, Layout::NoRoom}) {
        for (const bool deleted : {false, true}) {
            TempDir dir;
            MakeDir(dir.file("music"));
            const Song song = MakeSong(dir.file("music/song.mp3"), layout, dir.path());
            SaveJournal::SetProcessFolder(dir.file("journal"));
            const std::string other = dir.file("other.mp3");
            WriteFile(other, "another program's file");
            // At the save's first flush another program replaces the file
            // or deletes it.
            bool done = false;
            SetSaveStepHook([&](SaveStep step, int, const ChangeRecord&) {
                if (step != SaveStep::Flushed || done)
                    return;
                done = true;
                if (deleted)
                    ::unlink(song.path.c_str());
                else
                    ::rename(other.c_str(), song.path.c_str());
            });
            const TagSaveFailures failures = SaveNew(song.path);
            SetSaveStepHook({});
            SaveJournal::SetProcessFolder({});
            const std::string context = std::string(Name(layout)) + (deleted ? ", deleted" : ", replaced");
            EXPECT_EQ(failures.v2, deleted ? kFileDeletedWhileSaving : kFileReplacedWhileSaving) << context;
            if (deleted) {
                EXPECT_FALSE(Exists(song.path)) << context;
                EXPECT_TRUE(Names(dir.file("music")).empty()) << context;
            } else {
                EXPECT_TRUE(ReadFile(song.path) == "another program's file") << context;
                EXPECT_EQ(Names(dir.file("music")), std::vector<std::string> {"song.mp3"}) << context;
            }
        }
    }
}

TEST(SaveJournal, ADamagedRecordIsRefusedAndNeverWrittenBack)
{
    TempDir dir;
    const Song song = MakeSong(dir.file("song.mp3"), Layout::Room, dir.path());
    const std::string journal = dir.file("journal");
    // A save stopped once its change is recorded, before it wrote anything.
    InChild(journal, [&] {
        SetSaveStepHook([](SaveStep step, int, const ChangeRecord&) {
            if (step == SaveStep::Recorded)
                ::_exit(0);
        });
        SaveNew(song.path);
    });
    // One byte of the record's new tag flipped on disk.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((journal + "/journal.sqlite").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "UPDATE changes SET body = substr(body, 1, length(body) - 40)"
                               " || x'FF' || substr(body, length(body) - 38)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(sqlite3_changes(db), 1);
    sqlite3_close(db);
    const SaveJournal::RecoveryReport report = SaveJournal::ForFolder(journal)->Recover();
    EXPECT_EQ(report.refused, 1);
    EXPECT_TRUE(report.recovered.empty());
    EXPECT_TRUE(ReadFile(song.path) == song.oldBytes);
}

TEST(SaveJournal, HolesStayHolesWhenTheTagGrows)
{
    TempDir dir;
    SaveJournal::SetProcessFolder(dir.file("journal"));
    const std::string path = dir.file("sparse.mp3");
    WriteFile(path, AudioBytes(4096));
    constexpr off_t kSize = off_t(256) << 20;
    ASSERT_EQ(::truncate(path.c_str(), kSize - 128), 0);
    {
        // Audio again after the hole, and an ID3v1 block.
        const std::string tail = Id3v1Block("Old", "Artist");
        FILE* file = std::fopen(path.c_str(), "ab");
        ASSERT_NE(file, nullptr);
        std::fwrite(tail.data(), 1, tail.size(), file);
        std::fclose(file);
    }
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ASSERT_LT(before.st_blocks * 512, off_t(1) << 20) << "no holes on this file system";
    // No tag yet: the new one cannot fit, and a new file is written.
    EXPECT_EQ(SaveNew(path).v2, "");
    SaveJournal::SetProcessFolder({});
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_GT(after.st_size, kSize);
    EXPECT_LT(after.st_blocks * 512, off_t(2) << 20);
    Tmp3TagV1 v1;
    v1.LoadFromFile(path);
    EXPECT_EQ(v1.Title(), "A new title, longer than the o");  // 30 characters
}
