#include "DbAlarmInfo.h"

#include "AlarmInfoSet.h"
#include "DatabaseHandler.h"
#include "DbException.h"
#include "SqliteDb.h"
#include "SqliteTransaction.h"

#include <sqlite3.h>
#include <vector>

namespace {

constexpr const char* ADD_PREFIX = "CDatabaseHandler::AddAlarmInfo: ";
constexpr const char* FIND_PREFIX = "CDatabaseHandler::FindAlarmInfo: ";
constexpr const char* EDIT_PREFIX = "CDatabaseHandler::EditAlarmInfo: ";
constexpr const char* DELETE_PREFIX = "CDatabaseHandler::DeleteAlarmInfo: ";

std::unique_ptr<CAlarmInfoMsg> EmptyReply(std::uint16_t status) {
    return std::make_unique<CAlarmInfoMsg>(MsgKind::UI_ALARM_RECORD, status);
}

// Reads every row of a statement, up to maxCount, into a chain that carries `status`.
std::unique_ptr<CAlarmInfoMsg> ReadChain(CSqliteStmt& stmt, std::int64_t maxCount, std::uint16_t status) {
    std::unique_ptr<CAlarmInfoMsg> head;
    CAlarmInfoMsg* tail = nullptr;
    for (std::int64_t count = 0; count < maxCount && stmt.Step(); ++count) {
        auto record = std::make_unique<CAlarmInfoMsg>(MsgKind::UI_ALARM_RECORD, status);
        CAlarmInfoSet::Read(stmt, *record);
        CAlarmInfoMsg* raw = record.get();
        if (tail == nullptr) {
            head = std::move(record);
        } else {
            tail->Next = std::move(record);
        }
        tail = raw;
    }
    return head ? std::move(head) : EmptyReply(AlarmResult::FIND_NONE);
}

} // namespace

CSqliteDb& CDbAlarmInfo::Db() const {
    if (m_db == nullptr || !m_db->IsOpen()) {
        throw CDbException(SQLITE_MISUSE, "The database is not open");
    }
    return *m_db;
}

std::unique_ptr<CDatabaseMsg> CDbAlarmInfo::AddAlarmInfo(CAlarmInfoMsg& record) {
    auto reply = std::make_unique<CDatabaseMsg>(MsgKind::UI_ALARM_RECORD);
    try {
        CSqliteDb& db = Db();
        CSqliteTransaction transaction(db);
        const std::uint32_t key = CAlarmInfoSet::Insert(db, record);
        transaction.Commit();
        record.PrimaryKey = key;
        reply->Status = AlarmResult::ADD_STORED;
    } catch (const std::exception& e) {
        m_handler.ReportEngineError(ADD_PREFIX, e.what());
        reply->Status = AlarmResult::ADD_ERROR;
    }
    return reply;
}

std::unique_ptr<CAlarmInfoMsg> CDbAlarmInfo::FindAlarmInfo(CAlarmInfoReqMsg& request) {
    switch (request.Type) {
    case CAlarmInfoReqMsg::FIND_KEY_CHAIN: {
        std::unique_ptr<CAlarmInfoMsg> head;
        CAlarmInfoMsg* tail = nullptr;
        for (CAlarmInfoReqMsg* link = &request; link != nullptr; link = link->NextRequest()) {
            link->Type = CAlarmInfoReqMsg::FIND_BY_KEY;
            std::unique_ptr<CAlarmInfoMsg> result = FindOne(*link);
            CAlarmInfoMsg* raw = result.get();
            if (tail == nullptr) {
                head = std::move(result);
            } else {
                tail->Next = std::move(result);
            }
            tail = raw;
        }
        head->Status = AlarmResult::FIND_CHAIN;
        return head;
    }
    case CAlarmInfoReqMsg::FIND_FOR_PRINT: {
        request.Type = CAlarmInfoReqMsg::FIND_BY_STATUS;
        std::unique_ptr<CAlarmInfoMsg> head = FindOne(request);
        head->Status = AlarmResult::FIND_PRINT;
        return head;
    }
    case CAlarmInfoReqMsg::FIND_BY_KEY: {
        // Found or not, the answer names the key it looked for, so that an empty answer to a View
        // is not taken for an empty list. (In a chain a filler keeps key 0: it is no alarm.)
        std::unique_ptr<CAlarmInfoMsg> reply = FindOne(request);
        reply->PrimaryKey = request.PrimaryKey;
        return reply;
    }
    default:
        return FindOne(request);
    }
}

std::unique_ptr<CAlarmInfoMsg> CDbAlarmInfo::FindOne(CAlarmInfoReqMsg& request) {
    try {
        switch (request.Type) {
        case CAlarmInfoReqMsg::FIND_BY_KEY:
            return FindByKey(request.PrimaryKey);
        case CAlarmInfoReqMsg::FIND_BY_STATUS:
            return FindByStatus(request);
        case CAlarmInfoReqMsg::FIND_LAST_EMERGENCY:
            return FindLastEmergency(request);
        default:
            return EmptyReply(AlarmResult::FIND_NONE);
        }
    } catch (const std::exception& e) {
        m_handler.ReportEngineError(FIND_PREFIX, e.what());
        return EmptyReply(AlarmResult::FIND_ERROR);
    }
}

bool CDbAlarmInfo::IsStoredSms(const CAlarmInfoMsg& record) {
    // An SMS kept in the modem is read again after a restart; a week covers any outage the
    // station is left in.
    constexpr double REPEAT_DAYS = 7.0;
    try {
        CSqliteStmt stmt = Db().Prepare("SELECT 1 FROM AlarmInfo WHERE AlarmTime >= ?1 AND IdCode = ?2 AND "
                                        "AlarmSource = ?3 AND Text = ?4 LIMIT 1");
        stmt.Bind(1, record.AlarmTime.AddDays(-REPEAT_DAYS))
            .Bind(2, record.IdCode, 20)
            .Bind(3, static_cast<int>(record.AlarmSource))
            .Bind(4, record.Text.Text(), 255);
        return stmt.Step();
    } catch (const std::exception& e) {
        // Storing it once more is better than dropping it.
        m_handler.ReportEngineError(FIND_PREFIX, e.what());
        return false;
    }
}

std::unique_ptr<CAlarmInfoMsg> CDbAlarmInfo::FindByKey(std::uint32_t key) {
    CSqliteStmt stmt = Db().Prepare(std::string("SELECT ") + CAlarmInfoSet::COLUMNS +
                                    " FROM AlarmInfo WHERE PrimaryKey = ?1");
    stmt.Bind(1, static_cast<std::int64_t>(key));
    return ReadChain(stmt, 1, AlarmResult::FIND_BY_KEY);
}

std::unique_ptr<CAlarmInfoMsg> CDbAlarmInfo::FindByStatus(const CAlarmInfoReqMsg& request) {
    const std::uint8_t mask = request.StatusMask;
    const std::int64_t maxCount = request.MaxCount > 0 ? request.MaxCount : 0;
    if (mask == 0 || maxCount == 0) {
        // Nothing may be read: the list is empty.
        return EmptyReply(AlarmResult::FIND_NONE);
    }
    const std::string select = std::string("SELECT ") + CAlarmInfoSet::COLUMNS + " FROM AlarmInfo";
    std::vector<int> statuses;
    if (mask != CAlarmInfoReqMsg::MASK_ALL) {
        for (int bit = 0; bit < 4; ++bit) {
            if ((mask & (1u << bit)) != 0) {
                statuses.push_back(bit + 1);
            }
        }
    }
    if (statuses.empty()) {
        CSqliteStmt stmt = Db().Prepare(select + " ORDER BY AlarmTime DESC LIMIT ?1");
        stmt.Bind(1, maxCount);
        return ReadChain(stmt, maxCount, AlarmResult::FIND_LIST);
    }
    // "AlarmStatus = a OR AlarmStatus = b ... ORDER BY AlarmTime DESC", run as one statement per
    // status and merged newest first: the same rows in the same order, and each statement walks
    // its own index however rare or common its status is.
    struct SStream {
        std::unique_ptr<CSqliteStmt> stmt;
        std::unique_ptr<CAlarmInfoMsg> row;
    };
    std::vector<SStream> streams;
    for (const int status : statuses) {
        SStream stream;
        stream.stmt = std::make_unique<CSqliteStmt>(
            Db().Handle(), select + " WHERE AlarmStatus = ?1 ORDER BY AlarmTime DESC LIMIT ?2");
        stream.stmt->Bind(1, status).Bind(2, maxCount);
        streams.push_back(std::move(stream));
    }
    auto advance = [](SStream& stream) {
        stream.row.reset();
        if (stream.stmt->Step()) {
            stream.row = std::make_unique<CAlarmInfoMsg>(MsgKind::UI_ALARM_RECORD, AlarmResult::FIND_LIST);
            CAlarmInfoSet::Read(*stream.stmt, *stream.row);
        }
    };
    for (SStream& stream : streams) {
        advance(stream);
    }
    std::unique_ptr<CAlarmInfoMsg> head;
    CAlarmInfoMsg* tail = nullptr;
    for (std::int64_t count = 0; count < maxCount; ++count) {
        SStream* newest = nullptr;
        for (SStream& stream : streams) {
            if (!stream.row) {
                continue;
            }
            // Newer time first; among equal times the later key first, as an index walk gives them.
            if (newest == nullptr || newest->row->AlarmTime < stream.row->AlarmTime ||
                (newest->row->AlarmTime == stream.row->AlarmTime &&
                 newest->row->PrimaryKey < stream.row->PrimaryKey)) {
                newest = &stream;
            }
        }
        if (newest == nullptr) {
            break;
        }
        std::unique_ptr<CAlarmInfoMsg> record = std::move(newest->row);
        CAlarmInfoMsg* raw = record.get();
        if (tail == nullptr) {
            head = std::move(record);
        } else {
            tail->Next = std::move(record);
        }
        tail = raw;
        advance(*newest);
    }
    return head ? std::move(head) : EmptyReply(AlarmResult::FIND_NONE);
}

std::unique_ptr<CAlarmInfoMsg> CDbAlarmInfo::FindLastEmergency(const CAlarmInfoReqMsg& request) {
    // The type is written into the text (it is ours, not the caller's) so that the engine can use
    // the index of emergency-call alarms.
    static_assert(CAlarmInfoMsg::ALARMTYPE_EMERGENCY_CALL == 8);
    CSqliteStmt stmt =
        Db().Prepare(std::string("SELECT ") + CAlarmInfoSet::COLUMNS +
                     " FROM AlarmInfo WHERE IdCode = ?1 AND AlarmType = 8 ORDER BY AlarmTime DESC "
                     "LIMIT 1");
    stmt.Bind(1, request.IdCode, 20);
    return ReadChain(stmt, 1, AlarmResult::FIND_EMERGENCY);
}

std::unique_ptr<CDatabaseMsg> CDbAlarmInfo::EditAlarmInfo(const CAlarmInfoMsg& record) {
    auto reply = std::make_unique<CDatabaseMsg>(MsgKind::UI_ALARM_RECORD);
    try {
        CSqliteDb& db = Db();
        const bool ack = !record.AckOperator.empty();
        const bool exec = !record.ExecOperator.empty();
        std::string sql = "UPDATE AlarmInfo SET AlarmStatus = ?1";
        if (ack) {
            sql += ", AckTime = ?3, AckOperator = ?4";
        }
        if (exec) {
            sql += ", ExecTime = ?5, ExecOperator = ?6";
        }
        sql += " WHERE PrimaryKey = ?2";
        CSqliteTransaction transaction(db);
        CSqliteStmt stmt = db.Prepare(sql);
        stmt.Bind(1, static_cast<int>(record.AlarmStatus))
            .Bind(2, static_cast<std::int64_t>(record.PrimaryKey));
        if (ack) {
            stmt.Bind(3, record.AckTime).Bind(4, record.AckOperator, 30);
        }
        if (exec) {
            stmt.Bind(5, record.ExecTime).Bind(6, record.ExecOperator, 30);
        }
        stmt.Execute();
        const bool changed = db.Changes() > 0;
        transaction.Commit();
        reply->Status = changed ? AlarmResult::EDIT_CHANGED : AlarmResult::EDIT_NOT_FOUND;
    } catch (const std::exception& e) {
        m_handler.ReportEngineError(EDIT_PREFIX, e.what());
        reply->Status = AlarmResult::EDIT_ERROR;
    }
    return reply;
}

std::unique_ptr<CDatabaseMsg> CDbAlarmInfo::DeleteAlarmInfo(const CAlarmInfoReqMsg& request) {
    auto reply = std::make_unique<CDatabaseMsg>(MsgKind::UI_ALARM_RECORD, AlarmResult::DELETE_NONE);
    try {
        CSqliteDb& db = Db();
        std::unique_ptr<CSqliteStmt> stmt;
        switch (request.Type) {
        case CAlarmInfoReqMsg::DELETE_BY_KEY:
            stmt = std::make_unique<CSqliteStmt>(db.Handle(), "DELETE FROM AlarmInfo WHERE PrimaryKey = ?1");
            stmt->Bind(1, static_cast<std::int64_t>(request.PrimaryKey));
            break;
        case CAlarmInfoReqMsg::DELETE_ALL:
            stmt = std::make_unique<CSqliteStmt>(db.Handle(), "DELETE FROM AlarmInfo");
            break;
        case CAlarmInfoReqMsg::DELETE_PURGE: {
            // Midnight at the start of the day Days days ago: that whole day is kept.
            const CDateTime cutOff = CDateTime::FromLocal(m_handler.Clock().Now())
                                         .DateOnly()
                                         .AddDays(-static_cast<double>(request.Days));
            stmt = std::make_unique<CSqliteStmt>(db.Handle(), "DELETE FROM AlarmInfo WHERE AlarmTime < ?1");
            stmt->Bind(1, cutOff);
            break;
        }
        default:
            return reply;
        }
        CSqliteTransaction transaction(db);
        stmt->Execute();
        const bool deleted = db.Changes() > 0;
        transaction.Commit();
        reply->Status = deleted ? AlarmResult::DELETE_DONE : AlarmResult::DELETE_NONE;
    } catch (const std::exception& e) {
        m_handler.ReportEngineError(DELETE_PREFIX, e.what());
        reply->Status = AlarmResult::DELETE_ERROR;
    }
    return reply;
}
