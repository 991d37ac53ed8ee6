#include "qtprompts.h"

#include "localfileurl.h"
#include "mainwindowregistry.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace {

// What the title bar needs beside the title: the window's buttons and margins.
constexpr int kTitleBarExtra = 140;
// The margin of a dialog's layout on either side.
constexpr int kDialogMargin = 12;

// The texts break lines with a carriage return (and line feed); a label
// shows a lone carriage return as a blank, so each becomes a line feed.
QString ForDisplay(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// The width a box needs so that the window manager does not cut its title
// (title bars usually use a bold font).
int TitleWidth(const QWidget& window, const QString& title)
{
    QFont font = window.font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) + kTitleBarExtra;
}

// A message box whose texts are plain (they carry file names and tag texts,
// never markup), can be selected and copied, and whose title fits. The box
// sizes itself to its layout, so the title's width is laid in as a spacer.
void Prepare(QMessageBox& box)
{
    box.setTextFormat(Qt::PlainText);
    box.setText(ForDisplay(box.text()));
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(TitleWidth(box, box.windowTitle()), 0, QSizePolicy::Minimum,
                                      QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}

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
    Prepare(box);
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
    Prepare(box);
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
    dialog.setLabelText(ForDisplay(prompt));
    dialog.setTextValue(initialText);
    // The box sizes itself to its layout: the edit gets the title's width.
    if (auto* edit = dialog.findChild<QLineEdit*>())
        edit->setMinimumWidth(std::max(TitleWidth(dialog, caption) - 2 * kDialogMargin, 320));
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
