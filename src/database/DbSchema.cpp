#include "DbSchema.h"

#include "SqliteDb.h"

#include <stdexcept>

namespace {

using T = CDbSchema::EType;

std::vector<CDbSchema::STable> MakeTables() {
    return {
        {"ObjectInfo",
         {{"IdCode", T::Text, 20, false},
          {"IdInfo", T::Text, 255, false},
          {"Address", T::Text, 255, false},
          {"Days", T::Integer, 2, false},
          {"LastTestAlarm", T::Date, 8, false},
          {"TestAlarmOnly", T::Boolean, 1, false},
          {"AlarmPopUpEnabled", T::Boolean, 1, false},
          {"MailAddrTech1", T::Text, 255, false},
          {"MailAddrTech2", T::Text, 255, false},
          {"SmsNumTech", T::Text, 255, false},
          {"MailAddrEmg1", T::Text, 255, false},
          {"MailAddrEmg2", T::Text, 255, false},
          {"SmsNumEmg", T::Text, 255, false},
          {"ElevatorType", T::Text, 255, false},
          {"Customer", T::Text, 40, false},
          {"Notes1", T::Text, 255, false},
          {"Notes2", T::Text, 255, false},
          {"PhoneNumber", T::Text, 30, false}}},
        {"CustomerInfo", {{"Name", T::Text, 40, false}, {"Info", T::Memo, 65535, false}}},
        {"MailInfo", {{"Name", T::Text, 80, false}, {"Address", T::Text, 80, false}}},
        {"SmsNumberInfo", {{"Name", T::Text, 80, false}, {"Number", T::Text, 20, false}}},
        {"AlarmInfo",
         {{"PrimaryKey", T::Long, 4, true},
          {"IdCode", T::Text, 20, false},
          {"AlarmSource", T::Byte, 1, false},
          {"AlarmType", T::Byte, 1, false},
          {"IdInfo", T::Text, 255, false},
          {"OpFailType", T::Byte, 1, false},
          {"Text", T::Text, 255, false},
          {"AlarmStatus", T::Byte, 1, false},
          {"AlarmTime", T::Date, 8, false},
          {"AckTime", T::Date, 8, false},
          {"ExecTime", T::Date, 8, false},
          {"AckOperator", T::Text, 30, false},
          {"ExecOperator", T::Text, 30, false}}},
    };
}

struct SIndex {
    const char* name;
    const char* table;
    const char* columns;
    const char* firstColumn;
    const char* where;
};

// The alarm list (by time, by status), the look-up of an object's last emergency alarm, and the
// object look-ups by ID code and by caller number.
const SIndex INDEXES[] = {
    {"IX_AlarmInfo_AlarmTime", "AlarmInfo", "AlarmTime", "AlarmTime", nullptr},
    {"IX_AlarmInfo_AlarmStatus", "AlarmInfo", "AlarmStatus, AlarmTime", "AlarmStatus", nullptr},
    // Only emergency-call alarms are looked up by ID code; a small index costs the purge little.
    {"IX_AlarmInfo_Emergency", "AlarmInfo", "IdCode, AlarmTime", "IdCode", "AlarmType = 8"},
    {"IX_ObjectInfo_IdCode", "ObjectInfo", "IdCode", "IdCode", nullptr},
    {"IX_ObjectInfo_PhoneNumber", "ObjectInfo", "PhoneNumber", "PhoneNumber", nullptr},
    {"IX_CustomerInfo_Name", "CustomerInfo", "Name", "Name", nullptr},
    {"IX_MailInfo_Address", "MailInfo", "Address", "Address", nullptr},
    {"IX_SmsNumberInfo_Number", "SmsNumberInfo", "Number", "Number", nullptr},
};

} // namespace

const std::vector<CDbSchema::STable>& CDbSchema::Tables() {
    static const std::vector<STable> tables = MakeTables();
    return tables;
}

const CDbSchema::STable& CDbSchema::Table(const std::string& name) {
    for (const STable& table : Tables()) {
        if (name == table.name) {
            return table;
        }
    }
    throw std::out_of_range("no table " + name);
}

std::string CDbSchema::ColumnSql(const SColumn& column) {
    std::string sql = column.name;
    switch (column.type) {
    case EType::Text:
    case EType::Memo:
        sql += " TEXT";
        break;
    case EType::Byte:
    case EType::Integer:
    case EType::Boolean:
        sql += " INTEGER";
        break;
    case EType::Long:
        sql += column.autoIncrement ? " INTEGER PRIMARY KEY AUTOINCREMENT" : " INTEGER";
        break;
    case EType::Date:
        sql += " REAL";
        break;
    }
    return sql;
}

std::string CDbSchema::CreateTableSql(const STable& table) {
    std::string sql = "CREATE TABLE ";
    sql += table.name;
    sql += " (";
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        if (i > 0) {
            sql += ", ";
        }
        sql += ColumnSql(table.columns[i]);
    }
    sql += ")";
    return sql;
}

void CDbSchema::CreateIndexes(CSqliteDb& db) {
    for (const SIndex& index : INDEXES) {
        if (!db.HasColumn(index.table, index.firstColumn)) {
            continue;
        }
        std::string sql = std::string("CREATE INDEX IF NOT EXISTS ") + index.name + " ON " + index.table +
                          " (" + index.columns + ")";
        if (index.where != nullptr) {
            sql += std::string(" WHERE ") + index.where;
        }
        db.Exec(sql);
    }
}
