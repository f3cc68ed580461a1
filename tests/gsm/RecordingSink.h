#pragma once

#include "GsmHandlerMsg.h"
#include "MsgSink.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

// What the handler told its owner, as plain values.
struct SGsmEvent {
    std::uint16_t Kind = 0;
    std::uint16_t Code = 0;
    std::string Text;
    std::string Number;
    std::string Recipients;
    std::string Date;
    std::string Time;
    std::string SmsText;
    std::uint16_t Quality = 0;
    std::uint16_t RequestTag = 0;
    std::uint32_t SmsMark = 0;
};

// The handler's owner in tests: records every message the handler posts, in order.
class CRecordingSink : public IMsgSink {
public:
    void PutMsg(MsgPtr msg) override;

    // Called on the handler's thread for each message as it arrives.
    void OnMessage(std::function<void(const SGsmEvent&)> hook);
    // Plays the core that stores each reported SMS at once and says so to the handler (nullptr:
    // nothing is confirmed).
    void ConfirmStoredTo(IMsgSink* handler);

    std::vector<SGsmEvent> Events() const;
    std::vector<SGsmEvent> OfKind(std::uint16_t kind) const;
    std::vector<std::uint16_t> Statuses() const;
    // Waits (real time) until pred holds for the events so far; true when it did.
    bool WaitFor(const std::function<bool(const std::vector<SGsmEvent>&)>& pred, int timeoutMs) const;
    bool WaitForStatus(std::uint16_t code, int timeoutMs, int quality = -1) const;
    bool WaitForKind(std::uint16_t kind, std::size_t count, int timeoutMs) const;

private:
    mutable std::mutex m_lock;
    std::vector<SGsmEvent> m_events;
    std::function<void(const SGsmEvent&)> m_hook;
    IMsgSink* m_confirmTo = nullptr;
};
