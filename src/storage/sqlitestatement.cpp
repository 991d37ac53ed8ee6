#include "sqlitestatement.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql)
    : m_db(db)
{
    if (!db || sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &m_stmt, nullptr) != SQLITE_OK) {
        m_stmt = nullptr;
        m_ok = false;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value)
{
    if (m_stmt && sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK)
        m_ok = false;
    return *this;
}

SqliteStatement& SqliteStatement::bindBlob(int index, std::string_view bytes)
{
    // A zero-length blob is still a blob, not NULL.
    static const char kEmpty = 0;
    if (m_stmt
        && sqlite3_bind_blob64(m_stmt, index, bytes.empty() ? &kEmpty : bytes.data(), bytes.size(), SQLITE_TRANSIENT)
            != SQLITE_OK)
        m_ok = false;
    return *this;
}

SqliteStatement& SqliteStatement::bindText(int index, std::string_view text)
{
    if (m_stmt && sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) != SQLITE_OK)
        m_ok = false;
    return *this;
}

SqliteStatement& SqliteStatement::bindNull(int index)
{
    if (m_stmt && sqlite3_bind_null(m_stmt, index) != SQLITE_OK)
        m_ok = false;
    return *this;
}

bool SqliteStatement::step()
{
    if (!m_stmt || !m_ok)
        return false;
    const int result = sqlite3_step(m_stmt);
    if (result == SQLITE_ROW)
        return true;
    if (result != SQLITE_DONE)
        m_ok = false;
    return false;
}

bool SqliteStatement::run()
{
    step();
    return m_ok;
}

void SqliteStatement::reset()
{
    if (!m_stmt)
        return;
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    m_ok = true;
}

std::int64_t SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

std::string SqliteStatement::blob(int column) const
{
    const void* data = sqlite3_column_blob(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    return data && size > 0 ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size)) : std::string();
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}
