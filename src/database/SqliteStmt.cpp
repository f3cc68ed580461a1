#include "SqliteStmt.h"

#include "DbException.h"
#include "Utf8.h"

#include <sqlite3.h>

CSqliteStmt::CSqliteStmt(sqlite3* db, std::string_view sql) : m_db(db) {
    if (db == nullptr) {
        throw CDbException(SQLITE_MISUSE, "The database is not open");
    }
    const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        Fail(rc);
    }
}

CSqliteStmt::~CSqliteStmt() {
    sqlite3_finalize(m_stmt);
}

void CSqliteStmt::Fail(int rc) const {
    const int code = m_db != nullptr ? sqlite3_extended_errcode(m_db) : rc;
    const char* message = m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
    throw CDbException(code != SQLITE_OK ? code : rc, message != nullptr ? message : sqlite3_errstr(rc));
}

CSqliteStmt& CSqliteStmt::Bind(int index, std::string_view text) {
    const int rc =
        sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (rc != SQLITE_OK) {
        Fail(rc);
    }
    return *this;
}

CSqliteStmt& CSqliteStmt::Bind(int index, std::string_view text, std::size_t maxChars) {
    return Bind(index, Utf8::Left(Utf8::Sanitize(text), maxChars));
}

CSqliteStmt& CSqliteStmt::Bind(int index, std::int64_t value) {
    const int rc = sqlite3_bind_int64(m_stmt, index, value);
    if (rc != SQLITE_OK) {
        Fail(rc);
    }
    return *this;
}

CSqliteStmt& CSqliteStmt::Bind(int index, double value) {
    const int rc = sqlite3_bind_double(m_stmt, index, value);
    if (rc != SQLITE_OK) {
        Fail(rc);
    }
    return *this;
}

CSqliteStmt& CSqliteStmt::Bind(int index, const CDateTime& date) {
    return date.IsNull() ? BindNull(index) : Bind(index, date.Days());
}

CSqliteStmt& CSqliteStmt::BindNull(int index) {
    const int rc = sqlite3_bind_null(m_stmt, index);
    if (rc != SQLITE_OK) {
        Fail(rc);
    }
    return *this;
}

bool CSqliteStmt::Step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    Fail(rc);
}

void CSqliteStmt::Execute() {
    while (Step()) {
    }
}

void CSqliteStmt::Reset() {
    sqlite3_reset(m_stmt);
}

bool CSqliteStmt::IsNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

std::string CSqliteStmt::Text(int column) const {
    const auto* text = sqlite3_column_text(m_stmt, column);
    if (text == nullptr) {
        return {};
    }
    const int bytes = sqlite3_column_bytes(m_stmt, column);
    const std::string_view view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes));
    for (const char c : view) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            // Another tool may have written bytes that are not UTF-8; what we hand on is valid.
            return Utf8::Sanitize(view);
        }
    }
    return std::string(view);
}

std::int64_t CSqliteStmt::Int(int column) const {
    return sqlite3_column_int64(m_stmt, column);
}

double CSqliteStmt::Double(int column) const {
    return sqlite3_column_double(m_stmt, column);
}

CDateTime CSqliteStmt::Date(int column) const {
    if (IsNull(column)) {
        return CDateTime::Null();
    }
    return CDateTime::FromDays(Double(column));
}
