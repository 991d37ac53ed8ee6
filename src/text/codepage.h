#pragma once
// A single-byte code page of the kind old ID3v1 tags (and ID3v2 texts in
// encoding 0 by careless writers) were written in: Windows-1252 by default,
// or the code page of a Central European, Cyrillic, Greek or Baltic system.
// Each code page is a table of 256 characters built once through the C
// library's iconv; Windows-1252 uses the program's own conversion, so that
// its bytes are exactly those of AnsiToWide / WideToAnsi. Tables are never
// changed once built, so a code page may be used from any thread.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CodePage final {
public:
    // The name of the default code page.
    static constexpr const char* kDefaultName = "WINDOWS-1252";

    // The code pages offered: iconv name and a caption for people.
    static const std::vector<std::pair<std::string, std::string>>& Offered();
    // The code page of an offered name (letter case ignored); nullptr for a
    // name that is not offered or that iconv cannot convert.
    static const CodePage* Find(std::string_view name);
    // Windows-1252.
    static const CodePage& Default();

    const std::string& Name() const { return m_name; }
    bool IsDefault() const { return m_default; }

    // Code-page bytes -> UTF-8. A byte the code page leaves undefined becomes
    // the C1 control of the same value (0x80..0x9F, as Windows does) or
    // U+FFFD.
    std::string ToUtf8(std::string_view bytes) const;
    // UTF-8 -> code-page bytes; a character without an equivalent becomes '?'.
    std::string FromUtf8(std::string_view utf8) const;
    // True when every character of the UTF-8 text has a byte, so that the
    // bytes of FromUtf8 give the same text back.
    bool Holds(std::string_view utf8) const;
    // The caption Offered() gives this code page.
    const std::string& Caption() const;

private:
    CodePage(std::string name, bool isDefault);
    bool build();
    // The byte for a character; false when there is none.
    bool byteFor(char32_t codePoint, char& byte) const;

    std::string m_name;
    bool m_default = false;
    // Characters of the bytes 0x80..0xFF (below 0x80 every offered code page is ASCII).
    char32_t m_high[128] = {};
    // The same table sorted by character, for encoding.
    std::vector<std::pair<char32_t, unsigned char>> m_reverse;
};
