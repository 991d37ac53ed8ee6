#pragma once
// Text inside ID3v2 frames: the encoding byte (0 Windows-1252 / ISO-8859-1,
// 1 UTF-16 with byte-order mark, 2 UTF-16BE, 3 UTF-8), terminated strings,
// and the re-encoding of ID3v2.4 texts into forms that ID3v2.3 allows.
//
// Texts in encoding 0 are read and written as Windows-1252, unless the
// thread has been given another code page for them (some writers put the
// bytes of their system's code page there).

#include <string>
#include <string_view>
#include <vector>

class CodePage;

namespace id3v2 {

// The code page of encoding 0 on this thread; nullptr for the standard's.
const CodePage* EncodingZeroCodePage();
void SetEncodingZeroCodePage(const CodePage* page);

enum Encoding : unsigned char { Latin1 = 0, Utf16 = 1, Utf16BE = 2, Utf8 = 3 };

// Width of a string terminator in an encoding (1 or 2 bytes).
std::size_t TerminatorWidth(unsigned char encoding);

// Splits off the first string of `bytes` (in `encoding`) at its terminator;
// `bytes` is left holding what follows the terminator (or nothing).
std::string_view TakeString(std::string_view& bytes, unsigned char encoding);

// Decodes one string (no terminator) into UTF-8. Encoding 0 is read as
// Windows-1252; encoding 1 honours either byte-order mark (little-endian when
// there is none); unknown encodings are read as encoding 0.
std::string DecodeString(std::string_view bytes, unsigned char encoding);

// Decodes every string of `bytes` (strings in `encoding`, separated by
// terminators). A terminator at the very end ends the last string; it does
// not start an empty one.
std::vector<std::string> DecodeStrings(std::string_view bytes, unsigned char encoding);

// Values as one text: those that are not empty, joined with "/".
std::string JoinValues(const std::vector<std::string>& values);
// The text of a text frame (encoding byte first): its non-empty strings
// joined with "/" (the ID3v2.3 way of listing several values), with
// characters of code 32 or less trimmed at both ends.
std::string DecodeFrameText(std::string_view content);

// Trims characters of code 32 or less at both ends, or only at the end.
std::string Trim(std::string_view text);
std::string TrimRight(std::string_view text);

// The encoding a text is written with into a tag of version `major`: 0 when
// every character survives as a single byte (only ASCII does while encoding 0
// has another code page), otherwise 1 (UTF-16 with the FF FE mark), or 3
// (UTF-8) in an ID3v2.4 tag.
unsigned char EncodingFor(std::string_view utf8, int major = 3);
// The bytes of `utf8` in `encoding` (0, 1 or 3), with the mark for encoding
// 1. Encoding 0 is Windows-1252 (or the thread's code page), so text decoded
// from encoding 0 gets its very bytes back.
std::string EncodeString(std::string_view utf8, unsigned char encoding);
// The first `count` characters of UTF-8 text.
std::string FirstCharacters(const std::string& utf8, std::size_t count);
// Strings in `encoding` (0, 1 or 3), each followed by a terminator except the last.
std::string EncodeStrings(const std::vector<std::string>& strings, unsigned char encoding);

// Re-encodes every string of `bytes` (strings in `encoding`, separated by
// terminators) as UTF-16 with a byte-order mark, keeping the separators.
std::string ReencodeStringsAsUtf16(std::string_view bytes, unsigned char encoding);

}  // namespace id3v2
