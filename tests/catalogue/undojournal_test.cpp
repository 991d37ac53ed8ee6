// The undo journal on its own: tag bytes put back around the audio the file
// holds, its cap in entries and bytes, damaged and unfinished entries, a
// cancelled undo, and one process at a time.

#include "filefixtures.h"
#include "tundojournal.h"
#include "tundorecorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr std::size_t kAudio = 4000;

std::string Song(const std::string& path, const std::string& artist)
{
    WriteFile(path, Id3v2Tag(3, artist, "Title") + AudioBytes(kAudio) + Id3v1Block("Title", artist));
    return path;
}

// New tags of other sizes around the audio the file holds; the audio is
// changed as well where it lies, to show that it is never journaled.
void Retag(const std::string& path)
{
    std::string bytes = ReadFile(path);
    const auto* size = reinterpret_cast<const unsigned char*>(bytes.data() + 6);
    const std::size_t v2 = 10 + (size[0] << 21) + (size[1] << 14) + (size[2] << 7) + size[3];
    std::string audio = bytes.substr(v2, bytes.size() - v2 - 128);
    WriteFile(path, Id3v2Tag(4, "Someone else", "Other") + audio + Id3v1Block("Other", "Someone"));
}

class UndoJournalTest : public ::testing::Test {
protected:
    // One tag command over `paths`: `change` rewrites each between its records.
    static bool Record(TUndoJournal& journal, const std::vector<std::string>& paths,
                       const std::function<void(const std::string&)>& change)
    {
        std::unique_ptr<TUndoRecorder> recorder = journal.Begin(UndoKind::Tags);
        EXPECT_NE(recorder, nullptr);
        for (const std::string& path : paths) {
            const TUndoRecorder::TagWrite write(recorder.get(), path);
            change(path);
        }
        return journal.Commit(std::move(recorder));
    }

    std::vector<std::string> JournalFiles() const
    {
        std::vector<std::string> names;
        if (DIR* d = opendir(folder.c_str())) {
            while (const dirent* e = readdir(d))
                if (e->d_name[0] != '.')
                    names.push_back(e->d_name);
            closedir(d);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    std::string folder = dir.file("data/undo");
};

} // namespace

TEST_F(UndoJournalTest, PutsTagBytesBackAroundTheAudioAndSurvivesARestart)
{
    const std::string a = Song(dir.file("a.mp3"), "Nina");
    const std::string b = Song(dir.file("b.mp3"), "Otto");
    std::string expected = ReadFile(a);
    struct stat original {};
    ASSERT_EQ(stat(a.c_str(), &original), 0);
    {
        TUndoJournal journal(folder);
        EXPECT_FALSE(journal.Last());
        // A file the command did not change is not part of the entry.
        EXPECT_TRUE(Record(journal, {a, b}, [&](const std::string& path) {
            if (path == a)
                Retag(path);
        }));
        EXPECT_EQ(journal.Last()->files, 1);
        // Nothing changed at all: no entry, the last one stays.
        EXPECT_FALSE(Record(journal, {b}, [](const std::string&) {}));
        EXPECT_EQ(journal.EntryCount(), 1);
    }
    // The journal holds tags, not audio.
    const std::vector<std::string> files = JournalFiles();
    ASSERT_EQ(files, (std::vector<std::string>{"0000000001.undo", "lock"}));
    struct stat st {};
    ASSERT_EQ(stat((folder + "/" + files[0]).c_str(), &st), 0);
    EXPECT_LT(st.st_size, static_cast<off_t>(kAudio / 4));

    // After a restart. The tags go back around the audio the file holds
    // now: here changed behind the journal's back, keeping size and time.
    struct stat now {};
    ASSERT_EQ(stat(a.c_str(), &now), 0);
    std::string bytes = ReadFile(a);
    bytes[bytes.size() - 200] = 'Z';
    expected[expected.size() - 200] = 'Z';
    WriteFile(a, bytes);
    const timespec times[2] = {{0, UTIME_OMIT}, now.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, a.c_str(), times, 0), 0);
    TUndoJournal journal(folder);
    ASSERT_TRUE(journal.Last());
    EXPECT_EQ(journal.Last()->kind, UndoKind::Tags);
    std::vector<std::string> rewritten;
    const TUndoJournal::Report report =
        journal.UndoLast({[&](const std::string& p) { rewritten.push_back(p); }, {}});
    EXPECT_EQ(report.restored, std::vector<std::string>{a});
    EXPECT_EQ(rewritten, std::vector<std::string>{a});
    EXPECT_EQ(ReadFile(a), expected);
    // Its time is the one before the command, as an older entry expects.
    struct stat after {};
    ASSERT_EQ(stat(a.c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_sec, original.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, original.st_mtim.tv_nsec);
    EXPECT_FALSE(journal.Last());
    EXPECT_EQ(JournalFiles(), std::vector<std::string>{"lock"});
}

TEST_F(UndoJournalTest, KeepsItsNewestEntriesWithinItsCap)
{
    const std::string a = Song(dir.file("a.mp3"), "Nina");
    // At most two entries.
    TUndoJournal few(dir.file("few"), TUndoJournal::kDefaultMaxBytes, 2);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Record(few, {a}, Retag));
    EXPECT_EQ(few.EntryCount(), 2);

    // Bytes for two and a half entries: the oldest goes.
    struct stat st {};
    ASSERT_EQ(stat((dir.file("few") + "/0000000003.undo").c_str(), &st), 0);
    TUndoJournal tight(dir.file("tight"), st.st_size * 5 / 2, 10);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Record(tight, {a}, Retag));
    EXPECT_EQ(tight.EntryCount(), 2);

    // An entry larger than the whole journal cannot be kept, and the entries
    // before it are no longer the last change.
    const std::string big = Song(dir.file("big.mp3"), std::string(static_cast<std::size_t>(st.st_size) * 3, 'x'));
    EXPECT_FALSE(Record(tight, {big}, Retag));
    EXPECT_EQ(tight.EntryCount(), 0);
    EXPECT_FALSE(tight.Last());
}

TEST_F(UndoJournalTest, ACancelledUndoKeepsTheRestAndDamageIsDropped)
{
    const std::string a = Song(dir.file("a.mp3"), "Nina");
    const std::string b = Song(dir.file("b.mp3"), "Otto");
    const std::string beforeA = ReadFile(a);
    const std::string beforeB = ReadFile(b);
    auto journal = std::make_unique<TUndoJournal>(folder);
    ASSERT_TRUE(Record(*journal, {a, b}, Retag));
    // Only one process uses the journal at a time.
    {
        TUndoJournal other(folder);
        EXPECT_FALSE(other.Last());
        EXPECT_EQ(other.Begin(UndoKind::Tags), nullptr);
    }

    TUndoJournal::Report report = journal->UndoLast({{}, [](int done, int) { return done < 1; }});
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(ReadFile(a), beforeA);
    EXPECT_NE(ReadFile(b), beforeB);
    ASSERT_TRUE(journal->Last());
    EXPECT_EQ(journal->Last()->files, 1);
    report = journal->UndoLast({});
    EXPECT_EQ(report.restored, std::vector<std::string>{b});
    EXPECT_EQ(ReadFile(b), beforeB);

    // A damaged entry is told and dropped; a command that never ended is
    // cleared away when the journal is taken up.
    ASSERT_TRUE(Record(*journal, {a}, Retag));
    const std::vector<std::string> files = JournalFiles();
    ASSERT_EQ(files.size(), 2u);
    const std::string entry = folder + "/" + files[0];
    std::string bytes = ReadFile(entry);
    bytes[0] = 'X';
    WriteFile(entry, bytes);
    report = journal->UndoLast({});
    EXPECT_EQ(report.journalError, "The journal entry is damaged");
    EXPECT_TRUE(report.restored.empty());
    WriteFile(folder + "/0000000099.part", "unfinished");
    journal.reset();
    journal = std::make_unique<TUndoJournal>(folder);
    EXPECT_EQ(JournalFiles(), std::vector<std::string>{"lock"});
}
