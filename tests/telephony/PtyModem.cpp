#include "PtyModem.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

CPtyModem::CPtyModem(int port) : m_port(port) {
    if (const char* old = std::getenv("MORA_SERIAL_DIR")) {
        m_oldSerialDir = old;
        m_hadSerialDir = true;
    }
    ::setenv("MORA_SERIAL_DIR", m_dir.Path().c_str(), 1);
    Plug();
}

bool CPtyModem::Plug() {
    HangUp();
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        HangUp();
        return false;
    }
    const char* name = ::ptsname(m_master);
    if (name == nullptr) {
        HangUp();
        return false;
    }
    m_slave = name;
    // The slave starts in cooked mode with echo; until the station configures it, keep it raw so
    // nothing comes back on its own.
    termios tio{};
    if (::tcgetattr(m_master, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_master, TCSANOW, &tio);
    }
    const std::string link = m_dir.File("COM" + std::to_string(m_port));
    ::unlink(link.c_str());
    if (::symlink(m_slave.c_str(), link.c_str()) != 0) {
        HangUp();
        return false;
    }
    return true;
}

void CPtyModem::Unplug() {
    HangUp();
    ::unlink(m_dir.File("COM" + std::to_string(m_port)).c_str());
}

CPtyModem::~CPtyModem() {
    HangUp();
    if (m_hadSerialDir) {
        ::setenv("MORA_SERIAL_DIR", m_oldSerialDir.c_str(), 1);
    } else {
        ::unsetenv("MORA_SERIAL_DIR");
    }
}

void CPtyModem::HangUp() {
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

void CPtyModem::Write(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
    ::tcdrain(m_master);
}

std::vector<std::uint8_t> CPtyModem::Read(int waitMs) {
    std::vector<std::uint8_t> out;
    while (m_master >= 0) {
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, waitMs) <= 0 || (p.revents & POLLIN) == 0) {
            break;
        }
        std::uint8_t buffer[512];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        out.insert(out.end(), buffer, buffer + n);
    }
    return out;
}

std::vector<std::uint8_t> CPtyModem::ReadFrame(int waitMs) {
    std::vector<std::uint8_t> frame;
    std::size_t need = 1;
    while (m_master >= 0 && frame.size() < need) {
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, waitMs) <= 0 || (p.revents & POLLIN) == 0) {
            return {};
        }
        std::uint8_t byte = 0;
        if (::read(m_master, &byte, 1) != 1) {
            return {};
        }
        frame.push_back(byte);
        if (frame.size() == 1) {
            need = (byte & 0x80) != 0 ? 2 : 4;
        } else if (frame.size() == 2 && (frame[0] & 0x80) != 0) {
            need = 3u + byte;
        }
    }
    return frame;
}

std::vector<std::uint8_t> CPtyModem::Frame(std::uint8_t code, std::uint8_t flags,
                                           const std::vector<std::uint8_t>& params) {
    std::vector<std::uint8_t> f{code, static_cast<std::uint8_t>(params.size() + 1), flags};
    f.insert(f.end(), params.begin(), params.end());
    std::uint8_t check = 0xFF;
    for (std::uint8_t b : f) {
        check ^= b;
    }
    f.push_back(check);
    return f;
}
