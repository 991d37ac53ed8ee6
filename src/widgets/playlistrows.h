#pragma once
// What the windows that work on playlist files need of the playlist: its
// rows in list order, which of them are selected, and each row's record. The
// playlist pane of the main window provides it; the tag tools take it
// instead of the main window.

#include <vector>

class TFileInfo;

class PlaylistRows {
public:
    virtual ~PlaylistRows() = default;

    virtual int Count() const = 0;
    // Selected row positions, ascending.
    virtual std::vector<int> SelectedRows() const = 0;
    // The record of a row; nullptr for a position that is not a row.
    virtual TFileInfo* FileAt(int row) const = 0;
};
