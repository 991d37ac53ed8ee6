// "Look up album online ..." on the main window's playlist against a local
// server that answers as the MusicBrainz web service and the Cover Art
// Archive document, and the write of a release into one file.

#include "fakemusicbrainzserver.h"
#include "tagtoolsfixture.h"

#include "accessletters.h"
#include "albumrelease.h"
#include "albumtagwriter.h"
#include "musicbrainzclient.h"
#include "optionvalues.h"
#include "tfileinfo.h"
#include "tfrmalbumlookup.h"
#include "tfrmmain.h"
#include "tmp3tagv1.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "tpreviewmodel.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/uniquefileidentifierframe.h>

namespace {

using Answer = FakeMusicBrainzServer::Answer;

using Kind = ScriptedPrompts::Kind;
constexpr const char* kReleaseId = "5e2f7c1a-6b0d-4b8e-9a53-0c6f1d2e3a41";
constexpr const char* kSecondReleaseId = "7a3c5e7f-8d2b-4f1a-9c6e-4b8d2f6a0c95";

QByteArray Canned(const char* name, const QString& server = {})
{
    QFile file(QStringLiteral(TV_TEST_DATA_DIR "/musicbrainz/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll().replace("@SERVER@", server.toUtf8());
}

// The server with the search, the release, its cover listing and a cover.
void AnswerAsMusicBrainz(FakeMusicBrainzServer& server, const std::string& png)
{
    server.SetAnswer("/ws/2/release/", Answer::Json(Canned("release-search.json")));
    server.SetAnswer(QByteArray("/ws/2/release/") + kReleaseId, Answer::Json(Canned("release.json")));
    server.SetAnswer(QByteArray("/ws/2/release/") + kSecondReleaseId,
                     Answer::Json(Canned("release.json").replace(kReleaseId, kSecondReleaseId)));
    server.SetAnswer(QByteArray("/release/") + kReleaseId + "/", Answer::Json(Canned("cover-listing.json", server.Address())));
    server.SetAnswer(QByteArray("/release/") + kReleaseId + "/1002-500.png",
                     Answer::Other(200, QByteArray::fromStdString(png), "image/png"));
}

// The row of the file at `path` in the window's list of files.
int FileRow(const TfrmAlbumLookup& window, const std::string& path)
{
    for (int row = 0; row < window.Tracks()->Count(); ++row)
        if (window.Tracks()->RowAt(row).record->FullPath() == path)
            return row;
    return -1;
}

// An ID3v2 frame's text as TagLib reads it; "" when there is none.
std::string FrameText(TagLib::MPEG::File& file, const char* id)
{
    const TagLib::ID3v2::FrameList& frames = file.ID3v2Tag()->frameListMap()[id];
    return frames.isEmpty() ? std::string() : frames.front()->toString().to8Bit(true);
}

// The text of the user text frame with that description, as TagLib reads it.
std::string UserText(const std::string& path, const char* description)
{
    TagLib::MPEG::File file(path.c_str());
    auto* frame = file.ID3v2Tag() ? TagLib::ID3v2::UserTextIdentificationFrame::find(file.ID3v2Tag(), description)
                                  : nullptr;
    return frame ? frame->fieldList().back().to8Bit(true) : std::string();
}

std::string MusicBrainzRecordingId(const std::string& path)
{
    TagLib::MPEG::File file(path.c_str());
    if (!file.ID3v2Tag())
        return {};
    for (TagLib::ID3v2::Frame* frame : file.ID3v2Tag()->frameListMap()["UFID"]) {
        auto* id = dynamic_cast<TagLib::ID3v2::UniqueFileIdentifierFrame*>(frame);
        if (id && id->owner() == "http://musicbrainz.org")
            return std::string(id->identifier().data(), id->identifier().size());
    }
    return {};
}

std::string FrontCoverBytes(const std::string& path)
{
    TagLib::MPEG::File file(path.c_str());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
    if (!tag)
        return {};
    for (TagLib::ID3v2::Frame* frame : tag->frameListMap()["APIC"]) {
        auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (picture && picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover)
            return std::string(picture->picture().data(), picture->picture().size());
    }
    return {};
}

} // namespace

TEST_F(TagToolsTest, LookUpAlbumOnlineFillsTheMatchedFilesInOneUndoStep)
{
    FakeMusicBrainzServer server;
    const std::string png = PictureBytes("PNG", 500, 500);
    AnswerAsMusicBrainz(server, png);
    options::musicBrainzServer = server.Address().toStdString();
    options::coverArtServer = server.Address().toStdString();
    const auto restore = qScopeGuard([] { options::SetDefaultOptionValues(); });

    const Tags byNumber {"Untitled", "The Glass Hours", "Silver Road", "", "", "", 1};
    const Tags byTitle {"Silver Rd", "The Glass Hours", "Silver Road", "", "", "", 0};
    const Tags leftOut {"Falling Light", "Glass Hours", "Silver Rd", "", "", "", 0};
    const std::string a = AddSong("a.mp3", &byNumber);
    const std::string b = AddSong("b.mp3", &byTitle);
    const std::string c = AddSong("c.mp3", &leftOut);
    const std::string cBefore = ReadFile(c);
    Select({0, 1, 2});
    EXPECT_TRUE(frm->LookUpAlbumOnline1->isEnabled());
    EXPECT_EQ(frm->LookUpAlbumOnline1->text(), QStringLiteral("Look up album &online ..."));

    bool driven = false;
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<TfrmAlbumLookup*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        const auto close = qScopeGuard([window] {
            if (window->isVisible())
                window->reject();
        });
        EXPECT_EQ(AccessLetterFaults(*window), AccessFaults());
        // The album and artist most of the files give.
        EXPECT_EQ(window->edtAlbum->text(), QStringLiteral("Silver Road"));
        EXPECT_EQ(window->edtArtist->text(), QStringLiteral("The Glass Hours"));
        window->btnSearch->click();
        EXPECT_TRUE(window->Busy());
        EXPECT_TRUE(window->btnStop->isEnabled());
        ASSERT_TRUE(QTest::qWaitFor([window] { return window->ShownRelease() != nullptr; }, 15000));
        EXPECT_EQ(window->Releases()->Count(), 2);
        EXPECT_EQ(window->Releases()->RowAt(0).texts[TfrmAlbumLookup::FormatColumn], QStringLiteral("CD"));
        EXPECT_FALSE(window->Releases()->RowAt(0).texts[TfrmAlbumLookup::LengthsColumn].isEmpty());
        // The second release's tracks are read in the background.
        EXPECT_TRUE(QTest::qWaitFor(
            [window] { return !window->Releases()->RowAt(1).texts[TfrmAlbumLookup::LengthsColumn].isEmpty(); }, 15000));
        const int rowA = FileRow(*window, a), rowB = FileRow(*window, b), rowC = FileRow(*window, c);
        EXPECT_EQ(window->Matching()[static_cast<std::size_t>(rowA)], 0);
        EXPECT_EQ(window->Matching()[static_cast<std::size_t>(rowB)], 1);
        EXPECT_EQ(window->Matching()[static_cast<std::size_t>(rowC)], 2);
        // The user takes the third file out.
        window->SetTrackOfFile(rowC, -1);
        EXPECT_EQ(window->Tracks()->RowAt(rowC).texts[TfrmAlbumLookup::TrackTitleColumn], QStringLiteral("(no track)"));
        window->cbGenre->setChecked(true);
        window->cbIdentifiers->setChecked(true);
        window->cbCover->setChecked(true);
        window->btnApply->click();
        ASSERT_TRUE(QTest::qWaitFor([window] { return !window->isVisible(); }, 15000));
        driven = true;
    });
    frm->LookUpAlbumOnline1->trigger();
    ASSERT_TRUE(driven);
    EXPECT_TRUE(prompts.shown().empty()) << prompts.shown().front().text.toStdString();

    EXPECT_EQ(TagLibFrame(a, "TIT2"), "Morning River");
    EXPECT_EQ(TagLibFrame(a, "TPE1"), "The Glass Hours");
    EXPECT_EQ(TagLibFrame(a, "TALB"), "Silver Road");
    EXPECT_EQ(TagLibFrame(a, "TDRC"), "2001"); // TagLib reads TYER as TDRC
    EXPECT_EQ(TagLibFrame(a, "TCON"), "indie rock");
    EXPECT_EQ(TagLibFrame(b, "TIT2"), "Silver Road");
    EXPECT_EQ(TagLibFrame(b, "TPE1"), "The Glass Hours feat. Nina Vale");
    EXPECT_EQ(TagLibFrame(a, "TRCK"), "1/3");
    EXPECT_EQ(TagLibFrame(b, "TRCK"), "2/3");
    EXPECT_EQ(TagLibFrame(b, "TPOS"), "1/1");
    EXPECT_EQ(TagLibFrame(b, "TPE2"), "The Glass Hours");
    EXPECT_EQ(UserText(b, "MusicBrainz Album Id"), kReleaseId);
    EXPECT_EQ(UserText(b, "MusicBrainz Artist Id"), "0d4a8e52-7f31-4c3b-8b6e-2a9f5c7d1e60");
    EXPECT_EQ(UserText(b, "MusicBrainz Album Artist Id"), "0d4a8e52-7f31-4c3b-8b6e-2a9f5c7d1e60");
    EXPECT_EQ(UserText(b, "MusicBrainz Release Group Id"), "9c1b3d5e-2f4a-4e6b-8d0c-7a9e1b3c5d72");
    EXPECT_EQ(UserText(b, "MusicBrainz Release Track Id"), "e1a2b3c4-d5e6-4f70-8a91-b2c3d4e5f602");
    EXPECT_EQ(MusicBrainzRecordingId(b), "a1b2c3d4-e5f6-4a7b-8c9d-0e1f2a3b4c02");
    EXPECT_EQ(FrontCoverBytes(a), png);
    EXPECT_EQ(FrontCoverBytes(b), png);
    EXPECT_EQ(ReadFile(c), cBefore);
    // One command to undo, and the rows show the new tags.
    EXPECT_EQ(frm->Undolastchange1->text(), QStringLiteral("&Undo: tags of 2 files"));
    const std::vector<std::string> captions = Captions(*playlist().model());
    EXPECT_NE(std::find(captions.begin(), captions.end(), "The Glass Hours - Morning River"), captions.end());
}

TEST_F(TagToolsTest, LookUpAlbumOnlineWritesNothingWhenAnAnswerFails)
{
    FakeMusicBrainzServer server;
    AnswerAsMusicBrainz(server, PictureBytes("PNG", 8, 8));
    server.SetAnswer(QByteArray("/ws/2/release/") + kReleaseId, Answer::Other(503, "Service Unavailable", "text/plain"));
    server.SetAnswer(QByteArray("/release/") + kReleaseId + "/", Answer::Json("{\"images\":[{\"front\":true,"));
    const Tags tags {"Morning River", "The Glass Hours", "Silver Road", "", "", "", 1};
    const std::string a = AddSong("a.mp3", &tags);
    const std::string before = ReadFile(a);
    Select({0});
    MusicBrainzClient client(
        {server.Address(), server.Address(), std::chrono::milliseconds(5000), std::chrono::milliseconds(0)});
    TfrmAlbumLookup window(playlist(), prompts, client);

    window.btnSearchClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.shown().empty(); }, 15000));
    EXPECT_EQ(prompts.shown().back().kind, Kind::Error);
    EXPECT_TRUE(prompts.shown().back().text.contains(QStringLiteral("HTTP 503")));
    EXPECT_EQ(window.ShownRelease(), nullptr);
    EXPECT_FALSE(window.btnApply->isEnabled());
    EXPECT_FALSE(window.Busy());

    // The release comes the second time; the cover listing cannot be read.
    server.SetAnswer(QByteArray("/ws/2/release/") + kReleaseId, Answer::Json(Canned("release.json")));
    window.SelectRelease(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.ShownRelease() != nullptr; }, 15000));
    window.cbCover->setChecked(true);
    window.btnApplyClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompts.shown().size() == 2; }, 15000));
    EXPECT_TRUE(prompts.shown().back().text.contains(QStringLiteral("could not be read")))
        << prompts.shown().back().text.toStdString();
    EXPECT_FALSE(window.TagsWritten());
    EXPECT_EQ(ReadFile(a), before);
}

TEST_F(TagToolsTest, LookUpAlbumOnlineSearchesForAnyTrackCountWhenNoReleaseHasTheFilesCount)
{
    FakeMusicBrainzServer server;
    server.SetAnswer("/ws/2/release/", Answer::Json(R"({"created":"2026-11-30T10:15:42.125Z","count":0,"offset":0,"releases":[]})"));
    const Tags tags {"Morning River", "The Glass Hours", "Silver Road", "", "", "", 1};
    AddSong("a.mp3", &tags);
    Select({0});
    MusicBrainzClient client(
        {server.Address(), server.Address(), std::chrono::milliseconds(5000), std::chrono::milliseconds(0)});
    TfrmAlbumLookup window(playlist(), prompts, client);
    window.btnSearchClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.Busy(); }, 15000));
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_TRUE(QUrl::fromPercentEncoding(server.Requests()[0].query).contains(QStringLiteral(" AND tracks:1")));
    EXPECT_FALSE(QUrl::fromPercentEncoding(server.Requests()[1].query).contains(QStringLiteral("tracks:")));
    EXPECT_TRUE(window.labStatus->text().startsWith(QStringLiteral("No release was found")));
    EXPECT_TRUE(prompts.shown().empty());
}

TEST(AlbumTagWriterTest, WritesBothTagsAndTheFullDateOnlyIntoAnId3v24Tag)
{
    AlbumRelease release;
    release.id = QString::fromLatin1(kReleaseId);
    release.title = QStringLiteral("Silver Road");
    release.artist = QStringLiteral("The Glass Hours");
    release.date = QStringLiteral("2001-05-12");
    release.genre = QStringLiteral("Rock");
    ReleaseTrack track;
    track.position = 2;
    track.discTracks = 3;
    track.title = QStringLiteral("Café au lait");
    track.artist = QStringLiteral("Nina Vale");
    const AlbumTagWriter::Texts texts = AlbumTagWriter::TextsFor(release, track);

    TempDir dir;
    const std::string v23 = dir.file("v23.mp3"), v24 = dir.file("v24.mp3");
    for (const std::string& path : {v23, v24})
        WriteFile(path, AudioBytes(3000));
    AlbumTagWriter::Choices choices;
    choices.v1 = true;
    choices.genre = true;
    EXPECT_TRUE(AlbumTagWriter::WriteFile(v23, texts, choices).isEmpty());
    TagOptions options;
    options.writeVersion = Id3v2WriteVersion::V24;
    options::SetTagOptions(options);
    const auto restore = qScopeGuard([] { options::SetDefaultOptionValues(); });
    EXPECT_TRUE(AlbumTagWriter::WriteFile(v24, texts, {}).isEmpty());

    TagLib::MPEG::File old(v23.c_str());
    ASSERT_TRUE(old.ID3v2Tag() && old.ID3v1Tag());
    EXPECT_EQ(old.ID3v2Tag()->header()->majorVersion(), 3u);
    EXPECT_EQ(FrameText(old, "TDRC"), "2001");
    EXPECT_EQ(FrameText(old, "TRCK"), "2/3");
    EXPECT_EQ(FrameText(old, "TPOS"), "1/1");
    EXPECT_EQ(FrameText(old, "TXXX"), "") << "no identifiers unless chosen";
    EXPECT_EQ(old.ID3v2Tag()->title().to8Bit(true), "Café au lait");
    EXPECT_EQ(old.ID3v2Tag()->genre().to8Bit(true), "Rock");
    EXPECT_EQ(old.ID3v1Tag()->title().to8Bit(true), "Café au lait");
    EXPECT_EQ(old.ID3v1Tag()->year(), 2001u);
    EXPECT_EQ(old.ID3v1Tag()->track(), 2u);
    EXPECT_EQ(old.ID3v1Tag()->genre().to8Bit(true), "Rock");
    TagLib::MPEG::File newer(v24.c_str());
    ASSERT_TRUE(newer.ID3v2Tag());
    EXPECT_EQ(newer.ID3v2Tag()->header()->majorVersion(), 4u);
    EXPECT_EQ(FrameText(newer, "TDRC"), "2001-05-12");
    EXPECT_FALSE(newer.hasID3v1Tag());
    EXPECT_TRUE(newer.ID3v2Tag()->genre().isEmpty());
}
