#include "DatabaseMgr.h"
#include "DatabaseFixture.h"
#include "DbConvert.h"
#include "Settings.h"

#include <filesystem>
#include <fstream>
#include <sqlite3.h>

namespace fs = std::filesystem;

namespace {

using Answer = IFrontEnd::EDbMgrAnswer;

class DatabaseMgrTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseEnglishDictionary();
        m_settingsDir.UseAsSettingsFolder();
        m_settings.DatabasePath = Folder();
    }
    std::string Folder() const { return m_dir.Path() + "/"; }
    std::string File() const { return m_dir.File("MORA_10.mdb"); }
    void CreateDatabase(const std::string& folder) {
        CRecordingFrontEnd quiet;
        CDbConvert convert(quiet, folder, "Tester");
        ASSERT_TRUE(convert.CreateDatabase());
    }
    CDatabaseMgr::EProbe Probe(const std::string& folder) {
        CDatabaseMgr mgr(m_frontEnd, m_clock);
        return mgr.Probe(folder);
    }
    static std::string Bytes(const std::string& path) { return CTempDir::ReadFile(path); }

    CTempDir m_dir;
    CTempDir m_settingsDir;
    CRecordingFrontEnd m_frontEnd;
    CWorkerFakeClock m_clock;
    CSettings m_settings;
    CRecordingSink m_sink;
};

} // namespace

TEST_F(DatabaseMgrTest, ProbeTellsTheOutcomesApartAndNeverCreatesAFile) {
    EXPECT_EQ(Probe(m_dir.Path() + "/missing/"), CDatabaseMgr::PROBE_NO_FOLDER);
    EXPECT_FALSE(fs::exists(m_dir.Path() + "/missing"));
    EXPECT_EQ(Probe(Folder()), CDatabaseMgr::PROBE_NO_FILE);
    EXPECT_FALSE(fs::exists(File()));

    // Only one of the two version-1 files is not enough.
    CTempDir::WriteFile(m_dir.File("IdInfo.dat"), "00001234:Lift\n");
    EXPECT_EQ(Probe(Folder()), CDatabaseMgr::PROBE_NO_FILE);
    CTempDir::WriteFile(m_dir.File("EventSave.dat"), "");
    EXPECT_EQ(Probe(Folder()), CDatabaseMgr::PROBE_VERSION1_FILES);
    EXPECT_FALSE(fs::exists(File()));

    CreateDatabase(Folder());
    EXPECT_EQ(Probe(Folder()), CDatabaseMgr::PROBE_OPENED);
}

TEST_F(DatabaseMgrTest, FilesThatAreNotDatabasesAreToldApartAndLeftAlone) {
    // Random bytes.
    std::string noise(8192, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<char>((i * 7919 + 13) % 251);
    }
    CTempDir::WriteFile(File(), noise);
    std::string error;
    {
        CDatabaseMgr mgr(m_frontEnd, m_clock);
        EXPECT_EQ(mgr.Probe(Folder(), &error), CDatabaseMgr::PROBE_NOT_A_DATABASE);
    }
    EXPECT_EQ(error, "file is not a database");
    EXPECT_EQ(Bytes(File()), noise);

    // An empty file is an empty database to the engine, but has none of our tables.
    CTempDir::WriteFile(File(), "");
    EXPECT_EQ(Probe(Folder()), CDatabaseMgr::PROBE_NOT_A_DATABASE);
    EXPECT_EQ(fs::file_size(File()), 0u);

    // A real database cut short.
    fs::remove(File());
    CreateDatabase(Folder());
    {
        CSqliteDb db;
        ASSERT_EQ(db.Open(File()), SQLITE_OK);
        db.Exec("PRAGMA journal_mode=DELETE");
    }
    const std::string whole = Bytes(File());
    ASSERT_GT(whole.size(), 8192u);
    CTempDir::WriteFile(File(), whole.substr(0, 100));
    EXPECT_EQ(Probe(Folder()), CDatabaseMgr::PROBE_NOT_A_DATABASE);

    // A folder where the file should be: something else is wrong.
    fs::remove(File());
    fs::create_directory(File());
    EXPECT_EQ(Probe(Folder()), CDatabaseMgr::PROBE_OTHER_ERROR);
}

TEST_F(DatabaseMgrTest, ALockedFileIsAnotherFailure) {
    CreateDatabase(Folder());
    // Another connection holds the file exclusively (as another process would).
    CSqliteDb other;
    ASSERT_EQ(other.Open(File()), SQLITE_OK);
    other.Exec("PRAGMA journal_mode=DELETE");
    other.Exec("PRAGMA locking_mode=EXCLUSIVE");
    other.Exec("BEGIN EXCLUSIVE");
    std::string error;
    CDatabaseMgr mgr(m_frontEnd, m_clock);
    EXPECT_EQ(mgr.Probe(Folder(), &error), CDatabaseMgr::PROBE_OTHER_ERROR);
    EXPECT_EQ(error, "database is locked");
    other.Exec("COMMIT");
}

TEST_F(DatabaseMgrTest, MissingFileCreateEmptyAndStart) {
    m_frontEnd.dbAnswers = {Answer::CreateEmpty, Answer::Ok};
    m_settings.KeepAirMonths = 12;
    m_settings.UseCidPhoneNumber = 1;
    CDatabaseMgr mgr(m_frontEnd, m_clock);
    mgr.Init(m_settings, "Anna");
    ASSERT_TRUE(mgr.Start(&m_sink));
    ASSERT_EQ(m_frontEnd.dbDialogs.size(), 2u);
    EXPECT_EQ(m_frontEnd.dbDialogs[0].mode, CDatabaseMgr::DLG_NO_DATABASE);
    EXPECT_EQ(
        m_frontEnd.dbDialogs[0].lines,
        (std::vector<std::string>{"No Database found at the path:", Folder(),
                                  "Select action and click <OK>, or click <Cancel> to end the program"}));
    EXPECT_EQ(m_frontEnd.dbDialogs[1].mode, CDatabaseMgr::DLG_CREATED);
    ASSERT_GE(m_frontEnd.dbProgress.size(), 2u);
    EXPECT_EQ(m_frontEnd.dbProgress[0], "Click <OK> to start the program...");
    EXPECT_EQ(m_frontEnd.dbProgress[1], "Database successfully created...");
    EXPECT_EQ(m_frontEnd.beeps, (std::vector<IFrontEnd::EBeep>{IFrontEnd::EBeep::Plain}));

    EXPECT_TRUE(mgr.Handler().IsRunning());
    EXPECT_EQ(mgr.Handler().PurgeDays(), 360u);
    EXPECT_TRUE(mgr.Handler().UseCidPhoneNumber());
    EXPECT_FALSE(mgr.Handler().TestAlarmFilter());
    for (const char* table : {"ObjectInfo", "CustomerInfo", "MailInfo", "SmsNumberInfo", "AlarmInfo"}) {
        EXPECT_TRUE(mgr.Database().HasTable(table)) << table;
    }
    // The handler serves requests on the opened database.
    auto object = std::make_unique<CObjectInfoMsg>(MsgKind::DB_OBJECT_ADD);
    object->IdCode = "1";
    mgr.Handler().ProcessRequest(std::move(object));
    ASSERT_TRUE(m_sink.WaitFor(1));
    EXPECT_TRUE(mgr.Stop());
    EXPECT_FALSE(mgr.Database().IsOpen());
    EXPECT_TRUE(m_frontEnd.messageBoxes.empty());
}

TEST_F(DatabaseMgrTest, CancelEndsTheProgram) {
    CDatabaseMgr mgr(m_frontEnd, m_clock);
    mgr.Init(m_settings, "Anna");
    EXPECT_FALSE(mgr.Start(&m_sink));
    EXPECT_FALSE(fs::exists(File()));
    EXPECT_FALSE(mgr.Handler().IsRunning());
}

TEST_F(DatabaseMgrTest, MissingFolderAndAPickedFolderWithADatabase) {
    CTempDir other;
    CreateDatabase(other.Path() + "/");
    m_settings.DatabasePath = m_dir.Path() + "/gone/";
    m_frontEnd.dbAnswers = {Answer::ChangePath};
    m_frontEnd.browseAnswers = {other.Path()};
    CDatabaseMgr mgr(m_frontEnd, m_clock);
    mgr.Init(m_settings, "Anna");
    ASSERT_TRUE(mgr.Start(&m_sink));
    ASSERT_EQ(m_frontEnd.dbDialogs.size(), 1u);
    EXPECT_EQ(m_frontEnd.dbDialogs[0].mode, CDatabaseMgr::DLG_NO_FOLDER);
    EXPECT_EQ(m_frontEnd.dbDialogs[0].lines[0], "The current path:");
    EXPECT_EQ(m_frontEnd.dbDialogs[0].lines[2], "to the Database does not exist!");
    EXPECT_EQ(m_frontEnd.browseTitles, (std::vector<std::string>{"Select the folder for the Database file"}));
    EXPECT_EQ(m_settings.DatabasePath, other.Path() + "/");
    // And it was saved.
    CSettings reloaded;
    reloaded.Load();
    EXPECT_EQ(reloaded.DatabasePath, other.Path() + "/");
    EXPECT_TRUE(mgr.Stop());
}

TEST_F(DatabaseMgrTest, ACancelledPickerAsksAgainForTheSameFolder) {
    m_frontEnd.dbAnswers = {Answer::ChangePath, Answer::Cancel};
    CDatabaseMgr mgr(m_frontEnd, m_clock);
    mgr.Init(m_settings, "Anna");
    EXPECT_FALSE(mgr.Start(&m_sink));
    ASSERT_EQ(m_frontEnd.dbDialogs.size(), 2u);
    EXPECT_EQ(m_frontEnd.dbDialogs[1].mode, CDatabaseMgr::DLG_NO_DATABASE);
    EXPECT_EQ(m_frontEnd.dbDialogs[1].lines[1], Folder());
}

TEST_F(DatabaseMgrTest, DamagedDatabaseOffersOnlyAnotherPath) {
    CTempDir::WriteFile(File(), std::string(4096, 'x'));
    // A create answer is not offered here: the dialog asks again.
    m_frontEnd.dbAnswers = {Answer::CreateEmpty, Answer::Cancel};
    CDatabaseMgr mgr(m_frontEnd, m_clock);
    mgr.Init(m_settings, "Anna");
    EXPECT_FALSE(mgr.Start(&m_sink));
    ASSERT_EQ(m_frontEnd.dbDialogs.size(), 2u);
    EXPECT_EQ(m_frontEnd.dbDialogs[0].mode, CDatabaseMgr::DLG_DAMAGED);
    EXPECT_EQ(m_frontEnd.dbDialogs[0].lines[0],
              "The Database Manager has found an error in the Database at the path:");
    EXPECT_EQ(Bytes(File()), std::string(4096, 'x'));
}

TEST_F(DatabaseMgrTest, VersionOneFilesAreCopiedIntoANewDatabase) {
    CTempDir::WriteFile(m_dir.File("IdInfo.dat"), "00001234:Lift one\x1f"
                                                  "7\n");
    CTempDir::WriteFile(m_dir.File("EventSave.dat"), "1\n2\n00001234\nLift one\n0\n\n1700000000\n1\nHelp\n");
    m_frontEnd.dbAnswers = {Answer::CreateAndCopy, Answer::Ok};
    CDatabaseMgr mgr(m_frontEnd, m_clock);
    mgr.Init(m_settings, "Anna");
    ASSERT_TRUE(mgr.Start(&m_sink));
    EXPECT_EQ(m_frontEnd.dbDialogs[0].mode, CDatabaseMgr::DLG_VERSION1);
    EXPECT_EQ(m_frontEnd.dbProgress[0], "Click <OK> to start the program...");
    EXPECT_EQ(m_frontEnd.dbProgress[1], "Database successfully created and copied...");
    EXPECT_EQ(m_frontEnd.dbProgress[2], "Copying AlarmInfo Data...");
    EXPECT_EQ(m_frontEnd.dbProgress[3], "Copying ObjectInfo Data...");
    {
        CSqliteStmt stmt =
            mgr.Database().Prepare("SELECT count(*) FROM AlarmInfo WHERE ExecOperator = 'Anna'");
        ASSERT_TRUE(stmt.Step());
        EXPECT_EQ(stmt.Int(0), 1);
    }
    EXPECT_TRUE(mgr.Stop());
}

TEST_F(DatabaseMgrTest, AFailedCopyIsReportedAndOfferedAgainAtTheNextStart) {
    const std::string objects = "00001234:Lift one\n";
    CTempDir::WriteFile(m_dir.File("IdInfo.dat"), objects);
    // The alarm history cannot be read to its end (a name that opens but cannot be read).
    fs::create_directory(m_dir.File("EventSave.dat"));
    m_frontEnd.dbAnswers = {Answer::CreateAndCopy, Answer::Ok};
    {
        CDatabaseMgr mgr(m_frontEnd, m_clock);
        mgr.Init(m_settings, "Anna");
        EXPECT_FALSE(mgr.Start(&m_sink));
    }
    ASSERT_EQ(m_frontEnd.dbDialogs.size(), 2u);
    EXPECT_EQ(m_frontEnd.dbDialogs[1].mode, CDatabaseMgr::DLG_FAILED);
    EXPECT_EQ(m_frontEnd.dbProgress[0], "Click <OK> to end the program...");
    EXPECT_EQ(m_frontEnd.dbProgress[1], "Error Creating Database and copying data...");
    EXPECT_EQ(m_frontEnd.beeps, (std::vector<IFrontEnd::EBeep>{IFrontEnd::EBeep::Exclamation}));
    ASSERT_EQ(m_frontEnd.messageBoxes.size(), 1u);
    EXPECT_EQ(m_frontEnd.messageBoxes[0].text, m_dir.File("EventSave.dat") + ": Is a directory");
    // No half-filled database is left to open silently; the old files are as they were.
    EXPECT_FALSE(fs::exists(File()));
    EXPECT_FALSE(fs::exists(File() + "-wal"));
    EXPECT_EQ(Bytes(m_dir.File("IdInfo.dat")), objects);
    EXPECT_EQ(Probe(Folder()), CDatabaseMgr::PROBE_VERSION1_FILES);
}

TEST_F(DatabaseMgrTest, AFailedCreationEndsTheProgram) {
    // A folder that exists but where no file can be made, even by root.
    m_settings.DatabasePath = "/proc/";
    m_frontEnd.dbAnswers = {Answer::CreateEmpty, Answer::Ok};
    CDatabaseMgr mgr(m_frontEnd, m_clock);
    mgr.Init(m_settings, "Anna");
    EXPECT_FALSE(mgr.Start(&m_sink));
    ASSERT_EQ(m_frontEnd.dbDialogs.size(), 2u);
    EXPECT_EQ(m_frontEnd.dbDialogs[1].mode, CDatabaseMgr::DLG_FAILED);
    EXPECT_EQ(m_frontEnd.dbProgress[0], "Click <OK> to end the program...");
    EXPECT_EQ(m_frontEnd.dbProgress[1], "Error Creating Database...");
    EXPECT_EQ(m_frontEnd.dbProgress[2], "Error Creating Database...");
    EXPECT_EQ(m_frontEnd.beeps, (std::vector<IFrontEnd::EBeep>{IFrontEnd::EBeep::Exclamation}));
}

TEST_F(DatabaseMgrTest, AnUnusableFileIsExplainedBeforeTheProgramEnds) {
    fs::create_directory(File());
    CDatabaseMgr mgr(m_frontEnd, m_clock);
    mgr.Init(m_settings, "Anna");
    EXPECT_FALSE(mgr.Start(&m_sink));
    EXPECT_TRUE(m_frontEnd.dbDialogs.empty());
    ASSERT_EQ(m_frontEnd.messageBoxes.size(), 1u);
    EXPECT_EQ(m_frontEnd.messageBoxes[0].text.rfind("CDatabaseMgr::Start: " + File() + ": ", 0), 0u);
}

TEST_F(DatabaseMgrTest, AFolderWithoutItsTrailingSeparatorStillHoldsTheFile) {
    CreateDatabase(m_dir.Path()); // typed in by hand, without the '/'
    EXPECT_TRUE(fs::exists(File()));
    EXPECT_FALSE(fs::exists(m_dir.Path() + "MORA_10.mdb"));
    EXPECT_EQ(Probe(m_dir.Path()), CDatabaseMgr::PROBE_OPENED);
}

TEST_F(DatabaseMgrTest, VersionOneFilesAreFoundAndCopiedInAFolderTypedWithoutItsSeparator) {
    CTempDir::WriteFile(m_dir.File("IdInfo.dat"), "00001234:Lift one\n");
    CTempDir::WriteFile(m_dir.File("EventSave.dat"), "1\n2\n00001234\nLift one\n0\n\n1700000000\n1\nHelp\n");
    m_settings.DatabasePath = m_dir.Path();
    m_frontEnd.dbAnswers = {Answer::CreateAndCopy, Answer::Ok};
    CDatabaseMgr mgr(m_frontEnd, m_clock);
    mgr.Init(m_settings, "Anna");
    ASSERT_TRUE(mgr.Start(&m_sink));
    EXPECT_EQ(m_frontEnd.dbDialogs[0].mode, CDatabaseMgr::DLG_VERSION1);
    EXPECT_EQ(m_frontEnd.dbProgress[1], "Database successfully created and copied...");
    for (const char* table : {"ObjectInfo", "AlarmInfo"}) {
        CSqliteStmt stmt = mgr.Database().Prepare(std::string("SELECT count(*) FROM ") + table);
        ASSERT_TRUE(stmt.Step());
        EXPECT_EQ(stmt.Int(0), 1) << table;
    }
    EXPECT_TRUE(mgr.Stop());
    EXPECT_TRUE(fs::exists(File()));
}
