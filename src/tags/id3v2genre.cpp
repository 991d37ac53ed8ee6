#include "id3v2genre.h"

#include "id3v2text.h"
#include "tmp3tagv1.h"

#include <algorithm>

namespace id3v2 {
namespace {

// Entries 0..147 of the genre list are names; 148 is the empty entry.
constexpr int kNamedGenres = 148;

bool isNumber(std::string_view text)
{
    return !text.empty() && text.size() <= 3
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int numberOf(std::string_view digits)
{
    int value = 0;
    for (const char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

// Whether `inner` (the text between the parentheses) is a reference; its
// name, empty for a number past the list.
bool referenceName(std::string_view inner, std::string& name)
{
    if (inner == "RX") {
        name = "Remix";
        return true;
    }
    if (inner == "CR") {
        name = "Cover";
        return true;
    }
    if (!isNumber(inner) || numberOf(inner) > 255)
        return false;
    const int number = numberOf(inner);
    name = number < kNamedGenres ? Tmp3TagV1::Genres()[static_cast<std::size_t>(number)] : std::string();
    return true;
}

bool isReferenceValue(std::string_view value)
{
    return value == "RX" || value == "CR" || (isNumber(value) && numberOf(value) <= 255);
}

std::string joined(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& part : parts) {
        if (!out.empty())
            out += '/';
        out += part;
    }
    return out;
}

// A TCON text in ID3v2.3 form taken apart: the references at its start
// (their texts and their names) and the refinement after them.
struct GenreParts {
    std::vector<std::string> references;
    std::vector<std::string> names;
    std::string refinement;
};

GenreParts partsOf(std::string_view raw)
{
    const std::string text = Trim(raw);
    std::string_view rest(text);
    GenreParts parts;
    while (rest.size() >= 3 && rest[0] == '(' && rest[1] != '(') {
        const std::size_t close = rest.find(')');
        std::string name;
        if (close == std::string_view::npos || !referenceName(rest.substr(1, close - 1), name))
            break;
        parts.references.emplace_back(rest.substr(1, close - 1));
        if (!name.empty())
            parts.names.push_back(std::move(name));
        rest.remove_prefix(close + 1);
    }
    parts.refinement = Trim(rest);
    return parts;
}

void unescape(std::string& refinement)
{
    if (refinement.size() >= 2 && refinement[0] == '(' && refinement[1] == '(')
        refinement.erase(0, 1);
}

}  // namespace

std::string GenreFromText(std::string_view raw)
{
    GenreParts parts = partsOf(raw);
    std::string& refinement = parts.refinement;
    if (parts.references.empty() && isNumber(refinement) && numberOf(refinement) < kNamedGenres)
        return Tmp3TagV1::Genres()[static_cast<std::size_t>(numberOf(refinement))];
    unescape(refinement);
    return refinement.empty() ? joined(parts.names) : refinement;
}

std::vector<std::string> GenreValuesFromText(std::string_view text)
{
    GenreParts parts = partsOf(text);
    unescape(parts.refinement);
    if (!parts.refinement.empty())
        parts.references.push_back(std::move(parts.refinement));
    return parts.references;
}

std::string GenreText(std::string_view genre)
{
    if (genre.empty() || genre[0] != '(')
        return std::string(genre);
    std::string text(genre.size() + 1, '(');
    genre.copy(text.data() + 1, genre.size());
    return text;
}

std::string GenreTextFromValues(const std::vector<std::string>& values)
{
    std::string references;
    std::vector<std::string> names;
    for (const std::string& value : values) {
        if (value.empty())
            continue;
        if (isReferenceValue(value))
            references.append("(").append(value).append(")");
        else
            names.push_back(value);
    }
    return references + joined(names);
}

}  // namespace id3v2
