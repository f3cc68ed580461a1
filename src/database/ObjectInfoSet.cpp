#include "ObjectInfoSet.h"

#include "ObjectInfoMsg.h"
#include "SqliteDb.h"
#include "Utf8.h"

namespace {

constexpr std::size_t PART = CObjectInfoMsg::SPLIT_PART;

// Binds the 18 columns in table order to ?1 ... ?18.
void BindColumns(CSqliteStmt& stmt, const CObjectInfoMsg& r, bool withPhoneNumber) {
    stmt.Bind(1, r.IdCode, CObjectInfoMsg::IDCODE_LENGTH)
        .Bind(2, r.IdInfo, CObjectInfoMsg::TEXT_LENGTH)
        .Bind(3, r.Address, CObjectInfoMsg::TEXT_LENGTH)
        .Bind(4, static_cast<int>(static_cast<std::int16_t>(r.Days)))
        .Bind(5, r.LastTestAlarm)
        .Bind(6, r.TestAlarmOnly ? 1 : 0)
        .Bind(7, r.AlarmPopUpEnabled ? 1 : 0)
        .Bind(8, CObjectInfoSet::SplitFirst(r.MailAddrTech))
        .Bind(9, CObjectInfoSet::SplitSecond(r.MailAddrTech))
        .Bind(10, r.SmsNumTech, CObjectInfoMsg::TEXT_LENGTH)
        .Bind(11, CObjectInfoSet::SplitFirst(r.MailAddrEmg))
        .Bind(12, CObjectInfoSet::SplitSecond(r.MailAddrEmg))
        .Bind(13, r.SmsNumEmg, CObjectInfoMsg::TEXT_LENGTH)
        .Bind(14, r.ElevatorType, CObjectInfoMsg::TEXT_LENGTH)
        .Bind(15, r.Customer, CObjectInfoMsg::CUSTOMER_LENGTH)
        .Bind(16, CObjectInfoSet::SplitFirst(r.Notes))
        .Bind(17, CObjectInfoSet::SplitSecond(r.Notes))
        .Bind(18, withPhoneNumber ? std::string_view(r.PhoneNumber) : std::string_view(),
              CObjectInfoMsg::PHONENUMBER_LENGTH);
}

} // namespace

const char* const CObjectInfoSet::COLUMNS =
    "rowid, IdCode, IdInfo, Address, Days, LastTestAlarm, TestAlarmOnly, AlarmPopUpEnabled, MailAddrTech1, "
    "MailAddrTech2, SmsNumTech, MailAddrEmg1, MailAddrEmg2, SmsNumEmg, ElevatorType, Customer, Notes1, "
    "Notes2, PhoneNumber";

std::string CObjectInfoSet::SplitFirst(const std::string& text) {
    return Utf8::Left(Utf8::Sanitize(text), PART);
}

std::string CObjectInfoSet::SplitSecond(const std::string& text) {
    const std::string valid = Utf8::Sanitize(text);
    const std::size_t from = Utf8::ByteOffset(valid, PART);
    return Utf8::Left(std::string_view(valid).substr(from), PART);
}

std::int64_t CObjectInfoSet::RowId(const CSqliteStmt& stmt) {
    return stmt.Int(0);
}

void CObjectInfoSet::Read(const CSqliteStmt& stmt, CObjectInfoMsg& r) {
    r.IdCode = stmt.Text(1);
    r.IdInfo = stmt.Text(2);
    r.Address = stmt.Text(3);
    r.Days = static_cast<std::uint16_t>(stmt.Int(4));
    r.LastTestAlarm = stmt.Date(5);
    r.TestAlarmOnly = stmt.Int(6) != 0;
    r.AlarmPopUpEnabled = stmt.Int(7) != 0;
    r.MailAddrTech = stmt.Text(8) + stmt.Text(9);
    r.SmsNumTech = stmt.Text(10);
    r.MailAddrEmg = stmt.Text(11) + stmt.Text(12);
    r.SmsNumEmg = stmt.Text(13);
    r.ElevatorType = stmt.Text(14);
    r.Customer = stmt.Text(15);
    r.Notes = stmt.Text(16) + stmt.Text(17);
    r.PhoneNumber = stmt.Text(18);
}

void CObjectInfoSet::Insert(CSqliteDb& db, const CObjectInfoMsg& record, bool withPhoneNumber) {
    CSqliteStmt stmt = db.Prepare("INSERT INTO ObjectInfo (IdCode, IdInfo, Address, Days, LastTestAlarm, "
                                  "TestAlarmOnly, AlarmPopUpEnabled, "
                                  "MailAddrTech1, MailAddrTech2, SmsNumTech, MailAddrEmg1, MailAddrEmg2, "
                                  "SmsNumEmg, ElevatorType, Customer, "
                                  "Notes1, Notes2, PhoneNumber) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, "
                                  "?10, ?11, ?12, ?13, ?14, ?15, "
                                  "?16, ?17, ?18)");
    BindColumns(stmt, record, withPhoneNumber);
    stmt.Execute();
}

void CObjectInfoSet::Update(CSqliteDb& db, std::int64_t rowId, const CObjectInfoMsg& record) {
    CSqliteStmt stmt = db.Prepare(
        "UPDATE ObjectInfo SET IdCode = ?1, IdInfo = ?2, Address = ?3, Days = ?4, LastTestAlarm = ?5, "
        "TestAlarmOnly = ?6, AlarmPopUpEnabled = ?7, MailAddrTech1 = ?8, MailAddrTech2 = ?9, SmsNumTech = "
        "?10, "
        "MailAddrEmg1 = ?11, MailAddrEmg2 = ?12, SmsNumEmg = ?13, ElevatorType = ?14, Customer = ?15, "
        "Notes1 = ?16, Notes2 = ?17, PhoneNumber = ?18 WHERE rowid = ?19");
    BindColumns(stmt, record, true);
    stmt.Bind(19, rowId);
    stmt.Execute();
}
