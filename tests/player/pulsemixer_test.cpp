// The volume control on a real PulseAudio server (a private null-sink
// daemon in CI): values written and read back, changes by another program
// (pactl), and the feedback rules while a bar is dragged.

#include "gstmediabackend.h"
#include "musikplayer.h"
#include "pulsemixerbackend.h"
#include "taudiovolumecontrol.h"
#include "testsupport.h"

#include <QString>

#include <gtest/gtest.h>

#include <unistd.h>

#include <optional>
#include <utility>
#include <vector>

using namespace std::chrono_literals;
using playertest::defaultSinkVolume;
using playertest::ownSinkInputs;
using playertest::pactl;
using playertest::spinFor;
using playertest::waitUntil;
using playertest::copyFixture;
using Change = std::pair<VolumeKind, std::uint32_t>;

namespace {

// Passes everything to the real mixer and records the writes and notices.
class RecordingMixer final : public MixerBackend {
public:
    explicit RecordingMixer(PulseMixerBackend& real) : m_real(real) {}

    MixerResult open(NoticeHandler handler) override
    {
        return m_real.open([this, handler](const MixerNotice& notice) {
            notices.push_back(notice.controlId);
            handler(notice);
        });
    }
    MixerResult masterLine(std::uint32_t& line) override { return m_real.masterLine(line); }
    MixerResult waveLine(std::uint32_t destination, std::uint32_t& line) override
    {
        return m_real.waveLine(destination, line);
    }
    MixerResult volumeControl(std::uint32_t line, std::uint32_t& id) override { return m_real.volumeControl(line, id); }
    MixerResult readValue(std::uint32_t id, std::uint32_t& value) override { return m_real.readValue(id, value); }
    MixerResult writeValue(std::uint32_t id, std::uint32_t value) override
    {
        writes.emplace_back(id, value);
        return m_real.writeValue(id, value);
    }
    void settle() override { m_real.settle(); }
    std::uintptr_t handle() const override { return m_real.handle(); }

    std::vector<std::pair<std::uint32_t, std::uint32_t>> writes;
    std::vector<std::uint32_t> notices;

private:
    PulseMixerBackend& m_real;
};

class PulseMixerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        playertest::ensureApplication();
        ASSERT_FALSE(pactl({"info"}).isNull()) << "no sound server reachable (tools/test.sh starts one)";
        auto recording = std::make_unique<RecordingMixer>(real);
        mixer = recording.get();
        control = std::make_unique<TAudioVolumeControl>(std::move(recording));
        control->OnVolumeChange = [this](VolumeKind kind, std::uint32_t value) { changes.emplace_back(kind, value); };
        // The start-up notices set both bars.
        ASSERT_TRUE(waitUntil([this] { return changes.size() >= 2; }, 2000ms));
        EXPECT_EQ(changes[0], Change(VolumeKind::Master, read(PulseMixerBackend::MasterVolumeControl)));
        EXPECT_EQ(changes[1], Change(VolumeKind::Wave, 65535));
        changes.clear();
    }

    // The changes of one bar only (tests in other processes may move the
    // master volume meanwhile).
    std::vector<Change> changesOf(VolumeKind kind) const
    {
        std::vector<Change> found;
        for (const Change& change : changes)
            if (change.first == kind)
                found.push_back(change);
        return found;
    }

    // The user's change of a bar, as the window makes it.
    void userSets(VolumeKind kind, std::uint32_t value)
    {
        control->BeginUserChange();
        if (kind == VolumeKind::Master)
            control->SetMasterVolume(value);
        else
            control->SetWaveVolume(value);
        control->EndUserChange();
    }

    std::uint32_t read(std::uint32_t controlId)
    {
        std::uint32_t value = 0;
        EXPECT_FALSE(real.readValue(controlId, value).failed());
        return value;
    }

    PulseMixerBackend real;
    RecordingMixer* mixer = nullptr;
    std::unique_ptr<TAudioVolumeControl> control;
    std::vector<Change> changes;
};

} // namespace

TEST(PulseVolumeMapping, LinearAndExactBothWays)
{
    EXPECT_EQ(PulseMixerBackend::toPulseVolume(0), PA_VOLUME_MUTED);
    EXPECT_EQ(PulseMixerBackend::toPulseVolume(65535), PA_VOLUME_NORM);
    EXPECT_EQ(PulseMixerBackend::toPulseVolume(70000), PA_VOLUME_NORM);
    EXPECT_EQ(PulseMixerBackend::fromPulseVolume(PA_VOLUME_NORM * 2), 65535u);
    EXPECT_EQ(PulseMixerBackend::fromPulseVolume(PA_VOLUME_NORM / 2), 32768u);
    for (std::uint32_t value = 0; value <= 65535; ++value)
        ASSERT_EQ(PulseMixerBackend::fromPulseVolume(PulseMixerBackend::toPulseVolume(value)), value);
}

// All cases on the default sink are in one test, so that no other test of
// this suite changes the master volume meanwhile.
TEST_F(PulseMixerTest, MasterVolumeWrittenReadBackFollowedAndDragged)
{
    ASSERT_FALSE(pactl({"set-sink-mute", "@DEFAULT_SINK@", "0"}).isNull());
    ASSERT_FALSE(pactl({"set-sink-volume", "@DEFAULT_SINK@", "32768"}).isNull());
    ASSERT_TRUE(waitUntil([this] { return read(PulseMixerBackend::MasterVolumeControl) == 32768; }, 2000ms));
    spinFor(100ms);
    changes.clear();

    // Written and read back.
    userSets(VolumeKind::Master, 20000);
    EXPECT_EQ(defaultSinkVolume(), PulseMixerBackend::toPulseVolume(20000));
    EXPECT_EQ(read(PulseMixerBackend::MasterVolumeControl), 20000u);
    spinFor(200ms);
    EXPECT_TRUE(changes.empty()) << "the user's own change came back to the bar";

    // Another program's change moves the master bar only.
    ASSERT_FALSE(pactl({"set-sink-volume", "@DEFAULT_SINK@", "12345"}).isNull());
    ASSERT_TRUE(waitUntil([this] { return !changes.empty(); }, 2000ms));
    spinFor(100ms);
    EXPECT_EQ(changes, std::vector<Change>{Change(VolumeKind::Master, PulseMixerBackend::fromPulseVolume(12345))});
    changes.clear();

    // A notice for another control (the mute switch) moves neither bar.
    mixer->notices.clear();
    ASSERT_FALSE(pactl({"set-sink-mute", "@DEFAULT_SINK@", "1"}).isNull());
    ASSERT_TRUE(waitUntil([this] { return !mixer->notices.empty(); }, 2000ms));
    spinFor(100ms);
    EXPECT_EQ(mixer->notices, std::vector<std::uint32_t>{PulseMixerBackend::MasterMuteControl});
    EXPECT_TRUE(changes.empty());
    ASSERT_FALSE(pactl({"set-sink-mute", "@DEFAULT_SINK@", "0"}).isNull());

    // Dragging: each value is written once; the notices of the writes come
    // back while the change is marked and never move the bar back.
    spinFor(100ms);
    mixer->writes.clear();
    mixer->notices.clear();
    changes.clear();
    std::vector<std::pair<std::uint32_t, std::uint32_t>> expected;
    for (std::uint32_t value = 60000; value >= 30000; value -= 2500) {
        userSets(VolumeKind::Master, value);
        expected.emplace_back(PulseMixerBackend::MasterVolumeControl, value);
    }
    spinFor(300ms);
    EXPECT_EQ(mixer->writes, expected);
    EXPECT_EQ(mixer->notices.size(), expected.size()) << "each write is reported by the server";
    EXPECT_TRUE(changes.empty()) << changes.size() << " changes, first " << changes.front().second;
    EXPECT_EQ(defaultSinkVolume(), PulseMixerBackend::toPulseVolume(30000));
    EXPECT_EQ(read(PulseMixerBackend::MasterVolumeControl), 30000u);
}

TEST_F(PulseMixerTest, WaveVolumeIsHeldAppliedToOurStreamAndFollowed)
{
    // No stream of ours yet: the value is held.
    userSets(VolumeKind::Wave, 30000);
    EXPECT_EQ(read(PulseMixerBackend::WaveVolumeControl), 30000u);
    EXPECT_TRUE(ownSinkInputs().empty());

    TempDir dir;
    const std::string song = copyFixture(dir, "tone-5s.mp3", "song.mp3");
    MusikPlayer player{std::make_unique<GstMediaBackend>()};
    ASSERT_TRUE(player.PlayFile(song));
    // The new stream gets the held value.
    ASSERT_TRUE(waitUntil([this] { return !real.ownStreams().empty(); }, 8000ms));
    ASSERT_TRUE(waitUntil(
        [] {
            const auto inputs = ownSinkInputs();
            return inputs.size() == 1 && inputs[0].second == PulseMixerBackend::toPulseVolume(30000);
        },
        8000ms));
    spinFor(200ms);
    EXPECT_EQ(read(PulseMixerBackend::WaveVolumeControl), 30000u);
    EXPECT_TRUE(changesOf(VolumeKind::Wave).empty());

    // Written while the stream exists.
    userSets(VolumeKind::Wave, 45000);
    ASSERT_EQ(ownSinkInputs().size(), 1u);
    EXPECT_EQ(ownSinkInputs()[0].second, PulseMixerBackend::toPulseVolume(45000));
    spinFor(200ms);
    EXPECT_TRUE(changesOf(VolumeKind::Wave).empty());

    // Another program's change moves the wave bar only.
    const int index = ownSinkInputs()[0].first;
    ASSERT_FALSE(pactl({"set-sink-input-volume", QString::number(index), "23456"}).isNull());
    ASSERT_TRUE(waitUntil([this] { return !changesOf(VolumeKind::Wave).empty(); }, 2000ms));
    spinFor(100ms);
    EXPECT_EQ(changesOf(VolumeKind::Wave), std::vector<Change>{Change(VolumeKind::Wave, PulseMixerBackend::fromPulseVolume(23456))});

    // The next song's stream gets the value in force.
    changes.clear();
    ASSERT_TRUE(player.PlayFile(song));
    ASSERT_TRUE(waitUntil(
        [index] {
            const auto inputs = ownSinkInputs();
            return inputs.size() == 1 && inputs[0].first != index &&
                   inputs[0].second == PulseMixerBackend::toPulseVolume(PulseMixerBackend::fromPulseVolume(23456));
        },
        8000ms));
    player.StopPlaying();
    EXPECT_TRUE(waitUntil([] { return ownSinkInputs().empty(); }, 2000ms));
    spinFor(100ms);
    EXPECT_TRUE(changesOf(VolumeKind::Wave).empty());
}

TEST(PulseMixerUnreachable, ConstructionFailsWithTheVolumeControlError)
{
    playertest::ensureApplication();
    const QByteArray saved = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/tunevault-no-server");
    std::string message;
    try {
        TAudioVolumeControl control(std::make_unique<PulseMixerBackend>());
    } catch (const std::exception& error) {
        message = error.what();
    }
    if (saved.isNull())
        qunsetenv("PULSE_SERVER");
    else
        qputenv("PULSE_SERVER", saved);
    EXPECT_EQ(message.rfind("volumeControl error\r\n", 0), 0u) << message;
    EXPECT_GT(message.size(), std::string("volumeControl error\r\n").size());
}
