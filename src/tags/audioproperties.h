#pragma once
// The audio properties of an MP3 file as its first MPEG audio frame tells
// them, with the Xing/Info, VBRI or LAME header that an encoder puts in that
// frame: no frame is decoded and the file is not scanned. Without such a
// header the length follows from the size of the audio and the first
// frame's bitrate.

#include <cstdint>
#include <optional>
#include <string>

struct AudioProperties {
    std::int64_t lengthMs = 0;
    // The average over the file for VBR; the first frame's for CBR.
    int bitrateKbps = 0;
    int sampleRate = 0;   // Hz
    int channels = 0;     // 1 mono, 2 stereo, joint stereo and dual channel
    int mpegVersion = 0;  // 10 MPEG 1, 20 MPEG 2, 25 MPEG 2.5
    int layer = 0;        // 1, 2 or 3
    bool vbr = false;
    // The length is a guess: a VBR file without a header that counts its
    // frames (taken as if all frames had the first one's bitrate), or a
    // file shorter than its header says (cut off).
    bool estimated = false;

    bool operator==(const AudioProperties&) const = default;
};

// Reads the properties of the open regular file `fd` (its position stays)
// with a few small positioned reads: the ID3v2 tags at the start are
// skipped, and an ID3v1, APE or Lyrics3 tag at the end does not count as
// audio. nullopt when the file holds no MPEG audio frame (whose next frame
// lines up, as for Mp3Content), is of another format (Mp3Content::IsOtherFormat)
// or cannot be read.
std::optional<AudioProperties> ReadAudioProperties(int fd);
// The same for the file at `path`.
std::optional<AudioProperties> ReadAudioPropertiesOf(const std::string& path);
