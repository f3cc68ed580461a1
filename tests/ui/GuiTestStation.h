#pragma once

#include "AlarmInfoMsg.h"
#include "GuiStation.h"
#include "Settings.h"
#include "TempDir.h"

#include <functional>
#include <memory>
#include <string>

class QWidget;

// The station with its real windows on a test's own folder: the settings file (modems and mail
// off unless the test changes them), an empty database and the operator "Eva" remembered. The
// test's thread is the GUI thread.
class CGuiTestStation {
public:
    CGuiTestStation();
    ~CGuiTestStation();

    // Change before Start.
    CSettings& Settings() { return m_settings; }
    // Saves the settings, builds the windows and starts the core; the select-operator dialog is
    // answered with OK. False when a step failed.
    bool Start();

    CGuiStation& Station() { return *m_station; }
    CMORADoc& Doc() { return m_station->Doc(); }
    CMainFrame& Frame() { return m_station->Frame(); }
    const CTempDir& Dir() const { return m_dir; }

    // A new alarm as the workers report it, through the core's queue.
    void PostNewAlarm(std::uint8_t type, const std::string& idCode, const std::string& idInfo,
                      std::uint8_t source = CAlarmInfoMsg::ALARMSOURCE_TEL);
    // A voice-call event from the incoming call manager.
    void PostCallEvent(std::uint16_t state, std::uint16_t secondsLeft);

    // Serves Qt events (and with them the core's queue) until `done` or the time is up.
    static bool Pump(const std::function<bool()>& done, int timeoutMs = 5000);
    static void PumpFor(int milliseconds);
    // Runs `act` on the next modal dialog or message box as soon as it is shown.
    static void WhenModal(const std::function<void(QWidget*)>& act);
    // Presses the button of the open message box with the given result number, soon.
    static void AnswerMessageBox(int result);

private:
    CTempDir m_dir;
    CSettings m_settings;
    std::unique_ptr<CGuiStation> m_station;
};

// Loads the built-in dictionary once and sets the language (English unless told).
void UseDictionary(const char* language = "en");
