#include "DatabaseFixture.h"
#include "DbConvertVer01.h"
#include "ObjectInfoReqMsg.h"

#include <algorithm>
#include <filesystem>

namespace {

using A = CAlarmInfoMsg;

// A version-1 folder: the files are written, a new database is created, and the import runs.
class ConvertVer01Test : public ::testing::Test {
protected:
    void SetUp() override {
        UseEnglishDictionary();
        m_clock.SetNow(SLocalTime{2024, 6, 15, 10, 0, 0, 0, 6});
    }
    std::string Folder() const { return m_dir.Path() + "/"; }
    // `prepare` runs on the new, still empty database before the import (a trigger that refuses
    // rows, as a full disk or a damaged file would).
    bool Import(const std::string* objects, const std::string* alarms, const std::string& prepare = {}) {
        if (objects != nullptr) {
            CTempDir::WriteFile(m_dir.File("IdInfo.dat"), *objects);
        }
        if (alarms != nullptr) {
            CTempDir::WriteFile(m_dir.File("EventSave.dat"), *alarms);
        }
        CDbConvertVer01 convert(m_frontEnd, Folder(), "Anna", m_clock);
        EXPECT_TRUE(convert.CreateDatabase());
        if (!prepare.empty()) {
            CSqliteDb db;
            EXPECT_EQ(db.Open(Folder() + "MORA_10.mdb"), 0);
            db.Exec(prepare);
        }
        const bool ok = convert.Convert();
        EXPECT_EQ(m_db.Open(Folder() + "MORA_10.mdb"), 0);
        m_handler = std::make_unique<CDatabaseHandler>(m_frontEnd, m_clock);
        m_handler->Configure(&m_db, 0, false, false);
        return ok;
    }
    std::vector<std::unique_ptr<CObjectInfoMsg>> Objects() {
        std::vector<std::unique_ptr<CObjectInfoMsg>> list;
        auto head = m_handler->ObjectTable().FindObjectInfo(
            CObjectInfoReqMsg(MsgKind::DB_OBJECT_FIND, CObjectInfoReqMsg::ALL));
        if (head->Status != ObjectResult::FIND_LIST) {
            return list;
        }
        while (head) {
            MsgPtr next = head->TakeNext();
            list.push_back(std::move(head));
            head.reset(static_cast<CObjectInfoMsg*>(next.release()));
        }
        return list;
    }
    std::vector<std::unique_ptr<CAlarmInfoMsg>> Alarms() {
        std::vector<std::unique_ptr<CAlarmInfoMsg>> list;
        CAlarmInfoReqMsg request(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_STATUS);
        request.MaxCount = 1000;
        auto head = m_handler->AlarmTable().FindAlarmInfo(request);
        if (head->Status != AlarmResult::FIND_LIST) {
            return list;
        }
        while (head) {
            MsgPtr next = head->TakeNext();
            list.push_back(std::move(head));
            head.reset(static_cast<CAlarmInfoMsg*>(next.release()));
        }
        // Oldest first, as in the file.
        std::reverse(list.begin(), list.end());
        return list;
    }

    CTempDir m_dir;
    CRecordingFrontEnd m_frontEnd;
    CFakeClock m_clock;
    CSqliteDb m_db;
    std::unique_ptr<CDatabaseHandler> m_handler;
};

const char US = '\x1f';

std::string Group(int source, int type, const std::string& id, int opFail, long long time,
                  const std::vector<std::string>& text, int announced = -1) {
    std::string g = std::to_string(source) + "\n" + std::to_string(type) + "\n" + id + "\nInfo " + id + "\n" +
                    std::to_string(opFail) + "\nunused\n" + std::to_string(time) + "\n" +
                    std::to_string(announced < 0 ? static_cast<int>(text.size()) : announced) + "\n";
    for (const std::string& line : text) {
        g += line + "\n";
    }
    return g;
}

} // namespace

TEST_F(ConvertVer01Test, ObjectLineWithEightFields) {
    const std::string objects = std::string("12345678:Lift one") + US + "7" + US + "tech@example.com" + US +
                                "1700000000" + US + "+4611" + US + "1" + US + "emg@example.com" + US +
                                "+4699\r\n";
    ASSERT_TRUE(Import(&objects, nullptr));
    const auto list = Objects();
    ASSERT_EQ(list.size(), 1u);
    const CObjectInfoMsg& o = *list[0];
    EXPECT_EQ(o.IdCode, "12345678");
    EXPECT_EQ(o.IdInfo, "Lift one");
    EXPECT_EQ(o.Days, 7);
    EXPECT_EQ(o.MailAddrTech, "tech@example.com");
    EXPECT_EQ(o.LastTestAlarm, CDateTime::FromUnixTime(1700000000));
    EXPECT_EQ(o.SmsNumTech, "+4611");
    EXPECT_TRUE(o.TestAlarmOnly);
    EXPECT_EQ(o.MailAddrEmg, "emg@example.com");
    EXPECT_EQ(o.SmsNumEmg, "+4699");
    EXPECT_TRUE(o.AlarmPopUpEnabled);
    EXPECT_TRUE(o.PhoneNumber.empty());
    EXPECT_TRUE(o.Address.empty());
    EXPECT_TRUE(o.ElevatorType.empty());
    EXPECT_TRUE(o.Customer.empty());
    EXPECT_TRUE(o.Notes.empty());
    EXPECT_EQ(m_frontEnd.dbProgress[0], "Copying AlarmInfo Data...");
    EXPECT_EQ(m_frontEnd.dbProgress[1], "Copying ObjectInfo Data...");
}

TEST_F(ConvertVer01Test, ShortAndOddObjectLines) {
    const std::string objects = std::string("1234567:\n") + // 8 characters: skipped
                                "no colon here at all\n" +  // skipped
                                "1234567:X\n" +             // 9 characters, no separator
                                "A:B" + US + "x7" + US + US + "abc" + US + US +
                                "yes\n" +                  // non-numbers read 0
                                "DUP:first\nDUP:second\n"; // no duplicate check
    ASSERT_TRUE(Import(&objects, nullptr));
    const auto list = Objects();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0]->IdCode, "1234567");
    EXPECT_EQ(list[0]->IdInfo, "X");
    EXPECT_EQ(list[0]->Days, 0);
    EXPECT_FALSE(list[0]->TestAlarmOnly);
    EXPECT_TRUE(list[0]->MailAddrTech.empty());
    EXPECT_TRUE(list[0]->SmsNumEmg.empty());
    EXPECT_EQ(list[0]->LastTestAlarm, CDateTime::FromUnixTime(0));
    EXPECT_EQ(list[1]->IdCode, "A");
    EXPECT_EQ(list[1]->Days, 0);
    EXPECT_EQ(list[1]->LastTestAlarm, CDateTime::FromUnixTime(0));
    EXPECT_FALSE(list[1]->TestAlarmOnly);
    EXPECT_EQ(list[2]->IdInfo, "first");
    EXPECT_EQ(list[3]->IdInfo, "second");
    EXPECT_TRUE(m_frontEnd.messageBoxes.empty());
}

TEST_F(ConvertVer01Test, AlarmTypesStatusesAndAcknowledgement) {
    const std::string alarms =
        Group(2, 1, "S1", 0, 1700000000, {"sms text"}) + Group(1, 1, "P1", 0, 1700000060, {}) +
        Group(1, 5, "T1", 0, 1700000120, {"test"}) + Group(1, 3, "F1", 2, 1700000180, {"battery", "low"}) +
        Group(1, 9, "X1", 0, 1700000240, {});
    ASSERT_TRUE(Import(nullptr, &alarms));
    const auto list = Alarms();
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0]->AlarmType, A::ALARMTYPE_SMS);
    EXPECT_EQ(list[0]->AlarmSource, A::ALARMSOURCE_SMS);
    EXPECT_EQ(list[0]->IdInfo, "Info S1");
    EXPECT_EQ(list[0]->AlarmTime, CDateTime::FromUnixTime(1700000000));
    EXPECT_EQ(list[1]->AlarmType, A::ALARMTYPE_P100);

    EXPECT_EQ(list[2]->AlarmType, A::ALARMTYPE_TEST);
    EXPECT_EQ(list[2]->AlarmStatus, A::ALARMSTATUS_INFO);
    EXPECT_TRUE(list[2]->AckTime.IsNull());
    EXPECT_TRUE(list[2]->AckOperator.empty());

    const CAlarmInfoMsg& failure = *list[3];
    EXPECT_EQ(failure.AlarmType, A::ALARMTYPE_OPFAIL);
    EXPECT_EQ(failure.OpFailType, A::OPFAIL_BATTERY);
    EXPECT_EQ(failure.AlarmStatus, A::ALARMSTATUS_FINISHED);
    EXPECT_EQ(failure.Text.Text(), "battery\nlow");
    EXPECT_EQ(failure.AckTime, CDateTime::FromLocal(2024, 6, 15, 10));
    EXPECT_EQ(failure.ExecTime, CDateTime::FromLocal(2024, 6, 15, 10));
    EXPECT_EQ(failure.AckOperator, "Anna");
    EXPECT_EQ(failure.ExecOperator, "Anna");
    EXPECT_EQ(list[4]->AlarmType, 9); // other types keep their number
}

TEST_F(ConvertVer01Test, ACutOffLastGroupIsDropped) {
    std::string alarms = Group(1, 2, "V1", 0, 1700000000, {"voice"});
    alarms += Group(1, 2, "V2", 0, 1700000060, {"one", "two"}, 3);
    ASSERT_TRUE(Import(nullptr, &alarms));
    const auto list = Alarms();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->IdCode, "V1");
    EXPECT_EQ(list[0]->AlarmType, A::ALARMTYPE_VOICE);
}

TEST_F(ConvertVer01Test, AGroupCutInsideItsHeadIsDropped) {
    const std::string alarms = Group(1, 2, "V1", 0, 1700000000, {"voice"}) + "1\n2\nV2\n";
    ASSERT_TRUE(Import(nullptr, &alarms));
    ASSERT_EQ(Alarms().size(), 1u);
}

TEST_F(ConvertVer01Test, MissingAlarmFileStillImportsObjects) {
    const std::string objects = "00001234:Lift\n";
    EXPECT_TRUE(Import(&objects, nullptr));
    EXPECT_EQ(Objects().size(), 1u);
    EXPECT_TRUE(Alarms().empty());
    EXPECT_TRUE(m_frontEnd.messageBoxes.empty());
}

TEST_F(ConvertVer01Test, OldTextsInCodePage1252BecomeUtf8) {
    const std::string objects = std::string("00001234:Hiss \xc5rsta \x80") + US + "0\n";
    const std::string alarms = Group(1, 2, "00001234", 0, 1700000000, {"G\xe4vle"});
    ASSERT_TRUE(Import(&objects, &alarms));
    EXPECT_EQ(Objects()[0]->IdInfo, "Hiss \xc3\x85rsta \xe2\x82\xac");
    EXPECT_EQ(Alarms()[0]->Text.Text(), "G\xc3\xa4vle");
}

TEST_F(ConvertVer01Test, ARowTheDatabaseRefusesIsShownAndSkipped) {
    const std::string objects = "00000001:one\n00000002:refused\n00000003:three\n";
    const std::string alarms = Group(1, 1, "00000001", 0, 1700000000, {"kept"});
    ASSERT_TRUE(Import(&objects, &alarms,
                       "CREATE TRIGGER refuse BEFORE INSERT ON ObjectInfo WHEN NEW.IdInfo = 'refused' "
                       "BEGIN SELECT RAISE(ABORT, 'row refused'); END"));
    const auto list = Objects();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->IdInfo, "one");
    EXPECT_EQ(list[1]->IdInfo, "three");
    EXPECT_EQ(Alarms().size(), 1u);
    ASSERT_EQ(m_frontEnd.messageBoxes.size(), 1u);
    EXPECT_NE(m_frontEnd.messageBoxes[0].text.find("row refused"), std::string::npos);
}

TEST_F(ConvertVer01Test, AnErrorThatTakesTheFileBackFailsTheImport) {
    // The engine rolls the file's transaction back at the second alarm: the first is gone with it,
    // and the file's commit can only fail. That is no success.
    const std::string alarms = Group(1, 1, "00000001", 0, 1700000000, {}) +
                               Group(1, 1, "00000002", 0, 1700000060, {}) +
                               Group(1, 1, "00000003", 0, 1700000120, {});
    EXPECT_FALSE(Import(nullptr, &alarms,
                        "CREATE TRIGGER lose BEFORE INSERT ON AlarmInfo WHEN NEW.IdCode = '00000002' "
                        "BEGIN SELECT RAISE(ROLLBACK, 'disk I/O error'); END"));
    EXPECT_FALSE(m_frontEnd.messageBoxes.empty());
    EXPECT_NE(m_frontEnd.messageBoxes[0].text.find("disk I/O error"), std::string::npos);
    EXPECT_TRUE(Alarms().empty()); // nothing half-committed behind the failure
}

TEST_F(ConvertVer01Test, AFileThatStopsWithAReadErrorFailsTheImport) {
    // A name that opens but cannot be read, as a failing disk would: the objects come in, the
    // import fails and says which file.
    const std::string objects = "00001234:Lift\n";
    std::filesystem::create_directory(m_dir.File("EventSave.dat"));
    EXPECT_FALSE(Import(&objects, nullptr));
    EXPECT_EQ(Objects().size(), 1u);
    ASSERT_EQ(m_frontEnd.messageBoxes.size(), 1u);
    EXPECT_EQ(m_frontEnd.messageBoxes[0].text, Folder() + "EventSave.dat: Is a directory");
}

TEST_F(ConvertVer01Test, TheFilesAreInsideAFolderTypedWithoutItsSeparator) {
    CTempDir::WriteFile(m_dir.File("IdInfo.dat"), "00001234:Lift\n");
    CTempDir::WriteFile(m_dir.File("EventSave.dat"), Group(1, 2, "00001234", 0, 1700000000, {"help"}));
    CDbConvertVer01 convert(m_frontEnd, m_dir.Path(), "Anna", m_clock);
    ASSERT_TRUE(convert.CreateDatabase());
    ASSERT_TRUE(convert.Convert());
    ASSERT_EQ(m_db.Open(Folder() + "MORA_10.mdb"), 0);
    m_handler = std::make_unique<CDatabaseHandler>(m_frontEnd, m_clock);
    m_handler->Configure(&m_db, 0, false, false);
    EXPECT_EQ(Objects().size(), 1u);
    EXPECT_EQ(Alarms().size(), 1u);
}

TEST_F(ConvertVer01Test, ConvertFailsWhenTheDatabaseCannotBeOpened) {
    CDbConvertVer01 convert(m_frontEnd, Folder(), "Anna", m_clock);
    EXPECT_FALSE(convert.Convert());
    EXPECT_EQ(m_frontEnd.messageBoxes.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(Folder() + "MORA_10.mdb"));
}

TEST(ConvertVer01Parse, AtoIReadsLeadingDigitsOnly) {
    EXPECT_EQ(CDbConvertVer01::AtoI("  42abc"), 42);
    EXPECT_EQ(CDbConvertVer01::AtoI("-7"), -7);
    EXPECT_EQ(CDbConvertVer01::AtoI("abc"), 0);
    EXPECT_EQ(CDbConvertVer01::AtoI(""), 0);
    EXPECT_GT(CDbConvertVer01::AtoI(std::string(40, '9')), 0); // saturates, never overflows
}
