#pragma once
// Text encodings that ID3v2.3 allows in every frame type. ID3v2.3 knows
// encoding 0 (ISO-8859-1) and 1 (UTF-16 with a byte-order mark); ID3v2.4
// adds 2 (UTF-16BE without mark) and 3 (UTF-8), which some writers also put
// into ID3v2.3 tags. A frame holding texts in encoding 2 or 3 gets them
// re-encoded as encoding 1, whatever its type: text and URL frames, comments,
// lyrics, pictures, objects, synchronised lyrics, terms of use, ownership and
// commercial frames.

#include "id3v2frame.h"

#include <string_view>

namespace id3v2 {

// Re-encodes the texts of the frame when its encoding is 2 or 3. A frame
// whose content is partly in the file (`tail`) is changed only when all its
// texts lie in the part held in memory; an opaque frame is never changed.
void MakeEncodingValid(Frame& frame);

// True for frame types whose texts all stand before a binary payload
// (pictures, objects) or that hold no texts at all: a large frame of such a
// type can be converted from its first bytes, the rest copied as it is.
bool TextsLeadContent(std::string_view id);

}  // namespace id3v2
