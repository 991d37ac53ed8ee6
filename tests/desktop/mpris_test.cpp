// The player on a private session bus, driven as media keys and the sound
// menu do: every command goes through the window's player controls on the
// real GStreamer pipeline and the private sound server, and the window shows
// it. Property changes arrive as PropertiesChanged.

#include "mprisservice.h"

#include "gstmediabackend.h"
#include "musikplayer.h"
#include "pulsemixerbackend.h"
#include "scriptedprompts.h"
#include "testapplication.h"
#include "testsupport.h"
#include "tfrmmain.h"
#include "tmp3tagv2.h"
#include "tplayercontrols.h"
#include "tplayerstrip.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "tsongslistview.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QItemSelectionModel>
#include <QProcess>
#include <QSlider>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using playertest::waitUntil;

namespace {

constexpr const char* kPlayer = "org.mpris.MediaPlayer2.Player";

// Collects the service's signals as a bus client receives them.
class Listener final : public QObject {
    Q_OBJECT
public:
    std::vector<QVariantMap> changes;
    std::vector<qlonglong> seeks;

    // The last announced value of a player property.
    QVariant Last(const QString& name) const
    {
        for (auto it = changes.rbegin(); it != changes.rend(); ++it)
            if (it->contains(name))
                return it->value(name);
        return {};
    }

public slots:
    void changed(const QString& interface, const QVariantMap& properties, const QStringList&)
    {
        if (interface == QLatin1String(kPlayer))
            changes.push_back(properties);
    }
    void seeked(qlonglong position) { seeks.push_back(position); }
};

QVariantMap AsMap(const QVariant& value)
{
    return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
}

class MprisTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        ASSERT_FALSE(playertest::pactl({"info"}).isNull()) << "no sound server reachable (tools/test.sh starts one)";
        // A bus of the test's own.
        bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                  QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        ASSERT_TRUE(bus.waitForStarted(10000));
        ASSERT_TRUE(waitUntil([this] { return bus.canReadLine(); }, 10000ms));
        address = QString::fromLatin1(bus.readLine().trimmed());

        // a.mp3 tagged (caption "Ann - Alpha"), then two songs without tags.
        songs = {playertest::copyFixture(dir, "tone-5s.mp3", "a.mp3"),
                 playertest::copyFixture(dir, "tone-5s.mp3", "b caf\xe9.mp3"),
                 playertest::copyFixture(dir, "tone-1s.mp3", "c.mp3")};
        Tmp3TagV2 tag;
        tag.SetTitle("Alpha");
        tag.SetArtist("Ann");
        tag.SetAlbum("First");
        ASSERT_TRUE(tag.SaveToFile(songs[0]));

        frm = std::make_unique<TfrmMain>(prompts);
        frm->CreatePlayerControls(std::make_unique<GstMediaBackend>(),
                                  [] { return std::make_unique<PulseMixerBackend>(); });
        frm->SetCloseHandler([this] { closed = true; });
        frm->show();
        for (const auto& song : songs)
            ASSERT_TRUE(frm->playlist()->AddFileToPlaylist(song));

        service = std::make_unique<MprisService>(*frm);
        ASSERT_TRUE(service->Register(QDBusConnection::connectToBus(address, QStringLiteral("tv-service"))));
        client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, QStringLiteral("tv-client")));
        ASSERT_TRUE(client->isConnected());
        const QString path = QString::fromLatin1(MprisService::ObjectPath);
        ASSERT_TRUE(client->connect(service->serviceName(), path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("PropertiesChanged"), &listener,
                                    SLOT(changed(QString, QVariantMap, QStringList))));
        ASSERT_TRUE(client->connect(service->serviceName(), path, QLatin1String(kPlayer), QStringLiteral("Seeked"),
                                    &listener, SLOT(seeked(qlonglong))));
    }

    void TearDown() override
    {
        service.reset();
        frm.reset();
        client.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("tv-client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("tv-service"));
        bus.terminate();
        bus.waitForFinished(5000);
    }

    // Calls a method as another program would; the window goes on serving
    // events meanwhile.
    QDBusMessage Call(const char* interface, const char* method, const QVariantList& arguments = {})
    {
        QDBusMessage call = QDBusMessage::createMethodCall(service->serviceName(),
                                                           QString::fromLatin1(MprisService::ObjectPath),
                                                           QString::fromLatin1(interface), QString::fromLatin1(method));
        call.setArguments(arguments);
        const QDBusMessage reply = client->call(call, QDBus::BlockWithGui, 10000);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << method << ": " << reply.errorMessage().toStdString();
        return reply;
    }
    QVariant Get(const char* interface, const char* name)
    {
        const QDBusMessage reply = Call("org.freedesktop.DBus.Properties", "Get",
                                        {QString::fromLatin1(interface), QString::fromLatin1(name)});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    QString Status() { return Get(kPlayer, "PlaybackStatus").toString(); }
    qlonglong PositionMs() { return Get(kPlayer, "Position").toLongLong() / 1000; }

    std::vector<int> Marked() const
    {
        std::vector<int> rows;
        for (int row = 0; row < frm->playlist()->Count(); ++row)
            if (frm->playlist()->model()->IsChecked(row))
                rows.push_back(row);
        return rows;
    }
    void Select(int row)
    {
        frm->playlist()->songsListView()->selectionModel()->select(
            frm->playlist()->model()->index(row), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

    QProcess bus;
    QString address;
    TempDir dir;
    std::vector<std::string> songs;
    ScriptedPrompts prompts;
    std::unique_ptr<TfrmMain> frm;
    std::unique_ptr<MprisService> service;
    std::unique_ptr<QDBusConnection> client;
    Listener listener;
    bool closed = false;
};

} // namespace

TEST_F(MprisTest, BusCommandsGoThroughThePlayerControlsAndTheWindowShowsThem)
{
    EXPECT_EQ(service->serviceName(), QStringLiteral("org.mpris.MediaPlayer2.tunevault"));
    EXPECT_EQ(Get("org.mpris.MediaPlayer2", "Identity").toString(), QStringLiteral("Tunevault"));
    EXPECT_EQ(Get("org.mpris.MediaPlayer2", "DesktopEntry").toString(), QStringLiteral(TV_APP_ID));
    EXPECT_EQ(Status(), QStringLiteral("Stopped"));
    EXPECT_TRUE(Get(kPlayer, "CanPlay").toBool());

    // Play starts the selected row as a double click does: marked, Pause enabled.
    Select(1);
    Call(kPlayer, "Play");
    EXPECT_EQ(Status(), QStringLiteral("Playing"));
    EXPECT_EQ(Marked(), std::vector<int>{1});
    frm->playerControls()->playActionUpdate();
    EXPECT_TRUE(frm->playlist()->playerStrip()->butPause()->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return listener.Last("PlaybackStatus") == QStringLiteral("Playing"); }, 5000ms));
    // The address keeps the name's bytes.
    EXPECT_EQ(AsMap(listener.Last("Metadata")).value("xesam:url").toString(),
              QString::fromStdString("file://" + dir.path() + "/b%20caf%E9.mp3"));

    // Next and Previous move through the rows; nothing follows the last.
    Call(kPlayer, "Next");
    EXPECT_EQ(Marked(), std::vector<int>{2});
    EXPECT_EQ(frm->playerControls()->player().CurrentSongFile(), songs[2]);
    EXPECT_FALSE(Get(kPlayer, "CanGoNext").toBool());
    Call(kPlayer, "Next");
    EXPECT_EQ(Marked(), std::vector<int>{2});
    Call(kPlayer, "Previous");
    Call(kPlayer, "Previous");
    EXPECT_EQ(Marked(), std::vector<int>{0});
    EXPECT_FALSE(Get(kPlayer, "CanGoPrevious").toBool());
    const QVariantMap metadata = AsMap(Get(kPlayer, "Metadata"));
    EXPECT_EQ(metadata.value("xesam:title").toString(), QStringLiteral("Alpha"));
    EXPECT_EQ(metadata.value("xesam:artist").toStringList(), QStringList{QStringLiteral("Ann")});
    EXPECT_EQ(metadata.value("xesam:album").toString(), QStringLiteral("First"));
    EXPECT_NEAR(metadata.value("mpris:length").toLongLong(), 5'000'000, 200'000);
    const auto trackId = metadata.value("mpris:trackid").value<QDBusObjectPath>();

    // Pause and PlayPause, with the Play button following.
    Call(kPlayer, "Pause");
    EXPECT_EQ(Status(), QStringLiteral("Paused"));
    frm->playerControls()->playActionUpdate();
    EXPECT_TRUE(frm->playerControls()->playAction()->isEnabled());
    Call(kPlayer, "PlayPause");
    EXPECT_EQ(Status(), QStringLiteral("Playing"));

    // Seek is relative, SetPosition absolute and only for the current track
    // (the song plays on meanwhile, hence the ranges).
    const qlonglong before = PositionMs();
    Call(kPlayer, "Seek", {qlonglong(2'000'000)});
    EXPECT_GE(PositionMs(), before + 1950);
    ASSERT_TRUE(waitUntil([&] { return !listener.seeks.empty(); }, 5000ms));
    EXPECT_GE(listener.seeks.back() / 1000, before + 1950);
    EXPECT_LT(listener.seeks.back() / 1000, before + 3000);
    Call(kPlayer, "SetPosition", {QVariant::fromValue(QDBusObjectPath("/some/other/track")), qlonglong(500'000)});
    EXPECT_GE(PositionMs(), before + 1950);
    Call(kPlayer, "SetPosition", {QVariant::fromValue(trackId), qlonglong(500'000)});
    EXPECT_GE(PositionMs(), 450);
    EXPECT_LT(PositionMs(), before + 1950);
    // A seek past the end goes on to the next song.
    Call(kPlayer, "Seek", {qlonglong(60'000'000)});
    EXPECT_EQ(Marked(), std::vector<int>{1});

    // Volume is the wave volume: the bar moves and the sound server follows.
    QSlider* bar = frm->playlist()->pVolumeControl()->VolumeBar2();
    Call("org.freedesktop.DBus.Properties", "Set",
         {QString::fromLatin1(kPlayer), QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(0.25))});
    EXPECT_EQ(bar->value(), 65535 - 16384);
    EXPECT_TRUE(waitUntil(
        [] {
            const auto inputs = playertest::ownSinkInputs();
            return inputs.size() == 1 && inputs[0].second == PulseMixerBackend::toPulseVolume(16384);
        },
        5000ms));
    EXPECT_NEAR(Get(kPlayer, "Volume").toDouble(), 0.25, 0.001);
    ASSERT_TRUE(waitUntil([&] { return listener.Last("Volume").isValid(); }, 5000ms));

    // While a long operation has the window, the bus is not obeyed either.
    frm->setEnabled(false);
    Call(kPlayer, "Stop");
    EXPECT_EQ(Status(), QStringLiteral("Playing"));
    frm->setEnabled(true);
    Call(kPlayer, "Stop");
    EXPECT_EQ(Status(), QStringLiteral("Stopped"));
    EXPECT_TRUE(Marked().empty());
    EXPECT_EQ(Get(kPlayer, "Position").toLongLong(), 0);
    ASSERT_TRUE(waitUntil([&] { return listener.Last("PlaybackStatus") == QStringLiteral("Stopped"); }, 5000ms));
    EXPECT_EQ(AsMap(listener.Last("Metadata")).value("mpris:trackid").value<QDBusObjectPath>().path(),
              QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));

    // Stopped, Next plays the first selected row, as the strip's Next does.
    Select(2);
    EXPECT_TRUE(Get(kPlayer, "CanGoPrevious").toBool());
    Call(kPlayer, "Next");
    EXPECT_EQ(Marked(), std::vector<int>{2});
    EXPECT_FALSE(Get(kPlayer, "CanGoNext").toBool());

    // Quit closes the window as its close box does.
    Call("org.mpris.MediaPlayer2", "Quit");
    EXPECT_TRUE(closed);
    EXPECT_FALSE(frm->isVisible());
}

TEST_F(MprisTest, WithoutABusNothingIsRegisteredAndNothingIsSaid)
{
    static int messages = 0;
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) { ++messages; });
    MprisService second(*frm);
    EXPECT_FALSE(second.Register(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                               QStringLiteral("tv-none"))));
    second.Play();
    QApplication::processEvents();
    qInstallMessageHandler(previous);
    EXPECT_TRUE(second.serviceName().isEmpty());
    EXPECT_EQ(messages, 0);
    // The commands still work; only nothing is announced.
    EXPECT_TRUE(frm->playerControls()->player().IsPlayerActive());
    QDBusConnection::disconnectFromBus(QStringLiteral("tv-none"));
    // A second player on the same bus takes a name of its own.
    {
        MprisService third(*frm);
        ASSERT_TRUE(third.Register(QDBusConnection::connectToBus(address, QStringLiteral("tv-third"))));
        EXPECT_EQ(third.serviceName(), QStringLiteral("org.mpris.MediaPlayer2.tunevault.instance") +
                                           QString::number(QCoreApplication::applicationPid()));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("tv-third"));
}

#include "mpris_test.moc"
