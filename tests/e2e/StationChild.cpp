#include "StationChild.h"

#include "TempDir.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#ifndef MORA_BINARY
#error "MORA_BINARY must name the mora program"
#endif

namespace {

constexpr const char* TEL_READY = "PANE 3 TEL: Com OK, Line OK";
constexpr const char* GSM_READY = "PANE 2 GSM: Com OK, NET";

bool HasLine(const std::string& text, const std::string& prefix) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            return false;
        }
        if (text.compare(start, prefix.size(), prefix) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

long StatusField(pid_t pid, const std::string& name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(name + ":", 0) == 0) {
            return std::stol(line.substr(name.size() + 1));
        }
    }
    return -1;
}

} // namespace

std::string CStationChild::OutPath() const {
    return m_folder + "/mora-" + std::to_string(m_starts) + ".out";
}

std::string CStationChild::ErrPath() const {
    return m_folder + "/mora-" + std::to_string(m_starts) + ".err";
}

bool CStationChild::Start(std::string& error, int timeoutMs) {
    return Launch(error) && WaitReady(error, timeoutMs);
}

bool CStationChild::Launch(std::string& error) {
    ++m_starts;
    m_launched = std::chrono::steady_clock::now();
    m_telReadyMs = -1;
    m_gsmReadyMs = -1;
    return m_process.Start({MORA_BINARY, "--headless", "--operator", "Eva"}, {}, m_folder, OutPath(),
                           ErrPath(), error);
}

bool CStationChild::WaitReady(std::string& error, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        const std::string out = CTempDir::ReadFile(OutPath());
        const long sinceLaunch = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                       std::chrono::steady_clock::now() - m_launched)
                                                       .count());
        if (m_telReadyMs < 0 && HasLine(out, TEL_READY)) {
            m_telReadyMs = sinceLaunch;
        }
        if (m_gsmReadyMs < 0 && HasLine(out, GSM_READY)) {
            m_gsmReadyMs = sinceLaunch;
        }
        if (m_telReadyMs >= 0 && m_gsmReadyMs >= 0) {
            return true;
        }
        if (m_process.Wait(0) >= 0) {
            error = "mora ended during its start: " + CTempDir::ReadFile(ErrPath());
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    error = "mora did not report both modems ready within " + std::to_string(timeoutMs) + " ms";
    return false;
}

bool CStationChild::Kill() {
    if (!m_process.Signal(SIGKILL)) {
        return false;
    }
    return m_process.Wait(10000) == 128 + SIGKILL;
}

int CStationChild::Stop(int timeoutMs) {
    if (!m_process.Signal(SIGTERM)) {
        return -1;
    }
    return m_process.Wait(timeoutMs);
}

long CStationChild::ResidentKb() const {
    return m_process.Pid() > 0 ? StatusField(m_process.Pid(), "VmRSS") : -1;
}

long CStationChild::Threads() const {
    return m_process.Pid() > 0 ? StatusField(m_process.Pid(), "Threads") : -1;
}

long CStationChild::OpenDescriptors() const {
    if (m_process.Pid() <= 0) {
        return -1;
    }
    std::error_code ec;
    long count = 0;
    for (std::filesystem::directory_iterator it("/proc/" + std::to_string(m_process.Pid()) + "/fd", ec), end;
         !ec && it != end; it.increment(ec)) {
        ++count;
    }
    return ec ? -1 : count;
}
