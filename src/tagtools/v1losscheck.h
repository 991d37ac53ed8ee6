#pragma once
// Text bound for ID3v1 tags that their code page (that of the tag options)
// cannot hold: a character without a byte there is saved as '?'. The check
// collects the fields that lose characters, over one file or many, and asks
// the user whether to save all the same. Field widths play no part: a text
// cut to its width loses letters the user can see in any code page.

#include <QString>
#include <QStringList>

#include <array>
#include <string_view>

class CodePage;
class Prompts;
struct TagOptions;

class V1LossCheck final {
public:
    // The ID3v1 text fields, in the order their names are listed.
    enum Field { Title = 0, Artist, Album, Year, Comment };

    explicit V1LossCheck(const TagOptions& options);

    // Notes the text (UTF-8) one field of the current file gets.
    void Add(Field field, std::string_view text);
    // Ends the current file: it counts when one of its fields loses characters.
    void EndFile();

    bool Lossless() const { return m_files == 0; }
    // The files that lose characters.
    int Files() const { return m_files; }
    // The names of the fields that lose characters, "Title, Artist".
    QString FieldNames() const;

    // The question for the tag editor: `v2Saved` when its ID3v2 tag is saved too.
    QString EditorQuestion(bool v2Saved) const;
    // The question for a run over files that writes the same texts into
    // both tags when `v2Saved`.
    QString BatchQuestion(bool v2Saved) const;
    // True when nothing is lost, or when the user answers Yes to `question`.
    bool Confirm(Prompts& prompts, const QString& question) const;

private:
    QString LostText() const;

    const CodePage* m_page;
    std::array<bool, 5> m_lost {};
    bool m_fileLoses = false;
    int m_files = 0;
};
