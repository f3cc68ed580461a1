#pragma once

#include "ChildProcess.h"

#include <chrono>
#include <cstdint>
#include <string>

// The mora program run headless as operator "Eva" in a station folder (settings and serial
// folders come from the environment), one numbered output file pair per start, so a test can
// kill it and start it again as often as it likes.
class CStationChild {
public:
    explicit CStationChild(std::string folder) : m_folder(std::move(folder)) {}

    // Starts the program and waits until both modems report ready. False with the reason.
    bool Start(std::string& error, int timeoutMs = 60000);
    // Starts it without waiting; WaitReady waits for both modems.
    bool Launch(std::string& error);
    bool WaitReady(std::string& error, int timeoutMs = 60000);
    bool Kill(); // SIGKILL, then reaped
    // SIGTERM; the exit code (-1 when it still ran after the time-out).
    int Stop(int timeoutMs = 20000);
    bool Running() { return m_process.Running(); }
    pid_t Pid() const { return m_process.Pid(); }
    int Starts() const { return m_starts; }
    // Milliseconds from the launch until each modem reported ready in the last start (-1: not).
    long TelReadyMs() const { return m_telReadyMs; }
    long GsmReadyMs() const { return m_gsmReadyMs; }
    std::string OutPath() const;
    std::string ErrPath() const;

    // Resident memory in kB and open descriptors of the running program; -1 when unknown.
    long ResidentKb() const;
    long OpenDescriptors() const;
    long Threads() const;

private:
    std::string m_folder;
    CChildProcess m_process;
    int m_starts = 0;
    std::chrono::steady_clock::time_point m_launched;
    long m_telReadyMs = -1;
    long m_gsmReadyMs = -1;
};
