#include "tplayercontrols.h"

#include "tplayerstrip.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "tsongslistview.h"

#include "mediabackend.h"
#include "mixerbackend.h"
#include "musikplayer.h"
#include "optionvalues.h"
#include "prompts.h"
#include "tfileinfo.h"
#include "volumecontrolerror.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSlider>
#include <QToolButton>

#include <algorithm>
#include <limits>
#include <optional>

namespace {

constexpr std::uint32_t MaxVolume = 65535;
constexpr int MasterTag = 1;
constexpr int WaveTag = 2;

// The name part of a path, for display (bytes that are not UTF-8 show as
// replacement characters).
QString FileNameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

} // namespace

TPlayerControls::TPlayerControls(TPlaylistPane& playlist, Prompts& prompts, std::unique_ptr<MediaBackend> media,
                                 const MixerFactory& mixer, std::function<void()> updateFrameActions,
                                 QObject* parent)
    : QObject(parent)
    , m_playlist(playlist)
    , m_prompts(prompts)
    , m_updateFrameActions(std::move(updateFrameActions))
    , m_player(std::make_unique<MusikPlayer>(std::move(media)))
{
    TPlayerStrip* strip = m_playlist.playerStrip();
    TVolumePopup* popup = m_playlist.pVolumeControl();
    TSongsListView* view = m_playlist.songsListView();
    m_progress = strip->progress();
    m_volumeBar1 = popup->VolumeBar1();
    m_volumeBar2 = popup->VolumeBar2();

    // Play is an action; the button shows it and follows its enabled state.
    m_playAction = new QAction(strip->butPlay()->icon(), QStringLiteral("Play"), strip);
    m_playAction->setObjectName(QStringLiteral("playAction"));
    m_playAction->setToolTip(QStringLiteral("Play"));
    strip->butPlay()->setDefaultAction(m_playAction);
    strip->butPause()->setToolTip(QStringLiteral("Pause"));
    strip->butStop()->setToolTip(QStringLiteral("Stop"));
    strip->butVolume()->setToolTip(QStringLiteral("Volume"));
    connect(m_playAction, &QAction::triggered, this, &TPlayerControls::playActionExecute);
    connect(strip->butPause(), &QToolButton::clicked, this, &TPlayerControls::butPauseClick);
    connect(strip->butStop(), &QToolButton::clicked, this, &TPlayerControls::butStopClick);
    connect(strip->butVolume(), &QToolButton::clicked, this, &TPlayerControls::butVolumeClick);
    connect(strip->butPrevious(), &QToolButton::clicked, this, &TPlayerControls::butPreviousClick);
    connect(strip->butNext(), &QToolButton::clicked, this, &TPlayerControls::butNextClick);
    for (QToolButton* button :
         {strip->butPlay(), strip->butPause(), strip->butStop(), strip->butPrevious(), strip->butNext()})
        button->installEventFilter(this);
    // A press on the Volume button must not close the panel it toggles (the
    // playlist pane hides the panel on presses anywhere on the strip).
    strip->butVolume()->removeEventFilter(&m_playlist);

    connect(view, &QAbstractItemView::doubleClicked, this, &TPlayerControls::songsListViewDblClick);
    connect(m_playlist.PlayFile1, &QAction::triggered, this, &TPlayerControls::songsListViewDblClick);
    view->installEventFilter(this);
    m_progress->installEventFilter(this);
    connect(m_player.get(), &MusikPlayer::playerPosition, this, &TPlayerControls::PlayerPosition);
    connect(m_player.get(), &MusikPlayer::songChanged, this, &TPlayerControls::SongChanged);
    connect(m_player.get(), &MusikPlayer::playbackFailed, this, &TPlayerControls::PlaybackFailed);
    connect(m_player.get(), &MusikPlayer::songEnded, this, &TPlayerControls::SongEnded);
    // Rows that came or changed may hold the playing song that none held.
    const auto lookAgain = [this] { m_unlistedSong.clear(); };
    TPlaylistModel* rows = m_playlist.model();
    connect(rows, &QAbstractItemModel::rowsInserted, this, lookAgain);
    connect(rows, &QAbstractItemModel::dataChanged, this, lookAgain);
    connect(rows, &QAbstractItemModel::modelReset, this, lookAgain);

    // The volume panel: 0 at the top is full volume; the bars are reached by
    // the mouse, not by Tab.
    popup->resize(120, 188);
    m_playlist.panLeftResize();
    popup->setFocusPolicy(Qt::ClickFocus);
    for (QSlider* bar : {m_volumeBar1, m_volumeBar2}) {
        bar->setRange(0, static_cast<int>(MaxVolume));
        bar->setInvertedAppearance(true);
        bar->setInvertedControls(true);
        bar->setTickPosition(QSlider::NoTicks);
        bar->setFocusPolicy(Qt::ClickFocus);
        connect(bar, &QSlider::valueChanged, this, [this, bar] { onManualVolumeChange(bar); });
    }
    m_volumeBar1->setProperty("Tag", MasterTag);
    m_volumeBar2->setProperty("Tag", WaveTag);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (m_playlist.pVolumeControl()->isVisible() && inVolumePanel(old) && now && !inVolumePanel(now))
            pVolumeControlExit();
    });

    // The playlist's own commands stop the player when they remove its song.
    TPlayerHooks hooks;
    hooks.CurrentSongFile = [this] { return m_player->CurrentSongFile(); };
    hooks.StopPlaying = [this] { m_player->StopPlaying(); };
    hooks.SongRenamed = [this](const std::string& from, const std::string& to) {
        m_player->SongFileRenamed(from, to);
    };
    m_playlist.SetPlayerHooks(std::move(hooks));

    // Enabling is recomputed whenever the event loop is about to wait.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TPlayerControls::playActionUpdate);

    CreateVolumeControl(mixer);
    playActionUpdate();
}

TPlayerControls::~TPlayerControls()
{
    m_playlist.SetPlayerHooks(TPlayerHooks{});
    m_volumeControl.reset();
    // The last stop tells nobody: the window goes.
    disconnect(m_player.get(), nullptr, this, nullptr);
    m_player->StopPlaying();
}

void TPlayerControls::CreateVolumeControl(const MixerFactory& mixer)
{
    if (!mixer)
        return;
    try {
        std::unique_ptr<MixerBackend> backend = mixer();
        if (!backend)
            return;
        m_volumeControl = std::make_unique<TAudioVolumeControl>(std::move(backend));
        m_volumeControl->OnVolumeChange = [this](VolumeKind kind, std::uint32_t value) {
            VolumeControlChanged(kind, value);
        };
    } catch (const VolumeControlError& error) {
        m_volumeControl.reset();
        m_prompts.showError(QStringLiteral("Error"), QString::fromStdString(error.what()));
    }
}

void TPlayerControls::playActionExecute()
{
    if (m_player->IsPlayerActive() && m_player->IsPlayerPaused()) {
        m_player->ResumePlaying();
        return;
    }
    const std::vector<int> rows = m_playlist.SelectedRows();
    if (rows.empty())
        return;
    if (const TFileInfo* info = m_playlist.FileAt(rows.front())) {
        if (m_player->PlayFile(info->FullPath()))
            emit playerMessage(QString());
    }
}

void TPlayerControls::playActionUpdate()
{
    const bool active = m_player->IsPlayerActive();
    const bool paused = m_player->IsPlayerPaused();
    const bool oneSelected = m_playlist.SelectedCount() == 1;
    TPlayerStrip* strip = m_playlist.playerStrip();
    m_playAction->setEnabled((oneSelected && !active) || (active && paused));
    strip->butPause()->setEnabled(active && !paused);
    strip->butStop()->setEnabled(active);
    strip->butPrevious()->setEnabled(PreviousRow() >= 0);
    strip->butNext()->setEnabled(NextRow() >= 0);
    if (active && !m_progress->isEnabled())
        m_progress->setEnabled(true);
    if (!active && m_progress->isEnabled()) {
        m_progress->setEnabled(false);
        m_progress->setValue(0);
    }
    if (m_updateFrameActions)
        m_updateFrameActions();
}

void TPlayerControls::songsListViewDblClick()
{
    const std::vector<int> rows = m_playlist.SelectedRows();
    if (rows.size() == 1)
        PlayRow(rows.front());
}

void TPlayerControls::PlayRow(int row)
{
    const TFileInfo* info = m_playlist.FileAt(row);
    if (!info)
        return;
    // A file that cannot be played gets no mark (the player has told why);
    // the song that played before has stopped all the same.
    const bool playing = m_player->PlayFile(info->FullPath());
    ClearPlayingMarks();
    if (!playing)
        return;
    m_playlist.model()->SetChecked(row, true);
    m_playingRowHint = row;
    emit playerMessage(QString());
}

void TPlayerControls::butPreviousClick()
{
    if (const int row = PreviousRow(); row >= 0)
        PlayRow(row);
}

void TPlayerControls::butNextClick()
{
    if (const int row = NextRow(); row >= 0)
        PlayRow(row);
}

int TPlayerControls::PreviousRow() const
{
    int row = PlayingRow();
    if (row >= 0) {
        row -= 1;
    } else {
        row = FirstSelectedRow() - 1;
    }
    return row >= 0 ? row : -1;
}

int TPlayerControls::NextRow() const
{
    int row = PlayingRow();
    if (row >= 0) {
        row += 1;
    } else {
        row = std::max(FirstSelectedRow(), 0);
    }
    return row < m_playlist.Count() ? row : -1;
}

int TPlayerControls::FirstSelectedRow() const
{
    // From the selection's ranges: the enabling asks at every idle turn,
    // and a list of every selected row would cost milliseconds.
    const std::vector<std::pair<int, int>> ranges = m_playlist.SelectedRanges();
    return ranges.empty() ? -1 : ranges.front().first;
}

int TPlayerControls::PlayingRow() const
{
    const std::string& song = m_player->CurrentSongFile();
    if (song.empty())
        return -1;
    const auto holds = [this, &song](int row) {
        const TFileInfo* info = m_playlist.FileAt(row);
        return info && info->FullPath() == song;
    };
    if (m_playingRowHint >= 0 && m_playingRowHint < m_playlist.Count() && holds(m_playingRowHint))
        return m_playingRowHint;
    if (song == m_unlistedSong)
        return -1;
    for (int row = 0; row < m_playlist.Count(); ++row) {
        if (holds(row)) {
            m_playingRowHint = row;
            return row;
        }
    }
    m_unlistedSong = song;
    return -1;
}

void TPlayerControls::SongEnded()
{
    // Off, the song simply stays open at its end.
    if (!options::playNextAtEnd)
        return;
    const int row = PlayingRow();
    if (row >= 0 && row + 1 < m_playlist.Count())
        PlayRow(row + 1);
    else
        butStopClick();
}

void TPlayerControls::butPauseClick()
{
    m_player->PausePlaying();
}

void TPlayerControls::butStopClick()
{
    m_player->StopPlaying();
    ClearPlayingMarks();
}

void TPlayerControls::ClearPlayingMarks()
{
    TPlaylistModel* model = m_playlist.model();
    for (int row = 0; row < model->Count(); ++row)
        if (model->IsChecked(row))
            model->SetChecked(row, false);
}

void TPlayerControls::SongChanged()
{
    const std::string& song = m_player->CurrentSongFile();
    if (song.empty()) {
        // Nothing plays, so no row is marked as playing, whichever command
        // stopped the player.
        ClearPlayingMarks();
        m_playlist.playerStrip()->ClearTimes();
        emit songCaptionChanged(QString());
        return;
    }
    emit songCaptionChanged(CaptionOf(song));
}

void TPlayerControls::PlaybackFailed(const std::string& path, const std::string& reason)
{
    emit playerMessage(QStringLiteral("Cannot play \"%1\": %2")
                           .arg(FileNameOf(path),
                                QString::fromUtf8(reason.data(), static_cast<qsizetype>(reason.size()))));
}

QString TPlayerControls::CaptionOf(const std::string& path) const
{
    for (int row = 0; row < m_playlist.Count(); ++row) {
        if (const TFileInfo* info = m_playlist.FileAt(row); info && info->FullPath() == path)
            return QString::fromStdString(info->DisplayName());
    }
    return FileNameOf(path);
}

void TPlayerControls::PlayerPosition()
{
    const std::optional<std::uint32_t> known = m_player->QuerySongLength();
    const std::uint32_t length = known.value_or(MusikPlayer::FallbackLength);
    const std::uint32_t position = m_player->GetSongPosition();
    // A zero length would turn the gauge into a busy indicator.
    const int maximum = static_cast<int>(
        std::clamp<std::uint32_t>(length, 1, static_cast<std::uint32_t>(std::numeric_limits<int>::max())));
    m_progress->setMaximum(maximum);
    m_progress->setValue(static_cast<int>(std::min<std::uint32_t>(position, static_cast<std::uint32_t>(maximum))));
    // A refresh queued before the song stopped finds none: no times then.
    // At the end the position may pass the length by a frame: the times
    // never show more elapsed than the song has.
    if (m_player->IsPlayerActive())
        m_playlist.playerStrip()->ShowTimes(known ? std::min(position, *known) : position, known);
    else
        m_playlist.playerStrip()->ClearTimes();
}

void TPlayerControls::progressMouseDown(int x)
{
    m_dragging = true;
    progressMouseMove(x);
}

void TPlayerControls::progressMouseMove(int x)
{
    if (!m_dragging)
        return;
    m_playlist.songsListView()->setFocus();
    const int span = m_progress->width() - 1;
    // A gauge one pixel wide has no scale to point into.
    if (span <= 0)
        return;
    const double target = static_cast<double>(m_player->GetSongLength()) * x / span;
    SeekAndPlay(static_cast<std::int64_t>(target));
}

void TPlayerControls::progressMouseUp()
{
    m_dragging = false;
}

void TPlayerControls::songsListViewKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
        return;
    std::int64_t step = 0;
    if (key == Qt::Key_Right)
        step = ArrowSeekStep;
    else if (key == Qt::Key_Left)
        step = -ArrowSeekStep;
    else
        return;
    // Nothing clamps the target: one outside the song is refused and
    // playing goes on from where it was.
    SeekAndPlay(static_cast<std::int64_t>(m_player->GetSongPosition()) + step);
}

void TPlayerControls::SeekAndPlay(std::int64_t targetMs)
{
    m_player->SeekTo(targetMs);
    m_player->StartPlaying();
    PlayerPosition();
    emit seeked(m_player->GetSongPosition());
}

void TPlayerControls::butVolumeClick()
{
    TVolumePopup* popup = m_playlist.pVolumeControl();
    popup->setVisible(!popup->isVisible());
    if (popup->isVisible()) {
        popup->raise();
        popup->setFocus();
    }
}

void TPlayerControls::pVolumeControlExit()
{
    m_playlist.pVolumeControl()->hide();
}

void TPlayerControls::hideVolumeControlMouseDown()
{
    m_playlist.pVolumeControl()->hide();
}

void TPlayerControls::onManualVolumeChange(QSlider* bar)
{
    if (!bar || !m_volumeControl)
        return;
    const std::uint32_t value = MaxVolume - static_cast<std::uint32_t>(std::clamp(bar->value(), 0, 65535));
    const int tag = bar->property("Tag").toInt();
    m_volumeControl->BeginUserChange();
    try {
        if (tag == MasterTag)
            m_volumeControl->SetMasterVolume(value);
        else if (tag == WaveTag)
            m_volumeControl->SetWaveVolume(value);
    } catch (const VolumeControlError& error) {
        m_volumeControl->EndUserChange();
        m_prompts.showError(QStringLiteral("Error"), QString::fromStdString(error.what()));
        return;
    }
    m_volumeControl->EndUserChange();
}

void TPlayerControls::VolumeControlChanged(VolumeKind kind, std::uint32_t value)
{
    const int position = static_cast<int>(MaxVolume - std::min(value, MaxVolume));
    if (kind == VolumeKind::Master)
        m_volumeBar1->setValue(position);
    else
        m_volumeBar2->setValue(position);
    m_volumeBar1->update();
    m_volumeBar2->update();
}

bool TPlayerControls::inVolumePanel(const QWidget* widget) const
{
    const QWidget* popup = m_playlist.pVolumeControl();
    return widget && (widget == popup || popup->isAncestorOf(widget));
}

bool TPlayerControls::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == m_progress) {
        // The gauge takes its presses, so they never reach the strip (a press
        // on the gauge keeps the volume panel open).
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseMove || type == QEvent::MouseButtonRelease ||
            type == QEvent::MouseButtonDblClick) {
            if (!m_progress->isEnabled())
                return true;
            const int x = static_cast<int>(static_cast<QMouseEvent*>(event)->position().x());
            if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
                progressMouseDown(x);
            else if (type == QEvent::MouseMove)
                progressMouseMove(x);
            else
                progressMouseUp();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
    if (watched == m_playlist.songsListView() && type == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        songsListViewKeyDown(key->key(), key->modifiers());
        return false;
    }
    if (type == QEvent::MouseButtonPress)
        hideVolumeControlMouseDown();
    return QObject::eventFilter(watched, event);
}
