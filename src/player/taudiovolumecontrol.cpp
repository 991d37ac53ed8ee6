#include "taudiovolumecontrol.h"

#include "volumecontrolerror.h"

#include <QCoreApplication>
#include <QDebug>

#include <exception>

TAudioVolumeControl::TAudioVolumeControl(std::unique_ptr<MixerBackend> mixer, QObject* parent)
    : QObject(parent), m_mixer(std::move(mixer))
{
    OpenMixer();
}

TAudioVolumeControl::~TAudioVolumeControl() = default;

void TAudioVolumeControl::OpenMixer()
{
    if (!m_mixer)
        throw VolumeControlError("volumeControl error\r\nno mixer");
    CheckMixerResult(m_mixer->open([this](const MixerNotice& notice) { postNotice(notice); }));
    CheckMixerResult(m_mixer->masterLine(m_masterLine));
    m_waveLine = static_cast<std::uint32_t>(-1);
    const MixerResult wave = m_mixer->waveLine(m_masterLine, m_waveLine);
    // Without a wave source the control lookup below names line -1 and fails;
    // report the source lookup's own reason when it gives one.
    if (wave.failed() && m_waveLine == static_cast<std::uint32_t>(-1))
        CheckMixerResult(wave);
    CheckMixerResult(m_mixer->volumeControl(m_masterLine, m_masterControlId));
    CheckMixerResult(m_mixer->volumeControl(m_waveLine, m_waveControlId));

    const std::uintptr_t handle = m_mixer->handle();
    postNotice({handle, m_masterControlId});
    postNotice({handle, m_waveControlId});
}

void TAudioVolumeControl::postNotice(const MixerNotice& notice)
{
    // Like a window message: handled later by the event loop, and dropped if
    // this object is gone by then.
    QMetaObject::invokeMethod(
        this,
        [this, notice] {
            try {
                HandleControlChange(notice);
            } catch (const std::exception& error) {
                qWarning("volume change handler failed: %s", error.what());
            }
        },
        Qt::QueuedConnection);
}

void TAudioVolumeControl::HandleControlChange(const MixerNotice& notice)
{
    // The user's own change, still being written.
    if (m_userChanging)
        return;
    std::uint32_t value = 0;
    if (m_mixer->readValue(notice.controlId, value).failed())
        return;

    m_updating = true;
    try {
        if (OnVolumeChange) {
            if (notice.controlId == m_masterControlId)
                OnVolumeChange(VolumeKind::Master, value);
            else if (notice.controlId == m_waveControlId)
                OnVolumeChange(VolumeKind::Wave, value);
        }
    } catch (...) {
        m_updating = false;
        throw;
    }
    m_updating = false;
}

void TAudioVolumeControl::SetMasterVolume(std::uint32_t value)
{
    if (!m_updating)
        SetControlVolume(value, m_masterControlId);
}

void TAudioVolumeControl::SetWaveVolume(std::uint32_t value)
{
    if (!m_updating)
        SetControlVolume(value, m_waveControlId);
}

void TAudioVolumeControl::SetControlVolume(std::uint32_t value, std::uint32_t controlId)
{
    if (controlId != m_masterControlId && controlId != m_waveControlId)
        throw VolumeControlError("volCtrlSetVolume - unknown volume control ID");
    CheckMixerResult(m_mixer->writeValue(controlId, value > MaxVolume ? MaxVolume : value));
}

void TAudioVolumeControl::BeginUserChange()
{
    if (!m_updating)
        m_userChanging = true;
}

void TAudioVolumeControl::EndUserChange()
{
    m_mixer->settle();
    QCoreApplication::processEvents();
    m_userChanging = false;
}

void TAudioVolumeControl::CheckMixerResult(const MixerResult& result)
{
    if (!result.failed())
        return;
    throw VolumeControlError("volumeControl error\r\n" + result.text);
}
