#include "SqliteReader.h"

#include <sqlite3.h>

CSqliteReader::CSqliteReader(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        m_error = m_db != nullptr ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        return;
    }
    sqlite3_busy_timeout(m_db, 5000);
}

CSqliteReader::~CSqliteReader() {
    sqlite3_close(m_db);
}

std::vector<std::vector<std::string>> CSqliteReader::Rows(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    if (m_db == nullptr) {
        return rows;
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        m_error = sqlite3_errmsg(m_db);
        return rows;
    }
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            const unsigned char* text = sqlite3_column_text(stmt, i);
            row.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "<null>");
        }
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        m_error = sqlite3_errmsg(m_db);
    }
    sqlite3_finalize(stmt);
    return rows;
}
