#include "DbObjectInfo.h"

#include "CustomerInfoReqMsg.h"
#include "DatabaseHandler.h"
#include "DbCustomerInfo.h"
#include "DbException.h"
#include "ObjectInfoSet.h"
#include "SqliteDb.h"
#include "SqliteTransaction.h"

#include "Utf8.h"

#include <optional>
#include <sqlite3.h>

namespace {

constexpr const char* ADD_PREFIX = "CDbObjectInfo::AddObjectInfo: ";
constexpr const char* FIND_PREFIX = "CDbObjectInfo::FindObjectInfo: ";
constexpr const char* EDIT_PREFIX = "CDbObjectInfo::EditObjectInfo: ";
constexpr const char* DELETE_PREFIX = "CDbObjectInfo::DeleteObjectInfo: ";

std::string Select(const char* condition) {
    return std::string("SELECT ") + CObjectInfoSet::COLUMNS + " FROM ObjectInfo" + condition;
}

// The row id of the first row whose IdCode (or PhoneNumber) is the key, and that row's IdCode.
std::optional<std::int64_t> FirstRow(CSqliteDb& db, const char* column, const std::string& key,
                                     std::size_t length, std::string* idCode = nullptr) {
    CSqliteStmt stmt =
        db.Prepare(std::string("SELECT rowid, IdCode FROM ObjectInfo WHERE ") + column + " = ?1");
    stmt.Bind(1, key, length);
    if (!stmt.Step()) {
        return std::nullopt;
    }
    if (idCode != nullptr) {
        *idCode = stmt.Text(1);
    }
    return stmt.Int(0);
}

// A key as it is stored: valid UTF-8, cut to its column.
std::string StoredKey(const std::string& key, std::size_t length) {
    return Utf8::Left(Utf8::Sanitize(key), length);
}

} // namespace

CSqliteDb& CDbObjectInfo::Db() const {
    if (m_db == nullptr || !m_db->IsOpen()) {
        throw CDbException(SQLITE_MISUSE, "The database is not open");
    }
    return *m_db;
}

std::unique_ptr<CDatabaseMsg> CDbObjectInfo::AddObjectInfo(const CObjectInfoMsg& record) {
    auto reply = std::make_unique<CDatabaseMsg>(MsgKind::UI_OBJECT_REPLY);
    std::unique_ptr<CSqliteTransaction> transaction;
    try {
        CSqliteDb& db = Db();
        transaction = std::make_unique<CSqliteTransaction>(db);
        if (FirstRow(db, "IdCode", record.IdCode, CObjectInfoMsg::IDCODE_LENGTH)) {
            reply->Status = ObjectResult::ADD_ID_EXISTS;
            return reply;
        }
        if (!record.PhoneNumber.empty() &&
            FirstRow(db, "PhoneNumber", record.PhoneNumber, CObjectInfoMsg::PHONENUMBER_LENGTH)) {
            reply->Status = ObjectResult::ADD_PHONE_EXISTS;
            return reply;
        }
    } catch (const std::exception& e) {
        // The checks report the engine's description alone.
        m_handler.ReportEngineError("", e.what());
        reply->Status = ObjectResult::ADD_ERROR;
        return reply;
    }
    try {
        CObjectInfoSet::Insert(*m_db, record);
        transaction->Commit();
        reply->Status = ObjectResult::ADD_DONE;
    } catch (const std::exception& e) {
        m_handler.ReportEngineError(ADD_PREFIX, e.what());
        reply->Status = ObjectResult::ADD_ERROR;
    }
    return reply;
}

std::unique_ptr<CObjectInfoMsg> CDbObjectInfo::FindObjectInfo(const CObjectInfoReqMsg& request) {
    const std::uint16_t replyKind = request.ReplyKind != 0 ? request.ReplyKind : MsgKind::UI_OBJECT_REPLY;
    auto reply = std::make_unique<CObjectInfoMsg>(replyKind, ObjectResult::FIND_NONE);
    std::uint16_t found = 0;
    try {
        CSqliteDb& db = Db();
        std::unique_ptr<CSqliteStmt> stmt;
        switch (request.Type) {
        case CObjectInfoReqMsg::BY_IDCODE:
            stmt = std::make_unique<CSqliteStmt>(db.Handle(), Select(" WHERE IdCode = ?1"));
            stmt->Bind(1, request.Key, CObjectInfoMsg::IDCODE_LENGTH);
            found = ObjectResult::FIND_BY_ID;
            break;
        case CObjectInfoReqMsg::BY_PHONENUMBER:
            stmt = std::make_unique<CSqliteStmt>(db.Handle(), Select(" WHERE PhoneNumber = ?1"));
            stmt->Bind(1, request.Key, CObjectInfoMsg::PHONENUMBER_LENGTH);
            found = ObjectResult::FIND_BY_PHONE;
            break;
        case CObjectInfoReqMsg::ALL:
            stmt = std::make_unique<CSqliteStmt>(db.Handle(), Select(""));
            found = ObjectResult::FIND_LIST;
            break;
        default:
            return reply;
        }
        std::unique_ptr<CObjectInfoMsg> rest;
        CObjectInfoMsg* tail = nullptr;
        bool first = true;
        while (stmt->Step()) {
            if (first) {
                CObjectInfoSet::Read(*stmt, *reply);
                first = false;
                continue;
            }
            auto record = std::make_unique<CObjectInfoMsg>(MsgKind::UI_OBJECT_REPLY, found);
            CObjectInfoSet::Read(*stmt, *record);
            CObjectInfoMsg* raw = record.get();
            if (tail == nullptr) {
                rest = std::move(record);
            } else {
                tail->Next = std::move(record);
            }
            tail = raw;
        }
        if (first) {
            return reply;
        }
        reply->Status = found;
        reply->Next = std::move(rest);
    } catch (const std::exception& e) {
        m_handler.ReportEngineError(FIND_PREFIX, e.what());
        // Rows read before the error are dropped; no customer is looked up.
        return std::make_unique<CObjectInfoMsg>(replyKind, ObjectResult::FIND_ERROR);
    }
    if (found != ObjectResult::FIND_LIST && !reply->Customer.empty()) {
        CCustomerInfoReqMsg customerRequest(MsgKind::DB_CUSTOMER_FIND, CCustomerInfoReqMsg::BY_KEY,
                                            reply->Customer);
        std::unique_ptr<CCustomerInfoMsg> customer = m_customers.FindCustomerInfo(customerRequest);
        if (customer->Status == RegisterResult::FIND_BY_KEY) {
            reply->CustomerInfo = std::move(customer);
        }
    }
    return reply;
}

std::unique_ptr<CDatabaseMsg> CDbObjectInfo::EditObjectInfo(const CObjectInfoMsg& record) {
    auto reply = std::make_unique<CDatabaseMsg>(MsgKind::UI_OBJECT_REPLY);
    try {
        CSqliteDb& db = Db();
        CSqliteTransaction transaction(db);
        if (!record.PhoneNumber.empty()) {
            std::string owner;
            if (FirstRow(db, "PhoneNumber", record.PhoneNumber, CObjectInfoMsg::PHONENUMBER_LENGTH, &owner) &&
                owner != StoredKey(record.IdCode, CObjectInfoMsg::IDCODE_LENGTH)) {
                reply->Status = ObjectResult::EDIT_PHONE_TAKEN;
                return reply;
            }
        }
        const auto rowId = FirstRow(db, "IdCode", record.IdCode, CObjectInfoMsg::IDCODE_LENGTH);
        if (!rowId) {
            reply->Status = ObjectResult::EDIT_NOT_FOUND;
            return reply;
        }
        CObjectInfoSet::Update(db, *rowId, record);
        transaction.Commit();
        reply->Status = ObjectResult::EDIT_CHANGED;
    } catch (const std::exception& e) {
        m_handler.ReportEngineError(EDIT_PREFIX, e.what());
        reply->Status = ObjectResult::EDIT_ERROR;
    }
    return reply;
}

std::unique_ptr<CDatabaseMsg> CDbObjectInfo::DeleteObjectInfo(const CObjectInfoReqMsg& request) {
    auto reply = std::make_unique<CDatabaseMsg>(MsgKind::UI_OBJECT_REPLY);
    try {
        CSqliteDb& db = Db();
        CSqliteTransaction transaction(db);
        const auto rowId = FirstRow(db, "IdCode", request.Key, CObjectInfoMsg::IDCODE_LENGTH);
        if (!rowId) {
            reply->Status = ObjectResult::DELETE_NOT_FOUND;
            return reply;
        }
        CSqliteStmt stmt = db.Prepare("DELETE FROM ObjectInfo WHERE rowid = ?1");
        stmt.Bind(1, *rowId);
        stmt.Execute();
        transaction.Commit();
        reply->Status = ObjectResult::DELETE_DONE;
    } catch (const std::exception& e) {
        m_handler.ReportEngineError(DELETE_PREFIX, e.what());
        reply->Status = ObjectResult::DELETE_ERROR;
    }
    return reply;
}
