// The page "More" of the tag editor: it shows the fields beyond the seven,
// writes only those the user edited (single file) or filled in (several
// files), and the frames of the other fields stay as the files had them.

#include "tagtoolsfixture.h"

#include "tfrmmain.h"
#include "tfrmmp3tag.h"
#include "tmorepage.h"
#include "tmp3tagv2.h"
#include "ttagcommands.h"
#include "ttagpage.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

using Kind = ScriptedPrompts::Kind;

namespace {

// Writes the extra fields into the file's ID3v2 tag.
void SetExtras(const std::string& path, std::initializer_list<std::pair<id3v2::ExtraField, const char*>> values)
{
    Tmp3TagV2 v2;
    ASSERT_TRUE(v2.LoadFromFile(path));
    for (const auto& [field, text] : values)
        v2.SetExtra(field, text);
    ASSERT_TRUE(v2.SaveToFile(path));
}

// The bytes of the ID3v2 tag's frames, without header and padding.
std::string TagFrames(const std::string& path)
{
    const std::string bytes = ReadFile(path);
    const auto b = [&](std::size_t i) { return static_cast<std::size_t>(static_cast<unsigned char>(bytes[i])); };
    const std::size_t size = (b(6) << 21) | (b(7) << 14) | (b(8) << 7) | b(9);
    std::string frames = bytes.substr(10, size);
    return frames.substr(0, frames.find_last_not_of('\0') + 1);
}

}  // namespace

TEST_F(TagToolsTest, MorePageShowsTheFieldsAndWritesTheEditedOnes)
{
    const Tags tags{"Title", "Artist", "Album", "2001", "Pop", "", 4};
    const std::string path = AddSong("song.mp3", &tags);
    SetExtras(path, {{id3v2::kAlbumArtist, "Various"}, {id3v2::kDisc, "1/2"}, {id3v2::kComposer, "Old"},
                     {id3v2::kIsrc, "USRC17607839"}});
    const std::string before = TagFrames(path);
    Select({0});

    auto dialog = OpenEditor();
    ASSERT_NE(dialog->pageMore, nullptr);
    EXPECT_GT(dialog->pages->indexOf(dialog->pageMore), dialog->pages->indexOf(dialog->page2));
    EXPECT_EQ(dialog->pages->tabText(dialog->pages->indexOf(dialog->pageMore)), QStringLiteral("M&ore"));
    TMorePage& more = *dialog->pageMore;
    EXPECT_EQ(more.Edit(id3v2::kAlbumArtist)->text(), QStringLiteral("Various"));
    EXPECT_EQ(more.Edit(id3v2::kDisc)->text(), QStringLiteral("1/2"));
    EXPECT_FALSE(more.chkCompilation->isChecked());

    // Nothing edited: the tag stays byte for byte.
    dialog->actUpdateExecute();
    ASSERT_FALSE(dialog->isVisible());
    EXPECT_EQ(TagFrames(path), before);

    dialog = OpenEditor();
    TMorePage& page = *dialog->pageMore;
    page.Edit(id3v2::kComposer)->selectAll();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("Дмитрий Шостакович"));
    QApplication::sendEvent(page.Edit(id3v2::kComposer), &typed);
    page.Edit(id3v2::kIsrc)->selectAll();
    QTest::keyClick(page.Edit(id3v2::kIsrc), Qt::Key_Delete);
    page.chkCompilation->click();
    dialog->actUpdateExecute();
    ASSERT_FALSE(dialog->isVisible());
    EXPECT_EQ(TagLibFrame(path, "TCOM"), "Дмитрий Шостакович");
    EXPECT_EQ(TagLibFrame(path, "TCMP"), "1");
    EXPECT_EQ(TagLibFrame(path, "TSRC"), "");
    EXPECT_EQ(TagLibFrame(path, "TPE2"), "Various");
    EXPECT_EQ(TagLibFrame(path, "TIT2"), "Title");

    // An undo takes the new frames back with the rest of the tag.
    const std::string edited = ReadFile(path);
    int opened = 0;
    OnEditor(opened, [](TfrmMp3Tag& editor) {
        QLineEdit* subtitle = editor.pageMore->Edit(id3v2::kSubtitle);
        subtitle->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(subtitle, QStringLiteral("Undone"));
        editor.btnUpdate->click();
    });
    frm->tagCommands()->Changemp3tags1Click();
    ASSERT_EQ(opened, 1);
    EXPECT_EQ(TagLibFrame(path, "TIT3"), "Undone");
    prompts.expect(Kind::YesNo, PromptAnswer::Yes);
    frm->Undolastchange1->trigger();
    EXPECT_EQ(ReadFile(path), edited);
    EXPECT_EQ(prompts.count(Kind::Error), 0);
}

TEST_F(TagToolsTest, MorePageInSeveralFilesWritesOnlyTheFilledFields)
{
    const Tags tags{"Title", "Artist", "Album", "2001", "Pop", "", 4};
    const std::string a = AddSong("a.mp3", &tags);
    const std::string b = AddSong("b.mp3", &tags);
    SetExtras(a, {{id3v2::kComposer, "Composer A"}, {id3v2::kCompilation, "1"}});
    SetExtras(b, {{id3v2::kComposer, "Composer B"}, {id3v2::kBpm, "90"}});
    Select({0, 1});

    auto dialog = OpenEditor();
    TMorePage& page = *dialog->pageMore;
    QLineEdit* albumArtist = page.Edit(id3v2::kAlbumArtist);
    EXPECT_EQ(albumArtist->text(), TTagPage::kDontChange);
    EXPECT_EQ(page.chkCompilation->checkState(), Qt::PartiallyChecked);
    EXPECT_FALSE(dialog->actUpdate->isEnabled());
    // The placeholder rules of the other pages.
    dialog->pages->setCurrentWidget(&page);
    albumArtist->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(albumArtist->text(), QString());
    QTest::keyClicks(albumArtist, QStringLiteral("Both"));
    QLineEdit* bpm = page.Edit(id3v2::kBpm);
    bpm->setFocus(Qt::TabFocusReason);
    dialog->FormMouseDown();
    EXPECT_EQ(bpm->text(), TTagPage::kDontChange);
    EXPECT_TRUE(dialog->actUpdate->isEnabled());

    prompts.expect(Kind::OkCancel, PromptAnswer::Ok);
    dialog->actUpdateExecute();
    ASSERT_FALSE(dialog->isVisible());
    EXPECT_EQ(TagLibFrame(a, "TPE2"), "Both");
    EXPECT_EQ(TagLibFrame(b, "TPE2"), "Both");
    EXPECT_EQ(TagLibFrame(a, "TCOM"), "Composer A");
    EXPECT_EQ(TagLibFrame(b, "TCOM"), "Composer B");
    EXPECT_EQ(TagLibFrame(a, "TCMP"), "1");
    EXPECT_EQ(TagLibFrame(b, "TCMP"), "");
    EXPECT_EQ(TagLibFrame(b, "TBPM"), "90");

    // The compilation box out of its third state is written everywhere.
    Select({0, 1});
    dialog = OpenEditor();
    dialog->pageMore->chkCompilation->setCheckState(Qt::Unchecked);
    EXPECT_TRUE(dialog->actUpdate->isEnabled());
    prompts.expect(Kind::OkCancel, PromptAnswer::Ok);
    dialog->actUpdateExecute();
    ASSERT_FALSE(dialog->isVisible());
    EXPECT_EQ(TagLibFrame(a, "TCMP"), "");
    EXPECT_EQ(TagLibFrame(a, "TPE2"), "Both");
    EXPECT_EQ(prompts.count(Kind::Error), 0);
}
