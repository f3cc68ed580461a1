#pragma once

#include <cstdint>
#include <string>

class CObjectInfoMsg;
class CSqliteDb;
class CSqliteStmt;

// The column binding of table ObjectInfo. The three long texts of an object are split over two
// columns of 255 characters on storage (anything past 510 characters is dropped) and joined
// again on reading.
class CObjectInfoSet {
public:
    // The stored columns in table order after the row id, for "SELECT <COLUMNS> FROM ...".
    static const char* const COLUMNS;

    // Copies a row read with COLUMNS into a record (the row id is column 0).
    static void Read(const CSqliteStmt& stmt, CObjectInfoMsg& record);
    static std::int64_t RowId(const CSqliteStmt& stmt);

    // Adds the record as a new row (withPhoneNumber false leaves PhoneNumber empty).
    static void Insert(CSqliteDb& db, const CObjectInfoMsg& record, bool withPhoneNumber = true);
    // Overwrites every column of a row with the record.
    static void Update(CSqliteDb& db, std::int64_t rowId, const CObjectInfoMsg& record);

    // First and second column of a split text.
    static std::string SplitFirst(const std::string& text);
    static std::string SplitSecond(const std::string& text);
};
