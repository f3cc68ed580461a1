#pragma once

#include "AtCmdProt.h"
#include "Clock.h"
#include "GsmMsg.h"
#include "IntervalTimer.h"
#include "LogFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The AT command codec of the GSM modem (3GPP TS 27.005 / 27.007, text mode): turns a request
// into the exact command text and the modem's lines into replies, including the assembly of a
// listed SMS from its header line and its text line, and the conversions between the GSM default
// alphabet and the station's text.
class CGsmInfo {
public:
    // What Receive expects of the next line.
    enum ReceiveState : std::int16_t {
        GSMINFO_RXST_NORMAL = 0,
        GSMINFO_RXST_SMS_TEXT = 1,
        GSMINFO_RXST_MODEL_NAME = 2,
    };

    static constexpr std::uint32_t TEXT_WAIT_MS = 500;
    static constexpr std::size_t NET_SELECTION_COUNT = 7;

    explicit CGsmInfo(const IClock& clock = CSystemClock::Instance());

    int Open(std::int16_t port, std::uint32_t baudRate) { return m_atCmdProt.Open(port, baudRate); }
    void Close() { m_atCmdProt.Close(); }
    bool IsOpen() const { return m_atCmdProt.IsOpen(); }
    // Bytes read from the port and not yet taken by the line reader.
    bool HasBufferedInput() const { return m_atCmdProt.HasBufferedInput(); }

    void SetLog(CLogFile* log) { m_log = log; }
    void SetModel(std::uint16_t model) { m_model = model; }
    std::uint16_t Model() const { return m_model; }
    std::int16_t ReceiveState() const { return m_receiveState; }

    // Whether a read or a write failed since the last call (the device may have gone away).
    bool TakePortFailure() {
        const bool failed = m_portFailure;
        m_portFailure = false;
        return failed;
    }

    // Writes the command of the request's kind. Returns the write result of CAtCmdProt, or 0
    // when the kind has no command.
    int Send(const CGsmMsg& request);

    // One step: a reply when a line (or an SMS header with its text) completed one.
    // One step of reception; without a byte waiting it sleeps as CAtCmdProt::ReadLine does.
    std::unique_ptr<CGsmMsg> Receive(std::uint32_t maxWaitMs = 1);

    // The AT+WS46 value of a network selection index; the first entry for an index out of range.
    static int NetSelectionValue(std::uint16_t index);
    // The model code of an AT+CGMM answer.
    static std::uint16_t ModelFromName(std::string_view name);
    // Signal quality in percent from the first +CSQ value.
    static std::uint16_t QualityFromRssi(int rssi);

    // GSM default alphabet bytes as the modem sends them to UTF-8 text.
    static std::string GsmToText(std::string_view gsm);
    // UTF-8 text to GSM default alphabet bytes for sending.
    static std::string TextToGsm(std::string_view text);

private:
    void Log(std::string_view source, std::string_view text);
    std::unique_ptr<CGsmMsg> ParseLine(const std::string& line);
    std::unique_ptr<CGsmMsg> ParseListHeader(const std::string& line);

    CAtCmdProt m_atCmdProt;
    std::uint16_t m_model = CGsmMsg::MODEL_UNKNOWN;
    std::int16_t m_receiveState = GSMINFO_RXST_NORMAL;
    CIntervalTimer m_timer;
    std::unique_ptr<CGsmMsg> m_pendingSms;
    CLogFile* m_log = nullptr;
    bool m_readFailing = false;
    bool m_portFailure = false;
};
