#include "qtprompts.h"

#include "mainwindowregistry.h"

#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon ToQtIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Warning: return QMessageBox::Warning;
    case PromptIcon::Error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

struct ButtonAnswer {
    QMessageBox::StandardButton button;
    PromptAnswer answer;
};

// Shows a box with `buttons` (the first one is the default); closing the box
// without a button gives `closedAnswer`.
PromptAnswer Ask(QWidget* parent, const QString& title, const QString& text, PromptIcon icon,
                 std::initializer_list<ButtonAnswer> buttons, QMessageBox::StandardButton escape,
                 PromptAnswer closedAnswer)
{
    QMessageBox box(ToQtIcon(icon), title, text, QMessageBox::NoButton, parent);
    for (const ButtonAnswer& b : buttons)
        box.addButton(b.button);
    box.setDefaultButton(buttons.begin()->button);
    box.setEscapeButton(box.button(escape));
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    for (const ButtonAnswer& b : buttons) {
        if (clicked && clicked == box.button(b.button))
            return b.answer;
    }
    return closedAnswer;
}

void Show(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

QtPrompts::QtPrompts(QWidget* parent) : m_parent(parent) {}

QWidget* QtPrompts::parentWidget() const
{
    return m_parent ? m_parent : MainWindow();
}

PromptAnswer QtPrompts::askYesNo(const QString& title, const QString& text, PromptIcon icon)
{
    return Ask(parentWidget(), title, text, icon,
               {{QMessageBox::Yes, PromptAnswer::Yes}, {QMessageBox::No, PromptAnswer::No}},
               QMessageBox::No, PromptAnswer::No);
}

PromptAnswer QtPrompts::askYesNoCancel(const QString& title, const QString& text, PromptIcon icon)
{
    return Ask(parentWidget(), title, text, icon,
               {{QMessageBox::Yes, PromptAnswer::Yes},
                {QMessageBox::No, PromptAnswer::No},
                {QMessageBox::Cancel, PromptAnswer::Cancel}},
               QMessageBox::Cancel, PromptAnswer::Cancel);
}

PromptAnswer QtPrompts::askOkCancel(const QString& title, const QString& text, PromptIcon icon)
{
    return Ask(parentWidget(), title, text, icon,
               {{QMessageBox::Ok, PromptAnswer::Ok}, {QMessageBox::Cancel, PromptAnswer::Cancel}},
               QMessageBox::Cancel, PromptAnswer::Cancel);
}

PromptAnswer QtPrompts::askOverwrite(const QString& title, const QString& text, PromptIcon icon)
{
    return Ask(parentWidget(), title, text, icon,
               {{QMessageBox::Yes, PromptAnswer::Yes},
                {QMessageBox::No, PromptAnswer::No},
                {QMessageBox::Abort, PromptAnswer::Abort},
                {QMessageBox::NoToAll, PromptAnswer::NoToAll},
                {QMessageBox::YesToAll, PromptAnswer::YesToAll}},
               QMessageBox::Abort, PromptAnswer::Abort);
}

void QtPrompts::showError(const QString& title, const QString& text)
{
    Show(parentWidget(), QMessageBox::Critical, title, text);
}

void QtPrompts::showWarning(const QString& title, const QString& text)
{
    Show(parentWidget(), QMessageBox::Warning, title, text);
}

void QtPrompts::showInformation(const QString& title, const QString& text)
{
    Show(parentWidget(), QMessageBox::Information, title, text);
}

std::optional<QString> QtPrompts::inputText(const QString& caption, const QString& prompt,
                                            const QString& initialText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parentWidget(), caption, prompt, QLineEdit::Normal,
                                               initialText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::vector<std::string> QtPrompts::openFiles(const QString& caption, const QString& filter,
                                              const std::string& startFolder)
{
    const QStringList names = QFileDialog::getOpenFileNames(
        parentWidget(), caption, QFile::decodeName(QByteArray::fromStdString(startFolder)),
        filter);
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(names.size()));
    for (const QString& name : names)
        paths.push_back(QFile::encodeName(name).toStdString());
    return paths;
}

std::optional<std::string> QtPrompts::chooseFolder(const QString& caption,
                                                   const std::string& startFolder)
{
    const QString folder = QFileDialog::getExistingDirectory(
        parentWidget(), caption, QFile::decodeName(QByteArray::fromStdString(startFolder)));
    if (folder.isEmpty())
        return std::nullopt;
    return QFile::encodeName(folder).toStdString();
}
