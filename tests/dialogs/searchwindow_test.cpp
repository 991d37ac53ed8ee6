// The jump-to-file window: its matching rules on a list of captions, and,
// over a real main window with a playlist of real files, the keys of its
// edit, cancelling, playing the chosen row, a caption that is not UTF-8, and
// the about window.

#include "dialogsfixture.h"

#include "tfrmabout.h"
#include "tfrmmain.h"
#include "tfsearch.h"
#include "tplayercontrols.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "tsongslistview.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

QStringList Lines(const TfSearch& form)
{
    QStringList lines;
    for (int i = 0; i < form.List->count(); ++i)
        lines << form.List->item(i)->text();
    return lines;
}

} // namespace

TEST_F(DialogsTest, SearchFoldsOnlyAToZKeepsInnerBlanksAndListsAtMostFiftyLines)
{
    QStringList captions = {"Beat It", "upBEAT", "Be at home", QString::fromUtf8("über cool"),
                            QString::fromUtf8("Über alles")};
    for (int i = 0; i < 60; ++i)
        captions << QStringLiteral("Track %1").arg(i, 2, 10, QLatin1Char('0'));
    QStringListModel playlist(captions);
    TfSearch form(playlist);
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Jump to file"));

    // No text: the first 50 rows.
    EXPECT_EQ(form.List->count(), 50);
    EXPECT_EQ(form.ResultRows.back(), 49);
    EXPECT_EQ(form.List->currentRow(), 0);

    form.eSearch->setText(QStringLiteral("beat"));
    EXPECT_EQ(Lines(form), (QStringList{"Beat It", "upBEAT"}));
    form.eSearch->setText(QStringLiteral("  be at\t "));
    EXPECT_EQ(Lines(form), (QStringList{"Be at home"}));
    EXPECT_EQ(form.ResultRows, (std::vector<int>{2}));
    form.eSearch->setText(QString::fromUtf8("über"));
    EXPECT_EQ(Lines(form), (QStringList{QString::fromUtf8("über cool")}));
    form.eSearch->setText(QString::fromUtf8("ÜBER"));
    EXPECT_EQ(Lines(form), (QStringList{QString::fromUtf8("Über alles")}));
    form.eSearch->setText(QStringLiteral("at home track"));
    EXPECT_EQ(form.List->count(), 0);
    // A text never matches across two captions.
    form.eSearch->setText(QStringLiteral("home") + QChar(0) + QString::fromUtf8("über"));
    EXPECT_EQ(form.List->count(), 0);

    // More than 50 matches: the first 50 in playlist order.
    form.eSearch->setText(QStringLiteral("TRACK"));
    ASSERT_EQ(form.List->count(), 50);
    EXPECT_EQ(form.List->item(49)->text(), QStringLiteral("Track 49"));
    EXPECT_EQ(form.ResultRows.front(), 5);
    EXPECT_EQ(form.ResultRows.back(), 54);

    // Rows that change under the open window are read again.
    playlist.removeRows(0, 1);
    form.eSearch->setText(QStringLiteral("beat"));
    EXPECT_EQ(Lines(form), (QStringList{"upBEAT"}));
    EXPECT_EQ(form.ResultRows, (std::vector<int>{0}));
}

TEST_F(DialogsTest, KeysOfTheSearchEditMoveAndChooseAndTheChosenRowPlays)
{
    const std::string other = AddSong("zulu.mp3");
    AddSong("alpha.mp3");
    AddSong("beta.mp3");
    const std::string wanted = AddSong("Alphabet.mp3");
    // zulu plays; alphabet is row 1 (alpha, Alphabet, beta, zulu).
    frm->playlist()->songsListView()->selectionModel()->select(model().index(3),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    frm->playerControls()->songsListViewDblClick();
    ASSERT_EQ(media->path, other);

    WithModal([&] { QTest::keyClick(frm->playlist()->songsListView(), Qt::Key_J); }, [&](QDialog& window) {
        TfSearch& form = As<TfSearch>(window);
        QTest::keyClicks(form.eSearch, QStringLiteral("ALPHA"));
        EXPECT_EQ(Lines(form), (QStringList{"alpha.mp3", "Alphabet.mp3"}));
        EXPECT_EQ(form.List->currentRow(), 0);
        QTest::keyClick(form.eSearch, Qt::Key_Down);
        QTest::keyClick(form.eSearch, Qt::Key_Up);
        EXPECT_EQ(form.List->currentRow(), 0);
        QTest::keyClick(form.eSearch, Qt::Key_Down);
        EXPECT_EQ(form.List->currentRow(), 1);
        QTest::keyClick(form.eSearch, Qt::Key_Return);
    });
    EXPECT_EQ(frm->playlist()->SelectedRows(), (std::vector<int>{1}));
    EXPECT_EQ(frm->playlist()->songsListView()->currentIndex().row(), 1);
    EXPECT_TRUE(frm->playlist()->songsListView()->hasFocus());
    EXPECT_EQ(media->path, wanted);
    EXPECT_TRUE(model().IsChecked(1) && !model().IsChecked(3));

    // Esc, Cancel and an Enter with nothing listed change nothing. F3 and
    // the toolbar button open the same window.
    const auto commands = media->commands;
    WithModal([&] { QTest::keyClick(frm.get(), Qt::Key_F3); }, [](QDialog& window) {
        TfSearch& form = As<TfSearch>(window);
        QTest::keyClick(form.eSearch, Qt::Key_Down);
        QTest::keyClick(form.eSearch, Qt::Key_Escape);
    });
    WithModal([&] { frm->btntbSearch->click(); }, [](QDialog& window) {
        TfSearch& form = As<TfSearch>(window);
        QTest::keyClicks(form.eSearch, QStringLiteral("nothing"));
        QTest::keyClick(form.eSearch, Qt::Key_Return);
        EXPECT_TRUE(form.isVisible());
        form.bCancel->click();
    });
    EXPECT_EQ(frm->playlist()->SelectedRows(), (std::vector<int>{1}));
    EXPECT_EQ(media->commands, commands);

    // An empty playlist opens no window.
    frm->playlist()->model()->Clear();
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* window = QApplication::activeModalWidget()) {
            opened = true;
            window->close();
        }
    });
    frm->showSearchWindow();
    QApplication::processEvents();
    EXPECT_FALSE(opened);
}

TEST_F(DialogsTest, CaptionThatIsNotUtf8IsShownAsThePlaylistShowsItAndPlays)
{
    AddSong("alpha.mp3");
    const std::string odd = AddSong("Caf\xE9 Noir.mp3");
    const QString shown = QStringLiteral("Caf") + QChar(0xFFFD) + QStringLiteral(" Noir.mp3");
    ASSERT_EQ(Captions(), (std::vector<QString>{"alpha.mp3", shown}));

    WithModal([&] { frm->showSearchWindow(); }, [&](QDialog& window) {
        TfSearch& form = As<TfSearch>(window);
        form.eSearch->insert(QString(QChar(0xFFFD)) + QStringLiteral(" noir"));
        EXPECT_EQ(Lines(form), (QStringList{shown}));
        form.eSearch->setText(QStringLiteral("caf"));
        EXPECT_EQ(Lines(form), (QStringList{shown}));
        const QPoint line = form.List->visualItemRect(form.List->item(0)).center();
        QTest::mouseClick(form.List->viewport(), Qt::LeftButton, {}, line);
        QTest::mouseDClick(form.List->viewport(), Qt::LeftButton, {}, line);
    });
    EXPECT_EQ(media->path, odd);
    EXPECT_TRUE(model().IsChecked(1));
}

TEST_F(DialogsTest, AboutShowsTitleVersionAndContacts)
{
    WithModal([&] { frm->About1Click(); }, [](QDialog& window) {
        TfrmAbout& form = As<TfrmAbout>(window);
        EXPECT_EQ(form.windowTitle(), QStringLiteral("About"));
        EXPECT_TRUE(form.ab->isReadOnly());
        EXPECT_EQ(form.ab->toPlainText(), QStringLiteral("Orvanel Soft - Tunevault v.1.0\nContact information:\n"
                                                         "URL: https://tunevault.example.org/\n"
                                                         "email: support@tunevault.example.org"));
        QTest::keyClick(&form, Qt::Key_Return);
    });
}
