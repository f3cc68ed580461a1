#include "PtyPeer.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

CPtyPeer::CPtyPeer(const std::string& folder, int port) {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    char name[128] = {};
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
        ptsname_r(m_master, name, sizeof(name)) != 0) {
        HangUp();
        return;
    }
    termios tio{};
    if (tcgetattr(m_master, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_master, TCSANOW, &tio);
    }
    m_link = folder + "/COM" + std::to_string(port);
    unlink(m_link.c_str());
    if (symlink(name, m_link.c_str()) != 0) {
        HangUp();
    }
}

CPtyPeer::~CPtyPeer() {
    HangUp();
}

void CPtyPeer::Write(const std::string& bytes) {
    std::size_t done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            usleep(1000);
        } else {
            return;
        }
    }
    // Give the terminal a moment to pass the bytes to the slave side.
    usleep(2000);
}

std::string CPtyPeer::Read(int waitMs) {
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (m_master >= 0 && std::chrono::steady_clock::now() < deadline) {
        pollfd p{m_master, POLLIN, 0};
        if (poll(&p, 1, out.empty() ? 5 : 20) <= 0) {
            if (!out.empty()) {
                break;
            }
            continue;
        }
        if ((p.revents & POLLIN) == 0) {
            usleep(1000);
            continue;
        }
        char buf[512];
        const ssize_t n = read(m_master, buf, sizeof(buf));
        if (n > 0) {
            out.append(buf, static_cast<std::size_t>(n));
        }
    }
    return out;
}

void CPtyPeer::HangUp() {
    if (m_master >= 0) {
        close(m_master);
        m_master = -1;
    }
    if (!m_link.empty()) {
        unlink(m_link.c_str());
        m_link.clear();
    }
}
