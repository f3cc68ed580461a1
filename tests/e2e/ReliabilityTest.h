#pragma once

#include "AlarmTraffic.h"
#include "E2eStationTest.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

// A test that runs the mora program against the simulators with alarms flowing all the time.
// The traffic is placed from a thread of its own, so that it goes on while the test waits for
// a start or sleeps until the next kill.
class CReliabilityTest : public CE2eStationTest {
protected:
    void TearDown() override {
        StopTraffic();
        CE2eStationTest::TearDown();
    }

    void StartTraffic(CAlarmTraffic& traffic) {
        m_traffic = &traffic;
        m_running = true;
        m_thread = std::thread([this] {
            while (m_running) {
                {
                    std::lock_guard guard(m_trafficLock);
                    m_traffic->Pump();
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    }

    void StopTraffic() {
        m_running = false;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

    // Runs `action` on the traffic while its thread is not pumping.
    template <typename F> auto WithTraffic(F action) {
        std::lock_guard guard(m_trafficLock);
        return action(*m_traffic);
    }

    static long EnvNumber(const char* name, long fallback) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0' ? std::strtol(value, nullptr, 10) : fallback;
    }

    // Figures go to standard output and, when MORA_RELIABILITY_REPORT names a file, there too.
    static void Report(const std::string& text) {
        std::fputs(text.c_str(), stdout);
        if (const char* path = std::getenv("MORA_RELIABILITY_REPORT"); path != nullptr && *path != '\0') {
            std::ofstream(path, std::ios::app) << text;
        }
    }

private:
    CAlarmTraffic* m_traffic = nullptr;
    std::mutex m_trafficLock;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};
