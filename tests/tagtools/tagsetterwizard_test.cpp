// The tag setup wizard page by page over real files: its buttons and titles,
// the captions split into artist, title and track, the captions it leaves
// out, the check boxes, the tags on disk, names that are not UTF-8, track
// numbers that a tag cannot hold, and files it cannot write.

#include "wizardfixture.h"

#include "optionvalues.h"
#include "tfrmbatchtagsetter.h"
#include "tpreviewmodel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTreeView>
#include <QTest>

#include <sys/stat.h>

namespace {

struct Split {
    bool ok;
    std::string artist, middle, last;
    friend bool operator==(const Split&, const Split&) = default;
};

Split SplitOf(std::string_view caption, bool withTrack)
{
    Split s{};
    s.ok = TfrmBatchTagSetter::SplitCaption(caption, withTrack, s.artist, s.middle, s.last);
    return s;
}

} // namespace

TEST_F(WizardTest, TagSetterWalksItsPagesAndWritesTheCheckedFiles)
{
    const std::string nina = Song("Nina Vale - Morning River.MP3", std::nullopt);
    const std::string otto = Song("Otto - 05 - Falling Light.mp3", std::nullopt);
    Song("nohyphen.mp3", std::nullopt);
    // A tagged file shows (and is split by) its tag caption.
    const std::string tagged = Song("t.mp3", TagValues{"Tag Artist", "Tag Title", "Keep2", 9},
                                    TagValues{"Tag Artist", "Tag Title", "Keep", 9});
    TfrmBatchTagSetter wizard(playlist, prompts);
    wizard.show();
    wizard.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&wizard));

    EXPECT_EQ(wizard.windowTitle(), "Tag setup");
    EXPECT_EQ(wizard.labPageTitle->text(), "Multi tags changer wizard");
    EXPECT_TRUE(wizard.memInfo->toPlainText().endsWith("Use this wizard to setup automatically tags for them !"));
    EXPECT_TRUE(wizard.btnBack->isHidden());
    Next(wizard);
    EXPECT_EQ(wizard.labPageTitle->text(), "Settings");
    EXPECT_EQ(wizard.btnNext->text(), "&Preview >");
    EXPECT_EQ(wizard.cbSelectedItems->currentIndex(), TfrmBatchTagSetter::AllItems); // nothing is selected
    EXPECT_FALSE(wizard.btnNext->isEnabled()); // no tag version chosen
    EXPECT_TRUE(wizard.labMissing->isVisible());
    EXPECT_EQ(wizard.labMissing->text(), "Choose at least one tag to set: ID3 v1, ID3 v2 or both.");
    wizard.cbSetV1->setChecked(true);
    EXPECT_TRUE(wizard.btnNext->isEnabled());
    EXPECT_TRUE(wizard.labMissing->isHidden());
    wizard.cbSelectedItems->setCurrentText("Selected items"); // and nothing is selected
    EXPECT_FALSE(wizard.btnNext->isEnabled());
    EXPECT_EQ(wizard.labMissing->text(), "No playlist rows were selected: choose \"All items in the list\".");
    wizard.cbSelectedItems->setCurrentText("All items in the list");
    wizard.cbSetV2->setChecked(true);
    wizard.cbFileFormat->setCurrentText("Artist - Track - Title");

    Next(wizard);
    EXPECT_EQ(wizard.labPageTitle->text(), "Preview before upplying");
    EXPECT_EQ(wizard.btnNext->text(), "&Go !");
    TPreviewModel& preview = *wizard.Preview();
    ASSERT_EQ(preview.Count(), 4);
    EXPECT_EQ(Texts(preview, 0), (QStringList{"Nina Vale - Morning River.MP3", "Nina Vale", "Morning River", ""}));
    EXPECT_EQ(Texts(preview, 1), (QStringList{"Otto - 05 - Falling Light.mp3", "Otto", "Falling Light", "05"}));
    EXPECT_EQ(Texts(preview, 2), (QStringList{"nohyphen.mp3", "", "", ""}));
    EXPECT_EQ(Texts(preview, 3), (QStringList{"t.mp3", "Tag Artist", "Tag Title", ""}));
    EXPECT_EQ(preview.CheckedCount(), 3);
    // The caption without a hyphen is shown, greyed and unchecked, with the
    // reason across its texts; it cannot be checked.
    const QModelIndex leftOut = preview.index(2, TfrmBatchTagSetter::ArtistColumn);
    EXPECT_EQ(leftOut.data().toString(), "Left out: no hyphen to split at");
    EXPECT_EQ(wizard.lvFiles->columnSpan(2, TfrmBatchTagSetter::ArtistColumn), preview.columnCount() - 1);
    EXPECT_FALSE(preview.flags(preview.index(2, 0)).testFlag(Qt::ItemIsEnabled));
    EXPECT_FALSE(preview.setData(preview.index(2, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(preview.index(2, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);

    wizard.SelectNone1->trigger();
    EXPECT_EQ(preview.CheckedCount(), 0);
    EXPECT_FALSE(wizard.btnNext->isEnabled());
    wizard.lvFiles->setFocus();
    QTest::keyClick(wizard.lvFiles, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(preview.CheckedCount(), 3);
    EXPECT_FALSE(preview.RowAt(2).checked);
    EXPECT_TRUE(wizard.btnNext->isEnabled());
    wizard.Preview()->setData(wizard.Preview()->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);

    Next(wizard);
    EXPECT_TRUE(wizard.TagsSet());
    EXPECT_EQ(wizard.labPageTitle->text(), "Multi tags setting finished");
    EXPECT_EQ(wizard.btnNext->text(), "&Finish");
    EXPECT_TRUE(wizard.btnCancel->isHidden());
    EXPECT_EQ(wizard.labResult->text(), "Tags set in 2 of 2 files.");
    EXPECT_EQ(V1Of(otto), (TagValues{"Otto", "Falling Light", "", 5}));
    EXPECT_EQ(V2Of(otto), (TagValues{"Otto", "Falling Light", "", 5}));
    EXPECT_EQ(V1Of(tagged), (TagValues{"Tag Artist", "Tag Title", "Keep", 9}));
    EXPECT_EQ(V2Of(tagged), (TagValues{"Tag Artist", "Tag Title", "Keep2", 9}));
    EXPECT_EQ(ReadFile(nina), AudioBytes(2000)); // unchecked: untouched
    Next(wizard);
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
}

TEST_F(WizardTest, CaptionsSplitAtTheFirstHyphenAndLoseTheirExtension)
{
    EXPECT_EQ(SplitOf("Artist - Title.MP3", false), (Split{true, "Artist", "Title", ""}));
    EXPECT_EQ(SplitOf("A - B - C.mp3", false), (Split{true, "A", "B - C", ""}));
    EXPECT_EQ(SplitOf("A-05-T.mp3", true), (Split{true, "A", "05", "T"}));
    EXPECT_EQ(SplitOf("A - T", true), (Split{true, "A", "T", ""}));
    EXPECT_EQ(SplitOf("Jay-Z - Song.mp3.bak", false), (Split{true, "Jay", "Z - Song", ""}));
    EXPECT_EQ(SplitOf("- Untitled\x0e" "mp3", false), (Split{true, "", "Untitled\x0emp3", ""}));
    EXPECT_EQ(SplitOf("no hyphen.mp3", true), (Split{false, "", "", ""}));

    EXPECT_EQ(TfrmBatchTagSetter::WholeNumber(" 05 "), 5);
    EXPECT_EQ(TfrmBatchTagSetter::WholeNumber("+7"), 7);
    EXPECT_EQ(TfrmBatchTagSetter::WholeNumber("-5"), -5);
    EXPECT_EQ(TfrmBatchTagSetter::WholeNumber("5/12"), std::nullopt);
    EXPECT_EQ(TfrmBatchTagSetter::WholeNumber(""), std::nullopt);
    EXPECT_EQ(TfrmBatchTagSetter::WholeNumber("99999999999999999999"), std::nullopt);

    // No caption in scope can be split: the message, and the settings stay.
    Song("plain.mp3", std::nullopt);
    TfrmBatchTagSetter wizard(playlist, prompts);
    Next(wizard);
    wizard.cbSetV2->setChecked(true);
    Next(wizard);
    EXPECT_EQ(prompts.texts(ScriptedPrompts::Kind::Information),
              QStringList{"No files meets the specified search criteria!"});
    EXPECT_EQ(wizard.CurrentPage(), TBatchWizard::SettingsPage);
}

TEST_F(WizardTest, TrackNumbersGoOnlyIntoTagsThatHoldThem)
{
    options::FNIOMP3INFO = true; // the captions are the file names
    const TagValues seven{"Old", "Old", "Album", 7};
    const std::string big = Song("Band - 300 - Song.mp3", seven, seven);
    const std::string huge = Song("Band - 70000 - Big.mp3", seven, seven);
    const std::string fine = Song("Band - 12 - Fine.mp3", seven, seven);
    TfrmBatchTagSetter wizard(playlist, prompts);
    Next(wizard);
    wizard.cbSetV1->setChecked(true);
    wizard.cbSetV2->setChecked(true);
    wizard.cbFileFormat->setCurrentIndex(TfrmBatchTagSetter::ArtistTrackTitle);
    Next(wizard);
    Next(wizard);
    EXPECT_EQ(V1Of(big), (TagValues{"Band", "Song", "Album", 7}));
    EXPECT_EQ(V2Of(big), (TagValues{"Band", "Song", "Album", 300}));
    EXPECT_EQ(V1Of(huge).track, 7);
    EXPECT_EQ(V2Of(huge).track, 7);
    EXPECT_EQ(V1Of(fine).track, 12);
    EXPECT_EQ(V2Of(fine).track, 12);

    // A negative number leaves both tracks as loaded.
    const auto minusFive = TfrmBatchTagSetter::WholeNumber("-5");
    EXPECT_EQ(TfrmBatchTagSetter::WriteTexts(fine, {"Neg", "Five", {}, {}, {}, minusFive}, true, true), QStringList());
    EXPECT_EQ(V1Of(fine), (TagValues{"Neg", "Five", "Album", 12}));
    EXPECT_EQ(V2Of(fine), (TagValues{"Neg", "Five", "Album", 12}));
}

TEST_F(WizardTest, TagSetterReportsTheFilesItCannotWrite)
{
    const std::string locked = Song("A - Locked.mp3", std::nullopt);
    const std::string open = Song("B - Open.mp3", std::nullopt);
    chmod(dir.path().c_str(), 0777);
    chmod(locked.c_str(), 0444);
    chmod(open.c_str(), 0666);
    TfrmBatchTagSetter wizard(playlist, prompts);
    Next(wizard);
    wizard.cbSetV1->setChecked(true);
    wizard.cbSetV2->setChecked(true);
    Next(wizard);
    NextUnprivileged(wizard);
    EXPECT_EQ(wizard.labResult->text(), "Tags set in 1 of 2 files. The files below could not be written.");
    const QAbstractItemModel* failures = wizard.lvFailures->model();
    ASSERT_EQ(failures->rowCount(), 1);
    EXPECT_EQ(failures->index(0, 0).data().toString(), "A - Locked.mp3");
    const QString reason = failures->index(0, 1).data().toString();
    // Both tags are one change: the ID3v2 failure is the reason, and the
    // ID3v1 tag was not written either.
    EXPECT_EQ(reason, "ID3v2: Permission denied");
    EXPECT_EQ(ReadFile(locked), AudioBytes(2000));
    EXPECT_EQ(V2Of(open), (TagValues{"B", "Open", "", 0}));
}

TEST_F(WizardTest, GoNamesTheId3v1TextsTheCodePageCannotHold)
{
    options::FNIOMP3INFO = true; // the captions are the file names
    const std::string tags = Id3v2Tag(3, "Old", "Old") + AudioBytes(2000) + Id3v1Block("Old", "Old", "Album");
    std::vector<std::string> paths;
    for (const char* name : {"\u0413\u0440\u0443\u043F\u043F\u0430 - \u041F\u0435\u0441\u043D\u044F.mp3",
                             "\u0401\u0436 - Song.mp3", "Nina - Caf\u00E9.mp3"}) {
        paths.push_back(dir.path() + "/" + name);
        WriteFile(paths.back(), tags);
        playlist.Add(paths.back());
    }
    TfrmBatchTagSetter wizard(playlist, prompts);
    Next(wizard);
    wizard.cbSetV1->setChecked(true);
    wizard.cbSetV2->setChecked(true);
    Next(wizard);
    ASSERT_EQ(wizard.Preview()->Count(), 3);

    // No stays on the preview and writes nothing.
    prompts.expect(ScriptedPrompts::Kind::YesNo, PromptAnswer::No);
    Next(wizard);
    EXPECT_EQ(prompts.texts(ScriptedPrompts::Kind::YesNo),
              QStringList{"In 2 files, some characters of these fields have no equivalent in the ID3v1 code page "
                          "Windows-1252 (Western): Title, Artist.\nThe ID3v1 tags will get \"?\" in their place; "
                          "the ID3v2 tags keep them.\n\nDo you want to set the tags anyway?"});
    EXPECT_EQ(wizard.CurrentPage(), TBatchWizard::PreviewPage);
    EXPECT_FALSE(wizard.TagsSet());
    for (const std::string& path : paths)
        EXPECT_EQ(ReadFile(path), tags) << path;

    // Only the checked rows count.
    wizard.Preview()->setData(wizard.Preview()->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    prompts.clearShown();
    prompts.expect(ScriptedPrompts::Kind::YesNo, PromptAnswer::No);
    Next(wizard);
    EXPECT_TRUE(prompts.texts().value(0).startsWith("In 1 file, some characters of these fields have no "
                                                    "equivalent in the ID3v1 code page Windows-1252 (Western): "
                                                    "Artist.\n"))
        << prompts.texts().value(0).toStdString();
    EXPECT_EQ(wizard.CurrentPage(), TBatchWizard::PreviewPage);

    // Yes writes: question marks in ID3v1, the letters in ID3v2.
    wizard.Preview()->setData(wizard.Preview()->index(0, 0), Qt::Checked, Qt::CheckStateRole);
    prompts.expect(ScriptedPrompts::Kind::YesNo, PromptAnswer::Yes);
    Next(wizard);
    EXPECT_TRUE(wizard.TagsSet());
    EXPECT_EQ(wizard.labResult->text(), "Tags set in 3 of 3 files.");
    EXPECT_EQ(V1Of(paths[0]), (TagValues{"??????", "?????", "Album", 0}));
    EXPECT_EQ(V2Of(paths[0]), (TagValues{"\u0413\u0440\u0443\u043F\u043F\u0430", "\u041F\u0435\u0441\u043D\u044F"}));
    EXPECT_EQ(V1Of(paths[1]), (TagValues{"??", "Song", "Album", 0}));
    EXPECT_EQ(V1Of(paths[2]), (TagValues{"Nina", "Caf\u00E9", "Album", 0}));
}

TEST_F(WizardTest, TagSetterStartsWithTheSelectionAndReadsOtherNamesInTheId3v1CodePage)
{
    // Names written on older systems: Windows-1252 and Windows-1251 bytes.
    const std::string western = Song("Bj\xF6rk - J\xF3ga.mp3", std::nullopt);
    const std::string cyrillic = Song("\xC3\xF0\xF3\xEF\xEF\xE0 - \xCF\xE5\xF1\xED\xFF.mp3", std::nullopt);
    Song("Other - Song.mp3", std::nullopt);
    const auto run = [this](int selectedRow) {
        playlist.selected = {selectedRow};
        TfrmBatchTagSetter wizard(playlist, prompts);
        Next(wizard);
        EXPECT_EQ(wizard.cbSelectedItems->currentIndex(), TfrmBatchTagSetter::SelectedItems);
        wizard.cbSetV1->setChecked(true);
        wizard.cbSetV2->setChecked(true);
        Next(wizard);
        const QStringList texts = wizard.Preview()->Count() == 1 ? Texts(*wizard.Preview(), 0) : QStringList();
        Next(wizard);
        EXPECT_EQ(wizard.labResult->text(), "Tags set in 1 of 1 files.");
        return texts.mid(1, 2).join('|').toStdString();
    };
    const auto v1Artist = [](const std::string& path) {
        const std::string bytes = ReadFile(path);
        return bytes.size() < 128 ? std::string() : bytes.substr(bytes.size() - 128 + 33, 30);
    };

    EXPECT_EQ(run(0), "Bj\u00F6rk|J\u00F3ga");
    EXPECT_EQ(V2Of(western), (TagValues{"Bj\u00F6rk", "J\u00F3ga"}));
    EXPECT_EQ(V1Of(western), (TagValues{"Bj\u00F6rk", "J\u00F3ga"}));
    EXPECT_EQ(v1Artist(western), std::string("Bj\xF6rk") + std::string(25, ' '));

    TagOptions cyrillicPage;
    cyrillicPage.codePage = "WINDOWS-1251";
    options::SetTagOptions(cyrillicPage);
    const std::string group = "\u0413\u0440\u0443\u043F\u043F\u0430";
    const std::string song = "\u041F\u0435\u0441\u043D\u044F";
    EXPECT_EQ(run(1), group + "|" + song);
    EXPECT_EQ(V2Of(cyrillic), (TagValues{group, song}));
    EXPECT_EQ(v1Artist(cyrillic), std::string("\xC3\xF0\xF3\xEF\xEF\xE0") + std::string(24, ' '));
    EXPECT_EQ(ReadFile(playlist.FileAt(2)->FullPath()), AudioBytes(2000)); // not selected
}
