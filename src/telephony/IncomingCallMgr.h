#pragma once

#include "Clock.h"
#include "IntervalTimer.h"
#include "LogFile.h"
#include "ProtCom.h"
#include "TelHandlerMsg.h"
#include "TelLine.h"
#include "TelPrimitives.h"

#include <array>
#include <cstdint>
#include <memory>

// Decides when the station answers (ring detection) and runs one answered call from taking the line
// to releasing it: tries the alarm protocols in turn, offers the operator a voice call, counts its
// seconds, and always ends with the line released and a kind-46 message. Runs on the telephone
// handler's thread; both step functions are called once per pass of its loop.
class CIncomingCallMgr {
public:
    // Call states.
    enum CallState : std::uint16_t {
        ICMGR_ICST_IDLE = 0,
        ICMGR_ICST_LINE_CONNECT = 1,
        ICMGR_ICST_PRE_DELAY = 2,
        ICMGR_ICST_RECEIVE_MSG = 3,
        ICMGR_ICST_NEXT_PROTOCOL = 4,
        ICMGR_ICST_VOICECALL_NOTIFY = 5,
        ICMGR_ICST_VOICECALL_COMM = 6,
        ICMGR_ICST_SEND_TIME_UPDATE = 7,
        ICMGR_ICST_SEND_DISCONNECT = 8,
        ICMGR_ICST_SEND_REDIRECT = 9,
        ICMGR_ICST_POST_DELAY = 10,
        ICMGR_ICST_LINE_DISCONNECT = 11,
    };

    // Ring detection states.
    enum RingState : std::uint16_t {
        ICMGR_RDST_IDLE = 0,
        ICMGR_RDST_RING_DURATION = 1,
        ICMGR_RDST_RING_PAUSE = 3,
    };

    // Call events (kind 44, Value).
    enum CallEvent : std::uint16_t {
        ICMGR_EVENT_OPERATOR_CALLED = 1,   // Seconds: left to pick up
        ICMGR_EVENT_OPERATOR_CALLED_5 = 2, // as 1, when Seconds is a multiple of 5
        ICMGR_EVENT_VOICE_CALL = 3,        // Seconds: left to talk
        ICMGR_EVENT_HUNG_UP = 4,
        ICMGR_EVENT_ABORTED = 5,
        ICMGR_EVENT_TIME_LIMIT = 6,
    };

    static constexpr std::uint32_t RING_MAX_MS = 3000;
    static constexpr std::uint32_t RING_PAUSE_MAX_MS = 10000;
    static constexpr std::uint32_t PRE_DELAY_MS = 1000;
    static constexpr std::uint32_t POST_DELAY_MS = 2000;
    static constexpr std::uint32_t TICK_MS = 1000;
    static constexpr std::uint32_t HOOK_GRACE_MS = 2000;
    static constexpr std::int16_t PICK_UP_SECONDS = 300;
    // Added when the operator picks up, so that the whole voice call lasts at most 480 s.
    static constexpr std::int16_t TALK_EXTRA_SECONDS = 180;

    // The protocols are created here unless given (tests pass fakes).
    explicit CIncomingCallMgr(const IClock& clock = CSystemClock::Instance(),
                              std::unique_ptr<CProtCom> cpc = nullptr,
                              std::unique_ptr<CProtCom> p100 = nullptr);
    virtual ~CIncomingCallMgr();
    CIncomingCallMgr(const CIncomingCallMgr&) = delete;
    CIncomingCallMgr& operator=(const CIncomingCallMgr&) = delete;

    void Init(ITelLine* line, ITelPrimitives* primitives, std::int32_t voiceCallEnabled, CLogFile* log,
              std::int32_t p100Enabled, std::int32_t cpcEnabled, std::int16_t ringSignals,
              std::int32_t redirectMode);

    // One step of ring detection; true once when enough ring signals were counted.
    bool RingDetect();
    // One step of the call: an alarm record (42), a call event (44), the end of the call (46) or none.
    std::unique_ptr<CTelHandlerMsg> IncomingCall(bool comError);

    void Abort() { m_abort = 1; }
    void SetUnattended(std::int32_t flag) { m_unattended = flag; }

    std::uint16_t State() const { return m_callState; }
    std::uint16_t RingStateNow() const { return m_ringState; }
    std::uint16_t RingCount() const { return m_ringCount; }
    std::int16_t Countdown() const { return m_countdown; }
    std::uint16_t ProtocolCount() const { return m_protocolCount; }
    std::uint16_t ProtocolIndex() const { return m_protocolIndex; }
    CProtCom* Protocol(std::uint16_t index) const {
        return index < m_protocolCount ? m_protocols[index] : nullptr;
    }
    std::int32_t Unattended() const { return m_unattended; }

private:
    std::unique_ptr<CTelHandlerMsg> StepReceive();
    std::unique_ptr<CTelHandlerMsg> StepNotify(bool comError);
    std::unique_ptr<CTelHandlerMsg> StepComm(bool comError);
    std::unique_ptr<CTelHandlerMsg> StepTimeUpdate();
    std::unique_ptr<CTelHandlerMsg> Event(std::uint16_t value, std::uint16_t seconds = 0);
    std::unique_ptr<CTelHandlerMsg> EndVoiceCall(std::uint16_t event, std::uint16_t nextState);
    std::uint16_t RedirectOrDisconnect() const;
    CProtCom* Current() const { return Protocol(m_protocolIndex); }
    void LogRing(const char* text);
    void LogCall(const char* text);
    bool OffHook() const { return (m_line->ModemFlags() & TELFLAG_OFF_HOOK) != 0; }

    ITelLine* m_line = nullptr;
    std::uint16_t m_callState = ICMGR_ICST_IDLE;
    std::uint16_t m_returnState = ICMGR_ICST_VOICECALL_NOTIFY;
    std::unique_ptr<CProtCom> m_p100;
    std::unique_ptr<CProtCom> m_cpc;
    std::int32_t m_p100Enabled = 1;
    std::int32_t m_cpcEnabled = 0;
    std::array<CProtCom*, 2> m_protocols{};
    std::uint16_t m_protocolCount = 0;
    std::uint16_t m_protocolIndex = 0;
    std::int16_t m_countdown = 0;
    std::int32_t m_voiceCallEnabled = 0;
    std::int32_t m_abort = 0;
    std::int32_t m_unattended = 0;
    std::int32_t m_redirectMode = 0;
    CIntervalTimer m_callTimer;
    CIntervalTimer m_ringTimer;
    CIntervalTimer m_hookTimer;
    std::uint16_t m_ringState = ICMGR_RDST_IDLE;
    std::uint16_t m_ringCount = 0;
    std::int16_t m_ringSignals = 2;
    CLogFile* m_log = nullptr;
};
