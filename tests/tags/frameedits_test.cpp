// The list of every frame of a tag and the edits made on it: what each kind
// of frame shows, which frames change, and that everything else stays byte
// for byte.

#include "tagtestutil.h"
#include "tmp3tagv2.h"

#include <gtest/gtest.h>

namespace {

using id3v2::FrameKind;
using id3v2::FrameValue;

std::string Text(const std::string& latin1) { return std::string(1, '\0') + latin1; }

std::string Content(const char* bytes, std::size_t size) { return std::string(bytes, size); }

// A SYLT frame in milliseconds: "Eins" at 1.5 s, "Zwei" at 3 s.
std::string SyncedLyrics()
{
    return Content("\0deu\x02\x01\0Eins\0", 12) + Be32(1500) + std::string("\nZwei", 5) + std::string(1, '\0')
        + Be32(3000);
}

}  // namespace

TEST(FrameEdits, ListsEveryKindEditsTheEditableAndKeepsTheRestByteForByte)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    const std::string apic = Frame23("APIC", Content("\0image/jpeg\0\x03\0", 14) + std::string(500, '\xAB'));
    const std::string priv = Frame23("PRIV", Content("owner\0\x01\x02", 8));
    // Encrypted (format flag 0x40, then the method byte): never looked into.
    const std::string encrypted = Frame23("TIT3", Content("\x80secret", 7), 0x40);
    const std::string unknown = Frame23("XYZW", "mystery");
    const std::string sylt = Frame23("SYLT", SyncedLyrics());
    const std::string frames = Frame23("TIT2", Text("Title")) + Frame23("TXXX", Content("\0Mood\0calm", 10))
        + Frame23("COMM", Content("\0engNote\0first line\nsecond", 26)) + Frame23("WXXX", Content("\0Home\0http://a.example", 22))
        + Frame23("USLT", Content("\0deu\0Eins\nZwei", 14)) + apic + priv + encrypted + unknown + sylt;
    WriteFile(path, Tag(3, frames, 512) + AudioBytes());

    Tmp3TagV2 tag;
    ASSERT_TRUE(tag.LoadFromFile(path));
    ASSERT_TRUE(tag.LoadFrames(path));
    const std::vector<id3v2::FrameEntry>& list = tag.FrameList();
    ASSERT_EQ(list.size(), 10u);
    const FrameKind kinds[] = {FrameKind::Text,    FrameKind::UserText, FrameKind::Comment, FrameKind::UserUrl,
                               FrameKind::Lyrics,  FrameKind::Picture,  FrameKind::Other,   FrameKind::Kept,
                               FrameKind::Kept,    FrameKind::SyncedLyrics};
    for (std::size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(list[i].kind, kinds[i]) << list[i].id();
    EXPECT_EQ(list[0].summary, "Title");
    EXPECT_EQ(id3v2::FrameName(list[0].id()), "Title/songname/content description");
    EXPECT_EQ(list[2].language, "eng");
    EXPECT_EQ(list[2].description, "Note");
    EXPECT_EQ(list[2].summary, "first line ...");
    EXPECT_EQ(list[3].summary, "http://a.example");
    EXPECT_EQ(list[4].text, "Eins\nZwei");
    EXPECT_EQ(list[5].summary, "Cover (front), image/jpeg, 514 bytes");
    EXPECT_EQ(list[6].summary, "8 bytes");
    EXPECT_EQ(list[7].summary, "kept as it is, 7 bytes");
    EXPECT_EQ(id3v2::FrameFlagsText(list[7].key.status, list[7].key.format), "encrypted");
    EXPECT_EQ(list[8].summary, "kept as it is, 7 bytes");
    EXPECT_EQ(list[9].text, "[00:01.50] Eins\n[00:03.00] Zwei");

    id3v2::FrameEdits edits(list);
    edits.Replace(1, {"TXXX", "Mood", "", "happy"});
    edits.Replace(2, {"COMM", "Note", "fra", "salut"});
    edits.Replace(3, {"WXXX", "Home", "", "http://b.example"});
    edits.Replace(4, {"USLT", "", "deu", "Drei\nVier"});
    edits.Remove(6);
    edits.Add({"TPE2", "", "", "Band"});
    edits.Add({"TXXX", "Key", "", "Am"});
    tag.SetFrameEdits(std::move(edits));
    ASSERT_TRUE(tag.SaveToFile(path)) << tag.LastError();

    const std::string bytes = ReadFile(path);
    const std::string expected = Frame23("TIT2", Text("Title")) + Frame23("TXXX", Content("\0Mood\0happy", 11))
        + Frame23("COMM", Content("\0fraNote\0salut", 14)) + Frame23("WXXX", Content("\0Home\0http://b.example", 22))
        + Frame23("USLT", Content("\0deu\0Drei\nVier", 14)) + apic + encrypted + unknown + sylt
        + Frame23("TPE2", Text("Band")) + Frame23("TXXX", Content("\0Key\0Am", 7));
    ASSERT_GE(bytes.size(), 10 + expected.size());
    EXPECT_EQ(bytes.substr(10, expected.size()), expected);
    EXPECT_EQ(bytes.substr(bytes.size() - AudioBytes().size()), AudioBytes());
    // The edits fitted only the tag they were made on: a second save keeps it.
    ASSERT_TRUE(tag.SaveToFile(path)) << tag.LastError();
    EXPECT_EQ(ReadFile(path), bytes);
}

TEST(FrameEdits, FieldFramesEditedInTheListStayEditedUnlessTheFieldWasChanged)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    const std::string frames = Frame23("TIT2", Text("Old")) + Frame23("TPE1", Text("Artist"))
        + Frame23("TRCK", Text("3")) + Frame23("COMM", Content("\0eng\0Comment", 12));
    WriteFile(path, Tag(3, frames, 256) + AudioBytes());

    // Fields untouched: the list's edits and removals are what is saved.
    Tmp3TagV2 tag;
    ASSERT_TRUE(tag.LoadFromFile(path));
    ASSERT_TRUE(tag.LoadFrames(path));
    id3v2::FrameEdits edits(tag.FrameList());
    edits.Replace(0, {"TIT2", "", "", "New"});
    edits.Replace(2, {"TRCK", "", "", "5"});
    edits.Remove(3);
    tag.SetFrameEdits(std::move(edits));
    ASSERT_TRUE(tag.SaveToFile(path)) << tag.LastError();
    Tmp3TagV2 reread;
    ASSERT_TRUE(reread.LoadFromFile(path));
    EXPECT_EQ(reread.Title(), "New");
    EXPECT_EQ(reread.Artist(), "Artist");
    EXPECT_EQ(reread.Track(), 5);
    EXPECT_EQ(reread.Comment(), "");

    // A field the user changed wins over the list's edit of its frame.
    ASSERT_TRUE(tag.LoadFromFile(path));
    ASSERT_TRUE(tag.LoadFrames(path));
    id3v2::FrameEdits both(tag.FrameList());
    both.Replace(0, {"TIT2", "", "", "Listed"});
    tag.SetFrameEdits(std::move(both));
    tag.SetTitle("Typed");
    ASSERT_TRUE(tag.SaveToFile(path)) << tag.LastError();
    ASSERT_TRUE(reread.LoadFromFile(path));
    EXPECT_EQ(reread.Title(), "Typed");
}

TEST(FrameEdits, RefusesATagThatChangedOnDiskSinceItWasListed)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    WriteFile(path, Tag(3, Frame23("TIT2", Text("One")) + Frame23("TPE1", Text("Artist")), 256) + AudioBytes());

    Tmp3TagV2 tag;
    ASSERT_TRUE(tag.LoadFromFile(path));
    ASSERT_TRUE(tag.LoadFrames(path));
    id3v2::FrameEdits edits(tag.FrameList());
    edits.Remove(1);
    tag.SetFrameEdits(std::move(edits));

    // Another program changes the title meanwhile: frame 1 is still TPE1,
    // but the tag is not the one listed.
    Tmp3TagV2 other;
    ASSERT_TRUE(other.LoadFromFile(path));
    other.SetTitle("Two");
    ASSERT_TRUE(other.SaveToFile(path));
    const std::string before = ReadFile(path);

    EXPECT_FALSE(tag.SaveToFile(path));
    EXPECT_NE(tag.LastError().find("changed since its frames were listed"), std::string::npos) << tag.LastError();
    EXPECT_EQ(ReadFile(path), before);
}

TEST(FrameEdits, LyricsReplaceOrRemoveOnlyTheFirstAndSurviveUtf16)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    const std::string second = Frame23("USLT", Content("\0eng\0second", 11));
    WriteFile(path, Tag(3, Frame23("USLT", Content("\0eng\0first", 10)) + second, 64) + AudioBytes());

    Tmp3TagV2 tag;
    ASSERT_TRUE(tag.LoadFromFile(path));
    tag.SetLyrics({"jpn", "歌", "一行目\n二行目"});
    ASSERT_TRUE(tag.SaveToFile(path)) << tag.LastError();
    ASSERT_TRUE(tag.LoadFrames(path));
    ASSERT_EQ(tag.FrameList().size(), 2u);
    EXPECT_EQ(tag.FrameList()[0].language, "jpn");
    EXPECT_EQ(tag.FrameList()[0].description, "歌");
    EXPECT_EQ(tag.FrameList()[0].text, "一行目\n二行目");
    EXPECT_EQ(tag.FrameList()[1].text, "second");

    ASSERT_TRUE(tag.LoadFromFile(path));
    tag.RemoveLyrics();
    ASSERT_TRUE(tag.SaveToFile(path)) << tag.LastError();
    EXPECT_EQ(ReadFile(path).substr(10, second.size()), second);
}
