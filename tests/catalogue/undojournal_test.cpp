// The undo journal on its own: tag bytes put back around the audio the file
// holds, its cap in entries and bytes, damaged and unfinished entries, a
// cancelled undo, and one process at a time. Its entries are rows of the
// save journal's database, looked at here as another process would.

#include "filefixtures.h"
#include "sqlitestatement.h"
#include "tundojournal.h"
#include "tundorecorder.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

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

    using Database = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;

    // The database of the journal in `journalFolder`, opened on its own.
    static Database Open(const std::string& journalFolder)
    {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open_v2((journalFolder + "/journal.sqlite").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr),
                  SQLITE_OK);
        sqlite3_busy_timeout(db, 30000);
        return Database(db, &sqlite3_close_v2);
    }

    // The number `sql` gives first; -1 when it gives none.
    static std::int64_t Number(const std::string& journalFolder, const std::string& sql)
    {
        const Database db = Open(journalFolder);
        SqliteStatement select(db.get(), sql);
        return select.step() ? select.integer(0) : -1;
    }

    // The commands and the undo records in the journal.
    std::pair<std::int64_t, std::int64_t> Rows() const
    {
        return {Number(folder, "SELECT count(*) FROM commands"), Number(folder, "SELECT count(*) FROM undo_records")};
    }

    TempDir dir;
    std::string folder = dir.file("data");
};

} // namespace

TEST_F(UndoJournalTest, PutsTagBytesBackAroundTheAudioAndSurvivesARestart)
{
    const std::string a = Song(dir.file("a.mp3"), "Nina");
    const std::string b = Song(dir.file("b.mp3"), "Otto");
    std::string expected = ReadFile(a);
    struct stat original {};
    ASSERT_EQ(stat(a.c_str(), &original), 0);
    // An entry file of an earlier version is neither read nor removed.
    MakeDir(folder);
    MakeDir(folder + "/undo");
    const std::string oldEntry = folder + "/undo/0000000001.undo";
    WriteFile(oldEntry, "TVUNDO1 of an earlier version");
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
    // One complete command of one file; the journal holds tags, not audio.
    EXPECT_EQ(Number(folder, "SELECT count(*) FROM commands"), 1);
    EXPECT_EQ(Number(folder, "SELECT files FROM commands WHERE state = 1"), 1);
    EXPECT_LT(Number(folder, "SELECT sum(length(body)) FROM undo_records"), static_cast<std::int64_t>(kAudio / 4));

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
    EXPECT_EQ(Rows(), std::make_pair(std::int64_t(0), std::int64_t(0)));
    EXPECT_EQ(ReadFile(oldEntry), "TVUNDO1 of an earlier version");
}

TEST_F(UndoJournalTest, KeepsItsNewestEntriesWithinItsCap)
{
    const std::string a = Song(dir.file("a.mp3"), "Nina");
    // At most two entries.
    TUndoJournal few(dir.file("few"), TUndoJournal::kDefaultMaxBytes, 2);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Record(few, {a}, Retag));
    EXPECT_EQ(few.EntryCount(), 2);
    EXPECT_EQ(Number(dir.file("few"), "SELECT count(*) FROM commands"), 2);

    // Bytes for two and a half entries: the oldest goes.
    const std::int64_t entryBytes = Number(dir.file("few"), "SELECT sum(length(body)) FROM undo_records"
                                                            " WHERE command = (SELECT max(id) FROM commands)");
    ASSERT_GT(entryBytes, 0);
    TUndoJournal tight(dir.file("tight"), entryBytes * 5 / 2, 10);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Record(tight, {a}, Retag));
    EXPECT_EQ(tight.EntryCount(), 2);
    EXPECT_EQ(Number(dir.file("tight"), "SELECT count(*) FROM commands"), 2);

    // An entry larger than the whole journal cannot be kept, and the entries
    // before it are no longer the last change.
    const std::string big = Song(dir.file("big.mp3"), std::string(static_cast<std::size_t>(entryBytes) * 3, 'x'));
    EXPECT_FALSE(Record(tight, {big}, Retag));
    EXPECT_EQ(tight.EntryCount(), 0);
    EXPECT_FALSE(tight.Last());
    EXPECT_EQ(Number(dir.file("tight"), "SELECT count(*) FROM commands"), 0);
    EXPECT_EQ(Number(dir.file("tight"), "SELECT count(*) FROM undo_records"), 0);
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
    // The rest is what is kept, after a restart too.
    journal.reset();
    journal = std::make_unique<TUndoJournal>(folder);
    ASSERT_TRUE(journal->Last());
    EXPECT_EQ(journal->Last()->files, 1);
    report = journal->UndoLast({});
    EXPECT_EQ(report.restored, std::vector<std::string>{b});
    EXPECT_TRUE(report.changed.empty()); // a, done already, is not in it
    EXPECT_EQ(ReadFile(b), beforeB);

    // A damaged entry is told and dropped, nothing written back from it: a
    // byte of its tags flipped still reads, only the checksum tells.
    ASSERT_TRUE(Record(*journal, {a}, Retag));
    const std::string retagged = ReadFile(a);
    {
        const Database db = Open(folder);
        SqliteStatement select(db.get(), "SELECT id, body FROM undo_records ORDER BY id LIMIT 1");
        ASSERT_TRUE(select.step());
        std::string body = select.blob(1);
        body[body.size() / 2] ^= 0x20;
        SqliteStatement update(db.get(), "UPDATE undo_records SET body = ?2 WHERE id = ?1");
        ASSERT_TRUE(update.bind(1, select.integer(0)).bindBlob(2, body).run());
    }
    report = journal->UndoLast({});
    EXPECT_EQ(report.journalError, "The journal entry is damaged");
    EXPECT_TRUE(report.restored.empty());
    EXPECT_EQ(ReadFile(a), retagged);
    EXPECT_FALSE(journal->Last());
    EXPECT_EQ(Rows(), std::make_pair(std::int64_t(0), std::int64_t(0)));

    // A command that never ended goes with all it recorded: dropped without
    // a commit here, left by a process that ended there.
    {
        std::unique_ptr<TUndoRecorder> recorder = journal->Begin(UndoKind::Tags);
        ASSERT_NE(recorder, nullptr);
        const TUndoRecorder::TagWrite write(recorder.get(), a);
        Retag(a);
    }
    EXPECT_EQ(Rows(), std::make_pair(std::int64_t(0), std::int64_t(0)));
    journal.reset();
    {
        const Database db = Open(folder);
        ASSERT_EQ(sqlite3_exec(db.get(),
                               "INSERT INTO commands(owner, kind, state) VALUES('1-ended', 84, 0);"
                               "INSERT INTO undo_records(command, body, checksum) VALUES(last_insert_rowid(), x'41', 0)",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
    }
    journal = std::make_unique<TUndoJournal>(folder);
    EXPECT_FALSE(journal->Last());
    EXPECT_NE(journal->Begin(UndoKind::Tags), nullptr);
    EXPECT_EQ(Rows(), std::make_pair(std::int64_t(0), std::int64_t(0)));
}

TEST_F(UndoJournalTest, AnUndoOfTagsFollowsAMovedFileAndNeverWritesAnother)
{
    MakeDir(dir.file("other"));
    const std::string a = Song(dir.file("a.mp3"), "Nina");  // moved twice by the program
    const std::string b = Song(dir.file("b.mp3"), "Otto");  // renamed behind the program's back
    const std::string c = Song(dir.file("c.mp3"), "Petra"); // replaced by another file
    const std::string beforeA = ReadFile(a);
    const std::string beforeB = ReadFile(b);
    const std::string movedA = dir.file("other/a moved.mp3");
    const std::string renamedB = dir.file("b renamed.mp3");
    {
        TUndoJournal journal(folder);
        ASSERT_TRUE(Record(journal, {a, b, c}, Retag));
        const std::string between = dir.file("a1.mp3");
        ASSERT_EQ(::rename(a.c_str(), between.c_str()), 0);
        journal.FileMoved(a, between);
        ASSERT_EQ(::rename(between.c_str(), movedA.c_str()), 0);
        journal.FileMoved(between, movedA);
    }
    EXPECT_EQ(Number(folder, "SELECT count(*) FROM moves"), 2);
    ASSERT_EQ(::rename(b.c_str(), renamedB.c_str()), 0);
    // Another file with the content, size and time of c takes its name.
    const std::string retaggedC = ReadFile(c);
    struct stat st {};
    ASSERT_EQ(::stat(c.c_str(), &st), 0);
    const std::string other = dir.file("other.tmp");
    WriteFile(other, retaggedC);
    const timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, other.c_str(), times, 0), 0);
    ASSERT_EQ(::rename(other.c_str(), c.c_str()), 0);

    // After a restart.
    TUndoJournal journal(folder);
    std::vector<std::string> rewritten;
    const TUndoJournal::Report report = journal.UndoLast({[&](const std::string& p) { rewritten.push_back(p); }, {}});
    EXPECT_EQ(report.restored, (std::vector<std::string>{movedA, renamedB}));
    EXPECT_EQ(rewritten, report.restored);
    EXPECT_EQ(report.followed, (std::vector<std::pair<std::string, std::string>>{{a, movedA}, {b, renamedB}}));
    EXPECT_EQ(report.changed, std::vector<std::string>{c});
    EXPECT_EQ(ReadFile(movedA), beforeA);
    EXPECT_EQ(ReadFile(renamedB), beforeB);
    EXPECT_EQ(ReadFile(c), retaggedC);
    // No entry is left to follow a file for.
    EXPECT_EQ(Number(folder, "SELECT count(*) FROM moves"), 0);
}
