#pragma once
// The sound mixer under the volume control: a speakers destination (master
// volume) and the wave source that feeds it (this program's own playback),
// each with a volume control identified by a number. Volumes are 0..65535.
// Change notices are handed to the callback given to open(), on the
// user-interface thread.

#include <cstdint>
#include <functional>
#include <string>

// One change notice: which mixer sent it and which control changed.
struct MixerNotice {
    std::uintptr_t mixer = 0;
    std::uint32_t controlId = 0;
};

// The outcome of a mixer call: code 0 is success; otherwise text says why.
struct MixerResult {
    int code = 0;
    std::string text;

    static MixerResult ok() { return {}; }
    bool failed() const { return code != 0; }
};

class MixerBackend {
public:
    using NoticeHandler = std::function<void(const MixerNotice&)>;

    virtual ~MixerBackend() = default;

    // Connects to the mixer; notices go to the handler from now on.
    virtual MixerResult open(NoticeHandler handler) = 0;
    // The speakers destination line.
    virtual MixerResult masterLine(std::uint32_t& line) = 0;
    // The wave-output source line that feeds the destination.
    virtual MixerResult waveLine(std::uint32_t destination, std::uint32_t& line) = 0;
    // The volume control of a line.
    virtual MixerResult volumeControl(std::uint32_t line, std::uint32_t& controlId) = 0;
    // Current value of a control.
    virtual MixerResult readValue(std::uint32_t controlId, std::uint32_t& value) = 0;
    // Writes one value for every channel of a volume control.
    virtual MixerResult writeValue(std::uint32_t controlId, std::uint32_t value) = 0;
    // Waits (bounded) until the notices caused by this program's own writes
    // have been handed to the handler, so that they can be told apart from
    // changes made by others.
    virtual void settle() = 0;
    // The identity carried in notices.
    virtual std::uintptr_t handle() const = 0;
};
