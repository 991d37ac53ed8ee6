// The tag options and the cover picture, with TagLib as the oracle: ID3v2.4
// tags written by the standard and kept with every frame, Cyrillic ID3v1
// tags in Windows-1251, front covers added, replaced and removed.

#include "tagtestutil.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

#include <gtest/gtest.h>

#include <attachedpictureframe.h>
#include <chapterframe.h>
#include <commentsframe.h>
#include <id3v1tag.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <popularimeterframe.h>
#include <textidentificationframe.h>
#include <uniquefileidentifierframe.h>

#include <map>
#include <memory>

using namespace std::string_literals;

namespace {

std::string Utf8(const TagLib::String& s) { return s.to8Bit(true); }
TagLib::String TL(const std::string& utf8) { return TagLib::String(utf8, TagLib::String::UTF8); }
TagLib::ByteVector Bytes(const std::string& bytes) { return {bytes.data(), static_cast<unsigned>(bytes.size())}; }

const std::string kJpeg = "\xFF\xD8\xFF\xE0"s + std::string(300, 'j') + "\xFF\xD9"s;
const std::string kPng = "\x89PNG\r\n\x1A\n"s + std::string(300, 'p');

TagOptions WithVersion(Id3v2WriteVersion version)
{
    TagOptions options;
    options.writeVersion = version;
    return options;
}

void AddText(TagLib::ID3v2::Tag* tag, const char* id, std::initializer_list<const char*> values)
{
    auto frame = std::make_unique<TagLib::ID3v2::TextIdentificationFrame>(id, TagLib::String::UTF8);
    TagLib::StringList list;
    for (const char* value : values)
        list.append(TL(value));
    frame->setText(list);
    tag->addFrame(frame.release());
}

void AddPicture(TagLib::ID3v2::Tag* tag, TagLib::ID3v2::AttachedPictureFrame::Type type, const std::string& data,
                const char* mime)
{
    auto picture = std::make_unique<TagLib::ID3v2::AttachedPictureFrame>();
    picture->setType(type);
    picture->setMimeType(mime);
    picture->setPicture(Bytes(data));
    tag->addFrame(picture.release());
}

// Every frame of the file's tag as TagLib renders it, by id, and the tag's version.
std::map<std::string, std::vector<std::string>> RenderedFrames(const std::string& path, unsigned& version)
{
    TagLib::MPEG::File file(path.c_str());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
    std::map<std::string, std::vector<std::string>> frames;
    version = tag ? tag->header()->majorVersion() : 0;
    if (!tag)
        return frames;
    for (const TagLib::ID3v2::Frame* frame : tag->frameList()) {
        const TagLib::ByteVector rendered = frame->render();
        frames[std::string(frame->frameID().data(), 4)].emplace_back(rendered.data(), rendered.size());
    }
    return frames;
}

// The pictures of the file's tag as type and data, in order.
std::vector<std::pair<int, std::string>> Pictures(const std::string& path)
{
    TagLib::MPEG::File file(path.c_str());
    std::vector<std::pair<int, std::string>> pictures;
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
    if (!tag)
        return pictures;
    for (const TagLib::ID3v2::Frame* frame : tag->frameListMap()["APIC"]) {
        const auto* picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame);
        pictures.emplace_back(picture->type(), std::string(picture->picture().data(), picture->picture().size()));
    }
    return pictures;
}

// Windows-1251 for TagLib, written out for the Cyrillic letters: an oracle
// that owes nothing to the code page tables under test.
char32_t Cp1251(unsigned char byte)
{
    if (byte >= 0xC0)
        return 0x0410 + (byte - 0xC0);
    if (byte == 0xA8)
        return 0x0401;
    if (byte == 0xB8)
        return 0x0451;
    return byte;
}

class Cp1251Handler final : public TagLib::ID3v1::StringHandler, public TagLib::ID3v2::Latin1StringHandler {
public:
    TagLib::String parse(const TagLib::ByteVector& data) const override
    {
        std::wstring text;
        for (const char c : data) {
            if (c == '\0')
                break;
            text += static_cast<wchar_t>(Cp1251(static_cast<unsigned char>(c)));
        }
        return TagLib::String(text, TagLib::String::UTF16BE).stripWhiteSpace();
    }
    TagLib::ByteVector render(const TagLib::String& text) const override
    {
        TagLib::ByteVector bytes;
        for (const wchar_t c : text) {
            char byte = '?';
            for (int b = 0; b < 256; ++b)
                if (Cp1251(static_cast<unsigned char>(b)) == static_cast<char32_t>(c))
                    byte = static_cast<char>(b);
            bytes.append(byte);
        }
        return bytes;
    }
};

}  // namespace

TEST(TagOptionsInterop, Version4TagKeptWithEveryFrame)
{
    TempDir dir;
    const std::string original = dir.file("original.mp3");
    WriteFile(original, AudioBytes());
    {
        TagLib::MPEG::File file(original.c_str());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        AddText(tag, "TIT2", {"Titel"});
        AddText(tag, "TPE1", {"Алла", "Bob"});
        AddText(tag, "TDRC", {"2004-05-06T12:30:45"});
        AddText(tag, "TDOR", {"1999-03-04"});
        AddText(tag, "TCON", {"17", "Dark Folk"});
        AddText(tag, "TIPL", {"producer", "P. Roducer"});
        AddText(tag, "TMCL", {"guitar", "G. Uitar"});
        AddText(tag, "TMOO", {"Mellow"});
        AddText(tag, "TSST", {"Disc one"});
        auto comment = std::make_unique<TagLib::ID3v2::CommentsFrame>(TagLib::String::UTF8);
        comment->setText(TL("Kommentar ü"));
        tag->addFrame(comment.release());
        tag->addFrame(new TagLib::ID3v2::UniqueFileIdentifierFrame("http://musicbrainz.org", "1234"));
        auto rating = std::make_unique<TagLib::ID3v2::PopularimeterFrame>();
        rating->setEmail("user@example.org");
        rating->setRating(196);
        tag->addFrame(rating.release());
        AddPicture(tag, TagLib::ID3v2::AttachedPictureFrame::FrontCover, kJpeg, "image/jpeg");
        AddPicture(tag, TagLib::ID3v2::AttachedPictureFrame::BackCover, kPng, "image/png");
        auto title = std::make_unique<TagLib::ID3v2::TextIdentificationFrame>("TIT2", TagLib::String::UTF8);
        title->setText(TL("Kapitel"));
        TagLib::ID3v2::FrameList embedded;
        embedded.append(title.release());
        tag->addFrame(new TagLib::ID3v2::ChapterFrame("ch0", 0, 999, 0xFFFFFFFF, 0xFFFFFFFF, embedded));
        ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v4));
    }
    unsigned version = 0;
    std::map<std::string, std::vector<std::string>> before = RenderedFrames(original, version);
    ASSERT_EQ(version, 4u);
    ASSERT_EQ(before.size(), 14u);

    // Keeping the file's version and writing version 4 both leave every
    // frame as TagLib sees it, but for the changed title and year.
    for (const Id3v2WriteVersion option : {Id3v2WriteVersion::Keep, Id3v2WriteVersion::V24}) {
        const std::string path = dir.file(option == Id3v2WriteVersion::Keep ? "keep.mp3" : "v24.mp3");
        WriteFile(path, ReadFile(original));
        Tmp3TagV2 ours(WithVersion(option));
        ASSERT_TRUE(ours.LoadFromFile(path));
        EXPECT_EQ(ours.Year(), "2004");
        ours.SetTitle("Neuer Titel");
        ours.SetYear("2005");
        ASSERT_TRUE(ours.SaveToFile(path)) << ours.LastError();

        std::map<std::string, std::vector<std::string>> after = RenderedFrames(path, version);
        EXPECT_EQ(version, 4u);
        TagLib::MPEG::File file(path.c_str());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
        ASSERT_NE(tag, nullptr);
        EXPECT_EQ(Utf8(tag->title()), "Neuer Titel");
        EXPECT_EQ(Utf8(tag->frameListMap()["TDRC"].front()->toString()), "2005-05-06T12:30:45");
        for (const char* changed : {"TIT2", "TDRC"}) {
            before.erase(changed);
            after.erase(changed);
        }
        EXPECT_EQ(after, before);
    }

    // Writing version 3 converts as it always did.
    const std::string path = dir.file("v23.mp3");
    WriteFile(path, ReadFile(original));
    Tmp3TagV2 ours;
    ASSERT_TRUE(ours.LoadFromFile(path));
    ours.SetTitle("Neu");
    ASSERT_TRUE(ours.SaveToFile(path));
    RenderedFrames(path, version);
    EXPECT_EQ(version, 3u);
}

TEST(TagOptionsInterop, Version4WrittenByTheStandard)
{
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    // An ID3v2.3 tag with a date and time, an original year, a people list,
    // genre references and a long comment (a frame size past 127 bytes).
    const std::string frames = Frame23("TIT2", "\0Old"s) + Frame23("TYER", "\0" "1995"s) + Frame23("TDAT", "\0" "0605"s)
        + Frame23("TIME", "\0" "1020"s) + Frame23("TORY", "\0" "1990"s) + Frame23("IPLS", "\0mix\0DJ"s)
        + Frame23("TCON", "\0(17)(31)Trance Rock"s) + Frame23("COMM", "\0eng\0"s + std::string(300, 'c'));
    WriteFile(path, Tag(3, frames, 16) + AudioBytes());

    Tmp3TagV2 ours(WithVersion(Id3v2WriteVersion::V24));
    ASSERT_TRUE(ours.LoadFromFile(path));
    ours.SetArtist("Ансамбль");
    ours.SetAlbum("Café");
    ASSERT_TRUE(ours.SaveToFile(path)) << ours.LastError();

    const std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.substr(0, 6), "ID3\x04\0\0"s);
    // Sync-safe frame sizes: the 305-byte comment is 00 00 02 31.
    const std::size_t comment = bytes.find("COMM");
    ASSERT_NE(comment, std::string::npos);
    EXPECT_EQ(bytes.substr(comment + 4, 4), "\0\0\x02\x31"s);
    EXPECT_EQ(bytes.substr(bytes.size() - AudioBytes().size()), AudioBytes());

    TagLib::MPEG::File file(path.c_str());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->header()->majorVersion(), 4u);
    auto map = tag->frameListMap();
    EXPECT_EQ(Utf8(map["TDRC"].front()->toString()), "1995-05-06T10:20");
    EXPECT_TRUE(map["TYER"].isEmpty() && map["TDAT"].isEmpty() && map["TIME"].isEmpty());
    EXPECT_EQ(Utf8(map["TDOR"].front()->toString()), "1990");
    EXPECT_EQ(Utf8(map["TIPL"].front()->toString()), "mix DJ");
    EXPECT_EQ(Utf8(tag->genre()), "Rock Trance Trance Rock");
    EXPECT_EQ(Utf8(tag->comment()), std::string(300, 'c'));
    EXPECT_EQ(Utf8(tag->artist()), "Ансамбль");
    EXPECT_EQ(Utf8(tag->album()), "Café");
    // UTF-8 where the text is not Latin-1 (TagLib's own view of encodings
    // follows its default encoding, which other tests change: the bytes say it).
    EXPECT_EQ(bytes.substr(bytes.find("TPE1") + 10, 3), "\x03\xD0\x90"s);
    EXPECT_EQ(bytes.substr(bytes.find("TALB") + 10, 5), "\0Caf\xE9"s);
    // We read back what we wrote.
    Tmp3TagV2 again;
    ASSERT_TRUE(again.LoadFromFile(path));
    EXPECT_EQ(again.Year(), "1995");
    EXPECT_EQ(again.Genre(), "Trance Rock");
    EXPECT_EQ(again.Artist(), "Ансамбль");

    // Keeping each file's version: an ID3v2.3 tag and a file without a tag
    // are written as ID3v2.3.
    for (const std::string& start : {Tag(3, Frame23("TIT2", "\0x"s)), std::string()}) {
        WriteFile(path, start + AudioBytes());
        Tmp3TagV2 keep(WithVersion(Id3v2WriteVersion::Keep));
        ASSERT_TRUE(keep.LoadFromFile(path));
        keep.SetTitle("Title");
        ASSERT_TRUE(keep.SaveToFile(path));
        EXPECT_EQ(ReadFile(path).substr(0, 4), "ID3\x03");
    }
}

TEST(TagOptionsInterop, CyrillicTagsInWindows1251)
{
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    Cp1251Handler handler;
    TagOptions cyrillic;
    cyrillic.codePage = "windows-1251";
    WriteFile(path, AudioBytes());
    {
        TagLib::ID3v1::Tag::setStringHandler(&handler);
        TagLib::MPEG::File file(path.c_str());
        file.ID3v1Tag(true)->setTitle(TL("Ёжик в тумане"));
        file.ID3v1Tag(true)->setArtist(TL("Норштейн"));
        file.save(TagLib::MPEG::File::ID3v1);
        TagLib::ID3v1::Tag::setStringHandler(nullptr);
    }
    Tmp3TagV1 ours(cyrillic);
    ours.LoadFromFile(path);
    EXPECT_EQ(ours.Title(), "Ёжик в тумане");
    EXPECT_EQ(ours.Artist(), "Норштейн");
    Tmp3TagV1 western;
    western.LoadFromFile(path);
    EXPECT_EQ(western.Artist(), "Íîðøòåéí");  // the same bytes in Windows-1252, as before

    ours.SetAlbum("Сказки");
    ours.SetComment("Ещё € ✓");
    ours.SaveToFile(path);
    const std::string block = ReadFile(path).substr(ReadFile(path).size() - 128);
    EXPECT_EQ(block.substr(97, 8), "\xC5\xF9\xB8 \x88 ? "s);
    TagLib::ID3v1::Tag::setStringHandler(&handler);
    {
        TagLib::MPEG::File file(path.c_str());
        EXPECT_EQ(Utf8(file.ID3v1Tag()->album()), "Сказки");
        EXPECT_EQ(Utf8(file.ID3v1Tag()->title()), "Ёжик в тумане");
    }
    TagLib::ID3v1::Tag::setStringHandler(nullptr);

    // ID3v2 texts in encoding 0 follow the code page only when asked to; a
    // changed field is written in Unicode, so that every program reads it.
    WriteFile(path, Tag(3, Frame23("TIT2", "\0\xCF\xF0\xE8\xE2\xE5\xF2"s) + Frame23("TPE1", "\0x"s)) + AudioBytes());
    Tmp3TagV2 standard(cyrillic);
    ASSERT_TRUE(standard.LoadFromFile(path));
    EXPECT_EQ(standard.Title(), "Ïðèâåò");
    cyrillic.codePageForId3v2 = true;
    Tmp3TagV2 v2(cyrillic);
    ASSERT_TRUE(v2.LoadFromFile(path));
    EXPECT_EQ(v2.Title(), "Привет");
    v2.SetArtist("Мир");
    ASSERT_TRUE(v2.SaveToFile(path)) << v2.LastError();
    TagLib::ID3v2::Tag::setLatin1StringHandler(&handler);
    {
        TagLib::MPEG::File file(path.c_str());
        EXPECT_EQ(Utf8(file.ID3v2Tag()->title()), "Привет");  // kept byte for byte
        EXPECT_EQ(Utf8(file.ID3v2Tag()->artist()), "Мир");
    }
    TagLib::ID3v2::Tag::setLatin1StringHandler(nullptr);
    TagLib::MPEG::File file(path.c_str());
    EXPECT_EQ(Utf8(file.ID3v2Tag()->artist()), "Мир");
}

TEST(TagOptionsInterop, FrontCoverAddedReplacedAndRemoved)
{
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    WriteFile(path, AudioBytes());
    {
        TagLib::MPEG::File file(path.c_str());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        AddText(tag, "TIT2", {"Title"});
        AddPicture(tag, TagLib::ID3v2::AttachedPictureFrame::Other, kPng, "image/png");
        AddPicture(tag, TagLib::ID3v2::AttachedPictureFrame::BackCover, kJpeg, "image/jpeg");
        ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v3));
    }
    Tmp3TagV2 ours;
    ASSERT_TRUE(ours.LoadCover(path));
    ASSERT_TRUE(ours.Cover());
    EXPECT_EQ(ours.Cover()->type, TagPicture::kOther);  // no front cover: the first picture
    EXPECT_EQ(ours.Cover()->data, kPng);

    // Added: the other pictures stay.
    ASSERT_TRUE(ours.LoadFromFile(path));
    ours.SetFrontCover(kJpeg);
    ASSERT_TRUE(ours.SaveToFile(path)) << ours.LastError();
    using Pics = std::vector<std::pair<int, std::string>>;
    EXPECT_EQ(Pictures(path), (Pics {{0, kPng}, {4, kJpeg}, {3, kJpeg}}));
    ASSERT_TRUE(ours.LoadCover(path));
    EXPECT_EQ(ours.Cover()->mimeType, "image/jpeg");
    EXPECT_EQ(ours.Cover()->type, TagPicture::kFrontCover);

    // Replaced in its place, the MIME type following the content.
    ASSERT_TRUE(ours.LoadFromFile(path));
    ours.SetFrontCover(kPng);
    ASSERT_TRUE(ours.SaveToFile(path));
    EXPECT_EQ(Pictures(path), (Pics {{0, kPng}, {4, kJpeg}, {3, kPng}}));
    {
        TagLib::MPEG::File file(path.c_str());
        const auto* front = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(
            file.ID3v2Tag()->frameListMap()["APIC"].back());
        EXPECT_EQ(front->mimeType(), "image/png");
        EXPECT_EQ(Utf8(file.ID3v2Tag()->title()), "Title");
    }

    // Removed: the cover shown goes, the others stay; in a kept ID3v2.4 tag too.
    ASSERT_TRUE(ours.LoadFromFile(path));
    ours.RemoveCover();
    ASSERT_TRUE(ours.SaveToFile(path));
    EXPECT_EQ(Pictures(path), (Pics {{0, kPng}, {4, kJpeg}}));
    Tmp3TagV2 version4(WithVersion(Id3v2WriteVersion::V24));
    ASSERT_TRUE(version4.LoadFromFile(path));
    version4.SetFrontCover(kJpeg);
    ASSERT_TRUE(version4.SaveToFile(path));
    EXPECT_EQ(Pictures(path), (Pics {{0, kPng}, {4, kJpeg}, {3, kJpeg}}));
    ASSERT_TRUE(version4.LoadFromFile(path));
    version4.RemoveCover();
    ASSERT_TRUE(version4.SaveToFile(path));
    EXPECT_EQ(Pictures(path), (Pics {{0, kPng}, {4, kJpeg}}));
}
