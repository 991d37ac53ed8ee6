#include "musikplayer.h"

#include <QCoreApplication>

#include <sys/stat.h>

MusikPlayer::MusikPlayer(std::unique_ptr<MediaBackend> backend, QObject* parent)
    : QObject(parent), m_backend(std::move(backend))
{
    m_poller.setInterval(PositionPollInterval);
    m_poller.setTimerType(Qt::PreciseTimer);
    connect(&m_poller, &QTimer::timeout, this, &MusikPlayer::pollPosition);
}

MusikPlayer::~MusikPlayer()
{
    // Whoever owns the player should have stopped it; never leave the file
    // held open past the player's life.
    StopPlaying();
}

bool MusikPlayer::PlayFile(const std::string& path)
{
    if (m_deviceOpen)
        StopPlaying();
    // The back-end opens the file itself, blocking: a FIFO, socket or device
    // named like a song is refused before it gets there.
    struct stat st {};
    const bool notRegular = ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
    if (notRegular || !m_backend->open(path)) {
        m_lastError = notRegular ? std::string("It is not a regular file") : m_backend->openError();
        if (m_lastError.empty())
            m_lastError = "The file cannot be played";
        // Copies: a receiver may start another song meanwhile.
        emit playbackFailed(std::string(path), std::string(m_lastError));
        return false;
    }
    m_lastError.clear();
    m_currentSongFile = path;
    m_deviceOpen = true;
    m_active = true;
    m_paused = false;
    StartPlaying();
    startPoller();
    emit songChanged();
    return true;
}

void MusikPlayer::StopPlaying()
{
    const bool wasOpen = m_deviceOpen;
    m_currentSongFile.clear();
    m_deviceOpen = false;
    m_active = false;
    m_paused = false;
    stopPoller();
    if (wasOpen) {
        m_backend->close();
        emit songChanged();
    }
}

void MusikPlayer::StartPlaying()
{
    if (!m_deviceOpen)
        return;
    m_backend->play();
    m_active = true;
    m_paused = false;
}

void MusikPlayer::PausePlaying()
{
    if (!m_deviceOpen)
        return;
    m_backend->pause();
    m_active = true;
    m_paused = true;
}

void MusikPlayer::ResumePlaying()
{
    if (!m_deviceOpen)
        return;
    m_backend->resume();
    m_active = true;
    m_paused = false;
}

void MusikPlayer::SeekTo(std::int64_t positionMs)
{
    if (!m_deviceOpen)
        return;
    // A refused target is not reported: playing goes on from where it was.
    m_backend->seek(positionMs);
}

std::uint32_t MusikPlayer::GetSongLength()
{
    return QuerySongLength().value_or(FallbackLength);
}

std::optional<std::uint32_t> MusikPlayer::QuerySongLength()
{
    if (!m_deviceOpen)
        return std::nullopt;
    return m_backend->length();
}

std::uint32_t MusikPlayer::GetSongPosition()
{
    if (!m_deviceOpen)
        return 0;
    return m_backend->position().value_or(0);
}

bool MusikPlayer::IsPlayerActive() const
{
    return m_deviceOpen && m_active;
}

bool MusikPlayer::IsPlayerPaused() const
{
    return m_deviceOpen && m_active && m_paused;
}

const std::string& MusikPlayer::CurrentSongFile() const
{
    return m_currentSongFile;
}

void MusikPlayer::SongFileRenamed(const std::string& from, const std::string& to)
{
    if (!m_deviceOpen || from.empty() || from != m_currentSongFile || from == to)
        return;
    m_currentSongFile = to;
    emit songChanged();
}

const std::string& MusikPlayer::LastError() const
{
    return m_lastError;
}

bool MusikPlayer::IsPollerRunning() const
{
    return m_poller.isActive();
}

void MusikPlayer::startPoller()
{
    if (m_poller.isActive())
        return;
    ++m_pollerGeneration;
    m_poller.start();
    // The first refresh is asked for at once, without waiting for it.
    QMetaObject::invokeMethod(
        this,
        [this, generation = m_pollerGeneration] {
            if (generation == m_pollerGeneration)
                pollPosition();
        },
        Qt::QueuedConnection);
}

void MusikPlayer::stopPoller()
{
    m_poller.stop();
    ++m_pollerGeneration;
}

void MusikPlayer::pollPosition()
{
    if (!m_deviceOpen || QCoreApplication::closingDown()) {
        stopPoller();
        return;
    }
    // A stream that failed plays no more: the song is closed, and told.
    if (std::optional<std::string> failure = m_backend->takeStreamError()) {
        const std::string path = m_currentSongFile;
        m_lastError = failure->empty() ? std::string("The file cannot be played") : *failure;
        StopPlaying();
        emit playbackFailed(path, std::string(m_lastError));
        return;
    }
    emit playerPosition();
    // Last, as a receiver may start another song or stop this one.
    if (m_deviceOpen && m_backend->takeEnded())
        emit songEnded();
}
