// The rename wizard page by page over real files: its buttons and titles,
// the names built from merged tags by each pattern, the scope, where each
// file goes, and that it never replaces a file and reports every file that
// keeps its name.

#include "wizardfixture.h"

#include "optionvalues.h"
#include "tfrmbatchrename.h"
#include "tpreviewmodel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeView>

#include <sys/stat.h>

namespace {

std::vector<QStringList> FailureRows(const TfrmBatchRename& wizard)
{
    std::vector<QStringList> rows;
    const QAbstractItemModel* model = wizard.lvFailures->model();
    for (int r = 0; model && r < model->rowCount(); ++r)
        rows.push_back({model->index(r, 0).data().toString(), model->index(r, 1).data().toString(),
                        model->index(r, 2).data().toString()});
    return rows;
}

// An ID3v2.4 tag whose artist frame holds two values, as taggers write
// a song with a guest: "Björk" and "Guest Artist".
std::string TwoArtistTag()
{
    const auto frame = [](const char* id, const std::string& content) {
        // Under 128 bytes the sync-safe size is the last byte alone.
        return std::string(id) + std::string(3, '\0') + static_cast<char>(content.size()) + std::string(2, '\0')
               + content;
    };
    const std::string frames = frame("TPE1", std::string("\x03" "Bj\xC3\xB6rk\0Guest Artist", 20))
                               + frame("TIT2", "\x03" "Song");
    return std::string("ID3\x04\0\0\0\0\0", 9) + static_cast<char>(frames.size()) + frames;
}

QStringList PreviewRows(const TfrmBatchRename& wizard)
{
    QStringList rows;
    for (int r = 0; r < wizard.Preview()->Count(); ++r)
        rows << wizard.Preview()->RowAt(r).texts.join('|');
    return rows;
}

} // namespace

TEST_F(WizardTest, RenameWizardWalksItsPagesAndRenamesAfterMergedTags)
{
    // The ID3v2 artist and, as the ID3v2 title is empty, the ID3v1 title.
    Song("track1.mp3", TagValues{"Nina Vale", ""}, TagValues{"Other", "Morning River"});
    Song("track2.mp3", TagValues{"Otto Brandt", "Falling Light"});
    Song("track3.mp3", std::nullopt);
    TfrmBatchRename wizard(playlist, prompts, {});
    wizard.show();

    EXPECT_EQ(wizard.windowTitle(), "Rename wizard");
    EXPECT_EQ(wizard.labPageTitle->text(), "Multi rename");
    EXPECT_TRUE(wizard.memInfo->toPlainText().contains("This wizard will rename you files according to their tags."));
    EXPECT_TRUE(wizard.btnBack->isHidden());
    EXPECT_EQ(wizard.btnNext->text(), "&Next >");
    EXPECT_TRUE(wizard.btnCancel->isEnabled());

    Next(wizard);
    EXPECT_EQ(wizard.labPageTitle->text(), "Rename Settings");
    EXPECT_EQ(wizard.btnNext->text(), "&Preview >");
    EXPECT_TRUE(wizard.btnBack->isVisible());
    EXPECT_FALSE(wizard.cbRenameOnlySelected->isEnabled()); // nothing was selected
    EXPECT_TRUE(wizard.cbUseBoth->isChecked());
    EXPECT_TRUE(wizard.cbIgnoreIncompleteTags->isChecked());
    EXPECT_EQ(wizard.cbFileFormat->currentText(), "(Artist)-(Title).mp3");
    wizard.cbOnlyV2->click();
    EXPECT_FALSE(wizard.cbUsagePriority->isEnabled());
    wizard.cbUseBoth->click();
    EXPECT_TRUE(wizard.cbUsagePriority->isEnabled());
    wizard.btnBack->click();
    EXPECT_EQ(wizard.labPageTitle->text(), "Multi rename");
    EXPECT_TRUE(wizard.btnBack->isHidden());
    Next(wizard);

    Next(wizard);
    EXPECT_EQ(wizard.labPageTitle->text(), "Preview before renaming");
    EXPECT_EQ(wizard.btnNext->text(), "&Go !");
    const TPreviewModel& preview = *wizard.Preview();
    ASSERT_EQ(preview.Count(), 3);
    EXPECT_EQ(Texts(preview, 0), (QStringList{"Ok", "track1.mp3", "Nina Vale - Morning River.mp3", "./"}));
    EXPECT_EQ(Texts(preview, 1), (QStringList{"Ok", "track2.mp3", "Otto Brandt - Falling Light.mp3", "./"}));
    EXPECT_EQ(Texts(preview, 2), (QStringList{"Skipped", "track3.mp3", "", ""}));
    EXPECT_EQ(preview.RowAt(0).stateImage, TfrmBatchRename::OkImage);
    EXPECT_EQ(preview.RowAt(2).stateImage, TfrmBatchRename::SkippedImage);
    EXPECT_EQ(preview.RowAt(2).record, nullptr);

    Next(wizard);
    EXPECT_TRUE(wizard.RenameDone());
    EXPECT_EQ(wizard.labPageTitle->text(), "Rename finished");
    EXPECT_EQ(wizard.btnNext->text(), "&Finish");
    EXPECT_TRUE(wizard.btnBack->isHidden());
    EXPECT_TRUE(wizard.btnCancel->isHidden());
    EXPECT_EQ(wizard.labResult->text(), "Renamed 2 of 2 files.");
    EXPECT_TRUE(wizard.lvFailures->isHidden());
    EXPECT_EQ(Listing(), (std::vector<std::string>{"Nina Vale - Morning River.mp3", "Otto Brandt - Falling Light.mp3",
                                                   "track3.mp3"}));
    EXPECT_EQ(playlist.FileAt(0)->FullPath(), dir.file("Nina Vale - Morning River.mp3"));
    Next(wizard);
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
    EXPECT_FALSE(wizard.isVisible());
}

TEST_F(WizardTest, RenameFollowsTheChosenTagsPatternAndScope)
{
    const std::string p = Song("p.mp3", TagValues{"AC/DC", "Back", "Alb", 0}, TagValues{"X", "Y", "", 7});
    Song("q.mp3", TagValues{"Solo", "Song"});
    TfrmBatchRename wizard(playlist, prompts, {});
    wizard.show();
    Next(wizard);
    auto preview = [&] {
        Next(wizard);
        QStringList names;
        for (int r = 0; r < wizard.Preview()->Count(); ++r)
            names << Texts(*wizard.Preview(), r).join('|');
        if (wizard.CurrentPage() == TBatchWizard::PreviewPage)
            wizard.btnBack->click();
        return names;
    };

    wizard.cbOnlyV1->click();
    EXPECT_EQ(preview(), (QStringList{"Ok|p.mp3|X - Y.mp3|./", "Skipped|q.mp3||"}));
    wizard.cbUseBoth->click();

    // The ID3v2 tag has no track: its "0" wins the merge, and a file whose
    // track is "0" is incomplete. Nothing qualifies: the message, and the
    // wizard stays on its settings.
    wizard.cbFileFormat->setCurrentIndex(1);
    EXPECT_EQ(preview(), (QStringList{"Skipped|p.mp3||", "Skipped|q.mp3||"}));
    EXPECT_EQ(prompts.texts(ScriptedPrompts::Kind::Information),
              QStringList{"No files could be renamed according to selected settings!"});
    EXPECT_EQ(wizard.CurrentPage(), TBatchWizard::SettingsPage);
    wizard.cbIgnoreIncompleteTags->setChecked(false);
    EXPECT_EQ(preview(), (QStringList{"Ok|p.mp3|AC; DC-0-Back.mp3|./", "Ok|q.mp3|Solo-0-Song.mp3|./"}));
    wizard.cbUsagePriority->setCurrentIndex(1);
    EXPECT_EQ(preview(), (QStringList{"Ok|p.mp3|X-7-Y.mp3|./", "Ok|q.mp3|Solo-0-Song.mp3|./"}));

    // The album from the other tag; an empty album still joins with a bare hyphen.
    wizard.cbFileFormat->setCurrentIndex(2);
    wizard.cbUsagePriority->setCurrentIndex(0);
    EXPECT_EQ(preview(), (QStringList{"Ok|p.mp3|Alb-AC; DC - Back.mp3|./", "Ok|q.mp3|-Solo - Song.mp3|./"}));

    // A slash in a tag separates the values of a list: "; " in the name,
    // never a folder.
    Next(wizard);
    Next(wizard);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"-Solo - Song.mp3", "Alb-AC; DC - Back.mp3"}));
    EXPECT_EQ(V1Of(dir.file("Alb-AC; DC - Back.mp3")).track, 7);
    Next(wizard);

    // A selection when the wizard opens: only the selected row, unless the
    // user unticks the box.
    playlist.selected = {1};
    TfrmBatchRename selected(playlist, prompts, {});
    EXPECT_TRUE(selected.cbRenameOnlySelected->isEnabled());
    EXPECT_TRUE(selected.cbRenameOnlySelected->isChecked());
    Next(selected);
    Next(selected);
    ASSERT_EQ(selected.Preview()->Count(), 1);
    EXPECT_EQ(Texts(*selected.Preview(), 0), (QStringList{"Ok", "-Solo - Song.mp3", "Solo - Song.mp3", "./"}));
}

TEST_F(WizardTest, RenameNeverReplacesAFileAndReportsEveryFileThatKeepsItsName)
{
    Song("one.mp3", TagValues{"A", "T"});
    Song("two.mp3", TagValues{"A", "T"});                 // the name "one" takes first
    Song("three.mp3", TagValues{"B", "C"});               // a file of that name is there
    WriteFile(dir.file("B - C.mp3"), "keep");
    const std::string longArtist(150, 'a');
    const std::string longTitle(150, 'b');
    Song("four.mp3", TagValues{longArtist, longTitle});   // 306 bytes
    Song("Q - R.mp3", TagValues{"S", "U"});               // leaves its name ...
    Song("five.mp3", TagValues{"Q", "R"});                // ... which this one takes
    TfrmBatchRename wizard(playlist, prompts, {});
    wizard.show();
    Next(wizard);
    Next(wizard);

    // The conflicts show before anything is renamed.
    const TPreviewModel& preview = *wizard.Preview();
    QStringList statuses;
    for (int r = 0; r < preview.Count(); ++r)
        statuses << Texts(preview, r)[0];
    EXPECT_EQ(statuses, (QStringList{"Ok", "Name taken", "Name taken", "Name too long", "Ok", "Ok"}));
    EXPECT_EQ(preview.RowAt(1).stateImage, TfrmBatchRename::ConflictImage);

    Next(wizard);
    EXPECT_EQ(wizard.labPageTitle->text(), "Rename finished");
    EXPECT_EQ(wizard.labResult->text(), "Renamed 3 of 6 files. The files below keep their names.");
    const QString longName = QString::fromStdString(longArtist + " - " + longTitle + ".mp3");
    EXPECT_EQ(FailureRows(wizard), (std::vector<QStringList>{{"two.mp3", "A - T.mp3", "File exists"},
                                                             {"three.mp3", "B - C.mp3", "File exists"},
                                                             {"four.mp3", longName, "File name too long"}}));
    EXPECT_TRUE(wizard.lvFailures->isVisible());
    EXPECT_EQ(Listing(), (std::vector<std::string>{"A - T.mp3", "B - C.mp3", "Q - R.mp3", "S - U.mp3", "four.mp3",
                                                   "three.mp3", "two.mp3"}));
    EXPECT_EQ(ReadFile(dir.file("B - C.mp3")), "keep");
    EXPECT_EQ(V2Of(dir.file("Q - R.mp3")).artist, "Q");
    EXPECT_EQ(playlist.FileAt(1)->FullPath(), dir.file("two.mp3"));
}

TEST_F(WizardTest, FilesThatVanishOrBecomeFoldersAfterThePreviewAreReported)
{
    Song("one.mp3", TagValues{"A", "T"});
    const std::string gone = Song("two.mp3", TagValues{"B", "U"});
    const std::string folder = Song("three.mp3", TagValues{"C", "V"});
    TfrmBatchRename wizard(playlist, prompts, {});
    wizard.show();
    Next(wizard);
    Next(wizard);
    // Another process, between the preview and the renames.
    ASSERT_EQ(::unlink(gone.c_str()), 0);
    ASSERT_EQ(::unlink(folder.c_str()), 0);
    MakeDir(folder);

    Next(wizard);
    EXPECT_EQ(wizard.labResult->text(), "Renamed 1 of 3 files. The files below keep their names.");
    EXPECT_EQ(FailureRows(wizard), (std::vector<QStringList>{{"two.mp3", "B - U.mp3", "No such file or directory"},
                                                             {"three.mp3", "C - V.mp3", "Is a directory"}}));
    EXPECT_EQ(Listing(), (std::vector<std::string>{"A - T.mp3", "three.mp3"}));
}

TEST_F(WizardTest, RenameInAFolderThatMayNotBeWrittenIsReportedAndTheRunCannotBeLeft)
{
    const std::string folder = dir.file("locked");
    MakeDir(folder);
    const std::string path = Song("song.mp3", TagValues{"A", "T"}, std::nullopt, folder);
    chmod(dir.path().c_str(), 0755);
    chmod(folder.c_str(), 0555);
    TfrmBatchRename wizard(playlist, prompts, {});
    wizard.show();
    Next(wizard);
    Next(wizard);

    // While the files are renamed the wizard cannot be closed or left.
    bool checked = false;
    QTimer::singleShot(0, &wizard, [&] {
        checked = true;
        EXPECT_EQ(wizard.labPageTitle->text(), "Renaming is in process ...");
        EXPECT_EQ(wizard.btnNext->text(), "&Next >");
        EXPECT_FALSE(wizard.btnNext->isEnabled());
        EXPECT_FALSE(wizard.btnBack->isEnabled());
        EXPECT_FALSE(wizard.btnCancel->isEnabled());
        wizard.reject();
        wizard.close();
        EXPECT_TRUE(wizard.isVisible());
    });
    NextUnprivileged(wizard);
    EXPECT_TRUE(checked);
    EXPECT_EQ(wizard.CurrentPage(), TBatchWizard::FinishPage);
    EXPECT_EQ(wizard.labResult->text(), "Renamed 0 of 1 files. The files below keep their names.");
    EXPECT_EQ(FailureRows(wizard), (std::vector<QStringList>{{"song.mp3", "A - T.mp3", "Permission denied"}}));
    EXPECT_EQ(Listing(folder), std::vector<std::string>{"song.mp3"});
    EXPECT_EQ(playlist.FileAt(0)->FullPath(), path);
}

TEST_F(WizardTest, CancellingTheRenameWizardRenamesNothing)
{
    Song("track1.mp3", TagValues{"A", "T"});
    bool driven = false;
    QTimer::singleShot(0, [&] {
        auto* wizard = qobject_cast<TfrmBatchRename*>(QApplication::activeModalWidget());
        ASSERT_NE(wizard, nullptr);
        Next(*wizard);
        Next(*wizard);
        EXPECT_EQ(wizard->Preview()->Count(), 1);
        wizard->btnCancel->click();
        driven = true;
    });
    EXPECT_FALSE(ShowRenameWizard(playlist, prompts, {}));
    EXPECT_TRUE(driven);
    EXPECT_EQ(Listing(), std::vector<std::string>{"track1.mp3"});
}

TEST_F(WizardTest, RenameShowsWhereEachFileGoesAndKeepsTheValuesOfAListApart)
{
    const std::string folder = dir.file("Blue");
    MakeDir(folder);
    const std::string guest = folder + "/guest.mp3";
    WriteFile(guest, TwoArtistTag() + AudioBytes(2000));
    playlist.Add(guest);
    Song("river.mp3", TagValues{"Nina", "River", "Blue", 7}, std::nullopt, folder);
    Song("other.mp3", TagValues{"Otto", "Light", "Grey", 1}, std::nullopt, folder);
    playlist.selected = {0, 1};
    TfrmBatchRename wizard(playlist, prompts, {});
    wizard.show();
    Next(wizard);

    // The pattern offered keeps the files in their own folder.
    EXPECT_EQ(wizard.edtCustomPattern->text().toStdString(), options::kDefaultCustomRenamePattern);
    EXPECT_FALSE(wizard.edtCustomPattern->text().contains('/'));
    EXPECT_TRUE(wizard.labMissing->isHidden());
    wizard.cbFileFormat->setCurrentText("Custom ...");
    wizard.edtCustomPattern->clear();
    wizard.UpdateWizardButtons();
    EXPECT_FALSE(wizard.btnNext->isEnabled());
    EXPECT_TRUE(wizard.labMissing->isVisibleTo(&wizard));
    EXPECT_TRUE(wizard.labMissing->text().startsWith("Type a pattern for the new names"));

    wizard.edtCustomPattern->setText("%album%/%artist% - %title%");
    wizard.UpdateWizardButtons();
    EXPECT_TRUE(wizard.labMissing->isHidden());
    Next(wizard);
    EXPECT_EQ(wizard.Preview()->headerData(TfrmBatchRename::FolderColumn, Qt::Horizontal).toString(), "Folder");
    // The guest's file has no album: it stays where it is, under its name.
    EXPECT_EQ(PreviewRows(wizard), (QStringList{"Skipped|guest.mp3||", "Ok|river.mp3|Nina - River.mp3|./Blue/"}));
    wizard.btnBack->click();
    wizard.edtCustomPattern->setText("%artist% - %title%");
    Next(wizard);
    EXPECT_EQ(PreviewRows(wizard), (QStringList{"Ok|guest.mp3|Bj\u00F6rk; Guest Artist - Song.mp3|./",
                                                "Ok|river.mp3|Nina - River.mp3|./"}));
    wizard.btnBack->click();
    wizard.cbFileFormat->setCurrentIndex(0);
    Next(wizard);
    EXPECT_EQ(PreviewRows(wizard), (QStringList{"Ok|guest.mp3|Bj\u00F6rk; Guest Artist - Song.mp3|./",
                                                "Ok|river.mp3|Nina - River.mp3|./"}));
    Next(wizard);
    EXPECT_EQ(wizard.labResult->text(), "Renamed 2 of 2 files.");
    EXPECT_EQ(Listing(folder), (std::vector<std::string>{"Bj\u00F6rk; Guest Artist - Song.mp3", "Nina - River.mp3",
                                                        "other.mp3"}));
}
