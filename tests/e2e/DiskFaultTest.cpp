// The station's files on a disk that fills up, and a database folder that turns read-only: in a
// private mount namespace of the test (tests run as root, who ignores file modes, so only a
// read-only mount or a full file system really refuses a write).
#include "E2eStationTest.h"
#include "SqliteReader.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

constexpr const char* LIFT = "12345678";
constexpr const char* SENDER = "+46705550123";

// Moves this process into a mount namespace of its own, before it starts any thread (a thread
// started earlier would stay in the old one). False with the reason when that is not allowed.
bool PrivateMounts(std::string& why) {
    if (::unshare(CLONE_NEWNS) != 0) {
        why = std::string("unshare(CLONE_NEWNS): ") + std::strerror(errno) + " (needs root or CAP_SYS_ADMIN)";
        return false;
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        why = std::string("making the mounts private: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// Writes a file until the file system is full; returns the bytes written.
std::size_t Fill(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::size_t written = 0;
    const std::string block(4096, 'x');
    while (fd >= 0) {
        const ssize_t n = ::write(fd, block.data(), block.size());
        if (n <= 0) {
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return written;
}

std::size_t Rows(const std::string& db, const std::string& where) {
    CSqliteReader reader(db);
    return reader.Rows("SELECT PrimaryKey FROM AlarmInfo WHERE " + where).size();
}

// What the station's runs printed on standard error so far (message boxes among it).
std::string StationErrors(const CTempDir& dir) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("station-", 0) == 0 && entry.path().extension() == ".err") {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end()); // station-1, station-2, ... (fewer than ten runs)
    std::string text;
    for (const auto& file : files) {
        text += CTempDir::ReadFile(file);
    }
    return text;
}

std::string Integrity(const std::string& db) {
    CSqliteReader reader(db);
    const auto rows = reader.Rows("PRAGMA integrity_check");
    return rows.empty() ? reader.Error() : rows[0][0];
}

// A small file system (tmpfs) mounted on a folder of its own, which TMPDIR names while it lives,
// so that the station harness puts its whole folder there.
class CSmallDisk {
public:
    CSmallDisk(const std::string& size, std::string& error) {
        m_path = m_base.Path() + "/disk";
        std::filesystem::create_directory(m_path);
        const std::string options = "size=" + size;
        if (::mount("tmpfs", m_path.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            error = std::string("mounting a tmpfs: ") + std::strerror(errno);
            return;
        }
        m_mounted = true;
        const char* old = std::getenv("TMPDIR");
        m_oldTmp = old != nullptr ? old : "";
        ::setenv("TMPDIR", m_path.c_str(), 1);
    }
    ~CSmallDisk() {
        if (m_mounted) {
            m_oldTmp.empty() ? ::unsetenv("TMPDIR") : ::setenv("TMPDIR", m_oldTmp.c_str(), 1);
            ::umount2(m_path.c_str(), MNT_DETACH);
        }
    }
    bool Mounted() const { return m_mounted; }

private:
    CTempDir m_base;
    std::string m_path;
    std::string m_oldTmp;
    bool m_mounted = false;
};

} // namespace

TEST(DiskFaultTest, AFullDiskIsReportedTheLogsSurviveAndStoringResumesWhenThereIsRoom) {
    std::string why;
    if (!PrivateMounts(why)) {
        GTEST_SKIP() << why;
    }
    CSmallDisk disk("8m", why);
    if (!disk.Mounted()) {
        GTEST_SKIP() << why;
    }
    CStationHarness station;
    ASSERT_TRUE(station.StartDevices(why)) << why;
    ASSERT_TRUE(station.StartStation());
    ASSERT_TRUE(station.AddObject(*CStationHarness::Object(LIFT, "Lift 1, Storgatan 3")));
    station.Gsm().StoreSms(SENDER, "Lift 5 before the disk filled up");
    ASSERT_TRUE(station.WaitAlarms(1, 20000));
    const std::string telLog = station.Dir().File("TelHandler.log");
    const std::size_t telLogBefore = CTempDir::ReadFile(telLog).size();
    ASSERT_GT(telLogBefore, 0u);

    // The disk is full: the call's alarm cannot be stored, but it is shown, and the operator is
    // told why; the handlers' logs are not wiped by rewrites that fail.
    const std::string filler = station.Dir().File("filler");
    ASSERT_GT(Fill(filler), 0u);
    station.CallP100([](CSimP100Phone& phone) { phone.AddMessage(CSimP100Phone::CODE_ALARM, LIFT); });
    ASSERT_TRUE(station.WaitAlarms(2, 30000));
    ASSERT_TRUE(station.WaitLineReleased(1));
    station.PumpFor(500);
    const std::string err = StationErrors(station.Dir());
    EXPECT_NE(err.find("database or disk is full"), std::string::npos) << err;
    EXPECT_GE(CTempDir::ReadFile(telLog).size(), telLogBefore / 2) << "the telephone log was wiped";

    // Room again: the next alarms are stored, and the file is whole.
    std::filesystem::remove(filler);
    station.Gsm().StoreSms(SENDER, "Lift 5 after the disk had room again");
    station.CallP100([](CSimP100Phone& phone) { phone.AddMessage(CSimP100Phone::CODE_TEST, LIFT); });
    ASSERT_TRUE(station.WaitAlarms(4, 30000));
    ASSERT_TRUE(station.WaitLineReleased(2));
    station.StopStation();
    EXPECT_EQ(Integrity(station.DatabasePath()), "ok");
    EXPECT_EQ(Rows(station.DatabasePath(), "Text LIKE 'Lift 5 before%'"), 1u);
    EXPECT_EQ(Rows(station.DatabasePath(), "Text LIKE 'Lift 5 after%'"), 1u);
    EXPECT_EQ(Rows(station.DatabasePath(), "AlarmType = 6"), 1u);
    EXPECT_GT(CTempDir::ReadFile(telLog).size(), 0u);
}

TEST(DiskFaultTest, ADatabaseFolderThatTurnsReadOnlyIsToldAtTheStartAndUsedAgainOnceWritable) {
    std::string why;
    if (!PrivateMounts(why)) {
        GTEST_SKIP() << why;
    }
    CStationHarness station;
    ASSERT_TRUE(station.StartDevices(why)) << why;
    const std::string folder = station.Dir().File("db");
    std::filesystem::create_directory(folder);
    station.Settings().DatabasePath = folder + "/";
    const std::string db = folder + "/MORA_10.mdb";
    ASSERT_TRUE(station.StartStation());
    station.Gsm().StoreSms(SENDER, "Lift 6 before the folder turned read-only");
    ASSERT_TRUE(station.WaitAlarms(1, 20000));
    station.StopStation();

    // The folder turns read-only (a read-only mount of it over itself).
    ASSERT_EQ(::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr), 0) << std::strerror(errno);
    ASSERT_EQ(::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0)
        << std::strerror(errno);
    const std::size_t errBefore = StationErrors(station.Dir()).size();
    const bool started = station.StartStation();
    std::string err = StationErrors(station.Dir()).substr(errBefore);
    if (started) {
        // Opened read-only: an alarm is shown, its failed store is reported.
        station.Gsm().StoreSms(SENDER, "Lift 6 while the folder was read-only");
        EXPECT_TRUE(station.WaitAlarms(1, 20000));
        station.PumpFor(500);
        err = StationErrors(station.Dir()).substr(errBefore);
    }
    EXPECT_NE(err, "") << "the operator was not told";
    std::printf("read-only database folder: start %s; told: %s\n", started ? "went on" : "ended",
                err.substr(0, 400).c_str());
    station.StopStation();

    // Writable again: the station starts on the same file and stores again.
    ASSERT_EQ(::umount2(folder.c_str(), 0), 0) << std::strerror(errno);
    ASSERT_TRUE(station.StartStation());
    station.Gsm().StoreSms(SENDER, "Lift 6 after the folder was writable again");
    ASSERT_TRUE(station.Pump(
        [&] { return Rows(db, "Text LIKE 'Lift 6 after the folder was writable again%'") == 1; }, 20000));
    station.StopStation();
    EXPECT_EQ(Integrity(db), "ok");
    EXPECT_EQ(Rows(db, "Text LIKE 'Lift 6 before%'"), 1u);
}
