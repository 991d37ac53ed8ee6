#pragma once
// Records one command for the undo journal while it runs: for a tag command
// each file's raw tags before its write and its state after it, for the
// rename wizard each file's old and new path. The records go straight into
// a file of the journal's folder, so that memory does not grow with the
// command; the journal keeps that file as an entry when the command ends
// (TUndoJournal::Commit).
//
// The calls may come from several threads at once (one per file).

#include "undoentry.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class FileDescriptor;

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

    // The records go into `partFile`; the entry may take at most `maxBytes`.
    TUndoRecorder(UndoKind kind, std::string partFile, std::int64_t maxBytes);
    ~TUndoRecorder();
    TUndoRecorder(const TUndoRecorder&) = delete;
    TUndoRecorder& operator=(const TUndoRecorder&) = delete;

    UndoKind Kind() const { return m_kind; }

    // A tag command calls these for each file, right before its tags are
    // written and right after (whether or not the write worked). A file
    // recorded twice keeps its first tags.
    void BeforeTagWrite(const std::string& path);
    void AfterTagWrite(const std::string& path);
    // The rename wizard calls this after each file it renamed.
    void Renamed(const std::string& from, const std::string& to, const std::vector<std::string>& createdFolders);

    // The files the command changed so far.
    int FileCount() const;
    // The command changed a file that could not be recorded (too much for
    // the journal, or the records could not be written): it cannot be
    // undone.
    bool Failed() const;
    // Completes the records and names them `entryFile`; false on failure.
    bool Finish(const std::string& entryFile);

private:
    struct Recorded {
        FileState before;
        bool saved = false;   // its tags are in the records
        bool touched = false; // the write changed the file
    };

    bool Write(const std::string& bytes);

    mutable std::mutex m_mutex;
    const UndoKind m_kind;
    const std::string m_partFile;
    const std::int64_t m_maxBytes;
    std::unique_ptr<FileDescriptor> m_file;
    std::int64_t m_written = 0;
    bool m_failed = false;
    bool m_finished = false;
    std::unordered_map<std::string, std::uint32_t> m_indexes;
    std::vector<Recorded> m_files;
    int m_renames = 0;
};
