// TagLib as the oracle for lyrics and for frames added on the list of every
// frame: it reads what we write in ID3v2.3 and ID3v2.4, and we read (and
// keep) the lyrics it writes.

#include "tagtestutil.h"
#include "tmp3tagv2.h"

#include <gtest/gtest.h>

#include <commentsframe.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <synchronizedlyricsframe.h>
#include <textidentificationframe.h>
#include <unsynchronizedlyricsframe.h>
#include <urllinkframe.h>

namespace {

std::string Utf8(const TagLib::String& s) { return s.to8Bit(true); }
TagLib::String TL(const std::string& utf8) { return TagLib::String(utf8, TagLib::String::UTF8); }

template <class FrameType>
FrameType* First(TagLib::ID3v2::Tag* tag, const char* id)
{
    const TagLib::ID3v2::FrameList& frames = tag->frameListMap()[id];
    return frames.isEmpty() ? nullptr : dynamic_cast<FrameType*>(frames.front());
}

}  // namespace

TEST(FramesInterop, TagLibReadsOurLyricsAndListedFramesInBothVersions)
{
    TempDir dir;
    const std::string lyricsText = "Über den Wolken\nmuss die Freiheit\n\nwohl grenzenlos sein";
    for (const auto& [option, major] : {std::pair(Id3v2WriteVersion::V23, 3u), std::pair(Id3v2WriteVersion::V24, 4u)}) {
        const std::string path = dir.file("v" + std::to_string(major) + ".mp3");
        WriteFile(path, AudioBytes());
        TagOptions options;
        options.writeVersion = option;
        Tmp3TagV2 tag(options);
        ASSERT_TRUE(tag.LoadFromFile(path));
        ASSERT_TRUE(tag.LoadFrames(path));
        tag.SetLyrics({"deu", "Strophe", lyricsText});
        id3v2::FrameEdits edits(tag.FrameList());
        edits.Add({"TPE2", "", "", "Bänd"});
        edits.Add({"TXXX", "Stimmung", "", "ruhig"});
        edits.Add({"COMM", "Notiz", "fra", "Très bien\nsur deux lignes"});
        edits.Add({"WXXX", "Seite", "", "http://example.org/page"});
        tag.SetFrameEdits(std::move(edits));
        ASSERT_TRUE(tag.SaveToFile(path)) << tag.LastError();

        {
            TagLib::MPEG::File file(path.c_str());
            TagLib::ID3v2::Tag* id3 = file.ID3v2Tag(false);
            ASSERT_NE(id3, nullptr);
            EXPECT_EQ(id3->header()->majorVersion(), major);
            auto* lyrics = First<TagLib::ID3v2::UnsynchronizedLyricsFrame>(id3, "USLT");
            ASSERT_NE(lyrics, nullptr);
            EXPECT_EQ(std::string(lyrics->language().data(), 3), "deu");
            EXPECT_EQ(Utf8(lyrics->description()), "Strophe");
            EXPECT_EQ(Utf8(lyrics->text()), lyricsText);
            auto* band = First<TagLib::ID3v2::TextIdentificationFrame>(id3, "TPE2");
            ASSERT_NE(band, nullptr);
            EXPECT_EQ(Utf8(band->toString()), "Bänd");
            auto* mood = TagLib::ID3v2::UserTextIdentificationFrame::find(id3, "Stimmung");
            ASSERT_NE(mood, nullptr);
            ASSERT_EQ(mood->fieldList().size(), 2u);
            EXPECT_EQ(Utf8(mood->fieldList()[1]), "ruhig");
            auto* note = First<TagLib::ID3v2::CommentsFrame>(id3, "COMM");
            ASSERT_NE(note, nullptr);
            EXPECT_EQ(std::string(note->language().data(), 3), "fra");
            EXPECT_EQ(Utf8(note->description()), "Notiz");
            EXPECT_EQ(Utf8(note->text()), "Très bien\nsur deux lignes");
            auto* page = First<TagLib::ID3v2::UserUrlLinkFrame>(id3, "WXXX");
            ASSERT_NE(page, nullptr);
            EXPECT_EQ(Utf8(page->description()), "Seite");
            EXPECT_EQ(Utf8(page->url()), "http://example.org/page");
        }

        // And back: the list shows what was written.
        ASSERT_TRUE(tag.LoadFrames(path));
        const auto& list = tag.FrameList();
        const auto lyrics = std::find_if(list.begin(), list.end(),
                                         [](const auto& e) { return e.kind == id3v2::FrameKind::Lyrics; });
        ASSERT_NE(lyrics, list.end());
        EXPECT_EQ(lyrics->language, "deu");
        EXPECT_EQ(lyrics->text, lyricsText);
    }
}

TEST(FramesInterop, WeReadAndKeepTheLyricsTagLibWrites)
{
    TempDir dir;
    for (const auto version : {TagLib::ID3v2::v3, TagLib::ID3v2::v4}) {
        const std::string path = dir.file("tl" + std::to_string(static_cast<int>(version)) + ".mp3");
        WriteFile(path, AudioBytes());
        {
            TagLib::MPEG::File file(path.c_str());
            TagLib::ID3v2::Tag* id3 = file.ID3v2Tag(true);
            auto lyrics = std::make_unique<TagLib::ID3v2::UnsynchronizedLyricsFrame>(TagLib::String::UTF16);
            lyrics->setLanguage("jpn");
            lyrics->setDescription(TL("歌詞"));
            lyrics->setText(TL("一行目\n二行目"));
            id3->addFrame(lyrics.release());
            auto synced = std::make_unique<TagLib::ID3v2::SynchronizedLyricsFrame>(TagLib::String::UTF16);
            synced->setLanguage("jpn");
            synced->setTimestampFormat(TagLib::ID3v2::SynchronizedLyricsFrame::AbsoluteMilliseconds);
            TagLib::ID3v2::SynchronizedLyricsFrame::SynchedTextList lines;
            lines.append({1000, TL("一行目")});
            lines.append({62500, TL("二行目")});
            synced->setSynchedText(lines);
            id3->addFrame(synced.release());
            ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, version));
        }

        TagOptions options;
        options.writeVersion = Id3v2WriteVersion::Keep;
        Tmp3TagV2 tag(options);
        ASSERT_TRUE(tag.LoadFromFile(path));
        ASSERT_TRUE(tag.LoadFrames(path));
        const auto& list = tag.FrameList();
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0].kind, id3v2::FrameKind::Lyrics);
        EXPECT_EQ(list[0].language, "jpn");
        EXPECT_EQ(list[0].description, "歌詞");
        EXPECT_EQ(list[0].text, "一行目\n二行目");
        EXPECT_EQ(list[1].kind, id3v2::FrameKind::SyncedLyrics);
        EXPECT_EQ(list[1].text, "[00:01.00] 一行目\n[01:02.50] 二行目");

        tag.SetTitle("Title");
        ASSERT_TRUE(tag.SaveToFile(path)) << tag.LastError();
        TagLib::MPEG::File file(path.c_str());
        TagLib::ID3v2::Tag* id3 = file.ID3v2Tag(false);
        ASSERT_NE(id3, nullptr);
        EXPECT_EQ(Utf8(id3->title()), "Title");
        auto* lyrics = First<TagLib::ID3v2::UnsynchronizedLyricsFrame>(id3, "USLT");
        ASSERT_NE(lyrics, nullptr);
        EXPECT_EQ(Utf8(lyrics->text()), "一行目\n二行目");
        auto* synced = First<TagLib::ID3v2::SynchronizedLyricsFrame>(id3, "SYLT");
        ASSERT_NE(synced, nullptr);
        ASSERT_EQ(synced->synchedText().size(), 2u);
        EXPECT_EQ(synced->synchedText()[1].time, 62500u);
        EXPECT_EQ(Utf8(synced->synchedText()[1].text), "二行目");
    }
}
