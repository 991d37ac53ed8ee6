#include "tagtextedits.h"

#include <array>

namespace {

// Kept in small letters inside a title.
constexpr std::array<const char*, 13> kShortWords = {"a",  "an", "the", "and", "of", "in",   "on",
                                                     "at", "to", "for", "or",  "by", "feat."};

bool IsSeparator(QChar c)
{
    return c.isSpace() || c == QLatin1Char('(') || c == QLatin1Char('-') || c == QLatin1Char('/');
}

// A separator after which the next word gets its capital whatever it is.
bool StartsPart(QChar c)
{
    return c == QLatin1Char('(') || c == QLatin1Char('-') || c == QLatin1Char('/');
}

// The word without what follows its last letter ("the," gives "the").
QString Bare(const QString& word)
{
    qsizetype end = word.size();
    while (end > 0 && !word[end - 1].isLetter())
        --end;
    return word.left(end);
}

bool IsShortWord(const QString& lower)
{
    const QString bare = Bare(lower);
    for (const char* word : kShortWords) {
        QLatin1StringView shortWord(word);
        // "feat." needs its full stop.
        if (shortWord.endsWith(QLatin1Char('.'))) {
            if (lower.startsWith(shortWord) && bare.size() + 1 == shortWord.size())
                return true;
        } else if (bare == shortWord) {
            return true;
        }
    }
    return false;
}

// Two or more letters, none of them small.
bool WrittenInCapitals(const QString& word)
{
    int capitals = 0;
    for (const QChar c : word) {
        if (c.isLower())
            return false;
        if (c.isUpper())
            ++capitals;
    }
    return capitals >= 2;
}

// Up to 39 in the letters I, V and X, in either case: "ii", "XIV".
bool IsSmallRomanNumeral(const QString& word)
{
    const QString bare = Bare(word).toUpper();
    if (bare.isEmpty())
        return false;
    for (int value = 1; value < 40; ++value) {
        static const char* const kTens[] = {"", "X", "XX", "XXX"};
        static const char* const kOnes[] = {"", "I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX"};
        if (bare == QLatin1StringView(kTens[value / 10]) + QLatin1StringView(kOnes[value % 10]))
            return true;
    }
    return false;
}

// The word in small letters with the first letter in capitals, when it
// comes before any digit ("1st" stays small).
QString Capitalised(const QString& word)
{
    QString result = word.toLower();
    qsizetype i = 0;
    while (i < result.size() && !result[i].isLetterOrNumber())
        ++i;
    if (i >= result.size() || !result[i].isLetter())
        return result;
    const bool pair = result[i].isHighSurrogate() && i + 1 < result.size();
    const char32_t code = pair ? QChar::surrogateToUcs4(result[i], result[i + 1]) : result[i].unicode();
    const QString title = QString::fromUcs4(std::array<char32_t, 1>{QChar::toTitleCase(code)}.data(), 1);
    result.replace(i, pair ? 2 : 1, title);
    return result;
}

QString TitleCaseWord(const QString& word, bool firstOfPart)
{
    if (WrittenInCapitals(word))
        return word;
    if (IsSmallRomanNumeral(word))
        return word.toUpper();
    const QString lower = word.toLower();
    if (!firstOfPart && IsShortWord(lower))
        return lower;
    return Capitalised(word);
}

} // namespace

QString TagTextEdits::ChangeCase(const QString& text, Case letterCase)
{
    switch (letterCase) {
    case Case::Title: return TitleCase(text);
    case Case::Upper: return text.toUpper();
    case Case::Lower: return text.toLower();
    case Case::Sentence: return SentenceCase(text);
    }
    return text;
}

QString TagTextEdits::TitleCase(const QString& text)
{
    QString result;
    result.reserve(text.size());
    bool firstOfPart = true;
    qsizetype i = 0;
    while (i < text.size()) {
        if (IsSeparator(text[i])) {
            if (StartsPart(text[i]))
                firstOfPart = true;
            result += text[i++];
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && !IsSeparator(text[end]))
            ++end;
        result += TitleCaseWord(text.mid(i, end - i), firstOfPart);
        firstOfPart = false;
        i = end;
    }
    return result;
}

QString TagTextEdits::SentenceCase(const QString& text)
{
    const QString lower = text.toLower();
    QString result;
    result.reserve(lower.size());
    bool sentenceStart = true;
    bool afterEndMark = false;
    qsizetype i = 0;
    while (i < lower.size()) {
        const QChar c = lower[i];
        if (sentenceStart && c.isLetterOrNumber()) {
            qsizetype end = i + 1;
            while (end < lower.size() && !lower[end].isSpace())
                ++end;
            result += c.isLetter() ? Capitalised(lower.mid(i, end - i)) : lower.mid(i, end - i);
            i = end;
            sentenceStart = false;
            afterEndMark = false;
            continue;
        }
        if (c == QLatin1Char('.') || c == QLatin1Char('!') || c == QLatin1Char('?'))
            afterEndMark = true;
        else if (c.isSpace())
            sentenceStart = sentenceStart || afterEndMark;
        else
            afterEndMark = false;
        result += c;
        ++i;
    }
    return result;
}

QString TagTextEdits::Tidied(const QString& text, const Tidy& tidy)
{
    QString result = text;
    if (tidy.underscores)
        result.replace(QLatin1Char('_'), QLatin1Char(' '));
    if (tidy.collapse) {
        QString collapsed;
        collapsed.reserve(result.size());
        for (qsizetype i = 0; i < result.size(); ++i) {
            if (!result[i].isSpace())
                collapsed += result[i];
            else if (i == 0 || !result[i - 1].isSpace())
                collapsed += QLatin1Char(' ');
        }
        result = collapsed;
    }
    if (tidy.trim)
        result = result.trimmed();
    return result;
}
