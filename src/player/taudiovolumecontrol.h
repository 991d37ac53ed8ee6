#pragma once
// Connects the volume panel to the sound mixer: finds the master volume (the
// speakers) and the wave volume (this program's playback), writes the values
// the user sets, and turns the mixer's change notices into OnVolumeChange, so
// that the bars also follow changes made by other programs.
//
// Two flags break the feedback loop between bars and mixer: while a notice is
// applied (updating) the bars' change events write nothing, and while the
// user's own value is written (user changing) the notices it causes are
// dropped. Notices are queued to this object and handled on the
// user-interface thread's event loop.

#include "mixerbackend.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

// Which bar a value is for; the numbers are the event's byte argument.
enum class VolumeKind : std::uint8_t { Wave = 0, Master = 1 };

class TAudioVolumeControl final : public QObject {
    Q_OBJECT

public:
    static constexpr std::uint32_t MaxVolume = 65535;

    // Opens the mixer and finds both controls; throws VolumeControlError
    // ("volumeControl error" CR LF reason) when any step fails. Once the event
    // loop runs, a notice for each control sets both bars.
    explicit TAudioVolumeControl(std::unique_ptr<MixerBackend> mixer, QObject* parent = nullptr);
    ~TAudioVolumeControl() override;

    TAudioVolumeControl(const TAudioVolumeControl&) = delete;
    TAudioVolumeControl& operator=(const TAudioVolumeControl&) = delete;

    // Raised for notices about the master or the wave volume, value 0..65535.
    std::function<void(VolumeKind, std::uint32_t)> OnVolumeChange;

    // Applies one mixer notice; rethrows what OnVolumeChange throws.
    void HandleControlChange(const MixerNotice& notice);

    // Both write nothing while a notice is being applied.
    void SetMasterVolume(std::uint32_t value);
    void SetWaveVolume(std::uint32_t value);
    // Writes a value to one of the two controls; throws VolumeControlError.
    void SetControlVolume(std::uint32_t value, std::uint32_t controlId);

    // Bracket a value set by the user. EndUserChange lets the pending events
    // run, the notices of the user's own write among them, before clearing
    // the flag; call it also when the set failed.
    void BeginUserChange();
    void EndUserChange();

    // Nothing for success; otherwise throws the "volumeControl error" text.
    static void CheckMixerResult(const MixerResult& result);

    bool isUpdating() const { return m_updating; }
    bool isUserChanging() const { return m_userChanging; }
    std::uint32_t masterControlId() const { return m_masterControlId; }
    std::uint32_t waveControlId() const { return m_waveControlId; }

private:
    void OpenMixer();
    void postNotice(const MixerNotice& notice);

    bool m_updating = false;
    bool m_userChanging = false;
    std::unique_ptr<MixerBackend> m_mixer;
    std::uint32_t m_masterLine = 0;
    std::uint32_t m_waveLine = static_cast<std::uint32_t>(-1);
    std::uint32_t m_masterControlId = 0;
    std::uint32_t m_waveControlId = 0;
};
