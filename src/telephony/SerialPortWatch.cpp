#include "SerialPortWatch.h"

#include "SerialPort.h"

#include <algorithm>

CSerialPortWatch::CSerialPortWatch(const IClock& clock) : CHandler(nullptr, clock), m_timer(clock) {}

CSerialPortWatch::~CSerialPortWatch() {
    Shutdown();
}

void CSerialPortWatch::Configure(std::int16_t port, MsgPtr found, std::uint32_t periodMs) {
    m_port = port;
    m_found = std::move(found);
    m_periodMs = periodMs;
    m_timer.Start(m_periodMs);
}

bool CSerialPortWatch::Step() {
    if (!m_found || !m_timer.Expired()) {
        return false;
    }
    m_timer.Start(m_periodMs);
    if (CSerialPort::Probe(m_port) != CSerialPort::SERIAL_PROBE_FREE) {
        return false;
    }
    PostToOwner(std::move(m_found));
    return true;
}

void CSerialPortWatch::ThreadMain() {
    NameThread("mora-port-watch");
    SetStatus(HANDLER_STARTED);
    while (IsRunning()) {
        if (Step()) {
            // Done: the owner starts the modem; nobody needs to stop this thread any more.
            SetRunFlag(0);
            break;
        }
        const std::uint32_t left = m_timer.Interval() - std::min(m_timer.Elapsed(), m_timer.Interval());
        // A stop request ends the wait early.
        WaitForWork(-1, std::max<std::uint32_t>(left, 1), ThreadWait::EWakeOn::Signal);
    }
    SetStatus(HANDLER_STOPPED);
}
