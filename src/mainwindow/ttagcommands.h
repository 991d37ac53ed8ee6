#pragma once
// The playlist's tag commands: "Change mp3 tag(s) ..." opens the tag editor
// on the selected rows, "Remove mp3 tags" strips the ID3v1 tag, the ID3v2
// tag or both from the selected files. Both stop the player where its file
// may be rewritten and then refresh the rows they touched (new captions,
// tag-state images, one re-sort). The two wizards of the "Tools" menu leave
// the player alone and refresh the rows they may have changed the same way.

#include "tplaylistpane.h"

#include <QObject>

class Prompts;

class TTagCommands final : public QObject {
    Q_OBJECT
public:
    // `player.StopPlaying` is the Stop command of the player controls (it also
    // clears the now-playing marks).
    TTagCommands(TPlaylistPane& playlist, Prompts& prompts, TPlayerHooks player, QObject* parent = nullptr);

    // Ctrl+T does nothing while no row is selected.
    void Changemp3tags1Click();
    // `sender` is the menu item; its data is the menu tag: 1 ID3v1, 2 ID3v2,
    // 3 (or any other) all tags.
    void removeMp3TagFromFile(QObject* sender);
    // "Rename files from mp3 tags ...": the rows whose files were renamed are
    // refreshed, so that names and paths shown are the new ones.
    void BatchfilesRename1Click();
    // "Set mp3 Tags from file names ...": every row of the wizard's scope
    // (all rows, or the selected ones) is refreshed, with the list hidden.
    void BatchSetupmp3Tagsfromfilenames1Click();
    // The player's song is the file of a selected row (exact path bytes).
    bool PlayingFileSelected() const;

private:
    TPlaylistPane& m_playlist;
    Prompts& m_prompts;
    TPlayerHooks m_player;
};
