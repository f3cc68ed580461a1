// The telephone line against the modem simulator over a pseudo-terminal, in real time:
// - exchanges per second of the idle polling loop, beside the limit that 9600 bit/s, the frame
//   sizes and the 35 ms rest allow;
// - time from the last byte of a 0x86 report on the wire to the kind-42 record leaving the
//   telephone handler (median and worst; MORA_BENCH_SAMPLES records, default 1000);
// - CPU time of the telephone handler and link threads per second while idle.
// Each runs once: the figures are the counters, not the benchmark's own timing.

#include "MsgKinds.h"
#include "MsgSink.h"
#include "SimP100Phone.h"
#include "SimTelModem.h"
#include "TelHandler.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A fresh folder for the pseudo-terminal link and the handlers' logs, the working directory while
// it exists.
class CBenchDir {
public:
    CBenchDir() {
        std::string pattern = (fs::temp_directory_path() / "mora-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
        m_old = fs::current_path();
        fs::current_path(m_path);
        setenv("MORA_SERIAL_DIR", m_path.c_str(), 1);
    }
    ~CBenchDir() {
        std::error_code ec;
        fs::current_path(m_old, ec);
        fs::remove_all(m_path, ec);
        unsetenv("MORA_SERIAL_DIR");
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    fs::path m_old;
};

// Notes when each alarm record leaves the telephone handler; drops everything else.
class CTimingSink : public IMsgSink {
public:
    void PutMsg(MsgPtr msg) override {
        if (msg->Kind != MsgKind::TEL_ALARM) {
            return;
        }
        const std::uint64_t now = CSimTelModem::SteadyUs();
        {
            std::lock_guard guard(m_lock);
            m_times.push_back(now);
        }
        m_changed.notify_all();
    }

    bool WaitFor(std::size_t count, std::uint32_t timeoutMs) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return m_times.size() >= count; });
    }

    std::vector<std::uint64_t> Times() const {
        std::lock_guard guard(m_lock);
        return m_times;
    }

private:
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::uint64_t> m_times;
};

STelHandlerConfig Config() {
    STelHandlerConfig config;
    config.PortNumber = 1;
    config.RingSignals = 1;
    return config;
}

bool StartModem(CSimTelModem& modem, const CBenchDir& dir, bool pace) {
    SSimTiming timing = modem.Timing();
    timing.Pace9600 = pace;
    timing.LineMs = 50;
    timing.P100MessageMs = 0;
    timing.P100NoStartMs = 100;
    modem.SetTiming(timing);
    std::string error;
    if (!modem.Start(dir.Path(), 1, error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return false;
    }
    return true;
}

std::size_t Polls(const CSimTelModem& modem, std::uint32_t from, std::uint32_t to) {
    return modem.Recorder().Count([from, to](const SSimRecord& r) {
        return r.IsFrom(CSimTelModem::CMD_POLL) && r.Tick >= from && r.Tick < to;
    });
}

// CPU time of a thread of this process in nanoseconds, from the scheduler's statistics.
std::uint64_t ThreadCpuNs(long tid) {
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/schedstat");
    std::uint64_t ns = 0;
    in >> ns;
    return ns;
}

std::set<long> Threads() {
    std::set<long> tids;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc/self/task", ec)) {
        tids.insert(std::stol(entry.path().filename().string()));
    }
    return tids;
}

} // namespace

// Idle polling: one cycle is a 4-byte poll, a 4-byte status reply and 35 ms of rest.
static void BM_IdlePollingRate(benchmark::State& state) {
    const bool pace = state.range(0) != 0;
    constexpr double BITS_PER_BYTE = 10.0; // start, 8 data, stop
    constexpr double FRAME_BYTES = 4.0 + 4.0;
    const double limit = 1000.0 / (FRAME_BYTES * BITS_PER_BYTE * 1000.0 / 9600.0 + 35.0);
    for (auto _ : state) {
        CBenchDir dir;
        CSimTelModem modem;
        if (!StartModem(modem, dir, pace)) {
            state.SkipWithError("simulator");
            return;
        }
        CTimingSink owner;
        CTelHandler handler(&owner);
        handler.Configure(Config());
        if (handler.Start() != CHandler::HANDLER_STARTED) {
            state.SkipWithError("handler");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        const std::uint32_t from = modem.Elapsed();
        std::this_thread::sleep_for(std::chrono::milliseconds(5000));
        const std::uint32_t to = modem.Elapsed();
        state.counters["exchanges_per_s"] =
            static_cast<double>(Polls(modem, from, to)) * 1000.0 / (to - from);
        state.counters["limit_per_s"] = limit;
        handler.Stop();
    }
}
BENCHMARK(BM_IdlePollingRate)
    ->ArgName("pace9600")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

// One call with a UserId and a stream of UserData messages: each 0x86 report is one record.
static void BM_ReportToRecordLatency(benchmark::State& state) {
    const char* env = std::getenv("MORA_BENCH_SAMPLES");
    const std::size_t samples = env != nullptr ? std::max(1, std::atoi(env)) : 1000;
    for (auto _ : state) {
        CBenchDir dir;
        CSimTelModem modem;
        if (!StartModem(modem, dir, true)) {
            state.SkipWithError("simulator");
            return;
        }
        std::mutex lock;
        std::vector<std::uint64_t> reportDone;
        modem.SetTxListener([&](std::uint8_t code, std::uint64_t us) {
            if (code == CSimTelModem::REP_P100_MESSAGE) {
                std::lock_guard guard(lock);
                reportDone.push_back(us);
            }
        });
        CTimingSink owner;
        CTelHandler handler(&owner);
        handler.Configure(Config());
        if (handler.Start() != CHandler::HANDLER_STARTED) {
            state.SkipWithError("handler");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));

        auto phone = std::make_shared<CSimP100Phone>();
        phone->AddMessage(CSimP100Phone::CODE_USERID, "12345678");
        for (std::size_t i = 0; i < samples; ++i) {
            phone->AddUserData({static_cast<std::uint8_t>(i), 0x55});
        }
        modem.Call(phone, SSimRingPlan{3, 200, 200});
        const bool complete = owner.WaitFor(samples, static_cast<std::uint32_t>(10000 + samples * 1000));
        handler.Stop();
        modem.Stop();

        const auto records = owner.Times();
        std::vector<double> latency;
        {
            std::lock_guard guard(lock);
            for (std::uint64_t t : records) {
                // The report that produced this record is the last one written before it.
                const auto it = std::upper_bound(reportDone.begin(), reportDone.end(), t);
                if (it != reportDone.begin()) {
                    latency.push_back(static_cast<double>(t - *std::prev(it)) / 1000.0);
                }
            }
        }
        if (!complete || latency.empty()) {
            state.SkipWithError("not every record arrived");
            return;
        }
        std::sort(latency.begin(), latency.end());
        state.counters["records"] = static_cast<double>(latency.size());
        state.counters["median_ms"] = latency[latency.size() / 2];
        state.counters["worst_ms"] = latency.back();
    }
}
BENCHMARK(BM_ReportToRecordLatency)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// CPU used by the two station threads while the line is idle.
static void BM_IdleThreadCpu(benchmark::State& state) {
    for (auto _ : state) {
        CBenchDir dir;
        CSimTelModem modem;
        if (!StartModem(modem, dir, true)) {
            state.SkipWithError("simulator");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::set<long> before = Threads();
        CTimingSink owner;
        CTelHandler handler(&owner);
        handler.Configure(Config());
        if (handler.Start() != CHandler::HANDLER_STARTED) {
            state.SkipWithError("handler");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        std::vector<long> station;
        for (long tid : Threads()) {
            if (before.count(tid) == 0) {
                station.push_back(tid); // the handler's thread, then the link's, in creation order
            }
        }
        std::map<long, std::uint64_t> start;
        for (long tid : station) {
            start[tid] = ThreadCpuNs(tid);
        }
        const std::uint64_t simStart = ThreadCpuNs(modem.ThreadId());
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(5000));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        double total = 0;
        std::vector<double> each;
        for (long tid : station) {
            each.push_back(static_cast<double>(ThreadCpuNs(tid) - start[tid]) / 1e6 / seconds);
            total += each.back();
        }
        state.counters["station_threads"] = static_cast<double>(station.size());
        state.counters["cpu_ms_per_s_total"] = total;
        if (each.size() == 2) {
            state.counters["cpu_ms_per_s_handler"] = each[0];
            state.counters["cpu_ms_per_s_link"] = each[1];
        }
        state.counters["cpu_ms_per_s_simulator"] =
            static_cast<double>(ThreadCpuNs(modem.ThreadId()) - simStart) / 1e6 / seconds;
        handler.Stop();
    }
}
BENCHMARK(BM_IdleThreadCpu)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
