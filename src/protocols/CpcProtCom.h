#pragma once

#include "ProtCom.h"

#include <cstdint>
#include <memory>

// The CPC alarm protocol: a question-and-answer dialogue of digit strings, each exchange one CPC
// send-and-receive of the telephone handler, each tried at most twice.
class CCpcProtCom : public CProtCom {
public:
    // ReceiveMsg states.
    static constexpr std::int32_t CPCPROTCOM_RMST_IDLE = 0;
    static constexpr std::int32_t CPCPROTCOM_RMST_REQ_ID = 1;
    static constexpr std::int32_t CPCPROTCOM_RMST_REQ_ALARMCODE = 2;
    static constexpr std::int32_t CPCPROTCOM_RMST_SEND_ALARM_ACK = 3;
    static constexpr std::int32_t CPCPROTCOM_RMST_SEND_DISCONNECT = 4;
    // SendDisconnect states.
    static constexpr std::int32_t CPCPROTCOM_SDST_IDLE = 0;
    static constexpr std::int32_t CPCPROTCOM_SDST_SEND = 1;
    // SendTimeUpdate states.
    static constexpr std::int32_t CPCPROTCOM_STST_IDLE = 0;
    static constexpr std::int32_t CPCPROTCOM_STST_SEND = 1;

    static constexpr std::int16_t CPC_RETRIES = 2;
    // Calls of IsTimeUpdateDue (one a second) between two time updates.
    static constexpr std::int16_t TIME_UPDATE_PERIOD = 170;

    explicit CCpcProtCom(const IClock& clock = CSystemClock::Instance());
    ~CCpcProtCom() override;

    std::uint16_t ReceiveMsg(std::unique_ptr<CTelHandlerMsg>& record) override;
    std::uint16_t SendDisconnect() override;
    std::uint16_t SendTimeUpdate() override;
    std::uint16_t IsTimeUpdateDue(std::uint16_t remainingSeconds) override;

    // For tests and diagnostics.
    std::int32_t ReceiveState() const { return m_receiveState; }
    std::uint16_t ModelCode() const { return m_modelCode; }

private:
    std::uint16_t ReceiveReqId();
    std::uint16_t ReceiveReqAlarmCode();
    std::uint16_t ReceiveSendAlarmAck(std::unique_ptr<CTelHandlerMsg>& record);
    std::uint16_t ReceiveSendDisconnect(std::unique_ptr<CTelHandlerMsg>& record);
    // Common end of a negative report in a ReceiveMsg state: one retry, then the time-out.
    std::uint16_t ReceiveNegative(const char* stateName);
    std::uint16_t ReceiveComError(const char* stateName);
    // Any result of a receive step other than a good reply: negative report, com error or busy.
    std::uint16_t ReceiveNotOk(std::uint16_t result, const char* stateName);
    std::uint16_t Finish(std::uint16_t result);
    // The request-and-acknowledgement machine behind SendDisconnect and SendTimeUpdate.
    std::uint16_t SendAcknowledged(std::int32_t& state, std::uint16_t requestKind, const char* source,
                                   const char* stateName);
    std::uint16_t SendRequest(std::uint16_t requestKind, std::unique_ptr<CTelHandlerMsg>& reply);
    static bool IsAckOk(const CTelHandlerMsg* reply);

    std::int32_t m_receiveState = CPCPROTCOM_RMST_IDLE;
    std::int16_t m_retries = 0;
    std::unique_ptr<CTelHandlerMsg> m_alarm;
    std::uint16_t m_ackKind = 0;
    std::uint16_t m_modelCode = 0;
    std::int32_t m_disconnectState = CPCPROTCOM_SDST_IDLE;
    std::int32_t m_timeUpdateState = CPCPROTCOM_STST_IDLE;
    std::int16_t m_timeUpdateCountdown = 0;
};
