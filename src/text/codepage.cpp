#include "codepage.h"

#include "unicodeutils.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include <iconv.h>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool sameName(std::string_view a, std::string_view b)
{
    const auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; };
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return upper(x) == upper(y); });
}

// The character of one byte in the code page `cd` converts from; nothing
// (0) when the code page leaves the byte undefined.
char32_t characterOf(iconv_t cd, unsigned char byte)
{
    char in[1] = {static_cast<char>(byte)};
    unsigned char out[8] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0
        || sizeof out - outLeft != 4)
        return 0;
    return char32_t(out[0]) | (char32_t(out[1]) << 8) | (char32_t(out[2]) << 16) | (char32_t(out[3]) << 24);
}

} // namespace

const std::vector<std::pair<std::string, std::string>>& CodePage::Offered()
{
    static const std::vector<std::pair<std::string, std::string>> offered = {
        {kDefaultName, "Windows-1252 (Western)"},
        {"WINDOWS-1250", "Windows-1250 (Central Europe)"},
        {"WINDOWS-1251", "Windows-1251 (Cyrillic)"},
        {"WINDOWS-1253", "Windows-1253 (Greek)"},
        {"WINDOWS-1254", "Windows-1254 (Turkish)"},
        {"WINDOWS-1257", "Windows-1257 (Baltic)"},
        {"ISO-8859-2", "ISO-8859-2 (Central Europe)"},
        {"ISO-8859-5", "ISO-8859-5 (Cyrillic)"},
        {"ISO-8859-7", "ISO-8859-7 (Greek)"},
        {"KOI8-R", "KOI8-R (Russian)"},
        {"KOI8-U", "KOI8-U (Ukrainian)"},
        {"CP866", "CP866 (DOS Cyrillic)"},
    };
    return offered;
}

const CodePage& CodePage::Default()
{
    return *Find(kDefaultName);
}

const CodePage* CodePage::Find(std::string_view name)
{
    static std::mutex mutex;
    // Built on first use and kept for the whole run, so that pointers stay valid.
    static std::vector<std::unique_ptr<CodePage>> built;
    const auto& offered = Offered();
    const auto it = std::find_if(offered.begin(), offered.end(), [&](const auto& o) { return sameName(o.first, name); });
    if (it == offered.end())
        return nullptr;
    const std::lock_guard lock(mutex);
    for (const auto& page : built)
        if (page->m_name == it->first)
            return page.get();
    std::unique_ptr<CodePage> page(new CodePage(it->first, it == offered.begin()));
    if (!page->build())
        return nullptr;
    built.push_back(std::move(page));
    return built.back().get();
}

CodePage::CodePage(std::string name, bool isDefault)
    : m_name(std::move(name))
    , m_default(isDefault)
{
}

bool CodePage::build()
{
    if (m_default)
        return true;
    const iconv_t cd = iconv_open("UTF-32LE", m_name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    for (int b = 0x80; b <= 0xFF; ++b) {
        char32_t c = characterOf(cd, static_cast<unsigned char>(b));
        if (c == 0)
            c = b < 0xA0 ? char32_t(b) : kReplacement;
        m_high[b - 0x80] = c;
        if (c != kReplacement)
            m_reverse.emplace_back(c, static_cast<unsigned char>(b));
    }
    iconv_close(cd);
    // The first byte of a character wins where two bytes give the same one.
    std::stable_sort(m_reverse.begin(), m_reverse.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return true;
}

bool CodePage::byteFor(char32_t codePoint, char& byte) const
{
    if (codePoint < 0x80) {
        byte = static_cast<char>(codePoint);
        return true;
    }
    const auto it = std::lower_bound(m_reverse.begin(), m_reverse.end(), codePoint,
                                     [](const auto& entry, char32_t c) { return entry.first < c; });
    if (it == m_reverse.end() || it->first != codePoint)
        return false;
    byte = static_cast<char>(it->second);
    return true;
}

std::string CodePage::ToUtf8(std::string_view bytes) const
{
    if (m_default)
        return AnsiToWide(bytes);
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out += ch;
        else
            AppendUtf8(out, m_high[b - 0x80]);
    }
    return out;
}

std::string CodePage::FromUtf8(std::string_view utf8) const
{
    if (m_default)
        return WideToAnsi(utf8);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        char byte = '?';
        byteFor(NextCodePoint(utf8, pos), byte);
        out += byte;
    }
    return out;
}

bool CodePage::Holds(std::string_view utf8) const
{
    // A character without a byte comes back as '?'; every other one (the
    // C1 controls of undefined bytes too) comes back as it was.
    return ToUtf8(FromUtf8(utf8)) == utf8;
}

const std::string& CodePage::Caption() const
{
    const auto& offered = Offered();
    const auto it = std::find_if(offered.begin(), offered.end(), [&](const auto& o) { return o.first == m_name; });
    return it != offered.end() ? it->second : m_name;
}
