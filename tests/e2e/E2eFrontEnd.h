#pragma once

#include "HeadlessFrontEnd.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

// An alarm as the station showed it.
struct SShownAlarm {
    std::uint32_t Key = 0;
    int Type = 0;
    int Status = 0;
    int Source = 0;
    std::string IdCode;
    std::string IdInfo;
    std::string Text;
    std::string MailRecipients;
    std::string SmsRecipients;
};

// The headless front end as the program runs it (its lines go to a file in the test's folder),
// remembering what it showed so that a test can wait for it. Everything but WakeUp runs on the
// test's thread, which serves the station's user-interface queue.
class CE2eFrontEnd : public CHeadlessFrontEnd {
public:
    CE2eFrontEnd(const std::string& outPath, const std::string& errPath);
    ~CE2eFrontEnd() override;
    CE2eFrontEnd(const CE2eFrontEnd&) = delete;
    CE2eFrontEnd& operator=(const CE2eFrontEnd&) = delete;

    void SetPaneText(int pane, const std::string& text) override;
    void AddSystemInfo(const std::string& text, bool toFront) override;
    void AlarmShown(const CAlarmInfoMsg& alarm) override;
    void CallEvent(std::uint16_t state, std::uint16_t secondsLeft) override;

    const std::vector<SShownAlarm>& Alarms() const { return m_alarms; }
    const std::vector<std::uint16_t>& CallStates() const { return m_callStates; }
    const std::vector<std::string>& SystemInfo() const { return m_systemInfo; }
    std::string Pane(int pane) const;
    // Every text a pane has shown, in order.
    std::vector<std::string> PaneHistory(int pane) const;

private:
    CE2eFrontEnd(std::FILE* out, std::FILE* err);
    static std::FILE* Open(const std::string& path);

    std::FILE* m_outFile;
    std::FILE* m_errFile;
    std::vector<SShownAlarm> m_alarms;
    std::vector<std::uint16_t> m_callStates;
    std::vector<std::string> m_systemInfo;
    std::multimap<int, std::string> m_panes;
};
