#pragma once

#include "AlarmList.h"
#include "DatabaseMgr.h"
#include "GsmMgr.h"
#include "MailMgr.h"
#include "Settings.h"
#include "StationFrontEnd.h"
#include "TelMgr.h"
#include "ThreadQueue.h"

#include <memory>
#include <string>

// The application core: owns the user-interface queue, the settings, the four managers and the
// alarm list, starts and stops the managers in their fixed order, and routes every message that
// arrives on the user-interface queue. Everything but PostMsg runs on the user-interface thread.
class CMORADoc : public IMsgSink, public IAlarmListHost {
public:
    static constexpr const char* PRODUCT_NAME = "Brennvik MORA";
    static constexpr const char* VERSION = "2.65";
    static constexpr int MAIL_PANE = 1;
    static constexpr std::uint32_t STOP_PAUSE_MS = 100;

    // Loads the settings and initialises the managers; no thread runs yet. workFolder is where
    // AlarmTypeText.ini and the user message files are (empty: the working directory).
    CMORADoc(IStationFrontEnd& frontEnd, const IClock& clock = CSystemClock::Instance(),
             std::string workFolder = {});
    ~CMORADoc() override;
    CMORADoc(const CMORADoc&) = delete;
    CMORADoc& operator=(const CMORADoc&) = delete;

    // Start-up from the operator's choice on: operator, database, mail, telephone and GSM managers,
    // then the alarm list. False when a step failed; the program must end.
    bool Start();
    // Stops the telephone, mail, GSM and database managers in that order, 100 ms apart.
    void Shutdown();

    // Any thread: queue a message for the user-interface thread and ask for one wake-up.
    void PostMsg(MsgPtr msg);
    void PutMsg(MsgPtr msg) override { PostMsg(std::move(msg)); }
    // One wake-up: deliver one message of the queue to its receiver.
    void OnUserMessage();

    bool SelectOperator(bool startup);
    // A kind-31 record that is not for the print dialog. Returns it when the caller is to delete
    // it, null when it was handed on.
    MsgPtr HandleAlarmRecord(MsgPtr msg);
    void OnSettingsChanged(unsigned groups);

    // IAlarmListHost
    void DbRequest(MsgPtr request) override;
    void SendToTelephone(MsgPtr msg) override;
    void ForwardAlarm(const CAlarmInfoMsg& alarm) override;
    std::string CurrentOperator() const override { return m_operator; }
    CSettings& Settings() override { return m_settings; }
    const IClock& Clock() const override { return m_clock; }

    CAlarmList& AlarmList() { return m_alarmList; }
    // Where AlarmTypeText.ini and the user message files are (empty: the working directory).
    const std::string& WorkFolder() const { return m_workFolder; }
    CDatabaseMgr& DatabaseMgr() { return m_databaseMgr; }
    CTelMgr& TelMgr() { return m_telMgr; }
    CMailMgr& MailMgr() { return m_mailMgr; }
    CGsmMgr& GsmMgr() { return m_gsmMgr; }
    std::size_t PendingMessages() const { return m_uiQueue.Count(); }

private:
    void Pause() const { m_clock.Sleep(STOP_PAUSE_MS); }

    IStationFrontEnd& m_frontEnd;
    const IClock& m_clock;
    std::string m_workFolder;
    CThreadQueue m_uiQueue;
    CSettings m_settings;
    CDatabaseMgr m_databaseMgr;
    CTelMgr m_telMgr;
    CMailMgr m_mailMgr;
    CGsmMgr m_gsmMgr;
    std::string m_operator;
    CAlarmList m_alarmList;
    bool m_started = false;
    bool m_stopped = false;
};
