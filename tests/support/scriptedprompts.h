#pragma once
// A Prompts double for tests. Every box, question and dialog is recorded with
// its title and text. Questions and dialogs are answered from a queue of
// expectations in order; a question that does not match the next expectation
// (or comes when none is left) fails the test and gets the answer of a box
// closed without a button. Messages (error, warning, information) need no
// expectation. Expectations still queued when the double is destroyed fail
// the test.

#include "prompts.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <string>
#include <vector>

class ScriptedPrompts final : public Prompts {
public:
    enum class Kind {
        YesNo,
        YesNoCancel,
        OkCancel,
        Overwrite,
        Error,
        Warning,
        Information,
        Input,
        OpenFiles,
        Folder,
        SaveFile,
    };

    struct Shown {
        Kind kind;
        QString title;
        QString text; // the message, the prompt of an input box, the caption of a dialog
        std::string startFolder = {}; // where a file or folder dialog starts
    };

    ScriptedPrompts() = default;
    ~ScriptedPrompts() override;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    // The next question must be of `kind`; it is answered with `answer`.
    ScriptedPrompts& expect(Kind kind, PromptAnswer answer);
    // The next question must be an input box; nullopt answers Cancel.
    ScriptedPrompts& expectInput(std::optional<QString> answer);
    // The next question must be an open-files dialog; empty answers Cancel.
    ScriptedPrompts& expectOpenFiles(std::vector<std::string> paths);
    // The next question must be a folder dialog; nullopt answers Cancel.
    ScriptedPrompts& expectFolder(std::optional<std::string> folder);
    // The next question must be a save-file dialog; nullopt answers Cancel.
    ScriptedPrompts& expectSaveFile(std::optional<std::string> path);

    // Everything shown so far, in order.
    const std::vector<Shown>& shown() const { return m_shown; }
    // The texts shown so far, in order.
    QStringList texts() const;
    // The texts of one kind.
    QStringList texts(Kind kind) const;
    int count(Kind kind) const;
    // Expectations not yet used.
    std::size_t pending() const { return m_queue.size(); }
    // Forgets what was shown (expectations stay).
    void clearShown() { m_shown.clear(); }

    PromptAnswer askYesNo(const QString& title, const QString& text,
                          PromptIcon icon = PromptIcon::Question) override;
    PromptAnswer askYesNoCancel(const QString& title, const QString& text,
                                PromptIcon icon = PromptIcon::Question) override;
    PromptAnswer askOkCancel(const QString& title, const QString& text,
                             PromptIcon icon = PromptIcon::Question) override;
    PromptAnswer askOverwrite(const QString& title, const QString& text,
                              PromptIcon icon = PromptIcon::Warning) override;
    void showError(const QString& title, const QString& text) override;
    void showWarning(const QString& title, const QString& text) override;
    void showInformation(const QString& title, const QString& text) override;
    std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                     const QString& initialText) override;
    std::vector<std::string> openFiles(const QString& caption, const QString& filter,
                                       const std::string& startFolder) override;
    std::optional<std::string> chooseFolder(const QString& caption,
                                            const std::string& startFolder) override;
    std::optional<std::string> saveFile(const QString& caption, const QString& filter,
                                        const std::string& proposedPath) override;

    static const char* kindName(Kind kind);

private:
    struct Expectation {
        Kind kind;
        PromptAnswer answer = PromptAnswer::Cancel;
        std::optional<QString> input;
        std::vector<std::string> files;
        std::optional<std::string> folder;  // also the path of a save-file dialog
    };

    // Records the question and takes the next expectation when it matches.
    std::optional<Expectation> take(Kind kind, const QString& title, const QString& text);
    PromptAnswer ask(Kind kind, const QString& title, const QString& text, PromptAnswer closed);

    std::deque<Expectation> m_queue;
    std::vector<Shown> m_shown;
};
