#pragma once

#include "Clock.h"
#include "FrontEnd.h"
#include "Msg.h"
#include "MsgSink.h"
#include "SerialPortWatch.h"
#include "Settings.h"
#include "TelHandler.h"
#include "TelHandlerMsg.h"

#include <cstdint>

// The user-interface side of the telephone line: starts the telephone handler with the modem's
// settings (letting the operator pick another serial port when the configured one cannot be
// opened, or, when the front end prefers it, waiting for the port to appear), stops it, passes
// requests to it, and shows its status messages (kind 43) in the telephone pane and the system
// information window. User-interface thread only.
class CTelMgr {
public:
    static constexpr int TEL_PANE = 3;
    static constexpr std::uint32_t SPEED = 9600;

    explicit CTelMgr(const IClock& clock = CSystemClock::Instance());
    virtual ~CTelMgr();
    CTelMgr(const CTelMgr&) = delete;
    CTelMgr& operator=(const CTelMgr&) = delete;

    // Neither is owned; both must outlive the manager.
    void Init(IFrontEnd* frontEnd, CSettings* settings);
    // Always 1: failures are handled here and leave the telephone disabled or stopped.
    int Start(IMsgSink* databaseHandler);
    std::uint16_t Stop();
    void SendToHandler(MsgPtr msg);
    void OnStatus(const CTelHandlerMsg& msg);

    CTelHandler& Handler() { return m_handler; }
    // True while the configured port is missing and the manager waits for it.
    bool WaitingForPort() const { return m_waitingForPort; }
    CSerialPortWatch& PortWatch() { return m_portWatch; }

private:
    void Pane(const std::string& text);
    // Keeps the telephone enabled, shows that its port is missing (the line once per outage)
    // and lets the port watch look for it; its report starts the handler.
    void WaitForPort();

    CTelHandler m_handler;
    CSerialPortWatch m_portWatch;
    IFrontEnd* m_frontEnd = nullptr;
    CSettings* m_settings = nullptr;
    IMsgSink* m_hub = nullptr;
    bool m_waitingForPort = false;
    bool m_portMissingShown = false;
    std::uint16_t m_watchRun = 0;
};
