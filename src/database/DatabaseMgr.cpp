#include "DatabaseMgr.h"

#include "DbConvertVer01.h"
#include "DbException.h"
#include "DbSchema.h"
#include "Settings.h"
#include "Translate.h"

#include <fstream>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool Readable(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return static_cast<bool>(in);
}

// The folder that holds a file named by plain concatenation (the current folder when the name has
// no separator).
std::string ParentFolder(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : file.substr(0, slash);
}

} // namespace

CDatabaseMgr::CDatabaseMgr(IFrontEnd& frontEnd, const IClock& clock, std::string userMsgFolder)
    : m_frontEnd(frontEnd), m_clock(clock), m_handler(frontEnd, clock, nullptr, std::move(userMsgFolder)) {}

CDatabaseMgr::~CDatabaseMgr() {
    m_handler.Stop();
    m_handler.Configure(nullptr, 0, false, false);
    m_db.Close();
}

void CDatabaseMgr::Init(CSettings& settings, std::string operatorName) {
    m_settings = &settings;
    m_operator = std::move(operatorName);
}

CDatabaseMgr::EProbe CDatabaseMgr::Probe(const std::string& folder, std::string* errorText) {
    const std::string file = CDbSchema::DatabaseFile(folder);
    const int rc = m_db.Open(file, false);
    if (errorText != nullptr) {
        *errorText = m_db.LastError();
    }
    if (rc == SQLITE_OK) {
        // A file without the station's tables (an empty file is an empty database to the engine)
        // is not a usable database.
        try {
            for (const CDbSchema::STable& table : CDbSchema::Tables()) {
                if (!m_db.HasTable(table.name)) {
                    if (errorText != nullptr) {
                        *errorText = std::string("The database has no table ") + table.name;
                    }
                    m_db.Close();
                    return PROBE_NOT_A_DATABASE;
                }
            }
        } catch (const CDbException& e) {
            if (errorText != nullptr) {
                *errorText = e.what();
            }
            m_db.Close();
            const int primary = e.Code() & 0xFF;
            return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT ? PROBE_NOT_A_DATABASE
                                                                         : PROBE_OTHER_ERROR;
        }
        return PROBE_OPENED;
    }
    switch (m_db.LastErrorCode() & 0xFF) {
    case SQLITE_CANTOPEN:
        if (!IsDirectory(ParentFolder(file))) {
            return PROBE_NO_FOLDER;
        }
        if (!Exists(file)) {
            return Readable(CDbSchema::FileInFolder(folder, CDbConvertVer01::OBJECT_FILE)) &&
                           Readable(CDbSchema::FileInFolder(folder, CDbConvertVer01::ALARM_FILE))
                       ? PROBE_VERSION1_FILES
                       : PROBE_NO_FILE;
        }
        return PROBE_OTHER_ERROR;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return PROBE_NOT_A_DATABASE;
    default:
        return PROBE_OTHER_ERROR;
    }
}

bool CDatabaseMgr::UpgradeSchema() {
    try {
        if (!m_db.HasColumn("ObjectInfo", "PhoneNumber")) {
            const CDbSchema::STable& objects = CDbSchema::Table("ObjectInfo");
            CDbConvert::AddField(m_db, objects.name, objects.columns.back());
        }
        CDbSchema::CreateIndexes(m_db);
        return true;
    } catch (const std::exception& e) {
        m_frontEnd.MessageBox(e.what(), IFrontEnd::EButtons::Ok, IFrontEnd::EIcon::Warning, 0);
        return false;
    }
}

bool CDatabaseMgr::Start(IMsgSink* owner) {
    for (;;) {
        m_folder = m_settings != nullptr ? m_settings->DatabasePath : std::string();
        std::string error;
        const EProbe probe = Probe(m_folder, &error);
        if (probe == PROBE_OPENED) {
            break;
        }
        if (probe == PROBE_OTHER_ERROR) {
            // The program ends here; the operator is told why.
            m_frontEnd.MessageBox("CDatabaseMgr::Start: " + CDbSchema::DatabaseFile(m_folder) + ": " + error,
                                  IFrontEnd::EButtons::Ok, IFrontEnd::EIcon::Warning, 0);
            return false;
        }
        if (RunDialog(probe) == EOutcome::Fail) {
            return false;
        }
    }
    if (m_db.MakeDurable() != SQLITE_OK) {
        m_frontEnd.MessageBox("CDatabaseMgr::Start: " + m_db.LastError(), IFrontEnd::EButtons::Ok,
                              IFrontEnd::EIcon::Warning, 0);
        m_db.Close();
        return false;
    }
    if (!UpgradeSchema()) {
        m_db.Close();
        return false;
    }
    const std::uint32_t purgeDays = m_settings != nullptr && m_settings->KeepAirMonths > 0
                                        ? static_cast<std::uint32_t>(m_settings->KeepAirMonths) * 30
                                        : 0;
    m_handler.Configure(&m_db, purgeDays, m_settings != nullptr && m_settings->UseCidPhoneNumber != 0,
                        m_settings != nullptr && m_settings->TestAlarmFilter != 0);
    m_handler.SetOwner(owner);
    return m_handler.Start() == CHandler::HANDLER_STARTED;
}

bool CDatabaseMgr::Stop() {
    m_handler.Stop();
    m_handler.Configure(nullptr, m_handler.PurgeDays(), m_handler.UseCidPhoneNumber(),
                        m_handler.TestAlarmFilter());
    if (!m_db.Close()) {
        m_frontEnd.MessageBox(m_db.LastError(), IFrontEnd::EButtons::Ok, IFrontEnd::EIcon::Warning, 0);
        return false;
    }
    return true;
}

std::vector<std::string> CDatabaseMgr::DialogLines(EDialogMode mode) const {
    switch (mode) {
    case DLG_NO_FOLDER:
        return {Text::Tr("IDS_DATABASEMGRDLG_MSG_1"), m_folder, Text::Tr("IDS_DATABASEMGRDLG_MSG_2"),
                Text::Tr("IDS_DATABASEMGRDLG_MSG_3")};
    case DLG_NO_DATABASE:
        return {Text::Tr("IDS_DATABASEMGRDLG_MSG_4"), m_folder, Text::Tr("IDS_DATABASEMGRDLG_MSG_5")};
    case DLG_DAMAGED:
        return {Text::Tr("IDS_DATABASEMGRDLG_MSG_8"), m_folder, Text::Tr("IDS_DATABASEMGRDLG_MSG_9")};
    case DLG_VERSION1:
        return {Text::Tr("IDS_DATABASEMGRDLG_MSG_6"), m_folder, Text::Tr("IDS_DATABASEMGRDLG_MSG_7")};
    default:
        return {};
    }
}

void CDatabaseMgr::BrowseFolder() {
    std::string chosen;
    if (!m_frontEnd.BrowseForFolder(Text::Tr("IDS_SETTINGS_MSG_1"), m_folder, chosen) || chosen.empty()) {
        return;
    }
    if (chosen.back() != '/') {
        chosen += '/';
    }
    if (m_settings != nullptr) {
        m_settings->DatabasePath = chosen;
        m_settings->SaveAll();
    }
}

CDatabaseMgr::EOutcome CDatabaseMgr::RunDialog(EProbe probe) {
    using A = IFrontEnd::EDbMgrAnswer;
    EDialogMode mode = DLG_NO_DATABASE;
    switch (probe) {
    case PROBE_NO_FOLDER:
        mode = DLG_NO_FOLDER;
        break;
    case PROBE_NOT_A_DATABASE:
        mode = DLG_DAMAGED;
        break;
    case PROBE_VERSION1_FILES:
        mode = DLG_VERSION1;
        break;
    default:
        mode = DLG_NO_DATABASE;
        break;
    }
    if (mode == DLG_NO_DATABASE) {
        m_converter = std::make_unique<CDbConvert>(m_frontEnd, m_folder, m_operator, m_clock);
    } else if (mode == DLG_VERSION1) {
        m_converter = std::make_unique<CDbConvertVer01>(m_frontEnd, m_folder, m_operator, m_clock);
    }
    const std::vector<std::string> lines = DialogLines(mode);
    EOutcome outcome = EOutcome::Fail;
    for (;;) {
        const A answer = m_frontEnd.DatabaseMgrDialog(mode, lines);
        if (answer == A::Cancel) {
            outcome = EOutcome::Fail;
            break;
        }
        const bool canCreate = mode == DLG_NO_DATABASE || mode == DLG_VERSION1;
        if (answer == A::CreateEmpty && canCreate) {
            const bool ok = m_converter->CreateDatabase();
            m_frontEnd.DatabaseMgrProgress(
                Text::Tr(ok ? "IDS_DATABASEMGRDLG_MSG_10" : "IDS_DATABASEMGRDLG_MSG_12"));
            m_frontEnd.DatabaseMgrProgress(
                Text::Tr(ok ? "IDS_DATABASEMGRDLG_MSG_11" : "IDS_DATABASEMGRDLG_MSG_13"));
            m_frontEnd.Beep(ok ? IFrontEnd::EBeep::Plain : IFrontEnd::EBeep::Exclamation);
            const A next = m_frontEnd.DatabaseMgrDialog(ok ? DLG_CREATED : DLG_FAILED, {});
            outcome = ok && next != A::Cancel ? EOutcome::Retry : EOutcome::Fail;
            break;
        }
        if (answer == A::CreateAndCopy && mode == DLG_VERSION1) {
            const bool created = m_converter->CreateDatabase();
            const bool ok = created && m_converter->Convert();
            if (created && !ok) {
                // A half-copied database would open without a question at the next start and the
                // missing rows would never be offered again; without it the import is offered anew.
                m_converter->RemoveCreatedDatabase();
            }
            m_frontEnd.DatabaseMgrProgress(
                Text::Tr(ok ? "IDS_DATABASEMGRDLG_MSG_14" : "IDS_DATABASEMGRDLG_MSG_16"));
            m_frontEnd.DatabaseMgrProgress(
                Text::Tr(ok ? "IDS_DATABASEMGRDLG_MSG_15" : "IDS_DATABASEMGRDLG_MSG_17"));
            m_frontEnd.Beep(ok ? IFrontEnd::EBeep::Plain : IFrontEnd::EBeep::Exclamation);
            const A next = m_frontEnd.DatabaseMgrDialog(ok ? DLG_CREATED : DLG_FAILED, {});
            outcome = ok && next != A::Cancel ? EOutcome::Retry : EOutcome::Fail;
            break;
        }
        if (answer == A::ChangePath || answer == A::Ok) {
            m_frontEnd.CloseDatabaseMgrDialog();
            BrowseFolder();
            outcome = EOutcome::Retry;
            break;
        }
        // A choice this mode does not offer: ask again.
    }
    m_frontEnd.CloseDatabaseMgrDialog();
    m_converter.reset();
    return outcome;
}
