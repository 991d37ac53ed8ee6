#include "pulsemixerbackend.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>

#include <glib.h>
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
{
}

PulseMixerBackend::~PulseMixerBackend()
{
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
        // Disconnecting cancels every pending operation; their callbacks are
        // not called after this.
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
    }
    if (m_mainloop)
        pa_glib_mainloop_free(m_mainloop);
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
    m_mainloop = pa_glib_mainloop_new(nullptr);
    if (!m_mainloop)
        return {PA_ERR_INTERNAL, pa_strerror(PA_ERR_INTERNAL)};

    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Tunevault");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "tunevault");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_PROCESS_ID, m_processId.c_str());
    m_context = pa_context_new_with_proplist(pa_glib_mainloop_get_api(m_mainloop), "Tunevault", properties);
    pa_proplist_free(properties);
    if (!m_context)
        return {PA_ERR_INTERNAL, pa_strerror(PA_ERR_INTERNAL)};

    pa_context_set_state_callback(m_context, onContextState, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return failure();
    waitFor([this] { return pa_context_get_state(m_context) == PA_CONTEXT_READY; }, ConnectTimeoutMs);
    if (!ready()) {
        if (PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)))
            return {PA_ERR_TIMEOUT, pa_strerror(PA_ERR_TIMEOUT)};
        return failure();
    }

    // Subscribe first, then read the current state, so that no change falls
    // between the two.
    pa_context_set_subscribe_callback(m_context, onSubscription, this);
    const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SINK_INPUT |
                                                          PA_SUBSCRIPTION_MASK_SERVER);
    if (!track(pa_context_subscribe(m_context, mask, onDone, this)) ||
        !track(pa_context_get_server_info(m_context, onServerInfo, this)) ||
        !track(pa_context_get_sink_input_info_list(m_context, onSinkInputInfo, this)))
        return failure();
    // The server info asks for the default sink's info in turn.
    if (!waitFor([this] { return m_pendingOperations == 0; }, ConnectTimeoutMs)) {
        if (ready())
            return {PA_ERR_TIMEOUT, pa_strerror(PA_ERR_TIMEOUT)};
        return failure();
    }

    // Callbacks need GLib's main context to run. Under Qt's GLib event
    // dispatcher it runs anyway; otherwise pump it from a timer.
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher && !dispatcher->inherits("QEventDispatcherGlib")) {
        m_pump = std::make_unique<QTimer>();
        QObject::connect(m_pump.get(), &QTimer::timeout, [] {
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
        });
        m_pump->start(20);
    }
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
    if (!ready())
        return failure();
    if (value > MaxValue)
        value = MaxValue;
    if (controlId == MasterVolumeControl) {
        if (!m_haveSink)
            return {PA_ERR_NOENTITY, pa_strerror(PA_ERR_NOENTITY)};
        pa_cvolume volume;
        pa_cvolume_set(&volume, m_sinkChannels, toPulseVolume(value));
        if (!track(pa_context_set_sink_volume_by_index(m_context, m_sinkIndex, &volume, onWriteDone, this)))
            return failure();
        m_unsettledWrites = true;
        return MixerResult::ok();
    }
    if (controlId == WaveVolumeControl) {
        // Held for streams that appear later, and written to those there are.
        m_waveValue = value;
        for (auto& [index, stream] : m_ownStreams) {
            const MixerResult result = setStreamVolume(index, stream, value);
            if (result.failed())
                return result;
        }
        return MixerResult::ok();
    }
    return {PA_ERR_INVALID, pa_strerror(PA_ERR_INVALID)};
}

MixerResult PulseMixerBackend::setStreamVolume(std::uint32_t index, OwnStream& stream, std::uint32_t value)
{
    pa_cvolume volume;
    pa_cvolume_set(&volume, stream.channels, toPulseVolume(value));
    if (!track(pa_context_set_sink_input_volume(m_context, index, &volume, onStreamWriteDone, this)))
        return failure();
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
    waitFor([this] { return m_pendingOperations == 0; }, SettleTimeoutMs);
}

std::uintptr_t PulseMixerBackend::handle() const
{
    return reinterpret_cast<std::uintptr_t>(m_context);
}

std::set<std::uint32_t> PulseMixerBackend::ownStreams() const
{
    std::set<std::uint32_t> indexes;
    for (const auto& entry : m_ownStreams)
        indexes.insert(entry.first);
    return indexes;
}

bool PulseMixerBackend::ready() const
{
    return m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

bool PulseMixerBackend::track(pa_operation* operation)
{
    if (!operation)
        return false;
    pa_operation_unref(operation);
    ++m_pendingOperations;
    return true;
}

void PulseMixerBackend::operationDone()
{
    if (m_pendingOperations > 0)
        --m_pendingOperations;
}

bool PulseMixerBackend::waitFor(const std::function<bool()>& done, int timeoutMs)
{
    GMainContext* context = g_main_context_default();
    bool timedOut = false;
    GSource* timer = g_timeout_source_new(static_cast<guint>(timeoutMs));
    g_source_set_callback(
        timer,
        [](gpointer flag) -> gboolean {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &timedOut, nullptr);
    g_source_attach(timer, context);
    while (!done() && !timedOut && m_context && PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)))
        g_main_context_iteration(context, TRUE);
    g_source_destroy(timer);
    g_source_unref(timer);
    return done();
}

MixerResult PulseMixerBackend::failure() const
{
    const int code = m_context ? pa_context_errno(m_context) : PA_ERR_INTERNAL;
    const int known = code == PA_OK ? PA_ERR_CONNECTIONTERMINATED : code;
    return {known, pa_strerror(known)};
}

void PulseMixerBackend::notify(std::uint32_t controlId)
{
    if (m_handler)
        m_handler({handle(), controlId});
}

void PulseMixerBackend::onContextState(pa_context* context, void* self)
{
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
        // Nothing more will answer.
        backend(self)->m_pendingOperations = 0;
        backend(self)->m_streamWrites.clear();
    }
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

void PulseMixerBackend::onStreamWriteDone(pa_context* context, int, void* self)
{
    PulseMixerBackend* mixer = backend(self);
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

void PulseMixerBackend::subscription(pa_subscription_event_type_t event, std::uint32_t index)
{
    const unsigned facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const unsigned type = event & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    switch (facility) {
    case PA_SUBSCRIPTION_EVENT_SERVER:
        // The default sink may have changed.
        track(pa_context_get_server_info(m_context, onServerInfo, this));
        break;
    case PA_SUBSCRIPTION_EVENT_SINK:
        if (type != PA_SUBSCRIPTION_EVENT_REMOVE && m_haveSink && index == m_sinkIndex)
            track(pa_context_get_sink_info_by_index(m_context, index, onSinkInfo, this));
        break;
    case PA_SUBSCRIPTION_EVENT_SINK_INPUT:
        if (type == PA_SUBSCRIPTION_EVENT_REMOVE) {
            m_ownStreams.erase(index);
            m_otherStreams.erase(index);
        } else if (!m_otherStreams.count(index)) {
            track(pa_context_get_sink_input_info(m_context, index, onSinkInputInfo, this));
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
        track(pa_context_get_sink_info_by_name(m_context, name.c_str(), onSinkInfo, this));
}

void PulseMixerBackend::sinkInfo(const pa_sink_info* info)
{
    if (!info->name || m_defaultSinkName != info->name)
        return;
    const bool sinkChanged = !m_haveSink || m_sinkIndex != info->index;
    const std::uint32_t value = fromPulseVolume(pa_cvolume_max(&info->volume));
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
        // A new stream of ours: it gets the held wave volume.
        OwnStream& stream = m_ownStreams[info->index];
        stream.channels = info->volume.channels ? info->volume.channels : 1;
        if (value != m_waveValue)
            setStreamVolume(info->index, stream, m_waveValue);
        return;
    }
    found->second.channels = info->volume.channels ? info->volume.channels : 1;
    if (found->second.writesInFlight > 0)
        return;
    if (value != m_waveValue) {
        m_waveValue = value;
        notify(WaveVolumeControl);
    }
    if (mute != m_waveMute) {
        m_waveMute = mute;
        notify(WaveMuteControl);
    }
}
