#pragma once

#include "AioSmtpServer.h"
#include "Dictionary.h"
#include "E2eClock.h"
#include "E2eFrontEnd.h"
#include "GsmModemSim.h"
#include "MORADoc.h"
#include "ObjectInfoMsg.h"
#include "Settings.h"
#include "SimP100Phone.h"
#include "SimTelModem.h"
#include "TempDir.h"

#include <functional>
#include <memory>
#include <string>

// One whole station on a test's own folder: the telephone modem simulator on COM1 and the GSM
// modem simulator on COM2 (pseudo-terminals linked there through MORA_SERIAL_DIR), a real SMTP
// server on a free port of 127.0.0.1, the settings file, the database file and the logs in the
// folder, and the application core with the headless front end. The test's thread is the
// station's user-interface thread: Pump serves the queue while waiting for something.
class CStationHarness {
public:
    static constexpr int TEL_PORT = 1;
    static constexpr int GSM_PORT = 2;
    static constexpr int TEL_PANE = 3;
    static constexpr int GSM_PANE = 2;
    static constexpr const char* TEL_READY = "TEL: Com OK, Line OK";
    static constexpr const char* GSM_READY = "GSM: Com OK, NET";

    CStationHarness();
    ~CStationHarness();
    CStationHarness(const CStationHarness&) = delete;
    CStationHarness& operator=(const CStationHarness&) = delete;

    // Starts both modem simulators and the mail server. False with the reason in `error`.
    bool StartDevices(std::string& error);

    // The settings the station starts with: both modems and mail on, one ring signal, CPC and
    // voice calls off. Change them before StartStation.
    CSettings& Settings() { return m_settings; }

    // Saves the settings, loads the dictionary, starts the core and waits until both modems
    // report that they are ready. False when a step failed.
    bool StartStation();
    // The ordered shut-down, then the core is destroyed (the devices keep running).
    void StopStation();

    // Serves the user-interface queue until `done` holds or the time is up.
    bool Pump(const std::function<bool()>& done, int timeoutMs);
    void PumpFor(int milliseconds);

    // An object with technicians' and emergency recipients of its own, by ID code.
    static std::unique_ptr<CObjectInfoMsg> Object(const std::string& idCode, const std::string& idInfo);
    bool AddObject(const CObjectInfoMsg& object);
    std::unique_ptr<CObjectInfoMsg> FindObject(const std::string& idCode);

    // A P100 telephone calls; `script` says what it sends.
    std::shared_ptr<CSimP100Phone> CallP100(const std::function<void(CSimP100Phone&)>& script);
    // Waits until the station showed `count` alarms in all.
    bool WaitAlarms(std::size_t count, int timeoutMs = 20000);
    // Waits until the modem saw the line released `count` times in all.
    bool WaitLineReleased(std::size_t count, int timeoutMs = 20000);

    CMORADoc& Doc() { return *m_doc; }
    bool StationRunning() const { return m_doc != nullptr; }
    CE2eFrontEnd& FrontEnd() { return *m_frontEnd; }
    const CE2eFrontEnd& FrontEnd() const { return *m_frontEnd; }
    CE2eClock& Clock() { return m_clock; }
    CSimTelModem& Modem() { return m_modem; }
    CGsmModemSim& Gsm() { return m_gsm; }
    CAioSmtpServer& Smtp() { return *m_smtp; }
    const CTempDir& Dir() const { return m_dir; }
    std::string DatabasePath() const { return m_dir.File("MORA_10.mdb"); }
    // The handlers' logs and what the front end printed, to see why a test failed.
    std::string Diagnostics() const;

private:
    CTempDir m_dir;
    CE2eClock m_clock;
    CSimTelModem m_modem;
    CGsmModemSim m_gsm;
    std::unique_ptr<CAioSmtpServer> m_smtp;
    CSettings m_settings;
    std::unique_ptr<CE2eFrontEnd> m_frontEnd;
    std::unique_ptr<CDictionary> m_dictionary;
    std::unique_ptr<CMORADoc> m_doc;
};
