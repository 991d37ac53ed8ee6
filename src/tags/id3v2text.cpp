#include "id3v2text.h"

#include "codepage.h"
#include "unicodeutils.h"

namespace id3v2 {
namespace {

thread_local const CodePage* t_encodingZero = nullptr;

bool isAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

}  // namespace

const CodePage* EncodingZeroCodePage()
{
    return t_encodingZero;
}

void SetEncodingZeroCodePage(const CodePage* page)
{
    t_encodingZero = page;
}

std::size_t TerminatorWidth(unsigned char encoding)
{
    return (encoding == Utf16 || encoding == Utf16BE) ? 2 : 1;
}

std::string_view TakeString(std::string_view& bytes, unsigned char encoding)
{
    const std::size_t width = TerminatorWidth(encoding);
    std::size_t end = 0;
    if (width == 1) {
        end = bytes.find('\0');
    } else {
        end = std::string_view::npos;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            if (bytes[i] == '\0' && bytes[i + 1] == '\0') {
                end = i;
                break;
            }
        }
    }
    if (end == std::string_view::npos) {
        const std::string_view all = bytes;
        bytes = {};
        return all;
    }
    const std::string_view first = bytes.substr(0, end);
    bytes.remove_prefix(end + width);
    return first;
}

std::string DecodeString(std::string_view bytes, unsigned char encoding)
{
    switch (encoding) {
    case Utf16: {
        bool bigEndian = false;
        if (bytes.size() >= 2) {
            const auto b0 = static_cast<unsigned char>(bytes[0]);
            const auto b1 = static_cast<unsigned char>(bytes[1]);
            if (b0 == 0xFF && b1 == 0xFE) {
                bytes.remove_prefix(2);
            } else if (b0 == 0xFE && b1 == 0xFF) {
                bigEndian = true;
                bytes.remove_prefix(2);
            }
        }
        return Utf16ToUtf8(bytes, bigEndian);
    }
    case Utf16BE:
        if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE
            && static_cast<unsigned char>(bytes[1]) == 0xFF)
            bytes.remove_prefix(2);
        return Utf16ToUtf8(bytes, true);
    case Utf8:
        if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
            bytes.remove_prefix(3);
        return SanitizeUtf8(bytes);
    default:
        return t_encodingZero ? t_encodingZero->ToUtf8(bytes) : AnsiToWide(bytes);
    }
}

std::string Trim(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32)
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string TrimRight(std::string_view text)
{
    std::size_t end = text.size();
    while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= 32)
        --end;
    return std::string(text.substr(0, end));
}

std::vector<std::string> DecodeStrings(std::string_view bytes, unsigned char encoding)
{
    std::vector<std::string> strings;
    while (!bytes.empty())
        strings.push_back(DecodeString(TakeString(bytes, encoding), encoding));
    return strings;
}

std::string JoinValues(const std::vector<std::string>& values)
{
    std::string text;
    for (const std::string& value : values) {
        if (value.empty())
            continue;
        if (!text.empty())
            text += '/';
        text += value;
    }
    return text;
}

std::string DecodeFrameText(std::string_view content)
{
    if (content.empty())
        return {};
    const auto encoding = static_cast<unsigned char>(content[0]);
    return Trim(JoinValues(DecodeStrings(content.substr(1), encoding)));
}

unsigned char EncodingFor(std::string_view utf8, int major)
{
    if (t_encodingZero ? isAscii(utf8) : FitsSingleByte(utf8))
        return Latin1;
    return major == 4 ? Utf8 : Utf16;
}

std::string EncodeString(std::string_view utf8, unsigned char encoding)
{
    if (encoding == Utf16)
        return "\xFF\xFE" + Utf8ToUtf16(utf8, false);
    if (encoding == Utf8)
        return SanitizeUtf8(utf8);
    return t_encodingZero ? t_encodingZero->FromUtf8(utf8) : WideToAnsi(utf8);
}

std::string FirstCharacters(const std::string& utf8, std::size_t count)
{
    std::size_t pos = 0;
    for (std::size_t n = 0; n < count && pos < utf8.size(); ++n) {
        ++pos;
        while (pos < utf8.size() && (static_cast<unsigned char>(utf8[pos]) & 0xC0) == 0x80)
            ++pos;
    }
    return utf8.substr(0, pos);
}

std::string EncodeStrings(const std::vector<std::string>& strings, unsigned char encoding)
{
    std::string out;
    for (std::size_t i = 0; i < strings.size(); ++i) {
        if (i > 0)
            out.append(TerminatorWidth(encoding), '\0');
        out += EncodeString(strings[i], encoding);
    }
    return out;
}

std::string ReencodeStringsAsUtf16(std::string_view bytes, unsigned char encoding)
{
    std::string out;
    while (!bytes.empty()) {
        const std::size_t before = bytes.size();
        const std::string_view piece = TakeString(bytes, encoding);
        out += EncodeString(DecodeString(piece, encoding), Utf16);
        const bool hadTerminator = before > piece.size();
        if (hadTerminator)
            out.append(2, '\0');
    }
    return out;
}

}  // namespace id3v2
