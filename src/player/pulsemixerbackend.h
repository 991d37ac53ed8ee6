#pragma once
// The mixer back-end on PulseAudio. The master volume is the volume of the
// default sink; the wave volume is the volume of this process's own playback
// streams (the sink inputs whose application.process.id is this process).
// 0..65535 maps linearly onto 0..PA_VOLUME_NORM.
//
// While no such stream exists the wave volume is the one the server restores
// for the program's streams (its stream-restore entry): read at start-up, and
// written there when the user changes it, so that the next stream starts at
// it before its first sample. A server without that database gets the value
// written to each new stream instead.
//
// The server may go away and come back (sound servers restart on updates and
// logins): the back-end then connects again by itself, every second, holds
// the values written meanwhile, applies them once connected, and reports both
// controls so that the bars show the new server's state.
//
// The connection (PulseConnection) runs on GLib's default main context, which
// is the user-interface thread's event loop under Qt on Linux, so every
// callback and notice runs on that thread with no thread of its own. Values
// are kept up to date from subscriptions, so reads answer at once.

#include "mixerbackend.h"
#include "pulseconnection.h"

#include <pulse/context.h>
#include <pulse/ext-stream-restore.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>
#include <pulse/volume.h>

#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>

class PulseMixerBackend final : public MixerBackend {
public:
    static constexpr std::uint32_t SpeakersLine = 0;
    static constexpr std::uint32_t WaveLine = 1;
    static constexpr std::uint32_t MasterVolumeControl = 1;
    static constexpr std::uint32_t WaveVolumeControl = 2;
    // Mute switches: they send notices but have no bar.
    static constexpr std::uint32_t MasterMuteControl = 3;
    static constexpr std::uint32_t WaveMuteControl = 4;
    static constexpr int ConnectTimeoutMs = 5000;
    static constexpr int SettleTimeoutMs = 1000;
    static constexpr int ReconnectIntervalMs = 1000;

    PulseMixerBackend();
    ~PulseMixerBackend() override;

    PulseMixerBackend(const PulseMixerBackend&) = delete;
    PulseMixerBackend& operator=(const PulseMixerBackend&) = delete;

    MixerResult open(NoticeHandler handler) override;
    MixerResult masterLine(std::uint32_t& line) override;
    MixerResult waveLine(std::uint32_t destination, std::uint32_t& line) override;
    MixerResult volumeControl(std::uint32_t line, std::uint32_t& controlId) override;
    MixerResult readValue(std::uint32_t controlId, std::uint32_t& value) override;
    MixerResult writeValue(std::uint32_t controlId, std::uint32_t value) override;
    void settle() override;
    std::uintptr_t handle() const override;

    // 0..65535 <-> 0..PA_VOLUME_NORM; values above the norm read as 65535.
    static pa_volume_t toPulseVolume(std::uint32_t value);
    static std::uint32_t fromPulseVolume(pa_volume_t volume);

    // This process's playback streams known right now (sink input indexes).
    std::set<std::uint32_t> ownStreams() const;
    // Connected to the server and its state read.
    bool isConnected() const;

private:
    struct OwnStream {
        std::uint8_t channels = 0;
        // Our writes to it that the server has not answered yet; its info
        // read meanwhile may predate them and is not taken as a change.
        int writesInFlight = 0;
    };

    static void onSubscription(pa_context* context, pa_subscription_event_type_t event,
                               std::uint32_t index, void* self);
    static void onServerInfo(pa_context* context, const pa_server_info* info, void* self);
    static void onSinkInfo(pa_context* context, const pa_sink_info* info, int eol, void* self);
    static void onSinkInputInfo(pa_context* context, const pa_sink_input_info* info, int eol,
                                void* self);
    static void onWriteDone(pa_context* context, int success, void* self);
    static void onStreamWriteDone(pa_context* context, int success, void* self);
    static void onDone(pa_context* context, int success, void* self);
    static void onRestoreInfo(pa_context* context, const pa_ext_stream_restore_info* info, int eol,
                              void* self);
    static void onRestoreChanged(pa_context* context, void* self);
    static void onRestoreWriteDone(pa_context* context, int success, void* self);

    // Subscribes and reads the server's state; false when a request could
    // not be sent.
    bool startSession();
    void contextStateChanged(pa_context_state_t state);
    void connectionLost();
    // Applies what was held while disconnected and reports both controls.
    void finishResync();
    // Writes the wave value to our streams, or to the stream-restore entry
    // while there is none; false when it has to wait for the next stream of
    // ours (no database, or a request that could not be sent).
    bool applyWave();
    bool writeRestoreEntry(std::uint32_t value);

    void serverInfo(const pa_server_info* info);
    void restoreInfo(const pa_ext_stream_restore_info* info);
    void sinkInfo(const pa_sink_info* info);
    void sinkInputInfo(const pa_sink_input_info* info);
    void subscription(pa_subscription_event_type_t event, std::uint32_t index);

    pa_context* context() const { return m_connection.context(); }
    bool ready() const { return m_connection.ready(); }
    bool track(pa_operation* operation) { return m_connection.track(operation); }
    // Counts the answer in and finishes a resynchronisation once none is pending.
    void operationDone();
    MixerResult setStreamVolume(std::uint32_t index, OwnStream& stream, std::uint32_t value);
    void notify(std::uint32_t controlId);

    std::string m_processId;
    NoticeHandler m_handler;
    // A session's state is being read again after a reconnection.
    bool m_resyncing = false;
    bool m_unsettledWrites = false;

    std::string m_defaultSinkName;
    bool m_haveSink = false;
    std::uint32_t m_sinkIndex = PA_INVALID_INDEX;
    std::uint8_t m_sinkChannels = 0;
    std::uint32_t m_masterValue = 0;
    bool m_masterMute = false;
    // Written while disconnected: applied once connected again.
    bool m_masterPending = false;

    // What the server gives a new stream of ours when it restores nothing.
    std::uint32_t m_waveValue = 65535;
    bool m_waveMute = false;
    // Set by the user and not yet at the server: written to the next stream
    // of ours (or the restore entry once connected again).
    bool m_wavePending = false;
    // The value in force was set by the user (not taken from the server): a
    // new stream that started at another one, made before the server had
    // the user's value, gets it.
    bool m_waveFromUser = false;

    // The server's stream-restore database and our entry in it.
    struct RestoreEntry {
        pa_channel_map channelMap {};
        std::string device;
        bool mute = false;
    };
    bool m_restoreAvailable = false;
    std::optional<RestoreEntry> m_restoreEntry;
    std::map<std::uint32_t, OwnStream> m_ownStreams;
    std::set<std::uint32_t> m_otherStreams;
    // Streams of the writes sent, in order; the server answers in order.
    std::deque<std::uint32_t> m_streamWrites;
    // Last: it goes first, before the state its callbacks touch.
    PulseConnection m_connection;
};
