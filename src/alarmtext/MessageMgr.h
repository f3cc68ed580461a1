#pragma once

#include "AlarmInfoMsg.h"
#include "Clock.h"
#include "Msg.h"

#include <memory>
#include <string>

class CGsmHandlerMsg;
class CTelHandlerMsg;

// Turns every alarm that reaches the station (a decoded telephone alarm, kind 42; a received SMS,
// kind 39; an identified GSM caller, kind 40) into a new alarm record (kind 31, request status 1)
// with its source, type, status, ID code and text. Lives in the database handler and runs on its
// thread; it keeps no state between calls.
class CMessageMgr {
public:
    // userMsgFolder: where the user message files are; empty means the working directory.
    explicit CMessageMgr(const IClock& clock, std::string userMsgFolder = {});
    ~CMessageMgr();

    CMessageMgr(const CMessageMgr&) = delete;
    CMessageMgr& operator=(const CMessageMgr&) = delete;

    // The new alarm record, or null for any other kind (or a message whose class does not match
    // its kind). The caller keeps the input; the record belongs to the caller.
    std::unique_ptr<CAlarmInfoMsg> ProcessMessage(const CMsg& msg) const;

    // The user message lines of a code from the user message files, or empty.
    std::string LookupUserMessage(char letter, int number) const;

private:
    std::unique_ptr<CAlarmInfoMsg> ProcessTelAlarm(const CTelHandlerMsg& msg) const;
    std::unique_ptr<CAlarmInfoMsg> ProcessSms(const CGsmHandlerMsg& msg) const;
    std::unique_ptr<CAlarmInfoMsg> ProcessCaller(const CGsmHandlerMsg& msg) const;

    void AddUserDataText(const CTelHandlerMsg& msg, CAlarmInfoMsg& alarm) const;
    void SetAlarmTime(CAlarmInfoMsg& alarm) const;

    const IClock& m_clock;
    std::string m_userMsgFolder;
};
