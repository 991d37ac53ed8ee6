// "Undo last change" in the main window: each tag command taken back byte
// for byte in turn, a rename run taken back after a restart without
// replacing a file, and a file changed since left alone and named.

#include "tagtoolsfixture.h"

#include "musikplayer.h"
#include "tfileinfo.h"
#include "tfrmbatchrename.h"
#include "tfrmbatchtagsetter.h"
#include "tfrmmain.h"
#include "tfrmmp3tag.h"
#include "tplayercontrols.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "ttagcommands.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using Kind = ScriptedPrompts::Kind;

namespace {

// Types `text` into a field of the tag editor in multi-file mode.
void Type(QLineEdit* field, const char* text)
{
    field->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(field, QString::fromLatin1(text));
}

std::vector<std::string> Paths(TPlaylistPane& playlist)
{
    std::vector<std::string> paths;
    for (int row = 0; row < playlist.Count(); ++row)
        paths.push_back(playlist.FileAt(row)->FullPath());
    std::sort(paths.begin(), paths.end());
    return paths;
}

} // namespace

TEST_F(TagToolsTest, UndoTakesBackEachTagCommandByteForByteInTurn)
{
    const Tags tags{"Title", "Artist", "Album", "2001", "Jazz", "Note", 3};
    const std::string a = AddSong("a.mp3", &tags, &tags);
    const std::string b = AddSong("b.mp3", &tags);
    QAction* undo = frm->Undolastchange1;
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(undo->text(), "&Undo last change");
    EXPECT_EQ(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));

    // The files before each command.
    std::vector<std::pair<std::string, std::string>> before;
    auto snapshot = [&] { before.emplace_back(ReadFile(a), ReadFile(b)); };
    int opened = 0;
    bool driven = false;

    snapshot();
    Select({0, 1});
    prompts.expect(Kind::OkCancel, PromptAnswer::Ok);
    OnEditor(opened, [](TfrmMp3Tag& dialog) {
        Type(dialog.edtID3v2_Artist, "New artist");
        Type(dialog.edtID3v1_Comment, "c");
        dialog.btnUpdate->click();
    });
    frm->tagCommands()->Changemp3tags1Click();
    EXPECT_EQ(undo->text(), "&Undo: tags of 2 files");
    EXPECT_TRUE(undo->isEnabled());

    snapshot();
    SelectFile(a);
    prompts.expect(Kind::YesNo, PromptAnswer::Yes);
    frm->tagCommands()->removeMp3TagFromFile(playlist().Alltags1);
    EXPECT_EQ(undo->text(), "&Undo: tags of 1 file");

    // Only b's caption "New artist - Title" has a hyphen.
    snapshot();
    OnWizard<TfrmBatchTagSetter>(driven, [](TfrmBatchTagSetter& wizard) {
        Click(wizard, wizard.btnNext);
        wizard.cbSetV1->setChecked(true);
        // a is selected: the whole list instead.
        wizard.cbSelectedItems->setCurrentIndex(TfrmBatchTagSetter::AllItems);
        for (int page = 1; page < 4; ++page)
            Click(wizard, wizard.btnNext);
    });
    frm->BatchSetupmp3Tagsfromfilenames1->trigger();
    EXPECT_EQ(undo->text(), "&Undo: tags of 1 file");

    snapshot();
    SelectFile(b);
    OnEditor(opened, [](TfrmMp3Tag& dialog) {
        dialog.chkID3v1->setChecked(false);
        dialog.chkID3v2->setChecked(false);
        dialog.btnUpdate->click();
    });
    frm->tagCommands()->Changemp3tags1Click();
    EXPECT_EQ(ReadFile(b), AudioBytes(3000));
    EXPECT_EQ(opened, 2);

    // No to the question changes nothing.
    prompts.expect(Kind::YesNo, PromptAnswer::No);
    undo->trigger();
    EXPECT_EQ(prompts.texts(Kind::YesNo).back(), "Do you really want to undo the last change (tags of 1 file)?");
    EXPECT_EQ(ReadFile(b), AudioBytes(3000));

    for (std::size_t i = before.size(); i-- > 0;) {
        prompts.expect(Kind::YesNo, PromptAnswer::Yes);
        undo->trigger();
        EXPECT_EQ(ReadFile(a), before[i].first) << "undo " << i;
        EXPECT_EQ(ReadFile(b), before[i].second) << "undo " << i;
    }
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(Captions(*playlist().model()), (std::vector<std::string>{"Artist - Title", "Artist - Title"}));
    EXPECT_EQ(prompts.count(Kind::Error) + prompts.count(Kind::Information), 0);
}

TEST_F(TagToolsTest, ARenameRunIsUndoneAfterARestartWithoutReplacingAFile)
{
    const Tags nina{"River", "Nina", "Blue", "", "", "", 0};
    const Tags otto{"Light", "Otto", "Red", "", "", "", 0};
    const std::string a = AddSong("track1.mp3", &nina);
    const std::string b = AddSong("track2.mp3", &otto);
    bool driven = false;
    OnWizard<TfrmBatchRename>(driven, [](TfrmBatchRename& wizard) {
        Click(wizard, wizard.btnNext);
        wizard.cbFileFormat->setCurrentText("Custom ...");
        wizard.edtCustomPattern->setText("%album%/%artist% - %title%");
        for (int page = 1; page < 4; ++page)
            Click(wizard, wizard.btnNext);
    });
    frm->BatchfilesRename1->trigger();
    const std::string newA = dir.file("Blue/Nina - River.mp3");
    const std::string newB = dir.file("Red/Otto - Light.mp3");
    EXPECT_EQ(Paths(playlist()), (std::vector<std::string>{newA, newB}));
    EXPECT_EQ(frm->Undolastchange1->text(), "&Undo: rename of 2 files");

    frm.reset();
    OpenMainWindow();
    EXPECT_EQ(frm->Undolastchange1->text(), "&Undo: rename of 2 files");
    EXPECT_TRUE(frm->Undolastchange1->isEnabled());
    ASSERT_TRUE(playlist().AddFileToPlaylist(newA));
    ASSERT_TRUE(playlist().AddFileToPlaylist(newB));
    // A new file took one of the old names meanwhile: it stays.
    WriteFile(b, "new");
    prompts.expect(Kind::YesNo, PromptAnswer::Yes);
    frm->Undolastchange1->trigger();
    EXPECT_EQ(prompts.texts(Kind::YesNo).back(), "Do you really want to undo the last change (rename of 2 files)?");
    EXPECT_EQ(ReadFile(b), "new");
    EXPECT_TRUE(Exists(a));
    EXPECT_FALSE(Exists(dir.file("Blue"))); // emptied, so removed
    EXPECT_TRUE(Exists(newB));
    EXPECT_EQ(Paths(playlist()), (std::vector<std::string>{newB, a}));
    EXPECT_EQ(Captions(*playlist().model()), (std::vector<std::string>{"Nina - River", "Otto - Light"}));
    ASSERT_EQ(prompts.count(Kind::Error), 1);
    EXPECT_EQ(prompts.shown().back().text.toStdString(), "1 file could not be renamed back:\n" + newB + ": File exists");
    EXPECT_FALSE(frm->Undolastchange1->isEnabled());
}

TEST_F(TagToolsTest, AFileChangedSinceIsLeftAloneAndNamed)
{
    const Tags tags{"Title", "Artist", "", "", "", "", 0};
    const std::string a = AddSong("a.mp3", &tags, &tags);
    const std::string b = AddSong("b.mp3", &tags, &tags);
    const std::string beforeA = ReadFile(a);
    Select({0, 1});
    prompts.expect(Kind::OkCancel, PromptAnswer::Ok);
    int opened = 0;
    OnEditor(opened, [](TfrmMp3Tag& dialog) {
        Type(dialog.edtID3v1_Title, "New");
        Type(dialog.edtID3v2_Title, "New");
        dialog.btnUpdate->click();
    });
    frm->tagCommands()->Changemp3tags1Click();
    const std::string changed = ReadFile(b) + "more audio";
    WriteFile(b, changed);

    // The player lets go of the file whose tags go back.
    MusikPlayer& player = frm->playerControls()->player();
    SelectFile(a);
    frm->playerControls()->songsListViewDblClick();
    ASSERT_EQ(player.CurrentSongFile(), a);
    prompts.expect(Kind::YesNo, PromptAnswer::Yes);
    frm->Undolastchange1->trigger();
    EXPECT_EQ(player.CurrentSongFile(), "");
    EXPECT_EQ(ReadFile(a), beforeA);
    EXPECT_EQ(ReadFile(b), changed);
    EXPECT_EQ(Captions(*playlist().model()), (std::vector<std::string>{"Artist - New", "Artist - Title"}));
    ASSERT_EQ(prompts.count(Kind::Information), 1);
    EXPECT_EQ(prompts.shown().back().text.toStdString(), "1 file changed since and was left as it is:\n" + b);
}
