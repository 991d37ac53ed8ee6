#pragma once
// Deleting the files of the selected playlist rows from the disk.

#include <functional>
#include <string>

class Prompts;
class QItemSelectionModel;
class TPlaylistModel;

// Asks "Warning: You are going to delete N files. Are you sure?" and on Yes
// deletes the file of every selected row and removes the row. `releaseFile`
// runs before each deletion (the player lets go of the file it plays). A file
// that cannot be deleted keeps its row; one error box after the loop says how
// many files stayed and why.
void DeleteSelectedPlaylistFiles(Prompts& prompts, TPlaylistModel& rows, QItemSelectionModel& selection,
                                 const std::function<void(const std::string& path)>& releaseFile);
