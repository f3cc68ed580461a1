#include "DatabaseFixture.h"
#include "DbConvert.h"
#include "DbSchema.h"

#include <csignal>
#include <set>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class CSilentFrontEnd : public IFrontEnd {
public:
    EResult MessageBox(const std::string&, EButtons, EIcon, int) override { return EResult::Ok; }
    void SetPaneText(int, const std::string&) override {}
    void AddSystemInfo(const std::string&, bool) override {}
    void Beep(EBeep) override {}
};

// The child: stores alarms as fast as it can and reports each key once its reply is there.
[[noreturn]] void StoreAlarmsForever(const std::string& folder, int reportFd) {
    CSilentFrontEnd frontEnd;
    CSqliteDb db;
    if (db.Open(CDbSchema::DatabaseFile(folder)) != SQLITE_OK || db.MakeDurable() != SQLITE_OK) {
        _exit(2);
    }
    CFakeClock clock;
    CDatabaseHandler handler(frontEnd, clock);
    handler.Configure(&db, 0, false, false);
    for (int i = 0;; ++i) {
        CAlarmInfoMsg alarm(MsgKind::UI_ALARM_RECORD, AlarmResult::NEW_ALARM);
        alarm.IdCode = std::to_string(i);
        alarm.AlarmType = CAlarmInfoMsg::ALARMTYPE_VOICE;
        alarm.AlarmTime = CDateTime::FromLocal(2024, 6, 15, 10).AddMinutes(i);
        if (handler.AlarmTable().AddAlarmInfo(alarm)->Status != AlarmResult::ADD_STORED) {
            _exit(3);
        }
        const std::uint32_t key = alarm.PrimaryKey;
        if (write(reportFd, &key, sizeof key) != static_cast<ssize_t>(sizeof key)) {
            _exit(4);
        }
    }
}

} // namespace

TEST(Durability, EveryReportedAlarmSurvivesAKilledProcess) {
    CTempDir dir;
    const std::string folder = dir.Path() + "/";
    {
        CSilentFrontEnd frontEnd;
        CDbConvert convert(frontEnd, folder, "Tester");
        ASSERT_TRUE(convert.CreateDatabase());
    }
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        StoreAlarmsForever(folder, fds[1]);
    }
    close(fds[1]);
    std::set<std::uint32_t> reported;
    std::uint32_t key = 0;
    while (reported.size() < 300 && read(fds[0], &key, sizeof key) == static_cast<ssize_t>(sizeof key)) {
        reported.insert(key);
    }
    // Killed in the middle of whatever it was doing.
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    while (read(fds[0], &key, sizeof key) == static_cast<ssize_t>(sizeof key)) {
        reported.insert(key);
    }
    close(fds[0]);
    ASSERT_GE(reported.size(), 300u);

    CSqliteDb db;
    ASSERT_EQ(db.Open(CDbSchema::DatabaseFile(folder)), SQLITE_OK);
    CSqliteStmt integrity = db.Prepare("PRAGMA integrity_check");
    ASSERT_TRUE(integrity.Step());
    EXPECT_EQ(integrity.Text(0), "ok");
    std::set<std::uint32_t> stored;
    CSqliteStmt keys = db.Prepare("SELECT PrimaryKey FROM AlarmInfo");
    while (keys.Step()) {
        stored.insert(static_cast<std::uint32_t>(keys.Int(0)));
    }
    for (const std::uint32_t k : reported) {
        EXPECT_TRUE(stored.count(k) == 1) << "alarm " << k << " was reported stored but is gone";
    }
}
