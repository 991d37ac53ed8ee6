// Tags of other versions rewritten as ID3v2.3 lose nothing: files written by
// TagLib (ID3v2.4) and built byte by byte (ID3v2.2, as a popular player
// writes them), read back with TagLib after one field was changed.

#include "tagtestutil.h"
#include "tmp3tagv2.h"

#include <gtest/gtest.h>

#include <attachedpictureframe.h>
#include <chapterframe.h>
#include <commentsframe.h>
#include <generalencapsulatedobjectframe.h>
#include <id3v2framefactory.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <ownershipframe.h>
#include <synchronizedlyricsframe.h>
#include <tableofcontentsframe.h>
#include <textidentificationframe.h>
#include <unsynchronizedlyricsframe.h>
#include <urllinkframe.h>

#include <map>
#include <memory>

using namespace std::string_literals;

namespace {

std::string Utf8(const TagLib::String& s) { return s.to8Bit(true); }
TagLib::String TL(const std::string& utf8) { return TagLib::String(utf8, TagLib::String::UTF8); }
TagLib::StringList Strings(std::initializer_list<const char*> texts)
{
    TagLib::StringList list;
    for (const char* text : texts)
        list.append(TL(text));
    return list;
}

// Adds a text frame (several values when given several).
void AddText(TagLib::ID3v2::Tag* tag, const char* id, std::initializer_list<const char*> values)
{
    auto frame = std::make_unique<TagLib::ID3v2::TextIdentificationFrame>(id, TagLib::String::UTF8);
    frame->setText(Strings(values));
    tag->addFrame(frame.release());
}

// Every frame of our version 3 output whose layout starts with an encoding
// byte has encoding 0 or 1.
void ExpectOnlyVersion3Encodings(const std::string& bytes)
{
    static const std::string encoded = "APIC COMM GEOB IPLS OWNE SYLT USER USLT WXXX";
    for (const auto& [id, content] : FramesOf(bytes)) {
        if ((id[0] == 'T' || encoded.find(id) != std::string::npos) && !content.empty()) {
            EXPECT_LE(static_cast<unsigned char>(content[0]), 1u) << id;
        }
    }
}

std::string TextOf(TagLib::ID3v2::Tag* tag, const char* id)
{
    const auto& frames = tag->frameListMap()[id];
    return frames.isEmpty() ? "<none>" : Utf8(frames.front()->toString());
}

std::string UserText(TagLib::ID3v2::Tag* tag, const char* description)
{
    const auto* frame = TagLib::ID3v2::UserTextIdentificationFrame::find(tag, TL(description));
    return frame && frame->fieldList().size() > 1 ? Utf8(frame->fieldList()[1]) : "<none>";
}

}  // namespace

TEST(TagConversion, Version4TagLosesNothing)
{
    TempDir dir;
    const std::string path = dir.file("podcast.mp3");
    WriteFile(path, AudioBytes());
    {
        TagLib::MPEG::File file(path.c_str());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        AddText(tag, "TIT2", {"Titel"});
        AddText(tag, "TPE1", {"Alpha", "Beta"});
        AddText(tag, "TSOP", {"Sort, Artist"});
        AddText(tag, "TSOA", {"Sort Album"});
        AddText(tag, "TSOT", {"Sort Title"});
        AddText(tag, "TSO2", {"Sort Band"});
        AddText(tag, "TSOC", {"Sort Composer"});
        AddText(tag, "TDOR", {"1999-03-04"});
        AddText(tag, "TDRC", {"2004-05-06T12:30"});
        AddText(tag, "TIPL", {"producer", "P. Roducer", "engineer", "E. Ngineer"});
        AddText(tag, "TMCL", {"guitar", "G. Uitar"});
        AddText(tag, "TMOO", {"Mellow"});
        AddText(tag, "TCOM", {"Ана", "Bob"});
        auto norm = std::make_unique<TagLib::ID3v2::CommentsFrame>(TagLib::String::UTF8);
        norm->setDescription("iTunNORM");
        norm->setText(" 0000021A 00000200");
        tag->addFrame(norm.release());
        auto url = std::make_unique<TagLib::ID3v2::UserUrlLinkFrame>(TagLib::String::UTF8);
        url->setDescription(TL("Страница"));
        url->setUrl("http://example.org/");
        tag->addFrame(url.release());
        auto object = std::make_unique<TagLib::ID3v2::GeneralEncapsulatedObjectFrame>();
        object->setTextEncoding(TagLib::String::UTF8);
        object->setMimeType("text/plain");
        object->setFileName(TL("файл.txt"));
        object->setDescription(TL("Описание"));
        object->setObject(TagLib::ByteVector("payload", 7));
        tag->addFrame(object.release());
        auto owner = std::make_unique<TagLib::ID3v2::OwnershipFrame>(TagLib::String::UTF8);
        owner->setPricePaid("EUR1.00");
        owner->setDatePurchased("20240101");
        owner->setSeller(TL("Händler"));
        tag->addFrame(owner.release());
        auto lyrics = std::make_unique<TagLib::ID3v2::SynchronizedLyricsFrame>(TagLib::String::UTF8);
        lyrics->setDescription(TL("Текст"));
        TagLib::ID3v2::SynchronizedLyricsFrame::SynchedTextList texts;
        texts.append({1000, TL("Раз")});
        texts.append({2000, TL("Два")});
        lyrics->setSynchedText(texts);
        tag->addFrame(lyrics.release());
        // A podcast of 129 chapters, each titled, and their table of contents.
        TagLib::ByteVectorList children;
        for (unsigned i = 0; i < 129; ++i) {
            const TagLib::ByteVector id(("ch" + std::to_string(i)).c_str());
            auto title = std::make_unique<TagLib::ID3v2::TextIdentificationFrame>("TIT2", TagLib::String::UTF8);
            title->setText(TL("Глава " + std::to_string(i)));
            TagLib::ID3v2::FrameList embedded;
            embedded.append(title.release());
            tag->addFrame(std::make_unique<TagLib::ID3v2::ChapterFrame>(id, i * 1000, i * 1000 + 999, 0xFFFFFFFF,
                                                                          0xFFFFFFFF, embedded).release());
            children.append(id);
        }
        auto toc = std::make_unique<TagLib::ID3v2::TableOfContentsFrame>("toc", children);
        toc->setIsTopLevel(true);
        tag->addFrame(toc.release());
        ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v4));
    }

    Tmp3TagV2 ours;
    ASSERT_TRUE(ours.LoadFromFile(path));
    EXPECT_EQ(ours.Artist(), "Alpha/Beta");
    EXPECT_EQ(ours.Year(), "2004");
    EXPECT_EQ(ours.Comment(), "");  // only the iTunNORM frame
    ours.SetTitle("Neu");
    ASSERT_TRUE(ours.SaveToFile(path)) << ours.LastError();
    const std::string bytes = ReadFile(path);
    ExpectOnlyVersion3Encodings(bytes);
    std::map<std::string, std::string> raw;
    for (const auto& [id, content] : FramesOf(bytes))
        raw.emplace(id, content);
    EXPECT_EQ(raw["TDAT"], "\0" "0605"s);
    EXPECT_EQ(raw["TIME"], "\0" "1230"s);

    TagLib::MPEG::File file(path.c_str());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->header()->majorVersion(), 3u);
    EXPECT_EQ(Utf8(tag->title()), "Neu");
    EXPECT_EQ(Utf8(tag->artist()), "Alpha/Beta");
    EXPECT_EQ(TextOf(tag, "TCOM"), "Ана/Bob");
    EXPECT_EQ(TextOf(tag, "TSOP"), "Sort, Artist");
    EXPECT_EQ(TextOf(tag, "TSOA"), "Sort Album");
    EXPECT_EQ(TextOf(tag, "TSOT"), "Sort Title");
    EXPECT_EQ(TextOf(tag, "TSO2"), "Sort Band");
    EXPECT_EQ(TextOf(tag, "TSOC"), "Sort Composer");
    EXPECT_EQ(TextOf(tag, "TDOR"), "1999");  // TagLib's view of TORY
    EXPECT_EQ(UserText(tag, "TDOR"), "1999-03-04");
    EXPECT_EQ(UserText(tag, "TMOO"), "Mellow");
    EXPECT_EQ(TextOf(tag, "TDRC").substr(0, 10), "2004-05-06");
    const auto people = tag->frameListMap()["TIPL"];  // TagLib's view of IPLS
    ASSERT_EQ(people.size(), 1u);
    const auto* list = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(people.front());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->fieldList(), Strings({"producer", "P. Roducer", "engineer", "E. Ngineer", "guitar", "G. Uitar"}));
    const auto* norm = TagLib::ID3v2::CommentsFrame::findByDescription(tag, "iTunNORM");
    ASSERT_NE(norm, nullptr);
    EXPECT_EQ(Utf8(norm->text()), " 0000021A 00000200");

    const auto* url = TagLib::ID3v2::UserUrlLinkFrame::find(tag, TL("Страница"));
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(url->url(), "http://example.org/");
    const auto objects = tag->frameListMap()["GEOB"];
    ASSERT_EQ(objects.size(), 1u);
    const auto* object = dynamic_cast<TagLib::ID3v2::GeneralEncapsulatedObjectFrame*>(objects.front());
    EXPECT_EQ(Utf8(object->fileName()), "файл.txt");
    EXPECT_EQ(Utf8(object->description()), "Описание");
    EXPECT_EQ(object->object(), TagLib::ByteVector("payload", 7));
    const auto* owner = dynamic_cast<TagLib::ID3v2::OwnershipFrame*>(tag->frameListMap()["OWNE"].front());
    EXPECT_EQ(Utf8(owner->seller()), "Händler");
    EXPECT_EQ(owner->pricePaid(), "EUR1.00");
    const auto* lyrics = dynamic_cast<TagLib::ID3v2::SynchronizedLyricsFrame*>(tag->frameListMap()["SYLT"].front());
    EXPECT_EQ(Utf8(lyrics->description()), "Текст");
    ASSERT_EQ(lyrics->synchedText().size(), 2u);
    EXPECT_EQ(Utf8(lyrics->synchedText()[1].text), "Два");

    const auto chapters = tag->frameListMap()["CHAP"];
    ASSERT_EQ(chapters.size(), 129u);
    const auto* last = dynamic_cast<TagLib::ID3v2::ChapterFrame*>(chapters.back());
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->elementID(), "ch128");
    EXPECT_EQ(last->startTime(), 128000u);
    ASSERT_EQ(last->embeddedFrameList("TIT2").size(), 1u);
    EXPECT_EQ(Utf8(last->embeddedFrameList("TIT2").front()->toString()), "Глава 128");
    const auto* toc = dynamic_cast<TagLib::ID3v2::TableOfContentsFrame*>(tag->frameListMap()["CTOC"].front());
    ASSERT_NE(toc, nullptr);
    EXPECT_EQ(toc->entryCount(), 129u);
    EXPECT_TRUE(toc->isTopLevel());
}

TEST(TagConversion, Version2TagOfAPopularPlayerLosesNothing)
{
    TempDir dir;
    const std::string path = dir.file("player.mp3");
    const auto text = [](const char* id, const std::string& latin1) { return Frame22(id, "\0"s + latin1); };
    const auto comment = [](const std::string& description, const std::string& value) {
        return Frame22("COM", "\0eng"s + description + "\0"s + value);
    };
    const std::string frames = text("TT2", "Song") + text("TP1", "Artist") + text("TP2", "Band") + text("TAL", "Album")
        + text("TCM", "Composer") + text("TCO", "(13)") + text("TYE", "1997") + text("TRK", "3/12") + text("TPA", "1/2")
        + text("TBP", "120") + text("TCP", "1") + text("TEN", "iTunes 7.0") + text("TSA", "Album, The")
        + text("TSP", "Artist, The") + text("TST", "Song, The") + text("TS2", "Band, The")
        + comment("iTunNORM", " 000001F4 00000200") + comment("iTunSMPB", " 00000000 00000210 000007E0")
        + comment("iTunPGAP", "0") + comment("", "Plain comment")
        + Frame22("PIC", "\0PNG\x03"s + "\0"s + std::string(300, '\x89'))
        + Frame22("ULT", "\0eng\0La la la"s);
    WriteFile(path, Tag(2, frames) + AudioBytes());

    Tmp3TagV2 ours;
    ASSERT_TRUE(ours.LoadFromFile(path));
    EXPECT_EQ(ours.Comment(), "Plain comment");
    ours.SetAlbum("New album");
    ASSERT_TRUE(ours.SaveToFile(path)) << ours.LastError();
    EXPECT_EQ(FramesOf(ReadFile(path)).size(), 22u);

    TagLib::MPEG::File file(path.c_str());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(Utf8(tag->album()), "New album");
    EXPECT_EQ(Utf8(tag->genre()), "Pop");
    EXPECT_EQ(TextOf(tag, "TPE2"), "Band");
    EXPECT_EQ(TextOf(tag, "TCOM"), "Composer");
    EXPECT_EQ(TextOf(tag, "TPOS"), "1/2");
    EXPECT_EQ(TextOf(tag, "TBPM"), "120");
    EXPECT_EQ(TextOf(tag, "TCMP"), "1");
    EXPECT_EQ(TextOf(tag, "TENC"), "iTunes 7.0");
    EXPECT_EQ(TextOf(tag, "TSOA"), "Album, The");
    EXPECT_EQ(TextOf(tag, "TSOP"), "Artist, The");
    EXPECT_EQ(TextOf(tag, "TSOT"), "Song, The");
    EXPECT_EQ(TextOf(tag, "TSO2"), "Band, The");
    const auto* gapless = TagLib::ID3v2::CommentsFrame::findByDescription(tag, "iTunSMPB");
    ASSERT_NE(gapless, nullptr);
    EXPECT_EQ(Utf8(gapless->text()), " 00000000 00000210 000007E0");
    EXPECT_NE(TagLib::ID3v2::CommentsFrame::findByDescription(tag, "iTunPGAP"), nullptr);
    const auto pictures = tag->frameListMap()["APIC"];
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front())->mimeType(), "image/png");
    const auto lyrics = tag->frameListMap()["USLT"];
    ASSERT_EQ(lyrics.size(), 1u);
    EXPECT_EQ(Utf8(lyrics.front()->toString()), "La la la");
}
