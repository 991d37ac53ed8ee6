// The playlist's tag commands in the main window: the tag editor opened on
// the selection (the player stopped only for a selected playing file), tag
// removal with its question, the two wizards of the "Tools" menu, and the
// refresh and re-sort of the rows.

#include "tagtoolsfixture.h"

#include "musikplayer.h"
#include "optionvalues.h"
#include "tfrmbatchrename.h"
#include "tfrmbatchtagsetter.h"
#include "tfrmmain.h"
#include "tfileinfo.h"
#include "tfrmmp3tag.h"
#include "tmp3tagv2.h"
#include "tplayercontrols.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "tsongslistview.h"
#include "ttagcommands.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

using Kind = ScriptedPrompts::Kind;

TEST_F(TagToolsTest, ChangingTagsStopsOnlyASelectedPlayingFileAndResortsTheRows)
{
    for (const char* artist : {"b", "c", "d"}) {
        const Tags tags{"x", artist, "", "", "", "", 0};
        AddSong(std::string(artist) + ".mp3", &tags);
    }
    TPlaylistModel& model = *playlist().model();
    MusikPlayer& player = frm->playerControls()->player();
    Select({1});
    frm->playerControls()->songsListViewDblClick();
    ASSERT_EQ(player.CurrentSongFile(), dir.file("c.mp3"));

    // A selection without the playing file: the song plays on.
    Select({0});
    int opened = 0;
    OnEditor(opened, [](TfrmMp3Tag& dialog) { dialog.btnCancel->click(); });
    frm->tagCommands()->Changemp3tags1Click();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(player.CurrentSongFile(), dir.file("c.mp3"));

    Select({1, 2});
    EXPECT_TRUE(frm->tagCommands()->PlayingFileSelected());
    prompts.expect(Kind::OkCancel, PromptAnswer::Ok);
    OnEditor(opened, [](TfrmMp3Tag& dialog) {
        dialog.edtID3v2_Artist->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(dialog.edtID3v2_Artist, QStringLiteral("a"));
        dialog.btnUpdate->click();
    });
    frm->tagCommands()->Changemp3tags1Click();
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(player.CurrentSongFile(), "");
    EXPECT_EQ(Captions(model), (std::vector<std::string>{"a - x", "a - x", "b - x"}));
    EXPECT_TRUE(model.SortingEnabled());
    for (int row = 0; row < model.Count(); ++row)
        EXPECT_FALSE(model.IsChecked(row));

    // Ctrl+T without a selected row opens nothing.
    Select({});
    OnEditor(opened, [](TfrmMp3Tag& dialog) { dialog.reject(); });
    playlist().songsListView()->setFocus();
    QTest::keyClick(playlist().songsListView(), Qt::Key_T, Qt::ControlModifier);
    frm->tagCommands()->Changemp3tags1Click();
    QApplication::processEvents();
    EXPECT_EQ(opened, 2);
}

TEST_F(TagToolsTest, RemovingTagsAsksStopsThePlayerAndRefreshesEveryRow)
{
    const Tags tags{"Title", "Artist", "", "", "", "", 0};
    const std::string a = AddSong("a.mp3", &tags, &tags);
    const std::string b = AddSong("b.mp3", &tags, &tags);
    const Tags other{"zz", "zz", "", "", "", "", 0};
    AddSong("z.mp3", &other, &other);
    TPlaylistModel& model = *playlist().model();
    MusikPlayer& player = frm->playerControls()->player();
    Select({2});
    frm->playerControls()->songsListViewDblClick();

    // Only a menu item is obeyed; No changes nothing.
    frm->tagCommands()->removeMp3TagFromFile(frm.get());
    Select({0, 1});
    prompts.expect(Kind::YesNo, PromptAnswer::No);
    frm->tagCommands()->removeMp3TagFromFile(playlist().Alltags1);
    EXPECT_EQ(prompts.texts(Kind::YesNo).value(0),
              QStringLiteral("Do you really want to remove all  tags from selected 2 files?"));
    EXPECT_EQ(player.CurrentSongFile(), dir.file("z.mp3"));

    // ID3 v1 only; the player stops although its file is not selected.
    prompts.expect(Kind::YesNo, PromptAnswer::Yes);
    frm->tagCommands()->removeMp3TagFromFile(playlist().ID3v11);
    EXPECT_EQ(prompts.texts(Kind::YesNo).value(1),
              QStringLiteral("Do you really want to remove ID3 v1  tags from selected 2 files?"));
    EXPECT_EQ(player.CurrentSongFile(), "");
    EXPECT_FALSE(model.IsChecked(2));
    EXPECT_EQ(model.index(0).data(TPlaylistModel::StateIndexRole).toInt(), 2);
    for (const std::string& path : {a, b}) {
        EXPECT_NE(Trailer(path).substr(0, 3), "TAG");
        EXPECT_EQ(TagLibFrame(path, "TPE1"), "Artist");
    }

    // All tags, with one file gone meanwhile: the others are done and the
    // failure is told once.
    ::unlink(b.c_str());
    prompts.expect(Kind::YesNo, PromptAnswer::Yes);
    frm->tagCommands()->removeMp3TagFromFile(playlist().Alltags1);
    EXPECT_EQ(ReadFile(a), AudioBytes(3000));
    EXPECT_EQ(Captions(model), (std::vector<std::string>{"a.mp3", "b.mp3", "zz - zz"}));
    EXPECT_EQ(model.index(1).data(TPlaylistModel::StateIndexRole).toInt(), 1);
    ASSERT_EQ(prompts.count(Kind::Error), 1);
    EXPECT_EQ(prompts.shown().back().title, QStringLiteral("Error removing mp3 tags"));
    EXPECT_EQ(prompts.shown().back().text.toStdString(),
              "1 file could not be written:\nCannot open file \"" + b + "\". No such file or directory\n"
                  + "Cannot remove the ID3v2 tag from file \"" + b + "\". No such file or directory");
}

TEST_F(TagToolsTest, TheRenameCommandRefreshesTheRenamedRows)
{
    const auto restore = qScopeGuard([] { options::SetDefaultOptionValues(); });
    options::FNIOMP3INFO = true; // the rows show file names
    frm->UpdateActions();
    EXPECT_FALSE(frm->BatchfilesRename1->isEnabled());
    EXPECT_FALSE(frm->BatchSetupmp3Tagsfromfilenames1->isEnabled());
    const Tags nina{"Morning", "Nina", "", "", "", "", 0};
    const Tags otto{"Light", "Otto", "", "", "", "", 0};
    AddSong("track1.mp3", &nina);
    AddSong("track2.mp3", &otto);
    AddSong("zzz.mp3", nullptr);
    frm->UpdateActions();
    EXPECT_TRUE(frm->BatchfilesRename1->isEnabled());
    EXPECT_TRUE(frm->BatchSetupmp3Tagsfromfilenames1->isEnabled());

    bool driven = false;
    OnWizard<TfrmBatchRename>(driven, [](TfrmBatchRename& wizard) {
        for (int page = 0; page < 4; ++page)
            Click(wizard, wizard.btnNext);
    });
    frm->BatchfilesRename1->trigger();
    EXPECT_TRUE(driven);
    EXPECT_EQ(Captions(*playlist().model()),
              (std::vector<std::string>{"Nina - Morning.mp3", "Otto - Light.mp3", "zzz.mp3"}));
    // The playlist knows the files under their new names only.
    EXPECT_TRUE(playlist().IsInPlaylist(dir.file("Nina - Morning.mp3")));
    EXPECT_FALSE(playlist().IsInPlaylist(dir.file("track1.mp3")));
}

TEST_F(TagToolsTest, TheTagSetupCommandRefreshesTheRowsOfItsScope)
{
    AddSong("A - One.mp3", nullptr);
    const std::string other = AddSong("B - Two.mp3", nullptr);
    // The other file changes behind the playlist's back: only a refresh shows it.
    Tmp3TagV2 tag;
    tag.SetArtist("Behind");
    tag.SetTitle("Back");
    ASSERT_TRUE(tag.SaveToFile(other));
    Select({0});

    auto run = [&](const char* scope) {
        bool driven = false;
        OnWizard<TfrmBatchTagSetter>(driven, [scope](TfrmBatchTagSetter& wizard) {
            Click(wizard, wizard.btnNext);
            wizard.cbSetV2->setChecked(true);
            wizard.cbSelectedItems->setCurrentText(QString::fromLatin1(scope));
            for (int page = 1; page < 4; ++page)
                Click(wizard, wizard.btnNext);
        });
        frm->BatchSetupmp3Tagsfromfilenames1->trigger();
        EXPECT_TRUE(driven);
    };
    run("Selected items");
    EXPECT_EQ(Captions(*playlist().model()), (std::vector<std::string>{"A - One", "B - Two.mp3"}));
    EXPECT_EQ(playlist().model()->index(0).data(TPlaylistModel::StateIndexRole).toInt(), 2);
    // Every row now: the other file got the tag from its name as well.
    run("All items in the list");
    EXPECT_EQ(Captions(*playlist().model()), (std::vector<std::string>{"A - One", "B - Two"}));
    EXPECT_TRUE(playlist().songsListView()->isVisible());
}

TEST_F(TagToolsTest, ARenamedPlayingFilePlaysOnMarkedAndTheTagCommandsStillStopIt)
{
    const Tags nina{"Morning", "Nina", "", "", "", "", 0};
    const Tags otto{"Light", "Otto", "", "", "", "", 0};
    const std::string first = AddSong("track1.mp3", &nina);
    AddSong("track2.mp3", &otto);
    TPlaylistModel& model = *playlist().model();
    MusikPlayer& player = frm->playerControls()->player();
    const auto marked = [&model] {
        std::vector<std::string> names;
        for (int row = 0; row < model.Count(); ++row)
            if (model.IsChecked(row))
                names.push_back(model.FileAt(row)->FileName());
        return names;
    };
    SelectFile(first);
    frm->playerControls()->songsListViewDblClick();
    const std::size_t commands = media->commands.size();

    bool driven = false;
    OnWizard<TfrmBatchRename>(driven, [](TfrmBatchRename& wizard) {
        for (int page = 0; page < 4; ++page)
            Click(wizard, wizard.btnNext);
    });
    frm->BatchfilesRename1->trigger();
    ASSERT_TRUE(driven);
    const std::string renamed = dir.file("Nina - Morning.mp3");
    EXPECT_EQ(player.CurrentSongFile(), renamed);
    EXPECT_EQ(media->commands.size(), commands);  // played on, never reopened
    EXPECT_EQ(marked(), std::vector<std::string>{"Nina - Morning.mp3"});

    // Undoing the rename takes the song back to its old name, still playing.
    prompts.expect(Kind::YesNo, PromptAnswer::Yes);
    frm->tagCommands()->UndoLastChangeClick();
    EXPECT_EQ(player.CurrentSongFile(), first);
    EXPECT_EQ(marked(), std::vector<std::string>{"track1.mp3"});
    OnWizard<TfrmBatchRename>(driven, [](TfrmBatchRename& wizard) {
        for (int page = 0; page < 4; ++page)
            Click(wizard, wizard.btnNext);
    });
    frm->BatchfilesRename1->trigger();
    ASSERT_EQ(player.CurrentSongFile(), renamed);

    // The tag editor on the renamed file: the player stops before it opens.
    SelectFile(renamed);
    int opened = 0;
    bool stoppedFirst = false;
    OnEditor(opened, [&](TfrmMp3Tag& dialog) {
        stoppedFirst = !player.IsPlayerActive() && !media->open;
        dialog.btnCancel->click();
    });
    frm->tagCommands()->Changemp3tags1Click();
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(stoppedFirst);
    EXPECT_TRUE(marked().empty());
}
