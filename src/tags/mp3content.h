#pragma once
// Whether a file's content is MPEG audio, so that tags are written only into
// MP3 files and only MP3 files join the playlist. The content is what follows
// the ID3v2 tags at the start of the file (a FLAC file may carry one too).
// It is another format when it begins with that format's signature (PNG,
// JPEG, GIF, FLAC, Ogg, RIFF, MP4, ZIP, PDF); it is MPEG audio when its first
// kWindow bytes hold a frame header whose next frame, where that lies in
// what was read, begins with a header of the same stream (or the ID3v1
// trailer, or the end of the file). An empty file and a file of tags only
// count as MP3 files: they can still be given their tags.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class FileBytes;

class Mp3Content final {
public:
    enum class Verdict {
        Mp3,      // MPEG audio, or nothing but tags
        NotMp3,   // another format, or no MPEG frame where the audio should be
        Unknown,  // the file could not be read (the caller's own open or read says why)
    };

    // The reason a save refuses a file whose verdict is NotMp3.
    static constexpr const char* kNotMp3 = "not an MP3 file";
    // How far into the content a first frame header is looked for.
    static constexpr std::size_t kWindow = 64 * 1024;

    // Examines the open regular file `fd` with reads at given offsets (its
    // position stays): one read of the first kFirstRead bytes, one more at
    // the end of an ID3v2 tag that is longer, and the whole window only when
    // the first bytes of the content settle nothing.
    static Verdict OfFile(int fd);
    // Opens `path` for reading and examines it; Unknown when it cannot be
    // opened or is not a regular file.
    static Verdict OfPath(const std::string& path);

    // What the 4-byte header of an MPEG audio frame says.
    struct FrameHeader {
        std::size_t length = 0;   // of the whole frame, padding included
        int version = 10;         // 10 MPEG 1, 20 MPEG 2, 25 MPEG 2.5
        int layer = 3;            // 1, 2 or 3
        int bitrateKbps = 0;
        int sampleRate = 0;       // Hz
        int channels = 2;         // 1 for a mono frame
        int samplesPerFrame = 0;  // 384 layer I, 1152, or 576 for layer III of MPEG 2 and 2.5
        bool crc = false;         // a 16-bit CRC follows the header
    };
    // The header at `header` (4 bytes); nullopt when FrameLength is 0.
    static std::optional<FrameHeader> ParseHeader(const unsigned char* header);
    // Two valid headers of one stream: the same version, layer and sample rate.
    static bool SameStream(const unsigned char* a, const unsigned char* b);

    // The length of the MPEG frame whose 4-byte header is at `header`
    // (padding included); 0 when the bytes are no valid header: no 11-bit
    // sync, a reserved version or layer, a free or bad bitrate, a reserved
    // sample rate.
    static std::size_t FrameLength(const unsigned char* header);
    // True when `content` begins with the signature of another format.
    static bool IsOtherFormat(std::string_view content);

    static constexpr std::size_t kFirstRead = 4096;
    // Past the window, room for the next header of a frame that starts at
    // its end (the longest frame, MPEG 2.5 layer II at 160 kbit/s and 8 kHz,
    // takes 2881 bytes).
    static constexpr std::size_t kFrameRoom = 4096;

    // Where the content of the file starts: after its ID3v2 tags, one after
    // another (at most eight); the file's size or more when they fill it;
    // nullopt when a read fails.
    static std::optional<std::int64_t> ContentStart(FileBytes& file);

    enum class Scan { Found, NotFound, NeedMore };
    // Looks for a confirmed frame header in the first kWindow bytes of
    // `content`, the bytes read from the content's start, and puts its
    // offset in `at` (when given); `contentSize` is how many bytes the
    // content has up to the end of the file (or of the audio), `trailerAt`
    // where an ID3v1 trailer would begin relative to the content's start
    // (-1 for none). NeedMore: more of the content must be read to tell.
    static Scan FindFrame(std::string_view content, std::int64_t contentSize, std::int64_t trailerAt,
                          std::size_t* at = nullptr);
};
