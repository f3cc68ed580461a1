// The whole station, the mora program run headless as a child process, against both modem
// simulators in this process:
// - time from the last byte of the modem's P100 message report on the wire to the alarm written to
//   the database (the last write of its write-ahead log before the alarm's line, seen through
//   inotify) and to the alarm's line on the program's standard output (median and worst of
//   MORA_BENCH_CALLS calls, default 50; each call takes about 3.5 s of line time, so 200 calls take
//   some 12 minutes);
// - CPU time per second of the idle station with both modems and mail enabled, per thread by its
//   name, and the rate at which the idle station polls the telephone modem beside what the line at
//   9600 bit/s and the 35 ms rest allow.
// Each runs once: the figures are the counters, not the benchmark's own timing. The program is
// found beside the benchmark's build folder (../app/mora) or at $MORA_BINARY.

#include "GsmModemSim.h"
#include "Settings.h"
#include "SimP100Phone.h"
#include "SimTelModem.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int TEL_PORT = 1;
constexpr int GSM_PORT = 2;

std::string MoraBinary() {
    if (const char* path = std::getenv("MORA_BINARY")) {
        return path;
    }
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return (self.parent_path().parent_path() / "app" / "mora").string();
}

// A fresh folder that is the settings, serial port and working folder of one run.
class CStationDir {
public:
    CStationDir() {
        std::string pattern = (fs::temp_directory_path() / "mora-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
        setenv("MORA_CONFIG_DIR", m_path.c_str(), 1);
        setenv("MORA_SERIAL_DIR", m_path.c_str(), 1);
    }
    ~CStationDir() {
        unsetenv("MORA_CONFIG_DIR");
        unsetenv("MORA_SERIAL_DIR");
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    CStationDir(const CStationDir&) = delete;
    CStationDir& operator=(const CStationDir&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// The mora program with its standard output read line by line; each line is kept with the time
// it arrived (steady clock, microseconds, as the simulator's).
class CStationProcess {
public:
    ~CStationProcess() { Stop(); }

    bool Start(const std::string& folder) {
        int fds[2];
        if (pipe(fds) != 0) {
            return false;
        }
        const std::string binary = MoraBinary();
        std::vector<std::string> args = {binary, "--headless", "--operator", "Bench"};
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        const std::string err = folder + "/mora.err";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
        const int rc = posix_spawn(&m_pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (rc != 0) {
            close(fds[0]);
            std::fprintf(stderr, "cannot start %s\n", binary.c_str());
            m_pid = -1;
            return false;
        }
        m_reader = std::thread([this, fd = fds[0]] { Read(fd); });
        return true;
    }

    void Stop() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
        if (m_reader.joinable()) {
            m_reader.join();
        }
    }

    // Waits until `count` lines starting with `prefix` have arrived.
    bool WaitLines(const std::string& prefix, std::size_t count, std::uint32_t timeoutMs) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return CountLocked(prefix) >= count; });
    }

    std::vector<std::uint64_t> Times(const std::string& prefix) const {
        std::lock_guard guard(m_lock);
        std::vector<std::uint64_t> times;
        for (const auto& [line, us] : m_lines) {
            if (line.rfind(prefix, 0) == 0) {
                times.push_back(us);
            }
        }
        return times;
    }

    pid_t Pid() const { return m_pid; }

private:
    void Read(int fd) {
        std::string pending;
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            const std::uint64_t now = CSimTelModem::SteadyUs();
            pending.append(buffer, static_cast<std::size_t>(n));
            std::size_t end = 0;
            while ((end = pending.find('\n')) != std::string::npos) {
                {
                    std::lock_guard guard(m_lock);
                    m_lines.emplace_back(pending.substr(0, end), now);
                }
                pending.erase(0, end + 1);
                m_changed.notify_all();
            }
        }
        close(fd);
    }

    std::size_t CountLocked(const std::string& prefix) const {
        return static_cast<std::size_t>(std::count_if(m_lines.begin(), m_lines.end(), [&](const auto& entry) {
            return entry.first.rfind(prefix, 0) == 0;
        }));
    }

    pid_t m_pid = -1;
    std::thread m_reader;
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::pair<std::string, std::uint64_t>> m_lines;
};

// Both modems and mail enabled, one ring signal, P100 only.
bool WriteSettings(const std::string& folder) {
    CSettings settings;
    settings.Load();
    settings.TelEnabled = 1;
    settings.TelComPort = TEL_PORT;
    settings.TelRingSignals = 1;
    settings.CpcEnabled = 0;
    settings.GsmEnabled = 1;
    settings.GsmComPort = GSM_PORT;
    settings.MailEnabled = 1;
    settings.SendMailServer = "127.0.0.1";
    settings.MailSenderAddress = "mora@bench.example";
    settings.DatabasePath = folder + "/";
    return settings.SaveAll();
}

// The devices, the settings and the running station, ready for calls.
class CBenchStation {
public:
    bool Start(benchmark::State& state) {
        SSimTiming timing = m_modem.Timing();
        timing.LineMs = 50;
        timing.P100MessageMs = 100;
        timing.P100NoStartMs = 100;
        m_modem.SetTiming(timing);
        std::string error;
        if (!m_modem.Start(m_dir.Path(), TEL_PORT, error) || !m_gsm.Start(GSM_PORT, m_dir.Path())) {
            state.SkipWithError("simulator");
            return false;
        }
        if (!WriteSettings(m_dir.Path())) {
            state.SkipWithError("settings");
            return false;
        }
        if (!m_station.Start(m_dir.Path())) {
            state.SkipWithError("mora program");
            return false;
        }
        if (!m_station.WaitLines("PANE 3 TEL: Com OK, Line OK", 1, 30000) ||
            !m_station.WaitLines("PANE 2 GSM: Com OK, NET", 1, 30000)) {
            state.SkipWithError("the station did not report both modems ready");
            return false;
        }
        return true;
    }

    CSimTelModem& Modem() { return m_modem; }
    const std::string& Folder() const { return m_dir.Path(); }
    CStationProcess& Station() { return m_station; }

private:
    CStationDir m_dir;
    CSimTelModem m_modem;
    CGsmModemSim m_gsm;
    CStationProcess m_station; // stopped first, before the devices go
};

struct SThreadCpu {
    std::string Name;
    std::uint64_t Ns = 0;
};

// Nanoseconds on the CPU so far of each thread of a process, with its name, by thread id.
std::map<long, SThreadCpu> ThreadCpuNs(pid_t pid) {
    std::map<long, SThreadCpu> cpu;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream in(entry.path() / "schedstat");
        std::ifstream comm(entry.path() / "comm");
        SThreadCpu thread;
        std::getline(comm, thread.Name);
        if (in >> thread.Ns) {
            cpu[std::stol(entry.path().filename().string())] = thread;
        }
    }
    return cpu;
}

// The times (steady clock, microseconds) at which a file in a folder was written, from inotify.
class CWriteWatch {
public:
    CWriteWatch(const std::string& folder, std::string name) : m_name(std::move(name)) {
        m_fd = inotify_init1(IN_CLOEXEC);
        if (m_fd >= 0 && inotify_add_watch(m_fd, folder.c_str(), IN_MODIFY) >= 0 && pipe(m_stop) == 0) {
            m_thread = std::thread([this] { Run(); });
        }
    }
    ~CWriteWatch() {
        if (m_thread.joinable()) {
            [[maybe_unused]] const ssize_t n = write(m_stop[1], "x", 1);
            m_thread.join();
            close(m_stop[0]);
            close(m_stop[1]);
        }
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    CWriteWatch(const CWriteWatch&) = delete;
    CWriteWatch& operator=(const CWriteWatch&) = delete;

    std::vector<std::uint64_t> Times() const {
        std::lock_guard guard(m_lock);
        return m_times;
    }

private:
    void Run() {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
            if (poll(fds, 2, -1) <= 0 || (fds[1].revents & POLLIN) != 0) {
                return;
            }
            const ssize_t n = read(m_fd, buffer, sizeof buffer);
            const std::uint64_t now = CSimTelModem::SteadyUs();
            for (ssize_t i = 0; i < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + i);
                if (event->len != 0 && m_name == event->name) {
                    std::lock_guard guard(m_lock);
                    m_times.push_back(now);
                }
                i += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

    std::string m_name;
    int m_fd = -1;
    int m_stop[2] = {-1, -1};
    std::thread m_thread;
    mutable std::mutex m_lock;
    std::vector<std::uint64_t> m_times;
};

// For each event time, the time since the last cause before it; causes and events are sorted.
std::vector<double> LatenciesMs(const std::vector<std::uint64_t>& causes, const std::vector<std::uint64_t>& events) {
    std::vector<double> latency;
    for (std::uint64_t t : events) {
        const auto it = std::upper_bound(causes.begin(), causes.end(), t);
        if (it != causes.begin()) {
            latency.push_back(static_cast<double>(t - *std::prev(it)) / 1000.0);
        }
    }
    std::sort(latency.begin(), latency.end());
    return latency;
}

// The commit of an alarm: the last write of the log before its line.
std::vector<std::uint64_t> CommitsBefore(const std::vector<std::uint64_t>& writes,
                                         const std::vector<std::uint64_t>& lines) {
    std::vector<std::uint64_t> commits;
    for (std::uint64_t t : lines) {
        const auto it = std::upper_bound(writes.begin(), writes.end(), t);
        if (it != writes.begin()) {
            commits.push_back(*std::prev(it));
        }
    }
    return commits;
}

} // namespace

// P100 alarm calls one after the other; each alarm is one "ALARM" line.
static void BM_ReportToAlarmLine(benchmark::State& state) {
    const char* env = std::getenv("MORA_BENCH_CALLS");
    const std::size_t calls = env != nullptr ? static_cast<std::size_t>(std::max(1, std::atoi(env))) : 50;
    for (auto _ : state) {
        CBenchStation bench;
        if (!bench.Start(state)) {
            return;
        }
        CWriteWatch logWrites(bench.Folder(), "MORA_10.mdb-wal");
        std::mutex lock;
        std::vector<std::uint64_t> reportDone;
        bench.Modem().SetTxListener([&](std::uint8_t code, std::uint64_t us) {
            if (code == CSimTelModem::REP_P100_MESSAGE) {
                std::lock_guard guard(lock);
                reportDone.push_back(us);
            }
        });
        std::size_t done = 0;
        for (; done < calls; ++done) {
            auto phone = std::make_shared<CSimP100Phone>();
            phone->AddMessage(CSimP100Phone::CODE_ALARM, "12345678");
            bench.Modem().Call(phone, SSimRingPlan{3, 200, 300});
            if (!bench.Station().WaitLines("ALARM ", done + 1, 30000)) {
                break;
            }
        }
        bench.Modem().SetTxListener({});

        const auto lines = bench.Station().Times("ALARM ");
        std::vector<std::uint64_t> writes = logWrites.Times();
        std::sort(writes.begin(), writes.end());
        std::vector<double> latency;
        std::vector<double> stored;
        {
            // The report that produced an alarm is the last one written before its line.
            std::lock_guard guard(lock);
            latency = LatenciesMs(reportDone, lines);
            stored = LatenciesMs(reportDone, CommitsBefore(writes, lines));
        }
        if (done < calls || latency.empty()) {
            state.SkipWithError("not every alarm line arrived");
            return;
        }
        state.counters["calls"] = static_cast<double>(latency.size());
        state.counters["median_ms"] = latency[latency.size() / 2];
        state.counters["worst_ms"] = latency.back();
        state.counters["best_ms"] = latency.front();
        if (!stored.empty()) {
            state.counters["stored_median_ms"] = stored[stored.size() / 2];
            state.counters["stored_worst_ms"] = stored.back();
        }
    }
}
BENCHMARK(BM_ReportToAlarmLine)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// The idle station: both modems polled, the GSM modem watched, mail enabled and waiting.
static void BM_IdleStationCpu(benchmark::State& state) {
    for (auto _ : state) {
        CBenchStation bench;
        if (!bench.Start(state)) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::seconds(2)); // start-up work settles
        const pid_t pid = bench.Station().Pid();
        const auto cpu0 = ThreadCpuNs(pid);
        const std::uint32_t from = bench.Modem().Elapsed();
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(20));
        const auto cpu1 = ThreadCpuNs(pid);
        const std::uint32_t to = bench.Modem().Elapsed();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        double total = 0;
        double busiest = 0;
        for (const auto& [tid, thread] : cpu1) {
            const auto before = cpu0.find(tid);
            const double ms =
                static_cast<double>(thread.Ns - (before != cpu0.end() ? before->second.Ns : 0)) / 1e6 / seconds;
            total += ms;
            busiest = std::max(busiest, ms);
            // Per cent of one core, by the thread's name (the main thread carries the program's).
            state.counters[thread.Name + "_pct"] = ms / 10.0;
        }
        state.counters["threads"] = static_cast<double>(cpu1.size());
        state.counters["total_pct"] = total / 10.0;
        state.counters["busiest_thread_pct"] = busiest / 10.0;

        // One idle exchange is a poll and a status reply on the line at 10 bits a byte, then the
        // 35 ms rest: the limit follows from the frames as they were on the wire.
        std::size_t polls = 0;
        std::size_t wireBytes = 0;
        bench.Modem().Recorder().Count([&](const SSimRecord& r) {
            const bool exchange = r.IsFrom(CSimTelModem::CMD_POLL) || r.IsTo(CSimTelModem::REP_STATUS);
            if (exchange && r.Tick >= from && r.Tick < to) {
                polls += r.Type == SSimRecord::FROM_STATION ? 1 : 0;
                wireBytes += r.Wire.size();
            }
            return false;
        });
        const double bytesPerExchange = polls != 0 ? static_cast<double>(wireBytes) / static_cast<double>(polls) : 8.0;
        const double limit = 1000.0 / (bytesPerExchange * 10.0 * 1000.0 / 9600.0 + 35.0);
        const double rate = static_cast<double>(polls) * 1000.0 / (to - from);
        state.counters["polls_per_s"] = rate;
        state.counters["poll_limit_per_s"] = limit;
        state.counters["poll_pct_of_limit"] = 100.0 * rate / limit;
    }
}
BENCHMARK(BM_IdleStationCpu)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
