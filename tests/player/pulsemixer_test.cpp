// The volume control on a real PulseAudio server (a private null-sink daemon
// that each test starts for itself): values written and read back, changes
// by another program (pactl), the feedback rules while a bar is dragged, the
// volume the server restores for the program, and a server that restarts.

#include "gstmediabackend.h"
#include "musikplayer.h"
#include "pulsemixerbackend.h"
#include "taudiovolumecontrol.h"
#include "testsupport.h"

#include <pulse/thread-mainloop.h>

#include <QString>

#include <gtest/gtest.h>

#include <unistd.h>

#include <map>
#include <mutex>
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

// The volume each new sink input of this process has when the server first
// reports it, seen by a client of its own on its own thread: a volume that
// the program writes to its stream after it appeared shows as a change.
class FirstVolumes final {
public:
    FirstVolumes()
    {
        m_loop = pa_threaded_mainloop_new();
        m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "tunevault-test-listener");
        pa_context_set_state_callback(m_context, [](pa_context*, void* loop) {
            pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
        }, m_loop);
        pa_context_set_subscribe_callback(m_context, onEvent, this);
        pa_threaded_mainloop_lock(m_loop);
        pa_threaded_mainloop_start(m_loop);
        pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
        while (PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)) &&
               pa_context_get_state(m_context) != PA_CONTEXT_READY)
            pa_threaded_mainloop_wait(m_loop);
        m_ready = pa_context_get_state(m_context) == PA_CONTEXT_READY;
        if (m_ready)
            pa_operation_unref(pa_context_subscribe(m_context, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr));
        pa_threaded_mainloop_unlock(m_loop);
    }
    ~FirstVolumes()
    {
        pa_threaded_mainloop_stop(m_loop);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        pa_threaded_mainloop_free(m_loop);
    }

    bool ready() const { return m_ready; }
    std::vector<std::uint32_t> volumes()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::uint32_t> found;
        for (const auto& entry : m_first)
            found.push_back(entry.second);
        return found;
    }

private:
    static void onEvent(pa_context* context, pa_subscription_event_type_t event, std::uint32_t index, void* self)
    {
        if ((event & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_NEW)
            pa_operation_unref(pa_context_get_sink_input_info(context, index, onInfo, self));
    }
    static void onInfo(pa_context*, const pa_sink_input_info* info, int, void* self)
    {
        auto* listener = static_cast<FirstVolumes*>(self);
        const char* pid = info ? pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID) : nullptr;
        if (!pid || std::to_string(::getpid()) != pid)
            return;
        const std::lock_guard<std::mutex> lock(listener->m_mutex);
        listener->m_first.emplace(info->index, pa_cvolume_max(&info->volume));
    }

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    bool m_ready = false;
    std::mutex m_mutex;
    std::map<std::uint32_t, std::uint32_t> m_first;
};

class PulseMixerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        playertest::ensureApplication();
        server = std::make_unique<playertest::PrivateSoundServer>();
        ASSERT_FALSE(pactl({"info"}).isNull()) << "the private sound server did not start";
        startControl();
        // The start-up notices set both bars; a server that restores nothing
        // gives new streams full volume.
        ASSERT_TRUE(waitUntil([this] { return changes.size() >= 2; }, 2000ms));
        EXPECT_EQ(changes[0], Change(VolumeKind::Master, read(PulseMixerBackend::MasterVolumeControl)));
        EXPECT_EQ(changes[1], Change(VolumeKind::Wave, 65535));
        changes.clear();
    }

    // The volume control on a new connection, as the program makes it.
    void startControl()
    {
        control.reset();
        real = std::make_unique<PulseMixerBackend>();
        auto recording = std::make_unique<RecordingMixer>(*real);
        mixer = recording.get();
        control = std::make_unique<TAudioVolumeControl>(std::move(recording));
        control->OnVolumeChange = [this](VolumeKind kind, std::uint32_t value) { changes.emplace_back(kind, value); };
    }

    // The changes of one bar only.
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
        EXPECT_FALSE(real->readValue(controlId, value).failed());
        return value;
    }

    std::unique_ptr<playertest::PrivateSoundServer> server;
    std::unique_ptr<PulseMixerBackend> real;
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
    ASSERT_TRUE(waitUntil([this] { return !real->ownStreams().empty(); }, 8000ms));
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

TEST_F(PulseMixerTest, TheWaveVolumeIsTheOneTheServerRestoresAndStartsTheStream)
{
    // Set while no stream of ours plays: the server keeps it for the program.
    userSets(VolumeKind::Wave, 30000);
    // The next start of the program finds it.
    changes.clear();
    startControl();
    ASSERT_TRUE(waitUntil([this] { return changesOf(VolumeKind::Wave).size() == 1; }, 2000ms));
    EXPECT_EQ(changesOf(VolumeKind::Wave), std::vector<Change>{Change(VolumeKind::Wave, 30000)});

    // A song starts at that volume from its first sample: the stream is
    // never written after it appeared.
    FirstVolumes first;
    ASSERT_TRUE(first.ready());
    TempDir dir;
    const std::string song = copyFixture(dir, "tone-5s.mp3", "song.mp3");
    MusikPlayer player{std::make_unique<GstMediaBackend>()};
    ASSERT_TRUE(player.PlayFile(song));
    ASSERT_TRUE(waitUntil([&] { return !first.volumes().empty() && ownSinkInputs().size() == 1; }, 8000ms));
    spinFor(300ms);
    // (The sink may open a short-lived stream to probe the formats: it
    // starts at the same volume.)
    const std::vector<std::uint32_t> firstSong = first.volumes();
    for (std::uint32_t volume : firstSong)
        EXPECT_EQ(volume, PulseMixerBackend::toPulseVolume(30000));
    EXPECT_EQ(ownSinkInputs()[0].second, PulseMixerBackend::toPulseVolume(30000));
    player.StopPlaying();
    ASSERT_TRUE(waitUntil([] { return ownSinkInputs().empty(); }, 2000ms));

    // A change while no stream plays starts the next song at the new volume.
    userSets(VolumeKind::Wave, 20000);
    ASSERT_TRUE(player.PlayFile(song));
    ASSERT_TRUE(waitUntil([&] { return first.volumes().size() > firstSong.size() && ownSinkInputs().size() == 1; },
                          8000ms));
    spinFor(300ms);
    const std::vector<std::uint32_t> all = first.volumes();
    for (std::size_t i = firstSong.size(); i < all.size(); ++i)
        EXPECT_EQ(all[i], PulseMixerBackend::toPulseVolume(20000));
    player.StopPlaying();
    EXPECT_TRUE(changesOf(VolumeKind::Wave).size() == 1) << "the bar was moved by the program's own change";
}

TEST_F(PulseMixerTest, AServerThatRestartsIsConnectedAgainWithTheChangesMadeMeanwhile)
{
    TempDir dir;
    const std::string song = copyFixture(dir, "tone-5s.mp3", "song.mp3");
    MusikPlayer player{std::make_unique<GstMediaBackend>()};
    ASSERT_TRUE(player.PlayFile(song));
    ASSERT_TRUE(waitUntil([] { return ownSinkInputs().size() == 1; }, 8000ms));

    server->kill();
    ASSERT_TRUE(waitUntil([this] { return !real->isConnected(); }, 5000ms));
    // Changes while the server is away are held, and show no message.
    int errors = 0;
    for (const auto& [kind, value] : {Change(VolumeKind::Master, 20000), Change(VolumeKind::Wave, 25000)}) {
        try {
            userSets(kind, value);
        } catch (const std::exception&) {
            ++errors;
        }
    }
    EXPECT_EQ(errors, 0);
    // No output: a song does not play.
    EXPECT_FALSE(player.PlayFile(song));

    ASSERT_TRUE(server->start());
    ASSERT_TRUE(waitUntil([this] { return real->isConnected(); }, 8000ms));
    EXPECT_TRUE(waitUntil([] { return defaultSinkVolume() == PulseMixerBackend::toPulseVolume(20000); }, 3000ms));
    EXPECT_EQ(read(PulseMixerBackend::MasterVolumeControl), 20000u);
    EXPECT_EQ(read(PulseMixerBackend::WaveVolumeControl), 25000u);

    // The player opens its output on the new server for the next song, at
    // the wave volume set meanwhile.
    ASSERT_TRUE(player.PlayFile(song));
    ASSERT_TRUE(waitUntil([] { return ownSinkInputs().size() == 1; }, 8000ms));
    EXPECT_EQ(ownSinkInputs()[0].second, PulseMixerBackend::toPulseVolume(25000));
    EXPECT_TRUE(waitUntil([&] { return player.GetSongPosition() > 0; }, 8000ms));
    player.StopPlaying();
}

TEST(PulseMixerUnreachable, ConstructionFailsWithTheVolumeControlError)
{
    playertest::ensureApplication();
    std::string message;
    {
        playertest::ScopedEnvironment environment;
        environment.set("PULSE_SERVER", "unix:/nonexistent/tunevault-no-server");
        try {
            TAudioVolumeControl control(std::make_unique<PulseMixerBackend>());
        } catch (const std::exception& error) {
            message = error.what();
        }
    }
    EXPECT_EQ(message.rfind("volumeControl error\r\n", 0), 0u) << message;
    EXPECT_GT(message.size(), std::string("volumeControl error\r\n").size());
}
