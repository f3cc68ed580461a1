#pragma once

#include "ComMsg.h"
#include "Handler.h"
#include "IncomingCallMgr.h"
#include "IntervalTimer.h"
#include "LogFile.h"
#include "SwHwInfo.h"
#include "TelComHandler.h"
#include "TelHandlerMsg.h"
#include "TelInfo.h"
#include "TelLine.h"
#include "TelMsg.h"
#include "TelPrimitives.h"

#include <cstdint>
#include <memory>
#include <string>

// ReadSwHwInfo results.
inline constexpr std::uint16_t TELHND_RSRET_BUSY = 0;
inline constexpr std::uint16_t TELHND_RSRET_OK = 1;
inline constexpr std::uint16_t TELHND_RSRET_COM_ERROR = 2;
// TelCommReset results.
inline constexpr std::uint16_t TELHND_TRRET_BUSY = 0;
inline constexpr std::uint16_t TELHND_TRRET_OK = 1;
inline constexpr std::uint16_t TELHND_TRRET_LINE_HELD = 2;
inline constexpr std::uint16_t TELHND_TRRET_COM_ERROR = 3;
// WaitReply results and modes.
inline constexpr std::uint16_t TELHND_WRRET_BUSY = 0;
inline constexpr std::uint16_t TELHND_WRRET_OK = 1;
inline constexpr std::uint16_t TELHND_WRRET_TIMEOUT = 2;
inline constexpr std::uint16_t TELHND_WRRET_COM_ERROR = 3;
inline constexpr std::uint16_t TELHND_WRMODE_BUSY_END = 1;   // wait for busy, then for busy to end
inline constexpr std::uint16_t TELHND_WRMODE_BUSY_REPLY = 2; // wait for busy, then for a reply
inline constexpr std::uint16_t TELHND_WRMODE_REPLY = 3;      // wait for a reply at once

// Status codes of the kind-43 message.
enum TelStatusCode : std::uint16_t {
    TELSTATUS_NO_LINE = 0,
    TELSTATUS_LINE_OK = 1,
    TELSTATUS_RING = 2,
    TELSTATUS_INCOMING_CALL = 3,
    TELSTATUS_COM_TIMEOUT = 4,
    TELSTATUS_COM_ERROR = 5,
    TELSTATUS_SERIAL_FAILURE = 6,
    TELSTATUS_SW_TOO_OLD = 7,
    TELSTATUS_MODEL_NOT_SUPPORTED = 8,
    TELSTATUS_STARTUP_INFO = 9,
    // The serial link failed again within the same outage: the pane says so, the operator was
    // already told (status 6).
    TELSTATUS_LINK_DOWN = 10,
    // Not from the handler: the telephone manager's port watch found the missing serial port.
    TELSTATUS_PORT_FOUND = 11,
};

// Settings the telephone manager hands to the handler before starting it.
struct STelHandlerConfig {
    std::int16_t PortNumber = 1;
    std::uint32_t Speed = 9600;
    std::int16_t RingSignals = 2;
    std::int32_t P100Enabled = 1;
    std::int32_t CpcEnabled = 0;
    std::int32_t VoiceCallEnabled = 0;
    std::int32_t RedirectMode = 0;
    std::int16_t NetSelection = 0;
};

// The telephone line's worker thread. Owns the modem link thread, keeps the modem's status, checks
// the modem at start-up, lets the incoming call manager run each answered call, recovers from
// communication failures and reports its status (kind 43), alarms (42) and call events (44) to its
// owner. Its primitives are step functions: call again until the result is non-zero.
//
// Kind 5 (a P100 message typed by hand) is a CComMsg laid out as the modem's 0x86 report:
// Data[2 .. 2 + Length) holds the 4-bit values.
class CTelHandler : public CHandler, public ITelPrimitives, public ITelLine {
public:
    enum HandlerState : std::uint32_t {
        TELHND_ST_START = 0,
        TELHND_ST_MODEM_INFO = 1,
        TELHND_ST_IDLE = 2,
        TELHND_ST_INCOMING = 3,
        TELHND_ST_LINE_RESET = 5,
        TELHND_ST_COM_TIMEOUT = 7,
        TELHND_ST_COM_WAIT = 8,
        TELHND_ST_COM_ERROR = 9,
        TELHND_ST_COM_ERROR_WAIT = 10,
        TELHND_ST_RETRY_WAIT = 11,
        TELHND_ST_LINK_DOWN = 12, // the serial link failed; waiting until it works again
    };

    static constexpr std::uint32_t BUSY_WAIT_MS = 1700;
    static constexpr std::uint32_t LINE_CONNECT_MS = 1700;
    static constexpr std::uint32_t SEND_RECEIVE_TIMEOUT_MS = 6200;
    static constexpr std::uint32_t SEND_RAW_TIMEOUT_MS = 6200;
    static constexpr std::uint32_t READ_INFO_TIMEOUT_MS = 4200;
    static constexpr std::uint32_t RESET_MS = 4200;
    static constexpr std::uint32_t RETRY_WAIT_MS = 20000;
    static constexpr std::uint32_t COM_WAIT_MS = 60000;
    static constexpr std::uint16_t MIN_SW_VERSION = 0x0142;
    static constexpr std::uint16_t NET_SELECT_SW_VERSION = 0x0150;

    explicit CTelHandler(IMsgSink* owner = nullptr, const IClock& clock = CSystemClock::Instance());
    ~CTelHandler() override;

    void Configure(const STelHandlerConfig& config) { m_config = config; }
    const STelHandlerConfig& Config() const { return m_config; }

    // Requests go to this sink instead of the handler's own link thread, which is then not
    // started (tests play the link through it and through PutMsg).
    void UseLink(IMsgSink* link) { m_linkOverride = link; }

    // The thread runs these three; tests step them directly with a fake clock.
    bool HandlerStart();
    void HandlerStep();
    std::uint16_t HandlerEnd();

    // ITelPrimitives
    std::uint16_t SendReceive(std::uint16_t protocol, std::uint16_t param,
                              std::unique_ptr<CTelHandlerMsg>& record) override;
    std::uint16_t SendRaw(const CBufferMsg& bytes) override;

    // ITelLine
    std::uint16_t LineConnect(std::int32_t on) override;
    void VoiceCall(std::int32_t on) override;
    std::uint8_t ModemFlags() const override { return m_modemFlags; }

    std::uint16_t ReadSwHwInfo(std::shared_ptr<CSwHwInfo>& info);
    std::uint16_t TelCommReset();
    std::uint16_t WaitReply(std::unique_ptr<CTelMsg>& reply, std::uint16_t mode, std::uint32_t timeoutMs);
    void SetRelay(std::uint16_t relay, std::int32_t on);
    bool CheckSwHwInfo(const CSwHwInfo& info);
    void TelStatus(std::uint16_t code, const std::string& text = {});

    static std::uint16_t SignalPercent(std::uint16_t raw);

    std::uint32_t State() const { return m_state; }
    bool ComError() const { return m_comError != 0; }
    bool LinkDown() const { return m_linkDown; }
    std::uint16_t InterfaceType() const { return m_interfaceType; }
    std::uint16_t SignalLevel() const { return m_signalLevel; }
    CIncomingCallMgr& CallMgr() { return *m_callMgr; }
    CTelInfo& TelInfo() { return m_telInfo; }

protected:
    void ThreadMain() override;

private:
    void HandleMessage(MsgPtr msg);
    // Drops what waits in the input queue from before this start; the operator's unattended
    // choice is kept.
    void DropOldMessages();
    void HandleLinkFailure(const CComMsg& msg, const char* logText, const char* textTag);
    void ResetPrimitives();
    void HandleFlags(const CComMsg& msg);
    void ReportLineStatus();
    void StepState();
    void Send(std::unique_ptr<CTelMsg> request);
    void Log(const char* source, const std::string& text);

    STelHandlerConfig m_config;
    CTelComHandler m_link;
    IMsgSink* m_linkOverride = nullptr;
    CTelInfo m_telInfo;
    std::unique_ptr<CIncomingCallMgr> m_callMgr;
    CIntervalTimer m_primTimer;
    CIntervalTimer m_stateTimer;
    std::unique_ptr<CLogFile> m_log;

    std::uint32_t m_state = TELHND_ST_START;
    std::uint8_t m_modemFlags = 0;
    std::int32_t m_comError = 0;
    bool m_linkDown = false;
    std::unique_ptr<CTelMsg> m_replySlot;
    bool m_acceptReply = false;
    std::uint16_t m_interfaceType = 0;
    std::uint16_t m_signalLevel = 0;

    std::uint32_t m_srState = 0;
    std::uint32_t m_rawState = 0;
    std::uint32_t m_infoState = 0;
    std::uint32_t m_lcState = 0;
    std::uint32_t m_resetState = 0;
    std::uint32_t m_wrState = 0;
    std::uint32_t m_srTimeout = SEND_RECEIVE_TIMEOUT_MS;
};
