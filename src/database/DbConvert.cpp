#include "DbConvert.h"

#include "AlarmInfoSet.h"
#include "DbException.h"
#include "ObjectInfoSet.h"
#include "SqliteTransaction.h"
#include "Translate.h"

#include <cerrno>
#include <cstring>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct STableLines {
    const char* table;
    const char* creating;
    const char* error;
};

const STableLines TABLE_LINES[] = {
    {"ObjectInfo", "IDS_DBCONVERT_MSG_3", "IDS_DBCONVERT_MSG_4"},
    {"CustomerInfo", "IDS_DBCONVERT_MSG_5", "IDS_DBCONVERT_MSG_6"},
    {"MailInfo", "IDS_DBCONVERT_MSG_7", "IDS_DBCONVERT_MSG_8"},
    {"SmsNumberInfo", "IDS_DBCONVERT_MSG_9", "IDS_DBCONVERT_MSG_10"},
    {"AlarmInfo", "IDS_DBCONVERT_MSG_11", "IDS_DBCONVERT_MSG_12"},
};

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

CDbConvert::CDbConvert(IFrontEnd& frontEnd, std::string folder, std::string operatorName, const IClock& clock)
    : m_frontEnd(frontEnd), m_clock(clock), m_folder(std::move(folder)), m_operator(std::move(operatorName)) {
}

CDbConvert::~CDbConvert() = default;

void CDbConvert::Progress(const std::string& text) {
    m_frontEnd.DatabaseMgrProgress(text);
}

void CDbConvert::ShowEngineError(const std::string& description) {
    m_frontEnd.MessageBox(description, IFrontEnd::EButtons::Ok, IFrontEnd::EIcon::Warning, 0);
}

void CDbConvert::CreateTable(CSqliteDb& db, const CDbSchema::STable& table) {
    db.Exec(CDbSchema::CreateTableSql(table));
}

bool CDbConvert::CreateDatabase() {
    Progress(Text::TrF("IDS_DBCONVERT_MSG_1", CDbSchema::FILE_NAME));
    const std::string file = CDbSchema::DatabaseFile(m_folder);
    CSqliteDb db;
    int rc = SQLITE_OK;
    std::string error;
    if (FileExists(file)) {
        // Never overwrite or extend a file that is there: it may be someone's data.
        rc = SQLITE_CANTOPEN;
        error = "The database file '" + file + "' already exists";
    } else {
        rc = db.Open(file, true);
        if (rc == SQLITE_OK) {
            rc = db.MakeDurable();
        }
        if (rc != SQLITE_OK) {
            error = db.LastError();
        }
    }
    if (rc != SQLITE_OK) {
        ShowEngineError(error);
        Progress(Text::Tr("IDS_DBCONVERT_MSG_2"));
        return false;
    }
    bool ok = true;
    for (const STableLines& lines : TABLE_LINES) {
        Progress(Text::Tr(lines.creating));
        try {
            CreateTable(db, CDbSchema::Table(lines.table));
        } catch (const std::exception& e) {
            ShowEngineError(e.what());
            Progress(Text::Tr(lines.error));
            ok = false;
            break;
        }
    }
    if (ok) {
        try {
            CDbSchema::CreateIndexes(db);
        } catch (const std::exception& e) {
            // The station works without its indexes, only slower; they are made again on open.
            ShowEngineError(e.what());
        }
    }
    db.Close();
    // From here on the file is ours, tables or not.
    m_created = true;
    return ok;
}

bool CDbConvert::RemoveCreatedDatabase() {
    if (!m_created) {
        return false;
    }
    m_db.Close();
    const std::string file = CDbSchema::DatabaseFile(m_folder);
    bool removed = true;
    for (const std::string& path : {file, file + "-wal", file + "-shm", file + "-journal"}) {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            ShowEngineError(path + ": " + std::strerror(errno));
            removed = false;
        }
    }
    m_created = !removed;
    return removed;
}

bool CDbConvert::OpenDatabase() {
    int rc = m_db.Open(CDbSchema::DatabaseFile(m_folder), false);
    if (rc == SQLITE_OK) {
        rc = m_db.MakeDurable();
    }
    if (rc != SQLITE_OK) {
        ShowEngineError(m_db.LastError());
        m_db.Close();
        return false;
    }
    return true;
}

bool CDbConvert::CloseDatabase() {
    if (!m_db.Close()) {
        ShowEngineError(m_db.LastError());
        return false;
    }
    return true;
}

void CDbConvert::AddField(CSqliteDb& db, const std::string& table, const CDbSchema::SColumn& column) {
    db.Exec("ALTER TABLE " + table + " ADD COLUMN " + CDbSchema::ColumnSql(column));
}

bool CDbConvert::CopyObjectRecord(const CObjectInfoMsg& object) {
    try {
        CSqliteTransaction transaction(m_db);
        CObjectInfoSet::Insert(m_db, object, false);
        transaction.Commit();
        return true;
    } catch (const std::exception& e) {
        ShowEngineError(e.what());
        return false;
    }
}

bool CDbConvert::CopyAlarmRecord(const CAlarmInfoMsg& alarm) {
    try {
        CSqliteTransaction transaction(m_db);
        CAlarmInfoSet::Insert(m_db, alarm);
        transaction.Commit();
        return true;
    } catch (const std::exception& e) {
        ShowEngineError(e.what());
        return false;
    }
}
