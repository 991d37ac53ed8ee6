// The tag editor driven offscreen on real files: what it shows, what it
// writes (checked with TagLib and the raw ID3v1 bytes), the track checks,
// the focus rules of multi-file mode, and the failures it reports.

#include "tagtoolsfixture.h"

#include "optionvalues.h"
#include "tagfailurelist.h"
#include "tfrmmp3tag.h"
#include "tfrmprogress.h"
#include "progresswindows.h"
#include "tmp3tagv2.h"
#include "tplaylistpane.h"
#include "tsongslistview.h"
#include "ttagpage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using Kind = ScriptedPrompts::Kind;

namespace {

// Replaces an edit's text as typed by the user.
void Type(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// Replaces an edit's text as typed by the user, letters outside ASCII too
// (which QTest::keyClicks cannot send): one key press carrying the text.
void TypeText(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(edit, &press);
}

bool Closed(const TfrmMp3Tag& dialog)
{
    return !dialog.isVisible() && dialog.result() == QDialog::Accepted;
}

// What the prompts showed, as "title: text" lines.
std::string Shown(const ScriptedPrompts& prompts)
{
    std::string out;
    for (const auto& s : prompts.shown())
        out += (s.title + QStringLiteral(": ") + s.text + QLatin1Char('\n')).toStdString();
    return out;
}

} // namespace

TEST_F(TagToolsTest, FieldsTheUserLeavesAloneAreWrittenBackExactlyAsRead)
{
    const std::string longTitle = "A title that runs on well past thirty letters";
    const std::string path = dir.file("song.mp3");
    // ID3v1: a title with leading blanks and a genre byte outside the list.
    WriteFile(path, AudioBytes(3000) + Id3v1Block("  Lead", "Art", "", "", "", 200));
    Tmp3TagV2 v2;
    v2.LoadFromFile(path);
    v2.SetTitle(longTitle);
    v2.SetArtist("Artist");
    v2.SetTrack(1024);
    ASSERT_TRUE(v2.SaveToFile(path));
    playlist().AddFileToPlaylist(path);
    Select({0});

    auto dialog = OpenEditor();
    EXPECT_FALSE(dialog->MultiFileMode());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Change mp3 tag"));
    EXPECT_EQ(dialog->edtFileName->text().toStdString(), path);
    EXPECT_EQ(dialog->pages->currentWidget(), dialog->page1);
    EXPECT_EQ(dialog->edtID3v2_Title->text().toStdString(), longTitle);
    EXPECT_EQ(dialog->edtID3v2_Track->text(), QStringLiteral("1024"));
    EXPECT_EQ(dialog->edtID3v1_Title->text(), QStringLiteral("  Lead"));
    EXPECT_EQ(dialog->edtID3v1_Genre->currentIndex(), 0);
    dialog->actUpdateExecute();
    EXPECT_TRUE(Closed(*dialog));
    EXPECT_TRUE(prompts.shown().empty()) << Shown(prompts);
    EXPECT_EQ(TagLibFrame(path, "TIT2"), longTitle);
    EXPECT_EQ(TagLibFrame(path, "TRCK"), "1024");
    EXPECT_EQ(Trailer(path).substr(0, 9), "TAG  Lead");
    EXPECT_EQ(static_cast<unsigned char>(Trailer(path)[127]), 200);
    const std::string saved = ReadFile(path);

    // Typed values are checked and trimmed; the rest still stays as it was.
    dialog = OpenEditor();
    Type(dialog->edtID3v2_Artist, QStringLiteral("  New artist  "));
    Type(dialog->edtID3v1_Track, QStringLiteral("256"));
    dialog->actUpdateExecute();
    EXPECT_EQ(prompts.texts(Kind::Error), QStringList{QStringLiteral("Invalid ID3v1 track number!")});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(ReadFile(path), saved);
    Type(dialog->edtID3v1_Track, QStringLiteral(" 12"));
    dialog->actUpdateExecute();
    EXPECT_TRUE(Closed(*dialog));
    EXPECT_EQ(TagLibFrame(path, "TPE1"), "New artist");
    EXPECT_EQ(TagLibFrame(path, "TIT2"), longTitle);
    EXPECT_EQ(TagLibFrame(path, "TRCK"), "1024");
    const std::string now = Trailer(path);
    EXPECT_EQ(now.substr(3, 6), "  Lead");
    EXPECT_EQ(static_cast<unsigned char>(now[126]), 12);
    EXPECT_EQ(static_cast<unsigned char>(now[127]), 200);
}

TEST_F(TagToolsTest, PagesCheckBoxesAndTrackChecks)
{
    const Tags v2{"Only", "Two", "", "", "", "", 4};
    AddSong("v2.mp3", &v2);
    Select({0});
    auto dialog = OpenEditor();
    EXPECT_EQ(dialog->pages->currentWidget(), dialog->page2);
    EXPECT_FALSE(dialog->chkID3v1->isChecked());
    EXPECT_FALSE(dialog->edtID3v1_Title->isEnabled());
    EXPECT_TRUE(dialog->edtID3v2_Title->isEnabled());
    dialog->chkID3v2->click();
    EXPECT_FALSE(dialog->edtID3v2_Genre->isEnabled());
    dialog->chkID3v2->click();
    // A track of a version that is not stored is not checked.
    dialog->chkID3v1->click();
    Type(dialog->edtID3v1_Track, QStringLiteral("abc"));
    dialog->chkID3v1->click();

    struct Case {
        int version;
        const char* text;
        bool valid;
    };
    for (const Case& c : {Case{2, "7a", false}, Case{2, "-1", false}, Case{2, "  ", true},
                          Case{2, "999", true}, Case{1, "-1", false}, Case{1, "256", false}, Case{1, "255", true}}) {
        SCOPED_TRACE(c.text);
        prompts.clearShown();
        if (c.version == 1 && !dialog->chkID3v1->isChecked())
            dialog->chkID3v1->click();
        Type(c.version == 1 ? dialog->edtID3v1_Track : dialog->edtID3v2_Track, QString::fromLatin1(c.text));
        dialog->actUpdateExecute();
        EXPECT_EQ(Closed(*dialog), c.valid);
        if (c.valid)
            dialog = OpenEditor();
        else
            EXPECT_EQ(prompts.texts(Kind::Error).value(0),
                      QStringLiteral("Invalid ID3v%1 track number!").arg(c.version));
    }
    EXPECT_EQ(TagLibFrame(dir.file("v2.mp3"), "TRCK"), "999");
    EXPECT_EQ(static_cast<unsigned char>(Trailer(dir.file("v2.mp3"))[126]), 255);
}

TEST_F(TagToolsTest, UncheckedVersionsAreRemovedAndAMissingTagIsNoFailure)
{
    // A name that is not UTF-8: shown with a replacement character, reached
    // by its bytes.
    const std::string bare = AddSong("a-bare\xE9.mp3", nullptr);
    const Tags tags{"T", "A", "", "", "", "", 1};
    const std::string both = AddSong("b-both.mp3", &tags, &tags);
    SelectFile(bare);
    auto dialog = OpenEditor();
    EXPECT_TRUE(dialog->edtFileName->text().endsWith(QStringLiteral("a-bare\uFFFD.mp3")));
    // The genre lists: the empty entry and the 148 names.
    EXPECT_EQ(dialog->edtID3v1_Genre->count(), 149);
    EXPECT_EQ(dialog->edtID3v2_Genre->itemText(1), QStringLiteral("Blues"));
    EXPECT_FALSE(dialog->chkID3v1->isChecked());
    EXPECT_FALSE(dialog->chkID3v2->isChecked());
    EXPECT_EQ(dialog->pages->currentWidget(), dialog->page1);
    dialog->actUpdateExecute();
    EXPECT_TRUE(Closed(*dialog));
    EXPECT_EQ(ReadFile(bare), AudioBytes(3000));

    SelectFile(both);
    dialog = OpenEditor();
    dialog->chkID3v1->click();
    dialog->chkID3v2->click();
    dialog->actUpdateExecute();
    EXPECT_TRUE(Closed(*dialog));
    EXPECT_EQ(ReadFile(both), AudioBytes(3000));
    EXPECT_TRUE(prompts.shown().empty()) << Shown(prompts);
}

TEST_F(TagToolsTest, SingleFileFailuresAreShownWithTheirReasonAndTheDialogStays)
{
    // A file that vanished after it was listed: both versions count as absent.
    const std::string gone = AddSong("gone.mp3", nullptr);
    ::unlink(gone.c_str());
    Select({0});
    auto dialog = OpenEditor();
    EXPECT_FALSE(dialog->chkID3v1->isChecked());
    EXPECT_FALSE(dialog->chkID3v2->isChecked());
    dialog->actUpdateExecute();
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_EQ(prompts.shown().size(), 1u);
    EXPECT_EQ(prompts.shown()[0].title, QStringLiteral("Error saving ID3v2 tag"));
    EXPECT_EQ(prompts.shown()[0].text.toStdString(), "Cannot open file \"" + gone + "\". No such file or directory");
    dialog.reset();

    // A file the user may write in a folder he may not: both tags fit where
    // the old ones were and are written in place, which needs no folder.
    const Tags tags{"Title", "Artist", "", "", "", "", 0};
    MakeDir(dir.file("locked"));
    const std::string locked = AddSong("locked/song.mp3", &tags, &tags);
    ::chmod(locked.c_str(), 0666);
    ::chmod(dir.file("locked").c_str(), 0555);
    // A file the user may only read.
    const std::string readOnly = AddSong("read-only.mp3", &tags, &tags);
    ::chmod(readOnly.c_str(), 0444);
    const std::string lockedBefore = ReadFile(locked);
    const std::string readOnlyBefore = ReadFile(readOnly);

    std::string report;
    const int code = Unprivileged([&](std::string& out) {
        for (const std::string& path : {locked, readOnly}) {
            SelectFile(path);
            prompts.clearShown();
            auto editor = OpenEditor();
            Type(editor->edtID3v1_Artist, QStringLiteral("One"));
            Type(editor->edtID3v2_Artist, QStringLiteral("Two"));
            editor->actUpdateExecute();
            // The saved file's editor closes; the failed one's stays.
            if (editor->isVisible() != (path == readOnly))
                return 1;
            out += Shown(prompts);
        }
        return 0;
    }, &report);
    EXPECT_EQ(code, 0);
    // The file the user may only read is left as it was, both tags.
    EXPECT_EQ(report, "Error saving ID3v2 tag: Cannot save the ID3v2 tag of file \"" + readOnly
                          + "\". Permission denied\n");
    EXPECT_EQ(ReadFile(locked).size(), lockedBefore.size());
    EXPECT_EQ(Trailer(locked).substr(33, 3), "One");
    EXPECT_NE(ReadFile(locked).find("Two"), std::string::npos);
    EXPECT_EQ(ReadFile(readOnly), readOnlyBefore);
}

TEST_F(TagToolsTest, MultiFileFieldsFollowThePlaceholderRules)
{
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        AddSong(name, nullptr);
    Select({0, 2});
    auto dialog = OpenEditor();
    EXPECT_TRUE(dialog->MultiFileMode());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Change mp3 tag - 2 files"));
    EXPECT_FALSE(dialog->edtFileName->isVisible());
    EXPECT_FALSE(dialog->chkID3v1->isVisible());
    EXPECT_FALSE(dialog->edtID3v2_Track->isEnabled());
    QLineEdit* year = dialog->edtID3v1_Year;
    EXPECT_EQ(year->text(), TTagPage::kDontChange);
    EXPECT_TRUE(year->font().italic());
    EXPECT_EQ(dialog->edtID3v2_Genre->currentText(), TTagPage::kDontChange);
    EXPECT_EQ(dialog->edtID3v2_Genre->count(), 150);
    EXPECT_FALSE(dialog->actUpdate->isEnabled());

    // Entering empties the placeholder; blanks only bring it back on leaving.
    year->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(year->text(), QString());
    EXPECT_TRUE(year->font().bold());
    QTest::keyClicks(year, QStringLiteral("  "));
    EXPECT_EQ(TTagPage::ChangedMark(year), 1);
    dialog->FormMouseDown();
    EXPECT_EQ(year->text(), TTagPage::kDontChange);
    EXPECT_TRUE(year->font().italic());
    EXPECT_EQ(TTagPage::ChangedMark(year), 0);
    EXPECT_FALSE(dialog->actUpdate->isEnabled());

    // A value keeps its blanks and its mark; the year limit holds again.
    year->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(year, QStringLiteral(" 19999"));
    dialog->edtID3v1_Album->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(year->text(), QStringLiteral(" 199"));
    EXPECT_TRUE(year->font().bold());
    EXPECT_TRUE(dialog->actUpdate->isEnabled());
    dialog->FormMouseDown();
    EXPECT_EQ(dialog->edtID3v1_Album->text(), TTagPage::kDontChange);

    // A genre pick counts, the empty entry too; the placeholder does not.
    QComboBox* genre = dialog->edtID3v1_Genre;
    genre->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(genre->font().italic());
    genre->setCurrentIndex(1);
    dialog->FormMouseDown();
    EXPECT_TRUE(genre->font().bold());
    EXPECT_EQ(genre->currentText(), QString());
    // Typed text in the free genre counts as a pick.
    dialog->edtID3v2_Genre->setEditText(QStringLiteral("Chiptune"));
    year->setFocus(Qt::TabFocusReason);
    year->clear();
    dialog->FormMouseDown();
    dialog->edtID3v1_Genre->setCurrentIndex(0);
    dialog->actUpdateUpdate();
    EXPECT_TRUE(dialog->actUpdate->isEnabled());
    dialog->edtID3v2_Genre->setCurrentIndex(0);
    dialog->actUpdateUpdate();
    EXPECT_FALSE(dialog->actUpdate->isEnabled());
}

TEST_F(TagToolsTest, MultiFileUpdateWritesTheEnteredFieldsIntoEverySelectedFile)
{
    const Tags tags{"Title", "Old", "Album", "1999", "Rock", "", 7};
    const std::string a = AddSong("a.mp3", &tags, &tags);
    const std::string b = AddSong("b.mp3", nullptr);
    const std::string c = AddSong("c.mp3", &tags);
    Select({0, 1, 2});
    auto dialog = OpenEditor();
    dialog->edtID3v2_Artist->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(dialog->edtID3v2_Artist, QStringLiteral(" New"));
    dialog->edtID3v1_Artist->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(dialog->edtID3v1_Artist, QStringLiteral("V1"));
    dialog->FormMouseDown();
    dialog->edtID3v1_Genre->setCurrentIndex(1);

    prompts.expect(Kind::OkCancel, PromptAnswer::Cancel);
    dialog->actUpdateExecute();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(prompts.texts(Kind::OkCancel).value(0),
              QStringLiteral("Do you really want to update mp3 tag information for selected 3 files?"));
    EXPECT_EQ(TagLibFrame(a, "TPE1"), "Old");

    prompts.expect(Kind::OkCancel, PromptAnswer::Ok);
    dialog->actUpdateExecute();
    EXPECT_TRUE(Closed(*dialog));
    EXPECT_FALSE(ProgressWindows::instance().progress().isVisible());
    for (const std::string& path : {a, c}) {
        EXPECT_EQ(TagLibFrame(path, "TPE1"), " New");
        EXPECT_EQ(TagLibFrame(path, "TIT2"), "Title");
        EXPECT_EQ(TagLibFrame(path, "TRCK"), "7");
    }
    EXPECT_EQ(TagLibFrame(b, "TPE1"), " New");
    EXPECT_EQ(TagLibFrame(b, "TIT2"), "");
    // ID3v1: the artist everywhere and the empty genre (148, or "none" in a
    // new tag); a new tag has track 0, an old one keeps its other fields.
    for (const std::string& path : {a, b, c}) {
        const std::string trailer = Trailer(path);
        EXPECT_EQ(trailer.substr(0, 3), "TAG");
        EXPECT_EQ(trailer.substr(33, 30), "V1" + std::string(28, ' '));
        EXPECT_EQ(static_cast<unsigned char>(trailer[127]), path == a ? 148 : 255);
        EXPECT_EQ(static_cast<unsigned char>(trailer[126]), path == a ? 7 : 0);
    }
    EXPECT_EQ(Trailer(a).substr(3, 5), "Title");
    EXPECT_EQ(prompts.count(Kind::Error), 0);
}

TEST_F(TagToolsTest, MultiFileFailuresAreToldOnceAndTheOtherFilesAreWritten)
{
    const Tags tags{"Title", "Old", "", "", "", "", 0};
    // A read-only file, a file gone and a folder in place of a file among
    // files that can be written.
    std::vector<std::string> paths;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3"}) {
        paths.push_back(AddSong(name, &tags));
        ::chmod(paths.back().c_str(), 0666);
    }
    const std::string& b = paths[1];
    const std::string& d = paths[3];
    const std::string& e = paths[4];
    ::chmod(b.c_str(), 0444);
    const std::string before = ReadFile(b);
    ::unlink(d.c_str());
    ::unlink(e.c_str());
    MakeDir(e);
    Select({0, 1, 2, 3, 4, 5});
    std::string report;
    const int code = Unprivileged([&](std::string& out) {
        prompts.expect(Kind::OkCancel, PromptAnswer::Ok);
        auto dialog = OpenEditor();
        dialog->edtID3v2_Artist->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(dialog->edtID3v2_Artist, QStringLiteral("New"));
        dialog->actUpdateExecute();
        out = Shown(prompts);
        return Closed(*dialog) ? 0 : 1;
    }, &report);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(report, "Confirm: Do you really want to update mp3 tag information for selected 6 files?\n"
                      "Error saving mp3 tags: 3 files could not be written:\nCannot save the ID3v2 tag of file \""
                          + b + "\". Permission denied\nCannot read the ID3v2 tag of file \"" + d
                          + "\". No such file or directory\nCannot read the ID3v2 tag of file \"" + e
                          + "\". Is a directory\n");
    for (const std::string& path : {paths[0], paths[2], paths[5]})
        EXPECT_EQ(TagLibFrame(path, "TPE1"), "New");
    EXPECT_EQ(ReadFile(b), before);
    EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3", "e.mp3", "f.mp3"}));
}

TEST_F(TagToolsTest, CancellingTheProgressKeepsWhatWasDoneAndStillCloses)
{
    // Songs without tags: the new artist shows which were written.
    std::vector<std::string> paths;
    for (int i = 0; i < 150; ++i)
        paths.push_back(AddSong("song " + std::to_string(1000 + i) + ".mp3", nullptr));
    playlist().songsListView()->selectAll();
    auto dialog = OpenEditor();
    dialog->edtID3v2_Artist->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(dialog->edtID3v2_Artist, QStringLiteral("New"));
    prompts.expect(Kind::OkCancel, PromptAnswer::Ok);
    // Cancel is pressed once the first file is done: the files being
    // written are finished, no other is started. (How many were started by
    // then depends on the machine's load: on a busy one all of them.)
    TfrmProgress& progress = ProgressWindows::instance().progress();
    QObject::connect(progress.sGauge1, &QProgressBar::valueChanged, dialog.get(), [&progress](int value) {
        if (value == 1)
            progress.sButton1->click();
    });
    dialog->actUpdateExecute();
    EXPECT_TRUE(Closed(*dialog));
    std::size_t written = 0;
    while (written < paths.size() && TagLibFrame(paths[written], "TPE1") == "New")
        ++written;
    EXPECT_GE(written, 1u);
    for (std::size_t i = written; i < paths.size(); ++i)
        EXPECT_EQ(TagLibFrame(paths[i], "TPE1"), "") << paths[i];
}

TEST_F(TagToolsTest, Id3v1TextsTheCodePageCannotHoldAreNamedBeforeTheSave)
{
    const TagOptions oldOptions = options::CurrentTagOptions();
    const auto restore = qScopeGuard([&oldOptions] { options::SetTagOptions(oldOptions); });
    TagOptions western = oldOptions;
    western.codePage = "WINDOWS-1252";
    options::SetTagOptions(western);
    const std::string path = dir.file("song.mp3");
    const std::string v2 = Id3v2Tag(3, "Band", "Song");
    WriteFile(path, v2 + AudioBytes(3000) + Id3v1Block("Song", "Band", "Album"));
    playlist().AddFileToPlaylist(path);
    Select({0});
    const std::string before = ReadFile(path);
    const QString held = QStringLiteral("R\u00E9sum\u00E9 \u20AC5");  // both in Windows-1252

    // Cyrillic in two fields, Windows-1252 letters in a third: only the two
    // are named. No writes nothing and keeps the dialog.
    auto dialog = OpenEditor();
    TypeText(dialog->edtID3v1_Title, QStringLiteral("\u041F\u0435\u0441\u043D\u044F"));
    TypeText(dialog->edtID3v1_Artist, QStringLiteral("\u0413\u0440\u0443\u043F\u043F\u0430"));
    TypeText(dialog->edtID3v1_Comment, held);
    prompts.expect(Kind::YesNo, PromptAnswer::No);
    dialog->actUpdateExecute();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(ReadFile(path), before);
    ASSERT_EQ(prompts.shown().size(), 1u) << Shown(prompts);
    EXPECT_EQ(prompts.shown()[0].title, QStringLiteral("Confirm"));
    EXPECT_EQ(prompts.shown()[0].text,
              QStringLiteral("Some characters of these fields have no equivalent in the ID3v1 code page "
                             "Windows-1252 (Western): Title, Artist.\nThe ID3v1 tag will get \"?\" in their "
                             "place; the ID3v2 tag, saved too, keeps them.\n\nDo you want to save anyway?"));

    // Yes saves: question marks for the Cyrillic letters, the others as
    // Windows-1252 bytes; the ID3v2 tag keeps its size and each of its
    // frames byte for byte (in the editor's order), the audio stays.
    prompts.expect(Kind::YesNo, PromptAnswer::Yes);
    dialog->actUpdateExecute();
    EXPECT_TRUE(Closed(*dialog));
    const std::string after = ReadFile(path);
    ASSERT_EQ(after.size(), before.size());
    const std::string newV2 = after.substr(0, v2.size());
    EXPECT_EQ(newV2.substr(0, 10), v2.substr(0, 10));
    for (const char* frame : {"TPE1\0\0\0\x05\0\0\0Band", "TIT2\0\0\0\x05\0\0\0Song"})
        EXPECT_NE(newV2.find(std::string(frame, 15)), std::string::npos) << frame;
    EXPECT_EQ(after.substr(v2.size(), 3000), AudioBytes(3000));
    const std::string trailer = Trailer(path);
    EXPECT_EQ(trailer.substr(3, 30), "?????" + std::string(25, ' '));
    EXPECT_EQ(trailer.substr(33, 30), "??????" + std::string(24, ' '));
    EXPECT_EQ(trailer.substr(63, 5), "Album");
    EXPECT_EQ(trailer.substr(97, 9), "R\xE9sum\xE9 \x80" "5");

    // Without the ID3v2 tag the question says nothing of it.
    dialog = OpenEditor();
    dialog->chkID3v2->click();
    TypeText(dialog->edtID3v1_Album, QStringLiteral("\u0410\u043B\u044C\u0431\u043E\u043C"));
    prompts.clearShown();
    prompts.expect(Kind::YesNo, PromptAnswer::No);
    dialog->actUpdateExecute();
    EXPECT_TRUE(prompts.shown().at(0).text.contains(
        QStringLiteral(": Album.\nThe ID3v1 tag will get \"?\" in their place.\n\nDo you")))
        << Shown(prompts);
    EXPECT_EQ(ReadFile(path), after);
    dialog.reset();

    // Multi-file mode: a value in the comment alone, No writes no file and
    // asks nothing more.
    const std::string other = AddSong("other.mp3", nullptr);
    Select({0, 1});
    dialog = OpenEditor();
    dialog->edtID3v1_Comment->setFocus(Qt::TabFocusReason);
    TypeText(dialog->edtID3v1_Comment, QStringLiteral("\u0401"));
    prompts.clearShown();
    prompts.expect(Kind::YesNo, PromptAnswer::No);
    dialog->actUpdateExecute();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(prompts.shown().size(), 1u) << Shown(prompts);
    EXPECT_TRUE(prompts.shown().at(0).text.contains(QStringLiteral("(Western): Comment.\nThe ID3v1 tag will get "
                                                                   "\"?\" in their place.\n")))
        << Shown(prompts);
    EXPECT_EQ(ReadFile(path), after);
    EXPECT_EQ(ReadFile(other), AudioBytes(3000));
    dialog.reset();

    // The code page of the options decides: Windows-1251 holds Cyrillic,
    // so the save asks nothing and writes its bytes.
    TagOptions cyrillic = western;
    cyrillic.codePage = "WINDOWS-1251";
    options::SetTagOptions(cyrillic);
    Select({0});
    prompts.clearShown();
    dialog = OpenEditor();
    TypeText(dialog->edtID3v1_Title, QStringLiteral("\u041F\u0435\u0441\u043D\u044F"));
    dialog->actUpdateExecute();
    EXPECT_TRUE(Closed(*dialog));
    EXPECT_TRUE(prompts.shown().empty()) << Shown(prompts);
    EXPECT_EQ(Trailer(path).substr(3, 30), "\xCF\xE5\xF1\xED\xFF" + std::string(25, ' '));
}

TEST(TagFailureListTest, CountsFilesAndListsTheFirstReasons)
{
    TagFailureList failures;
    EXPECT_TRUE(failures.Empty());
    failures.Add("/a", "a1");
    failures.Add("/a", "a2");
    for (const char* path : {"/b", "/c", "/d", "/e", "/f"})
        failures.Add(path, std::string(path + 1) + "1");
    EXPECT_EQ(failures.FileCount(), 6);
    EXPECT_EQ(failures.Message(),
              QStringLiteral("6 files could not be written:\na1\na2\nb1\nc1\nd1\n... and 2 more."));
}
