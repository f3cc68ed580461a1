// The database under the load of a busy station: 10,000 objects and 1,000,000 alarms in
// MORA_10.mdb. Durable intake of new alarms, the alarm list's finds for every status filter, a
// find by key, the supervision of 100,000 objects and a purge of 500,000 alarms.
#include "AlarmInfoReqMsg.h"
#include "AlarmInfoSet.h"
#include "DatabaseHandler.h"
#include "DbConvert.h"
#include "DbSchema.h"
#include "ObjectInfoSet.h"
#include "SqliteDb.h"
#include "SqliteTransaction.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

class CQuietFrontEnd : public IFrontEnd {
public:
    EResult MessageBox(const std::string& text, EButtons, EIcon, int) override {
        std::fprintf(stderr, "message box: %s\n", text.c_str());
        return EResult::Ok;
    }
    void SetPaneText(int, const std::string&) override {}
    void AddSystemInfo(const std::string&, bool) override {}
    void Beep(EBeep) override {}
};

class CNullSink : public IMsgSink {
public:
    void PutMsg(MsgPtr) override {}
};

constexpr int OBJECTS = 10000;
constexpr int ALARMS = 1000000;
// Alarms spread evenly over two years before "now"; half of them are older than one year.
const CDateTime FIRST_ALARM = CDateTime::FromLocal(2022, 6, 15);
constexpr double SPAN_DAYS = 730.0;

std::string IdCode(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%08d", n);
    return text;
}

// A folder with a database of OBJECTS objects and `alarms` alarms, made once per process.
struct SDatabaseFiles {
    std::string folder;
    ~SDatabaseFiles() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

std::string NewFolder() {
    std::string pattern = (fs::temp_directory_path() / "mora-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    return pattern + "/";
}

void Fill(const std::string& folder, int objects, int alarms) {
    CQuietFrontEnd frontEnd;
    CDbConvert convert(frontEnd, folder, "Bench");
    if (!convert.CreateDatabase()) {
        std::abort();
    }
    CSqliteDb db;
    db.Open(CDbSchema::DatabaseFile(folder));
    db.MakeDurable();
    std::mt19937 random(42);
    {
        CSqliteTransaction batch(db);
        for (int i = 0; i < objects; ++i) {
            CObjectInfoMsg object;
            object.IdCode = IdCode(i);
            object.IdInfo = "Lift " + object.IdCode + ", Storgatan " + std::to_string(i % 200);
            object.Address = "Storgatan " + std::to_string(i % 200) + ", Brennvik";
            object.Days = 7;
            // Test alarms arrive on time: nothing is overdue at "now".
            object.LastTestAlarm = FIRST_ALARM.AddDays(SPAN_DAYS - 1.0 - (i % 5) * 0.1);
            object.MailAddrTech = "service@example.com";
            object.SmsNumTech = "+46701234567";
            object.MailAddrEmg = "emergency@example.com";
            object.SmsNumEmg = "+46709999999";
            CObjectInfoSet::Insert(db, object);
        }
        for (int i = 0; i < alarms; ++i) {
            CAlarmInfoMsg alarm;
            alarm.IdCode = IdCode(static_cast<int>(random() % OBJECTS));
            alarm.AlarmSource = CAlarmInfoMsg::ALARMSOURCE_TEL;
            const unsigned pick = random() % 1000;
            // Mostly test alarms (info) and finished alarms; few new or acknowledged ones.
            if (pick < 600) {
                alarm.AlarmType = CAlarmInfoMsg::ALARMTYPE_TEST;
                alarm.AlarmStatus = CAlarmInfoMsg::ALARMSTATUS_INFO;
            } else {
                alarm.AlarmType =
                    pick < 700 ? CAlarmInfoMsg::ALARMTYPE_EMERGENCY_CALL : CAlarmInfoMsg::ALARMTYPE_P100;
                alarm.AlarmStatus = pick == 999   ? CAlarmInfoMsg::ALARMSTATUS_NEW
                                    : pick == 998 ? CAlarmInfoMsg::ALARMSTATUS_ACKNOWLEDGED
                                                  : CAlarmInfoMsg::ALARMSTATUS_FINISHED;
            }
            alarm.IdInfo = "Lift " + alarm.IdCode;
            alarm.Text.AddLine("Alarm from lift " + alarm.IdCode);
            alarm.AlarmTime = FIRST_ALARM.AddDays(SPAN_DAYS * i / alarms);
            CAlarmInfoSet::Insert(db, alarm);
        }
        batch.Commit();
    }
    db.Exec("ANALYZE");
    db.Close();
}

const SDatabaseFiles& LoadedDatabase() {
    static SDatabaseFiles files = [] {
        SDatabaseFiles f{NewFolder()};
        Fill(f.folder, OBJECTS, ALARMS);
        return f;
    }();
    return files;
}

// An open database with a configured handler on a copy of the loaded files.
struct SStation {
    explicit SStation(const std::string& folder, std::uint32_t purgeDays = 365) {
        clock.SetNow((FIRST_ALARM.AddDays(SPAN_DAYS)).ToLocal());
        db.Open(CDbSchema::DatabaseFile(folder));
        db.MakeDurable();
        handler = std::make_unique<CDatabaseHandler>(frontEnd, clock, &sink);
        handler->Configure(&db, purgeDays, false, false);
    }
    ~SStation() {
        handler.reset();
        db.Close();
    }
    CQuietFrontEnd frontEnd;
    CFakeClock clock;
    CNullSink sink;
    CSqliteDb db;
    std::unique_ptr<CDatabaseHandler> handler;
};

} // namespace

static void BM_StoreNewAlarm(benchmark::State& state) {
    SStation station(LoadedDatabase().folder);
    std::mt19937 random(7);
    const bool testAlarm = state.range(0) != 0;
    for (auto _ : state) {
        CAlarmInfoMsg alarm(MsgKind::UI_ALARM_RECORD, AlarmResult::NEW_ALARM);
        alarm.IdCode = IdCode(static_cast<int>(random() % OBJECTS));
        alarm.AlarmSource = CAlarmInfoMsg::ALARMSOURCE_TEL;
        alarm.AlarmType = testAlarm ? CAlarmInfoMsg::ALARMTYPE_TEST : CAlarmInfoMsg::ALARMTYPE_VOICE;
        alarm.AlarmStatus = testAlarm ? CAlarmInfoMsg::ALARMSTATUS_INFO : CAlarmInfoMsg::ALARMSTATUS_NEW;
        alarm.AlarmTime = CDateTime::FromLocal(station.clock.Now());
        alarm.Text.AddLine("Voice alarm");
        bool keep = true;
        station.handler->StoreNewAlarm(alarm, keep);
        if (alarm.PrimaryKey == 0) {
            state.SkipWithError("alarm not stored");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(testAlarm ? "test alarm: object edit + alarm, 1 durable commit"
                             : "voice alarm, 1 durable commit");
}
BENCHMARK(BM_StoreNewAlarm)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(3.0)->UseRealTime();

static void BM_AlarmListFind(benchmark::State& state) {
    SStation station(LoadedDatabase().folder);
    std::size_t rows = 0;
    for (auto _ : state) {
        CAlarmInfoReqMsg request(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_STATUS);
        request.MaxCount = 200;
        request.StatusMask = static_cast<std::uint8_t>(state.range(0));
        auto reply = station.handler->AlarmTable().FindAlarmInfo(request);
        rows = 0;
        for (const CAlarmInfoMsg* r = reply.get(); r != nullptr; r = r->NextRecord()) {
            ++rows;
        }
        benchmark::DoNotOptimize(reply);
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_AlarmListFind)->DenseRange(1, 15)->Unit(benchmark::kMillisecond);

static void BM_AlarmFindByKey(benchmark::State& state) {
    SStation station(LoadedDatabase().folder);
    std::mt19937 random(3);
    for (auto _ : state) {
        auto request =
            std::make_unique<CAlarmInfoReqMsg>(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_KEY);
        request->PrimaryKey = 1 + random() % ALARMS;
        // The request as the alarm list sends it, with the object look-up that follows.
        station.handler->ProcessRequest(std::move(request));
    }
}
BENCHMARK(BM_AlarmFindByKey)->Unit(benchmark::kMicrosecond);

static void BM_CheckTestAlarms(benchmark::State& state) {
    const int objects = static_cast<int>(state.range(0));
    const int overduePercent = static_cast<int>(state.range(1));
    SDatabaseFiles files{NewFolder()};
    Fill(files.folder, 0, 0);
    {
        CSqliteDb db;
        db.Open(CDbSchema::DatabaseFile(files.folder));
        CSqliteTransaction batch(db);
        for (int i = 0; i < objects; ++i) {
            CObjectInfoMsg object;
            object.IdCode = IdCode(i);
            object.IdInfo = "Lift " + object.IdCode;
            object.Days = 7;
            const bool overdue = i % 100 < overduePercent;
            object.LastTestAlarm = FIRST_ALARM.AddDays(SPAN_DAYS - (overdue ? 30.0 : 1.0));
            object.MailAddrTech = "service@example.com";
            CObjectInfoSet::Insert(db, object);
        }
        batch.Commit();
    }
    for (auto _ : state) {
        state.PauseTiming();
        {
            // Every run finds the same overdue objects again.
            CSqliteDb db;
            db.Open(CDbSchema::DatabaseFile(files.folder));
            CSqliteStmt stmt =
                db.Prepare("UPDATE ObjectInfo SET LastTestAlarm = ?1 WHERE (rowid - 1) % 100 < ?2");
            stmt.Bind(1, FIRST_ALARM.AddDays(SPAN_DAYS - 30.0)).Bind(2, overduePercent);
            stmt.Execute();
        }
        SStation station(files.folder);
        station.handler->CheckTestAlarms(); // the first run after start arms it
        if (overduePercent > 0) {
            CSqliteDb db;
            db.Open(CDbSchema::DatabaseFile(files.folder));
            CSqliteStmt stmt =
                db.Prepare("UPDATE ObjectInfo SET LastTestAlarm = ?1 WHERE (rowid - 1) % 100 < ?2");
            stmt.Bind(1, FIRST_ALARM.AddDays(SPAN_DAYS - 30.0)).Bind(2, overduePercent);
            stmt.Execute();
        }
        state.ResumeTiming();
        station.handler->CheckTestAlarms();
    }
    state.SetLabel(std::to_string(objects) + " objects, " + std::to_string(overduePercent) +
                   "% overdue (edited and alarmed in one commit)");
}
BENCHMARK(BM_CheckTestAlarms)
    ->Args({100000, 0})
    ->Args({100000, 10})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

static void BM_PurgeHalfTheAlarms(benchmark::State& state) {
    const SDatabaseFiles& loaded = LoadedDatabase();
    SDatabaseFiles copy{NewFolder()};
    std::int64_t deleted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(CDbSchema::DatabaseFile(loaded.folder), CDbSchema::DatabaseFile(copy.folder),
                      fs::copy_options::overwrite_existing);
        {
            SStation station(copy.folder, static_cast<std::uint32_t>(SPAN_DAYS / 2));
            CSqliteStmt count = station.db.Prepare("SELECT count(*) FROM AlarmInfo");
            count.Step();
            deleted = count.Int(0);
        }
        SStation station(copy.folder, static_cast<std::uint32_t>(SPAN_DAYS / 2));
        state.ResumeTiming();
        station.handler->PurgeAlarms();
        state.PauseTiming();
        CSqliteStmt count = station.db.Prepare("SELECT count(*) FROM AlarmInfo");
        count.Step();
        deleted -= count.Int(0);
        state.ResumeTiming();
    }
    state.counters["deleted"] = static_cast<double>(deleted);
}
BENCHMARK(BM_PurgeHalfTheAlarms)->Unit(benchmark::kMillisecond)->Iterations(3);
