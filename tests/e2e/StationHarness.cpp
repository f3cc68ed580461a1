#include "StationHarness.h"

#include "DatabaseHandler.h"
#include "DbResults.h"
#include "DictionaryStartup.h"
#include "ObjectInfoReqMsg.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>

CStationHarness::CStationHarness() {
    m_dir.UseAsSettingsFolder();
    m_dir.Enter(); // the handlers write their logs into the working directory
    setenv("MORA_SERIAL_DIR", m_dir.Path().c_str(), 1);

    m_settings.TelEnabled = 1;
    m_settings.TelComPort = TEL_PORT;
    m_settings.TelRingSignals = 1;
    m_settings.CpcEnabled = 0;
    m_settings.VoiceCallEnabled = 0;
    m_settings.GsmEnabled = 1;
    m_settings.GsmComPort = GSM_PORT;
    m_settings.MailEnabled = 1;
    m_settings.SendMailServer = "127.0.0.1";
    m_settings.MailAccountName = "station.e2e";
    m_settings.MailSenderAddress = "mora@station.example";
    m_settings.DatabasePath = m_dir.Path() + "/"; // a folder, as the folder picker stores it
}

CStationHarness::~CStationHarness() {
    StopStation();
    m_gsm.Stop();
    m_modem.Stop();
    m_smtp.reset();
    unsetenv("MORA_SERIAL_DIR");
}

bool CStationHarness::StartDevices(std::string& error) {
    // A quick line, so that a whole call takes a few seconds; the station's own timers are real.
    SSimTiming timing;
    timing.LineMs = 100;
    timing.ResetMs = 200;
    timing.RawByteMs = 30;
    timing.P100MessageMs = 300;
    timing.P100NoStartMs = 100;
    timing.P100RetryMs = 150;
    timing.CpcAnswerMs = 150;
    timing.CpcNoAnswerMs = 200;
    m_modem.SetTiming(timing);
    if (!m_modem.Start(m_dir.Path(), TEL_PORT, error)) {
        error = "telephone modem simulator: " + error;
        return false;
    }
    if (!m_gsm.Start(GSM_PORT, m_dir.Path())) {
        error = "GSM modem simulator: " + m_gsm.LastError();
        return false;
    }
    const std::string mailFolder = m_dir.File("mail");
    std::filesystem::create_directory(mailFolder);
    m_smtp = std::make_unique<CAioSmtpServer>(mailFolder);
    if (!m_smtp->Running()) {
        error = "SMTP server: " + m_smtp->Error();
        return false;
    }
    m_settings.MailPortNumber = m_smtp->Port();
    return true;
}

bool CStationHarness::StartStation() {
    if (m_doc) {
        return false;
    }
    if (!m_settings.SaveAll()) {
        return false;
    }
    static int run = 0;
    ++run;
    m_frontEnd = std::make_unique<CE2eFrontEnd>(m_dir.File("station-" + std::to_string(run) + ".out"),
                                                m_dir.File("station-" + std::to_string(run) + ".err"));
    m_dictionary = std::make_unique<CDictionary>();
    if (!CDictionaryStartup::Run(*m_dictionary, *m_frontEnd)) {
        return false;
    }
    m_doc = std::make_unique<CMORADoc>(*m_frontEnd, m_clock, m_dir.Path());
    if (!m_doc->Start()) {
        return false;
    }
    const bool tel = m_settings.TelEnabled != 0;
    const bool gsm = m_settings.GsmEnabled != 0;
    return Pump(
        [&] {
            return (!tel || m_frontEnd->Pane(TEL_PANE) == TEL_READY) &&
                   (!gsm || m_frontEnd->Pane(GSM_PANE).rfind(GSM_READY, 0) == 0);
        },
        20000);
}

void CStationHarness::StopStation() {
    if (!m_doc) {
        return;
    }
    m_doc->Shutdown();
    m_doc.reset();
    m_dictionary.reset();
}

bool CStationHarness::Pump(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        if (!m_doc) {
            m_clock.Sleep(5);
            continue;
        }
        bool close = false;
        const int wakeUps = m_frontEnd->WaitForWork(5, close);
        for (int i = 0; i < wakeUps; ++i) {
            m_doc->OnUserMessage();
        }
    }
}

void CStationHarness::PumpFor(int milliseconds) {
    Pump([] { return false; }, milliseconds);
}

std::unique_ptr<CObjectInfoMsg> CStationHarness::Object(const std::string& idCode,
                                                        const std::string& idInfo) {
    auto object = std::make_unique<CObjectInfoMsg>();
    object->IdCode = idCode;
    object->IdInfo = idInfo;
    object->Address = "Storgatan 3, 802 50 Gävle";
    object->MailAddrTech = "tech1@example.com;tech2@example.com";
    object->SmsNumTech = "+46701111111";
    object->MailAddrEmg = "emergency@example.com";
    object->SmsNumEmg = "+46709999999";
    object->AlarmPopUpEnabled = true;
    object->LastTestAlarm = CDateTime::FromLocal(2024, 1, 1, 12, 0, 0);
    return object;
}

bool CStationHarness::AddObject(const CObjectInfoMsg& object) {
    const auto reply = m_doc->DatabaseMgr().Handler().ObjectTable().AddObjectInfo(object);
    return reply && reply->Status == ObjectResult::ADD_DONE;
}

std::unique_ptr<CObjectInfoMsg> CStationHarness::FindObject(const std::string& idCode) {
    const CObjectInfoReqMsg request(MsgKind::DB_OBJECT_FIND, CObjectInfoReqMsg::BY_IDCODE, idCode);
    auto found = m_doc->DatabaseMgr().Handler().ObjectTable().FindObjectInfo(request);
    if (!found || found->Status != ObjectResult::FIND_BY_ID) {
        return nullptr;
    }
    return found;
}

std::shared_ptr<CSimP100Phone> CStationHarness::CallP100(const std::function<void(CSimP100Phone&)>& script) {
    auto phone = std::make_shared<CSimP100Phone>();
    script(*phone);
    m_modem.Call(phone, SSimRingPlan{4, 200, 300});
    return phone;
}

bool CStationHarness::WaitAlarms(std::size_t count, int timeoutMs) {
    return Pump([&] { return m_frontEnd->Alarms().size() >= count; }, timeoutMs);
}

bool CStationHarness::WaitLineReleased(std::size_t count, int timeoutMs) {
    const auto released = [this] {
        return m_modem.Recorder().Count([](const SSimRecord& r) {
            return r.Type == SSimRecord::EVENT && r.Text.find("line released") != std::string::npos;
        });
    };
    return Pump([&] { return released() >= count; }, timeoutMs);
}

std::string CStationHarness::Diagnostics() const {
    std::string text;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path(), ec)) {
        const std::string name = entry.path().filename().string();
        const std::string ext = entry.path().extension().string();
        if (ext == ".log" || ext == ".out" || ext == ".err") {
            std::string content = CTempDir::ReadFile(entry.path().string());
            if (content.size() > 6000) {
                content = content.substr(0, 6000) + "...\n";
            }
            text += "--- " + name + " ---\n" + content;
        }
    }
    text += "--- telephone modem (without idle polls) ---\n";
    for (const auto& r : m_modem.Recorder().Snapshot()) {
        const bool idlePoll = !r.Wire.empty() && r.Wire[0] == CSimTelModem::CMD_POLL &&
                              (r.Type == SSimRecord::TO_STATION || r.Type == SSimRecord::FROM_STATION);
        if (!idlePoll) {
            text += std::to_string(r.Tick) + " " + r.Describe() + "\n";
        }
    }
    return text;
}
