// The GSM side: both alphabet conversions of a full SMS, the alarm SMS text, one AT+CMGL listing
// of three SMS read and parsed through a pseudo-terminal from the GSM modem simulator, and one
// write to the GSM handler's log when it already holds its 2000 lines.
#include "GsmInfo.h"
#include "GsmMgr.h"
#include "GsmModemSim.h"
#include "LogFile.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string SmsText160() {
    std::string text = "Hiss 3 står still mellan plan 2 och 3. Två personer är instängda, ";
    while (text.size() < 200) {
        text += "åäö éü £ $ ";
    }
    return text.substr(0, 160);
}

std::string TempFolder() {
    char pattern[] = "/tmp/mora-gsmbench-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir != nullptr ? std::string(dir) : std::string();
}

} // namespace

static void BM_TextToGsm160(benchmark::State& state) {
    const std::string text = SmsText160();
    for (auto _ : state) {
        benchmark::DoNotOptimize(CGsmInfo::TextToGsm(text));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TextToGsm160);

static void BM_GsmToText160(benchmark::State& state) {
    const std::string gsm = CGsmInfo::TextToGsm(SmsText160()) + "\x1b\x28\x1b\x29";
    for (auto _ : state) {
        benchmark::DoNotOptimize(CGsmInfo::GsmToText(gsm));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GsmToText160);

static void BM_AlarmSmsText(benchmark::State& state) {
    CAlarmInfoMsg alarm;
    alarm.AlarmType = CAlarmInfoMsg::ALARMTYPE_LIFT_MONITORING;
    alarm.IdInfo = "Storgatan 5, hiss A";
    alarm.Address = "Storgatan 5, 123 45 Brennvik";
    for (int i = 1; i <= 7; ++i) {
        alarm.Text.AddLine("Rad " + std::to_string(i) + " av lyftövervakningens text");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(CGsmMgr::AlarmSmsText(alarm));
    }
}
BENCHMARK(BM_AlarmSmsText);

// One listing as the handler does it each cycle: command out, header and text lines in, parsed.
static void BM_ListThreeSmsThroughSimulator(benchmark::State& state) {
    const std::string dir = TempFolder();
    setenv("MORA_SERIAL_DIR", dir.c_str(), 1);
    CGsmModemSim sim;
    sim.SetEcho(false);
    if (!sim.Start(9, dir)) {
        state.SkipWithError("simulator did not start");
        return;
    }
    sim.StoreSms("+46701234567", "Larm hiss 1: dörren öppen", "24/03/05,07:04:09+04");
    sim.StoreSms("+46702222222", "#TEST", "24/03/05,07:05:09+04");
    sim.StoreSms("+46703333333", "Larm {2} [3] ~ €", "24/03/05,07:06:09+04");
    CGsmInfo info;
    if (info.Open(9, 115200) != CAtCmdProt::ATCMDPROT_OPEN_OK) {
        state.SkipWithError("port did not open");
        return;
    }
    info.Send(CGsmMsg(CGsmMsg::GSMREQ_TEXT_MODE));
    info.Send(CGsmMsg(CGsmMsg::GSMREQ_HEADERS));
    for (int ok = 0; ok < 2;) {
        if (auto r = info.Receive(); r && r->Kind == CGsmMsg::GSMREP_OK) {
            ++ok;
        }
    }
    for (auto _ : state) {
        info.Send(CGsmMsg(CGsmMsg::GSMREQ_LIST_SMS));
        int sms = 0;
        for (;;) {
            auto reply = info.Receive();
            if (!reply) {
                continue;
            }
            if (reply->Kind == CGsmMsg::GSMREP_SMS) {
                ++sms;
            } else if (reply->Kind == CGsmMsg::GSMREP_OK) {
                break;
            }
        }
        if (sms != 3) {
            state.SkipWithError("listing incomplete");
            break;
        }
    }
    info.Close();
    sim.Stop();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ListThreeSmsThroughSimulator)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_GsmLogWriteAtFullFile(benchmark::State& state) {
    const std::string dir = TempFolder();
    CLogFile log(dir + "/GsmHandler", 2000);
    const std::string text(60, 'x');
    for (int i = 0; i < 2000; ++i) {
        log.Write("CGsmHandler::ThreadMain", text);
    }
    for (auto _ : state) {
        log.Write("CGsmHandler::SendSms", "GSMHND_SSST_RESULT_WAIT: SMS Message sent OK..");
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_GsmLogWriteAtFullFile)->Unit(benchmark::kMicrosecond);
