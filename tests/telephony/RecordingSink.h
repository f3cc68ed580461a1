#pragma once

#include "Msg.h"
#include "MsgSink.h"

#include <cstdint>
#include <mutex>
#include <vector>

// An owner that keeps every message put to it, safe to fill from a handler thread.
class CRecordingSink : public IMsgSink {
public:
    void PutMsg(MsgPtr msg) override {
        std::lock_guard guard(m_lock);
        m_msgs.push_back(std::move(msg));
    }

    // Takes every message received so far.
    std::vector<MsgPtr> Take() {
        std::lock_guard guard(m_lock);
        std::vector<MsgPtr> out = std::move(m_msgs);
        m_msgs.clear();
        return out;
    }

    std::size_t Count(std::uint16_t kind) const {
        std::lock_guard guard(m_lock);
        std::size_t n = 0;
        for (const auto& m : m_msgs) {
            n += (m->Kind == kind) ? 1 : 0;
        }
        return n;
    }

    std::size_t Size() const {
        std::lock_guard guard(m_lock);
        return m_msgs.size();
    }

private:
    mutable std::mutex m_lock;
    std::vector<MsgPtr> m_msgs;
};
