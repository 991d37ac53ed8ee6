#pragma once
// The program's pictures: freedesktop theme icons where a standard name fits,
// the bundled pictures of the resource file otherwise.

#include <QCursor>
#include <QIcon>
#include <QPixmap>

#include <vector>

namespace TvIcons {

// Playlist state pictures: 0 both tags, 1 no tag, 2 one tag (16 x 16).
std::vector<QPixmap> StateImages();
// File browser pictures: 0 "..", 1 folder, 2 MP3 file, 3 other file. On a
// selected row each is drawn whole in white, so that it stays visible on the
// selection colour of every skin.
std::vector<QIcon> FilesImages();
QIcon AddIcon();
QIcon RemoveIcon();
QIcon SearchIcon();
QIcon PlayIcon();
QIcon PauseIcon();
QIcon StopIcon();
QIcon PreviousIcon();
QIcon NextIcon();
QIcon VolumeIcon();
QIcon AppIcon();
// The hover panel's picture.
QPixmap HintPicture();
// "CURSOR1" (position gauge) and "CURSOR2" (player buttons).
QCursor Cursor1();
QCursor Cursor2();

} // namespace TvIcons
