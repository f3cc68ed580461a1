#include "SimPty.h"

#include "Paths.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

CSimPty::~CSimPty() {
    Close();
}

bool CSimPty::Open(const std::string& folder, int port, std::string& error) {
    Close();
    if (port < 1 || port > 255) {
        error = "port number must be 1-255";
        return false;
    }
    if (!Paths::MakeFolders(folder)) {
        error = "cannot create folder " + folder;
        return false;
    }
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0) {
        error = std::string("posix_openpt: ") + std::strerror(errno);
        return false;
    }
    char name[128];
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0 || ptsname_r(m_master, name, sizeof name) != 0) {
        error = std::string("pseudo-terminal set-up: ") + std::strerror(errno);
        Close();
        return false;
    }
    m_device = name;
    m_slave = ::open(m_device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_slave < 0) {
        error = "cannot open " + m_device + ": " + std::strerror(errno);
        Close();
        return false;
    }
    // A serial line passes bytes untouched: no echo, no line editing, no translation.
    termios tio{};
    if (tcgetattr(m_slave, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        tcsetattr(m_slave, TCSANOW, &tio);
    }
    m_link = folder + "/COM" + std::to_string(port);
    ::unlink(m_link.c_str());
    if (::symlink(m_device.c_str(), m_link.c_str()) != 0) {
        error = "cannot create link " + m_link + ": " + std::strerror(errno);
        m_link.clear();
        Close();
        return false;
    }
    return true;
}

void CSimPty::HangUp() {
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

void CSimPty::Close() {
    HangUp();
    if (!m_link.empty()) {
        ::unlink(m_link.c_str());
        m_link.clear();
    }
}

long CSimPty::Read(std::uint8_t* buffer, std::size_t size) {
    if (m_master < 0) {
        return -1;
    }
    const ssize_t n = ::read(m_master, buffer, size);
    if (n >= 0) {
        return n;
    }
    return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
}

long CSimPty::Write(const std::uint8_t* bytes, std::size_t count) {
    if (m_master < 0) {
        return -1;
    }
    const ssize_t n = ::write(m_master, bytes, count);
    if (n >= 0) {
        return n;
    }
    return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
}
