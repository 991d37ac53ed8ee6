// The preferences window over a real main window: the skin restyles the open
// windows at once and is saved, the display options change the playlist
// captions at once, every way of closing saves the settings, and the
// access letters of the small windows.

#include "dialogsfixture.h"

#include "accessletters.h"
#include "optionvalues.h"
#include "skinmanager.h"
#include "tfrmabout.h"
#include "tfrmmain.h"
#include "tfrmoptions.h"
#include "tfsearch.h"
#include "tplaylistpane.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStringListModel>
#include <QTabWidget>
#include <QTest>

namespace {

QColor PixelOf(QWidget& widget)
{
    return widget.grab().toImage().pixelColor(widget.width() - 3, 3);
}

// The widget Tab moves to from `widget`.
QWidget* NextTabStop(QWidget& widget)
{
    QWidget* next = widget.nextInFocusChain();
    while (next != &widget && !(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    return next;
}

} // namespace

TEST_F(DialogsTest, SkinChoiceRestylesTheOpenWindowsAtOnceAndIsSaved)
{
    MakeDir(dir.file("skins"));
    WriteFile(dir.file("skins/Red.qss"), "QWidget { background: rgb(255, 0, 0); }");
    WriteFile(dir.file("skins/Blue.qss"), "QWidget { background: rgb(0, 0, 255); }");
    WriteFile(dir.file("skins/notes.txt"), "not a skin");
    frm->skins().SetSkinDirectories({dir.file("skins")});
    options::skinName = "Red";
    frm->skins().SetSkinName(QStringLiteral("Red"));
    frm->skins().Activate();
    const std::string store = FreshStore();

    WithModal([&] { frm->Preferences1Click(); }, [&](QDialog& window) {
        TfrmOptions& form = As<TfrmOptions>(window);
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Options"));
        EXPECT_EQ(form.size(), QSize(464, 277));
        ASSERT_EQ(form.cbSkinsList->count(), 2);
        EXPECT_EQ(form.cbSkinsList->itemText(0), QStringLiteral("Blue"));
        EXPECT_EQ(form.cbSkinsList->currentText(), QStringLiteral("Red"));
        EXPECT_EQ(PixelOf(*frm->menuBar()), QColor(255, 0, 0));

        form.cbSkinsList->setCurrentIndex(0);
        EXPECT_EQ(PixelOf(*frm->menuBar()), QColor(0, 0, 255));
        EXPECT_EQ(PixelOf(form), QColor(0, 0, 255));
        EXPECT_EQ(options::skinName, "Blue");
        // Nothing is written before the window closes.
        EXPECT_FALSE(Exists(store));
        form.butClose->click();
    });
    EXPECT_EQ(Stored(store, "skinName"), QStringLiteral("Blue"));
}

TEST_F(DialogsTest, DisplayOptionsChangeThePlaylistCaptionsAtOnce)
{
    AddSong("a%20b.mp3", "Zed", "One");
    AddSong("c.mp3");
    ASSERT_EQ(Captions(), (std::vector<QString>{"c.mp3", "Zed - One"}));
    const std::string store = FreshStore();

    WithModal([&] { frm->Preferences1Click(); }, [&](QDialog& window) {
        TfrmOptions& form = As<TfrmOptions>(window);
        EXPECT_EQ(form.cbShowFileNames->currentText(), QStringLiteral("Mp3 tag Info in playlist"));
        EXPECT_TRUE(form.cbReplaceUrlSpaces->isChecked());

        form.cbShowFileNames->setCurrentIndex(0);
        EXPECT_EQ(form.cbShowFileNames->currentText(), QStringLiteral("File Name in playlist"));
        EXPECT_EQ(Captions(), (std::vector<QString>{"a b.mp3", "c.mp3"}));
        form.cbReplaceUrlSpaces->click();
        EXPECT_FALSE(options::REPLURLSPACES);
        EXPECT_EQ(Captions(), (std::vector<QString>{"a%20b.mp3", "c.mp3"}));
        form.cbShowFileNames->setCurrentIndex(1);
        EXPECT_FALSE(options::FNIOMP3INFO);
        EXPECT_EQ(Captions(), (std::vector<QString>{"c.mp3", "Zed - One"}));
        form.cbShowFileNames->setCurrentIndex(0);

        // Playing on at the end of a song sits with the playlist options.
        EXPECT_EQ(form.cbPlayNextAtEnd->parentWidget(), form.grpPlayList);
        EXPECT_FALSE(form.cbPlayNextAtEnd->isChecked());
        form.cbPlayNextAtEnd->click();
        EXPECT_TRUE(options::playNextAtEnd);
        EXPECT_LE(form.page1->layout()->minimumSize().height(), form.page1->height());
        QTest::keyClick(&form, Qt::Key_Escape);
    });
    EXPECT_EQ(Stored(store, "FNIOMP3INFO"), QStringLiteral("1"));
    EXPECT_EQ(Stored(store, "REPLURLSPACES"), QStringLiteral("0"));
    EXPECT_EQ(Stored(store, "playNextAtEnd"), QStringLiteral("1"));
}

TEST_F(DialogsTest, MissingSkinIsNotSelectedAndEveryWayOfClosingSaves)
{
    options::skinName = "Gone";
    const QString sheet = QStringLiteral("QWidget { color: rgb(1, 2, 3); }");
    qApp->setStyleSheet(sheet);
    const std::vector<std::pair<const char*, std::function<void(TfrmOptions&)>>> ways = {
        {"Close button", [](TfrmOptions& f) { f.butClose->click(); }},
        {"Enter", [](TfrmOptions& f) { QTest::keyClick(&f, Qt::Key_Return); }},
        {"Esc", [](TfrmOptions& f) { QTest::keyClick(&f, Qt::Key_Escape); }},
        {"close box", [](TfrmOptions& f) { f.close(); }},
    };
    for (const auto& [way, close] : ways) {
        const std::string store = FreshStore();
        WithModal([&] { frm->Preferences1Click(); }, [&](QDialog& window) {
            TfrmOptions& form = As<TfrmOptions>(window);
            EXPECT_GE(form.cbSkinsList->count(), 3) << "the shipped skins beside the program";
            EXPECT_EQ(form.cbSkinsList->currentIndex(), -1);
            close(form);
        });
        EXPECT_EQ(Stored(store, "skinName"), QStringLiteral("Gone")) << way;
        EXPECT_EQ(Stored(store, "REPLURLSPACES"), QStringLiteral("1")) << way;
    }
    // Opening and closing changed no skin.
    EXPECT_EQ(qApp->styleSheet(), sheet);
}

TEST_F(DialogsTest, TagOptionsTakeEffectAtOnceAndAreSaved)
{
    // "Группа" and "Песня" in Windows-1251 bytes, in an ID3v1 tag and in an
    // ID3v2 tag whose texts are in encoding 0.
    const std::string artist = "\xC3\xF0\xF3\xEF\xEF\xE0";
    const std::string title = "\xCF\xE5\xF1\xED\xFF";
    WriteFile(dir.file("v1.mp3"), AudioBytes(1500) + Id3v1Block(title, artist));
    WriteFile(dir.file("v2.mp3"), Id3v2Tag(3, artist, "2") + AudioBytes(1500));
    for (const char* name : {"v1.mp3", "v2.mp3"})
        ASSERT_TRUE(frm->playlist()->AddFileToPlaylist(dir.file(name)));
    const std::vector<QString> western = Captions();
    EXPECT_EQ(western, (std::vector<QString>{"Ãðóïïà - 2", "Ãðóïïà - Ïåñíÿ"}));
    const std::string store = FreshStore();

    WithModal([&] { frm->Preferences1Click(); }, [&](QDialog& window) {
        TfrmOptions& form = As<TfrmOptions>(window);
        EXPECT_EQ(form.ctrlpages->tabText(1), QStringLiteral("&Tags"));
        EXPECT_EQ(form.cbId3v2Version->currentText(), QStringLiteral("ID3v2.3"));
        EXPECT_EQ(form.cbCodePage->currentData().toString(), QStringLiteral("WINDOWS-1252"));
        EXPECT_FALSE(form.cbCodePageForId3v2->isChecked());
        EXPECT_FALSE(form.cbKeepFileTime->isChecked());
        EXPECT_EQ(form.cbLeaveRoom->text(), QStringLiteral("&Leave room in tags for later edits"));
        EXPECT_TRUE(form.cbLeaveRoom->isChecked());
        EXPECT_EQ(form.grpCodePage->title(), QStringLiteral("  Code page of ID3v1 tags (reading and writing)  "));
        // Tab goes down the writing options, then on to the reading ones.
        EXPECT_EQ(NextTabStop(*form.cbKeepFileTime), form.cbLeaveRoom);
        EXPECT_EQ(NextTabStop(*form.cbLeaveRoom), form.cbCodePage);
        // Nothing on the page is squeezed in the window's fixed size.
        form.ctrlpages->setCurrentIndex(1);
        EXPECT_LE(form.page2->layout()->minimumSize().height(), form.page2->height());
        EXPECT_LE(form.page2->layout()->minimumSize().width(), form.page2->width());

        form.cbCodePage->setCurrentIndex(form.cbCodePage->findData(QStringLiteral("WINDOWS-1251")));
        EXPECT_EQ(Captions(), (std::vector<QString>{"Ãðóïïà - 2", "Группа - Песня"}));
        form.cbCodePageForId3v2->click();
        EXPECT_EQ(Captions(), (std::vector<QString>{"Группа - 2", "Группа - Песня"}));
        form.cbId3v2Version->setCurrentIndex(1);
        form.cbKeepFileTime->click();
        form.cbLeaveRoom->click();
        const TagOptions chosen = options::CurrentTagOptions();
        EXPECT_EQ(chosen.writeVersion, Id3v2WriteVersion::V24);
        EXPECT_TRUE(chosen.keepModificationTime);
        EXPECT_FALSE(chosen.leaveRoom);
        EXPECT_EQ(chosen.codePage, "WINDOWS-1251") << "each box changes its own option only";
        form.butClose->click();
    });
    EXPECT_EQ(Stored(store, "ID3V2VERSION"), QStringLiteral("2.4"));
    EXPECT_EQ(Stored(store, "ID3V1CODEPAGE"), QStringLiteral("WINDOWS-1251"));
    EXPECT_EQ(Stored(store, "ID3V2CODEPAGE"), QStringLiteral("1"));
    EXPECT_EQ(Stored(store, "KEEPFILETIME"), QStringLiteral("1"));
    EXPECT_EQ(Stored(store, "TAGROOM"), QStringLiteral("0"));
}

TEST_F(DialogsTest, TheLookupServersHaveAPageOfTheirOwnAndABlankOneIsTheDefault)
{
    const std::string store = FreshStore();
    WithModal([&] { frm->Preferences1Click(); }, [&](QDialog& window) {
        TfrmOptions& form = As<TfrmOptions>(window);
        form.ctrlpages->setCurrentWidget(form.page3);
        EXPECT_EQ(form.edtMusicBrainzServer->text(), QStringLiteral("https://musicbrainz.org"));
        EXPECT_EQ(form.edtCoverArtServer->text(), QStringLiteral("https://coverartarchive.org"));
        QTest::keyClick(&form, Qt::Key_H, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), form.edtCoverArtServer);
        form.edtMusicBrainzServer->setText(QStringLiteral(" http://mirror.example:5000 "));
        form.edtCoverArtServer->clear();
        EXPECT_LE(form.page3->layout()->minimumSize().height(), form.page3->height());
        form.butClose->click();
    });
    EXPECT_EQ(Stored(store, "musicBrainzServer"), QStringLiteral("http://mirror.example:5000"));
    EXPECT_EQ(Stored(store, "coverArtServer"), QStringLiteral("https://coverartarchive.org"));
}

TEST_F(DialogsTest, TheSmallWindowsHaveAnAccessLetterForEachControlOfEachPage)
{
    WithModal([&] { frm->Preferences1Click(); }, [&](QDialog& window) {
        TfrmOptions& form = As<TfrmOptions>(window);
        for (int page = 0; page < form.ctrlpages->count(); ++page) {
            form.ctrlpages->setCurrentIndex(page);
            EXPECT_EQ(AccessLetterFaults(form), AccessFaults()) << page;
        }
        // Alt with a label's letter moves to its box.
        form.ctrlpages->setCurrentWidget(form.page2);
        QTest::keyClick(&form, Qt::Key_V, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), form.cbId3v2Version);
        QTest::keyClick(&form, Qt::Key_A, Qt::AltModifier);
        EXPECT_EQ(form.ctrlpages->currentIndex(), 0);
        QTest::keyClick(&form, Qt::Key_S, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), form.cbSkinsList);
        form.butClose->click();
    });
    QStringListModel playlist(QStringList{QStringLiteral("Song")});
    TfSearch search(playlist);
    EXPECT_EQ(AccessLetterFaults(search), AccessFaults());
    TfrmAbout about;
    EXPECT_EQ(AccessLetterFaults(about), AccessFaults());
}
