#pragma once
// Prompts shown with Qt's message boxes, input box and file dialogs.

#include "prompts.h"

class QWidget;

class QtPrompts final : public Prompts {
public:
    // `parent` owns the dialogs' stacking; nullptr means the registered main window.
    explicit QtPrompts(QWidget* parent = nullptr);

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
    std::optional<std::string> saveFile(const QString& caption, const QString& filter,
                                        const std::string& proposedPath) override;
    std::vector<std::string> openFiles(const QString& caption, const QString& filter,
                                       const std::string& startFolder) override;
    std::optional<std::string> chooseFolder(const QString& caption,
                                            const std::string& startFolder) override;

private:
    QWidget* parentWidget() const;

    QWidget* m_parent;
};
