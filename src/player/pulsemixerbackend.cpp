#include "pulsemixerbackend.h"

#include "soundidentity.h"

#include <pulse/error.h>
#include <pulse/proplist.h>

#include <unistd.h>

namespace {

constexpr std::uint32_t MaxValue = 65535;

PulseMixerBackend* backend(void* self)
{
    return static_cast<PulseMixerBackend*>(self);
}

} // namespace

PulseMixerBackend::PulseMixerBackend()
    : m_processId(std::to_string(::getpid()))
    , m_connection(
          m_processId, [this](pa_context_state_t state) { contextStateChanged(state); },
          [this] {
              m_streamWrites.clear();
              m_resyncing = true;
          })
{
}

PulseMixerBackend::~PulseMixerBackend() = default;

bool PulseMixerBackend::startSession()
{
    // Subscribe first, then read the current state, so that no change falls
    // between the two. The server info asks for the default sink's info in turn.
    pa_context_set_subscribe_callback(context(), onSubscription, this);
    pa_ext_stream_restore_set_subscribe_cb(context(), onRestoreChanged, this);
    const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SINK_INPUT |
                                                          PA_SUBSCRIPTION_MASK_SERVER);
    return track(pa_context_subscribe(context(), mask, onDone, this)) &&
           track(pa_ext_stream_restore_subscribe(context(), 1, onDone, this)) &&
           track(pa_ext_stream_restore_read(context(), onRestoreInfo, this)) &&
           track(pa_context_get_server_info(context(), onServerInfo, this)) &&
           track(pa_context_get_sink_input_info_list(context(), onSinkInputInfo, this));
}

void PulseMixerBackend::connectionLost()
{
    // The server is gone with our streams; what was known of it no longer holds.
    m_haveSink = false;
    m_defaultSinkName.clear();
    m_ownStreams.clear();
    m_otherStreams.clear();
    m_restoreAvailable = false;
    m_restoreEntry.reset();
    m_connection.reconnectEvery(ReconnectIntervalMs);
}

void PulseMixerBackend::finishResync()
{
    m_resyncing = false;
    if (m_masterPending && m_haveSink) {
        m_masterPending = false;
        writeValue(MasterVolumeControl, m_masterValue);
    }
    if (m_wavePending)
        m_wavePending = !applyWave();
    notify(MasterVolumeControl);
    notify(WaveVolumeControl);
}

pa_volume_t PulseMixerBackend::toPulseVolume(std::uint32_t value)
{
    if (value > MaxValue)
        value = MaxValue;
    return static_cast<pa_volume_t>((static_cast<std::uint64_t>(value) * PA_VOLUME_NORM + MaxValue / 2) /
                                    MaxValue);
}

std::uint32_t PulseMixerBackend::fromPulseVolume(pa_volume_t volume)
{
    if (volume >= PA_VOLUME_NORM)
        return MaxValue;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(volume) * MaxValue + PA_VOLUME_NORM / 2) /
                                      PA_VOLUME_NORM);
}

MixerResult PulseMixerBackend::open(NoticeHandler handler)
{
    if (!m_connection.connect())
        return m_connection.failure();
    m_connection.waitFor([this] { return ready(); }, ConnectTimeoutMs);
    if (!ready()) {
        if (PA_CONTEXT_IS_GOOD(pa_context_get_state(context())))
            return {PA_ERR_TIMEOUT, pa_strerror(PA_ERR_TIMEOUT)};
        return m_connection.failure();
    }
    if (!startSession())
        return m_connection.failure();
    if (!m_connection.waitFor([this] { return m_connection.pendingOperations() == 0; }, ConnectTimeoutMs)) {
        if (ready())
            return {PA_ERR_TIMEOUT, pa_strerror(PA_ERR_TIMEOUT)};
        return m_connection.failure();
    }

    // Callbacks need GLib's main context to run.
    m_connection.pumpWithoutGlibDispatcher();
    // Notices start now: what was read so far is the starting state.
    m_handler = std::move(handler);
    return MixerResult::ok();
}

MixerResult PulseMixerBackend::masterLine(std::uint32_t& line)
{
    if (!m_haveSink)
        return {PA_ERR_NOENTITY, pa_strerror(PA_ERR_NOENTITY)};
    line = SpeakersLine;
    return MixerResult::ok();
}

MixerResult PulseMixerBackend::waveLine(std::uint32_t destination, std::uint32_t& line)
{
    if (destination != SpeakersLine)
        return {PA_ERR_NOENTITY, pa_strerror(PA_ERR_NOENTITY)};
    line = WaveLine;
    return MixerResult::ok();
}

MixerResult PulseMixerBackend::volumeControl(std::uint32_t line, std::uint32_t& controlId)
{
    if (line == SpeakersLine)
        controlId = MasterVolumeControl;
    else if (line == WaveLine)
        controlId = WaveVolumeControl;
    else
        return {PA_ERR_INVALID, pa_strerror(PA_ERR_INVALID)};
    return MixerResult::ok();
}

MixerResult PulseMixerBackend::readValue(std::uint32_t controlId, std::uint32_t& value)
{
    switch (controlId) {
    case MasterVolumeControl:
        if (!m_haveSink)
            return {PA_ERR_NOENTITY, pa_strerror(PA_ERR_NOENTITY)};
        value = m_masterValue;
        return MixerResult::ok();
    case WaveVolumeControl:
        value = m_waveValue;
        return MixerResult::ok();
    case MasterMuteControl:
        value = m_masterMute ? 1 : 0;
        return MixerResult::ok();
    case WaveMuteControl:
        value = m_waveMute ? 1 : 0;
        return MixerResult::ok();
    default:
        return {PA_ERR_INVALID, pa_strerror(PA_ERR_INVALID)};
    }
}

MixerResult PulseMixerBackend::writeValue(std::uint32_t controlId, std::uint32_t value)
{
    if (value > MaxValue)
        value = MaxValue;
    // Without a server (it went away and is being waited for) a value is
    // held and applied once connected again; nothing is reported.
    const bool connected = ready() && !m_resyncing;
    if (controlId == MasterVolumeControl) {
        if (connected && !m_haveSink)
            return {PA_ERR_NOENTITY, pa_strerror(PA_ERR_NOENTITY)};
        pa_cvolume volume;
        pa_cvolume_set(&volume, m_sinkChannels, toPulseVolume(value));
        if (connected && track(pa_context_set_sink_volume_by_index(context(), m_sinkIndex, &volume, onWriteDone, this))) {
            // The server's answer is read back and reported as a notice.
            m_unsettledWrites = true;
        } else {
            m_masterValue = value;
            m_masterPending = true;
        }
        return MixerResult::ok();
    }
    if (controlId == WaveVolumeControl) {
        m_waveValue = value;
        m_waveFromUser = true;
        m_wavePending = !connected || !applyWave();
        return MixerResult::ok();
    }
    return {PA_ERR_INVALID, pa_strerror(PA_ERR_INVALID)};
}

bool PulseMixerBackend::applyWave()
{
    // The restore entry is written too: a stream of ours that is just
    // closing takes the value with it, the next one starts at it.
    if (m_restoreAvailable && !writeRestoreEntry(m_waveValue))
        return false;
    for (auto& [index, stream] : m_ownStreams) {
        if (setStreamVolume(index, stream, m_waveValue).failed())
            return false;
    }
    // Without the database and without a stream, the value waits for the
    // next stream of ours.
    return m_restoreAvailable || !m_ownStreams.empty();
}

bool PulseMixerBackend::writeRestoreEntry(std::uint32_t value)
{
    // The entry as the server keeps it, with the new volume: its device and
    // mute stay.
    RestoreEntry entry = m_restoreEntry.value_or(RestoreEntry{});
    if (!pa_channel_map_valid(&entry.channelMap))
        pa_channel_map_init_stereo(&entry.channelMap);
    pa_ext_stream_restore_info info {};
    info.name = sound_identity::StreamRestoreKey;
    info.channel_map = entry.channelMap;
    pa_cvolume_set(&info.volume, entry.channelMap.channels, toPulseVolume(value));
    info.device = entry.device.empty() ? nullptr : entry.device.c_str();
    info.mute = entry.mute ? 1 : 0;
    if (!track(pa_ext_stream_restore_write(context(), PA_UPDATE_REPLACE, &info, 1, 0, onRestoreWriteDone, this)))
        return false;
    m_restoreEntry = entry;
    m_unsettledWrites = true;
    return true;
}

MixerResult PulseMixerBackend::setStreamVolume(std::uint32_t index, OwnStream& stream, std::uint32_t value)
{
    pa_cvolume volume;
    pa_cvolume_set(&volume, stream.channels, toPulseVolume(value));
    if (!track(pa_context_set_sink_input_volume(context(), index, &volume, onStreamWriteDone, this)))
        return m_connection.failure();
    ++stream.writesInFlight;
    m_streamWrites.push_back(index);
    m_unsettledWrites = true;
    return MixerResult::ok();
}

void PulseMixerBackend::settle()
{
    if (!m_unsettledWrites)
        return;
    m_unsettledWrites = false;
    // Each finished write is followed by a read of what it changed, and
    // every read is counted, so nothing pending means the notices of the
    // writes have been handed on.
    m_connection.waitFor([this] { return m_connection.pendingOperations() == 0; }, SettleTimeoutMs);
}

std::uintptr_t PulseMixerBackend::handle() const
{
    return reinterpret_cast<std::uintptr_t>(context());
}

bool PulseMixerBackend::isConnected() const
{
    return ready() && !m_resyncing;
}

std::set<std::uint32_t> PulseMixerBackend::ownStreams() const
{
    std::set<std::uint32_t> indexes;
    for (const auto& entry : m_ownStreams)
        indexes.insert(entry.first);
    return indexes;
}

void PulseMixerBackend::operationDone()
{
    m_connection.operationDone();
    if (m_resyncing && m_connection.pendingOperations() == 0 && ready())
        finishResync();
}

void PulseMixerBackend::notify(std::uint32_t controlId)
{
    if (m_handler)
        m_handler({handle(), controlId});
}

void PulseMixerBackend::contextStateChanged(pa_context_state_t state)
{
    if (state == PA_CONTEXT_READY && m_resyncing) {
        // Connected again: read the server's state; finishResync follows
        // once every read has answered.
        if (!startSession())
            connectionLost();
        return;
    }
    if (PA_CONTEXT_IS_GOOD(state))
        return;
    // Nothing more will answer.
    m_streamWrites.clear();
    // Once open, a lost server is waited for; the context is replaced from
    // the timer, never inside its own callback.
    if (m_handler)
        connectionLost();
}

void PulseMixerBackend::onSubscription(pa_context*, pa_subscription_event_type_t event, std::uint32_t index,
                                       void* self)
{
    backend(self)->subscription(event, index);
}

void PulseMixerBackend::onServerInfo(pa_context*, const pa_server_info* info, void* self)
{
    backend(self)->serverInfo(info);
    backend(self)->operationDone();
}

void PulseMixerBackend::onSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* self)
{
    if (info)
        backend(self)->sinkInfo(info);
    if (eol)
        backend(self)->operationDone();
}

void PulseMixerBackend::onSinkInputInfo(pa_context*, const pa_sink_input_info* info, int eol, void* self)
{
    if (info)
        backend(self)->sinkInputInfo(info);
    if (eol)
        backend(self)->operationDone();
}

void PulseMixerBackend::onWriteDone(pa_context* context, int, void* self)
{
    PulseMixerBackend* mixer = backend(self);
    // Read the sink again once the write is through: its notice comes from
    // this read, at once, rather than from the change event, which the
    // server may send a little later; that event's read then finds the value
    // known and reports nothing.
    if (mixer->m_haveSink)
        mixer->track(pa_context_get_sink_info_by_index(context, mixer->m_sinkIndex, onSinkInfo, self));
    mixer->operationDone();
}

void PulseMixerBackend::onStreamWriteDone(pa_context* context, int success, void* self)
{
    PulseMixerBackend* mixer = backend(self);
    // The stream went away meanwhile: without the database, the next one
    // gets the value.
    if (!success && !mixer->m_restoreAvailable)
        mixer->m_wavePending = true;
    if (!mixer->m_streamWrites.empty()) {
        const std::uint32_t index = mixer->m_streamWrites.front();
        mixer->m_streamWrites.pop_front();
        const auto found = mixer->m_ownStreams.find(index);
        // Read the stream again once our last write is through: this is the
        // round trip behind the write, and tells a later change by another
        // program.
        if (found != mixer->m_ownStreams.end() && --found->second.writesInFlight == 0)
            mixer->track(pa_context_get_sink_input_info(context, index, onSinkInputInfo, self));
    }
    mixer->operationDone();
}

void PulseMixerBackend::onDone(pa_context*, int, void* self)
{
    backend(self)->operationDone();
}

void PulseMixerBackend::onRestoreInfo(pa_context*, const pa_ext_stream_restore_info* info, int eol, void* self)
{
    PulseMixerBackend* mixer = backend(self);
    if (info)
        mixer->restoreInfo(info);
    if (eol != 0) {
        // A server without the stream-restore database answers with an error.
        mixer->m_restoreAvailable = eol > 0;
        mixer->operationDone();
    }
}

void PulseMixerBackend::onRestoreChanged(pa_context* context, void* self)
{
    backend(self)->track(pa_ext_stream_restore_read(context, onRestoreInfo, self));
}

void PulseMixerBackend::onRestoreWriteDone(pa_context*, int success, void* self)
{
    PulseMixerBackend* mixer = backend(self);
    // Refused: the value goes to the next stream of ours instead.
    if (!success)
        mixer->m_wavePending = true;
    mixer->operationDone();
}

void PulseMixerBackend::subscription(pa_subscription_event_type_t event, std::uint32_t index)
{
    const unsigned facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const unsigned type = event & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    switch (facility) {
    case PA_SUBSCRIPTION_EVENT_SERVER:
        // The default sink may have changed.
        track(pa_context_get_server_info(context(), onServerInfo, this));
        break;
    case PA_SUBSCRIPTION_EVENT_SINK:
        if (type != PA_SUBSCRIPTION_EVENT_REMOVE && m_haveSink && index == m_sinkIndex)
            track(pa_context_get_sink_info_by_index(context(), index, onSinkInfo, this));
        break;
    case PA_SUBSCRIPTION_EVENT_SINK_INPUT:
        if (type == PA_SUBSCRIPTION_EVENT_REMOVE) {
            m_ownStreams.erase(index);
            m_otherStreams.erase(index);
        } else if (!m_otherStreams.count(index)) {
            track(pa_context_get_sink_input_info(context(), index, onSinkInputInfo, this));
        }
        break;
    default:
        break;
    }
}

void PulseMixerBackend::serverInfo(const pa_server_info* info)
{
    if (!info)
        return;
    const std::string name = info->default_sink_name ? info->default_sink_name : "";
    if (name == m_defaultSinkName && m_haveSink)
        return;
    m_defaultSinkName = name;
    m_haveSink = false;
    if (!name.empty())
        track(pa_context_get_sink_info_by_name(context(), name.c_str(), onSinkInfo, this));
}

void PulseMixerBackend::restoreInfo(const pa_ext_stream_restore_info* info)
{
    if (!info->name || std::string(info->name) != sound_identity::StreamRestoreKey)
        return;
    RestoreEntry entry;
    entry.channelMap = info->channel_map;
    entry.device = info->device ? info->device : "";
    entry.mute = info->mute != 0;
    m_restoreEntry = entry;
    // While streams of ours play, they tell the wave volume; a value the
    // user set is not overridden by an older one.
    if (info->volume.channels == 0 || !m_ownStreams.empty() || m_wavePending)
        return;
    const std::uint32_t value = fromPulseVolume(pa_cvolume_max(&info->volume));
    if (value != m_waveValue) {
        m_waveValue = value;
        m_waveFromUser = false;
        notify(WaveVolumeControl);
    }
}

void PulseMixerBackend::sinkInfo(const pa_sink_info* info)
{
    if (!info->name || m_defaultSinkName != info->name)
        return;
    const bool sinkChanged = !m_haveSink || m_sinkIndex != info->index;
    // A value written while disconnected wins over what the server had.
    const std::uint32_t value =
        m_masterPending ? m_masterValue : fromPulseVolume(pa_cvolume_max(&info->volume));
    const bool mute = info->mute != 0;
    const bool valueChanged = value != m_masterValue;
    const bool muteChanged = mute != m_masterMute;
    m_haveSink = true;
    m_sinkIndex = info->index;
    m_sinkChannels = info->volume.channels ? info->volume.channels : 1;
    m_masterValue = value;
    m_masterMute = mute;
    if (sinkChanged || valueChanged)
        notify(MasterVolumeControl);
    if (muteChanged)
        notify(MasterMuteControl);
}

void PulseMixerBackend::sinkInputInfo(const pa_sink_input_info* info)
{
    const char* processId = pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
    if (!processId || m_processId != processId || !info->has_volume) {
        m_otherStreams.insert(info->index);
        return;
    }
    const std::uint32_t value = fromPulseVolume(pa_cvolume_max(&info->volume));
    const bool mute = info->mute != 0;
    auto found = m_ownStreams.find(info->index);
    if (found == m_ownStreams.end()) {
        OwnStream& stream = m_ownStreams[info->index];
        stream.channels = info->volume.channels ? info->volume.channels : 1;
        if (m_wavePending || m_waveFromUser) {
            // The user's value, which the server could not restore or did
            // not have yet when it made the stream: the stream gets it now.
            m_wavePending = false;
            if (value != m_waveValue)
                setStreamVolume(info->index, stream, m_waveValue);
        } else if (value != m_waveValue) {
            // The stream started at the volume the server gave it.
            m_waveValue = value;
            notify(WaveVolumeControl);
        }
        return;
    }
    found->second.channels = info->volume.channels ? info->volume.channels : 1;
    if (found->second.writesInFlight > 0)
        return;
    if (value != m_waveValue) {
        m_waveValue = value;
        m_waveFromUser = false;
        notify(WaveVolumeControl);
    }
    if (mute != m_waveMute) {
        m_waveMute = mute;
        notify(WaveMuteControl);
    }
}
