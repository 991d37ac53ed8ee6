#pragma once
// The playlist's tag commands: "Change mp3 tag(s) ..." opens the tag editor
// on the selected rows, "Remove mp3 tags" strips the ID3v1 tag, the ID3v2
// tag or both from the selected files. Both stop the player where its file
// may be rewritten and then refresh the rows they touched (new captions,
// tag-state images, one re-sort). The wizards of the "Tools" menu leave
// the player alone and refresh the rows they may have changed the same way.
// Every one of them is recorded in the undo journal (in the program's data
// folder), and so is the playlist's "Rename File"; "Undo last change" takes
// the last one back.

#include "tplaylistpane.h"
#include "undoentry.h"

#include <QObject>

#include <functional>
#include <memory>

class Prompts;
class TUndoJournal;
class TUndoRecorder;

class TTagCommands final : public QObject {
    Q_OBJECT
public:
    // `player.StopPlaying` is the Stop command of the player controls (it also
    // clears the now-playing marks); `player.SongRenamed` tells the player the
    // new path of its song.
    // The undo journal lives in `undoFolder`; empty: the folder "undo" in
    // the program's data folder.
    TTagCommands(TPlaylistPane& playlist, Prompts& prompts, TPlayerHooks player, QObject* parent = nullptr,
                 const std::string& undoFolder = {});
    ~TTagCommands() override;

    // Ctrl+T does nothing while no row is selected.
    void Changemp3tags1Click();
    // `sender` is the menu item; its data is the menu tag: 1 ID3v1, 2 ID3v2,
    // 3 (or any other) all tags.
    void removeMp3TagFromFile(QObject* sender);
    // "Rename files from mp3 tags ...": the rows whose files were renamed are
    // refreshed, so that names and paths shown are the new ones. A renamed
    // playing file plays on under its new path and keeps its mark.
    void BatchfilesRename1Click();
    // "Set mp3 Tags from file names ...": every row of the wizard's scope
    // (all rows, or the selected ones) is refreshed, with the list hidden.
    void BatchSetupmp3Tagsfromfilenames1Click();
    // "Tag actions ...": the rows the wizard worked on (the selected ones,
    // or all) are refreshed, with the list hidden; the run is one undo step.
    void TagActions1Click();
    // "Look up album online ...": the selected rows' album from MusicBrainz;
    // a selected playing file stops first. The rows are refreshed after.
    void LookUpAlbumOnline1Click();
    // The player's song is the file of a selected row (exact path bytes).
    bool PlayingFileSelected() const;

    // "Undo last change": after a question, puts back the tags, or the
    // names, of the files of the last recorded command, under the progress
    // window, refreshes their rows and names in one message the files it
    // left alone or could not restore.
    void UndoLastChangeClick();
    // "Undo: tags of 120 files", "Undo: rename of 37 files", or "Undo last
    // change" when there is nothing to undo.
    QString UndoCaption() const;
    bool CanUndo() const;
    TUndoJournal& journal() const { return *m_journal; }

signals:
    // What an undo would undo has changed.
    void UndoChanged();

private:
    std::unique_ptr<TUndoRecorder> BeginUndo(UndoKind kind);
    void CommitUndo(std::unique_ptr<TUndoRecorder> recorder);
    // Runs a window that writes the tags of the selected rows (`show`, with
    // the recorder of one undo step; true when it wrote): a selected playing
    // file stops first, and the rows are refreshed after a write.
    void EditSelectedTags(const std::function<bool(TUndoRecorder*)>& show);

    TPlaylistPane& m_playlist;
    Prompts& m_prompts;
    TPlayerHooks m_player;
    std::unique_ptr<TUndoJournal> m_journal;
    bool m_undoing = false;
};
