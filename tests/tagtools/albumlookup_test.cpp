// The online album lookup below its window: reading the web service's
// answers, pairing files with tracks, and the client against a local
// server that answers as the MusicBrainz web service and the Cover Art
// Archive document.

#include "fakemusicbrainzserver.h"

#include "albumrelease.h"
#include "musicbrainzclient.h"
#include "musicbrainzjson.h"
#include "testapplication.h"
#include "trackmatcher.h"

#include <QFile>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

namespace {

using Answer = FakeMusicBrainzServer::Answer;

constexpr const char* kReleaseId = "5e2f7c1a-6b0d-4b8e-9a53-0c6f1d2e3a41";

QByteArray Canned(const char* name, const QString& server = {})
{
    QFile file(QStringLiteral(TV_TEST_DATA_DIR "/musicbrainz/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll().replace("@SERVER@", server.toUtf8());
}

// Waits for the reply of one request and gives its error and value.
template <typename T>
struct Waited {
    std::optional<QString> error;
    T value {};
    AlbumLookupService::Reply<T> Callback()
    {
        return [this](const QString& e, const T& v) {
            error = e;
            value = v;
        };
    }
    bool Wait(int ms = 15000)
    {
        return QTest::qWaitFor([this] { return error.has_value(); }, ms);
    }
};

MusicBrainzClient::Settings Servers(const QString& address, std::chrono::milliseconds interval = std::chrono::milliseconds(1000))
{
    MusicBrainzClient::Settings settings;
    settings.musicBrainzServer = address;
    settings.coverArtServer = address;
    settings.interval = interval;
    return settings;
}

} // namespace

TEST(MusicBrainzJsonTest, ReadsTheDocumentedAnswersAndRefusesOthers)
{
    std::vector<ReleaseCandidate> found;
    QString error;
    ASSERT_TRUE(MusicBrainzJson::ReadReleaseSearch(Canned("release-search.json"), found, error)) << error.toStdString();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].id, QString::fromLatin1(kReleaseId));
    EXPECT_EQ(found[0].title, QStringLiteral("Silver Road"));
    EXPECT_EQ(found[0].date, QStringLiteral("2001-05-12"));
    EXPECT_EQ(found[0].country, QStringLiteral("GB"));
    EXPECT_EQ(found[0].format, QStringLiteral("CD"));
    EXPECT_EQ(found[0].trackCount, 3);
    EXPECT_EQ(found[0].score, 100);
    EXPECT_EQ(found[1].artist, QStringLiteral("The Glass Hours & Nina Vale"));
    EXPECT_EQ(found[1].format, QStringLiteral("2xCD"));

    AlbumRelease release;
    ASSERT_TRUE(MusicBrainzJson::ReadRelease(Canned("release.json"), release, error)) << error.toStdString();
    EXPECT_EQ(release.artist, QStringLiteral("The Glass Hours"));
    EXPECT_EQ(release.artistId, QStringLiteral("0d4a8e52-7f31-4c3b-8b6e-2a9f5c7d1e60"));
    EXPECT_EQ(release.releaseGroupId, QStringLiteral("9c1b3d5e-2f4a-4e6b-8d0c-7a9e1b3c5d72"));
    EXPECT_EQ(release.genre, QStringLiteral("indie rock")); // the most votes, the release's own before its group's
    EXPECT_EQ(release.discCount, 1);
    ASSERT_EQ(release.tracks.size(), 3u);
    EXPECT_EQ(release.tracks[1].artist, QStringLiteral("The Glass Hours feat. Nina Vale"));
    EXPECT_EQ(release.tracks[1].discTracks, 3);
    EXPECT_EQ(release.tracks[2].lengthMs, 187000); // the track has none: the recording's
    EXPECT_EQ(release.tracks[2].trackId, QStringLiteral("e1a2b3c4-d5e6-4f70-8a91-b2c3d4e5f603"));
    EXPECT_EQ(release.tracks[2].recordingId, QStringLiteral("a1b2c3d4-e5f6-4a7b-8c9d-0e1f2a3b4c03"));

    QUrl cover;
    const QByteArray listing = Canned("cover-listing.json", QStringLiteral("http://archive.test"));
    ASSERT_TRUE(MusicBrainzJson::ReadCoverListing(listing, false, cover, error));
    EXPECT_EQ(cover.toString(), QStringLiteral("http://archive.test/release/%1/1002-500.png").arg(kReleaseId));
    ASSERT_TRUE(MusicBrainzJson::ReadCoverListing(listing, true, cover, error));
    EXPECT_EQ(cover.toString(), QStringLiteral("http://archive.test/release/%1/1002.png").arg(kReleaseId));
    ASSERT_TRUE(MusicBrainzJson::ReadCoverListing(R"({"images":[{"front":false,"types":["Back"],"image":"http://a/1.jpg"}]})",
                                                  false, cover, error));
    EXPECT_TRUE(cover.isEmpty());

    // Not JSON, cut short, or JSON of another shape: refused with a reason.
    for (const QByteArray& body : {QByteArray("<html>busy</html>"), Canned("release.json").left(300),
                                  QByteArray(R"({"error":"Not Found"})"), QByteArray("[]")}) {
        error.clear();
        EXPECT_FALSE(MusicBrainzJson::ReadRelease(body, release, error)) << body.toStdString();
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(MusicBrainzJson::ReadReleaseSearch(body, found, error));
        EXPECT_FALSE(MusicBrainzJson::ReadCoverListing(body, false, cover, error));
    }
}

TEST(TrackMatcherTest, NumbersFirstThenTitlesAndLengthsNeverATrackTwice)
{
    std::vector<ReleaseTrack> tracks(4);
    const char* titles[] = {"Morning River", "Silver Road", "Falling Light", "Interlude"};
    const std::int64_t lengths[] = {201000, 254000, 187000, 60000};
    for (int i = 0; i < 4; ++i) {
        tracks[i].position = i + 1;
        tracks[i].title = QString::fromLatin1(titles[i]);
        tracks[i].lengthMs = lengths[i];
    }
    std::vector<TrackMatcher::File> files = {
        {QStringLiteral("something else"), 2, 0, 0},                 // its number wins over its title
        {QStringLiteral("03 - falling light (remastered)"), 0, 0, 188000},
        {QStringLiteral("Morning Rivr"), 0, 0, 0},
        {QStringLiteral("Silver Road"), 0, 0, 0},                      // track 2 is taken
        {QStringLiteral("Track 05"), 0, 0, 61000},                     // only its length agrees
        {QStringLiteral("Bonus"), 9, 0, 0},                            // no track 9
    };
    const std::vector<int> matching = TrackMatcher::Match(files, tracks);
    EXPECT_EQ(matching, (std::vector<int> {1, 2, 0, -1, -1, -1}));

    EXPECT_GT(TrackMatcher::TitleLikeness(QStringLiteral("Falling Light"), QStringLiteral("falling-light!")), 0.99);
    EXPECT_LT(TrackMatcher::TitleLikeness(QStringLiteral("Falling Light"), QStringLiteral("Morning River")), 0.2);

    // Of the pairs with both lengths, the second is within the tolerance.
    files[0].lengthMs = 200000;
    const TrackMatcher::LengthAgreement agreement = TrackMatcher::Lengths(files, tracks, matching);
    EXPECT_EQ(agreement.compared, 2);
    EXPECT_EQ(agreement.close, 1);
}

TEST(MusicBrainzClientTest, AsksAsTheServiceRequiresOneRequestASecond)
{
    TestApplication();
    FakeMusicBrainzServer server;
    server.SetAnswer("/ws/2/release/", Answer::Json(Canned("release-search.json")));
    server.SetAnswer(QByteArray("/ws/2/release/") + kReleaseId, Answer::Json(Canned("release.json")));
    server.SetAnswer(QByteArray("/release/") + kReleaseId + "/", Answer::Json(Canned("cover-listing.json", server.Address())));
    // The archive sends its images from another place.
    server.SetAnswer(QByteArray("/release/") + kReleaseId + "/1002-500.png",
                     Answer::Redirect(server.Address().toUtf8() + "/images/1002-500.png"));
    server.SetAnswer("/images/1002-500.png", Answer::Other(200, "\x89PNG\r\n\x1a\n-picture-", "image/png"));
    MusicBrainzClient client(Servers(server.Address()));

    Waited<std::vector<ReleaseCandidate>> search;
    Waited<AlbumRelease> first, second;
    Waited<QByteArray> cover;
    client.SearchReleases({QStringLiteral("Silver \"Road\"+"), QStringLiteral("The Glass Hours"), 3}, search.Callback());
    client.LookUpRelease(QString::fromLatin1(kReleaseId), first.Callback());
    client.LookUpRelease(QString::fromLatin1(kReleaseId), second.Callback());
    client.FetchFrontCover(QString::fromLatin1(kReleaseId), false, cover.Callback());
    EXPECT_TRUE(client.Busy());
    ASSERT_TRUE(search.Wait() && first.Wait() && second.Wait() && cover.Wait());
    EXPECT_EQ(*search.error, QString());
    EXPECT_EQ(search.value.size(), 2u);
    EXPECT_EQ(*second.error, QString());
    EXPECT_EQ(second.value.tracks.size(), 3u);
    EXPECT_EQ(*cover.error, QString());
    EXPECT_EQ(cover.value, QByteArray("\x89PNG\r\n\x1a\n-picture-"));
    EXPECT_FALSE(client.Busy());

    const std::vector<FakeMusicBrainzServer::Request>& got = server.Requests();
    ASSERT_EQ(got.size(), 6u);
    std::vector<FakeMusicBrainzServer::Request> webService;
    for (const auto& request : got) {
        EXPECT_EQ(request.userAgent, QByteArray("Tunevault/" TV_VERSION " ( support@tunevault.example.org )"));
        if (request.path.startsWith("/ws/2/"))
            webService.push_back(request);
    }
    ASSERT_EQ(webService.size(), 3u);
    EXPECT_EQ(QUrl::fromPercentEncoding(webService[0].query),
              QStringLiteral("query=release:\"Silver \\\"Road\\\"+\" AND artist:\"The Glass Hours\" AND tracks:3"
                             "&fmt=json&limit=25"));
    EXPECT_TRUE(webService[1].query.contains("inc=artist-credits+recordings+release-groups"));
    EXPECT_TRUE(webService[1].query.contains("fmt=json"));
    for (std::size_t i = 1; i < webService.size(); ++i)
        EXPECT_GE(webService[i].at - webService[i - 1].at, std::chrono::milliseconds(950)) << i;
}

TEST(MusicBrainzClientTest, FailuresGiveAClearMessageAndNoValue)
{
    TestApplication();
    FakeMusicBrainzServer server;
    server.SetAnswer("/ws/2/release/", Answer::Other(503, "<html>Service Unavailable</html>", "text/html"));
    server.SetAnswer("/ws/2/release/broken", Answer::Json("{\"id\":\"broken\",\"media\":[{\"tracks\":[{"));
    server.SetAnswer("/ws/2/release/slow", Answer::Hang());
    server.SetAnswer(QByteArray("/release/none/"), Answer::Other(404, "Not Found", "text/plain"));
    MusicBrainzClient client(Servers(server.Address(), std::chrono::milliseconds(0)));
    MusicBrainzClient::Settings settings = Servers(server.Address(), std::chrono::milliseconds(0));
    settings.timeout = std::chrono::milliseconds(300);
    MusicBrainzClient impatient(settings);

    Waited<std::vector<ReleaseCandidate>> busy;
    Waited<AlbumRelease> broken, slow;
    Waited<QByteArray> noCover;
    client.SearchReleases({QStringLiteral("Silver Road"), {}, 0}, busy.Callback());
    client.LookUpRelease(QStringLiteral("broken"), broken.Callback());
    impatient.LookUpRelease(QStringLiteral("slow"), slow.Callback());
    client.FetchFrontCover(QStringLiteral("none"), false, noCover.Callback());
    ASSERT_TRUE(busy.Wait() && broken.Wait() && slow.Wait() && noCover.Wait());
    EXPECT_TRUE(busy.error->contains(QStringLiteral("busy and refused the request (HTTP 503)"))) << busy.error->toStdString();
    EXPECT_TRUE(busy.value.empty());
    EXPECT_TRUE(broken.error->startsWith(QStringLiteral("The answer of 127.0.0.1:"))) << broken.error->toStdString();
    EXPECT_TRUE(broken.error->contains(QStringLiteral("could not be read")));
    EXPECT_TRUE(broken.value.tracks.empty());
    EXPECT_TRUE(slow.error->endsWith(QStringLiteral("did not answer within 0.3 seconds."))) << slow.error->toStdString();
    // No cover is no failure.
    EXPECT_EQ(*noCover.error, QString());
    EXPECT_TRUE(noCover.value.isEmpty());

    // No server at all: a port nobody listens on.
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    MusicBrainzClient nowhere(Servers(QStringLiteral("http://127.0.0.1:%1").arg(port)));
    Waited<std::vector<ReleaseCandidate>> refused;
    nowhere.SearchReleases({QStringLiteral("Silver Road"), {}, 3}, refused.Callback());
    ASSERT_TRUE(refused.Wait());
    EXPECT_TRUE(refused.error->contains(QStringLiteral("could not be reached"))) << refused.error->toStdString();

    // An address that is none, and a cancel: no callback runs after it.
    MusicBrainzClient wrong(Servers(QStringLiteral("musicbrainz.org")));
    Waited<AlbumRelease> invalid;
    wrong.LookUpRelease(QString::fromLatin1(kReleaseId), invalid.Callback());
    ASSERT_TRUE(invalid.Wait());
    EXPECT_TRUE(invalid.error->contains(QStringLiteral("is not valid"))) << invalid.error->toStdString();
    Waited<AlbumRelease> cancelled;
    client.LookUpRelease(QStringLiteral("slow"), cancelled.Callback());
    client.CancelAll();
    EXPECT_FALSE(cancelled.Wait(600));
    EXPECT_FALSE(client.Busy());
}
