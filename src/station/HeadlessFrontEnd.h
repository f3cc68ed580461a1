#pragma once

#include "StationFrontEnd.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

// The front end of a station without a display: every question gets its safe default answer, and
// what a GUI would show is printed, one stable line per event, on standard output:
//
//   ALARM key=<k> type=<t> status=<s> source=<src> id=<id code> info="<id info>" text="<text>"
//   STATUS key=<k> status=<s>
//   CALL state=<state> left=<mm:ss>
//   PANE <n> <text>
//   SYSINFO <text>
//
// Texts in quotes escape backslash, double quote, CR, LF and TAB as \\ \" \r \n \t. Message box
// texts go to standard error.
class CHeadlessFrontEnd : public IStationFrontEnd {
public:
    explicit CHeadlessFrontEnd(std::string operatorName, std::FILE* out = stdout, std::FILE* err = stderr);

    // IFrontEnd
    EResult MessageBox(const std::string& text, EButtons buttons, EIcon icon, int defaultButton) override;
    void SetPaneText(int pane, const std::string& text) override;
    void AddSystemInfo(const std::string& text, bool toFront) override;
    void Beep(EBeep) override {}
    // Nobody can pick another port: the station keeps the modem and waits for its port.
    bool RetryMissingPort() override { return true; }
    EDbMgrAnswer DatabaseMgrDialog(int mode, const std::vector<std::string>& lines) override;
    void DatabaseMgrProgress(const std::string& line) override;

    // IAlarmView
    void ListChanged() override {}
    void DialogOpened(CAlarmDialog& dialog) override;
    void DialogChanged(CAlarmDialog& dialog) override;
    void PlayAlertSound() override {}

    // IStationFrontEnd
    void WakeUp() override;
    bool SelectOperator(bool startup, std::string& name) override;
    void AlarmShown(const CAlarmInfoMsg& alarm) override;
    void AlarmStatusChanged(unsigned key, int status) override;
    void CallEvent(std::uint16_t state, std::uint16_t secondsLeft) override;
    void RequestClose() override;

    // The main loop: waits at most timeoutMs for a wake-up or a close. Returns the number of
    // wake-ups to serve (each one OnUserMessage), and sets closeRequested.
    int WaitForWork(int timeoutMs, bool& closeRequested);

    static std::string Escape(const std::string& text);
    // How many database manager questions were asked; the first answer creates a database, a
    // second question means that did not help, and the start ends.
    int DatabaseQuestions() const { return m_dbQuestions; }

private:
    void Print(const std::string& line);

    std::string m_operator;
    std::FILE* m_out;
    std::FILE* m_err;
    std::mutex m_lock;
    std::condition_variable m_wake;
    int m_pendingWakeUps = 0;
    bool m_closeRequested = false;
    int m_dbQuestions = 0;
};
