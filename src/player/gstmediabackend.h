#pragma once
// The media back-end on GStreamer's playbin. Opening prerolls the pipeline to
// PAUSED with a bounded wait and fails on an error, a time-out, a file
// without an audio stream or when no sound output can be opened (the sound
// server's sink, then ALSA; never a silent fallback); a seek is flushing and accurate and leaves the
// pipeline paused at the target. Closing takes the pipeline to NULL and frees
// it, which closes the file. Every call is made on one thread; only errors,
// the end of the stream and state-change completions are kept on the bus, so
// it cannot grow.
//
// A file that is missing, unreadable or not a regular file is refused before
// the pipeline is built, with the system's reason; one that GStreamer cannot
// play gives GStreamer's own message. An error of the stream after the open
// is kept until takeStreamError() hands it out, and the end of the stream
// until takeEnded() does.
//
// A file without a length header (a plain CBR file, say) has no duration
// until the parser has seen a second or so of frames; until then the length
// is estimated from the stream's size and the bit rate of the frames parsed,
// so that the gauge and seeking work from the start.

#include "mediabackend.h"

#include <gst/gst.h>

#include <optional>
#include <string>

class GstMediaBackend final : public MediaBackend {
public:
    // Longest wait for a file to preroll, and for pause, resume or a seek.
    static constexpr GstClockTime OpenTimeout = 5 * GST_SECOND;
    static constexpr GstClockTime StateTimeout = 2 * GST_SECOND;

    GstMediaBackend();
    ~GstMediaBackend() override;

    GstMediaBackend(const GstMediaBackend&) = delete;
    GstMediaBackend& operator=(const GstMediaBackend&) = delete;

    bool open(const std::string& path) override;
    std::string openError() const override;
    std::optional<std::string> takeStreamError() override;
    bool takeEnded() override;
    void play() override;
    void pause() override;
    void resume() override;
    bool seek(std::int64_t positionMs) override;
    std::optional<std::uint32_t> length() override;
    std::optional<std::uint32_t> position() override;
    void close() override;

private:
    // Waits for the pending asynchronous state change; false on an error
    // message or when the time runs out, with the reason in `error`.
    bool waitForAsyncDone(GstClockTime timeout, std::string& error);
    // Drops what the bus holds, keeping the first error as the stream's and
    // noting the end of the stream.
    void drainBus();
    // Fails the open under way: closes what it made and keeps the reason.
    bool failOpen(std::string reason);
    // The parser of the audio stream, for a length estimate when the
    // pipeline cannot tell the duration yet.
    void findParser();
    std::optional<std::uint32_t> estimatedLength();

    bool m_initialised = false;
    GstElement* m_pipeline = nullptr;
    GstBus* m_bus = nullptr;
    GstElement* m_parser = nullptr;
    std::string m_openError;
    std::optional<std::string> m_streamError;
    bool m_ended = false;
};
