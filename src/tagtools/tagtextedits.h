#pragma once
// The text changes of the tag actions, on one field's text at a time: the
// four letter cases and the tidying of blanks. Letters are changed with the
// toolkit's full Unicode case mappings ("straße" in capitals is "STRASSE").

#include <QString>

class TagTextEdits final {
public:
    enum class Case { Title = 0, Upper, Lower, Sentence };

    struct Tidy {
        bool trim = true;        // no blanks at either end
        bool collapse = true;    // a run of blanks becomes one blank
        bool underscores = true; // "_" becomes a blank (before the other two)
    };

    static QString ChangeCase(const QString& text, Case letterCase);

    // Every word with a capital first letter and the rest in small letters,
    // except:
    // - the short words (a, an, the, and, of, in, on, at, to, for, or, by,
    //   feat.) in small letters, unless they start the text or follow "(",
    //   "-" or "/";
    // - a word of two or more letters written all in capitals stays as it is
    //   (an abbreviation, or a roman numeral the user wrote);
    // - a roman numeral of the letters I, V and X ("ii", "xiv") is written in
    //   capitals.
    // Words are separated by blanks, "(", "-" and "/"; the first letter of a
    // word comes after any marks before it ("'til", "\"Hey").
    static QString TitleCase(const QString& text);
    // The first letter of the text, and of each sentence after ". ", "! " or
    // "? ", in capitals; every other letter small.
    static QString SentenceCase(const QString& text);

    static QString Tidied(const QString& text, const Tidy& tidy);
};
