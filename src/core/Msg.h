#pragma once

#include <cstdint>
#include <memory>

// Base of every message that crosses a thread. A message belongs to whoever holds it: queues hold
// std::unique_ptr<CMsg>, so ownership moves with every push and the last holder deletes it.
//
// Next chains the records of a multi-record database reply. The link is owning, so deleting the
// head of a chain releases the whole chain; a consumer that wants the links one by one takes them
// off with TakeNext().
class CMsg {
public:
    CMsg() = default;
    explicit CMsg(std::uint16_t kind) : Kind(kind) {}
    virtual ~CMsg();

    CMsg(const CMsg&) = delete;
    CMsg& operator=(const CMsg&) = delete;

    std::unique_ptr<CMsg> TakeNext() { return std::move(Next); }

    std::uint16_t Kind = 0;
    std::unique_ptr<CMsg> Next;
};

using MsgPtr = std::unique_ptr<CMsg>;

// Downcast of an owned message once its kind told the receiver its class. Returns null (and keeps
// the message) when the message is not of that class, so a mislabelled message is never misread.
template <class T> std::unique_ptr<T> MsgCast(MsgPtr& msg) {
    if (auto* p = dynamic_cast<T*>(msg.get())) {
        msg.release();
        return std::unique_ptr<T>(p);
    }
    return nullptr;
}
