#include "filefixtures.h"
#include "localfileurl.h"
#include "mainwindowregistry.h"
#include "qtprompts.h"
#include "scriptedprompts.h"
#include "showoserror.h"
#include "testapplication.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>

namespace {

class PromptsTest : public ::testing::Test {
protected:
    void SetUp() override { TestApplication(); }

    // Runs `act` on the modal box once it is shown.
    static void WhenBoxShows(std::function<void(QMessageBox&)> act, QString* text = nullptr,
                             QString* title = nullptr, QStringList* buttons = nullptr)
    {
        QTimer::singleShot(0, [=] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                ADD_FAILURE() << "no message box shown";
                return;
            }
            if (text)
                *text = box->text();
            if (title)
                *title = box->windowTitle();
            if (buttons) {
                for (QAbstractButton* b : box->buttons())
                    *buttons << b->text().remove(QLatin1Char('&'));
            }
            act(*box);
        });
    }
};

TEST_F(PromptsTest, QtOverwriteQuestionMapsEveryButtonAndClosingToAbort)
{
    QtPrompts prompts;
    const std::pair<QMessageBox::StandardButton, PromptAnswer> cases[] = {
        {QMessageBox::Yes, PromptAnswer::Yes},
        {QMessageBox::No, PromptAnswer::No},
        {QMessageBox::Abort, PromptAnswer::Abort},
        {QMessageBox::NoToAll, PromptAnswer::NoToAll},
        {QMessageBox::YesToAll, PromptAnswer::YesToAll},
    };
    for (const auto& [button, answer] : cases) {
        QString text;
        QString title;
        QStringList buttons;
        WhenBoxShows([button = button](QMessageBox& box) { box.button(button)->click(); }, &text,
                     &title, &buttons);
        EXPECT_EQ(prompts.askOverwrite("Confirm", "Overwrite \"a.mp3\" ?"), answer);
        EXPECT_EQ(text, "Overwrite \"a.mp3\" ?");
        EXPECT_EQ(title, "Confirm");
        EXPECT_EQ(buttons.size(), 5);
    }
    WhenBoxShows([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(prompts.askOverwrite("Confirm", "Overwrite?"), PromptAnswer::Abort);
}

TEST_F(PromptsTest, QtQuestionsAnswerTheirCloseButtonWhenDismissed)
{
    QtPrompts prompts;
    WhenBoxShows([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(prompts.askYesNo("Confirm", "Sure?"), PromptAnswer::No);
    WhenBoxShows([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(prompts.askYesNoCancel("Confirm", "Sure?"), PromptAnswer::Cancel);
    WhenBoxShows([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(prompts.askOkCancel("Confirm", "Sure?"), PromptAnswer::Cancel);
    // Enter takes the first button.
    WhenBoxShows([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); });
    EXPECT_EQ(prompts.askYesNoCancel("Confirm", "Sure?"), PromptAnswer::Yes);
    WhenBoxShows([](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); });
    EXPECT_EQ(prompts.askOkCancel("Confirm", "Sure?"), PromptAnswer::Ok);

    QString text;
    WhenBoxShows([](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); }, &text);
    prompts.showError("Error", "Something failed");
    EXPECT_EQ(text, "Something failed");

    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        auto* edit = dialog->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), "initial");
        edit->setText("typed");
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    EXPECT_EQ(prompts.inputText("Rename", "New name:", "initial"), QString("typed"));
    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    EXPECT_EQ(prompts.inputText("Rename", "New name:", "initial"), std::nullopt);
}

TEST_F(PromptsTest, BoxesAndInputBoxesShowFileNamesAsTypedNeverAsMarkup)
{
    QtPrompts prompts;
    Qt::TextFormat format = Qt::AutoText;
    WhenBoxShows([&](QMessageBox& box) {
        format = box.textFormat();
        box.button(QMessageBox::Ok)->click();
    });
    prompts.showError("Error", "Cannot open <b>x</b>.mp3");
    EXPECT_EQ(format, Qt::PlainText);
    WhenBoxShows([&](QMessageBox& box) {
        format = box.textFormat();
        box.button(QMessageBox::No)->click();
    });
    prompts.askYesNo("Confirm", "Delete <i>y</i>?");
    EXPECT_EQ(format, Qt::PlainText);

    QStringList labels;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            if (label->text().contains(QStringLiteral("<b>")))
                labels << label->text() + (label->textFormat() == Qt::PlainText ? "|plain" : "|markup");
        }
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    prompts.inputText("Rename file", "File '<b>x</b>.mp3'\rPlease type new name without extension", "x");
    // The carriage return breaks the line (a label would show it as a blank).
    EXPECT_EQ(labels, QStringList{QStringLiteral("File '<b>x</b>.mp3'\nPlease type new name without extension|plain")});
}

TEST_F(PromptsTest, TitlesFitAndMessagesCanBeCopied)
{
    QtPrompts prompts;
    const QString title = QStringLiteral("A rather long title that a narrow box would cut off");
    int width = 0;
    int needed = 0;
    Qt::TextInteractionFlags flags;
    QString text;
    WhenBoxShows([&](QMessageBox& box) {
        QFont bold = box.font();
        bold.setBold(true);
        needed = QFontMetrics(bold).horizontalAdvance(title);
        width = box.width();
        flags = box.textInteractionFlags();
        box.button(QMessageBox::Ok)->click();
    }, &text);
    prompts.showInformation(title, "Short.\r\nSecond line");
    EXPECT_GT(width, needed + 60);
    EXPECT_TRUE(flags & Qt::TextSelectableByMouse);
    EXPECT_EQ(text, "Short.\nSecond line");

    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        width = dialog->width();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    prompts.inputText(title, "Enter", "x");
    EXPECT_GT(width, needed + 60);
}

TEST_F(PromptsTest, FileDialogsGivePathBytesDecodedFromTheirUrls)
{
    // What a desktop's file dialog hands over for a name that is not UTF-8:
    // its bytes percent-encoded in the URL.
    EXPECT_EQ(LocalFilePath(QUrl(QStringLiteral("file:///music/caf%E9%20%FF.mp3"))), "/music/caf\xe9 \xff.mp3");
    EXPECT_EQ(LocalFilePath(QUrl(QStringLiteral("file:///music/100%25%20%231.mp3"))), "/music/100% #1.mp3");
    EXPECT_EQ(LocalFilePath(QUrl(QStringLiteral("https://example.com/x.mp3"))), "");

    // The real dialog's URL road: the chosen file comes back as its bytes.
    TempDir dir;
    const std::string name = "100% #1 \xc3\xa9t\xc3\xa9.mp3";
    WriteFile(dir.file(name), "x");
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(QString::fromStdString(dir.path()));
        dialog->selectFile(QString::fromStdString(name));
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    QtPrompts prompts;
    EXPECT_EQ(prompts.openFiles("Open", "MP3 Files (*.mp3)", dir.path()), std::vector<std::string>{dir.file(name)});
    MakeDir(dir.file("sub #2"));
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(QString::fromStdString(dir.file("sub #2")));
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    EXPECT_EQ(prompts.chooseFolder("Select Media Directory", dir.path()), std::optional<std::string>(dir.file("sub #2")));
}

TEST_F(PromptsTest, BoxesCanBeAnsweredWhileTheMainWindowIsDisabled)
{
    QWidget mainWindow;
    mainWindow.show();
    SetMainWindow(&mainWindow);
    mainWindow.setEnabled(false); // as during a long operation
    QtPrompts prompts;
    bool enabled = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        enabled = box->isEnabled();
        box->done(0); // never leave the test waiting on a dead box
    });
    prompts.showError("Error", "Error 13 : Permission denied");
    EXPECT_TRUE(enabled);
    SetMainWindow(nullptr);
}

TEST_F(PromptsTest, ShowOsErrorUsesTheFixedForm)
{
    ScriptedPrompts prompts;
    EXPECT_TRUE(ShowOsError(prompts, ENOENT));
    errno = EACCES;
    EXPECT_TRUE(ShowOsError(prompts, 0));
    errno = 0;
    EXPECT_FALSE(ShowOsError(prompts, 0));
    ASSERT_EQ(prompts.shown().size(), 2u);
    EXPECT_EQ(prompts.shown()[0].kind, ScriptedPrompts::Kind::Error);
    EXPECT_EQ(prompts.shown()[0].text, "Error 2 : No such file or directory");
    EXPECT_EQ(prompts.shown()[1].text, "Error 13 : Permission denied");
}

TEST_F(PromptsTest, ScriptedPromptsAnswersInOrderAndFailsOnSurprises)
{
    {
        ScriptedPrompts prompts;
        prompts.expect(ScriptedPrompts::Kind::YesNo, PromptAnswer::Yes)
            .expectInput(QString("name"))
            .expectFolder(std::string("/music"));
        EXPECT_EQ(prompts.askYesNo("T", "Q1"), PromptAnswer::Yes);
        prompts.showWarning("W", "careful");
        EXPECT_EQ(prompts.inputText("C", "P", ""), QString("name"));
        EXPECT_EQ(prompts.chooseFolder("Pick", "/"), std::string("/music"));
        EXPECT_EQ(prompts.texts(), (QStringList{"Q1", "careful", "P", "Pick"}));
        EXPECT_EQ(prompts.count(ScriptedPrompts::Kind::Warning), 1);
        EXPECT_EQ(prompts.shown()[0].title, "T");
        EXPECT_EQ(prompts.pending(), 0u);
    }
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompts prompts;
            EXPECT_EQ(prompts.askYesNoCancel("T", "surprise"), PromptAnswer::Cancel);
        },
        "unexpected Yes/No/Cancel question");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompts prompts;
            prompts.expect(ScriptedPrompts::Kind::YesNo, PromptAnswer::Yes);
            EXPECT_EQ(prompts.askOverwrite("T", "x"), PromptAnswer::Abort);
            EXPECT_EQ(prompts.askYesNo("T", "y"), PromptAnswer::Yes);
        },
        "expected Yes/No question");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompts prompts;
            prompts.expect(ScriptedPrompts::Kind::OkCancel, PromptAnswer::Ok);
        },
        "never came");
}

TEST_F(PromptsTest, MainWindowRegistryForgetsADestroyedWindow)
{
    auto window = std::make_unique<QWidget>();
    SetMainWindow(window.get());
    EXPECT_EQ(MainWindow(), window.get());
    EnableMainWindow(false);
    EXPECT_FALSE(window->isEnabled());
    EnableMainWindow(true);
    EXPECT_TRUE(window->isEnabled());
    window.reset();
    EXPECT_EQ(MainWindow(), nullptr);
    EnableMainWindow(false); // nothing to do, no crash
    SetMainWindow(nullptr);
}

} // namespace
