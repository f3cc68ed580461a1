#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CSqliteDb;

// The five tables of MORA_10.mdb, column by column in creation order, and how each column type
// is kept in the engine: texts as TEXT (their lengths are kept by our code), Byte, Integer and
// Boolean as INTEGER, dates as REAL day counts (NULL for no date), the alarm key as an
// auto-increment key that never gives a deleted key again.
class CDbSchema {
public:
    static constexpr const char* FILE_NAME = "MORA_10.mdb";

    enum class EType { Text, Memo, Byte, Integer, Long, Date, Boolean };

    struct SColumn {
        const char* name;
        EType type;
        std::size_t size; // characters for Text, bytes otherwise
        bool autoIncrement;
    };

    struct STable {
        const char* name;
        std::vector<SColumn> columns;
    };

    // In creation order: ObjectInfo, CustomerInfo, MailInfo, SmsNumberInfo, AlarmInfo.
    static const std::vector<STable>& Tables();
    static const STable& Table(const std::string& name);

    // The column definition in SQL ("IdCode TEXT", "PrimaryKey INTEGER PRIMARY KEY AUTOINCREMENT").
    static std::string ColumnSql(const SColumn& column);
    static std::string CreateTableSql(const STable& table);

    // Creates the indexes the finds of the station need, where missing (throws on an engine
    // error). Harmless on a file whose tables lack a column: that index is skipped.
    static void CreateIndexes(CSqliteDb& db);

    // A file of the database folder: the folder text followed directly by the file name. A folder
    // typed in by hand may lack its trailing separator; the file still belongs inside it.
    static std::string FileInFolder(const std::string& folder, const std::string& name) {
        return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
    }
    static std::string DatabaseFile(const std::string& folder) { return FileInFolder(folder, FILE_NAME); }
};
