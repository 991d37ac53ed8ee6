// The tag editor and the wizards from the keyboard: each page a user sees
// gives every button, tab and field label its own access letter, and each
// label that names a field takes the focus there.

#include "tagtoolsfixture.h"
#include "wizardfixture.h"

#include "accessletters.h"
#include "tcoverpage.h"
#include "tfrmbatchrename.h"
#include "tfrmbatchtagsetter.h"
#include "tfrmtagactions.h"
#include "tbatchwizard.h"
#include "tfrmmp3tag.h"
#include "ttagpage.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTest>

namespace {

// The faults of each tab of the tag editor, by tab.
AccessFaults FaultsOfEachTab(TfrmMp3Tag& dialog)
{
    AccessFaults faults;
    for (int i = 0; i < dialog.pages->count(); ++i) {
        dialog.pages->setCurrentIndex(i);
        for (const std::string& fault : AccessLetterFaults(dialog))
            faults.push_back(dialog.pages->tabText(i).toStdString() + ": " + fault);
    }
    return faults;
}

} // namespace

TEST_F(TagToolsTest, TheTagEditorHasAnAccessLetterForEachControlOfEachPage)
{
    Tags tags;
    tags.title = "Title";
    AddSong("a.mp3", &tags, &tags);
    Select({0});
    auto dialog = OpenEditor();
    EXPECT_EQ(FaultsOfEachTab(*dialog), AccessFaults());

    // Alt with a label's letter moves to its field, on the page shown.
    dialog->pages->setCurrentIndex(1);
    QTest::keyClick(dialog.get(), Qt::Key_B, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), dialog->edtID3v2_Album);
    QTest::keyClick(dialog.get(), Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), dialog->edtID3v2_Track);
    // Tab goes down the fields and on to the buttons.
    dialog->edtID3v2_Comment->setFocus();
    QTest::keyClick(dialog->edtID3v2_Comment, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(dialog->btnUpdate));
}

TEST_F(WizardTest, TheWizardsHaveAnAccessLetterForEachControlOfEachPage)
{
    Song("a.mp3", TagValues{"Artist", "Title"});
    // The faults of the pages up to the preview, walked with Next.
    const auto faultsUpToThePreview = [](TBatchWizard& wizard) {
        AccessFaults faults;
        for (int page = TBatchWizard::InfoPage; page <= TBatchWizard::PreviewPage; ++page) {
            EXPECT_EQ(wizard.CurrentPage(), page);
            for (const std::string& fault : AccessLetterFaults(wizard))
                faults.push_back(wizard.labPageTitle->text().toStdString() + ": " + fault);
            if (page != TBatchWizard::PreviewPage)
                Next(wizard);
        }
        return faults;
    };
    TfrmBatchRename rename(playlist, prompts, {});
    rename.show();
    EXPECT_EQ(faultsUpToThePreview(rename), AccessFaults());
    TfrmBatchTagSetter setter(playlist, prompts);
    setter.show();
    setter.cbSetV2->setChecked(true);
    EXPECT_EQ(faultsUpToThePreview(setter), AccessFaults());
    EXPECT_EQ(AccessLetterFaults(setter.mnuFileList->actions()), AccessFaults());
    // The tag actions: the settings page of each action.
    TfrmTagActions actions(playlist, prompts);
    actions.show();
    Next(actions);
    for (int action = 0; action < actions.cbAction->count(); ++action) {
        actions.cbAction->setCurrentIndex(action);
        EXPECT_EQ(AccessLetterFaults(actions), AccessFaults()) << actions.cbAction->currentText().toStdString();
    }
}
