#pragma once
// Prompts for the benchmarks: the folder dialog answers a fixed folder, every
// question is answered No (or Yes and OK after ConfirmQuestions) and every
// message is written to stderr.

#include "prompts.h"

#include <string>

class BenchPrompts final : public Prompts {
public:
    explicit BenchPrompts(std::string folder)
        : m_folder(std::move(folder))
    {
    }

    // Yes/No questions are answered Yes, OK/Cancel questions OK.
    void ConfirmQuestions() { m_confirm = true; }

    PromptAnswer askYesNo(const QString&, const QString&, PromptIcon) override
    {
        return m_confirm ? PromptAnswer::Yes : PromptAnswer::No;
    }
    PromptAnswer askYesNoCancel(const QString&, const QString&, PromptIcon) override { return PromptAnswer::Cancel; }
    PromptAnswer askOkCancel(const QString&, const QString&, PromptIcon) override
    {
        return m_confirm ? PromptAnswer::Ok : PromptAnswer::Cancel;
    }
    PromptAnswer askOverwrite(const QString&, const QString&, PromptIcon) override { return PromptAnswer::Abort; }
    void showError(const QString& title, const QString& text) override { Print(title, text); }
    void showWarning(const QString& title, const QString& text) override { Print(title, text); }
    void showInformation(const QString& title, const QString& text) override { Print(title, text); }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override { return std::nullopt; }
    std::vector<std::string> openFiles(const QString&, const QString&, const std::string&) override { return {}; }
    std::optional<std::string> chooseFolder(const QString&, const std::string&) override { return m_folder; }

private:
    static void Print(const QString& title, const QString& text);
    std::string m_folder;
    bool m_confirm = false;
};
