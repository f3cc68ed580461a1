#include "HeadlessFrontEnd.h"

#include "AlarmDialog.h"
#include "AlarmInfoMsg.h"

#include <chrono>

CHeadlessFrontEnd::CHeadlessFrontEnd(std::string operatorName, std::FILE* out, std::FILE* err)
    : m_operator(std::move(operatorName)), m_out(out), m_err(err) {}

std::string CHeadlessFrontEnd::Escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

void CHeadlessFrontEnd::Print(const std::string& line) {
    std::fprintf(m_out, "%s\n", line.c_str());
    std::fflush(m_out);
}

IFrontEnd::EResult CHeadlessFrontEnd::MessageBox(const std::string& text, EButtons buttons, EIcon,
                                                 int defaultButton) {
    std::fprintf(m_err, "MORA: %s\n", text.c_str());
    std::fflush(m_err);
    static constexpr EResult kOk[] = {EResult::Ok};
    static constexpr EResult kOkCancel[] = {EResult::Ok, EResult::Cancel};
    static constexpr EResult kYesNo[] = {EResult::Yes, EResult::No};
    static constexpr EResult kYesNoCancel[] = {EResult::Yes, EResult::No, EResult::Cancel};
    static constexpr EResult kRetryCancel[] = {EResult::Retry, EResult::Cancel};
    static constexpr EResult kAbortRetryIgnore[] = {EResult::Abort, EResult::Retry, EResult::Ignore};
    const EResult* order = kOk;
    int count = 1;
    switch (buttons) {
    case EButtons::Ok:
        break;
    case EButtons::OkCancel:
        order = kOkCancel;
        count = 2;
        break;
    case EButtons::YesNo:
        order = kYesNo;
        count = 2;
        break;
    case EButtons::YesNoCancel:
        order = kYesNoCancel;
        count = 3;
        break;
    case EButtons::RetryCancel:
        order = kRetryCancel;
        count = 2;
        break;
    case EButtons::AbortRetryIgnore:
        order = kAbortRetryIgnore;
        count = 3;
        break;
    }
    return order[(defaultButton >= 0 && defaultButton < count) ? defaultButton : 0];
}

void CHeadlessFrontEnd::SetPaneText(int pane, const std::string& text) {
    if (pane == 0) {
        return; // progress texts of the list, not events
    }
    Print("PANE " + std::to_string(pane) + " " + Escape(text));
}

void CHeadlessFrontEnd::AddSystemInfo(const std::string& text, bool) {
    Print("SYSINFO " + Escape(text));
}

IFrontEnd::EDbMgrAnswer CHeadlessFrontEnd::DatabaseMgrDialog(int mode,
                                                             const std::vector<std::string>& lines) {
    ++m_dbQuestions;
    for (const auto& line : lines) {
        std::fprintf(m_err, "MORA: %s\n", line.c_str());
    }
    std::fflush(m_err);
    switch (mode) {
    case 2:
        return EDbMgrAnswer::CreateEmpty; // no database yet: make one
    case 4:
        return EDbMgrAnswer::CreateAndCopy; // version-1 files: make one and copy them
    case 6:
        return EDbMgrAnswer::Ok; // created: start
    default:
        return EDbMgrAnswer::Cancel; // missing folder, damaged file, failure: end
    }
}

void CHeadlessFrontEnd::DatabaseMgrProgress(const std::string& line) {
    std::fprintf(m_err, "MORA: %s\n", line.c_str());
    std::fflush(m_err);
}

void CHeadlessFrontEnd::DialogOpened(CAlarmDialog& dialog) {
    // Nobody looks at a viewing dialog here; a voice-call dialog follows its call until it ends.
    if (dialog.Mode() == CAlarmDialog::EMode::Viewing) {
        dialog.OnClose();
    }
}

void CHeadlessFrontEnd::DialogChanged(CAlarmDialog& dialog) {
    if (dialog.Mode() == CAlarmDialog::EMode::VoiceCall && dialog.CallEnded() && !dialog.Closed()) {
        dialog.Dismiss();
    }
}

void CHeadlessFrontEnd::WakeUp() {
    {
        std::lock_guard guard(m_lock);
        ++m_pendingWakeUps;
    }
    m_wake.notify_one();
}

void CHeadlessFrontEnd::RequestClose() {
    {
        std::lock_guard guard(m_lock);
        m_closeRequested = true;
    }
    m_wake.notify_one();
}

int CHeadlessFrontEnd::WaitForWork(int timeoutMs, bool& closeRequested) {
    std::unique_lock lock(m_lock);
    m_wake.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                    [this] { return m_pendingWakeUps > 0 || m_closeRequested; });
    const int n = m_pendingWakeUps;
    m_pendingWakeUps = 0;
    closeRequested = m_closeRequested;
    return n;
}

bool CHeadlessFrontEnd::SelectOperator(bool, std::string& name) {
    if (m_operator.empty()) {
        return false;
    }
    name = m_operator;
    return true;
}

void CHeadlessFrontEnd::AlarmShown(const CAlarmInfoMsg& a) {
    Print("ALARM key=" + std::to_string(a.PrimaryKey) + " type=" + std::to_string(a.AlarmType) +
          " status=" + std::to_string(a.AlarmStatus) + " source=" + std::to_string(a.AlarmSource) + " id=" +
          Escape(a.IdCode) + " info=\"" + Escape(a.IdInfo) + "\" text=\"" + Escape(a.Text.Text()) + "\"");
}

void CHeadlessFrontEnd::AlarmStatusChanged(unsigned key, int status) {
    Print("STATUS key=" + std::to_string(key) + " status=" + std::to_string(status));
}

void CHeadlessFrontEnd::CallEvent(std::uint16_t state, std::uint16_t secondsLeft) {
    char left[16];
    std::snprintf(left, sizeof left, "%02d:%02d", secondsLeft / 60, secondsLeft % 60);
    Print("CALL state=" + std::to_string(state) + " left=" + left);
}
