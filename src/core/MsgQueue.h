#pragma once

#include "Msg.h"

#include <deque>

// The unlocked FIFO used inside one thread. Owns what it holds; messages still in it when it is
// destroyed are deleted with it.
class CMsgQueue {
public:
    CMsgQueue() = default;
    CMsgQueue(const CMsgQueue&) = delete;
    CMsgQueue& operator=(const CMsgQueue&) = delete;

    void AddTail(MsgPtr msg);
    MsgPtr RemoveHead();
    void RemoveAll() { m_items.clear(); }
    std::size_t Count() const { return m_items.size(); }
    bool IsEmpty() const { return m_items.empty(); }

private:
    // A deque allocates its nodes in blocks, which keeps the list operations cheap.
    std::deque<MsgPtr> m_items;
};
