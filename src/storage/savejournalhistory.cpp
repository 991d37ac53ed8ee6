// The undo history kept in the save journal's database: one row a command,
// its records one row each with a checksum. Part of SaveJournal.
#include "savejournal.h"

#include "checksum.h"
#include "sqlitestatement.h"

#include <sqlite3.h>

std::int64_t SaveJournal::BeginCommand(char kind)
{
    if (!m_db)
        return 0;
    ensureRecovered();
    const std::lock_guard lock(m_dbMutex);
    SqliteStatement insert(m_db, "INSERT INTO commands(owner, kind, state) VALUES(?1, ?2, 0)");
    insert.bindText(1, m_owner).bind(2, kind);
    return insert.run() ? sqlite3_last_insert_rowid(m_db) : 0;
}

std::int64_t SaveJournal::AddUndoRecord(std::int64_t command, const std::string& body)
{
    if (!m_db)
        return 0;
    const std::lock_guard lock(m_dbMutex);
    // A record needs no flush of its own: until its command is complete it
    // undoes nothing, and in the write-ahead log the flush of that commit
    // takes every record before it along. Every group commit sets its own
    // level again.
    SqliteStatement insert(m_db, "INSERT INTO undo_records(command, body, checksum) VALUES(?1, ?2, ?3)");
    insert.bind(1, command).bindBlob(2, body).bind(3, SignedChecksum64(body));
    return exec("PRAGMA synchronous=NORMAL") && insert.run() ? sqlite3_last_insert_rowid(m_db) : 0;
}

int SaveJournal::CommandFiles(std::int64_t command)
{
    if (!m_db)
        return 0;
    const std::lock_guard lock(m_dbMutex);
    SqliteStatement count(m_db, "SELECT files FROM commands WHERE id = ?1");
    count.bind(1, command);
    return count.step() ? static_cast<int>(count.integer(0)) : 0;
}

bool SaveJournal::FinishCommand(std::int64_t command, int files)
{
    if (!m_db)
        return false;
    const std::lock_guard lock(m_dbMutex);
    SqliteStatement update(m_db, "UPDATE commands SET state = 1, files = ?2 WHERE id = ?1");
    update.bind(1, command).bind(2, files);
    return exec("PRAGMA synchronous=FULL") && update.run() && sqlite3_changes(m_db) == 1;
}

void SaveJournal::DeleteCommand(std::int64_t command)
{
    if (!m_db)
        return;
    const std::lock_guard lock(m_dbMutex);
    // Flushed, so that an undone command does not come back after a power
    // loss. Its undo records go with it (a trigger).
    exec("PRAGMA synchronous=FULL");
    SqliteStatement statement(m_db, "DELETE FROM commands WHERE id = ?1");
    statement.bind(1, command);
    statement.run();
}

std::vector<SaveJournal::Command> SaveJournal::Commands()
{
    std::vector<Command> commands;
    if (!m_db)
        return commands;
    const std::lock_guard lock(m_dbMutex);
    SqliteStatement select(m_db,
                           "SELECT c.id, c.kind, c.files,"
                           " coalesce((SELECT sum(length(body)) FROM undo_records WHERE command = c.id), 0)"
                           " FROM commands c WHERE c.state = 1 ORDER BY c.id");
    while (select.step())
        commands.push_back({select.integer(0), static_cast<char>(select.integer(1)),
                            static_cast<int>(select.integer(2)), select.integer(3)});
    return commands;
}

bool SaveJournal::LoadCommand(std::int64_t command, std::vector<StoredUndoRecord>& records, std::string& error)
{
    error.clear();
    if (!m_db) {
        error = m_openError;
        return false;
    }
    const std::lock_guard lock(m_dbMutex);
    bool sound = true;
    SqliteStatement selectRecords(m_db, "SELECT id, body, checksum FROM undo_records WHERE command = ?1 ORDER BY id");
    selectRecords.bind(1, command);
    while (selectRecords.step()) {
        StoredUndoRecord record {selectRecords.integer(0), selectRecords.blob(1)};
        if (SignedChecksum64(record.body) != selectRecords.integer(2))
            sound = false;
        else
            records.push_back(std::move(record));
    }
    if (!selectRecords.ok()) {
        error = sqlite3_errmsg(m_db);
        return false;
    }
    return sound;
}

bool SaveJournal::ForgetUndoRecords(std::int64_t command, const std::vector<std::int64_t>& records, int files)
{
    if (!m_db)
        return false;
    const std::lock_guard lock(m_dbMutex);
    if (!exec("PRAGMA synchronous=FULL") || !exec("BEGIN IMMEDIATE"))
        return false;
    bool ok = true;
    SqliteStatement forget(m_db, "DELETE FROM undo_records WHERE id = ?1 AND command = ?2");
    for (const std::int64_t id : records) {
        forget.reset();
        forget.bind(1, id).bind(2, command);
        ok = forget.run();
        if (!ok)
            break;
    }
    SqliteStatement update(m_db, "UPDATE commands SET files = ?2 WHERE id = ?1 AND state = 1");
    update.bind(1, command).bind(2, files);
    ok = ok && update.run() && sqlite3_changes(m_db) == 1 && exec("COMMIT");
    if (!ok)
        exec("ROLLBACK");
    return ok;
}

bool SaveJournal::AddMove(const Move& move, std::int64_t command)
{
    if (!m_db)
        return false;
    const std::lock_guard lock(m_dbMutex);
    SqliteStatement insert(m_db, "INSERT INTO moves(from_path, to_path, inode, after_command) VALUES(?1, ?2, ?3, ?4)");
    insert.bindBlob(1, move.from).bindBlob(2, move.to).bind(3, static_cast<std::int64_t>(move.inode)).bind(4, command);
    return exec("PRAGMA synchronous=NORMAL") && insert.run();
}

std::vector<SaveJournal::Move> SaveJournal::MovesSince(std::int64_t command)
{
    std::vector<Move> moves;
    if (!m_db)
        return moves;
    const std::lock_guard lock(m_dbMutex);
    SqliteStatement select(m_db, "SELECT from_path, to_path, inode FROM moves WHERE after_command >= ?1 ORDER BY id");
    select.bind(1, command);
    while (select.step())
        moves.push_back({select.blob(0), select.blob(1), static_cast<std::uint64_t>(select.integer(2))});
    return moves;
}

void SaveJournal::MovesNowAfter(std::int64_t command, std::int64_t earlier)
{
    if (!m_db)
        return;
    const std::lock_guard lock(m_dbMutex);
    // A new command may take the id of the one that went: the moves made
    // after the old one must not look as if made after the new one.
    SqliteStatement update(m_db, "UPDATE moves SET after_command = ?2 WHERE after_command >= ?1");
    update.bind(1, command).bind(2, earlier);
    exec("PRAGMA synchronous=NORMAL");
    update.run();
}

void SaveJournal::ForgetMovesBefore(std::int64_t command)
{
    if (!m_db)
        return;
    const std::lock_guard lock(m_dbMutex);
    SqliteStatement forget(m_db, "DELETE FROM moves WHERE after_command < ?1");
    forget.bind(1, command);
    exec("PRAGMA synchronous=NORMAL");
    forget.run();
}
