#pragma once

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

// A pseudo-terminal linked as COMn in a serial folder, as the simulators make them.
class CLinkedPty {
public:
    CLinkedPty(const std::string& folder, int port) {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0 &&
            ptsname_r(m_master, name, sizeof(name)) == 0) {
            m_device = name;
            symlink(name, (folder + "/COM" + std::to_string(port)).c_str());
        }
    }
    ~CLinkedPty() {
        if (m_holder >= 0) {
            close(m_holder);
        }
        if (m_master >= 0) {
            close(m_master);
        }
    }
    CLinkedPty(const CLinkedPty&) = delete;
    CLinkedPty& operator=(const CLinkedPty&) = delete;

    // Another program holds the port as the station would: open and locked.
    bool Hold() {
        m_holder = open(m_device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        return m_holder >= 0 && flock(m_holder, LOCK_EX | LOCK_NB) == 0;
    }
    const std::string& Device() const { return m_device; }

private:
    int m_master = -1;
    int m_holder = -1;
    std::string m_device;
};
