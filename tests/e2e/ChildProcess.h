#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// A program started by a test with its own working directory, extra environment and its
// standard output and error in files. Killed and reaped at the latest when the object goes.
class CChildProcess {
public:
    CChildProcess() = default;
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // `env` entries are "NAME=value" and replace the inherited ones of the same name.
    bool Start(const std::vector<std::string>& args, const std::vector<std::string>& env,
               const std::string& cwd, const std::string& outPath, const std::string& errPath,
               std::string& error);
    bool Signal(int signal) const;
    // The exit code; 128 + n when signal n ended it; -1 when it still ran after the time-out.
    int Wait(int timeoutMs);
    bool Running() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
};
