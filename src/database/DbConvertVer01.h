#pragma once

#include "DbConvert.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

class CAlarmInfoMsg;
class CObjectInfoMsg;
class CSqliteTransaction;

// Copies the object register (IdInfo.dat) and the alarm history (EventSave.dat) of version 1
// into a newly created database. Both files are only read. Malformed input never stops the
// import: bad object lines are skipped, a cut-off last alarm is dropped, non-numbers read as 0.
// A row the database refuses is shown and skipped; a file that cannot be read to its end or whose
// rows cannot be committed fails the import.
class CDbConvertVer01 : public CDbConvert {
public:
    static constexpr const char* OBJECT_FILE = "IdInfo.dat";
    static constexpr const char* ALARM_FILE = "EventSave.dat";
    static constexpr char FIELD_SEPARATOR = '\x1f';

    using CDbConvert::CDbConvert;

    // True when the new database could be opened and both files came in whole; rows that fail are
    // shown and skipped.
    bool Convert() override;

    // One line of IdInfo.dat into the (reused) object record; false when the line is skipped.
    static bool ParseObjectLine(const std::string& line, CObjectInfoMsg& object);
    // The alarm type of version 1 as the alarm type of today.
    static std::uint8_t TranslateAlarmType(int version1Type, std::uint8_t alarmSource);
    // Leading digits as the standard atoi reads them (anything else gives 0).
    static std::int64_t AtoI(const std::string& text);

private:
    // Each false when the file did not come in whole (read error, transaction lost or not
    // committed); a file that cannot be opened is skipped and gives true.
    bool ImportObjects();
    bool ImportAlarms();
    std::unique_ptr<CSqliteTransaction> BeginFile();
    bool FileLost(const std::unique_ptr<CSqliteTransaction>& batch) const;
    bool EndFile(std::unique_ptr<CSqliteTransaction>& batch, const std::istream& in, const char* name);
};
