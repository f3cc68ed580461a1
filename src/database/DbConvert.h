#pragma once

#include "Clock.h"
#include "DbSchema.h"
#include "FrontEnd.h"
#include "SqliteDb.h"

#include <string>

class CAlarmInfoMsg;
class CObjectInfoMsg;

// Creates a new, empty MORA_10.mdb with its five tables, telling the operator what it does on
// the database manager dialog's progress list. Base of the version-1 importer.
class CDbConvert {
public:
    CDbConvert(IFrontEnd& frontEnd, std::string folder, std::string operatorName,
               const IClock& clock = CSystemClock::Instance());
    virtual ~CDbConvert();
    CDbConvert(const CDbConvert&) = delete;
    CDbConvert& operator=(const CDbConvert&) = delete;

    // Copies older data into the newly created database; the base has none to copy.
    virtual bool Convert() { return false; }

    // Creates the file and the tables, in order, stopping at the first failure (the tables made
    // before it stay). Refuses to touch a file that already exists.
    bool CreateDatabase();
    bool OpenDatabase();
    bool CloseDatabase();
    // Removes the file that CreateDatabase made (and the engine's files beside it), after a failed
    // import; a file this converter did not create is never touched. True when it is gone.
    bool RemoveCreatedDatabase();

    // Adds one column to an existing table (the upgrade of older files); throws CDbException.
    static void AddField(CSqliteDb& db, const std::string& table, const CDbSchema::SColumn& column);

    // Add one row each; an engine error is shown and gives false.
    bool CopyObjectRecord(const CObjectInfoMsg& object);
    bool CopyAlarmRecord(const CAlarmInfoMsg& alarm);

    const std::string& Folder() const { return m_folder; }
    const std::string& OperatorName() const { return m_operator; }

protected:
    // Creates one table (and is where a test makes creation fail).
    virtual void CreateTable(CSqliteDb& db, const CDbSchema::STable& table);
    // The dictionary text of a tag as the new top line of the progress list.
    void Progress(const std::string& text);
    void ShowEngineError(const std::string& description);

    IFrontEnd& m_frontEnd;
    const IClock& m_clock;
    CSqliteDb m_db;
    std::string m_folder;
    std::string m_operator;
    bool m_created = false;
};
