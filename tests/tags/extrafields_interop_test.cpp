// The fields beyond the seven, user texts and unique file identifiers as
// TagLib reads what we write into ID3v2.3 and ID3v2.4 tags, and what we keep
// of a tag TagLib wrote with values of several parts.

#include "tagtestutil.h"
#include "tmp3tagv2.h"

#include <gtest/gtest.h>

#include <id3v2framefactory.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <textidentificationframe.h>
#include <uniquefileidentifierframe.h>
#include <urllinkframe.h>

#include <array>
#include <memory>

namespace {

using id3v2::ExtraField;

std::string Utf8(const TagLib::String& s) { return s.to8Bit(true); }
TagLib::String TL(const std::string& utf8) { return TagLib::String(utf8, TagLib::String::UTF8); }

// A value for every field: Latin-1, Cyrillic and Japanese texts, so that
// every encoding a text frame can get is written.
const std::array<std::string, id3v2::kExtraFieldCount> kValues = {
    "Björk & Friends", "1/2", "Пётр Чайковский", "128", "1977", "レコード会社", "Grouping", "Live take",
    "1", "Bjork", "Homogenic, The", "Joga", "GBAYE9700012", "LAME 3.100", "℗ 1997 One Little Indian",
    "https://example.org/bjork?q=1"};

// The text TagLib reads for a field: the URL of the WXXX frame without
// description, the text of a text frame (its parts joined with "/").
std::string TagLibField(TagLib::ID3v2::Tag& tag, ExtraField field, int version)
{
    if (field == id3v2::kUrl) {
        for (TagLib::ID3v2::Frame* frame : tag.frameListMap()["WXXX"])
            if (auto* url = dynamic_cast<TagLib::ID3v2::UserUrlLinkFrame*>(frame); url && url->description().isEmpty())
                return Utf8(url->url());
        return "(none)";
    }
    // TagLib gives an ID3v2.3 original year the ID3v2.4 id.
    const char* id = field == id3v2::kOriginalYear ? "TDOR" : id3v2::ExtraFieldId(field, version);
    const TagLib::ID3v2::FrameList frames = tag.frameListMap()[id];
    if (frames.size() != 1)
        return "(" + std::to_string(frames.size()) + " frames)";
    const auto* text = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frames.front());
    return text ? Utf8(text->fieldList().toString("/")) : "(no text frame)";
}

}  // namespace

TEST(ExtraFieldsInterop, TagLibReadsEveryFieldWeWriteInBothVersions)
{
    for (const int version : {3, 4}) {
        SCOPED_TRACE(version);
        TempDir dir;
        const std::string path = dir.file("extra.mp3");
        WriteFile(path, AudioBytes());
        TagOptions options;
        options.writeVersion = version == 4 ? Id3v2WriteVersion::V24 : Id3v2WriteVersion::V23;
        Tmp3TagV2 ours(options);
        ours.SetTitle("Jóga");
        ours.SetTrackText("3/12");
        for (std::size_t f = 0; f < id3v2::kExtraFieldCount; ++f)
            ours.SetExtra(static_cast<ExtraField>(f), kValues[f]);
        ours.SetUserText("MusicBrainz Album Id", "0d8b6d4e-6f49-4a2e-9d9f-1c2b3a4d5e6f");
        ours.SetUserText("Настроение", "Радость");
        ours.SetUniqueFileId("http://musicbrainz.org", "8f3471b5-7e6a-48da-86a9-c1c07a0f47ae");
        ASSERT_TRUE(ours.SaveToFile(path)) << ours.LastError();

        {
            TagLib::MPEG::File file(path.c_str());
            TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
            ASSERT_NE(tag, nullptr);
            EXPECT_EQ(tag->header()->majorVersion(), static_cast<unsigned>(version));
            for (std::size_t f = 0; f < id3v2::kExtraFieldCount; ++f)
                EXPECT_EQ(TagLibField(*tag, static_cast<ExtraField>(f), version), kValues[f]) << id3v2::kExtraFields[f].name;
            EXPECT_EQ(Utf8(tag->frameListMap()["TRCK"].front()->toString()), "3/12");
            EXPECT_EQ(Utf8(tag->title()), "Jóga");
            for (const auto& [description, text] :
                 {std::pair<std::string, std::string>("MusicBrainz Album Id", "0d8b6d4e-6f49-4a2e-9d9f-1c2b3a4d5e6f"),
                  {"Настроение", "Радость"}}) {
                const auto* txxx = TagLib::ID3v2::UserTextIdentificationFrame::find(tag, TL(description));
                ASSERT_NE(txxx, nullptr) << description;
                ASSERT_GE(txxx->fieldList().size(), 2u);
                EXPECT_EQ(Utf8(txxx->fieldList()[1]), text);
            }
            const auto* ufid = TagLib::ID3v2::UniqueFileIdentifierFrame::findByOwner(tag, "http://musicbrainz.org");
            ASSERT_NE(ufid, nullptr);
            EXPECT_TRUE(ufid->identifier() == TagLib::ByteVector("8f3471b5-7e6a-48da-86a9-c1c07a0f47ae"));
        }

        // We read back what we wrote; an empty text removes the frame.
        Tmp3TagV2 back(options);
        ASSERT_TRUE(back.LoadFromFile(path));
        for (std::size_t f = 0; f < id3v2::kExtraFieldCount; ++f)
            EXPECT_EQ(back.Extra(static_cast<ExtraField>(f)), kValues[f]) << id3v2::kExtraFields[f].name;
        EXPECT_EQ(back.TrackText(), "3/12");
        EXPECT_EQ(back.Track(), 3);
        EXPECT_EQ(back.AlbumArtist(), kValues[id3v2::kAlbumArtist]);
        EXPECT_EQ(back.Disc(), 1);
        EXPECT_EQ(back.UserText("Настроение"), "Радость");
        back.SetExtra(id3v2::kComposer, "");
        back.SetExtra(id3v2::kCompilation, "0");
        back.SetUserText("Настроение", "");
        back.SetUniqueFileId("http://musicbrainz.org", "");
        ASSERT_TRUE(back.SaveToFile(path));
        TagLib::MPEG::File file(path.c_str());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
        ASSERT_NE(tag, nullptr);
        EXPECT_TRUE(tag->frameListMap()["TCOM"].isEmpty());
        EXPECT_TRUE(tag->frameListMap()["TCMP"].isEmpty());
        EXPECT_TRUE(tag->frameListMap()["UFID"].isEmpty());
        EXPECT_EQ(TagLib::ID3v2::UserTextIdentificationFrame::find(tag, TL("Настроение")), nullptr);
        EXPECT_NE(TagLib::ID3v2::UserTextIdentificationFrame::find(tag, "MusicBrainz Album Id"), nullptr);
        EXPECT_EQ(TagLibField(*tag, id3v2::kPublisher, version), kValues[id3v2::kPublisher]);
    }
}

TEST(ExtraFieldsInterop, ValuesOfSeveralPartsStayWhenOtherFieldsChange)
{
    TempDir dir;
    const std::string path = dir.file("parts.mp3");
    WriteFile(path, AudioBytes());
    {
        TagLib::ID3v2::FrameFactory::instance()->setDefaultTextEncoding(TagLib::String::UTF8);
        TagLib::MPEG::File file(path.c_str());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        tag->setTitle("Song");
        TagLib::StringList composers;
        composers.append(TL("Lennon"));
        composers.append(TL("McCartney"));
        auto tcom = std::make_unique<TagLib::ID3v2::TextIdentificationFrame>("TCOM", TagLib::String::UTF8);
        tcom->setText(composers);
        tag->addFrame(tcom.release());
        auto tdor = std::make_unique<TagLib::ID3v2::TextIdentificationFrame>("TDOR", TagLib::String::UTF8);
        tdor->setText("1965-08-06");
        tag->addFrame(tdor.release());
        ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v4));
        TagLib::ID3v2::FrameFactory::instance()->setDefaultTextEncoding(TagLib::String::Latin1);
    }
    TagOptions keep;
    keep.writeVersion = Id3v2WriteVersion::Keep;
    Tmp3TagV2 ours(keep);
    ASSERT_TRUE(ours.LoadFromFile(path));
    EXPECT_EQ(ours.Extra(id3v2::kComposer), "Lennon/McCartney");
    EXPECT_EQ(ours.Extra(id3v2::kOriginalYear), "1965");
    // Set to what it shows: the frame stays as it is, both parts kept.
    ours.SetExtra(id3v2::kComposer, ours.Extra(id3v2::kComposer));
    ours.SetExtra(id3v2::kBpm, "120");
    ASSERT_TRUE(ours.SaveToFile(path));
    {
        TagLib::MPEG::File file(path.c_str());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
        ASSERT_NE(tag, nullptr);
        const TagLib::ID3v2::FrameList tcom = tag->frameListMap()["TCOM"];
        ASSERT_EQ(tcom.size(), 1u);
        const TagLib::StringList parts = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(tcom.front())->fieldList();
        ASSERT_EQ(parts.size(), 2u);
        EXPECT_EQ(Utf8(parts[1]), "McCartney");
        EXPECT_EQ(Utf8(tag->frameListMap()["TDOR"].front()->toString()), "1965-08-06");
        EXPECT_EQ(Utf8(tag->frameListMap()["TBPM"].front()->toString()), "120");
    }
    // A new original year keeps the month and day of the release time.
    ours.SetExtra(id3v2::kOriginalYear, "1966");
    ASSERT_TRUE(ours.SaveToFile(path));
    TagLib::MPEG::File file(path.c_str());
    EXPECT_EQ(Utf8(file.ID3v2Tag(false)->frameListMap()["TDOR"].front()->toString()), "1966-08-06");
}
