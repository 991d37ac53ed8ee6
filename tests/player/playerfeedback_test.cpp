// What the player tells the user, on the fake player: the elapsed and total
// time beside the gauge, the playing song's caption in the window title, the
// status line for songs that cannot be played (and no playing mark for
// them), and a renamed or undeletable playing file.

#include "playercontrolsfixture.h"

#include "tfileinfo.h"
#include "ttagcommands.h"

#include <QLabel>
#include <QStatusBar>
#include <QWindow>

#include <filesystem>

namespace {

const QString Title = QStringLiteral("Orvanel Soft - Tunevault v.1.0");

class PlayerFeedbackTest : public PlayerControlsTest {
protected:
    QString Times() const { return strip().labElapsed()->text() + QStringLiteral(" / ") + strip().labTotal()->text(); }
    QString Status() const { return frm->statusBar()->currentMessage(); }
    // The poller's next refresh (the first one comes at once).
    static void Refresh() { QTest::qWait(40); }
};

} // namespace

TEST_F(PlayerFeedbackTest, TimesBesideTheGaugeAndTheCaptionInTheTitleFollowTheSong)
{
    EXPECT_EQ(Times(), QStringLiteral("0:00 / 0:00"));
    AddSongs(2);
    Select({1});
    media->songLength = 200000;  // 3:20
    controls()->songsListViewDblClick();
    media->position = 65999;
    Refresh();
    EXPECT_EQ(Times(), QStringLiteral("1:05 / 3:20"));
    // A song without tags shows its file name.
    EXPECT_EQ(frm->windowTitle(), QStringLiteral("b.mp3 - ") + Title);

    // Past the end the elapsed time stops at the length.
    media->position = 200700;
    controls()->PlayerPosition();
    EXPECT_EQ(Times(), QStringLiteral("3:20 / 3:20"));

    // An hour or more: both in h:mm:ss.
    media->songLength = 3723000;
    media->position = 5000;
    controls()->PlayerPosition();
    EXPECT_EQ(Times(), QStringLiteral("0:00:05 / 1:02:03"));
    // An unknown length.
    media->lengthQueryFails = true;
    controls()->PlayerPosition();
    EXPECT_EQ(Times(), QStringLiteral("0:05 / -:--"));
    EXPECT_EQ(gauge().maximum(), 100);
    media->lengthQueryFails = false;

    EXPECT_EQ(TPlayerStrip::TimeText(59999, false), QStringLiteral("0:59"));
    EXPECT_EQ(TPlayerStrip::TimeText(600000, false), QStringLiteral("10:00"));
    EXPECT_EQ(TPlayerStrip::TimeText(36000000 + 61000, true), QStringLiteral("10:01:01"));

    // Stop: no times, the plain title; a refresh queued before finds nothing.
    controls()->butStopClick();
    EXPECT_EQ(Times(), QStringLiteral("0:00 / 0:00"));
    EXPECT_EQ(frm->windowTitle(), Title);
    controls()->PlayerPosition();
    EXPECT_EQ(Times(), QStringLiteral("0:00 / 0:00"));

    // The caption is the row's; "[*]" in it is shown as it is, not taken for
    // the title's modified mark.
    const std::string odd = dir.file("x[*]y.mp3");
    WriteFile(odd, AudioBytes(1500));
    ASSERT_TRUE(playlist().AddFileToPlaylist(odd));
    Select({2});
    controls()->songsListViewDblClick();
    ASSERT_EQ(player().CurrentSongFile(), odd);
    QApplication::processEvents();
    ASSERT_NE(frm->windowHandle(), nullptr);
    EXPECT_EQ(frm->windowHandle()->title(), QStringLiteral("x[*]y.mp3 - ") + Title);
}

TEST_F(PlayerFeedbackTest, SongsThatCannotBePlayedAreToldInTheStatusLineWithoutAMark)
{
    AddSongs(4);
    Select({0});
    controls()->songsListViewDblClick();
    ASSERT_EQ(Marked(), std::vector<int>{0});

    // Several failures in a row: each is told in the status line, none asks
    // anything, and no row is left marked while nothing plays.
    for (int row : {1, 2, 3})
        media->unopenable.insert(paths[static_cast<std::size_t>(row)]);
    media->openFailure = "Could not determine type of stream";
    for (int row : {1, 2, 3}) {
        Select({row});
        controls()->songsListViewDblClick();
        EXPECT_TRUE(Marked().empty()) << row;
        EXPECT_FALSE(player().IsPlayerActive()) << row;
        EXPECT_EQ(Status(), QStringLiteral("Cannot play \"%1.mp3\": Could not determine type of stream")
                                .arg(QString::fromStdString(std::string(1, static_cast<char>('a' + row)))));
    }
    EXPECT_EQ(frm->windowTitle(), Title);
    // The Play button says so too.
    controls()->playActionExecute();
    EXPECT_EQ(Status(), QStringLiteral("Cannot play \"d.mp3\": Could not determine type of stream"));
    EXPECT_TRUE(prompts.shown().empty());

    // A song that plays clears the line.
    Select({0});
    controls()->songsListViewDblClick();
    EXPECT_TRUE(Status().isEmpty());
    EXPECT_EQ(Marked(), std::vector<int>{0});

    // A stream that fails while it plays: the player stops and says why;
    // the mark, the times and the caption go.
    Refresh();
    media->streamError = "Internal data stream error";
    QTest::qWait(MusikPlayer::PositionPollInterval + 200);
    EXPECT_FALSE(player().IsPlayerActive());
    EXPECT_FALSE(media->open);
    EXPECT_TRUE(Marked().empty());
    EXPECT_EQ(Status(), QStringLiteral("Cannot play \"a.mp3\": Internal data stream error"));
    EXPECT_EQ(frm->windowTitle(), Title);
    EXPECT_EQ(Times(), QStringLiteral("0:00 / 0:00"));
    EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(PlayerFeedbackTest, RenamingThePlayingFileKeepsItsMarkAndThePlayersPath)
{
    AddSongs(3);
    Select({0});
    controls()->songsListViewDblClick();
    const std::size_t commands = media->commands.size();

    // Rename File: the song plays on under its new name, which sorts last.
    prompts.expectInput(QStringLiteral("zulu"));
    playlist().mnuRenameFile1Click();
    const std::string renamed = dir.file("zulu.mp3");
    ASSERT_TRUE(std::filesystem::exists(renamed));
    EXPECT_EQ(player().CurrentSongFile(), renamed);
    EXPECT_TRUE(player().IsPlayerActive());
    EXPECT_EQ(media->commands.size(), commands);  // no close, no new open
    EXPECT_EQ(Marked(), std::vector<int>{2});
    EXPECT_EQ(model().FileAt(2)->FullPath(), renamed);
    EXPECT_EQ(frm->windowTitle(), QStringLiteral("zulu.mp3 - ") + Title);

    // The commands that rewrite or remove files still know it is playing.
    Select({2});
    EXPECT_TRUE(frm->tagCommands()->PlayingFileSelected());
    Select({0});
    EXPECT_FALSE(frm->tagCommands()->PlayingFileSelected());

    // A deletion that fails (the name now holds a folder that unlink cannot
    // remove, whoever runs the test): nothing plays, so no row is marked.
    Select({2});
    std::filesystem::remove(renamed);
    std::filesystem::create_directory(renamed);
    WriteFile(renamed + "/inside", "x");
    prompts.expect(ScriptedPrompts::Kind::YesNo, PromptAnswer::Yes);
    frm->Deleteselectedfilesphysicaly1Click();
    ASSERT_EQ(prompts.count(ScriptedPrompts::Kind::Error), 1);
    EXPECT_EQ(model().Count(), 3);
    EXPECT_FALSE(player().IsPlayerActive());
    EXPECT_TRUE(Marked().empty());
}
