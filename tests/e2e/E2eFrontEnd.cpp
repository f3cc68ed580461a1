#include "E2eFrontEnd.h"

#include "AlarmInfoMsg.h"

std::FILE* CE2eFrontEnd::Open(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    return file != nullptr ? file : stderr;
}

CE2eFrontEnd::CE2eFrontEnd(const std::string& outPath, const std::string& errPath)
    : CE2eFrontEnd(Open(outPath), Open(errPath)) {}

CE2eFrontEnd::CE2eFrontEnd(std::FILE* out, std::FILE* err)
    : CHeadlessFrontEnd("Eva", out, err), m_outFile(out), m_errFile(err) {}

CE2eFrontEnd::~CE2eFrontEnd() {
    for (std::FILE* file : {m_outFile, m_errFile}) {
        if (file != stderr) {
            std::fclose(file);
        }
    }
}

void CE2eFrontEnd::SetPaneText(int pane, const std::string& text) {
    m_panes.emplace(pane, text);
    CHeadlessFrontEnd::SetPaneText(pane, text);
}

void CE2eFrontEnd::AddSystemInfo(const std::string& text, bool toFront) {
    m_systemInfo.push_back(text);
    CHeadlessFrontEnd::AddSystemInfo(text, toFront);
}

void CE2eFrontEnd::AlarmShown(const CAlarmInfoMsg& alarm) {
    m_alarms.push_back(SShownAlarm{alarm.PrimaryKey, alarm.AlarmType, alarm.AlarmStatus, alarm.AlarmSource,
                                   alarm.IdCode, alarm.IdInfo, alarm.Text.Text(), alarm.MailRecipients,
                                   alarm.SmsRecipients});
    CHeadlessFrontEnd::AlarmShown(alarm);
}

void CE2eFrontEnd::CallEvent(std::uint16_t state, std::uint16_t secondsLeft) {
    m_callStates.push_back(state);
    CHeadlessFrontEnd::CallEvent(state, secondsLeft);
}

std::string CE2eFrontEnd::Pane(int pane) const {
    std::string last;
    const auto range = m_panes.equal_range(pane);
    for (auto it = range.first; it != range.second; ++it) {
        last = it->second;
    }
    return last;
}

std::vector<std::string> CE2eFrontEnd::PaneHistory(int pane) const {
    std::vector<std::string> texts;
    const auto range = m_panes.equal_range(pane);
    for (auto it = range.first; it != range.second; ++it) {
        texts.push_back(it->second);
    }
    return texts;
}
