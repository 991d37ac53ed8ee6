#pragma once
// The audio back-end under the media player: one file at a time, opened by
// path, played asynchronously, paused, resumed, sought and closed. Times are
// milliseconds. All calls come from the user-interface thread.

#include <cstdint>
#include <optional>
#include <string>

class MediaBackend {
public:
    virtual ~MediaBackend() = default;

    // Opens the file and readies it, stopped at the start. False when the
    // file cannot be opened or decoded; nothing stays open then, and
    // openError() tells why.
    virtual bool open(const std::string& path) = 0;
    // Why the last open() failed, in words for the user; empty after one
    // that worked.
    virtual std::string openError() const = 0;
    // A failure that ended the open file's playback after it had opened (a
    // stream that cannot be decoded further, an output that went away): its
    // reason, handed out once; nullopt while the file plays or has simply
    // reached its end.
    virtual std::optional<std::string> takeStreamError() = 0;
    // Whether the open file has played to its end since the last call:
    // true once for each time it reaches the end; a seek or another open
    // forgets an end not yet handed out.
    virtual bool takeEnded() = 0;
    // Starts playing from the current position and returns at once.
    virtual void play() = 0;
    // Pause and resume wait until the output has changed state.
    virtual void pause() = 0;
    virtual void resume() = 0;
    // Moves to the position and leaves playback stopped there until the next
    // play(). A target outside 0..length is refused: false, nothing changes.
    virtual bool seek(std::int64_t positionMs) = 0;
    // Length and position of the open file; nullopt when the query fails.
    virtual std::optional<std::uint32_t> length() = 0;
    virtual std::optional<std::uint32_t> position() = 0;
    // Stops and releases the file and every resource held for it.
    virtual void close() = 0;
};
