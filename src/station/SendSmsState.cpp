#include "SendSmsState.h"

#include "GsmMgr.h"
#include "TextValidators.h"
#include "Translate.h"

CSendSmsState::ESend CSendSmsState::Send(CGsmMgr& gsm, const std::string& numbers,
                                         const std::string& message) {
    if (numbers.empty()) {
        return ESend::NoNumber;
    }
    if (!TextValidators::IsValidNumberList(numbers)) {
        return ESend::InvalidNumbers;
    }
    m_waiting = true;
    gsm.SendFreeFormatSms(message, numbers, REQUEST_TAG);
    AddRow(Text::Tr("IDS_SENDSMSDLG_MSG_3"));
    m_waitStart = m_clock.Tick();
    return ESend::Posted;
}

const char* CSendSmsState::RefusalTag(ESend result) {
    switch (result) {
    case ESend::NoNumber:
        return "IDS_SENDSMSDLG_MSG_5";
    case ESend::InvalidNumbers:
        return "IDS_SENDSMSDLG_MSG_4";
    case ESend::Posted:
        break;
    }
    return nullptr;
}

std::optional<IFrontEnd::EBeep> CSendSmsState::OnReport(std::uint16_t code, const std::string& number) {
    if (code == REPORT_SENT) {
        AddRow(Text::TrF("IDS_SENDSMSDLG_MSG_6", number.c_str()));
        EndWait();
        return IFrontEnd::EBeep::Default;
    }
    if (code == REPORT_FAILED) {
        AddRow(Text::TrF("IDS_SENDSMSDLG_MSG_7", number.c_str()));
        EndWait();
        return IFrontEnd::EBeep::Exclamation;
    }
    return std::nullopt;
}

bool CSendSmsState::Poll() {
    if (!m_waiting || m_clock.Tick() - m_waitStart < TIMEOUT_MS) {
        return false;
    }
    EndWait();
    AddRow(Text::Tr("IDS_SENDSMSDLG_MSG_8"));
    return true;
}

std::uint32_t CSendSmsState::TimeLeft() const {
    if (!m_waiting) {
        return 0;
    }
    // Unsigned difference: correct across the wrap of the 32-bit tick.
    const std::uint32_t elapsed = m_clock.Tick() - m_waitStart;
    return elapsed >= TIMEOUT_MS ? 0 : TIMEOUT_MS - elapsed;
}

void CSendSmsState::AddRow(const std::string& status) {
    const SLocalTime now = m_clock.Now();
    SRow row{status, Text::Format("%02d:%02d:%02d:%03d", now.Hour, now.Minute, now.Second, now.Millisecond)};
    if (BeforeRowAdded) {
        BeforeRowAdded();
    }
    m_rows.push_front(std::move(row));
    if (AfterRowAdded) {
        AfterRowAdded();
    }
}
