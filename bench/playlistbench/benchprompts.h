#pragma once
// Prompts for the benchmarks: the folder dialog answers a fixed folder, the
// overwrite question a fixed answer (Abort unless told), every other question
// No (or Yes and OK after ConfirmQuestions); every message is written to
// stderr and errors are counted.

#include "prompts.h"

#include <string>

class BenchPrompts final : public Prompts {
public:
    explicit BenchPrompts(std::string folder, PromptAnswer overwrite = PromptAnswer::Abort)
        : m_folder(std::move(folder))
        , m_overwrite(overwrite)
    {
    }

    // Yes/No questions are answered Yes, OK/Cancel questions OK.
    void ConfirmQuestions() { m_confirm = true; }
    int errors() const { return m_errors; }
    // Overwrite questions answered so far.
    int overwriteQuestions() const { return m_overwriteQuestions; }

    PromptAnswer askYesNo(const QString&, const QString&, PromptIcon) override
    {
        return m_confirm ? PromptAnswer::Yes : PromptAnswer::No;
    }
    PromptAnswer askYesNoCancel(const QString&, const QString&, PromptIcon) override { return PromptAnswer::Cancel; }
    PromptAnswer askOkCancel(const QString&, const QString&, PromptIcon) override
    {
        return m_confirm ? PromptAnswer::Ok : PromptAnswer::Cancel;
    }
    PromptAnswer askOverwrite(const QString&, const QString&, PromptIcon) override
    {
        ++m_overwriteQuestions;
        return m_overwrite;
    }
    void showError(const QString& title, const QString& text) override
    {
        ++m_errors;
        Print(title, text);
    }
    void showWarning(const QString& title, const QString& text) override { Print(title, text); }
    void showInformation(const QString& title, const QString& text) override { Print(title, text); }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override { return std::nullopt; }
    std::vector<std::string> openFiles(const QString&, const QString&, const std::string&) override { return {}; }
    std::optional<std::string> chooseFolder(const QString&, const std::string&) override { return m_folder; }
    std::optional<std::string> saveFile(const QString&, const QString&, const std::string&) override
    {
        return std::nullopt;
    }

private:
    static void Print(const QString& title, const QString& text);
    std::string m_folder;
    PromptAnswer m_overwrite;
    bool m_confirm = false;
    int m_errors = 0;
    int m_overwriteQuestions = 0;
};
