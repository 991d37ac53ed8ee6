#pragma once
// The save journal: an SQLite database in the program's data folder through
// which every change of a file's tags goes. A change is recorded (the file's
// identity, the bytes that change with their old and new content, a
// checksum) and committed before the file is touched, and settled (its
// record goes) once the file is written and flushed. Changes that arrive at the same time from
// several threads are committed together, one flush of the journal for the
// lot, so that a batch costs about one small write per file.
//
// The same database holds the undo history: each command (a tag editor
// update, a wizard's run) is a row with the records that undo it (the tags
// before, the state after, the renames: TUndoRecorder writes them one by
// one as the command runs), each with a checksum, kept until the command is
// undone or dropped as the oldest.
//
// Several processes (the program, tv-tag, tagbench) may use one journal at
// once. Each holds a lock file of its own while it lives; what a process
// left pending when it ended (a crash, a kill, a power loss) is finished or
// rolled back by the next process, before that one's first save
// (JournalRecovery).

#include "changerecord.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;

class SaveJournal final {
public:
    struct RecoveryReport {
        std::vector<std::string> recovered;                       // completed or rolled back
        std::vector<std::pair<std::string, std::string>> leftAlone; // (path, why): changed otherwise since
        int refused = 0;                                            // records whose checksum did not match
        bool empty() const { return recovered.empty() && leftAlone.empty() && refused == 0; }
    };

    struct Command {
        std::int64_t id = 0;
        char kind = 0;
        int files = 0;
        std::int64_t bytes = 0;
    };

    struct StoredUndoRecord {
        std::int64_t id = 0;
        std::string body;
    };

    // A file the program moved or renamed: where from and where to, and its
    // inode there.
    struct Move {
        std::string from;
        std::string to;
        std::uint64_t inode = 0;
    };

    // The journal in `folder`, one per folder and process; made with the
    // folder when missing. Check usable().
    static std::shared_ptr<SaveJournal> ForFolder(const std::string& folder);
    // The journal this process saves through: the one of the folder set
    // last by SetProcessFolder, else of DefaultFolder().
    static std::shared_ptr<SaveJournal> Process();
    static void SetProcessFolder(const std::string& folder);
    // The program's data folder: $XDG_DATA_HOME (else ~/.local/share)
    // followed by "/Orvanel Soft/Tunevault", as Qt names it.
    static std::string DefaultFolder();

    explicit SaveJournal(std::string folder);
    ~SaveJournal();
    SaveJournal(const SaveJournal&) = delete;
    SaveJournal& operator=(const SaveJournal&) = delete;

    const std::string& Folder() const { return m_folder; }
    bool usable() const { return m_db != nullptr; }
    // Why the journal cannot be used.
    const std::string& OpenError() const { return m_openError; }
    // Where a database file that was not a database, or was damaged, was
    // moved to when this journal started a new one (with the reason); empty
    // when that did not happen.
    const std::string& SetAsideAs() const { return m_setAsideAs; }
    const std::string& SetAsideReason() const { return m_setAsideReason; }

    // Finishes or rolls back what processes that have ended left pending.
    // Runs by itself before the first Add; the report of every run so far
    // is kept until TakeRecoveryReport.
    RecoveryReport Recover();
    RecoveryReport TakeRecoveryReport();

    // Records a change and commits it; its id, or 0 with `error` saying why
    // (then the file must not be touched).
    std::int64_t Add(const ChangeRecord& record, std::string& error);
    // The change is written and on disk, or did not happen at all (the file
    // is as it was): its record goes. Committed with the next group, or by
    // FlushMarks.
    void Settle(std::int64_t id);
    void FlushMarks();

    // The undo history. A command is recorded (its records added as they
    // come), then complete: only complete commands can be undone. A command
    // left recording by a process that ended goes with that process's
    // recovery.
    // A new command being recorded; 0 when it cannot be made.
    std::int64_t BeginCommand(char kind);
    // Adds one undo record to a command being recorded; its id, or 0 when it
    // could not be stored. Not flushed by itself: FinishCommand's commit
    // flushes the records before it.
    std::int64_t AddUndoRecord(std::int64_t command, const std::string& body);
    // The files a command undoes, as FinishCommand or ForgetUndoRecords
    // gave them.
    int CommandFiles(std::int64_t command);
    // The command is complete, its records undoing `files` files: it can be
    // undone. Flushed to disk before it returns.
    bool FinishCommand(std::int64_t command, int files);
    // Removes a command with all it holds.
    void DeleteCommand(std::int64_t command);
    // Complete commands of this journal, oldest first.
    std::vector<Command> Commands();
    // The undo records of a command, in the order they were added. False
    // when a record is damaged (its checksum does not match), `error` then
    // empty, or when the database cannot be read, `error` saying why.
    bool LoadCommand(std::int64_t command, std::vector<StoredUndoRecord>& records, std::string& error);
    // Forgets undo records of a complete command, whose other records then
    // undo `files` files, in one step.
    bool ForgetUndoRecords(std::int64_t command, const std::vector<std::int64_t>& records, int files);

    // The moves of files made since an undo command. A move is recorded with
    // the newest command at the time; MovesSince gives those recorded with
    // `command` or a newer one, oldest first. Not flushed by itself: a move
    // lost in a power loss only leaves a file unfollowed.
    bool AddMove(const Move& move, std::int64_t command);
    std::vector<Move> MovesSince(std::int64_t command);
    // The newest command went: the moves recorded with it, or a newer one,
    // count as recorded with `earlier` (0: none), as they came after that.
    void MovesNowAfter(std::int64_t command, std::int64_t earlier);
    // Forgets the moves recorded with an older command than `command`.
    void ForgetMovesBefore(std::int64_t command);

private:
    struct PendingAdd;

    bool open();
    bool openDatabase(const std::string& file);
    bool setAsideDamaged(const std::string& file);
    bool exec(const char* sql);
    void ensureRecovered();
    void commitGroup(std::vector<PendingAdd*>& adds, const std::vector<std::int64_t>& marks);
    bool applyMarks(const std::vector<std::int64_t>& marks);
    void recoverOwner(const std::string& owner, RecoveryReport& report);

    std::string m_folder;
    std::string m_openError;
    std::string m_setAsideAs;
    std::string m_setAsideReason;
    std::string m_owner;
    // The process that opened the journal (a fork's child makes its own).
    const int m_process;
    int m_ownerLock = -1;
    sqlite3* m_db = nullptr;
    std::mutex m_dbMutex;

    std::mutex m_queueMutex;
    std::condition_variable m_queueDone;
    std::vector<PendingAdd*> m_queue;
    std::vector<std::int64_t> m_marks; // changes settled, not yet committed
    bool m_committing = false;

    std::mutex m_recoveryMutex;
    bool m_recovered = false;
    RecoveryReport m_report;
};
