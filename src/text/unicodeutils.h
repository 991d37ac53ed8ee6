#pragma once
// Conversions between the program's UTF-8 text and the byte encodings found in
// tags: the Windows-1252 code page (ID3v1 and ID3v2 encoding 0), ISO-8859-1 and
// UTF-16 in either byte order. Malformed input never throws: what cannot be
// decoded becomes U+FFFD, what cannot be encoded into the code page becomes '?'.

#include <string>
#include <string_view>

// Code-page (Windows-1252) bytes -> UTF-8 text.
std::string AnsiToWide(std::string_view codePageBytes);
// UTF-8 text -> code-page bytes; a character without an equivalent becomes '?'.
std::string WideToAnsi(std::string_view utf8);

// UTF-8 text -> the same text with every malformed sequence replaced by U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);
// Appends the UTF-8 form of one code point (surrogates and values past
// U+10FFFF become U+FFFD).
void AppendUtf8(std::string& out, char32_t codePoint);
// Decodes the next code point of UTF-8 text at `pos` and advances `pos`;
// a malformed sequence gives U+FFFD and advances by one byte.
char32_t NextCodePoint(std::string_view utf8, std::size_t& pos);

// UTF-16 bytes (no byte-order mark) -> UTF-8; an odd last byte is ignored and
// unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);
// UTF-8 -> UTF-16 bytes without a byte-order mark.
std::string Utf8ToUtf16(std::string_view utf8, bool bigEndian);

// ISO-8859-1 bytes -> UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);
// True when every character is a printable ISO-8859-1 character or an ASCII
// control, i.e. it survives being written as a single byte and read back as
// Windows-1252 (U+0080..U+009F are left out for that reason).
bool FitsSingleByte(std::string_view utf8);
// UTF-8 -> ISO-8859-1 bytes; only meaningful when FitsSingleByte() holds.
std::string Utf8ToLatin1(std::string_view utf8);
