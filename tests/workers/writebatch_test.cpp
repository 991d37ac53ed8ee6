// Tag saves of many files at once on the worker pool: the files come out as
// saved one after another, failures are reported for exactly the failing
// files, and a batch killed half-way leaves each file old or new and no
// temporary file.

#include "writebatch.h"

#include "filefixtures.h"
#include "savetags.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

#include <gtest/gtest.h>

#include <csignal>
#include <exception>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr const char* kNewTitle = "A new and longer title";

// Three album folders of `perFolder` songs with both tags, in list order.
std::vector<std::string> MakeSongs(const std::string& root, int perFolder, std::size_t audioSize)
{
    std::vector<std::string> paths;
    MakeDir(root);
    for (int album = 0; album < 3; ++album) {
        const std::string folder = root + "/album " + std::to_string(album);
        MakeDir(folder);
        for (int i = 0; i < perFolder; ++i) {
            paths.push_back(folder + "/song " + std::to_string(100 + i) + ".mp3");
            WriteFile(paths.back(), Id3v2Tag(3, "Artist", "Old title") + AudioBytes(audioSize + i)
                                        + Id3v1Block("Old title", "Artist"));
        }
    }
    return paths;
}

// Both titles set and saved, as for each file of a multi-file update; the
// reason of a failure, or an empty text.
std::string SaveTitles(const std::string& path, FolderFlushes* laterFlushes, const TagOptions& options = {},
                       const std::string& title = kNewTitle)
{
    Tmp3TagV1 v1(options);
    Tmp3TagV2 v2(options);
    try {
        v1.LoadFromFile(path);
    } catch (const std::exception& e) {
        return e.what();
    }
    if (!v2.LoadFromFile(path))
        return v2.LastError();
    v1.SetTitle(title);
    v2.SetTitle(title);
    const TagSaveFailures failures = SaveTags(path, &v1, &v2, laterFlushes);
    return failures.v1 + failures.v2;
}

// The outcome of every file, in list order.
std::vector<std::string> RunBatch(const std::vector<std::string>& paths,
                                  const std::function<std::string(const std::string&, FolderFlushes*)>& job)
{
    WriteBatch<std::string> batch;
    for (const std::string& path : paths)
        batch.Add([path, &job](FolderFlushes& flushes) { return job(path, &flushes); });
    std::vector<std::string> outcomes;
    batch.Drain([&](std::string outcome) { outcomes.push_back(std::move(outcome)); }, [] { return true; },
                kWriteBatchTick);
    return outcomes;
}

std::vector<std::string> SaveInBatch(const std::vector<std::string>& paths)
{
    return RunBatch(paths, [](const std::string& path, FolderFlushes* flushes) { return SaveTitles(path, flushes); });
}

std::vector<std::string> Relative(const std::vector<std::string>& paths, std::size_t rootLength)
{
    std::vector<std::string> names;
    for (const std::string& path : paths)
        names.push_back(path.substr(rootLength));
    return names;
}

std::vector<std::string> FolderListing(const std::string& root)
{
    std::vector<std::string> names;
    for (const std::string& album : Listing(root))
        for (const std::string& name : Listing(root + "/" + album))
            names.push_back(album + "/" + name);
    return names;
}

}  // namespace

TEST(WriteBatchTest, SavesAsTheSerialPathAndReportsExactlyTheFailingFiles)
{
    TempDir dir;
    const std::vector<std::string> serial = MakeSongs(dir.file("serial"), 20, 3000);
    const std::vector<std::string> batch = MakeSongs(dir.file("batch"), 20, 3000);
    // A file gone, and a folder in place of a file.
    ::unlink(batch[7].c_str());
    ::unlink(batch[33].c_str());
    MakeDir(batch[33]);

    for (const std::string& path : serial)
        ASSERT_EQ(SaveTitles(path, nullptr), "") << path;
    const std::vector<std::string> outcomes = SaveInBatch(batch);
    ASSERT_EQ(outcomes.size(), batch.size());
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (i == 7 || i == 33) {
            EXPECT_NE(outcomes[i], "") << i;
            continue;
        }
        EXPECT_EQ(outcomes[i], "") << i;
        EXPECT_EQ(ReadFile(batch[i]), ReadFile(serial[i])) << i;
    }
    EXPECT_EQ(outcomes[7], "Cannot open file \"" + batch[7] + "\". No such file or directory");
    EXPECT_EQ(outcomes[33], "Cannot open file \"" + batch[33] + "\". Is a directory");
    // Nothing but the songs (and the folder in place of one).
    std::vector<std::string> expected = Relative(batch, dir.file("batch").size() + 1);
    expected.erase(expected.begin() + 7);
    EXPECT_EQ(FolderListing(dir.file("batch")), expected);
}

TEST(WriteBatchTest, KilledHalfWayLeavesEveryFileOldOrNewAndNoTemporaryFile)
{
    TempDir dir;
    const std::vector<std::string> songs = MakeSongs(dir.file("songs"), 40, 150000);
    const std::vector<std::string> twins = MakeSongs(dir.file("twins"), 40, 150000);
    std::vector<std::string> before;
    for (const std::string& path : songs)
        before.push_back(ReadFile(path));
    ASSERT_EQ(SaveInBatch(twins), std::vector<std::string>(twins.size()));
    // The new title is longer: a saved file has another size.
    const auto saved = [&] {
        std::size_t count = 0;
        for (std::size_t i = 0; i < songs.size(); ++i) {
            struct stat st {};
            count += ::stat(songs[i].c_str(), &st) == 0 && st.st_size != static_cast<off_t>(before[i].size());
        }
        return count;
    };
    const auto temporaryNamed = [&] {
        for (const std::string& name : FolderListing(dir.file("songs")))
            if (name.find('~') != std::string::npos)
                return true;
        return false;
    };

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        SaveInBatch(songs);
        ::_exit(0);
    }
    // Stopped once a third of the files are saved, at a moment when no
    // file is between getting its temporary name and being renamed over the
    // original (the one moment at which a kill leaves a complete, flushed
    // copy of the new content under that name), then killed.
    bool killed = false;
    int status = 0;
    while (!killed && ::waitpid(pid, &status, WNOHANG) == 0) {
        if (saved() < songs.size() / 3) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        ::kill(pid, SIGSTOP);
        ::waitpid(pid, &status, WUNTRACED);
        if (temporaryNamed()) {
            ::kill(pid, SIGCONT);
            continue;
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        killed = true;
    }
    if (!killed)
        GTEST_SKIP() << "the batch ended before it could be stopped";

    std::size_t renewed = 0;
    for (std::size_t i = 0; i < songs.size(); ++i) {
        const std::string bytes = ReadFile(songs[i]);
        const bool isNew = bytes == ReadFile(twins[i]);
        renewed += isNew ? 1 : 0;
        EXPECT_TRUE(isNew || bytes == before[i]) << songs[i];
    }
    EXPECT_GE(renewed, songs.size() / 3);
    EXPECT_LT(renewed, songs.size());
    EXPECT_EQ(FolderListing(dir.file("songs")), Relative(songs, dir.file("songs").size() + 1));
}

TEST(WriteBatchTest, HonoursTheTagOptionsAsOneFileAfterTheOtherDoes)
{
    // ID3v2.4 written, Windows-1251 for ID3v1 and ID3v2 encoding 0, times
    // kept: the batch's one rewrite of both tags gives the bytes and times
    // of an ID3v1 save followed by an ID3v2 save, and so does its removal
    // of both tags.
    TagOptions options;
    options.writeVersion = Id3v2WriteVersion::V24;
    options.codePage = "WINDOWS-1251";
    options.codePageForId3v2 = true;
    options.keepModificationTime = true;
    const std::string title = "\xd0\x9d\xd0\xbe\xd0\xb2\xd0\xb0\xd1\x8f";  // a Cyrillic word
    TempDir dir;
    const std::vector<std::string> serial = MakeSongs(dir.file("serial"), 3, 2000);
    const std::vector<std::string> batch = MakeSongs(dir.file("batch"), 3, 2000);
    const struct timespec old = {1000000000, 123456789};
    const auto setOld = [&](const std::vector<std::string>& paths) {
        for (const std::string& path : paths) {
            const struct timespec times[2] = {old, old};
            ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        }
    };
    const auto expectAlike = [&] {
        for (std::size_t i = 0; i < batch.size(); ++i) {
            EXPECT_EQ(ReadFile(batch[i]), ReadFile(serial[i])) << i;
            struct stat st {};
            ASSERT_EQ(::stat(batch[i].c_str(), &st), 0);
            EXPECT_EQ(std::pair(st.st_mtim.tv_sec, st.st_mtim.tv_nsec), std::pair(old.tv_sec, old.tv_nsec)) << i;
        }
    };

    setOld(serial);
    setOld(batch);
    for (const std::string& path : serial) {
        Tmp3TagV1 v1(options);
        v1.LoadFromFile(path);
        v1.SetTitle(title);
        v1.SaveToFile(path);
        Tmp3TagV2 v2(options);
        ASSERT_TRUE(v2.LoadFromFile(path));
        v2.SetTitle(title);
        ASSERT_TRUE(v2.SaveToFile(path)) << v2.LastError();
    }
    const auto save = [&](const std::string& path, FolderFlushes* flushes) {
        return SaveTitles(path, flushes, options, title);
    };
    EXPECT_EQ(RunBatch(batch, save), std::vector<std::string>(batch.size()));
    expectAlike();
    const std::string bytes = ReadFile(batch[0]);
    EXPECT_EQ(bytes[3], 4);
    EXPECT_EQ(bytes.substr(bytes.size() - 125, 5), "\xcd\xee\xe2\xe0\xff");
    Tmp3TagV2 reread(options);
    ASSERT_TRUE(reread.LoadFromFile(batch[0]));
    EXPECT_EQ(reread.Title(), title);

    for (const std::string& path : serial) {
        Tmp3TagV1(options).RemoveFromFile(path);
        ASSERT_TRUE(Tmp3TagV2(options).RemoveFromFile(path));
    }
    const auto remove = [&](const std::string& path, FolderFlushes* flushes) {
        Tmp3TagV2 v2(options);
        return v2.RemoveFromFile(path, flushes, true) ? std::string() : v2.LastError();
    };
    EXPECT_EQ(RunBatch(batch, remove), std::vector<std::string>(batch.size()));
    expectAlike();
}
