// The two wizards of the main window's "Tools" menu: enabled while the
// playlist has rows, and the rows refreshed afterwards: the renamed ones, or
// the rows of the tag setup wizard's scope.

#include "tagtoolsfixture.h"

#include "optionvalues.h"
#include "tfrmbatchrename.h"
#include "tfrmbatchtagsetter.h"
#include "tfrmmain.h"
#include "tmp3tagv2.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "tsongslistview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

namespace {

std::vector<std::string> Captions(const TPlaylistModel& model)
{
    std::vector<std::string> out;
    for (int row = 0; row < model.Count(); ++row)
        out.push_back(model.index(row).data().toString().toStdString());
    return out;
}

// Runs `act` on the wizard once it is open (modal); `act` must close it.
template <typename Wizard>
void OnWizard(bool& driven, const std::function<void(Wizard&)>& act)
{
    QTimer::singleShot(0, [&driven, act] {
        auto* wizard = qobject_cast<Wizard*>(QApplication::activeModalWidget());
        ASSERT_NE(wizard, nullptr);
        act(*wizard);
        driven = true;
    });
}

// Presses a wizard's button once the wizard has updated it, as it does when
// the application is idle.
void Click(TBatchWizard& wizard, QPushButton* button)
{
    wizard.UpdateWizardButtons();
    button->click();
}

} // namespace

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
