// TagLib as an independent oracle: it reads what we write, and we read what
// it writes (keeping its pictures and user texts when we save).

#include "tagtestutil.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

#include <gtest/gtest.h>

#include <attachedpictureframe.h>
#include <id3v1tag.h>
#include <id3v2framefactory.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <textidentificationframe.h>

#include <memory>

namespace {

std::string Utf8(const TagLib::String& s) { return s.to8Bit(true); }
TagLib::String TL(const std::string& utf8) { return TagLib::String(utf8, TagLib::String::UTF8); }

struct Values {
    std::string title, artist, album, year, comment, genre;
    int track;
};

void ExpectTagLibReadsV2(const std::string& path, const Values& v)
{
    TagLib::MPEG::File file(path.c_str());
    ASSERT_TRUE(file.isValid());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->header()->majorVersion(), 3u);
    EXPECT_EQ(Utf8(tag->title()), v.title);
    EXPECT_EQ(Utf8(tag->artist()), v.artist);
    EXPECT_EQ(Utf8(tag->album()), v.album);
    EXPECT_EQ(std::to_string(tag->year()), v.year);
    EXPECT_EQ(Utf8(tag->comment()), v.comment);
    EXPECT_EQ(Utf8(tag->genre()), v.genre);
    EXPECT_EQ(static_cast<int>(tag->track()), v.track);
}

}  // namespace

TEST(TagLibInterop, TagLibReadsOurId3v1Tags)
{
    TempDir dir;
    for (const int track : {0, 12}) {
        const std::string path = dir.file("v1-" + std::to_string(track) + ".mp3");
        WriteFile(path, AudioBytes());
        Tmp3TagV1 ours;
        ours.LoadFromFile(path);
        ours.SetTrack(track);
        ours.Setv1Tag(track == 0);  // ID3v1.0 for the 30-byte comment
        ours.SetTitle("Café del Mar");
        ours.SetArtist("Artist");
        ours.SetAlbum("Album");
        ours.SetYear("1998");
        ours.SetComment(track ? "Eleven" : "A comment of thirty characters");
        ours.SetGenre("Rock");
        ours.SaveToFile(path);

        TagLib::MPEG::File file(path.c_str());
        TagLib::ID3v1::Tag* tag = file.ID3v1Tag(false);
        ASSERT_NE(tag, nullptr);
        EXPECT_EQ(Utf8(tag->title()), "Café del Mar");
        EXPECT_EQ(Utf8(tag->artist()), "Artist");
        EXPECT_EQ(Utf8(tag->album()), "Album");
        EXPECT_EQ(tag->year(), 1998u);
        EXPECT_EQ(Utf8(tag->comment()), track ? "Eleven" : "A comment of thirty characters");
        EXPECT_EQ(static_cast<int>(tag->track()), track);
        EXPECT_EQ(Utf8(tag->genre()), "Rock");
    }
}

TEST(TagLibInterop, TagLibReadsOurId3v2Tags)
{
    TempDir dir;
    const Values latin {"Café", "Björk", "Homogenic", "1997", "Latin-1 only", "Electronic", 3};
    const Values cyrillic {"Звезда по имени Солнце", "Кино", "Звезда", "1989", "Комментарий", "Рок", 1};
    const Values japanese {"夜に駆ける", "YOASOBI", "THE BOOK", "2021", "日本語のコメント", "J-Pop", 300};
    int n = 0;
    for (const Values& v : {latin, cyrillic, japanese}) {
        const std::string path = dir.file("v2-" + std::to_string(n++) + ".mp3");
        WriteFile(path, AudioBytes());
        Tmp3TagV2 ours;
        ours.SetTitle(v.title);
        ours.SetArtist(v.artist);
        ours.SetAlbum(v.album);
        ours.SetYear(v.year);
        ours.SetComment(v.comment);
        ours.SetGenre(v.genre);
        ours.SetTrack(v.track);
        ASSERT_TRUE(ours.SaveToFile(path));
        ExpectTagLibReadsV2(path, v);
    }
}

TEST(TagLibInterop, WeReadTagLibFilesAndKeepTheirPictureAndUserText)
{
    const TagLib::ByteVector picture(std::string(40000, '\xD8').append("end").c_str(), 40003);
    for (const auto version : {TagLib::ID3v2::v3, TagLib::ID3v2::v4}) {
        SCOPED_TRACE(version == TagLib::ID3v2::v3 ? "ID3v2.3" : "ID3v2.4");
        TempDir dir;
        const std::string path = dir.file("taglib.mp3");
        WriteFile(path, AudioBytes());
        {
            TagLib::ID3v2::FrameFactory::instance()->setDefaultTextEncoding(TagLib::String::UTF8);
            TagLib::MPEG::File file(path.c_str());
            TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
            tag->setTitle(TL("Песня"));
            tag->setArtist(TL("アーティスト"));
            tag->setAlbum(TL("Альбом"));
            tag->setYear(2004);
            tag->setTrack(5);
            tag->setGenre(TL("Jazz"));
            tag->setComment(TL("Ünïcödé comment"));
            // TagLib owns the frames it is given.
            auto pic = std::make_unique<TagLib::ID3v2::AttachedPictureFrame>();
            pic->setMimeType("image/jpeg");
            pic->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
            pic->setDescription(TL("Обложка"));
            pic->setPicture(picture);
            tag->addFrame(pic.release());
            auto txxx = std::make_unique<TagLib::ID3v2::UserTextIdentificationFrame>(TagLib::String::UTF8);
            txxx->setDescription(TL("Catalogue"));
            txxx->setText(TL("Каталог-42"));
            tag->addFrame(txxx.release());
            ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, version));
            TagLib::ID3v2::FrameFactory::instance()->setDefaultTextEncoding(TagLib::String::Latin1);
        }

        Tmp3TagV2 ours;
        ASSERT_TRUE(ours.LoadFromFile(path));
        EXPECT_EQ(ours.MajorVersion(), version == TagLib::ID3v2::v3 ? 3 : 4);
        EXPECT_EQ(ours.Title(), "Песня");
        EXPECT_EQ(ours.Artist(), "アーティスト");
        EXPECT_EQ(ours.Album(), "Альбом");
        EXPECT_EQ(ours.Year(), "2004");
        EXPECT_EQ(ours.Track(), 5);
        EXPECT_EQ(ours.Genre(), "Jazz");
        EXPECT_EQ(ours.Comment(), "Ünïcödé comment");

        ours.SetTitle("Новая песня");
        ASSERT_TRUE(ours.SaveToFile(path));

        TagLib::MPEG::File file(path.c_str());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
        ASSERT_NE(tag, nullptr);
        EXPECT_EQ(Utf8(tag->title()), "Новая песня");
        EXPECT_EQ(Utf8(tag->artist()), "アーティスト");
        EXPECT_EQ(Utf8(tag->comment()), "Ünïcödé comment");
        const auto pictures = tag->frameListMap()["APIC"];
        ASSERT_EQ(pictures.size(), 1u);
        const auto* pic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front());
        ASSERT_NE(pic, nullptr);
        EXPECT_TRUE(pic->picture() == picture);
        EXPECT_EQ(pic->mimeType(), "image/jpeg");
        EXPECT_EQ(Utf8(pic->description()), "Обложка");
        EXPECT_EQ(pic->type(), TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        const auto* txxx = TagLib::ID3v2::UserTextIdentificationFrame::find(tag, "Catalogue");
        ASSERT_NE(txxx, nullptr);
        ASSERT_GE(txxx->fieldList().size(), 2u);
        EXPECT_EQ(Utf8(txxx->fieldList()[1]), "Каталог-42");
        // The audio is intact.
        const std::string bytes = ReadFile(path);
        EXPECT_EQ(bytes.substr(bytes.size() - AudioBytes().size()), AudioBytes());
    }
}
