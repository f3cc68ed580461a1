#include "AtCmdProt.h"

#include "ThreadWait.h"

namespace {
constexpr std::uint8_t CR = 13;
constexpr std::uint8_t LF = 10;
// Bytes thrown away at most when the port opens; a modem that never stops talking must not
// hold up the start.
constexpr int MAX_DISCARD = 65536;
} // namespace

CAtCmdProt::CAtCmdProt(const IClock& clock) : m_clock(clock), m_idleTimer(clock) {}

int CAtCmdProt::Open(std::int16_t port, std::uint32_t baudRate) {
    m_port.SetPortNumber(port);
    m_port.SetSpeed(baudRate);
    if (m_port.Open() != CSerialPort::SERIAL_OPEN_OK) {
        return ATCMDPROT_OPEN_ERROR;
    }
    std::uint8_t byte = 0;
    for (int i = 0; i < MAX_DISCARD && m_port.ReadByte(byte) == CSerialPort::SERIAL_READ_BYTE; ++i) {
    }
    m_line.clear();
    m_count = 0;
    m_endOfLine = false;
    m_rawCount = 0;
    m_textLineExpected = false;
    return ATCMDPROT_OPEN_OK;
}

void CAtCmdProt::Close() {
    m_port.Close();
}

int CAtCmdProt::Write(std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    return m_port.Write(bytes, text.size()) == CSerialPort::SERIAL_WRITE_OK ? ATCMDPROT_SEND_OK
                                                                            : ATCMDPROT_SEND_ERROR;
}

void CAtCmdProt::SetRawTextCount(std::int16_t count) {
    m_rawCount = count;
    m_textLineExpected = true;
}

void CAtCmdProt::CancelRawText() {
    m_rawCount = 0;
    m_textLineExpected = false;
}

int CAtCmdProt::TakeLine(std::string& line) {
    line = std::move(m_line);
    m_line.clear();
    m_count = 0;
    m_rawCount = 0;
    m_endOfLine = false;
    m_textLineExpected = false;
    return ATCMDPROT_RECEIVE_LINE;
}

int CAtCmdProt::ReadLine(std::string& line, std::uint32_t maxWaitMs) {
    std::uint8_t byte = 0;
    const std::uint16_t read = m_port.ReadByte(byte);
    if (read == CSerialPort::SERIAL_READ_FAILED) {
        // Pause as for an idle line, so a dead device does not spin the thread.
        m_clock.Sleep(1);
        return ATCMDPROT_RECEIVE_ERROR;
    }
    if (read == CSerialPort::SERIAL_READ_NONE) {
        if (maxWaitMs != 0) {
            ThreadWait::Wait(m_clock, m_port.Fd(), maxWaitMs);
        }
    } else {
        m_idleTimer.Start(IDLE_LINE_END_MS);
        if (m_count == 0) {
            m_line.clear();
        }
        if (m_count >= MAX_LINE) {
            // Overlong: the line so far is abandoned together with this byte.
            m_count = 0;
            m_rawCount = 0;
            m_endOfLine = false;
            m_line.clear();
        } else {
            ++m_count;
            if (byte == CR) {
                if (m_rawCount <= 0) {
                    m_endOfLine = true;
                } else {
                    // A CR inside the text is one of its counted characters; it is not kept.
                    --m_rawCount;
                }
            } else if (byte == LF && m_endOfLine) {
                m_endOfLine = false;
                if (!m_line.empty() || m_textLineExpected) {
                    return TakeLine(line);
                }
                // An empty line: nothing to return, and it does not count towards the next one.
                m_count = 0;
            } else {
                m_line += static_cast<char>(byte);
                m_endOfLine = false;
                if (m_rawCount > 0) {
                    --m_rawCount;
                }
            }
        }
    }
    if (m_count > 0 && m_idleTimer.Expired()) {
        if (!m_line.empty() || m_textLineExpected) {
            return TakeLine(line);
        }
        // Only stray line ends: forget them.
        m_count = 0;
        m_endOfLine = false;
    }
    return ATCMDPROT_RECEIVE_NONE;
}
