#include "ThreadQueue.h"

CThreadQueue::~CThreadQueue() {
    std::lock_guard guard(m_lock);
    m_queue.RemoveAll();
}

void CThreadQueue::Push(MsgPtr msg) {
    if (!msg) {
        return;
    }
    std::lock_guard guard(m_lock);
    m_queue.AddTail(std::move(msg));
}

MsgPtr CThreadQueue::Pop() {
    std::lock_guard guard(m_lock);
    return m_queue.RemoveHead();
}

std::size_t CThreadQueue::Count() const {
    std::lock_guard guard(m_lock);
    return m_queue.Count();
}
