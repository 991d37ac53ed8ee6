// The "Lyrics" and "All frames" pages of the tag editor on real files:
// lyrics edited, loaded, saved and removed (in one file and in many), frames
// of each editable kind added, edited and deleted while the others keep
// their bytes, and those edits taken back by undo.

#include "tagtoolsfixture.h"

#include "ttagcommands.h"
#include "tfrmmain.h"
#include "tframespage.h"
#include "tfrmmp3tag.h"
#include "tlyricspage.h"
#include "tmorepage.h"
#include "tmp3tagv2.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <id3v2tag.h>
#include <mpegfile.h>
#include <textidentificationframe.h>
#include <urllinkframe.h>
#include <unsynchronizedlyricsframe.h>

using Kind = ScriptedPrompts::Kind;
using namespace std::string_literals;

namespace {

std::string Frame(const char* id, const std::string& content)
{
    std::string f = id;
    for (int shift : {24, 16, 8, 0})
        f += static_cast<char>((content.size() >> shift) & 0xFF);
    return f + "\0\0"s + content;
}

std::string Tag3(const std::string& frames)
{
    std::string header = "ID3\x03\0\0"s;
    for (int shift : {21, 14, 7, 0})
        header += static_cast<char>((frames.size() >> shift) & 0x7F);
    return header + frames;
}

struct LyricsSeen {
    std::string language, description, text;
};

// Every USLT frame as TagLib reads it, in order.
std::vector<LyricsSeen> TagLibLyrics(const std::string& path)
{
    TagLib::MPEG::File file(path.c_str());
    std::vector<LyricsSeen> seen;
    if (TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false))
        for (TagLib::ID3v2::Frame* frame : tag->frameListMap()["USLT"])
            if (auto* uslt = dynamic_cast<TagLib::ID3v2::UnsynchronizedLyricsFrame*>(frame))
                seen.push_back({std::string(uslt->language().data(), uslt->language().size()),
                                uslt->description().to8Bit(true), uslt->text().to8Bit(true)});
    return seen;
}

// The user text of that description, and the first user link, as TagLib reads them.
std::string TagLibUserText(const std::string& path, const char* description)
{
    TagLib::MPEG::File file(path.c_str());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
    auto* frame = tag ? TagLib::ID3v2::UserTextIdentificationFrame::find(tag, description) : nullptr;
    return frame && frame->fieldList().size() > 1 ? frame->fieldList()[1].to8Bit(true) : std::string();
}

std::string TagLibUserUrl(const std::string& path)
{
    TagLib::MPEG::File file(path.c_str());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
    if (!tag || tag->frameListMap()["WXXX"].isEmpty())
        return {};
    auto* frame = dynamic_cast<TagLib::ID3v2::UserUrlLinkFrame*>(tag->frameListMap()["WXXX"].front());
    return frame ? frame->description().to8Bit(true) + " " + frame->url().to8Bit(true) : std::string();
}

int RowOf(TFramesPage& page, const char* id)
{
    for (int row = 0; row < page.Model().rowCount(); ++row)
        if (page.Model().EntryAt(row).id() == id)
            return row;
    return -1;
}

}  // namespace

TEST_F(TagToolsTest, LyricsOfOneFileLoadedSavedAndRemovedWhileOtherLyricsStay)
{
    const std::string second = Frame("USLT", "\0eng\0second"s);
    const std::string synced = Frame("SYLT", "\0eng\x02\x01\0Hey\0\0\0\x03\xE8"s);
    const std::string song = dir.file("song.mp3");
    WriteFile(song, Tag3(Frame("TIT2", "\0Song"s) + Frame("USLT", "\0eng\0first"s) + second + synced)
                        + AudioBytes(3000));
    WriteFile(dir.file("lyrics.txt"), "\xEF\xBB\xBFZeile eins – äöü\r\nZeile zwei\r\n");
    WriteFile(dir.file("binary.txt"), "\x01\x02\x03\0\xFF"s);
    ASSERT_TRUE(playlist().AddFileToPlaylist(song));
    Select({0});

    auto dialog = OpenEditor();
    TLyricsPage& page = *dialog->pageLyrics;
    EXPECT_EQ(dialog->pages->tabText(dialog->pages->indexOf(&page)), QStringLiteral("&Lyrics"));
    EXPECT_EQ(page.memLyrics->toPlainText(), QStringLiteral("first"));
    EXPECT_EQ(page.labLyricsInfo->text(), QStringLiteral("The first of 2 lyrics; the others are kept as they are."));
    EXPECT_EQ(page.memSyncedLyrics->toPlainText(), QStringLiteral("[00:01.00] Hey"));
    EXPECT_EQ(page.PendingChange(), TLyricsPage::Change::Keep);

    prompts.expectOpenFiles({dir.file("binary.txt")});
    page.btnLyricsLoad->click();
    EXPECT_EQ(prompts.texts(Kind::Error).value(0).toStdString(),
              "Cannot use the file \"" + dir.file("binary.txt") + "\" as lyrics. It is no UTF-8 text file.");
    EXPECT_EQ(page.PendingChange(), TLyricsPage::Change::Keep);
    prompts.expectOpenFiles({dir.file("lyrics.txt")});
    page.btnLyricsLoad->click();
    page.edtLyricsLanguage->setText(QStringLiteral("deu"));
    page.edtLyricsDescription->setText(QStringLiteral("Strophe"));
    prompts.expectSaveFile(dir.file("copy.txt"));
    page.btnLyricsSave->click();
    EXPECT_EQ(ReadFile(dir.file("copy.txt")), "Zeile eins – äöü\nZeile zwei\n");
    dialog->actUpdateExecute();
    ASSERT_FALSE(dialog->isVisible());
    EXPECT_TRUE(prompts.texts(Kind::Error).size() == 1) << prompts.texts().join('\n').toStdString();
    std::vector<LyricsSeen> seen = TagLibLyrics(song);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].language, "deu");
    EXPECT_EQ(seen[0].description, "Strophe");
    EXPECT_EQ(seen[0].text, "Zeile eins – äöü\nZeile zwei\n");
    EXPECT_EQ(seen[1].text, "second");
    EXPECT_NE(ReadFile(song).find(synced), std::string::npos) << "the synchronised lyrics keep their bytes";
    EXPECT_EQ(TagLibFrame(song, "TIT2"), "Song");

    // Opened again: nothing changed, nothing to write; Remove takes the first.
    dialog = OpenEditor();
    EXPECT_EQ(dialog->pageLyrics->memLyrics->toPlainText(), QStringLiteral("Zeile eins – äöü\nZeile zwei\n"));
    EXPECT_EQ(dialog->pageLyrics->PendingChange(), TLyricsPage::Change::Keep);
    dialog->pageLyrics->btnLyricsRemove->click();
    EXPECT_EQ(dialog->pageLyrics->PendingChange(), TLyricsPage::Change::Remove);
    dialog->actUpdateExecute();
    seen = TagLibLyrics(song);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "second");
}

TEST_F(TagToolsTest, LyricsSetAndRemovedInEverySelectedFileAndNothingElseChanges)
{
    Tags tags;
    tags.title = "Title";
    tags.artist = "Artist";
    const std::string tagged = AddSong("a.mp3", &tags);
    const std::string bare = AddSong("b.mp3", nullptr);
    Select({0, 1});

    auto dialog = OpenEditor();
    TLyricsPage& page = *dialog->pageLyrics;
    EXPECT_FALSE(dialog->pages->isTabVisible(dialog->pages->indexOf(dialog->pageFrames)));
    EXPECT_EQ(page.labLyricsInfo->text(), QStringLiteral("<don't change>"));
    EXPECT_FALSE(dialog->actUpdate->isEnabled());
    page.memLyrics->setPlainText(QStringLiteral("la\nla"));
    EXPECT_TRUE(dialog->actUpdate->isEnabled());
    page.btnLyricsKeep->click();
    EXPECT_FALSE(dialog->actUpdate->isEnabled());
    page.edtLyricsLanguage->setText(QStringLiteral("fra"));
    page.memLyrics->setPlainText(QStringLiteral("la\nla"));
    prompts.expect(Kind::OkCancel, PromptAnswer::Ok);
    dialog->actUpdateExecute();
    ASSERT_FALSE(dialog->isVisible());
    for (const std::string& path : {tagged, bare}) {
        const std::vector<LyricsSeen> seen = TagLibLyrics(path);
        ASSERT_EQ(seen.size(), 1u) << path;
        EXPECT_EQ(seen[0].language, "fra");
        EXPECT_EQ(seen[0].text, "la\nla");
    }
    EXPECT_EQ(TagLibFrame(tagged, "TIT2"), "Title");
    EXPECT_EQ(TagLibFrame(tagged, "TPE1"), "Artist");

    // Removed from every file; a file without lyrics is not touched.
    const std::string other = AddSong("c.mp3", &tags);
    const std::string otherBytes = ReadFile(other);
    Select({0, 1, 2});
    dialog = OpenEditor();
    dialog->pageLyrics->btnLyricsRemove->click();
    EXPECT_TRUE(dialog->actUpdate->isEnabled());
    prompts.expect(Kind::OkCancel, PromptAnswer::Ok);
    dialog->actUpdateExecute();
    EXPECT_TRUE(TagLibLyrics(tagged).empty());
    EXPECT_TRUE(TagLibLyrics(bare).empty());
    EXPECT_EQ(TagLibFrame(tagged, "TPE1"), "Artist");
    EXPECT_EQ(ReadFile(other), otherBytes);
}

TEST_F(TagToolsTest, AllFramesAddsEditsAndDeletesFramesKeepsTheRestAndIsUndone)
{
    const std::string picture = Frame("APIC", "\0image/png\0\x04\0"s + PictureBytes("PNG", 2, 2));
    const std::string priv = Frame("PRIV", "owner\0\x01\x02"s);
    const std::string unknown = Frame("XYZW", "mystery");
    const std::string song = dir.file("song.mp3");
    WriteFile(song, Tag3(Frame("TIT2", "\0Old"s) + Frame("TPE1", "\0Artist"s) + Frame("COMM", "\0eng\0Comment"s)
                         + picture + priv + unknown)
                        + AudioBytes(3000));
    ASSERT_TRUE(playlist().AddFileToPlaylist(song));
    const std::string before = ReadFile(song);
    Select({0});

    int opened = 0;
    OnEditor(opened, [&](TfrmMp3Tag& dialog) {
        TFramesPage& page = *dialog.pageFrames;
        TFramesModel& model = page.Model();
        ASSERT_EQ(model.rowCount(), 6);
        const auto cell = [&](int row, int column) { return model.index(row, column).data().toString(); };
        EXPECT_EQ(cell(0, TFramesModel::ColName), QStringLiteral("Title/songname/content description"));
        EXPECT_EQ(cell(2, TFramesModel::ColDetail), QStringLiteral("eng"));
        EXPECT_EQ(cell(3, TFramesModel::ColValue).left(24), QStringLiteral("Cover (back), image/png,"));
        EXPECT_EQ(cell(5, TFramesModel::ColValue), QStringLiteral("kept as it is, 7 bytes"));
        // Only the editable kinds can be edited; everything can be deleted.
        page.tblFrames->setCurrentIndex(model.index(3, 0));
        EXPECT_FALSE(page.btnFrameEdit->isEnabled());
        EXPECT_TRUE(page.btnFrameDelete->isEnabled());
        page.EditFrame(3, {"APIC", "", "", "no"});
        EXPECT_FALSE(model.Changed());

        // The title edited here and the comment deleted here are saved as
        // such: the ID3v2 page's untouched fields do not write them back.
        page.EditFrame(RowOf(page, "TIT2"), {"TIT2", "", "", "New"});
        page.DeleteFrame(RowOf(page, "COMM"));
        page.DeleteFrame(RowOf(page, "PRIV"));
        page.AddFrame({"TXXX", "Mood", "", "calm"});
        page.AddFrame({"COMM", "Note", "fra", "deux\nlignes"});
        page.AddFrame({"WXXX", "Home", "", "http://example.org/"});
        page.AddFrame({"USLT", "", "ita", "uno\ndue"});
        page.AddFrame({"TCOM", "", "", "Bach"});
        page.EditFrame(RowOf(page, "TXXX"), {"TXXX", "Mood", "", "happy"});
        EXPECT_EQ(model.rowCount(), 9);
        // The other pages show the edits; a field the user typed into keeps
        // what was typed.
        EXPECT_EQ(dialog.edtID3v2_Title->text(), QStringLiteral("New"));
        EXPECT_EQ(dialog.edtID3v2_Comment->text(), QString());
        EXPECT_EQ(dialog.pageLyrics->memLyrics->toPlainText(), QStringLiteral("uno\ndue"));
        EXPECT_EQ(dialog.pageLyrics->PendingChange(), TLyricsPage::Change::Keep);
        EXPECT_EQ(dialog.pageMore->Edit(id3v2::kComposer)->text(), QStringLiteral("Bach"));
        EXPECT_FALSE(dialog.pageMore->AnyFieldChanged());
        dialog.edtID3v2_Artist->setFocus();
        dialog.edtID3v2_Artist->end(false);
        QTest::keyClicks(dialog.edtID3v2_Artist, " typed");
        page.EditFrame(RowOf(page, "TPE1"), {"TPE1", "", "", "Listed"});
        EXPECT_EQ(dialog.edtID3v2_Artist->text(), QStringLiteral("Artist typed"));
        dialog.btnUpdate->click();
    });
    frm->tagCommands()->Changemp3tags1Click();
    ASSERT_EQ(opened, 1);
    EXPECT_TRUE(prompts.texts(Kind::Error).isEmpty()) << prompts.texts().join('\n').toStdString();

    Tmp3TagV2 tag;
    ASSERT_TRUE(tag.LoadFromFile(song));
    EXPECT_EQ(tag.Title(), "New");
    EXPECT_EQ(tag.Artist(), "Artist typed");
    EXPECT_EQ(tag.Comment(), "");
    EXPECT_EQ(tag.Extra(id3v2::kComposer), "Bach");
    EXPECT_EQ(TagLibUserText(song, "Mood"), "happy");
    EXPECT_EQ(TagLibUserUrl(song), "Home http://example.org/");
    EXPECT_EQ(TagLibFrame(song, "COMM"), "deux\nlignes");
    ASSERT_EQ(TagLibLyrics(song).size(), 1u);
    EXPECT_EQ(TagLibLyrics(song)[0].language, "ita");
    const std::string after = ReadFile(song);
    EXPECT_NE(after.find(picture), std::string::npos);
    EXPECT_NE(after.find(unknown), std::string::npos);
    EXPECT_EQ(after.find("owner"), std::string::npos);

    // One undo takes the whole save back.
    prompts.expect(Kind::YesNo, PromptAnswer::Yes);
    frm->Undolastchange1->trigger();
    EXPECT_EQ(ReadFile(song), before);
}
