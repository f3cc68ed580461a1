#pragma once

#include "TelLine.h"

#include <deque>
#include <vector>

// The telephone handler as the incoming call manager sees it: line control answers after one busy
// call with the scripted result (OK by default) and moves the connected flag; the voice call is
// recorded; the flags are set by the test.
class CFakeTelLine : public ITelLine {
public:
    std::uint16_t LineConnect(std::int32_t on) override {
        if (!m_lineArmed) {
            m_lineArmed = true;
            lineRequests.push_back(on);
            return TELHND_LCRET_BUSY;
        }
        m_lineArmed = false;
        std::uint16_t r = TELHND_LCRET_OK;
        if (!lineResults.empty()) {
            r = lineResults.front();
            lineResults.pop_front();
        }
        if (r == TELHND_LCRET_OK) {
            flags = static_cast<std::uint8_t>(on != 0 ? (flags | TELFLAG_CONNECTED)
                                                      : (flags & ~TELFLAG_CONNECTED));
        }
        return r;
    }
    void VoiceCall(std::int32_t on) override { voiceCalls.push_back(on); }
    std::uint8_t ModemFlags() const override { return flags; }

    void SetFlag(std::uint8_t flag, bool on) {
        flags = static_cast<std::uint8_t>(on ? (flags | flag) : (flags & ~flag));
    }

    std::uint8_t flags = TELFLAG_LINE;
    std::deque<std::uint16_t> lineResults;
    std::vector<std::int32_t> lineRequests;
    std::vector<std::int32_t> voiceCalls;

private:
    bool m_lineArmed = false;
};
