#include "DatabaseFixture.h"
#include "DatabaseMgr.h"
#include "DbConvert.h"
#include "DbException.h"
#include "DbSchema.h"

#include <filesystem>
#include <fstream>
#include <sqlite3.h>

namespace {

struct SColumnInfo {
    std::string name;
    std::string type;
    int primaryKey;
};

std::vector<SColumnInfo> TableInfo(CSqliteDb& db, const std::string& table) {
    std::vector<SColumnInfo> columns;
    CSqliteStmt stmt = db.Prepare("SELECT name, type, pk FROM pragma_table_info(?1) ORDER BY cid");
    stmt.Bind(1, table);
    while (stmt.Step()) {
        columns.push_back({stmt.Text(0), stmt.Text(1), static_cast<int>(stmt.Int(2))});
    }
    return columns;
}

std::string Describe(const std::vector<SColumnInfo>& columns) {
    std::string text;
    for (const SColumnInfo& c : columns) {
        text += c.name + " " + c.type + (c.primaryKey != 0 ? " PK" : "") + "; ";
    }
    return text;
}

} // namespace

using SchemaTest = DatabaseTest;

TEST_F(SchemaTest, NewDatabaseHasTheFiveTablesColumnByColumn) {
    EXPECT_EQ(
        Describe(TableInfo(m_db, "ObjectInfo")),
        "IdCode TEXT; IdInfo TEXT; Address TEXT; Days INTEGER; LastTestAlarm REAL; TestAlarmOnly INTEGER; "
        "AlarmPopUpEnabled INTEGER; MailAddrTech1 TEXT; MailAddrTech2 TEXT; SmsNumTech TEXT; "
        "MailAddrEmg1 TEXT; MailAddrEmg2 TEXT; SmsNumEmg TEXT; ElevatorType TEXT; Customer TEXT; "
        "Notes1 TEXT; Notes2 TEXT; PhoneNumber TEXT; ");
    EXPECT_EQ(Describe(TableInfo(m_db, "CustomerInfo")), "Name TEXT; Info TEXT; ");
    EXPECT_EQ(Describe(TableInfo(m_db, "MailInfo")), "Name TEXT; Address TEXT; ");
    EXPECT_EQ(Describe(TableInfo(m_db, "SmsNumberInfo")), "Name TEXT; Number TEXT; ");
    EXPECT_EQ(
        Describe(TableInfo(m_db, "AlarmInfo")),
        "PrimaryKey INTEGER PK; IdCode TEXT; AlarmSource INTEGER; AlarmType INTEGER; IdInfo TEXT; "
        "OpFailType INTEGER; Text TEXT; AlarmStatus INTEGER; AlarmTime REAL; AckTime REAL; ExecTime REAL; "
        "AckOperator TEXT; ExecOperator TEXT; ");
    EXPECT_NE(Query("SELECT sql FROM sqlite_master WHERE name = 'AlarmInfo'").find("AUTOINCREMENT"),
              std::string::npos);
    // Write-ahead log, so that a committed alarm survives a crash.
    EXPECT_EQ(Query("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(QueryInt("PRAGMA synchronous"), 2);
    EXPECT_EQ(QueryInt("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name LIKE 'IX_%'"), 8);
}

TEST_F(SchemaTest, CreationShowsItsProgressNewestOnTop) {
    CTempDir other;
    CDbConvert convert(m_frontEnd, other.Path() + "/", "Tester");
    ASSERT_TRUE(convert.CreateDatabase());
    const std::vector<std::string> expected = {
        "Creating AlarmInfo table...",  "Creating SmsNumberInfo table...",
        "Creating MailInfo table...",   "Creating CustomerInfo table...",
        "Creating ObjectInfo table...", "Creating Database 'MORA_10.mdb'..."};
    EXPECT_EQ(m_frontEnd.dbProgress, expected);
    EXPECT_TRUE(m_frontEnd.messageBoxes.empty());
}

TEST_F(SchemaTest, CreationRefusesAnExistingFile) {
    CDbConvert convert(m_frontEnd, Folder(), "Tester");
    EXPECT_FALSE(convert.CreateDatabase());
    ASSERT_EQ(m_frontEnd.messageBoxes.size(), 1u);
    EXPECT_EQ(m_frontEnd.messageBoxes[0].icon, IFrontEnd::EIcon::Warning);
    EXPECT_EQ(m_frontEnd.dbProgress.front(), "Error Creating Database...");
}

namespace {

// Fails when it comes to the mail recipients' table.
class CFailingConvert : public CDbConvert {
public:
    using CDbConvert::CDbConvert;

protected:
    void CreateTable(CSqliteDb& db, const CDbSchema::STable& table) override {
        if (std::string(table.name) == "MailInfo") {
            throw CDbException(SQLITE_FULL, "database or disk is full");
        }
        CDbConvert::CreateTable(db, table);
    }
};

} // namespace

TEST_F(SchemaTest, AFailingTableStopsCreationAndKeepsTheTablesBefore) {
    CTempDir other;
    CFailingConvert convert(m_frontEnd, other.Path() + "/", "Tester");
    EXPECT_FALSE(convert.CreateDatabase());
    EXPECT_EQ(m_frontEnd.dbProgress.front(), "Error Creating MailInfo table...");
    ASSERT_EQ(m_frontEnd.messageBoxes.size(), 1u);
    EXPECT_EQ(m_frontEnd.messageBoxes[0].text, "database or disk is full");

    CSqliteDb db;
    ASSERT_EQ(db.Open(other.Path() + "/MORA_10.mdb"), SQLITE_OK);
    EXPECT_TRUE(db.HasTable("ObjectInfo"));
    EXPECT_TRUE(db.HasTable("CustomerInfo"));
    EXPECT_FALSE(db.HasTable("MailInfo"));
    EXPECT_FALSE(db.HasTable("SmsNumberInfo"));
    EXPECT_FALSE(db.HasTable("AlarmInfo"));
}

TEST_F(SchemaTest, APathWithoutSeparatorStillPutsTheFileInsideTheFolder) {
    CTempDir parent;
    const std::string folder = parent.Path() + "/data";
    std::filesystem::create_directory(folder);
    CDbConvert convert(m_frontEnd, folder, "Tester");
    ASSERT_TRUE(convert.CreateDatabase());
    EXPECT_TRUE(std::ifstream(parent.Path() + "/data/MORA_10.mdb").good());
    EXPECT_FALSE(std::ifstream(parent.Path() + "/dataMORA_10.mdb").good());
}

TEST_F(SchemaTest, OlderFileGetsPhoneNumberOnceOnOpen) {
    // An older file: ObjectInfo without PhoneNumber.
    Exec("DROP TABLE ObjectInfo");
    Exec("CREATE TABLE ObjectInfo (IdCode TEXT, IdInfo TEXT, Address TEXT, Days INTEGER, LastTestAlarm REAL, "
         "TestAlarmOnly INTEGER, AlarmPopUpEnabled INTEGER, MailAddrTech1 TEXT, MailAddrTech2 TEXT, "
         "SmsNumTech TEXT, "
         "MailAddrEmg1 TEXT, MailAddrEmg2 TEXT, SmsNumEmg TEXT, ElevatorType TEXT, Customer TEXT, Notes1 "
         "TEXT, "
         "Notes2 TEXT)");
    Exec("INSERT INTO ObjectInfo (IdCode, IdInfo) VALUES ('00001234', 'Old lift')");
    m_handler.reset();
    m_db.Close();

    for (int run = 0; run < 2; ++run) {
        CDatabaseMgr mgr(m_frontEnd, m_clock);
        ASSERT_EQ(mgr.Probe(Folder()), CDatabaseMgr::PROBE_OPENED);
        ASSERT_TRUE(mgr.UpgradeSchema());
        mgr.Database().Close();
    }
    ASSERT_EQ(m_db.Open(Folder() + "MORA_10.mdb"), SQLITE_OK);
    EXPECT_EQ(QueryInt("SELECT count(*) FROM pragma_table_info('ObjectInfo') WHERE name = 'PhoneNumber'"), 1);
    EXPECT_EQ(Query("SELECT type FROM pragma_table_info('ObjectInfo') WHERE name = 'PhoneNumber'"), "TEXT");
    EXPECT_EQ(QueryInt("SELECT count(*) FROM pragma_table_info('ObjectInfo')"), 18);
    EXPECT_EQ(Query("SELECT IdInfo FROM ObjectInfo WHERE IdCode = '00001234'"), "Old lift");
    EXPECT_TRUE(m_frontEnd.messageBoxes.empty());
}

TEST_F(SchemaTest, DatesRoundTripAndNullStaysNull) {
    auto alarm = MakeAlarm("1", CAlarmInfoMsg::ALARMTYPE_P100, CAlarmInfoMsg::ALARMSTATUS_NEW,
                           CDateTime::FromLocal(2024, 6, 15, 9, 58, 7, 123));
    ASSERT_EQ(m_handler->AlarmTable().AddAlarmInfo(*alarm)->Status, AlarmResult::ADD_STORED);
    EXPECT_EQ(Query("SELECT typeof(AlarmTime) FROM AlarmInfo"), "real");
    EXPECT_EQ(Query("SELECT AckTime FROM AlarmInfo"), "NULL");
    EXPECT_EQ(Query("SELECT ExecTime FROM AlarmInfo"), "NULL");
    // Other tools read the day count as the design's date.
    EXPECT_EQ(Query("SELECT date(AlarmTime + 2415018.5) FROM AlarmInfo"), "2024-06-15");

    CAlarmInfoReqMsg find(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_KEY);
    find.PrimaryKey = alarm->PrimaryKey;
    auto found = m_handler->AlarmTable().FindAlarmInfo(find);
    ASSERT_EQ(found->Status, AlarmResult::FIND_BY_KEY);
    EXPECT_EQ(found->AlarmTime.ToLocal(), (SLocalTime{2024, 6, 15, 9, 58, 7, 123, 6}));
    EXPECT_TRUE(found->AckTime.IsNull());
    EXPECT_TRUE(found->ExecTime.IsNull());

    // An object's zero date is a date, not NULL.
    auto object = MakeObject("42");
    ASSERT_EQ(m_handler->ObjectTable().AddObjectInfo(*object)->Status, ObjectResult::ADD_DONE);
    EXPECT_EQ(Query("SELECT LastTestAlarm FROM ObjectInfo"), "0.0");
}

TEST_F(SchemaTest, AlarmKeysCountUpAndADeletedKeyIsNeverGivenAgain) {
    const CDateTime t = CDateTime::FromLocal(2024, 6, 1);
    const std::uint32_t first = AddAlarm("1", 1, 1, t);
    const std::uint32_t second = AddAlarm("1", 1, 1, t);
    EXPECT_EQ(second, first + 1);
    CAlarmInfoReqMsg del(MsgKind::DB_ALARM_DELETE, CAlarmInfoReqMsg::DELETE_BY_KEY);
    del.PrimaryKey = second;
    ASSERT_EQ(m_handler->AlarmTable().DeleteAlarmInfo(del)->Status, AlarmResult::DELETE_DONE);
    EXPECT_EQ(AddAlarm("1", 1, 1, t), second + 1);

    // Not even after every row is gone and the database is opened again.
    CAlarmInfoReqMsg all(MsgKind::DB_ALARM_DELETE, CAlarmInfoReqMsg::DELETE_ALL);
    ASSERT_EQ(m_handler->AlarmTable().DeleteAlarmInfo(all)->Status, AlarmResult::DELETE_DONE);
    m_db.Close();
    ASSERT_EQ(m_db.Open(Folder() + "MORA_10.mdb"), SQLITE_OK);
    EXPECT_EQ(AddAlarm("1", 1, 1, t), second + 2);
}

TEST_F(SchemaTest, ACommittedAlarmIsInTheFileForAnotherConnection) {
    const std::uint32_t key = AddAlarm("00001234", 3, 1, CDateTime::FromLocal(2024, 6, 15, 10, 0));
    // Another connection (another process would see the same) reads it at once.
    CSqliteDb other;
    ASSERT_EQ(other.Open(Folder() + "MORA_10.mdb"), SQLITE_OK);
    CSqliteStmt stmt = other.Prepare("SELECT IdCode FROM AlarmInfo WHERE PrimaryKey = ?1");
    stmt.Bind(1, static_cast<std::int64_t>(key));
    ASSERT_TRUE(stmt.Step());
    EXPECT_EQ(stmt.Text(0), "00001234");
}
