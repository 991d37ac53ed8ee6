#include "qtprompts.h"

#include "localfileurl.h"
#include "mainwindowregistry.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
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
    // Texts carry file names and tag texts: shown as typed, never as markup.
    box.setTextFormat(Qt::PlainText);
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

QUrl StartUrl(const std::string& folder)
{
    if (folder.empty())
        return {};
    // Percent-encoded from the bytes, so that any name reaches the dialog.
    QUrl url;
    url.setScheme(QStringLiteral("file"));
    url.setPath(QString::fromLatin1(QByteArray::fromStdString(folder).toPercentEncoding("/")), QUrl::TolerantMode);
    return url;
}

void Show(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
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
    QInputDialog dialog(parentWidget());
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(initialText);
    // The prompt may name a file: shown as typed, never as markup.
    for (QLabel* label : dialog.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::vector<std::string> QtPrompts::openFiles(const QString& caption, const QString& filter,
                                              const std::string& startFolder)
{
    // URLs keep the bytes of names that are not valid UTF-8.
    const QList<QUrl> urls =
        QFileDialog::getOpenFileUrls(parentWidget(), caption, StartUrl(startFolder), filter);
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(urls.size()));
    for (const QUrl& url : urls) {
        std::string path = LocalFilePath(url);
        if (!path.empty())
            paths.push_back(std::move(path));
    }
    return paths;
}

std::optional<std::string> QtPrompts::saveFile(const QString& caption, const QString& filter,
                                               const std::string& proposedPath)
{
    const std::string path =
        LocalFilePath(QFileDialog::getSaveFileUrl(parentWidget(), caption, StartUrl(proposedPath), filter));
    if (path.empty())
        return std::nullopt;
    return path;
}

std::optional<std::string> QtPrompts::chooseFolder(const QString& caption,
                                                   const std::string& startFolder)
{
    const std::string folder =
        LocalFilePath(QFileDialog::getExistingDirectoryUrl(parentWidget(), caption, StartUrl(startFolder)));
    if (folder.empty())
        return std::nullopt;
    return folder;
}
