#include "DbRegisterTable.h"

#include "CustomerInfoMsg.h"
#include "CustomerInfoReqMsg.h"
#include "DatabaseHandler.h"
#include "DbException.h"
#include "DbRegisterTraits.h"
#include "MailInfoMsg.h"
#include "MailInfoReqMsg.h"
#include "SmsNumInfoMsg.h"
#include "SmsNumInfoReqMsg.h"
#include "SqliteDb.h"
#include "SqliteTransaction.h"

#include <optional>
#include <sqlite3.h>

namespace {

// The row id of the first row with this key.
template <class Traits> std::optional<std::int64_t> FirstRow(CSqliteDb& db, const std::string& key) {
    CSqliteStmt stmt = db.Prepare(std::string("SELECT rowid FROM ") + Traits::TABLE + " WHERE " +
                                  Traits::KEY_COLUMN + " = ?1");
    stmt.Bind(1, key, Traits::KEY_LENGTH);
    if (!stmt.Step()) {
        return std::nullopt;
    }
    return stmt.Int(0);
}

} // namespace

template <class Traits> CSqliteDb& CDbRegisterTable<Traits>::Db() const {
    if (m_db == nullptr || !m_db->IsOpen()) {
        throw CDbException(SQLITE_MISUSE, "The database is not open");
    }
    return *m_db;
}

template <class Traits> std::unique_ptr<CDatabaseMsg> CDbRegisterTable<Traits>::Add(const Record& record) {
    auto reply = std::make_unique<CDatabaseMsg>(Traits::ReplyKind(record));
    try {
        CSqliteDb& db = Db();
        CSqliteTransaction transaction(db);
        if (FirstRow<Traits>(db, Traits::Key(record))) {
            reply->Status = RegisterResult::ADD_EXISTS;
            return reply;
        }
        CSqliteStmt stmt = db.Prepare(std::string("INSERT INTO ") + Traits::TABLE + " (" +
                                      Traits::KEY_COLUMN + ", " + Traits::OTHER_COLUMN + ") VALUES (?1, ?2)");
        stmt.Bind(1, Traits::Key(record), Traits::KEY_LENGTH)
            .Bind(2, Traits::Other(record), Traits::OTHER_LENGTH);
        stmt.Execute();
        transaction.Commit();
        reply->Status = RegisterResult::ADD_DONE;
    } catch (const std::exception& e) {
        m_handler.ReportEngineError(Traits::ADD_PREFIX, e.what());
        reply->Status = RegisterResult::ADD_ERROR;
    }
    return reply;
}

template <class Traits>
std::unique_ptr<typename Traits::Record> CDbRegisterTable<Traits>::Find(const Request& request) {
    const std::uint16_t kind = Traits::ReplyKind(request);
    try {
        CSqliteDb& db = Db();
        std::string sql = std::string("SELECT ") + Traits::KEY_COLUMN + ", " + Traits::OTHER_COLUMN +
                          " FROM " + Traits::TABLE;
        std::uint16_t found = RegisterResult::FIND_LIST;
        if (request.Type == Request::BY_KEY) {
            sql += std::string(" WHERE ") + Traits::KEY_COLUMN + " = ?1";
            found = RegisterResult::FIND_BY_KEY;
        } else if (request.Type != Request::ALL) {
            return std::make_unique<Record>(kind, RegisterResult::FIND_NONE);
        }
        CSqliteStmt stmt = db.Prepare(sql);
        if (request.Type == Request::BY_KEY) {
            stmt.Bind(1, request.Key, Traits::KEY_LENGTH);
        }
        std::unique_ptr<Record> head;
        Record* tail = nullptr;
        while (stmt.Step()) {
            auto record = std::make_unique<Record>(kind, found);
            Traits::Key(*record) = stmt.Text(0);
            Traits::Other(*record) = stmt.Text(1);
            Record* raw = record.get();
            if (tail == nullptr) {
                head = std::move(record);
            } else {
                tail->Next = std::move(record);
            }
            tail = raw;
        }
        return head ? std::move(head) : std::make_unique<Record>(kind, RegisterResult::FIND_NONE);
    } catch (const std::exception& e) {
        m_handler.ReportEngineError(Traits::FIND_PREFIX, e.what());
        return std::make_unique<Record>(kind, RegisterResult::FIND_ERROR);
    }
}

template <class Traits> std::unique_ptr<CDatabaseMsg> CDbRegisterTable<Traits>::Edit(const Record& record) {
    auto reply = std::make_unique<CDatabaseMsg>(Traits::ReplyKind(record));
    try {
        CSqliteDb& db = Db();
        CSqliteTransaction transaction(db);
        const auto rowId = FirstRow<Traits>(db, Traits::Key(record));
        if (!rowId) {
            reply->Status = RegisterResult::EDIT_NOT_FOUND;
            return reply;
        }
        CSqliteStmt stmt = db.Prepare(std::string("UPDATE ") + Traits::TABLE + " SET " +
                                      Traits::OTHER_COLUMN + " = ?1 WHERE rowid = ?2");
        stmt.Bind(1, Traits::Other(record), Traits::OTHER_LENGTH).Bind(2, *rowId);
        stmt.Execute();
        transaction.Commit();
        reply->Status = RegisterResult::EDIT_CHANGED;
    } catch (const std::exception& e) {
        m_handler.ReportEngineError(Traits::EDIT_PREFIX, e.what());
        reply->Status = RegisterResult::EDIT_ERROR;
    }
    return reply;
}

template <class Traits>
std::unique_ptr<CDatabaseMsg> CDbRegisterTable<Traits>::Delete(const Request& request) {
    auto reply = std::make_unique<CDatabaseMsg>(Traits::ReplyKind(request));
    try {
        CSqliteDb& db = Db();
        CSqliteTransaction transaction(db);
        const auto rowId = FirstRow<Traits>(db, request.Key);
        if (!rowId) {
            reply->Status = RegisterResult::DELETE_NOT_FOUND;
            return reply;
        }
        CSqliteStmt stmt = db.Prepare(std::string("DELETE FROM ") + Traits::TABLE + " WHERE rowid = ?1");
        stmt.Bind(1, *rowId);
        stmt.Execute();
        transaction.Commit();
        reply->Status = RegisterResult::DELETE_DONE;
    } catch (const std::exception& e) {
        m_handler.ReportEngineError(Traits::DELETE_PREFIX, e.what());
        reply->Status = RegisterResult::DELETE_ERROR;
    }
    return reply;
}

template class CDbRegisterTable<SCustomerTraits>;
template class CDbRegisterTable<SMailTraits>;
template class CDbRegisterTable<SSmsNumTraits>;
