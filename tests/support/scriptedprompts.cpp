#include "scriptedprompts.h"

#include <gtest/gtest.h>

ScriptedPrompts::~ScriptedPrompts()
{
    for (const Expectation& e : m_queue)
        ADD_FAILURE() << "expected question never came: " << kindName(e.kind);
}

ScriptedPrompts& ScriptedPrompts::expect(Kind kind, PromptAnswer answer)
{
    m_queue.push_back(Expectation{kind, answer, {}, {}, {}});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::expectInput(std::optional<QString> answer)
{
    m_queue.push_back(Expectation{Kind::Input, PromptAnswer::Ok, std::move(answer), {}, {}});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::expectOpenFiles(std::vector<std::string> paths)
{
    m_queue.push_back(Expectation{Kind::OpenFiles, PromptAnswer::Ok, {}, std::move(paths), {}});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::expectFolder(std::optional<std::string> folder)
{
    m_queue.push_back(Expectation{Kind::Folder, PromptAnswer::Ok, {}, {}, std::move(folder)});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::expectSaveFile(std::optional<std::string> path)
{
    m_queue.push_back(Expectation{Kind::SaveFile, PromptAnswer::Ok, {}, {}, std::move(path)});
    return *this;
}

QStringList ScriptedPrompts::texts() const
{
    QStringList result;
    for (const Shown& s : m_shown)
        result << s.text;
    return result;
}

QStringList ScriptedPrompts::texts(Kind kind) const
{
    QStringList result;
    for (const Shown& s : m_shown) {
        if (s.kind == kind)
            result << s.text;
    }
    return result;
}

int ScriptedPrompts::count(Kind kind) const
{
    int n = 0;
    for (const Shown& s : m_shown)
        n += s.kind == kind ? 1 : 0;
    return n;
}

std::optional<ScriptedPrompts::Expectation> ScriptedPrompts::take(Kind kind, const QString& title,
                                                                  const QString& text)
{
    m_shown.push_back(Shown{kind, title, text});
    if (m_queue.empty()) {
        ADD_FAILURE() << "unexpected " << kindName(kind) << " \"" << text.toStdString()
                      << "\" (no answer queued)";
        return std::nullopt;
    }
    if (m_queue.front().kind != kind) {
        ADD_FAILURE() << "unexpected " << kindName(kind) << " \"" << text.toStdString()
                      << "\" (expected " << kindName(m_queue.front().kind) << ")";
        return std::nullopt;
    }
    Expectation e = std::move(m_queue.front());
    m_queue.pop_front();
    return e;
}

PromptAnswer ScriptedPrompts::ask(Kind kind, const QString& title, const QString& text,
                                  PromptAnswer closed)
{
    const auto e = take(kind, title, text);
    return e ? e->answer : closed;
}

PromptAnswer ScriptedPrompts::askYesNo(const QString& title, const QString& text, PromptIcon)
{
    return ask(Kind::YesNo, title, text, PromptAnswer::No);
}

PromptAnswer ScriptedPrompts::askYesNoCancel(const QString& title, const QString& text,
                                             PromptIcon)
{
    return ask(Kind::YesNoCancel, title, text, PromptAnswer::Cancel);
}

PromptAnswer ScriptedPrompts::askOkCancel(const QString& title, const QString& text, PromptIcon)
{
    return ask(Kind::OkCancel, title, text, PromptAnswer::Cancel);
}

PromptAnswer ScriptedPrompts::askOverwrite(const QString& title, const QString& text, PromptIcon)
{
    return ask(Kind::Overwrite, title, text, PromptAnswer::Abort);
}

void ScriptedPrompts::showError(const QString& title, const QString& text)
{
    m_shown.push_back(Shown{Kind::Error, title, text});
}

void ScriptedPrompts::showWarning(const QString& title, const QString& text)
{
    m_shown.push_back(Shown{Kind::Warning, title, text});
}

void ScriptedPrompts::showInformation(const QString& title, const QString& text)
{
    m_shown.push_back(Shown{Kind::Information, title, text});
}

std::optional<QString> ScriptedPrompts::inputText(const QString& caption, const QString& prompt,
                                                  const QString&)
{
    const auto e = take(Kind::Input, caption, prompt);
    return e ? e->input : std::nullopt;
}

std::vector<std::string> ScriptedPrompts::openFiles(const QString& caption, const QString&,
                                                    const std::string& startFolder)
{
    const auto e = take(Kind::OpenFiles, caption, caption);
    m_shown.back().startFolder = startFolder;
    return e ? e->files : std::vector<std::string>{};
}

std::optional<std::string> ScriptedPrompts::chooseFolder(const QString& caption,
                                                         const std::string& startFolder)
{
    const auto e = take(Kind::Folder, caption, caption);
    m_shown.back().startFolder = startFolder;
    return e ? e->folder : std::nullopt;
}

std::optional<std::string> ScriptedPrompts::saveFile(const QString& caption, const QString&, const std::string&)
{
    const auto e = take(Kind::SaveFile, caption, caption);
    return e ? e->folder : std::nullopt;
}

const char* ScriptedPrompts::kindName(Kind kind)
{
    switch (kind) {
    case Kind::YesNo: return "Yes/No question";
    case Kind::YesNoCancel: return "Yes/No/Cancel question";
    case Kind::OkCancel: return "OK/Cancel question";
    case Kind::Overwrite: return "overwrite question";
    case Kind::Error: return "error box";
    case Kind::Warning: return "warning box";
    case Kind::Information: return "information box";
    case Kind::Input: return "input box";
    case Kind::OpenFiles: return "open-files dialog";
    case Kind::Folder: return "folder dialog";
    case Kind::SaveFile: return "save-file dialog";
    }
    return "prompt";
}
