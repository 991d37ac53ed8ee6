#include "id3v2encoding.h"

#include "id3v2text.h"

#include <algorithm>

namespace id3v2 {
namespace {

// The layout of a frame's content after its encoding byte, one letter per
// field: 'l' an ISO-8859-1 string with its terminator, '1' '3' '8' that many
// bytes, 's' one string in the frame's encoding, 'S' strings in the frame's
// encoding up to the end, 'y' synchronised texts (a string and a 4-byte time
// stamp each) up to the end, 'r' bytes up to the end as they are.
struct Layout {
    std::string_view id;
    std::string_view fields;
};

constexpr Layout kLayouts[] = {
    {"APIC", "l1sr"},     // MIME type, picture type, description, picture
    {"COMM", "3sS"},      // language, description, text
    {"COMR", "l8l1ssr"},  // price, valid until, contact URL, received as, seller, description, logo
    {"GEOB", "lssr"},     // MIME type, file name, description, object
    {"GRP1", "S"},        // grouping (a text frame under another name)
    {"IPLS", "S"},        // involvement and person pairs
    {"MVIN", "S"},        // movement number
    {"MVNM", "S"},        // movement name
    {"OWNE", "l8S"},      // price paid, date of purchase, seller
    {"SYLT", "311sy"},    // language, time stamp format, content type, description, texts
    {"USER", "3S"},       // language, terms of use
    {"USLT", "3sS"},      // language, description, lyrics
    {"WXXX", "sr"},       // description, URL
};

std::string_view fieldsOf(std::string_view id)
{
    if (id.size() == 4 && id[0] == 'T')
        return "S";  // every text frame, TXXX (description and value) included
    const auto* layout = std::find_if(std::begin(kLayouts), std::end(kLayouts),
                                      [&](const Layout& l) { return l.id == id; });
    return layout == std::end(kLayouts) ? std::string_view() : layout->fields;
}

// Appends one string of `in` re-encoded as UTF-16; false when it has no
// terminator although more of it may lie outside `in`.
bool reencodeString(std::string_view& in, unsigned char encoding, bool complete, std::string& out)
{
    const std::size_t before = in.size();
    const std::string_view piece = TakeString(in, encoding);
    const bool terminated = before > piece.size();
    if (!terminated && !complete)
        return false;
    out += EncodeString(DecodeString(piece, encoding), Utf16);
    if (terminated)
        out.append(2, '\0');
    return true;
}

// Re-encodes `in` (the content after the encoding byte) field by field into
// `out`. `complete` is false when the content continues outside `in`: then
// only fields that end inside `in` may be touched.
bool reencode(std::string_view fields, std::string_view in, unsigned char encoding, bool complete, std::string& out)
{
    for (const char field : fields) {
        if (in.empty())
            return true;
        switch (field) {
        case 'l': {
            const std::size_t end = in.find('\0');
            if (end == std::string_view::npos && !complete)
                return false;
            const std::size_t length = end == std::string_view::npos ? in.size() : end + 1;
            out += in.substr(0, length);
            in.remove_prefix(length);
            break;
        }
        case '1':
        case '3':
        case '8': {
            const std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(field - '0'), in.size());
            out += in.substr(0, length);
            in.remove_prefix(length);
            break;
        }
        case 's':
            if (!reencodeString(in, encoding, complete, out))
                return false;
            break;
        case 'S':
            if (!complete)
                return false;
            out += ReencodeStringsAsUtf16(in, encoding);
            return true;
        case 'y':
            if (!complete)
                return false;
            while (!in.empty()) {
                reencodeString(in, encoding, true, out);
                const std::size_t length = std::min<std::size_t>(4, in.size());
                out += in.substr(0, length);
                in.remove_prefix(length);
            }
            return true;
        default:  // 'r'
            out += in;
            return true;
        }
    }
    out += in;
    return true;
}

}  // namespace

void MakeEncodingValid(Frame& frame)
{
    if (frame.opaque())
        return;
    const std::string_view content = frame.content();
    if (content.empty() || (content[0] != Utf16BE && content[0] != Utf8))
        return;
    const std::string_view fields = fieldsOf(frame.id);
    if (fields.empty())
        return;
    std::string out(1, static_cast<char>(Utf16));
    if (reencode(fields, content.substr(1), static_cast<unsigned char>(content[0]), frame.tail.length == 0, out))
        frame.setContent(std::move(out));
}

bool TextsLeadContent(std::string_view id)
{
    if (id == "CHAP" || id == "CTOC" || id == "LINK")
        return false;
    const std::string_view fields = fieldsOf(id);
    return fields.empty() || fields.back() == 'r';
}

}  // namespace id3v2
