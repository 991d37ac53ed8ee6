// The album artist and disc of the ID3v2 tag in the playlist: the hover
// panel shows them where a file has them, and the tag columns offer them
// (hidden at first) and sort the disc as a number.

#include "mainwindowfixture.h"

#include "tfrmmain.h"
#include "tplaylistcolumns.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "tsonghintpanel.h"
#include "tsongslistview.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>

TEST_F(MainWindowTest, AlbumArtistAndDiscInTheHoverPanelAndTheTagColumns)
{
    WriteFile(dir.file("a.mp3"), Id3v2TagOfFrames(3, {{"TPE1", "Guest"}, {"TIT2", "A"}, {"TPE2", "Band"},
                                                      {"TPOS", "10/12"}}) + AudioBytes(1500));
    WriteFile(dir.file("b.mp3"), Id3v2TagOfFrames(3, {{"TPE1", "Solo"}, {"TIT2", "B"}, {"TPOS", "2"}}) + AudioBytes(1500));
    WriteFile(dir.file("c.mp3"), Id3v2TagOfFrames(3, {{"TPE1", "Plain"}, {"TIT2", "C"}}) + AudioBytes(1500));
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        playlist().AddFileToPlaylist(dir.file(name));
    TPlaylistModel& model = *playlist().model();
    TSongsListView* list = playlist().songsListView();
    TSongHintPanel* hint = playlist().panSongsHint();
    const auto hover = [&](int row) {
        playlist().songsListViewInfoTip(list->viewport()->mapToGlobal(list->visualRect(model.index(row, 0)).center()));
    };

    // Rows in caption order: "Guest - A", "Plain - C", "Solo - B".
    hover(1);  // no album lines: the panel as before
    EXPECT_FALSE(hint->labSongAlbumArtist()->isVisibleTo(hint));
    EXPECT_FALSE(hint->labSongDisc()->isVisibleTo(hint));
    const int plainHeight = hint->height();
    hover(0);
    EXPECT_TRUE(hint->labSongAlbumArtist()->isVisibleTo(hint));
    EXPECT_EQ(hint->labSongAlbumArtist()->text(), QStringLiteral("Band"));
    EXPECT_EQ(hint->labSongDisc()->text(), QStringLiteral("10"));
    EXPECT_EQ(hint->height(), plainHeight + 2 * 18);
    EXPECT_GT(hint->labSongDisc()->y(), hint->labSongAlbumArtist()->y());
    hover(2);  // a disc alone takes the album artist's line
    EXPECT_FALSE(hint->labSongAlbumArtist()->isVisibleTo(hint));
    EXPECT_EQ(hint->labSongDisc()->text(), QStringLiteral("2"));
    EXPECT_EQ(hint->height(), plainHeight + 18);

    TPlaylistColumns& columns = playlist().Columns();
    columns.TagColumnsAction()->trigger();
    QHeaderView* header = list->header();
    EXPECT_TRUE(header->isSectionHidden(TPlaylistModel::kAlbumArtist));
    EXPECT_TRUE(header->isSectionHidden(TPlaylistModel::kDisc));
    EXPECT_FALSE(header->isSectionHidden(TPlaylistModel::kFolder));
    EXPECT_EQ(model.headerData(TPlaylistModel::kAlbumArtist, Qt::Horizontal).toString(), QStringLiteral("Album artist"));
    EXPECT_EQ(model.index(0, TPlaylistModel::kAlbumArtist).data().toString(), QStringLiteral("Band"));
    // Shown from the header's menu; the disc sorts as a number.
    for (QAction* shown : columns.HeaderMenu()->actions())
        if (shown->data().toInt() == TPlaylistModel::kDisc)
            shown->setChecked(true);
    EXPECT_FALSE(header->isSectionHidden(TPlaylistModel::kDisc));
    columns.HeaderClicked(TPlaylistModel::kDisc);
    std::vector<QString> discs;
    for (int row = 0; row < model.Count(); ++row)
        discs.push_back(model.index(row, TPlaylistModel::kDisc).data().toString());
    EXPECT_EQ(discs, (std::vector<QString>{QString(), QStringLiteral("2"), QStringLiteral("10")}));
}
