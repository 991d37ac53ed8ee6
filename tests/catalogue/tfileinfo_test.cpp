#include "filefixtures.h"
#include "optionvalues.h"
#include "tfileinfo.h"
#include "tmp3taginfo.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class TFileInfoTest : public ::testing::Test {
protected:
    void SetUp() override { options::SetDefaultOptionValues(); }
    void TearDown() override { options::SetDefaultOptionValues(); }

    std::string mp3(std::string_view name, std::string_view v2, std::string_view v1)
    {
        const std::string path = dir.file(name);
        WriteFile(path, std::string(v2) + AudioBytes(4000) + std::string(v1));
        return path;
    }

    TempDir dir;
};

TEST_F(TFileInfoTest, CaptionComesFromTheRightTagAndStateIndexFollows)
{
    // Both tags: the ID3v2 tag wins the caption.
    TFileInfo both(mp3("both.mp3", Id3v2Tag(3, "V2 Artist", "V2 Title"),
                       Id3v1Block("V1 Title", "V1 Artist")));
    EXPECT_TRUE(both.HasV1Tag());
    EXPECT_TRUE(both.HasV2Tag());
    EXPECT_EQ(both.TagCaption(), "V2 Artist - V2 Title");
    EXPECT_EQ(both.TagStateIndex(), 0);
    EXPECT_TRUE(both.HasAnyTag());
    EXPECT_FALSE(both.HasOneTag());
    EXPECT_EQ(both.DisplayName(), "V2 Artist - V2 Title");

    // Only ID3v1, artist and title empty: the caption is " - ", and the
    // playlist shows the file name instead of that bare hyphen; a tag with
    // only a title keeps its caption.
    TFileInfo v1Only(mp3("v1.mp3", "", Id3v1Block("", "")));
    EXPECT_TRUE(v1Only.HasV1Tag());
    EXPECT_FALSE(v1Only.HasV2Tag());
    EXPECT_EQ(v1Only.TagCaption(), " - ");
    EXPECT_EQ(v1Only.DisplayName(), "v1.mp3");
    EXPECT_EQ(TFileInfo(mp3("blank.mp3", Id3v2Tag(3, " ", "\t"), "")).DisplayName(), "blank.mp3");
    EXPECT_EQ(TFileInfo(mp3("titled.mp3", Id3v2Tag(3, "", "Solo"), "")).DisplayName(), " - Solo");
    EXPECT_EQ(v1Only.TagStateIndex(), 2);
    EXPECT_TRUE(v1Only.HasOneTag());

    // Only ID3v2.
    TFileInfo v2Only(mp3("v2.mp3", Id3v2Tag(3, "A", "T"), ""));
    EXPECT_EQ(v2Only.TagCaption(), "A - T");
    EXPECT_EQ(v2Only.TagStateIndex(), 2);

    // An ID3v2.4 header still counts as an ID3v2 tag and gives the caption,
    // not the ID3v1 tag.
    TFileInfo v24(mp3("v24.mp3", Id3v2Tag(4, "", ""), Id3v1Block("V1 Title", "V1 Artist")));
    EXPECT_TRUE(v24.HasV2Tag());
    EXPECT_TRUE(v24.HasV1Tag());
    EXPECT_EQ(v24.TagCaption(), " - ");
    EXPECT_EQ(v24.DisplayName(), "v24.mp3");
    EXPECT_EQ(v24.TagStateIndex(), 0);

    // The audio properties come with the tags: 4000 bytes at 128 kbit/s.
    ASSERT_TRUE(both.Audio());
    EXPECT_EQ(both.Audio()->lengthMs, 4000 * 8 / 128);
    EXPECT_EQ(both.Audio()->bitrateKbps, 128);
    WriteFile(dir.file("text.mp3"), Id3v2Tag(3, "A", "T") + std::string(3000, 'x'));
    TFileInfo text(dir.file("text.mp3"));
    EXPECT_TRUE(text.HasV2Tag());
    EXPECT_FALSE(text.Audio());

    // No tag: the file name with its extension.
    TFileInfo none(mp3("plain song.mp3", "", ""));
    EXPECT_FALSE(none.TagCaption().has_value());
    EXPECT_EQ(none.DisplayName(), "plain song.mp3");
    EXPECT_EQ(none.TagStateIndex(), 1);
    EXPECT_EQ(none.FileName(), "plain song.mp3");
    EXPECT_EQ(none.FullPath(), dir.file("plain song.mp3"));

    // A name that is not UTF-8 is kept as its bytes.
    TFileInfo latin1(mp3("caf\xe9.mp3", Id3v2Tag(3, "A", "T"), ""));
    EXPECT_EQ(latin1.FileName(), "caf\xe9.mp3");
    EXPECT_TRUE(latin1.HasV2Tag());
    EXPECT_TRUE(latin1.Rename("d\xe9j\xe0.mp3"));
    EXPECT_TRUE(Exists(dir.file("d\xe9j\xe0.mp3")));
    EXPECT_EQ(latin1.FileSize(),
              static_cast<std::int64_t>(ReadFile(dir.file("d\xe9j\xe0.mp3")).size()));
}

TEST_F(TFileInfoTest, UnreadableFilesShowAsUntaggedWithoutErrors)
{
    // Missing file, a folder where a file is expected, a truncated tag header.
    TFileInfo missing(dir.file("gone.mp3"));
    EXPECT_EQ(missing.TagStateIndex(), 1);
    EXPECT_EQ(missing.DisplayName(), "gone.mp3");
    EXPECT_EQ(missing.FileSize(), 0);
    EXPECT_EQ(missing.FileSizeText(), "0 Bytes");

    MakeDir(dir.file("folder.mp3"));
    TFileInfo folder(dir.file("folder.mp3"));
    EXPECT_EQ(folder.TagStateIndex(), 1);

    WriteFile(dir.file("short.mp3"), "ID3\x03");
    TFileInfo truncated(dir.file("short.mp3"));
    EXPECT_FALSE(truncated.HasV1Tag());
    EXPECT_FALSE(truncated.HasV2Tag());

    // A file that lost its tags after the record was made keeps its flags
    // until ReadTags.
    const std::string path = mp3("later.mp3", Id3v2Tag(3, "A", "T"), Id3v1Block("T", "A"));
    TFileInfo record(path);
    WriteFile(path, AudioBytes(1000));
    EXPECT_EQ(record.TagStateIndex(), 0);
    record.ReadTags();
    EXPECT_EQ(record.TagStateIndex(), 1);
    EXPECT_EQ(record.DisplayName(), "later.mp3");
}

TEST_F(TFileInfoTest, DisplayNameFollowsBothSettingsAtEachCall)
{
    TFileInfo tagged(mp3("tagged.mp3", Id3v2Tag(3, "The%20Band", "Song"), ""));
    TFileInfo untagged(mp3("My%20Song%2020.mp3", "", ""));

    // Defaults: tag caption, %20 replaced.
    EXPECT_EQ(tagged.DisplayName(), "The Band - Song");
    EXPECT_EQ(untagged.DisplayName(), "My Song 20.mp3");

    options::REPLURLSPACES = false;
    EXPECT_EQ(tagged.DisplayName(), "The%20Band - Song");
    EXPECT_EQ(untagged.DisplayName(), "My%20Song%2020.mp3");

    options::FNIOMP3INFO = true;
    EXPECT_EQ(tagged.DisplayName(), "tagged.mp3");

    // Each "%20" becomes exactly one blank, left to right, without overlap.
    options::REPLURLSPACES = true;
    TFileInfo tricky(mp3("a%%2020%20%20b.mp3", "", ""));
    EXPECT_EQ(tricky.DisplayName(), "a% 20  b.mp3");
}

TEST_F(TFileInfoTest, RenameMovesWithinTheFolderAndNeverReplacesAFile)
{
    const std::string path = mp3("old.mp3", Id3v2Tag(3, "A", "T"), "");
    TFileInfo record(path);

    // Forbidden characters become blanks, the ends are trimmed.
    EXPECT_TRUE(record.Rename("  new?name.mp3 "));
    EXPECT_EQ(record.FullPath(), dir.file("new name.mp3"));
    EXPECT_EQ(record.FileName(), "new name.mp3");
    EXPECT_EQ(record.TagCaption(), "A - T");
    EXPECT_FALSE(Exists(path));
    EXPECT_TRUE(Exists(dir.file("new name.mp3")));

    // A file already bearing the new name stays as it was, and so does the record.
    const std::string other = mp3("other.mp3", "", Id3v1Block("Keep", "Me"));
    const std::string otherBytes = ReadFile(other);
    const std::string ownBytes = ReadFile(record.FullPath());
    EXPECT_FALSE(record.Rename("other.mp3"));
    EXPECT_EQ(record.FullPath(), dir.file("new name.mp3"));
    EXPECT_EQ(ReadFile(other), otherBytes);
    EXPECT_EQ(ReadFile(dir.file("new name.mp3")), ownBytes);

    // Nor is a folder of that name replaced or entered.
    MakeDir(dir.file("sub"));
    EXPECT_FALSE(record.Rename("sub"));
    EXPECT_EQ(record.FullPath(), dir.file("new name.mp3"));

    // A name made only of forbidden characters and blanks is empty once made
    // valid: the target would be the folder itself.
    EXPECT_EQ(TFileInfo::MakeValidFileName("/\\:*<>\"?| \t"), "");
    EXPECT_FALSE(record.Rename("?? **"));
    EXPECT_EQ(record.FullPath(), dir.file("new name.mp3"));

    // The zero byte and control characters become blanks too; names that
    // end up as the folder itself or the one above are refused.
    EXPECT_EQ(TFileInfo::MakeValidFileName(std::string("a\0b\x01" "c\x7f" "d\n", 9)), "a b c d");
    for (const char* name : {".", "..", " .. ", "\x01.\x02", "\t\n"}) {
        EXPECT_FALSE(record.Rename(name)) << name;
        EXPECT_EQ(record.FullPath(), dir.file("new name.mp3"));
    }
    EXPECT_TRUE(Exists(dir.file("new name.mp3")));

    // The same name again changes nothing and succeeds.
    EXPECT_TRUE(record.Rename("new name.mp3"));
    EXPECT_EQ(record.FullPath(), dir.file("new name.mp3"));

    // The file vanished behind the record's back: the rename fails quietly.
    unlink(record.FullPath().c_str());
    EXPECT_FALSE(record.Rename("back.mp3"));
    EXPECT_FALSE(record.Rename("new name.mp3"));
    EXPECT_EQ(record.FullPath(), dir.file("new name.mp3"));
    EXPECT_FALSE(Exists(dir.file("back.mp3")));
}

TEST_F(TFileInfoTest, RenameFailsWhereTheUserMayNotWrite)
{
    const std::string path = mp3("song.mp3", "", "");
    chmod(dir.path().c_str(), 0777);
    chmod(path.c_str(), 0666);
    // Nobody may write the folder once this is done.
    chmod(dir.path().c_str(), 0555);
    std::string report;
    const int code = RunAsNobody([&](std::string& out) {
        TFileInfo record(path);
        const bool renamed = record.Rename("renamed.mp3");
        out = record.FullPath();
        return renamed ? 1 : 0;
    }, &report);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(report, path);
    EXPECT_TRUE(Exists(path));
    EXPECT_FALSE(Exists(dir.file("renamed.mp3")));
}

TEST_F(TFileInfoTest, FileSizeIsTheFull64BitSize)
{
    const std::string path = dir.file("big.mp3");
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    // Sparse: takes no disk space.
    const off_t size = 5LL * 1024 * 1024 * 1024 + 123;
    ASSERT_EQ(ftruncate(fd, size), 0);
    close(fd);
    TFileInfo record(path);
    EXPECT_EQ(record.FileSize(), size);
    EXPECT_EQ(record.FileSizeText(), "5.00 Gb");

    TFileInfo small(mp3("small.mp3", "", ""));
    EXPECT_EQ(small.FileSize(), 4000);
    EXPECT_EQ(small.FileSizeText(), "3.91 Kb");
}

TEST_F(TFileInfoTest, RemovingATagLeavesTheFlagsUntilReadTags)
{
    const std::string audio = AudioBytes(4000);
    const std::string path = dir.file("t.mp3");
    WriteFile(path, Id3v2Tag(3, "A", "T") + audio + Id3v1Block("T1", "A1"));
    TFileInfo record(path);
    ASSERT_EQ(record.TagStateIndex(), 0);

    EXPECT_EQ(record.RemoveV2Tag(), "");
    EXPECT_TRUE(record.HasV2Tag());
    record.ReadTags();
    EXPECT_FALSE(record.HasV2Tag());
    EXPECT_EQ(record.TagCaption(), "A1 - T1");

    EXPECT_EQ(record.RemoveV1Tag(), "");
    record.ReadTags();
    EXPECT_EQ(record.TagStateIndex(), 1);
    EXPECT_EQ(ReadFile(path), audio);
    // A tag that is not there is no failure.
    EXPECT_EQ(record.RemoveV1Tag(), "");
    EXPECT_EQ(record.RemoveV2Tag(), "");

    // Removing from a file that is gone says why; nothing escapes.
    const std::string gonePath = dir.file("gone.mp3");
    TFileInfo gone(gonePath);
    EXPECT_EQ(gone.RemoveV1Tag(), "Cannot open file \"" + gonePath + "\". No such file or directory");
    EXPECT_EQ(gone.RemoveV2Tag(), "Cannot remove the ID3v2 tag from file \"" + gonePath + "\". No such file or directory");
    EXPECT_FALSE(Exists(gonePath));
}

TEST(TMp3TagInfoTest, MergeCopyAndFirstNonEmpty)
{
    TMp3TagInfo first;
    first.Present = true;
    first.Title = "";
    first.Artist = "  First Artist ";
    TMp3TagInfo second;
    second.Present = true;
    second.Title = "Second Title";
    second.Artist = "Second Artist";
    second.Year = "\t1999\n";

    TMp3TagInfo merged;
    merged.Comment = "stale";
    merged.Merge(first, second);
    EXPECT_TRUE(merged.Present);
    EXPECT_EQ(merged.Title, "Second Title");
    EXPECT_EQ(merged.Artist, "First Artist");
    EXPECT_EQ(merged.Year, "1999");
    EXPECT_EQ(merged.Comment, "");

    // Two records that are not present give an empty, not present record.
    TMp3TagInfo absent1;
    absent1.Title = "ignored";
    TMp3TagInfo absent2;
    merged.Merge(absent1, absent2);
    EXPECT_EQ(merged, TMp3TagInfo{});

    // Merging into one of the sources works on their values before clearing.
    second.Merge(first, second);
    EXPECT_EQ(second.Title, "Second Title");
    EXPECT_EQ(second.Artist, "First Artist");

    TMp3TagInfo copy;
    TMp3TagInfo::CopyTagInfo(copy, first);
    EXPECT_EQ(copy, first);
    copy.Clear();
    EXPECT_EQ(copy, TMp3TagInfo{});

    EXPECT_EQ(TMp3TagInfo::FirstNonEmpty("   ", " b "), "b");
    EXPECT_EQ(TMp3TagInfo::FirstNonEmpty(" a\x01", "b"), "a");
    EXPECT_EQ(TMp3TagInfo::FirstNonEmpty("", ""), "");
}

} // namespace
