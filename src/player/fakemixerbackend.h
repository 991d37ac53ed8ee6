#pragma once
// A mixer back-end for tests that are not about the sound server. The state
// is shared with the test, which sets the volumes, makes steps fail, sends
// notices as another program's change would, and reads what was written.
// Like the real mixer, every write sends a notice for the written control.

#include "mixerbackend.h"

#include <map>
#include <memory>
#include <utility>
#include <vector>

struct FakeMixerState {
    static constexpr std::uint32_t MasterLine = 0;
    static constexpr std::uint32_t WaveLine = 1;
    static constexpr std::uint32_t MasterControl = 11;
    static constexpr std::uint32_t WaveControl = 12;
    static constexpr std::uint32_t MuteControl = 13;  // a control without a bar

    // Set by the test.
    bool openFails = false;
    bool noWaveSource = false;
    bool writeFails = false;
    std::map<std::uint32_t, std::uint32_t> values{{MasterControl, 40000}, {WaveControl, 50000}, {MuteControl, 0}};

    // Kept by the back-end.
    MixerBackend::NoticeHandler handler;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> writes;  // (control, value)
    int settles = 0;

    // A change made by another program: sets the value and sends the notice.
    void externalChange(std::uint32_t controlId, std::uint32_t value);
};

class FakeMixerBackend final : public MixerBackend {
public:
    static constexpr std::uintptr_t Handle = 0x3d1;

    explicit FakeMixerBackend(std::shared_ptr<FakeMixerState> state);

    MixerResult open(NoticeHandler handler) override;
    MixerResult masterLine(std::uint32_t& line) override;
    MixerResult waveLine(std::uint32_t destination, std::uint32_t& line) override;
    MixerResult volumeControl(std::uint32_t line, std::uint32_t& controlId) override;
    MixerResult readValue(std::uint32_t controlId, std::uint32_t& value) override;
    MixerResult writeValue(std::uint32_t controlId, std::uint32_t value) override;
    void settle() override;
    std::uintptr_t handle() const override;

private:
    std::shared_ptr<FakeMixerState> m_state;
};
