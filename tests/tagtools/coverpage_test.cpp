// The "Cover" page of the tag editor on real files: a front cover added,
// replaced, saved to a file and removed while every other picture keeps its
// bytes; pictures refused with a clear message; a cover set in every file of
// a selection.

#include "tagtoolsfixture.h"

#include "tcoverpage.h"
#include "tfileinfo.h"
#include "tfrmmp3tag.h"
#include "tmp3tagv2.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "tsongslistview.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include <unistd.h>

using Kind = ScriptedPrompts::Kind;
using namespace std::string_literals;

namespace {

// An ID3v2.3 tag with a title and a back cover (picture type 4, UTF-16
// description), and the bytes of that picture frame.
std::string TagWithBackCover(const std::string& jpeg, std::string& pictureFrame)
{
    const auto frame = [](const char* id, const std::string& content) {
        std::string f = id;
        for (int shift : {24, 16, 8, 0})
            f += static_cast<char>((content.size() >> shift) & 0xFF);
        return f + "\0\0"s + content;
    };
    pictureFrame = frame("APIC", "\x01image/jpeg\0\x04\xFF\xFE" "b\0k\0\0\0"s + jpeg);
    const std::string frames = frame("TIT2", "\0Song"s) + pictureFrame;
    std::string header = "ID3\x03\0\0"s;
    for (int shift : {21, 14, 7, 0})
        header += static_cast<char>((frames.size() >> shift) & 0x7F);
    return header + frames;
}

std::optional<TagPicture> CoverOf(const std::string& path)
{
    Tmp3TagV2 tag;
    EXPECT_TRUE(tag.LoadCover(path));
    return tag.Cover();
}

} // namespace

TEST_F(TagToolsTest, CoverAddedReplacedSavedAndRemovedWhileOtherPicturesKeepTheirBytes)
{
    const std::string jpeg = PictureBytes("JPEG", 8, 8);
    const std::string png = PictureBytes("PNG", 4, 3);
    std::string backCover;
    const std::string song = dir.file("song.mp3");
    WriteFile(song, TagWithBackCover(jpeg, backCover) + AudioBytes(3000));
    WriteFile(dir.file("front.png"), png);
    ASSERT_TRUE(playlist().AddFileToPlaylist(song));
    Select({0});

    auto dialog = OpenEditor();
    TCoverPage& page = *dialog->page3;
    EXPECT_EQ(dialog->pages->tabText(2), QStringLiteral("Co&ver"));
    EXPECT_TRUE(page.labCoverInfo->text().startsWith(QStringLiteral("Cover (back)\nJPEG, 8 × 8 pixels")))
        << page.labCoverInfo->text().toStdString();
    EXPECT_EQ(page.btnCoverSet->text(), QStringLiteral("&Add ..."));
    prompts.expectOpenFiles({dir.file("front.png")});
    page.btnCoverSet->click();
    EXPECT_TRUE(page.labCoverInfo->text().startsWith(QStringLiteral("Cover (front)\nPNG, 4 × 3 pixels")));
    EXPECT_EQ(page.btnCoverSet->text(), QStringLiteral("Re&place ..."));
    dialog->actUpdateExecute();
    ASSERT_FALSE(dialog->isVisible());
    EXPECT_TRUE(prompts.texts(Kind::Error).isEmpty()) << prompts.texts().join('\n').toStdString();
    EXPECT_EQ(CoverOf(song)->data, png);
    EXPECT_EQ(CoverOf(song)->mimeType, "image/png");
    EXPECT_EQ(TagLibFrame(song, "TIT2"), "Song");
    EXPECT_NE(ReadFile(song).find(backCover), std::string::npos) << "the back cover is kept byte for byte";

    // Saved to a file: exactly the picture's bytes; a folder that is not
    // there gives the system's reason and leaves nothing.
    dialog = OpenEditor();
    prompts.expectSaveFile(dir.file("copy.png")).expectSaveFile(dir.file("gone/copy.png"));
    dialog->page3->btnCoverSave->click();
    EXPECT_EQ(ReadFile(dir.file("copy.png")), png);
    dialog->page3->btnCoverSave->click();
    EXPECT_EQ(prompts.texts(Kind::Error).value(0).toStdString(),
              "Cannot write file \"" + dir.file("gone/copy.png") + "\". No such file or directory");

    // Removed: only the front cover goes.
    dialog->page3->btnCoverRemove->click();
    EXPECT_EQ(dialog->page3->imgCover->text(), QStringLiteral("Removed by Update"));
    dialog->actUpdateExecute();
    ASSERT_FALSE(dialog->isVisible());
    ASSERT_TRUE(CoverOf(song));
    EXPECT_EQ(CoverOf(song)->type, 4);
    EXPECT_EQ(CoverOf(song)->data, jpeg);
    EXPECT_NE(ReadFile(song).find(backCover), std::string::npos);
}

TEST_F(TagToolsTest, PicturesThatCannotBeCoversAreRefusedWithTheReason)
{
    Tags tags;
    tags.title = "Title";
    const std::string song = AddSong("song.mp3", &tags);
    const std::string before = ReadFile(song);
    WriteFile(dir.file("notes.jpg"), "just some text");
    WriteFile(dir.file("broken.jpg"), "\xFF\xD8\xFF\xE0" + std::string(300, 'x'));
    WriteFile(dir.file("huge.png"), "\x89PNG\r\n\x1A\n"s);
    ASSERT_EQ(::truncate(dir.file("huge.png").c_str(), (16 << 20) + 1), 0);
    Select({0});

    auto dialog = OpenEditor();
    for (const char* name : {"notes.jpg", "broken.jpg", "huge.png", "missing.png"}) {
        prompts.expectOpenFiles({dir.file(name)});
        dialog->page3->btnCoverSet->click();
    }
    const QStringList errors = prompts.texts(Kind::Error);
    ASSERT_EQ(errors.size(), 4);
    const auto refusal = [&](const char* name, const char* reason) {
        return "Cannot use the file \"" + dir.file(name) + "\" as the cover. " + reason;
    };
    EXPECT_EQ(errors[0].toStdString(), refusal("notes.jpg", "The picture is neither a JPEG nor a PNG image"));
    EXPECT_EQ(errors[1].toStdString(),
              refusal("broken.jpg", "The picture is damaged: it cannot be read as an image"));
    EXPECT_EQ(errors[2].toStdString(), refusal("huge.png", "The picture is larger than 16 MB"));
    EXPECT_EQ(errors[3].toStdString(), refusal("missing.png", "No such file or directory"));
    EXPECT_EQ(dialog->page3->PendingChange(), TCoverPage::Change::Keep);
    dialog->actUpdateExecute();
    EXPECT_EQ(ReadFile(song), before);
}

TEST_F(TagToolsTest, CoverSetAndRemovedInEverySelectedFile)
{
    const std::string jpeg = PictureBytes("JPEG", 6, 6);
    WriteFile(dir.file("cover.jpg"), jpeg);
    Tags tags;
    tags.title = "Title";
    tags.artist = "Artist";
    const std::string tagged = AddSong("a.mp3", &tags);
    const std::string bare = AddSong("b.mp3", nullptr);
    const std::string other = AddSong("c.mp3", nullptr);
    Select({0, 1});

    auto dialog = OpenEditor();
    TCoverPage& page = *dialog->page3;
    EXPECT_EQ(page.imgCover->text(), QStringLiteral("<don't change>"));
    EXPECT_FALSE(dialog->actUpdate->isEnabled());
    prompts.expectOpenFiles({dir.file("cover.jpg")});
    page.btnCoverSet->click();
    EXPECT_TRUE(dialog->actUpdate->isEnabled());
    page.btnCoverKeep->click();
    EXPECT_FALSE(dialog->actUpdate->isEnabled());
    prompts.expectOpenFiles({dir.file("cover.jpg")});
    page.btnCoverSet->click();
    prompts.expect(Kind::OkCancel, PromptAnswer::Ok);
    dialog->actUpdateExecute();
    ASSERT_FALSE(dialog->isVisible());
    for (const std::string& path : {tagged, bare}) {
        ASSERT_TRUE(CoverOf(path)) << path;
        EXPECT_EQ(CoverOf(path)->data, jpeg);
        EXPECT_EQ(CoverOf(path)->type, TagPicture::kFrontCover);
    }
    EXPECT_EQ(TagLibFrame(tagged, "TIT2"), "Title");
    EXPECT_EQ(ReadFile(other), AudioBytes(3000));

    // Removing takes only front covers and leaves the files' texts; a file
    // without a front cover is not touched, nor given a tag.
    std::string backCover;
    const std::string back = dir.file("back.mp3");
    WriteFile(back, TagWithBackCover(jpeg, backCover) + AudioBytes(3000));
    ASSERT_TRUE(playlist().AddFileToPlaylist(back));
    const std::string backBytes = ReadFile(back);
    QItemSelectionModel* selection = playlist().songsListView()->selectionModel();
    selection->clearSelection();
    for (int row = 0; row < playlist().Count(); ++row)
        if (playlist().FileAt(row)->FullPath() != bare)
            selection->select(playlist().model()->index(row), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    dialog = OpenEditor();
    dialog->page3->btnCoverRemove->click();
    prompts.expect(Kind::OkCancel, PromptAnswer::Ok);
    dialog->actUpdateExecute();
    EXPECT_FALSE(CoverOf(tagged));
    EXPECT_EQ(TagLibFrame(tagged, "TPE1"), "Artist");
    EXPECT_EQ(ReadFile(other), AudioBytes(3000));
    EXPECT_EQ(ReadFile(back), backBytes);
    EXPECT_TRUE(CoverOf(bare));
}
