#pragma once
// One prepared SQLite statement: parameters bound by position (from 1),
// stepped row by row, finalised when it goes.

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

class SqliteStatement final {
public:
    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool valid() const { return m_stmt != nullptr; }

    SqliteStatement& bind(int index, std::int64_t value);
    SqliteStatement& bindBlob(int index, std::string_view bytes);
    SqliteStatement& bindText(int index, std::string_view text);
    SqliteStatement& bindNull(int index);

    // True while a row is there to read; false at the end or on an error
    // (then ok() is false).
    bool step();
    // Runs a statement that returns no rows; false on an error.
    bool run();
    bool ok() const { return m_ok; }
    // Makes the statement ready to run again with new parameters.
    void reset();

    std::int64_t integer(int column) const;
    std::string blob(int column) const;
    bool isNull(int column) const;

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    bool m_ok = true;
};
