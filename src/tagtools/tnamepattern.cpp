#include "tnamepattern.h"

#include "fileutils.h"
#include "tfileinfo.h"
#include "tmp3taginfo.h"

#include <algorithm>

namespace {

constexpr std::string_view kExtension = ".mp3";

struct Placeholder {
    std::string_view name;
    TNamePattern::Field field;
    bool twoDigits;
};

constexpr std::array<Placeholder, 12> kPlaceholders{{
    {"artist", TNamePattern::Artist, false},
    {"title", TNamePattern::Title, false},
    {"album", TNamePattern::Album, false},
    {"track", TNamePattern::Track, false},
    {"track2", TNamePattern::Track, true},
    {"year", TNamePattern::Year, false},
    {"genre", TNamePattern::Genre, false},
    {"albumartist", TNamePattern::AlbumArtist, false},
    {"disc", TNamePattern::Disc, false},
    {"disc2", TNamePattern::Disc, true},
    {"composer", TNamePattern::Composer, false},
    {"bpm", TNamePattern::Bpm, false},
}};

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return Lower(x) == Lower(y);
           });
}

bool EndsWithExtension(std::string_view text)
{
    return text.size() >= kExtension.size() && EqualNoCase(text.substr(text.size() - kExtension.size()), kExtension);
}

const std::string& FieldOf(const TMp3TagInfo& values, TNamePattern::Field field)
{
    switch (field) {
    case TNamePattern::Artist:
        return values.Artist;
    case TNamePattern::Title:
        return values.Title;
    case TNamePattern::Album:
        return values.Album;
    case TNamePattern::Track:
        return values.Track;
    case TNamePattern::Year:
        return values.Year;
    case TNamePattern::AlbumArtist:
        return values.AlbumArtist;
    case TNamePattern::Disc:
        return values.Disc;
    case TNamePattern::Composer:
        return values.Composer;
    case TNamePattern::Bpm:
        return values.Bpm;
    default:
        return values.Genre;
    }
}

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TNamePattern::TNamePattern(std::string_view pattern)
{
    auto literal = [this](std::string_view text) {
        if (m_tokens.empty() || m_tokens.back().field >= 0)
            m_tokens.push_back({});
        m_tokens.back().text += text;
    };
    std::size_t pos = 0;
    while (pos < pattern.size()) {
        const std::size_t open = pattern.find('%', pos);
        if (open == std::string_view::npos) {
            literal(pattern.substr(pos));
            break;
        }
        literal(pattern.substr(pos, open - pos));
        const std::size_t close = pattern.find('%', open + 1);
        const std::string_view name =
            close == std::string_view::npos ? std::string_view() : pattern.substr(open + 1, close - open - 1);
        const auto known = std::find_if(kPlaceholders.begin(), kPlaceholders.end(),
                                        [name](const Placeholder& p) { return EqualNoCase(p.name, name); });
        if (close == std::string_view::npos || known == kPlaceholders.end()) {
            // A percent sign that opens no placeholder is a character.
            literal("%");
            pos = open + 1;
            continue;
        }
        m_tokens.push_back({known->field, known->twoDigits, {}});
        m_uses |= 1u << known->field;
        pos = close + 1;
    }
    m_endsWithExtension = !m_tokens.empty() && m_tokens.back().field < 0 && EndsWithExtension(m_tokens.back().text);

    QString expression = QStringLiteral("^");
    for (const Token& token : m_tokens) {
        if (token.field < 0) {
            expression += QRegularExpression::escape(FromUtf8(token.text));
        } else {
            expression += QStringLiteral("(.*?)");
            m_groups.push_back(static_cast<Field>(token.field));
        }
    }
    expression += QStringLiteral("$");
    m_regex.setPattern(expression);
    m_regex.setPatternOptions(QRegularExpression::CaseInsensitiveOption
                              | QRegularExpression::DotMatchesEverythingOption);
}

std::string TNamePattern::NameText(std::string_view text)
{
    if (text.find('/') == std::string_view::npos)
        return std::string(text);
    std::string joined;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = text.find('/', start);
        const std::size_t end = slash == std::string_view::npos ? text.size() : slash;
        const std::string value = TrimControls(text.substr(start, end - start));
        if (!value.empty())
            joined += (joined.empty() ? "" : "; ") + value;
        if (slash == std::string_view::npos)
            return joined;
        start = slash + 1;
    }
}

std::string TNamePattern::BuildPath(const TMp3TagInfo& values, bool strict) const
{
    std::string built;
    for (const Token& token : m_tokens) {
        if (token.field < 0) {
            built += token.text;
            continue;
        }
        // A tag's text never reaches another folder.
        std::string value = NameText(FieldOf(values, static_cast<Field>(token.field)));
        const bool missing = TrimControls(value).empty() || ((token.field == Track || token.field == Disc) && value == "0");
        if (strict && missing)
            return {};
        if (token.twoDigits && value.size() == 1 && value[0] >= '0' && value[0] <= '9')
            value.insert(0, 1, '0');
        built += value;
    }

    std::string path;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = built.find('/', start);
        const bool last = slash == std::string::npos;
        std::string part = TFileInfo::MakeValidFileName(
            std::string_view(built).substr(start, last ? std::string::npos : slash - start));
        if (last) {
            if (part.empty())
                return {};
            if (!EndsWithExtension(part))
                part += kExtension;
            return path + part;
        }
        if (part == "." || part == "..")
            return {};
        if (!part.empty())
            path += part + '/';
        start = slash + 1;
    }
}

std::string TNamePattern::FieldPlaceholder(Field field)
{
    const auto known = std::find_if(kPlaceholders.begin(), kPlaceholders.end(),
                                    [field](const Placeholder& p) { return p.field == field; });
    return "%" + std::string(known->name) + "%";
}

std::optional<TNamePattern::Values> TNamePattern::Match(std::string_view caption, Mismatch* why) const
{
    if (why)
        *why = {};
    if (!HasFields() || !m_regex.isValid())
        return std::nullopt;
    if (!m_endsWithExtension && EndsWithExtension(caption))
        caption.remove_suffix(kExtension.size());
    const QRegularExpressionMatch match = m_regex.match(FromUtf8(caption));
    if (!match.hasMatch())
        return std::nullopt;
    Values values;
    std::array<bool, FieldCount> seen{};
    for (std::size_t group = 0; group < m_groups.size(); ++group) {
        const Field field = m_groups[group];
        const std::string value = TrimControls(match.captured(static_cast<int>(group) + 1).toStdString());
        if (value.empty()) {
            if (why)
                *why = {true, field};
            return std::nullopt;
        }
        // A field named twice takes its first place.
        if (!seen[field])
            values[field] = value;
        seen[field] = true;
    }
    return values;
}
