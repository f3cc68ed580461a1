#pragma once

#include "ProtCom.h"

#include <deque>
#include <memory>
#include <vector>

// A protocol whose answers are scripted. Each operation answers busy once (as a real one does on
// its first call) and then gives the next scripted result; an empty script gives the default.
class CFakeProtCom : public CProtCom {
public:
    struct SReceive {
        std::uint16_t result;
        std::uint8_t msgType =
            CTelHandlerMsg::MSGTYPE_NONE; // with DONE, VOICE, MESSAGE: a record of this type
        std::string id = {};
    };

    explicit CFakeProtCom(bool canRedirect) : m_canRedirect(canRedirect) {}

    std::uint16_t ReceiveMsg(std::unique_ptr<CTelHandlerMsg>& record) override {
        ++receiveCalls;
        if (!m_receiveArmed) {
            m_receiveArmed = true;
            return PROTCOM_RMRET_BUSY;
        }
        m_receiveArmed = false;
        if (receive.empty()) {
            return PROTCOM_RMRET_RECEIVE_TIMEOUT;
        }
        const SReceive next = receive.front();
        receive.pop_front();
        if (next.result == PROTCOM_RMRET_DONE || next.result == PROTCOM_RMRET_VOICE ||
            next.result == PROTCOM_RMRET_MESSAGE) {
            record = std::make_unique<CTelHandlerMsg>(42);
            record->MsgType = next.msgType;
            record->ID = next.id;
        }
        return next.result;
    }

    std::uint16_t SendDisconnect() override {
        return Scripted(disconnect, ++disconnectCalls, PROTCOM_SDRET_DONE);
    }

    std::uint16_t SendTimeUpdate() override {
        return Scripted(timeUpdate, ++timeUpdateCalls, PROTCOM_STRET_DONE);
    }

    std::uint16_t IsTimeUpdateDue(std::uint16_t remainingSeconds) override {
        dueAsked.push_back(remainingSeconds);
        for (std::uint16_t s : dueAt) {
            if (s == remainingSeconds) {
                return 1;
            }
        }
        return 0;
    }

    std::uint16_t SendRedirect(std::int32_t redirectMode) override {
        redirectModes.push_back(redirectMode);
        return Scripted(redirect, ++redirectCalls, PROTCOM_SDRET_DONE);
    }

    std::uint16_t CanRedirect() const override { return m_canRedirect ? 1 : 0; }

    std::deque<SReceive> receive;
    std::deque<std::uint16_t> disconnect;
    std::deque<std::uint16_t> timeUpdate;
    std::deque<std::uint16_t> redirect;
    std::vector<std::uint16_t> dueAt;

    int receiveCalls = 0;
    int disconnectCalls = 0;
    int timeUpdateCalls = 0;
    int redirectCalls = 0;
    std::vector<std::uint16_t> dueAsked;
    std::vector<std::int32_t> redirectModes;

private:
    // Odd calls are the arming calls of a step function; even calls finish.
    static std::uint16_t Scripted(std::deque<std::uint16_t>& script, int call, std::uint16_t fallback) {
        if (call % 2 == 1) {
            return 0;
        }
        if (script.empty()) {
            return fallback;
        }
        const std::uint16_t r = script.front();
        script.pop_front();
        return r;
    }

    bool m_canRedirect;
    bool m_receiveArmed = false;
};
