#include "mprisservice.h"

#include "commandline.h"
#include "mprisplayeradaptor.h"
#include "mprisrootadaptor.h"
#include "windowactivation.h"

#include "musikplayer.h"
#include "optionvalues.h"
#include "tfileinfo.h"
#include "tfrmmain.h"
#include "tmp3taginfo.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"
#include "tplayercontrols.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "tplayerstrip.h"
#include "tsongslistview.h"

#include <QAbstractEventDispatcher>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QItemSelectionModel>
#include <QSlider>
#include <QUrl>

#include <algorithm>
#include <cmath>

#include <unistd.h>

namespace {

constexpr const char* kPropertiesInterface = "org.freedesktop.DBus.Properties";
constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
constexpr int kMaxVolume = 65535;

QString Text(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace

MprisService::MprisService(TfrmMain& window, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_controls(*window.playerControls())
    , m_playlist(*window.playlist())
{
    // Adaptors belong to the object they export; Qt deletes them with it.
    new MprisRootAdaptor(*this);
    new MprisPlayerAdaptor(*this);

    const auto markDirty = [this] { m_rowsDirty = true; };
    TPlaylistModel* model = m_playlist.model();
    connect(model, &QAbstractItemModel::rowsInserted, this, markDirty);
    connect(model, &QAbstractItemModel::rowsRemoved, this, markDirty);
    connect(model, &QAbstractItemModel::modelReset, this, markDirty);
    connect(model, &QAbstractItemModel::layoutChanged, this, markDirty);
    connect(m_playlist.songsListView()->selectionModel(), &QItemSelectionModel::selectionChanged, this, markDirty);
    connect(m_playlist.pVolumeControl()->VolumeBar2(), &QSlider::valueChanged, this,
            [this] { EmitChanged(PlayerInterface, {{QStringLiteral("Volume"), Volume()}}); });
    connect(&m_controls, &TPlayerControls::seeked, this,
            [this](std::int64_t positionMs) { emit Seeked(static_cast<qlonglong>(positionMs) * 1000); });
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &MprisService::Refresh);
}

MprisService::~MprisService()
{
    if (m_connection && !m_serviceName.isEmpty()) {
        m_connection->unregisterService(m_serviceName);
        m_connection->unregisterObject(QString::fromLatin1(ObjectPath));
    }
}

bool MprisService::Register(const QDBusConnection& connection)
{
    if (!connection.isConnected())
        return false;
    m_connection = connection;
    if (!m_connection->registerObject(QString::fromLatin1(ObjectPath), this, QDBusConnection::ExportAdaptors))
        return false;
    const QString base = QString::fromLatin1(BaseServiceName);
    for (const QString& name : {base, base + QStringLiteral(".instance") + QString::number(getpid())}) {
        if (m_connection->registerService(name)) {
            m_serviceName = name;
            Refresh();
            return true;
        }
    }
    m_connection->unregisterObject(QString::fromLatin1(ObjectPath));
    return false;
}

bool MprisService::Accepts() const
{
    return AcceptsCommands(m_window);
}

void MprisService::Raise()
{
    BringToFront(m_window);
}

void MprisService::Quit()
{
    // As the window's close box: the settings are saved, the player stops.
    if (Accepts())
        m_window.close();
}

QString MprisService::PlaybackStatus() const
{
    const MusikPlayer& player = m_controls.player();
    if (!player.IsPlayerActive())
        return QStringLiteral("Stopped");
    return player.IsPlayerPaused() ? QStringLiteral("Paused") : QStringLiteral("Playing");
}

void MprisService::Play()
{
    if (!Accepts())
        return;
    const MusikPlayer& player = m_controls.player();
    if (player.IsPlayerActive() && player.IsPlayerPaused()) {
        // The Play button resumes a paused song.
        m_controls.playActionExecute();
    } else if (!player.IsPlayerActive()) {
        const int row = CurrentRow();
        PlayRow(row >= 0 ? row : 0);
    }
    Refresh();
}

void MprisService::Pause()
{
    if (!Accepts())
        return;
    const MusikPlayer& player = m_controls.player();
    if (player.IsPlayerActive() && !player.IsPlayerPaused())
        m_controls.butPauseClick();
    Refresh();
}

void MprisService::PlayPause()
{
    const MusikPlayer& player = m_controls.player();
    if (player.IsPlayerActive() && !player.IsPlayerPaused())
        Pause();
    else
        Play();
}

void MprisService::Stop()
{
    if (!Accepts())
        return;
    if (m_controls.player().IsPlayerActive())
        m_controls.butStopClick();
    Refresh();
}

void MprisService::Next()
{
    if (!Accepts())
        return;
    // As the Next button: the playing mark moves, the selection stays.
    m_controls.butNextClick();
    Refresh();
}

void MprisService::Previous()
{
    if (!Accepts())
        return;
    m_controls.butPreviousClick();
    Refresh();
}

void MprisService::Seek(qlonglong offset)
{
    if (!Accepts() || !CanSeek())
        return;
    MusikPlayer& player = m_controls.player();
    const qlonglong target = static_cast<qlonglong>(player.GetSongPosition()) + offset / 1000;
    // Past the end goes on to the next song; before the start is the start.
    if (target > static_cast<qlonglong>(player.GetSongLength())) {
        Next();
        return;
    }
    m_controls.SeekAndPlay(std::max<qlonglong>(target, 0));
    Refresh();
}

void MprisService::SetPosition(const QDBusObjectPath& trackId, qlonglong position)
{
    if (!Accepts() || !CanSeek())
        return;
    UpdateTrack();
    // A position for another track, or outside this one, is ignored.
    if (trackId != TrackId() || position < 0
        || position / 1000 > static_cast<qlonglong>(m_controls.player().GetSongLength()))
        return;
    m_controls.SeekAndPlay(position / 1000);
    Refresh();
}

void MprisService::OpenUri(const QString& uri)
{
    if (!Accepts())
        return;
    const QUrl url(uri);
    if (!url.isLocalFile())
        return;
    // The percent-encoded path keeps names that are not valid UTF-8 intact.
    const std::string path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
    const CommandLine::Launch launch = CommandLine::Classify({path});
    if (launch.entries.empty() || launch.entries.front().isFolder)
        return;
    m_playlist.AddFileToPlaylist(path);
    const int row = RowOf(path);
    if (row >= 0)
        PlayRow(row);
    Refresh();
}

qlonglong MprisService::Position() const
{
    MusikPlayer& player = m_controls.player();
    return player.IsPlayerActive() ? static_cast<qlonglong>(player.GetSongPosition()) * 1000 : 0;
}

double MprisService::Volume() const
{
    // The bar shows 65535 minus the volume (full volume at the top).
    const int position = m_playlist.pVolumeControl()->VolumeBar2()->value();
    return static_cast<double>(kMaxVolume - std::clamp(position, 0, kMaxVolume)) / kMaxVolume;
}

void MprisService::SetVolume(double volume)
{
    if (!Accepts() || std::isnan(volume))
        return;
    const int value = static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * kMaxVolume));
    // Moving the bar writes the volume, as a drag on it does.
    m_playlist.pVolumeControl()->VolumeBar2()->setValue(kMaxVolume - value);
}

bool MprisService::CanGoNext()
{
    return m_controls.NextRow() >= 0;
}

bool MprisService::CanGoPrevious()
{
    return m_controls.PreviousRow() >= 0;
}

bool MprisService::CanPlay() const
{
    return m_controls.player().IsPlayerActive() || m_playlist.Count() > 0;
}

bool MprisService::CanPause() const
{
    return m_controls.player().IsPlayerActive();
}

bool MprisService::CanSeek() const
{
    return m_controls.player().IsPlayerActive();
}

QVariantMap MprisService::Metadata()
{
    UpdateTrack();
    QVariantMap metadata;
    metadata.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackId()));
    if (m_track.path.empty())
        return metadata;
    MusikPlayer& player = m_controls.player();
    const std::uint32_t length = player.GetSongLength();
    if (length != MusikPlayer::FallbackLength)
        metadata.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(length) * 1000);
    metadata.insert(QStringLiteral("xesam:title"), m_track.title);
    if (!m_track.artist.isEmpty())
        metadata.insert(QStringLiteral("xesam:artist"), QStringList{m_track.artist});
    if (!m_track.album.isEmpty())
        metadata.insert(QStringLiteral("xesam:album"), m_track.album);
    const QByteArray encoded = QByteArray::fromStdString(m_track.path).toPercentEncoding("/");
    metadata.insert(QStringLiteral("xesam:url"), QString::fromLatin1("file://" + encoded));
    return metadata;
}

void MprisService::UpdateTrack()
{
    const std::string& song = m_controls.player().CurrentSongFile();
    if (song == m_track.path)
        return;
    m_track.path = song;
    m_track.title.clear();
    m_track.artist.clear();
    m_track.album.clear();
    m_rowsDirty = true;
    if (song.empty())
        return;
    ++m_track.number;

    // Each text from the ID3v2 tag, else from the ID3v1 tag; a file without
    // a title shows its name.
    Tmp3TagV2 v2(options::CurrentTagOptions());
    if (!v2.LoadFromFile(song) || !v2.TagPresent())
        v2.Clear();
    Tmp3TagV1 v1(options::CurrentTagOptions());
    try {
        v1.LoadFromFile(song);
    } catch (...) {
        v1.Clear();
    }
    m_track.title = Text(TMp3TagInfo::FirstNonEmpty(v2.Title(), v1.Title()));
    m_track.artist = Text(TMp3TagInfo::FirstNonEmpty(v2.Artist(), v1.Artist()));
    m_track.album = Text(TMp3TagInfo::FirstNonEmpty(v2.Album(), v1.Album()));
    if (m_track.title.isEmpty())
        m_track.title = Text(song.substr(song.rfind('/') + 1));
}

QDBusObjectPath MprisService::TrackId() const
{
    if (m_track.path.empty())
        return QDBusObjectPath(QString::fromLatin1(kNoTrack));
    return QDBusObjectPath(QStringLiteral("/com/orvanelsoft/Tunevault/track/") + QString::number(m_track.number));
}

int MprisService::CurrentRow() const
{
    const std::string& song = m_controls.player().CurrentSongFile();
    if (!song.empty()) {
        const int row = RowOf(song);
        if (row >= 0)
            return row;
    }
    const std::vector<int> selected = m_playlist.SelectedRows();
    return selected.empty() ? -1 : selected.front();
}

int MprisService::RowOf(const std::string& path) const
{
    for (int row = 0; row < m_playlist.Count(); ++row) {
        if (const TFileInfo* info = m_playlist.FileAt(row); info && info->FullPath() == path)
            return row;
    }
    return -1;
}

void MprisService::PlayRow(int row)
{
    if (row < 0 || row >= m_playlist.Count())
        return;
    TSongsListView* view = m_playlist.songsListView();
    const QModelIndex index = m_playlist.model()->index(row);
    view->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    view->scrollTo(index);
    m_controls.songsListViewDblClick();
}

void MprisService::Refresh()
{
    if (m_serviceName.isEmpty())
        return;
    const QString status = PlaybackStatus();
    UpdateTrack();
    QVariantMap changed;
    const auto note = [&changed](const char* name, auto& announced, const auto& now) {
        if (announced != now) {
            announced = now;
            changed.insert(QString::fromLatin1(name), QVariant::fromValue(now));
        }
    };
    note("PlaybackStatus", m_announced.status, status);
    note("CanPlay", m_announced.canPlay, CanPlay());
    note("CanPause", m_announced.canPause, CanPause());
    note("CanSeek", m_announced.canSeek, CanSeek());
    if (m_rowsDirty) {
        m_rowsDirty = false;
        note("CanGoNext", m_announced.canGoNext, CanGoNext());
        note("CanGoPrevious", m_announced.canGoPrevious, CanGoPrevious());
    }
    const std::uint64_t track = m_track.path.empty() ? 0 : m_track.number;
    if (m_announced.track != track) {
        m_announced.track = track;
        changed.insert(QStringLiteral("Metadata"), Metadata());
    }
    if (!changed.isEmpty())
        EmitChanged(PlayerInterface, changed);
}

void MprisService::EmitChanged(const char* interface, const QVariantMap& changed)
{
    if (!m_connection || m_serviceName.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(ObjectPath),
                                                     QString::fromLatin1(kPropertiesInterface),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(interface) << changed << QStringList();
    m_connection->send(signal);
}
