#include "AlarmInfoSet.h"

#include "AlarmInfoMsg.h"
#include "SqliteDb.h"

#include <cstdint>

const char* const CAlarmInfoSet::COLUMNS =
    "PrimaryKey, IdCode, AlarmSource, AlarmType, IdInfo, OpFailType, Text, AlarmStatus, AlarmTime, AckTime, "
    "ExecTime, AckOperator, ExecOperator";

void CAlarmInfoSet::Read(const CSqliteStmt& stmt, CAlarmInfoMsg& record) {
    record.PrimaryKey = static_cast<std::uint32_t>(stmt.Int(0));
    record.IdCode = stmt.Text(1);
    record.AlarmSource = static_cast<std::uint8_t>(stmt.Int(2));
    record.AlarmType = static_cast<std::uint8_t>(stmt.Int(3));
    record.IdInfo = stmt.Text(4);
    record.OpFailType = static_cast<std::uint8_t>(stmt.Int(5));
    record.Text.SetText(stmt.Text(6));
    record.AlarmStatus = static_cast<std::uint8_t>(stmt.Int(7));
    record.AlarmTime = stmt.Date(8);
    record.AckTime = stmt.Date(9);
    record.ExecTime = stmt.Date(10);
    record.AckOperator = stmt.Text(11);
    record.ExecOperator = stmt.Text(12);
}

std::uint32_t CAlarmInfoSet::Insert(CSqliteDb& db, const CAlarmInfoMsg& record) {
    CSqliteStmt stmt =
        db.Prepare("INSERT INTO AlarmInfo (IdCode, AlarmSource, AlarmType, IdInfo, OpFailType, "
                   "Text, AlarmStatus, AlarmTime, AckTime, ExecTime, AckOperator, ExecOperator) "
                   "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)");
    stmt.Bind(1, record.IdCode, 20)
        .Bind(2, static_cast<int>(record.AlarmSource))
        .Bind(3, static_cast<int>(record.AlarmType))
        .Bind(4, record.IdInfo, 255)
        .Bind(5, static_cast<int>(record.OpFailType))
        .Bind(6, record.Text.Text(), 255)
        .Bind(7, static_cast<int>(record.AlarmStatus))
        .Bind(8, record.AlarmTime)
        .Bind(9, record.AckTime)
        .Bind(10, record.ExecTime)
        .Bind(11, record.AckOperator, 30)
        .Bind(12, record.ExecOperator, 30);
    stmt.Execute();
    return static_cast<std::uint32_t>(db.LastInsertRowId());
}
