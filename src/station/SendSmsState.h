#pragma once

#include "Clock.h"
#include "FrontEnd.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

class CGsmMgr;

// The logic of the Send SMS dialog: the number check of a send, the wait for the first send report
// with its 15-second time-out on the station's clock, and the status rows (newest first, never
// trimmed). The dialog draws the rows and calls Poll while a send is waiting.
class CSendSmsState {
public:
    static constexpr std::uint32_t TIMEOUT_MS = 15000;
    static constexpr std::size_t MAX_NUMBERS_CHARS = 255;
    static constexpr std::size_t MAX_MESSAGE_CHARS = 160;
    // The request tag that brings the send reports back to this dialog.
    static constexpr std::uint16_t REQUEST_TAG = 1;
    static constexpr std::uint16_t REPORT_SENT = 8;
    static constexpr std::uint16_t REPORT_FAILED = 9;

    enum class ESend { Posted, NoNumber, InvalidNumbers };

    struct SRow {
        std::string Status;
        std::string Time; // local time "hh:mm:ss:mmm"
    };

    explicit CSendSmsState(const IClock& clock) : m_clock(clock) {}

    // Send: checks the numbers; when they pass, hands the message (unchecked, possibly empty) and
    // the numbers as typed to the GSM manager, adds the "posted" row and starts the wait.
    ESend Send(CGsmMgr& gsm, const std::string& numbers, const std::string& message);
    // The dictionary tag of the message box for a refused send; null for Posted.
    static const char* RefusalTag(ESend result);

    // A send report of the GSM manager: adds its row and ends the wait. Returns the beep to play,
    // nothing for codes other than sent and failed. A report after the time-out still adds its row.
    std::optional<IFrontEnd::EBeep> OnReport(std::uint16_t code, const std::string& number);

    // True once when the wait has run out: the time-out row is added and the wait ended; the
    // dialog then beeps and comes to the front.
    bool Poll();

    bool Waiting() const { return m_waiting; }
    bool SendEnabled() const { return !m_waiting; }
    // Milliseconds left of the wait (0 when none runs or it is due).
    std::uint32_t TimeLeft() const;

    const std::deque<SRow>& Rows() const { return m_rows; }

    // Told around every new top row, so that a list model can announce it.
    std::function<void()> BeforeRowAdded;
    std::function<void()> AfterRowAdded;

private:
    void AddRow(const std::string& status);
    void EndWait() { m_waiting = false; }

    const IClock& m_clock;
    bool m_waiting = false;
    std::uint32_t m_waitStart = 0;
    std::deque<SRow> m_rows;
};
