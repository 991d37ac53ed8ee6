#pragma once
// A media back-end for tests that are not about playback. It keeps its state
// in a FakeMediaState shared with the test, which sets what opens and reads
// which commands arrived.

#include "mediabackend.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct FakeMediaState {
    // Set by the test.
    std::set<std::string> unopenable;   // paths whose open fails
    std::string openFailure = "Could not determine type of stream"; // their reason
    // A failure of the open file's stream, handed out by the next
    // takeStreamError() (set by the test while a song plays).
    std::optional<std::string> streamError;
    // The open song has reached its end: handed out once by the next
    // takeEnded() (set by the test while a song plays).
    bool ended = false;
    std::uint32_t songLength = 180000;
    bool lengthQueryFails = false;
    bool positionQueryFails = false;

    // Kept by the back-end.
    bool open = false;
    bool playing = false;
    std::string path;
    std::uint32_t position = 0;
    // Every command in order: "open PATH", "play", "pause", "resume",
    // "seek N", "close".
    std::vector<std::string> commands;
};

class FakeMediaBackend final : public MediaBackend {
public:
    explicit FakeMediaBackend(std::shared_ptr<FakeMediaState> state);

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
    std::shared_ptr<FakeMediaState> m_state;
    std::string m_openError;
};
