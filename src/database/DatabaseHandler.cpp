#include "DatabaseHandler.h"

#include "AlarmInfoReqMsg.h"
#include "IntervalTimer.h"
#include "SqliteDb.h"
#include "SqliteTransaction.h"
#include "Translate.h"

#include <cstdio>
#include <exception>
#include <vector>

namespace {

// Takes over a message as its expected class; a mislabelled message gives null.
template <class T> std::unique_ptr<T> As(MsgPtr& msg) {
    return MsgCast<T>(msg);
}

} // namespace

CDatabaseHandler::CDatabaseHandler(IFrontEnd& frontEnd, const IClock& clock, IMsgSink* owner,
                                   std::string userMsgFolder)
    : CHandler(owner, clock), m_frontEnd(frontEnd), m_messageMgr(clock, std::move(userMsgFolder)),
      m_customers(*this), m_alarms(*this), m_objects(*this, m_customers), m_mail(*this), m_smsNums(*this) {}

CDatabaseHandler::~CDatabaseHandler() {
    Shutdown();
}

void CDatabaseHandler::Configure(CSqliteDb* db, std::uint32_t purgeDays, bool useCidPhoneNumber,
                                 bool testAlarmFilter) {
    m_db = db;
    m_purgeDays = purgeDays;
    m_useCidPhoneNumber = useCidPhoneNumber;
    m_testAlarmFilter = testAlarmFilter;
    m_alarms.SetDatabase(db);
    m_objects.SetDatabase(db);
    m_customers.SetDatabase(db);
    m_mail.SetDatabase(db);
    m_smsNums.SetDatabase(db);
}

void CDatabaseHandler::ReportEngineError(const std::string& prefix, const std::string& description) {
    m_frontEnd.MessageBox(prefix + description, IFrontEnd::EButtons::Ok, IFrontEnd::EIcon::Warning, 0);
}

// ---------------------------------------------------------------------------------------------
// Thread

void CDatabaseHandler::ThreadMain() {
    NameThread("mora-database");
    SetStatus(HANDLER_STARTED);
    CIntervalTimer hourTimer(Clock());
    hourTimer.Start(HOUR_TIMER_MS);
    while (IsRunning()) {
        // Sleeps until an event is queued or the hour timer runs out.
        WaitForWork();
        if (MsgPtr msg = GetMsg()) {
            HandleEvent(std::move(msg));
        }
        if (hourTimer.Expired()) {
            const SLocalTime now = Clock().Now();
            if (now.Hour != m_lastHour) {
                PostToOwner(std::make_unique<CMsg>(MsgKind::UI_HOURLY_TICK));
                m_lastHour = static_cast<std::int16_t>(now.Hour);
            }
            hourTimer.Start(HOUR_TIMER_MS);
        }
    }
    SetStatus(HANDLER_STOPPED);
}

void CDatabaseHandler::HandleEvent(MsgPtr msg) {
    switch (msg->Kind) {
    case MsgKind::GSM_SMS_RECEIVED:
    case MsgKind::GSM_CALLER_IDENTIFIED:
    case MsgKind::TEL_ALARM: {
        std::unique_ptr<CAlarmInfoMsg> record;
        try {
            record = m_messageMgr.ProcessMessage(*msg);
        } catch (const std::exception& e) {
            // The hub thread must outlive any fault of one event.
            std::fprintf(stderr, "CDatabaseHandler::HandleEvent: event of kind %u not converted: %s\n",
                         static_cast<unsigned>(msg->Kind), e.what());
        }
        if (record) {
            PostToOwner(std::move(record));
        }
        break;
    }
    case MsgKind::MAIL_STATUS:
    case MsgKind::GSM_STATUS:
    case MsgKind::TEL_STATUS:
    case MsgKind::TEL_CALL_EVENT:
        PostToOwner(std::move(msg));
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Requests

void CDatabaseHandler::ProcessRequest(MsgPtr request) {
    if (!request) {
        return;
    }
    MsgPtr reply;
    switch (request->Kind) {
    case MsgKind::DB_OBJECT_ADD:
        if (auto r = As<CObjectInfoMsg>(request)) {
            reply = m_objects.AddObjectInfo(*r);
        }
        break;
    case MsgKind::DB_OBJECT_FIND:
        if (auto r = As<CObjectInfoReqMsg>(request)) {
            reply = m_objects.FindObjectInfo(*r);
        }
        break;
    case MsgKind::DB_OBJECT_EDIT:
        if (auto r = As<CObjectInfoMsg>(request)) {
            reply = m_objects.EditObjectInfo(*r);
        }
        break;
    case MsgKind::DB_OBJECT_DELETE:
        if (auto r = As<CObjectInfoReqMsg>(request)) {
            reply = m_objects.DeleteObjectInfo(*r);
        }
        break;
    case MsgKind::DB_ALARM_FIND:
        if (auto r = As<CAlarmInfoReqMsg>(request)) {
            const bool byKey = r->Type == CAlarmInfoReqMsg::FIND_BY_KEY;
            std::unique_ptr<CAlarmInfoMsg> alarm = m_alarms.FindAlarmInfo(*r);
            if (byKey && alarm->Status == AlarmResult::FIND_BY_KEY) {
                LookUpObjectOfAlarm(*alarm);
            }
            reply = std::move(alarm);
        }
        break;
    case MsgKind::DB_ALARM_EDIT:
        if (auto r = As<CAlarmInfoMsg>(request)) {
            reply = m_alarms.EditAlarmInfo(*r);
        }
        break;
    case MsgKind::DB_ALARM_DELETE:
        if (auto r = As<CAlarmInfoReqMsg>(request)) {
            reply = m_alarms.DeleteAlarmInfo(*r);
        }
        break;
    case MsgKind::DB_CUSTOMER_ADD:
        if (auto r = As<CCustomerInfoMsg>(request)) {
            reply = m_customers.AddCustomerInfo(*r);
        }
        break;
    case MsgKind::DB_CUSTOMER_FIND:
        if (auto r = As<CCustomerInfoReqMsg>(request)) {
            reply = m_customers.FindCustomerInfo(*r);
        }
        break;
    case MsgKind::DB_CUSTOMER_EDIT:
        if (auto r = As<CCustomerInfoMsg>(request)) {
            reply = m_customers.EditCustomerInfo(*r);
        }
        break;
    case MsgKind::DB_CUSTOMER_DELETE:
        if (auto r = As<CCustomerInfoReqMsg>(request)) {
            reply = m_customers.DeleteCustomerInfo(*r);
        }
        break;
    case MsgKind::DB_MAILREC_ADD:
        if (auto r = As<CMailInfoMsg>(request)) {
            reply = m_mail.AddMailInfo(*r);
        }
        break;
    case MsgKind::DB_MAILREC_FIND:
        if (auto r = As<CMailInfoReqMsg>(request)) {
            reply = m_mail.FindMailInfo(*r);
        }
        break;
    case MsgKind::DB_MAILREC_EDIT:
        if (auto r = As<CMailInfoMsg>(request)) {
            reply = m_mail.EditMailInfo(*r);
        }
        break;
    case MsgKind::DB_MAILREC_DELETE:
        if (auto r = As<CMailInfoReqMsg>(request)) {
            reply = m_mail.DeleteMailInfo(*r);
        }
        break;
    case MsgKind::DB_SMSNUM_ADD:
        if (auto r = As<CSmsNumInfoMsg>(request)) {
            reply = m_smsNums.AddSmsNumInfo(*r);
        }
        break;
    case MsgKind::DB_SMSNUM_FIND:
        if (auto r = As<CSmsNumInfoReqMsg>(request)) {
            reply = m_smsNums.FindSmsNumInfo(*r);
        }
        break;
    case MsgKind::DB_SMSNUM_EDIT:
        if (auto r = As<CSmsNumInfoMsg>(request)) {
            reply = m_smsNums.EditSmsNumInfo(*r);
        }
        break;
    case MsgKind::DB_SMSNUM_DELETE:
        if (auto r = As<CSmsNumInfoReqMsg>(request)) {
            reply = m_smsNums.DeleteSmsNumInfo(*r);
        }
        break;
    default:
        break;
    }
    if (reply) {
        PostToOwner(std::move(reply));
    }
}

std::uint16_t CDatabaseHandler::ObjectFindType(const CAlarmInfoMsg& alarm) const {
    // A caller-identified test call names its object by the caller's number.
    const bool byPhone = alarm.AlarmType == CAlarmInfoMsg::ALARMTYPE_TEST &&
                         alarm.AlarmSource == CAlarmInfoMsg::ALARMSOURCE_CALLER_ID && m_useCidPhoneNumber;
    return byPhone ? CObjectInfoReqMsg::BY_PHONENUMBER : CObjectInfoReqMsg::BY_IDCODE;
}

void CDatabaseHandler::LookUpObjectOfAlarm(CAlarmInfoMsg& alarm) {
    const CObjectInfoReqMsg request(MsgKind::DB_OBJECT_FIND, ObjectFindType(alarm), alarm.IdCode);
    const std::unique_ptr<CObjectInfoMsg> object = m_objects.FindObjectInfo(request);
    if (object->Status == ObjectResult::FIND_BY_ID || object->Status == ObjectResult::FIND_BY_PHONE) {
        alarm.ObjectFound = true;
        alarm.Notes = object->Notes;
    }
}

// ---------------------------------------------------------------------------------------------
// Intake and supervision

void CDatabaseHandler::CopyObjectToAlarm(const CObjectInfoMsg& object, CAlarmInfoMsg& alarm) {
    alarm.IdInfo = object.IdInfo;
    alarm.PopUpEnabled = object.AlarmPopUpEnabled;
    alarm.Notes = object.Notes;
    alarm.Address = object.Address;
    switch (alarm.AlarmType) {
    case CAlarmInfoMsg::ALARMTYPE_VOICE:
    case CAlarmInfoMsg::ALARMTYPE_EMERGENCY_CALL:
    case CAlarmInfoMsg::ALARMTYPE_VOICE_REDIRECTED:
        alarm.MailRecipients = object.MailAddrEmg;
        alarm.SmsRecipients = object.SmsNumEmg;
        break;
    default:
        alarm.MailRecipients = object.MailAddrTech;
        alarm.SmsRecipients = object.SmsNumTech;
        break;
    }
    alarm.ObjectFound = true;
}

bool CDatabaseHandler::StoreNewAlarm(CAlarmInfoMsg& alarm, bool& keep) {
    bool testOnly = false;
    const CObjectInfoReqMsg request(MsgKind::DB_OBJECT_FIND, ObjectFindType(alarm), alarm.IdCode);
    const std::unique_ptr<CObjectInfoMsg> object = m_objects.FindObjectInfo(request);
    const bool found =
        object->Status == ObjectResult::FIND_BY_ID || object->Status == ObjectResult::FIND_BY_PHONE;
    if (found && !object->IdInfo.empty() && object->IdInfo.front() == CObjectInfoMsg::HIDDEN_MARK) {
        keep = false;
        return false;
    }
    if (alarm.AlarmSource == CAlarmInfoMsg::ALARMSOURCE_SMS && m_alarms.IsStoredSms(alarm)) {
        // An SMS left in the modem by a crash between its commit and its deletion.
        std::fprintf(stderr, "CDatabaseHandler::StoreNewAlarm: SMS from %s is stored already, dropped\n",
                     alarm.IdCode.c_str());
        keep = false;
        return false;
    }
    // The object's new LastTestAlarm and the alarm are committed together: one write to disk, and
    // the object moves on only with its alarm stored.
    std::unique_ptr<CSqliteTransaction> batch = BeginBatch();
    if (found) {
        keep = true;
        if (object->TestAlarmOnly) {
            alarm.AlarmType = CAlarmInfoMsg::ALARMTYPE_TEST;
            alarm.AlarmStatus = CAlarmInfoMsg::ALARMSTATUS_INFO;
            testOnly = true;
        }
        if (alarm.AlarmType == CAlarmInfoMsg::ALARMTYPE_TEST) {
            if (m_testAlarmFilter &&
                alarm.AlarmTime.MinutesSince(object->LastTestAlarm) < TEST_ALARM_FILTER_MINUTES) {
                keep = false;
            } else {
                object->LastTestAlarm = alarm.AlarmTime;
                m_objects.EditObjectInfo(*object);
            }
        }
        CopyObjectToAlarm(*object, alarm);
    }
    if (keep) {
        // A failed add is posted too (code 3): the alarm is still shown and forwarded.
        std::unique_ptr<CDatabaseMsg> reply = m_alarms.AddAlarmInfo(alarm);
        if (reply->Status != AlarmResult::ADD_STORED) {
            batch.reset(); // the object keeps its LastTestAlarm
        } else if (!CommitBatch(batch, "CDatabaseHandler::StoreNewAlarm: ")) {
            reply->Status = AlarmResult::ADD_ERROR;
            alarm.PrimaryKey = 0;
        }
        PostToOwner(std::move(reply));
    } else {
        CommitBatch(batch, "CDatabaseHandler::StoreNewAlarm: ");
    }
    return testOnly;
}

std::unique_ptr<CSqliteTransaction> CDatabaseHandler::BeginBatch() {
    if (m_db == nullptr || !m_db->IsOpen()) {
        return nullptr;
    }
    try {
        return std::make_unique<CSqliteTransaction>(*m_db);
    } catch (const std::exception&) {
        // Each change then commits on its own (and reports its own error).
        return nullptr;
    }
}

bool CDatabaseHandler::CommitBatch(std::unique_ptr<CSqliteTransaction>& batch, const char* prefix) {
    if (!batch) {
        return true;
    }
    bool ok = true;
    try {
        batch->Commit();
    } catch (const std::exception& e) {
        ReportEngineError(prefix, e.what());
        ok = false;
    }
    batch.reset();
    return ok;
}

void CDatabaseHandler::CloseEmergencyAlarm(const CAlarmInfoMsg& alarm) {
    CAlarmInfoReqMsg request(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_LAST_EMERGENCY);
    request.IdCode = alarm.IdCode;
    const std::unique_ptr<CAlarmInfoMsg> found = m_alarms.FindAlarmInfo(request);
    if (found->Status != AlarmResult::FIND_EMERGENCY) {
        return;
    }
    const CDateTime now = CDateTime::FromLocal(Clock().Now());
    CAlarmInfoMsg edit(MsgKind::DB_ALARM_EDIT);
    edit.PrimaryKey = found->PrimaryKey;
    edit.AlarmStatus = CAlarmInfoMsg::ALARMSTATUS_FINISHED;
    if (found->AlarmStatus == CAlarmInfoMsg::ALARMSTATUS_NEW) {
        edit.AckTime = now;
        edit.AckOperator = Text::Tr("IDS_DATABASEHANDLER_MSG_1");
    }
    edit.ExecTime = now;
    edit.ExecOperator = Text::Tr("IDS_DATABASEHANDLER_MSG_2");
    m_alarms.EditAlarmInfo(edit);
}

void CDatabaseHandler::CheckTestAlarms() {
    const CObjectInfoReqMsg request(MsgKind::DB_OBJECT_FIND, CObjectInfoReqMsg::ALL);
    std::unique_ptr<CObjectInfoMsg> objects = m_objects.FindObjectInfo(request);
    if (objects->Status != ObjectResult::FIND_LIST) {
        m_supervisionArmed = true;
        return;
    }
    const CDateTime now = CDateTime::FromLocal(Clock().Now());
    // The changes of one run are committed together, before any reply or alarm is posted.
    std::vector<std::pair<MsgPtr, std::unique_ptr<CAlarmInfoMsg>>> raised;
    std::unique_ptr<CSqliteTransaction> batch = BeginBatch();
    for (CObjectInfoMsg* object = objects.get(); object != nullptr; object = object->NextRecord()) {
        if (object->Days == 0) {
            continue;
        }
        const CDateTime due = object->LastTestAlarm.AddDays(object->Days).AddHours(SUPERVISION_GRACE_HOURS);
        if (!(due < now)) {
            continue;
        }
        object->LastTestAlarm = now;
        m_objects.EditObjectInfo(*object);
        if (m_supervisionArmed) {
            auto alarm = std::make_unique<CAlarmInfoMsg>(MsgKind::UI_ALARM_RECORD, AlarmResult::NEW_ALARM);
            alarm->AlarmType = CAlarmInfoMsg::ALARMTYPE_TEST_FAIL;
            alarm->AlarmSource = CAlarmInfoMsg::ALARMSOURCE_INTERNAL;
            alarm->AlarmStatus = CAlarmInfoMsg::ALARMSTATUS_NEW;
            alarm->IdCode = object->IdCode;
            alarm->AlarmTime = now;
            CopyObjectToAlarm(*object, *alarm);
            MsgPtr added = m_alarms.AddAlarmInfo(*alarm);
            raised.emplace_back(std::move(added), std::move(alarm));
        }
    }
    if (!CommitBatch(batch, "CDatabaseHandler::CheckTestAlarms: ")) {
        // Nothing of the run is stored; the alarms are still raised.
        for (auto& entry : raised) {
            static_cast<CDatabaseMsg&>(*entry.first).Status = AlarmResult::ADD_ERROR;
            entry.second->PrimaryKey = 0;
        }
    }
    for (auto& entry : raised) {
        PostToOwner(std::move(entry.first));
        PostToOwner(std::move(entry.second));
    }
    m_supervisionArmed = true;
}

void CDatabaseHandler::PurgeAlarms() {
    if (m_purgeDays == 0) {
        // No valid age (KeepAirMonths below 1): keep everything rather than empty the log.
        return;
    }
    CAlarmInfoReqMsg request(MsgKind::DB_ALARM_DELETE, CAlarmInfoReqMsg::DELETE_PURGE);
    request.Days = static_cast<std::uint16_t>(m_purgeDays > 0xFFFF ? 0xFFFF : m_purgeDays);
    m_alarms.DeleteAlarmInfo(request);
}
