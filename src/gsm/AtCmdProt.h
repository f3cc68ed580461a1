#pragma once

#include "Clock.h"
#include "IntervalTimer.h"
#include "SerialPort.h"

#include <cstdint>
#include <string>
#include <string_view>

// Writes AT command text to the GSM modem's serial port and cuts the modem's output into lines,
// one byte per step. A line ends with CR LF, or after 100 ms of silence; lines longer than 256
// characters are abandoned. While the raw-text countdown runs (the text of a listed SMS) a CR does
// not end the line, so a text keeps its own line breaks.
class CAtCmdProt {
public:
    enum OpenResult : int { ATCMDPROT_OPEN_ERROR = 0, ATCMDPROT_OPEN_OK = 1 };
    enum WriteResult : int { ATCMDPROT_SEND_OK = 3, ATCMDPROT_SEND_ERROR = 4 };
    enum ReadResult : int {
        ATCMDPROT_RECEIVE_NONE = 0,
        ATCMDPROT_RECEIVE_LINE = 1,
        ATCMDPROT_RECEIVE_ERROR = 2
    };

    static constexpr std::int16_t MAX_LINE = 256;
    static constexpr std::uint32_t IDLE_LINE_END_MS = 100;

    explicit CAtCmdProt(const IClock& clock = CSystemClock::Instance());

    // Opens the port and throws away whatever the modem had already sent.
    int Open(std::int16_t port, std::uint32_t baudRate);
    void Close();
    bool IsOpen() const { return m_port.IsOpen(); }
    // Bytes read from the port and not yet taken by the reader.
    bool HasBufferedInput() const { return m_port.HasBufferedBytes(); }

    int Write(std::string_view text);

    // One step of the line reader.
    // Without a byte waiting, sleeps up to `maxWaitMs` (or to a timer of this thread, or until work
    // is queued for it) for the next one.
    int ReadLine(std::string& line, std::uint32_t maxWaitMs = 1);

    // The next count characters are the text of an SMS. The line they end is returned even when
    // it is empty (an SMS may have no text).
    void SetRawTextCount(std::int16_t count);
    // The text did not come: back to ordinary lines.
    void CancelRawText();
    std::int16_t RawTextCount() const { return m_rawCount; }

private:
    int TakeLine(std::string& line);

    const IClock& m_clock;
    CSerialPort m_port;
    std::string m_line;
    std::int16_t m_count = 0;
    bool m_endOfLine = false;
    CIntervalTimer m_idleTimer;
    std::int16_t m_rawCount = 0;
    bool m_textLineExpected = false;
};
