#pragma once
// Conversion of the frames of ID3v2.2 and ID3v2.4 tags into ID3v2.3 frames
// with the same meaning, so that a tag rewritten as ID3v2.3 loses nothing:
//  - ID3v2.2: every three-letter id with a four-letter counterpart is renamed
//    (the standard table, with the widely used iTunes additions); pictures
//    get a MIME type; text frames without a counterpart become TXXX frames.
//  - ID3v2.4: the recording time becomes year, day and time (TYER, TDAT,
//    TIME), the original release time the original year (TORY); one that is
//    no time stamp stays whole in a TXXX frame, beside the year found in it.
//    The ID3v2.3 date frames that taggers also put into ID3v2.4 tags are
//    the date only where the tag has no recording time (no original release
//    time, for TORY); otherwise they become TXXX frames described by their
//    ids, so that the date is the recording time's alone. The people
//    lists (TIPL, TMCL) one involved-people list (IPLS); the sort-order
//    frames keep their ids, as ID3v2.3 writers use them; any other text frame
//    without an ID3v2.3 id becomes a TXXX frame described by its id; several
//    values of a text frame are joined with "/" (genres as references).
//  - Chapter frames (CHAP, CTOC) keep their embedded frames, converted alike.
// Every resulting frame has its texts in encodings ID3v2.3 allows.

#include "id3v2frame.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace id3v2 {

// Whether a recording time is an ID3v2.4 time stamp: "yyyy-MM-ddTHH:mm:ss",
// cut after any of its parts ("yyyy", "yyyy-MM", ...).
bool IsRecordingTimestamp(std::string_view text);
// The year a recording time (or original release time) stands for, as its
// conversion gives it: the first four digits of a time stamp; in a text that
// is none ("Oct 3, 1995"), its first run of exactly four digits; nothing
// when it has none ("Autumn"), as a year shown that way could not be written
// into the year frame without cutting the text.
std::string YearOfRecordingTime(std::string_view text);
// The first value of a recording time frame that is not empty (trimmed).
std::string FirstRecordingTime(const std::vector<std::string>& values);
// The year a recording time frame of several values stands for: that of
// its first value when that is a time stamp, else the first year in all of
// its values as the frame's text shows them (joined by "/").
std::string YearOfRecordingTimeValues(const std::vector<std::string>& values);

// Whether a frame of a version `major` tag holds one of the seven fields.
bool IsFieldSource(int major, std::string_view id);

// Where the frames embedded in a chapter frame (CHAP: element id, start and
// end times and offsets; CTOC: element id, flags, child element ids) begin
// in its content; nothing for another frame or one too short.
std::optional<std::size_t> EmbeddedFramesStart(const Frame& frame);

// Whether an ID3v2.4 frame holds positions in the file (ASPI, SEEK), which
// mean nothing once the file is rewritten.
bool IsPositionFrame(std::string_view id);

// Whether a large frame of a version `major` tag can be converted from its
// first bytes alone, the rest of it copied as it is.
bool ConvertsFromHead(int major, std::string_view id);

// Reads the frames embedded in a chapter frame (in the format of the tag),
// converted, `depth` chapter frames deep; `consumed` tells how many bytes
// they took.
using EmbeddedReader = std::function<std::vector<Frame>(std::string_view bytes, int depth, std::size_t& consumed)>;

// Converts a frame read from a tag of version `major` (its id as read, its
// flags and extra bytes already in ID3v2.3 form) and appends the frames it
// becomes (none, when it has no ID3v2.3 form). `depth` counts the chapter
// frames around it.
void ConvertFrame(int major, Frame frame, int depth, std::vector<Frame>& out, const EmbeddedReader& readEmbedded);

// Completes the conversion of a whole tag's frames: settles the ID3v2.3
// date frames of an ID3v2.4 tag (see above), and, as ID3v2.3 allows a single
// involved-people list, the lists made from TIPL and TMCL become one.
void FinishConversion(int major, std::vector<Frame>& frames);

}  // namespace id3v2
