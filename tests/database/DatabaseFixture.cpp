#include "DatabaseFixture.h"

#include "DbConvert.h"
#include "DbSchema.h"
#include "Dictionary.h"

#include <chrono>
#include <sqlite3.h>
#include <thread>

void CRecordingSink::PutMsg(MsgPtr msg) {
    std::lock_guard guard(m_lock);
    m_msgs.push_back(std::move(msg));
}

std::vector<MsgPtr> CRecordingSink::Take() {
    std::lock_guard guard(m_lock);
    return std::move(m_msgs);
}

std::size_t CRecordingSink::Count() const {
    std::lock_guard guard(m_lock);
    return m_msgs.size();
}

bool CRecordingSink::WaitFor(std::size_t n, int timeoutMs) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (Count() >= n) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return Count() >= n;
}

void CWorkerFakeClock::Sleep(std::uint32_t milliseconds) const {
    if (std::this_thread::get_id() == m_testThread) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        return;
    }
    CFakeClock::Sleep(milliseconds);
}

void UseEnglishDictionary() {
    static const bool loaded = [] {
        CDictionary& dictionary = CDictionary::Instance();
        const bool ok = dictionary.Load();
        dictionary.InstallAsTranslator();
        dictionary.SetLanguage("en");
        return ok;
    }();
    ASSERT_TRUE(loaded);
}

void DatabaseTest::SetUp() {
    UseEnglishDictionary();
    SetNow(2024, 6, 15, 10, 0, 0);
    CDbConvert convert(m_frontEnd, Folder(), "Tester", m_clock);
    ASSERT_TRUE(convert.CreateDatabase());
    ASSERT_EQ(m_db.Open(CDbSchema::DatabaseFile(Folder())), SQLITE_OK) << m_db.LastError();
    ASSERT_EQ(m_db.MakeDurable(), SQLITE_OK);
    m_handler = std::make_unique<CDatabaseHandler>(m_frontEnd, m_clock, &m_sink, Folder());
    m_handler->Configure(&m_db, 360, false, false);
    m_frontEnd.messageBoxes.clear();
    m_frontEnd.dbProgress.clear();
}

void DatabaseTest::TearDown() {
    m_handler.reset();
    m_db.Close();
}

void DatabaseTest::Exec(const std::string& sql) {
    m_db.Exec(sql);
}

std::string DatabaseTest::Query(const std::string& sql) {
    CSqliteStmt stmt = m_db.Prepare(sql);
    if (!stmt.Step()) {
        return "";
    }
    return stmt.IsNull(0) ? "NULL" : stmt.Text(0);
}

std::int64_t DatabaseTest::QueryInt(const std::string& sql) {
    CSqliteStmt stmt = m_db.Prepare(sql);
    return stmt.Step() ? stmt.Int(0) : -1;
}

void DatabaseTest::SetNow(int year, int month, int day, int hour, int minute, int second) {
    m_clock.SetNow(SLocalTime{year, month, day, hour, minute, second, 0, 0});
}

std::unique_ptr<CObjectInfoMsg> DatabaseTest::MakeObject(const std::string& idCode,
                                                         const std::string& phone) {
    auto object = std::make_unique<CObjectInfoMsg>(MsgKind::DB_OBJECT_ADD);
    object->IdCode = idCode;
    object->PhoneNumber = phone;
    object->IdInfo = "Lift " + idCode;
    object->Address = "Street 1, Brennvik";
    object->AlarmPopUpEnabled = true;
    object->MailAddrTech = "tech@example.com";
    object->SmsNumTech = "+4611111";
    object->MailAddrEmg = "emergency@example.com";
    object->SmsNumEmg = "+4699999";
    object->Notes = "Notes of " + idCode;
    return object;
}

std::unique_ptr<CAlarmInfoMsg> DatabaseTest::MakeAlarm(const std::string& idCode, std::uint8_t type,
                                                       std::uint8_t status, const CDateTime& time) {
    auto alarm = std::make_unique<CAlarmInfoMsg>(MsgKind::UI_ALARM_RECORD, AlarmResult::NEW_ALARM);
    alarm->IdCode = idCode;
    alarm->AlarmSource = CAlarmInfoMsg::ALARMSOURCE_TEL;
    alarm->AlarmType = type;
    alarm->AlarmStatus = status;
    alarm->AlarmTime = time;
    alarm->Text.AddLine("Alarm from " + idCode);
    return alarm;
}

std::uint32_t DatabaseTest::AddAlarm(const std::string& idCode, std::uint8_t type, std::uint8_t status,
                                     const CDateTime& time) {
    auto alarm = MakeAlarm(idCode, type, status, time);
    auto reply = m_handler->AlarmTable().AddAlarmInfo(*alarm);
    EXPECT_EQ(reply->Status, AlarmResult::ADD_STORED);
    return alarm->PrimaryKey;
}
