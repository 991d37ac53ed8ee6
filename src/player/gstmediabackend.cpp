#include "gstmediabackend.h"

#include "soundidentity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <utility>
#include <system_error>

namespace {

// playbin's "flags": audio only, with software volume as a fallback. No
// video or subtitles, so a cover picture never opens a window.
constexpr guint PlayFlagAudio = 1u << 1;
constexpr guint PlayFlagSoftVolume = 1u << 4;

// Keeps only what the back-end waits for or reports (errors, the end of the
// stream, state-change completions); everything else (tags, state changes of
// every element, stream starts) is dropped at once instead of piling up on a
// bus that nobody watches between calls.
GstBusSyncReply keepWaitedMessages(GstBus*, GstMessage* message, gpointer)
{
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
    case GST_MESSAGE_EOS:
    case GST_MESSAGE_ASYNC_DONE:
        return GST_BUS_PASS;
    default:
        gst_message_unref(message);
        return GST_BUS_DROP;
    }
}

// The sound output: the first sink that opens its device. The sound server's
// sink comes first, then ALSA. None of them falls back to a silent sink, so a
// song without an output fails to open instead of running unheard.
GstElement* openAudioSink()
{
    for (const char* factory : {"pulsesink", "alsasink"}) {
        GstElement* sink = gst_element_factory_make(factory, nullptr);
        if (!sink)
            continue;
        gst_object_ref_sink(sink);
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "stream-properties")) {
            // The server knows our stream by the application id, and
            // restores the program's volume for it before the first sample.
            GstStructure* properties =
                gst_structure_new("properties", "application.id", G_TYPE_STRING, sound_identity::ApplicationId,
                                  "application.name", G_TYPE_STRING, sound_identity::ApplicationName, nullptr);
            g_object_set(sink, "stream-properties", properties, nullptr);
            gst_structure_free(properties);
        }
        // Reaching READY opens the device (or connects to the server).
        if (gst_element_set_state(sink, GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS) {
            gst_element_set_state(sink, GST_STATE_NULL);
            return sink;
        }
        gst_element_set_state(sink, GST_STATE_NULL);
        gst_object_unref(sink);
    }
    return nullptr;
}

// A reason as the user reads it: no trailing blanks, line breaks or full
// stops (the message around it adds its own).
std::string reasonText(std::string text)
{
    while (!text.empty() && (text.back() == '.' || static_cast<unsigned char>(text.back()) <= ' '))
        text.pop_back();
    return text;
}

std::string systemReason(int code)
{
    return reasonText(std::system_category().message(code));
}

// The text of an error message of the bus.
std::string errorOf(GstMessage* message)
{
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    std::string text = error && error->message ? error->message : "";
    if (error)
        g_error_free(error);
    text = reasonText(std::move(text));
    return text.empty() ? std::string("The file cannot be played") : text;
}

// Why a file cannot even be handed to the pipeline: missing, unreadable or
// not a regular file (a folder or a FIFO named like a song). Empty when it
// can. Opened without blocking, so that a FIFO never hangs the player.
std::string unreadableReason(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return systemReason(errno);
    struct stat st {};
    std::string reason;
    if (fstat(fd, &st) != 0)
        reason = systemReason(errno);
    else if (!S_ISREG(st.st_mode))
        reason = S_ISDIR(st.st_mode) ? "It is a folder, not a file" : "It is not a regular file";
    ::close(fd);
    return reason;
}

std::optional<std::uint32_t> toMilliseconds(gint64 nanoseconds)
{
    if (nanoseconds < 0)
        return std::nullopt;
    const gint64 ms = nanoseconds / static_cast<gint64>(GST_MSECOND);
    if (ms > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(ms);
}

} // namespace

GstMediaBackend::GstMediaBackend()
{
    m_initialised = gst_init_check(nullptr, nullptr, nullptr);
}

GstMediaBackend::~GstMediaBackend()
{
    close();
}

bool GstMediaBackend::open(const std::string& path)
{
    close();
    m_openError.clear();
    m_streamError.reset();
    m_ended = false;
    if (!m_initialised)
        return failOpen("GStreamer could not be started");
    if (path.empty())
        return failOpen("No file was named");
    if (std::string reason = unreadableReason(path); !reason.empty())
        return failOpen(std::move(reason));

    // The path is taken as bytes: a name that is not valid UTF-8 is escaped
    // into the URI, not converted.
    gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
    if (!uri)
        return failOpen("The file name cannot be made into an address for GStreamer");
    GstElement* sink = openAudioSink();
    if (!sink) {
        g_free(uri);
        return failOpen("No sound output could be opened");
    }
    GstElement* pipeline = gst_element_factory_make("playbin", nullptr);
    if (!pipeline) {
        gst_object_unref(sink);
        g_free(uri);
        return failOpen("The GStreamer player element (playbin) is missing");
    }
    m_pipeline = GST_ELEMENT(gst_object_ref_sink(pipeline));
    g_object_set(m_pipeline, "uri", uri, "flags", PlayFlagAudio | PlayFlagSoftVolume, "audio-sink", sink, nullptr);
    gst_object_unref(sink);
    g_free(uri);

    m_bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(m_bus, keepWaitedMessages, nullptr, nullptr);

    const GstStateChangeReturn change = gst_element_set_state(m_pipeline, GST_STATE_PAUSED);
    std::string error;
    if (change == GST_STATE_CHANGE_ASYNC) {
        if (!waitForAsyncDone(OpenTimeout, error))
            return failOpen(error);
    } else if (change == GST_STATE_CHANGE_FAILURE) {
        // The element that failed has posted why.
        GstMessage* message = gst_bus_pop_filtered(m_bus, GST_MESSAGE_ERROR);
        error = message ? errorOf(message) : std::string("The file cannot be played");
        if (message)
            gst_message_unref(message);
        return failOpen(error);
    }

    gint audioStreams = 0;
    g_object_get(m_pipeline, "n-audio", &audioStreams, nullptr);
    if (audioStreams <= 0)
        return failOpen("The file holds no audio stream");
    findParser();
    return true;
}

bool GstMediaBackend::failOpen(std::string reason)
{
    close();
    m_openError = std::move(reason);
    return false;
}

std::string GstMediaBackend::openError() const
{
    return m_openError;
}

std::optional<std::string> GstMediaBackend::takeStreamError()
{
    if (!m_pipeline)
        return std::nullopt;
    drainBus();
    return std::exchange(m_streamError, std::nullopt);
}

bool GstMediaBackend::takeEnded()
{
    if (!m_pipeline)
        return false;
    drainBus();
    return std::exchange(m_ended, false);
}

void GstMediaBackend::play()
{
    if (!m_pipeline)
        return;
    drainBus();
    gst_element_set_state(m_pipeline, GST_STATE_PLAYING);
}

void GstMediaBackend::pause()
{
    if (!m_pipeline)
        return;
    drainBus();
    gst_element_set_state(m_pipeline, GST_STATE_PAUSED);
    gst_element_get_state(m_pipeline, nullptr, nullptr, StateTimeout);
}

void GstMediaBackend::resume()
{
    if (!m_pipeline)
        return;
    drainBus();
    gst_element_set_state(m_pipeline, GST_STATE_PLAYING);
    gst_element_get_state(m_pipeline, nullptr, nullptr, StateTimeout);
}

bool GstMediaBackend::seek(std::int64_t positionMs)
{
    if (!m_pipeline)
        return false;
    const std::optional<std::uint32_t> songLength = length();
    if (!songLength || positionMs < 0 || positionMs > static_cast<std::int64_t>(*songLength))
        return false;

    drainBus();
    gst_element_set_state(m_pipeline, GST_STATE_PAUSED);
    gst_element_get_state(m_pipeline, nullptr, nullptr, StateTimeout);
    const gint64 target = positionMs * static_cast<gint64>(GST_MSECOND);
    if (!gst_element_seek_simple(m_pipeline, GST_FORMAT_TIME,
                                 static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                 target))
        return false;
    // An end reached before the seek is over: the song plays on from here.
    m_ended = false;
    // The flushing seek prerolls again at the target; wait for that.
    return gst_element_get_state(m_pipeline, nullptr, nullptr, StateTimeout) == GST_STATE_CHANGE_SUCCESS;
}

std::optional<std::uint32_t> GstMediaBackend::length()
{
    gint64 duration = -1;
    if (!m_pipeline)
        return std::nullopt;
    if (gst_element_query_duration(m_pipeline, GST_FORMAT_TIME, &duration) && duration >= 0)
        return toMilliseconds(duration);
    return estimatedLength();
}

void GstMediaBackend::findParser()
{
    GstIterator* elements = gst_bin_iterate_recurse(GST_BIN(m_pipeline));
    GValue item = G_VALUE_INIT;
    bool done = false;
    while (!done && !m_parser) {
        switch (gst_iterator_next(elements, &item)) {
        case GST_ITERATOR_OK: {
            GstElement* element = GST_ELEMENT(g_value_get_object(&item));
            GstElementFactory* factory = gst_element_get_factory(element);
            const gchar* klass =
                factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
            if (klass && g_strrstr(klass, "Parser") && g_strrstr(klass, "Audio"))
                m_parser = GST_ELEMENT(gst_object_ref(element));
            g_value_reset(&item);
            break;
        }
        case GST_ITERATOR_RESYNC:
            gst_iterator_resync(elements);
            break;
        default:
            done = true;
            break;
        }
    }
    g_value_unset(&item);
    gst_iterator_free(elements);
}

std::optional<std::uint32_t> GstMediaBackend::estimatedLength()
{
    if (!m_parser)
        return std::nullopt;
    std::optional<std::uint32_t> result;
    GstPad* sink = gst_element_get_static_pad(m_parser, "sink");
    GstPad* source = gst_element_get_static_pad(m_parser, "src");
    gint64 bytes = -1;
    gint64 duration = -1;
    if (sink && source && gst_pad_peer_query_duration(sink, GST_FORMAT_BYTES, &bytes) && bytes > 0 &&
        gst_pad_query_convert(source, GST_FORMAT_BYTES, bytes, GST_FORMAT_TIME, &duration))
        result = toMilliseconds(duration);
    if (sink)
        gst_object_unref(sink);
    if (source)
        gst_object_unref(source);
    return result;
}

std::optional<std::uint32_t> GstMediaBackend::position()
{
    gint64 current = -1;
    if (!m_pipeline || !gst_element_query_position(m_pipeline, GST_FORMAT_TIME, &current))
        return std::nullopt;
    return toMilliseconds(current);
}

void GstMediaBackend::close()
{
    if (!m_pipeline)
        return;
    // Going to NULL stops the streaming threads, closes the file and the
    // sound server's stream; it completes before returning.
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    if (m_bus) {
        gst_bus_set_flushing(m_bus, TRUE);
        gst_object_unref(m_bus);
        m_bus = nullptr;
    }
    if (m_parser) {
        gst_object_unref(m_parser);
        m_parser = nullptr;
    }
    gst_object_unref(m_pipeline);
    m_pipeline = nullptr;
}

bool GstMediaBackend::waitForAsyncDone(GstClockTime timeout, std::string& error)
{
    const GstClockTime deadline = gst_util_get_timestamp() + timeout;
    for (;;) {
        const GstClockTime now = gst_util_get_timestamp();
        GstMessage* message =
            now >= deadline ? nullptr
                            : gst_bus_timed_pop_filtered(m_bus, deadline - now,
                                                         static_cast<GstMessageType>(GST_MESSAGE_ERROR
                                                                                     | GST_MESSAGE_ASYNC_DONE));
        if (!message) {
            error = "The file was not ready to play within "
                    + std::to_string(timeout / GST_SECOND) + " seconds";
            return false;
        }
        const GstMessageType type = GST_MESSAGE_TYPE(message);
        if (type == GST_MESSAGE_ERROR)
            error = errorOf(message);
        gst_message_unref(message);
        if (type == GST_MESSAGE_ERROR)
            return false;
        if (type == GST_MESSAGE_ASYNC_DONE)
            return true;
    }
}

void GstMediaBackend::drainBus()
{
    if (!m_bus)
        return;
    while (GstMessage* message = gst_bus_pop(m_bus)) {
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR && !m_streamError)
            m_streamError = errorOf(message);
        else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS)
            m_ended = true;
        gst_message_unref(message);
    }
}
