#pragma once

#include "BufferMsg.h"
#include "ProtCom.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

// The P100 alarm protocol: the telephone sends its message unasked while the modem listens; the
// station answers with raw commands (disconnect, redirect).
class CP100ProtCom : public CProtCom {
public:
    // ReceiveMsg states.
    static constexpr std::int32_t P100PROTCOM_RMST_IDLE = 0;
    static constexpr std::int32_t P100PROTCOM_RMST_RECEIVE = 1;
    // SendDisconnect states.
    static constexpr std::int32_t P100PROTCOM_SDST_IDLE = 0;
    static constexpr std::int32_t P100PROTCOM_SDST_WAIT_BEFORE = 1;
    static constexpr std::int32_t P100PROTCOM_SDST_SEND = 2;
    static constexpr std::int32_t P100PROTCOM_SDST_WAIT_AFTER = 3;
    // SendRedirect states.
    static constexpr std::int32_t P100PROTCOM_SRST_IDLE = 0;
    static constexpr std::int32_t P100PROTCOM_SRST_WAIT_BEFORE = 1;
    static constexpr std::int32_t P100PROTCOM_SRST_SEND = 2;
    static constexpr std::int32_t P100PROTCOM_SRST_WAIT_AFTER = 3;

    // Start time-outs allowed for an alarm or after a UserId, and after each UserData.
    static constexpr std::int16_t P100_RETRIES = 3;
    static constexpr std::int16_t P100_USERDATA_RETRIES = 15;

    static constexpr std::uint16_t MAX_ATTEMPT = 255;

    static constexpr std::uint32_t DELAY_BEFORE_SEND_MS = 1000;
    static constexpr std::uint32_t DISCONNECT_DELAY_AFTER_MS = 2000;
    static constexpr std::uint32_t REDIRECT_DELAY_AFTER_MS = 1000;

    // Command bytes sent to the telephone.
    static constexpr std::uint8_t P100_CMD_DISCONNECT = 0x0F;
    static constexpr std::uint8_t P100_CMD_REDIRECT = 0x03;
    static constexpr std::uint8_t P100_CMD_REDIRECT_NEXT = 0x10;

    explicit CP100ProtCom(const IClock& clock = CSystemClock::Instance());
    ~CP100ProtCom() override;

    std::uint16_t ReceiveMsg(std::unique_ptr<CTelHandlerMsg>& record) override;
    std::uint16_t SendDisconnect() override;
    std::uint16_t SendRedirect(std::int32_t redirectMode) override;
    std::uint16_t CanRedirect() const override { return 1; }

    // For tests and diagnostics.
    std::int32_t ReceiveState() const { return m_receiveState; }
    std::uint16_t Attempt() const { return m_attempt; }
    std::int16_t Retries() const { return m_retries; }

private:
    std::uint16_t ReceiveOk(std::unique_ptr<CTelHandlerMsg> msg, std::unique_ptr<CTelHandlerMsg>& record);
    std::uint16_t FinishReceive(std::uint16_t result);

    // What tells the disconnect and the redirect apart; both run the same four steps: wait 1 s,
    // send the bytes raw, wait DelayAfterMs, done.
    struct SRawCommand {
        const char* Source;    // log source
        const char* IdleText;  // logged when the command starts
        const char* SendState; // name of the sending step in the log
        const char* SentText;  // logged when the modem confirmed the send
        std::uint32_t DelayAfterMs;
    };
    // One step of the raw-command machine whose state is `state`; PROTCOM_SDRET_*.
    std::uint16_t SendRawCommand(std::int32_t& state, const SRawCommand& command,
                                 std::initializer_list<std::uint8_t> bytes);
    static std::unique_ptr<CBufferMsg> BuildCommand(std::initializer_list<std::uint8_t> bytes);

    std::int32_t m_receiveState = P100PROTCOM_RMST_IDLE;
    std::int16_t m_retries = 0;
    std::uint16_t m_attempt = 1;
    std::string m_userId;
    std::uint16_t m_userIdType = 0;
    std::uint16_t m_userModelCode = 0;
    std::int32_t m_disconnectState = P100PROTCOM_SDST_IDLE;
    std::int32_t m_redirectState = P100PROTCOM_SRST_IDLE;
    std::unique_ptr<CBufferMsg> m_command;
};
