#pragma once

#include "MsgQueue.h"

#include <mutex>

// The locked FIFO shared between threads. The lock is held for one list operation only; a pop on
// an empty queue returns null at once.
class CThreadQueue {
public:
    CThreadQueue() = default;
    ~CThreadQueue();
    CThreadQueue(const CThreadQueue&) = delete;
    CThreadQueue& operator=(const CThreadQueue&) = delete;

    void Push(MsgPtr msg);
    MsgPtr Pop();
    std::size_t Count() const;

private:
    mutable std::mutex m_lock;
    CMsgQueue m_queue;
};
