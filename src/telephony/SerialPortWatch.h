#pragma once

#include "Handler.h"
#include "IntervalTimer.h"
#include "Msg.h"

#include <cstdint>

// Waits on a thread of its own for a serial port that could not be opened: every period (on the
// clock) it looks whether the port can be opened now, and once it can, it puts the message it was
// given to its owner and ends. The telephone and GSM managers use it so that a station without an
// operator starts its modem as soon as a late device (a USB adapter that comes up after the
// station) appears, instead of giving the modem up.
class CSerialPortWatch : public CHandler {
public:
    static constexpr std::uint32_t RETRY_MS = 10000;

    explicit CSerialPortWatch(const IClock& clock = CSystemClock::Instance());
    ~CSerialPortWatch() override;

    // Before Start: the port to look for and the message for the owner when it can be opened.
    void Configure(std::int16_t port, MsgPtr found, std::uint32_t periodMs = RETRY_MS);
    std::int16_t Port() const { return m_port; }

    // One look, due once a period after Configure; the thread runs it, tests call it with a fake
    // clock. True once the port was found and the message put to the owner.
    bool Step();

protected:
    void ThreadMain() override;

private:
    std::int16_t m_port = 0;
    MsgPtr m_found;
    std::uint32_t m_periodMs = RETRY_MS;
    CIntervalTimer m_timer;
};
