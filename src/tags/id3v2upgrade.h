#pragma once
// Writing ID3v2.4 tags from frames in ID3v2.3 form (as the reader gives
// them, or as they are made for the fields):
//  - UpgradeToVersion4 gives frames the ids and contents ID3v2.4 defines:
//    the year, day and time (TYER, TDAT, TIME) become the recording time
//    TDRC, the original year TORY the original release time TDOR, the
//    involved-people list IPLS the list TIPL, and genre references "(17)"
//    values of their own ("17"); frames embedded in chapter frames alike.
//    Frames without an ID3v2.4 counterpart (TRDA, TSIZ, RVAD, EQUA) stay as
//    they are: readers skip frames they do not know, and nothing is lost.
//  - ToVersion4Layout moves a frame's flags and extra bytes into the
//    ID3v2.4 layout, for FrameHeader(frame, 4).

#include "id3v2frame.h"

#include <vector>

namespace id3v2 {

// `depth` counts the chapter frames around the frames.
void UpgradeToVersion4(std::vector<Frame>& frames, int depth = 0);

// The frame with its status and format flags, group symbol, encryption
// method and decompressed size (now a sync-safe data length indicator) laid
// out as ID3v2.4 wants them. Afterwards the frame is only written.
Frame ToVersion4Layout(Frame frame);

}  // namespace id3v2
