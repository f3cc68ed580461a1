// `mora --demo`: the station against simulated modems, for a first look on a machine without
// modems. Both simulators run in this process on pseudo-terminals in a fresh temporary folder,
// which is also the settings folder, the working directory and the database folder of the run.
#include "StationApp.h"

#ifdef MORA_WITH_GUI
#include "GuiApp.h"
#include "GuiStation.h"
#endif

#include "DatabaseHandler.h"
#include "DbConvert.h"
#include "DbResults.h"
#include "GsmModemSim.h"
#include "HeadlessFrontEnd.h"
#include "MORADoc.h"
#include "ObjectInfoMsg.h"
#include "Settings.h"
#include "SimCpcPhone.h"
#include "SimP100Phone.h"
#include "SimTelModem.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int TEL_PORT = 1;
constexpr int GSM_PORT = 2;

// The lifts of the demo's object register.
constexpr const char* P100_LIFT = "12345678";
constexpr const char* CPC_LIFT = "1234567";
constexpr const char* MONITORED_LIFT = "87654321";
constexpr const char* SMS_LIFT = "+46701234567";

void Say(const std::string& text) {
    std::fprintf(stderr, "demo: %s\n", text.c_str());
    std::fflush(stderr);
}

// Places the demo's events one after the other, a few seconds apart, and tells what it does on
// standard error. Runs on the station's user-interface thread, between its messages.
class CDemo {
public:
    static constexpr std::chrono::seconds FIRST_EVENT{4};
    static constexpr std::chrono::seconds EVENT_GAP{6};

    CDemo(CSimTelModem& modem, CGsmModemSim& gsm) : m_modem(modem), m_gsm(gsm) {}

    void Started(CMORADoc& doc) {
        AddObject(doc, P100_LIFT, "Lift 1, Storgatan 3 (P100)", "+46700000001");
        AddObject(doc, CPC_LIFT, "Lift 2, Hamngatan 5 (CPC, voice)", "+46700000002");
        AddObject(doc, MONITORED_LIFT, "Lift 3, Kungsgatan 9 (lift monitoring)", "+46700000003");
        AddObject(doc, SMS_LIFT, "Lift 4, Drottninggatan 1 (GSM)", "+46700000004");
        m_next = Clock::now() + FIRST_EVENT;
    }

    void Pass() {
        ReportSentSms();
        if (Clock::now() < m_next) {
            return;
        }
        // Telephone calls wait until the line is free again.
        const bool telephoneEvent = m_step % EVENT_COUNT != 4;
        if (telephoneEvent && (m_modem.CallActive() || m_modem.CallsWaiting() > 0)) {
            return;
        }
        PlaceEvent(m_step % EVENT_COUNT);
        ++m_step;
        m_next = Clock::now() + EVENT_GAP;
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr int EVENT_COUNT = 5;

    void PlaceEvent(int event) {
        const SSimRingPlan ring{6, 800, 1200};
        switch (event) {
        case 0: {
            Say(std::string("a P100 lift telephone (ID ") + P100_LIFT + ") calls with an alarm");
            auto phone = std::make_shared<CSimP100Phone>();
            phone->AddMessage(CSimP100Phone::CODE_ALARM, P100_LIFT);
            m_modem.Call(phone, ring);
            break;
        }
        case 1: {
            Say(std::string("a CPC lift telephone (ID ") + CPC_LIFT +
                ") calls for a voice call; the operator picks up after 3 s and talks for 6 s");
            m_modem.SetOperatorPlan(SSimOperatorPlan{3000, 9000});
            m_modem.Call(std::make_shared<CSimCpcPhone>(2, 10, CPC_LIFT), ring);
            break;
        }
        case 2: {
            Say(std::string("a lift monitoring unit (ID ") + MONITORED_LIFT +
                ") calls with a UserId and two UserData messages");
            auto phone = std::make_shared<CSimP100Phone>();
            phone->AddMessage(CSimP100Phone::CODE_USERID, MONITORED_LIFT);
            // A lift controller's error A16 at floor 4, then a car position event.
            phone->AddUserData({'A', 16, 0x35, 7});
            phone->AddUserData({1, 3, 1, 120});
            m_modem.Call(phone, ring);
            break;
        }
        case 3: {
            Say(std::string("the P100 lift telephone (ID ") + P100_LIFT +
                ") calls with its periodic test alarm");
            auto phone = std::make_shared<CSimP100Phone>();
            phone->AddMessage(CSimP100Phone::CODE_TEST, P100_LIFT);
            m_modem.Call(phone, ring);
            break;
        }
        default:
            Say(std::string("the GSM modem receives an alarm SMS from ") + SMS_LIFT);
            m_gsm.StoreSms(SMS_LIFT, "Lift 4 stopped between floors 2 and 3");
            break;
        }
    }

    void AddObject(CMORADoc& doc, const char* idCode, const char* idInfo, const char* smsNumber) {
        CObjectInfoMsg object;
        object.IdCode = idCode;
        object.IdInfo = idInfo;
        object.Address = "Brennvik demo street";
        object.SmsNumTech = smsNumber;
        object.SmsNumEmg = smsNumber;
        object.AlarmPopUpEnabled = true;
        object.LastTestAlarm = CDateTime::FromLocal(doc.Clock().Now());
        const auto reply = doc.DatabaseMgr().Handler().ObjectTable().AddObjectInfo(object);
        if (!reply || reply->Status != ObjectResult::ADD_DONE) {
            Say(std::string("could not register the demo object ") + idCode);
        }
    }

    // What the station sent through the simulated GSM modem.
    void ReportSentSms() {
        const auto sent = m_gsm.SentSms();
        for (; m_reportedSms < sent.size(); ++m_reportedSms) {
            std::string text = sent[m_reportedSms].Text;
            for (char& c : text) {
                c = c == '\n' ? '|' : c;
            }
            Say("the GSM modem sent an alarm SMS to " + sent[m_reportedSms].Destination + ": " + text);
        }
    }

    CSimTelModem& m_modem;
    CGsmModemSim& m_gsm;
    int m_step = 0;
    Clock::time_point m_next = Clock::time_point::max();
    std::size_t m_reportedSms = 0;
};

// A fresh folder for one demo run: settings, serial port links, database and logs. Removed at the
// end unless MORA_DEMO_KEEP is set.
class CDemoFolder {
public:
    CDemoFolder() {
        std::string pattern = (fs::temp_directory_path() / "mora-demo-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    ~CDemoFolder() {
        if (m_path.empty()) {
            return;
        }
        std::error_code ec;
        if (!m_old.empty()) {
            fs::current_path(m_old, ec);
        }
        if (std::getenv("MORA_DEMO_KEEP") != nullptr) {
            Say("the demo's files are kept in " + m_path);
        } else {
            fs::remove_all(m_path, ec);
        }
    }
    CDemoFolder(const CDemoFolder&) = delete;
    CDemoFolder& operator=(const CDemoFolder&) = delete;

    // Makes the folder the settings folder, the serial port folder and the working directory.
    bool Enter() {
        std::error_code ec;
        m_old = fs::current_path(ec);
        if (m_path.empty() || ec) {
            return false;
        }
        fs::current_path(m_path, ec);
        return !ec && setenv("MORA_CONFIG_DIR", m_path.c_str(), 1) == 0 &&
               setenv("MORA_SERIAL_DIR", m_path.c_str(), 1) == 0;
    }

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    fs::path m_old;
};

bool WriteSettings(const std::string& folder, const std::string& operatorName) {
    CSettings settings;
    settings.Load();
    // The operator of the run, remembered, so that the window's start-up countdown picks it.
    settings.Operator[0] = operatorName;
    if (!settings.SaveLastOperator(operatorName)) {
        return false;
    }
    settings.TelEnabled = 1;
    settings.TelComPort = TEL_PORT;
    settings.TelRingSignals = 2;
    settings.CpcEnabled = 1;
    settings.VoiceCallEnabled = 1;
    settings.GsmEnabled = 1;
    settings.GsmComPort = GSM_PORT;
    settings.MailEnabled = 0;
    settings.DatabasePath = folder + "/";
    return settings.SaveAll();
}

} // namespace

int RunDemo(const SStationOptions& options, bool gui, int argc, char** argv) {
    CDemoFolder folder;
    if (!folder.Enter()) {
        std::fprintf(stderr, "mora: cannot prepare a temporary folder for the demo\n");
        return 1;
    }
    Say("files of this run are in " + folder.Path());

    // Lift telephones that take a little less time than real ones, so that the demo moves on.
    CSimTelModem modem;
    SSimTiming timing = modem.Timing();
    timing.P100NoStartMs = 300;
    modem.SetTiming(timing);
    std::string error;
    if (!modem.Start(folder.Path(), TEL_PORT, error)) {
        std::fprintf(stderr, "mora: the telephone modem simulator did not start: %s\n", error.c_str());
        return 1;
    }
    CGsmModemSim gsm;
    if (!gsm.Start(GSM_PORT, folder.Path())) {
        std::fprintf(stderr, "mora: the GSM modem simulator did not start: %s\n", gsm.LastError().c_str());
        return 1;
    }
    Say("telephone modem simulator on COM1, GSM modem simulator on COM2");
    SStationOptions demoOptions = options;
    if (demoOptions.operatorName.empty()) {
        demoOptions.operatorName = "Demo";
    }
    if (!WriteSettings(folder.Path(), demoOptions.operatorName)) {
        std::fprintf(stderr, "mora: cannot write the demo's settings in %s\n", folder.Path().c_str());
        return 1;
    }

    CDemo demo(modem, gsm);
    int code = 0;
#ifdef MORA_WITH_GUI
    if (gui) {
        // The windows would ask the operator whether to create the database; the demo has one.
        CHeadlessFrontEnd quiet(demoOptions.operatorName);
        CDbConvert(quiet, folder.Path() + "/", demoOptions.operatorName).CreateDatabase();
        SGuiHooks hooks;
        hooks.Started = [&demo](CGuiStation& station) { demo.Started(station.Doc()); };
        hooks.Pass = [&demo](CGuiStation&) { demo.Pass(); };
        code = RunGuiStation(argc, argv, hooks);
    } else
#endif
    {
        (void)gui;
        (void)argc;
        (void)argv;
        SStationHooks hooks;
        hooks.Started = [&demo](CMORADoc& doc) { demo.Started(doc); };
        hooks.Pass = [&demo](CMORADoc&) { demo.Pass(); };
        code = RunHeadlessStation(demoOptions, hooks);
    }
    // The station has closed its ports; now the devices go.
    gsm.Stop();
    modem.Stop();
    return code;
}
