#include "savejournal.h"

#include "checksum.h"
#include "filedescriptor.h"
#include "journalrecovery.h"
#include "renamenoreplace.h"
#include "sqlitestatement.h"
#include "systemerror.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <random>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kDatabaseName = "journal.sqlite";
constexpr const char* kOwnersFolder = "owners";
// Settled changes wait for the next commit of new ones, or for this many.
constexpr std::size_t kMarksPerCommit = 512;

std::string randomToken()
{
    std::random_device device;
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string token = std::to_string(::getpid()) + "-";
    for (int i = 0; i < 12; ++i)
        token += kChars[device() % (sizeof kChars - 1)];
    return token;
}

bool hasColumn(sqlite3* db, const char* table, const char* column)
{
    SqliteStatement select(db, "SELECT count(*) FROM pragma_table_info(?1) WHERE name = ?2");
    select.bindText(1, table).bindText(2, column);
    return select.step() && select.integer(0) > 0;
}

std::mutex& registryMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::map<std::string, std::weak_ptr<SaveJournal>>& registry()
{
    static std::map<std::string, std::weak_ptr<SaveJournal>> journals;
    return journals;
}

std::string& processFolder()
{
    static std::string folder;
    return folder;
}

// Journals inherited from a parent process, kept from being closed here.
std::vector<std::shared_ptr<SaveJournal>>& inherited()
{
    static std::vector<std::shared_ptr<SaveJournal>> journals;
    return journals;
}

}  // namespace

struct SaveJournal::PendingAdd {
    std::string body;
    std::int64_t id = 0;
    bool finished = false;
    std::string error;
};

std::shared_ptr<SaveJournal> SaveJournal::ForFolder(const std::string& folder)
{
    const std::lock_guard lock(registryMutex());
    std::weak_ptr<SaveJournal>& slot = registry()[folder];
    std::shared_ptr<SaveJournal> journal = slot.lock();
    if (journal && journal->m_process != ::getpid()) {
        // Inherited through a fork: its connection belongs to the parent
        // and must not be used (nor closed) here.
        inherited().push_back(journal);
        journal.reset();
    }
    if (!journal) {
        journal = std::make_shared<SaveJournal>(folder);
        slot = journal;
    }
    return journal;
}

std::shared_ptr<SaveJournal> SaveJournal::Process()
{
    // The process's journal lives as long as the process.
    static std::shared_ptr<SaveJournal> kept;
    std::string folder;
    {
        const std::lock_guard lock(registryMutex());
        folder = processFolder().empty() ? DefaultFolder() : processFolder();
        if (kept && kept->Folder() == folder && kept->m_process == ::getpid())
            return kept;
    }
    std::shared_ptr<SaveJournal> journal = ForFolder(folder);
    const std::lock_guard lock(registryMutex());
    kept = journal;
    return journal;
}

void SaveJournal::SetProcessFolder(const std::string& folder)
{
    const std::lock_guard lock(registryMutex());
    processFolder() = folder;
}

std::string SaveJournal::DefaultFolder()
{
    std::string base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/')
        base = data;
    else if (const char* home = std::getenv("HOME"); home && home[0])
        base = std::string(home) + "/.local/share";
    else
        base = "/tmp";
    return base + "/Orvanel Soft/Tunevault";
}

SaveJournal::SaveJournal(std::string folder)
    : m_folder(std::move(folder))
    , m_process(::getpid())
{
    open();
}

SaveJournal::~SaveJournal()
{
    if (m_process != ::getpid())
        return; // a parent's journal, inherited through a fork: the parent closes it
    FlushMarks();
    if (m_db)
        sqlite3_close_v2(m_db);
    if (m_ownerLock >= 0) {
        ::unlink((m_folder + "/" + kOwnersFolder + "/" + m_owner).c_str());
        ::close(m_ownerLock);
    }
}

bool SaveJournal::exec(const char* sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool SaveJournal::open()
{
    const std::string owners = m_folder + "/" + kOwnersFolder;
    if (!MakeFolders(owners)) {
        m_openError = "Cannot make the folder \"" + owners + "\". " + SystemErrorText(errno);
        return false;
    }
    // This process's lock: held while it lives, gone with it however it ends.
    m_owner = randomToken();
    m_ownerLock = ::open((owners + "/" + m_owner).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (m_ownerLock < 0 || ::flock(m_ownerLock, LOCK_EX | LOCK_NB) != 0) {
        m_openError = "Cannot lock the save journal. " + SystemErrorText(errno);
        return false;
    }
    const std::string file = m_folder + "/" + kDatabaseName;
    if (openDatabase(file))
        return true;
    // A file that is not a database, or a damaged one, would keep every save
    // from being made: it is moved aside, kept as it is, and a new journal
    // begins. What it held cannot be read anyway.
    if (m_setAsideReason.empty() || !setAsideDamaged(file))
        return false;
    m_openError.clear();
    return openDatabase(file);
}

bool SaveJournal::setAsideDamaged(const std::string& file)
{
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string target = file + ".damaged" + (attempt > 1 ? "-" + std::to_string(attempt) : "");
        if (!RenameNoReplace(file, target)) {
            if (errno == EEXIST)
                continue;
            m_openError += " It could not be moved aside. " + SystemErrorText(errno);
            return false;
        }
        // Its write-ahead log and index belong to it, and go with it.
        for (const char* part : {"-wal", "-shm"})
            ::rename((file + part).c_str(), (target + part).c_str());
        m_setAsideAs = target;
        return true;
    }
    return false;
}

bool SaveJournal::openDatabase(const std::string& file)
{
    if (sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr)
        != SQLITE_OK) {
        m_openError = "Cannot open the save journal \"" + file + "\". "
            + (m_db ? std::string(sqlite3_errmsg(m_db)) : std::string("Out of memory"));
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return false;
    }
    sqlite3_busy_timeout(m_db, 30000);
    const bool ready = exec("PRAGMA journal_mode=WAL") && exec("PRAGMA synchronous=FULL")
        && exec("CREATE TABLE IF NOT EXISTS changes(id INTEGER PRIMARY KEY, owner TEXT NOT NULL,"
                " state INTEGER NOT NULL, body BLOB NOT NULL,"
                " checksum INTEGER NOT NULL)")
        && exec("CREATE INDEX IF NOT EXISTS changes_by_state ON changes(state, owner)")
        && exec("CREATE TABLE IF NOT EXISTS commands(id INTEGER PRIMARY KEY, owner TEXT NOT NULL,"
                " kind INTEGER NOT NULL, state INTEGER NOT NULL, files INTEGER NOT NULL DEFAULT 0)")
        // A journal made before the undo records moved in: its commands
        // lack the file count, and its table of renames (all that an undo
        // record could be then, never filled) gives way to undo_records.
        // Another process may add the column at the same moment.
        && (hasColumn(m_db, "commands", "files")
            || exec("ALTER TABLE commands ADD COLUMN files INTEGER NOT NULL DEFAULT 0")
            || hasColumn(m_db, "commands", "files"))
        && exec("DROP TABLE IF EXISTS renames")
        && exec("CREATE TABLE IF NOT EXISTS undo_records(id INTEGER PRIMARY KEY, command INTEGER NOT NULL,"
                " body BLOB NOT NULL, checksum INTEGER NOT NULL)")
        && exec("CREATE INDEX IF NOT EXISTS undo_records_by_command ON undo_records(command)")
        // A command's records go with it however it is removed, by the undo
        // history or by the recovery of a process that ended.
        && exec("CREATE TRIGGER IF NOT EXISTS commands_take_their_records AFTER DELETE ON commands"
                " BEGIN DELETE FROM undo_records WHERE command = old.id; END")
        // The moves of files the program made, which an undo of tags follows
        // to where a file is now. A table of its own, so that a journal made
        // before it still opens, and one made with it opens in older
        // versions, which leave it alone.
        && exec("CREATE TABLE IF NOT EXISTS moves(id INTEGER PRIMARY KEY, from_path BLOB NOT NULL,"
                " to_path BLOB NOT NULL, inode INTEGER NOT NULL, after_command INTEGER NOT NULL)");
    if (!ready) {
        m_openError = "Cannot use the save journal \"" + file + "\". " + sqlite3_errmsg(m_db);
        if (const int code = sqlite3_errcode(m_db); (code == SQLITE_NOTADB || code == SQLITE_CORRUPT) && m_setAsideAs.empty())
            m_setAsideReason = sqlite3_errmsg(m_db);
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return false;
    }
    return true;
}

void SaveJournal::ensureRecovered()
{
    {
        const std::lock_guard lock(m_recoveryMutex);
        if (m_recovered)
            return;
    }
    Recover();
}

SaveJournal::RecoveryReport SaveJournal::Recover()
{
    const std::lock_guard recovery(m_recoveryMutex);
    m_recovered = true;
    RecoveryReport report;
    if (!m_db)
        return report;
    std::vector<std::string> owners;
    {
        const std::lock_guard lock(m_dbMutex);
        SqliteStatement select(m_db, "SELECT DISTINCT owner FROM changes WHERE owner NOT IN (?1, '')"
                                     " UNION SELECT DISTINCT owner FROM commands WHERE owner NOT IN (?1, '')");
        select.bindText(1, m_owner);
        while (select.step())
            owners.push_back(select.blob(0));
    }
    for (const std::string& owner : owners)
        recoverOwner(owner, report);
    m_report.recovered.insert(m_report.recovered.end(), report.recovered.begin(), report.recovered.end());
    m_report.leftAlone.insert(m_report.leftAlone.end(), report.leftAlone.begin(), report.leftAlone.end());
    m_report.refused += report.refused;
    return report;
}

SaveJournal::RecoveryReport SaveJournal::TakeRecoveryReport()
{
    const std::lock_guard recovery(m_recoveryMutex);
    RecoveryReport report = std::move(m_report);
    m_report = {};
    return report;
}

void SaveJournal::recoverOwner(const std::string& owner, RecoveryReport& report)
{
    // An owner whose lock can be taken has ended; one that still holds it
    // is saving right now and is left to itself.
    const std::string lockFile = m_folder + "/" + kOwnersFolder + "/" + owner;
    const FileDescriptor lock(::open(lockFile.c_str(), O_RDWR | O_CLOEXEC));
    if (lock.valid() && ::flock(lock.get(), LOCK_EX | LOCK_NB) != 0)
        return;

    struct Pending {
        std::int64_t id = 0;
        std::string body;
        std::int64_t checksum = 0;
    };
    std::vector<Pending> pending;
    {
        const std::lock_guard guard(m_dbMutex);
        SqliteStatement select(m_db, "SELECT id, body, checksum FROM changes WHERE owner = ?1 AND state = 0 ORDER BY id");
        select.bindText(1, owner);
        while (select.step())
            pending.push_back({select.integer(0), select.blob(1), select.integer(2)});
    }
    for (const Pending& change : pending) {
        ChangeRecord record;
        bool keep = false;
        if (SignedChecksum64(change.body) != change.checksum || !DecodeChangeRecord(change.body, record)) {
            // A damaged record is never written back; it stays for a look.
            ++report.refused;
            keep = true;
        } else {
            std::string why;
            switch (RecoverChange(record, why)) {
            case RecoveryOutcome::AlreadyDone:
                break;
            case RecoveryOutcome::Completed:
            case RecoveryOutcome::RolledBack:
                report.recovered.push_back(record.path);
                break;
            case RecoveryOutcome::LeftAlone:
                report.leftAlone.emplace_back(record.path, why);
                break;
            }
        }
        const std::lock_guard guard(m_dbMutex);
        SqliteStatement update(m_db, keep ? "UPDATE changes SET owner = '' , state = 2 WHERE id = ?1"
                                          : "DELETE FROM changes WHERE id = ?1");
        update.bind(1, change.id);
        update.run();
    }
    {
        // The owner's commands: the complete ones stay in the history with
        // their done changes; one that never ended cannot be undone.
        const std::lock_guard guard(m_dbMutex);
        exec("BEGIN IMMEDIATE");
        for (const char* sql : {"DELETE FROM commands WHERE owner = ?1 AND state = 0",
                                "UPDATE changes SET owner = '' WHERE owner = ?1",
                                "UPDATE commands SET owner = '' WHERE owner = ?1"}) {
            SqliteStatement statement(m_db, sql);
            statement.bindText(1, owner);
            statement.run();
        }
        exec("COMMIT");
    }
    if (lock.valid())
        ::unlink(lockFile.c_str());
}

std::int64_t SaveJournal::Add(const ChangeRecord& record, std::string& error)
{
    if (!m_db) {
        error = m_openError;
        return 0;
    }
    ensureRecovered();
    PendingAdd add;
    add.body = EncodeChangeRecord(record);
    std::unique_lock lock(m_queueMutex);
    m_queue.push_back(&add);
    // Group commit: whoever finds no commit running commits everything that
    // has queued up meanwhile, its own change among them.
    while (!add.finished) {
        if (m_committing) {
            m_queueDone.wait(lock);
            continue;
        }
        m_committing = true;
        std::vector<PendingAdd*> adds;
        adds.swap(m_queue);
        std::vector<std::int64_t> marks;
        marks.swap(m_marks);
        lock.unlock();
        commitGroup(adds, marks);
        lock.lock();
        m_committing = false;
        m_queueDone.notify_all();
    }
    if (add.id == 0)
        error = add.error;
    return add.id;
}

bool SaveJournal::applyMarks(const std::vector<std::int64_t>& marks)
{
    SqliteStatement settle(m_db, "DELETE FROM changes WHERE id = ?1");
    for (const std::int64_t id : marks) {
        settle.reset();
        settle.bind(1, id);
        if (!settle.run())
            return false;
    }
    return true;
}

void SaveJournal::commitGroup(std::vector<PendingAdd*>& adds, const std::vector<std::int64_t>& marks)
{
    const std::lock_guard lock(m_dbMutex);
    std::string failure;
    bool ok = exec(adds.empty() ? "PRAGMA synchronous=NORMAL" : "PRAGMA synchronous=FULL") && exec("BEGIN IMMEDIATE");
    if (ok) {
        ok = applyMarks(marks);
        SqliteStatement insert(m_db, "INSERT INTO changes(owner, state, body, checksum) VALUES(?1, 0, ?2, ?3)");
        for (PendingAdd* add : adds) {
            if (!ok)
                break;
            insert.reset();
            insert.bindText(1, m_owner).bindBlob(2, add->body).bind(3, SignedChecksum64(add->body));
            ok = insert.run();
            add->id = ok ? sqlite3_last_insert_rowid(m_db) : 0;
        }
        if (!ok)
            failure = sqlite3_errmsg(m_db);
        ok = ok && exec("COMMIT");
        if (!ok) {
            if (failure.empty())
                failure = sqlite3_errmsg(m_db);
            exec("ROLLBACK");
        }
    } else {
        failure = sqlite3_errmsg(m_db);
    }
    for (PendingAdd* add : adds) {
        if (!ok) {
            add->id = 0;
            add->error = "The save journal could not record the change (" + failure + ")";
        }
        add->finished = true;
    }
}

void SaveJournal::Settle(std::int64_t id)
{
    std::unique_lock lock(m_queueMutex);
    m_marks.push_back(id);
    const bool flush = m_marks.size() >= kMarksPerCommit;
    lock.unlock();
    if (flush)
        FlushMarks();
}

void SaveJournal::FlushMarks()
{
    if (!m_db)
        return;
    std::unique_lock lock(m_queueMutex);
    while (m_committing)
        m_queueDone.wait(lock);
    if (m_marks.empty())
        return;
    m_committing = true;
    std::vector<std::int64_t> marks;
    marks.swap(m_marks);
    std::vector<PendingAdd*> none;
    lock.unlock();
    commitGroup(none, marks);
    lock.lock();
    m_committing = false;
    m_queueDone.notify_all();
}
