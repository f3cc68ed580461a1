#pragma once

#include "Clock.h"
#include "DatabaseHandler.h"
#include "FrontEnd.h"
#include "SqliteDb.h"

#include <memory>
#include <string>
#include <vector>

class CDbConvert;
class CSettings;

// Owner of the database on the user-interface side. At start it opens MORA_10.mdb in the folder
// DatabasePath, and when it cannot, leads the operator through the database manager dialog:
// choose another folder, create an empty database, or create one and import the version-1 files.
// Then it upgrades the schema, configures the handler and starts its thread.
class CDatabaseMgr {
public:
    // Probe outcomes of opening the database.
    enum EProbe {
        PROBE_OPENED = 0,
        PROBE_NO_FOLDER = 1,
        PROBE_NO_FILE = 2,
        PROBE_VERSION1_FILES = 3,
        PROBE_NOT_A_DATABASE = 4,
        PROBE_OTHER_ERROR = 5,
    };
    // Modes of the database manager dialog.
    enum EDialogMode {
        DLG_NO_FOLDER = 1,
        DLG_NO_DATABASE = 2,
        DLG_DAMAGED = 3,
        DLG_VERSION1 = 4,
        DLG_CREATED = 6,
        DLG_FAILED = 7,
    };

    // userMsgFolder is handed to the handler's message manager (empty: the working directory).
    explicit CDatabaseMgr(IFrontEnd& frontEnd, const IClock& clock = CSystemClock::Instance(),
                          std::string userMsgFolder = {});
    virtual ~CDatabaseMgr();
    CDatabaseMgr(const CDatabaseMgr&) = delete;
    CDatabaseMgr& operator=(const CDatabaseMgr&) = delete;

    // Keeps the settings (DatabasePath is changed and saved when the operator picks a folder) and
    // the name of the operator, which the import writes into finished alarms.
    void Init(CSettings& settings, std::string operatorName);
    void SetOperatorName(std::string operatorName) { m_operator = std::move(operatorName); }

    // True when the database is open and the handler runs; false ends the program.
    bool Start(IMsgSink* owner);
    // Stops the handler and closes the database; false when closing failed.
    bool Stop();

    CDatabaseHandler& Handler() { return m_handler; }
    CSqliteDb& Database() { return m_db; }

    // Opens folder + MORA_10.mdb without ever creating it and tells the outcome; on PROBE_OPENED
    // the database is open. errorText receives the engine's description of a failure.
    EProbe Probe(const std::string& folder, std::string* errorText = nullptr);
    // Adds ObjectInfo.PhoneNumber to a database that lacks it; true when it is there afterwards.
    bool UpgradeSchema();

private:
    enum class EOutcome { Retry, Fail };
    EOutcome RunDialog(EProbe probe);
    void BrowseFolder();
    std::vector<std::string> DialogLines(EDialogMode mode) const;

    IFrontEnd& m_frontEnd;
    const IClock& m_clock;
    CSqliteDb m_db;
    CDatabaseHandler m_handler;
    CSettings* m_settings = nullptr;
    std::string m_folder;
    std::string m_operator;
    std::unique_ptr<CDbConvert> m_converter;
};
