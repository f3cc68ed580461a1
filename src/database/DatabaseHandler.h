#pragma once

#include "DbAlarmInfo.h"
#include "DbCustomerInfo.h"
#include "DbMailInfo.h"
#include "DbObjectInfo.h"
#include "DbSmsNumInfo.h"
#include "FrontEnd.h"
#include "Handler.h"
#include "MessageMgr.h"

#include <cstdint>
#include <memory>
#include <string>

class CSqliteDb;
class CSqliteTransaction;

// The hub between the worker threads and the user interface, and the only door to the database.
//
// As a thread it takes the events of the telephone, GSM and mail handlers (it is their owner):
// alarm events (kinds 39, 40, 42) become alarm records through the message manager, status
// events (38, 41, 43, 44) go on unchanged to the user-interface queue (its owner), and once per
// hour of day it posts the hourly tick (37).
//
// As the database service, ProcessRequest and the intake and supervision operations run on the
// user-interface thread, one at a time; their replies go into the user-interface queue.
class CDatabaseHandler : public CHandler {
public:
    static constexpr std::uint32_t HOUR_TIMER_MS = 1000;
    // A test alarm this soon after the last one is dropped when the filter is on.
    static constexpr std::int64_t TEST_ALARM_FILTER_MINUTES = 40;
    // Added to an object's Days before its test alarm counts as missing.
    static constexpr double SUPERVISION_GRACE_HOURS = 2.0;

    // userMsgFolder: where the message manager finds the user message files (empty: the working
    // directory).
    explicit CDatabaseHandler(IFrontEnd& frontEnd, const IClock& clock = CSystemClock::Instance(),
                              IMsgSink* owner = nullptr, std::string userMsgFolder = {});
    ~CDatabaseHandler() override;

    // Called once before the thread starts: the open database and the settings the handler uses.
    void Configure(CSqliteDb* db, std::uint32_t purgeDays, bool useCidPhoneNumber, bool testAlarmFilter);

    // Carries out a request by its kind (9 to 27), posts the reply into the user-interface
    // queue and destroys the request. Any other kind is destroyed without a reply.
    void ProcessRequest(MsgPtr request);

    // The intake of a new alarm (Status 1, AlarmType not 7). keep must be true on entry and is
    // false afterwards when the alarm is to be dropped (neither stored, shown nor forwarded).
    // True when the object is TestAlarmOnly and the alarm became a test alarm.
    bool StoreNewAlarm(CAlarmInfoMsg& alarm, bool& keep);
    // Finishes the latest emergency-call alarm of the end-of-alarm's IdCode.
    void CloseEmergencyAlarm(const CAlarmInfoMsg& alarm);
    // The hourly supervision of the test alarms.
    void CheckTestAlarms();
    // Deletes the alarms older than the purge age; a purge age of 0 deletes nothing.
    void PurgeAlarms();
    // The object's name, address, notes, pop-up flag and the recipients the alarm's type calls for.
    static void CopyObjectToAlarm(const CObjectInfoMsg& object, CAlarmInfoMsg& alarm);

    CDbAlarmInfo& AlarmTable() { return m_alarms; }
    CDbObjectInfo& ObjectTable() { return m_objects; }
    CDbCustomerInfo& CustomerTable() { return m_customers; }
    CDbMailInfo& MailTable() { return m_mail; }
    CDbSmsNumInfo& SmsNumTable() { return m_smsNums; }

    std::uint32_t PurgeDays() const { return m_purgeDays; }
    bool UseCidPhoneNumber() const { return m_useCidPhoneNumber; }
    bool TestAlarmFilter() const { return m_testAlarmFilter; }
    bool SupervisionArmed() const { return m_supervisionArmed; }

    // Shows an engine error to the operator: the operation's prefix and the engine's description.
    void ReportEngineError(const std::string& prefix, const std::string& description);

protected:
    void ThreadMain() override;

private:
    void HandleEvent(MsgPtr msg);
    void LookUpObjectOfAlarm(CAlarmInfoMsg& alarm);
    std::uint16_t ObjectFindType(const CAlarmInfoMsg& alarm) const;
    // A transaction that joins the changes of one intake or supervision run (null when none can
    // be begun: each change then commits on its own).
    std::unique_ptr<CSqliteTransaction> BeginBatch();
    // Commits it; false (after telling the operator) when the commit failed.
    bool CommitBatch(std::unique_ptr<CSqliteTransaction>& batch, const char* prefix);

    IFrontEnd& m_frontEnd;
    CMessageMgr m_messageMgr;
    CDbCustomerInfo m_customers;
    CDbAlarmInfo m_alarms;
    CDbObjectInfo m_objects;
    CDbMailInfo m_mail;
    CDbSmsNumInfo m_smsNums;
    CSqliteDb* m_db = nullptr;
    std::int16_t m_lastHour = -1;
    std::uint32_t m_purgeDays = 0;
    bool m_useCidPhoneNumber = false;
    bool m_testAlarmFilter = false;
    bool m_supervisionArmed = false;
};
