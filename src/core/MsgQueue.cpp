#include "MsgQueue.h"

void CMsgQueue::AddTail(MsgPtr msg) {
    if (msg) {
        m_items.push_back(std::move(msg));
    }
}

MsgPtr CMsgQueue::RemoveHead() {
    if (m_items.empty()) {
        return nullptr;
    }
    MsgPtr msg = std::move(m_items.front());
    m_items.pop_front();
    return msg;
}
