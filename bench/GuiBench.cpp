// The station with its windows in one process, offscreen (modems off, a real database file):
// - time from a new alarm record entering the user-interface queue to its alarm pop-up being
//   shown (median and worst of 200);
// - time to refill the alarm list with MaxAlarmlistItems = 5000 rows (from the refresh request
//   to the list model holding every row).
// Each runs once: the figures are the counters, not the benchmark's own timing.

#include "AlarmInfoMsg.h"
#include "DatabaseHandler.h"
#include "DbConvert.h"
#include "DbResults.h"
#include "Dictionary.h"
#include "EventMsgDlg.h"
#include "GuiStation.h"
#include "HeadlessFrontEnd.h"
#include "MORADoc.h"
#include "MainFrame.h"
#include "MainView.h"
#include "MsgKinds.h"
#include "Settings.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

QApplication& App() {
    static int argc = 1;
    static char name[] = "mora_bench_Gui";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

// A folder with settings, a database and the station with its windows, started as "Bench".
class CBenchStation {
public:
    explicit CBenchStation(int maxItems) {
        std::string pattern = (fs::temp_directory_path() / "mora-guibench-XXXXXX").string();
        m_folder = mkdtemp(pattern.data());
        fs::current_path(m_folder);
        setenv("MORA_CONFIG_DIR", m_folder.c_str(), 1);
        CDictionary& dictionary = CDictionary::Instance();
        dictionary.Load();
        dictionary.InstallAsTranslator();
        dictionary.SetLanguage("en");
        CSettings settings;
        settings.Load();
        settings.TelEnabled = settings.GsmEnabled = settings.MailEnabled = 0;
        settings.DatabasePath = m_folder + "/";
        settings.MaxAlarmlistItems = static_cast<std::int16_t>(maxItems);
        settings.Operator[0] = "Bench";
        settings.SaveAll();
        settings.SaveLastOperator("Bench");
        CHeadlessFrontEnd quiet("Bench");
        CDbConvert(quiet, settings.DatabasePath, "Bench").CreateDatabase();
        m_station = std::make_unique<CGuiStation>(CSystemClock::Instance(), m_folder);
        QTimer::singleShot(0, [] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                d->accept();
            }
        });
        m_station->Start();
    }
    ~CBenchStation() {
        m_station.reset();
        std::error_code ec;
        fs::remove_all(m_folder, ec);
    }
    CGuiStation& Station() { return *m_station; }

    static std::unique_ptr<CAlarmInfoMsg> NewAlarm(int n) {
        auto alarm = std::make_unique<CAlarmInfoMsg>(MsgKind::UI_ALARM_RECORD, AlarmResult::NEW_ALARM);
        alarm->AlarmType = CAlarmInfoMsg::ALARMTYPE_P100;
        alarm->AlarmSource = CAlarmInfoMsg::ALARMSOURCE_TEL;
        alarm->AlarmStatus = CAlarmInfoMsg::ALARMSTATUS_NEW;
        alarm->IdCode = std::to_string(10000000 + n);
        alarm->IdInfo = "Lift " + std::to_string(n);
        alarm->AlarmTime = CDateTime::FromLocal(CSystemClock::Instance().Now());
        alarm->Text.AddLine("Alarm button pressed");
        return alarm;
    }

private:
    std::string m_folder;
    std::unique_ptr<CGuiStation> m_station;
};

int VisiblePopUps() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<CEventMsgDlg*>(w); d != nullptr && d->isVisible()) {
            ++n;
        }
    }
    return n;
}

void BM_NewAlarmToPopUp(benchmark::State& state) {
    App();
    CBenchStation bench(200);
    CMORADoc& doc = bench.Station().Doc();
    std::vector<double> ms;
    for (auto _ : state) {
        for (int i = 0; i < 200; ++i) {
            const Clock::time_point start = Clock::now();
            doc.PostMsg(CBenchStation::NewAlarm(i));
            while (VisiblePopUps() == 0) {
                QCoreApplication::processEvents();
            }
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            for (const auto& dialog : doc.AlarmList().Dialogs()) {
                dialog->Dismiss();
            }
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["worst_ms"] = ms.back();
}
BENCHMARK(BM_NewAlarmToPopUp)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_RefillList5000(benchmark::State& state) {
    App();
    CBenchStation bench(5000);
    CMORADoc& doc = bench.Station().Doc();
    auto& table = doc.DatabaseMgr().Handler().AlarmTable();
    for (int i = 0; i < 5000; ++i) {
        auto alarm = CBenchStation::NewAlarm(i);
        table.AddAlarmInfo(*alarm);
    }
    const auto& model = *bench.Station().Frame().View().model();
    std::vector<double> ms;
    for (auto _ : state) {
        for (int round = 0; round < 5; ++round) {
            const Clock::time_point start = Clock::now();
            doc.AlarmList().Refresh();
            while (doc.PendingMessages() > 0 || model.rowCount() < 5000) {
                QCoreApplication::processEvents();
            }
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["worst_ms"] = ms.back();
    state.counters["rows"] = model.rowCount();
}
BENCHMARK(BM_RefillList5000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
