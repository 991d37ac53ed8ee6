// Previous and Next on the fake player follow the playlist's order of the
// moment; the end of a song plays the next row only with the option on.

#include "playercontrolsfixture.h"

#include "optionvalues.h"
#include "tfileinfo.h"

#include <QScopeGuard>
#include <QSignalSpy>

#include <utility>

TEST_F(PlayerControlsTest, PreviousAndNextMoveTheMarkInThePlaylistsCurrentOrder)
{
    QToolButton* previous = strip().butPrevious();
    QToolButton* next = strip().butNext();
    EXPECT_EQ(previous->toolTip() + next->toolTip(), QStringLiteral("PreviousNext"));
    const auto enabling = [&] {
        controls()->playActionUpdate();
        return std::pair{previous->isEnabled(), next->isEnabled()};
    };
    // Nothing plays: from the first selected row (row 0 without a selection).
    AddSongs(4);
    EXPECT_EQ(enabling(), std::pair(false, true));
    Select({2, 3});
    Idle();
    QTest::mouseClick(previous, Qt::LeftButton);
    EXPECT_EQ(Marked(), std::vector<int>{1});
    EXPECT_EQ(playlist().SelectedRows(), (std::vector<int>{2, 3}));

    // From the playing row, whatever is selected, to the last row.
    Idle();
    QTest::mouseClick(next, Qt::LeftButton);
    controls()->butNextClick();
    EXPECT_EQ(player().CurrentSongFile(), paths[3]);
    EXPECT_EQ(Marked(), std::vector<int>{3});
    EXPECT_EQ(enabling(), std::pair(true, false));

    // Sorted the other way, d.mp3 plays at the top: Next goes down to c.mp3.
    model().SetOrder(TPlaylistModel::Order::Column, TPlaylistModel::kFileName, true);
    ASSERT_EQ(model().FileAt(0)->FullPath(), paths[3]);
    EXPECT_EQ(enabling(), std::pair(false, true));
    controls()->butNextClick();
    EXPECT_EQ(player().CurrentSongFile(), paths[2]);
    EXPECT_EQ(Marked(), std::vector<int>{1});

    // The playing row removed, the next rows follow the selection; the song
    // added back is found again.
    model().removeRows(1, 1);
    Select({0});
    EXPECT_EQ(enabling(), std::pair(false, true));
    playlist().AddFileToPlaylist(paths[2]);
    model().SetOrder(TPlaylistModel::Order::Caption);
    EXPECT_EQ(enabling(), std::pair(true, true));
}

TEST_F(PlayerControlsTest, TheEndOfASongPlaysTheNextRowOnlyWithTheOptionOn)
{
    const auto restore = qScopeGuard([] { options::playNextAtEnd = options::kDefaultPlayNextAtEnd; });
    AddSongs(3);
    QSignalSpy ended(&player(), &MusikPlayer::songEnded);
    controls()->PlayRow(1);
    // Off (the default): told once, and the song stays open at its end.
    media->ended = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.count() == 1; }, 5000));
    QTest::qWait(2 * MusikPlayer::PositionPollInterval);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(player().CurrentSongFile(), paths[1]);

    // On: the next row plays and is marked; after the last row the player
    // stops instead of starting again at the top.
    options::playNextAtEnd = true;
    media->ended = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return player().CurrentSongFile() == paths[2]; }, 5000));
    EXPECT_EQ(Marked(), std::vector<int>{2});
    media->ended = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !player().IsPlayerActive(); }, 5000));
    EXPECT_TRUE(Marked().empty());
}
