#pragma once
// One seam for every question, message and file dialog the windows show, so
// that tests can answer the questions and read the exact texts. The Qt
// implementation shows real dialogs; the scripted double answers from a queue.

#include <QString>

#include <optional>
#include <string>
#include <vector>

enum class PromptIcon { Question, Information, Warning, Error };

// The button the user pressed. A box closed without pressing a button answers
// Cancel for boxes that have Cancel, No for Yes/No boxes, and Abort for the
// overwrite question.
enum class PromptAnswer { Yes, No, Ok, Cancel, Abort, NoToAll, YesToAll };

class Prompts {
public:
    virtual ~Prompts() = default;

    virtual PromptAnswer askYesNo(const QString& title, const QString& text,
                                  PromptIcon icon = PromptIcon::Question) = 0;
    virtual PromptAnswer askYesNoCancel(const QString& title, const QString& text,
                                        PromptIcon icon = PromptIcon::Question) = 0;
    virtual PromptAnswer askOkCancel(const QString& title, const QString& text,
                                     PromptIcon icon = PromptIcon::Question) = 0;
    // Buttons Yes, No, Abort, No to All, Yes to All.
    virtual PromptAnswer askOverwrite(const QString& title, const QString& text,
                                      PromptIcon icon = PromptIcon::Warning) = 0;

    virtual void showError(const QString& title, const QString& text) = 0;
    virtual void showWarning(const QString& title, const QString& text) = 0;
    virtual void showInformation(const QString& title, const QString& text) = 0;

    // Input box; nullopt when the user cancels.
    virtual std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                             const QString& initialText) = 0;
    // Open-files dialog allowing several files; paths as file-system bytes,
    // empty when cancelled.
    virtual std::vector<std::string> openFiles(const QString& caption, const QString& filter,
                                               const std::string& startFolder) = 0;
    // Folder dialog; the chosen folder as file-system bytes, nullopt when cancelled.
    virtual std::optional<std::string> chooseFolder(const QString& caption,
                                                    const std::string& startFolder) = 0;
    // Save-file dialog starting at `proposedPath` (a folder and a name); the
    // chosen path as file-system bytes, nullopt when cancelled. The dialog
    // asks before an existing file is replaced.
    virtual std::optional<std::string> saveFile(const QString& caption, const QString& filter,
                                                const std::string& proposedPath) = 0;
};
