#pragma once

#include "DateTime.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// One prepared statement, finalised when the object goes. Values only ever reach the engine as
// bound parameters (1-based), never as SQL text. Engine errors throw CDbException.
class CSqliteStmt {
public:
    CSqliteStmt(sqlite3* db, std::string_view sql);
    ~CSqliteStmt();
    CSqliteStmt(const CSqliteStmt&) = delete;
    CSqliteStmt& operator=(const CSqliteStmt&) = delete;

    CSqliteStmt& Bind(int index, std::string_view text);
    // A text column of at most maxChars characters: made valid UTF-8 and cut to fit.
    CSqliteStmt& Bind(int index, std::string_view text, std::size_t maxChars);
    CSqliteStmt& Bind(int index, std::int64_t value);
    CSqliteStmt& Bind(int index, int value) { return Bind(index, static_cast<std::int64_t>(value)); }
    CSqliteStmt& Bind(int index, double value);
    // A null date binds NULL.
    CSqliteStmt& Bind(int index, const CDateTime& date);
    CSqliteStmt& BindNull(int index);

    // Runs one step: true when a row is there, false when the statement is done.
    bool Step();
    // Runs a statement that returns no rows to its end.
    void Execute();
    // Back to the start; bindings stay.
    void Reset();

    bool IsNull(int column) const;
    // Text of a column as valid UTF-8 (empty for NULL).
    std::string Text(int column) const;
    std::int64_t Int(int column) const;
    double Double(int column) const;
    // NULL reads as a null date.
    CDateTime Date(int column) const;

private:
    [[noreturn]] void Fail(int rc) const;

    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};
