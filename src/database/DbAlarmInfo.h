#pragma once

#include "AlarmInfoMsg.h"
#include "AlarmInfoReqMsg.h"

#include <memory>

class CDatabaseHandler;
class CSqliteDb;

// The four operations on the alarm log. Each runs as one transaction, catches every engine error
// (message box and the error code in the reply) and always releases its statements.
class CDbAlarmInfo {
public:
    explicit CDbAlarmInfo(CDatabaseHandler& handler) : m_handler(handler) {}
    virtual ~CDbAlarmInfo() = default;
    CDbAlarmInfo(const CDbAlarmInfo&) = delete;
    CDbAlarmInfo& operator=(const CDbAlarmInfo&) = delete;

    void SetDatabase(CSqliteDb* db) { m_db = db; }

    // Stores a new alarm; on success the record's PrimaryKey holds the new key. Reply kind 31,
    // code 2 or 3.
    std::unique_ptr<CDatabaseMsg> AddAlarmInfo(CAlarmInfoMsg& record);
    // A chain of alarm records (kind 31); the request's Type may be changed (chains, print). The
    // answer to a single search by key carries that key also when it is empty (nothing found,
    // error); a filler in a chain keeps key 0.
    std::unique_ptr<CAlarmInfoMsg> FindAlarmInfo(CAlarmInfoReqMsg& request);
    // True when an alarm of the last days has the SMS alarm's sender, source and text (which holds
    // the SMS's own time stamp): the same SMS read again from the modem.
    bool IsStoredSms(const CAlarmInfoMsg& record);
    // Changes the status (and acknowledgement or finish data) of the alarm with the record's key.
    std::unique_ptr<CDatabaseMsg> EditAlarmInfo(const CAlarmInfoMsg& record);
    // Deletes by key, all, or the purge (alarms before midnight Days days ago).
    std::unique_ptr<CDatabaseMsg> DeleteAlarmInfo(const CAlarmInfoReqMsg& request);

private:
    std::unique_ptr<CAlarmInfoMsg> FindOne(CAlarmInfoReqMsg& request);
    std::unique_ptr<CAlarmInfoMsg> FindByStatus(const CAlarmInfoReqMsg& request);
    std::unique_ptr<CAlarmInfoMsg> FindLastEmergency(const CAlarmInfoReqMsg& request);
    std::unique_ptr<CAlarmInfoMsg> FindByKey(std::uint32_t key);
    CSqliteDb& Db() const;

    CDatabaseHandler& m_handler;
    CSqliteDb* m_db = nullptr;
};
