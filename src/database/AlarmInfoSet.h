#pragma once

#include <cstdint>
#include <string>

class CAlarmInfoMsg;
class CSqliteDb;
class CSqliteStmt;

// The column binding of table AlarmInfo: which columns a statement reads and writes, and how a
// row becomes an alarm record and back. Texts are cut to their column's length when stored.
class CAlarmInfoSet {
public:
    // The stored columns in table order, for "SELECT <COLUMNS> FROM AlarmInfo ...".
    static const char* const COLUMNS;

    // Copies a row read with COLUMNS (starting at column 0) into a record.
    static void Read(const CSqliteStmt& stmt, CAlarmInfoMsg& record);

    // Adds the record as a new row and returns its key (throws CDbException on an engine error).
    static std::uint32_t Insert(CSqliteDb& db, const CAlarmInfoMsg& record);
};
