#pragma once

#include "SqliteStmt.h"

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;

// One connection to a database file. Open never creates a file unless asked to and never writes
// to it, so it can probe a file. MakeDurable then switches to the write-ahead log with full
// synchronisation: a committed change is on disk when the commit returns and survives a crash
// or power cut.
class CSqliteDb {
public:
    // How long a statement waits for a lock held by another connection before it fails.
    static constexpr int BUSY_TIMEOUT_MS = 2000;

    CSqliteDb() = default;
    ~CSqliteDb();
    CSqliteDb(const CSqliteDb&) = delete;
    CSqliteDb& operator=(const CSqliteDb&) = delete;

    // Opens an existing file (create: or makes a new one) and reads its schema, which is where a
    // file that is not a database shows. Returns the engine's result code (0 when open); on
    // failure the connection stays closed and LastError() holds the description.
    int Open(const std::string& path, bool create = false);
    // Write-ahead log and full synchronisation; the engine's result code.
    int MakeDurable();
    // Whether a transaction is open on the connection.
    bool InTransaction() const;
    // Closes the connection; false (with LastError()) when the engine refuses.
    bool Close();
    bool IsOpen() const { return m_db != nullptr; }
    const std::string& Path() const { return m_path; }

    // Throws CDbException on an engine error.
    void Exec(std::string_view sql);
    CSqliteStmt Prepare(std::string_view sql) { return CSqliteStmt(m_db, sql); }
    std::int64_t LastInsertRowId() const;
    std::int64_t Changes() const;
    bool IsReadOnly() const;
    void SetBusyTimeout(int milliseconds);

    // Whether a table, or a column of a table, exists (throws on an engine error).
    bool HasTable(std::string_view table);
    bool HasColumn(std::string_view table, std::string_view column);

    const std::string& LastError() const { return m_lastError; }
    int LastErrorCode() const { return m_lastErrorCode; }

    sqlite3* Handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
    std::string m_path;
    std::string m_lastError;
    int m_lastErrorCode = 0;
};
