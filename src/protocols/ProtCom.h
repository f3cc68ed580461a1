#pragma once

#include "Clock.h"
#include "IntervalTimer.h"
#include "LogFile.h"
#include "TelHandlerMsg.h"
#include "TelPrimitives.h"

#include <cstdint>
#include <memory>
#include <string_view>

// ReceiveMsg results.
inline constexpr std::uint16_t PROTCOM_RMRET_BUSY = 0;
inline constexpr std::uint16_t PROTCOM_RMRET_DONE = 1;  // alarm received, acknowledged (CPC: disconnect sent)
inline constexpr std::uint16_t PROTCOM_RMRET_VOICE = 2; // Voice alarm received and acknowledged
inline constexpr std::uint16_t PROTCOM_RMRET_MESSAGE = 3; // a record, and the protocol keeps receiving
inline constexpr std::uint16_t PROTCOM_RMRET_RECEIVE_ERROR = 4;
inline constexpr std::uint16_t PROTCOM_RMRET_RECEIVE_TIMEOUT = 5;
inline constexpr std::uint16_t PROTCOM_RMRET_COM_ERROR = 6;

// SendDisconnect and SendRedirect results.
inline constexpr std::uint16_t PROTCOM_SDRET_BUSY = 0;
inline constexpr std::uint16_t PROTCOM_SDRET_DONE = 1;
inline constexpr std::uint16_t PROTCOM_SDRET_RECEIVE_ERROR = 2; // the telephone refused
inline constexpr std::uint16_t PROTCOM_SDRET_RECEIVE_TIMEOUT = 3;
inline constexpr std::uint16_t PROTCOM_SDRET_COM_ERROR = 4;

// SendTimeUpdate results.
inline constexpr std::uint16_t PROTCOM_STRET_BUSY = 0;
inline constexpr std::uint16_t PROTCOM_STRET_DONE = 1;
inline constexpr std::uint16_t PROTCOM_STRET_RECEIVE_ERROR = 2;
inline constexpr std::uint16_t PROTCOM_STRET_RECEIVE_TIMEOUT = 3;
inline constexpr std::uint16_t PROTCOM_STRET_COM_ERROR = 4;

// An alarm protocol spoken with the lift telephone over an answered call.
//
// Every operation is a non-blocking step: call it again and again until it returns non-zero. The
// first call only initialises and returns 0; a non-zero result leaves the operation idle, so the
// next call starts it afresh. Never interleave two operations of one protocol.
//
// Records handed out through ReceiveMsg's out-parameter (with DONE, VOICE or MESSAGE) belong to the
// caller; with every other result the out-parameter is left untouched.
class CProtCom {
public:
    explicit CProtCom(const IClock& clock = CSystemClock::Instance());
    virtual ~CProtCom();

    CProtCom(const CProtCom&) = delete;
    CProtCom& operator=(const CProtCom&) = delete;

    // Neither is owned. Without primitives every exchange ends at once with its communication
    // error result; without a log nothing is written.
    virtual void Init(ITelPrimitives* telHandler, CLogFile* log);
    // PROTCOM_RMRET_*.
    virtual std::uint16_t ReceiveMsg(std::unique_ptr<CTelHandlerMsg>& record) = 0;
    // PROTCOM_SDRET_*.
    virtual std::uint16_t SendDisconnect() = 0;
    // PROTCOM_STRET_*; a protocol without time updates is done at once.
    virtual std::uint16_t SendTimeUpdate();
    // Called once a second during a voice call: 1 when a time update must be sent now, else 0.
    virtual std::uint16_t IsTimeUpdateDue(std::uint16_t remainingSeconds);
    // PROTCOM_SDRET_*; redirectMode is the NORD setting. A protocol without redirect is done at once.
    virtual std::uint16_t SendRedirect(std::int32_t redirectMode);
    // 1 when this protocol can hand a voice call on to the next number, else 0.
    virtual std::uint16_t CanRedirect() const;

    // The clock of the wait timer; tests and the telephone handler pass theirs.
    void SetClock(const IClock& clock) { m_timer.SetClock(clock); }

protected:
    void Log(std::string_view source, std::string_view text);
    void LogF(std::string_view source, const char* format, ...) __attribute__((format(printf, 3, 4)));

    ITelPrimitives* m_telHandler = nullptr;
    CLogFile* m_log = nullptr;
    CIntervalTimer m_timer;
    std::int32_t m_logLevel = 1;
};
