#pragma once
// Records one command for the undo journal while it runs: for a tag command
// each file's raw tags before its write and its state after it, for the
// rename wizard each file's old and new path. Each record goes straight
// into the save journal's database under the command, so that memory does
// not grow with the command; the journal makes the command complete when it
// ends (TUndoJournal::Commit). A recorder that goes without that removes its
// command with all it recorded.
//
// The calls may come from several threads at once (one per file).

#include "undoentry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class SaveJournal;

class TUndoRecorder final {
public:
    // BeforeTagWrite when made, AfterTagWrite when it goes, on every way out
    // of one file's write; nothing without a recorder.
    class TagWrite final {
    public:
        TagWrite(TUndoRecorder* recorder, std::string path);
        ~TagWrite();
        TagWrite(const TagWrite&) = delete;
        TagWrite& operator=(const TagWrite&) = delete;

    private:
        TUndoRecorder* m_recorder;
        std::string m_path;
    };

    // The records go into `command` of `store`, a command being recorded;
    // they may take at most `maxBytes`.
    TUndoRecorder(UndoKind kind, std::shared_ptr<SaveJournal> store, std::int64_t command, std::int64_t maxBytes);
    ~TUndoRecorder();
    TUndoRecorder(const TUndoRecorder&) = delete;
    TUndoRecorder& operator=(const TUndoRecorder&) = delete;

    UndoKind Kind() const { return m_kind; }
    std::int64_t Command() const { return m_command; }

    // A tag command calls these for each file, right before its tags are
    // written and right after (whether or not the write worked). A file
    // recorded twice keeps its first tags.
    void BeforeTagWrite(const std::string& path);
    void AfterTagWrite(const std::string& path);
    // A rename command calls this after each file it renamed.
    void Renamed(const std::string& from, const std::string& to, const std::vector<std::string>& createdFolders);
    // Runs after each Renamed (the journal follows the file).
    void SetRenameHook(std::function<void(const std::string& from, const std::string& to)> hook)
    {
        m_renameHook = std::move(hook);
    }

    // The files the command changed so far.
    int FileCount() const;
    // The command changed a file that could not be recorded (too much for
    // the journal, or the records could not be stored): it cannot be
    // undone.
    bool Failed() const;
    // The bytes of the records so far.
    std::int64_t Bytes() const;
    // Makes the command complete, with the files it changed; false on
    // failure.
    bool Finish();

private:
    struct Recorded {
        FileState before;
        bool saved = false;   // its tags are in the records
        bool touched = false; // the write changed the file
    };

    bool Write(const std::string& body);
    int FileCountLocked() const;

    mutable std::mutex m_mutex;
    const UndoKind m_kind;
    const std::shared_ptr<SaveJournal> m_store;
    const std::int64_t m_command;
    const std::int64_t m_maxBytes;
    std::int64_t m_written = 0;
    bool m_failed = false;
    bool m_finished = false;
    std::unordered_map<std::string, std::uint32_t> m_indexes;
    std::vector<Recorded> m_files;
    int m_touched = 0;
    int m_renames = 0;
    std::function<void(const std::string& from, const std::string& to)> m_renameHook;
};
