#include "SerialPort.h"

#include "Paths.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool SpeedConstant(std::uint32_t speed, speed_t& out) {
    switch (speed) {
    case 1200:
        out = B1200;
        return true;
    case 2400:
        out = B2400;
        return true;
    case 4800:
        out = B4800;
        return true;
    case 9600:
        out = B9600;
        return true;
    case 19200:
        out = B19200;
        return true;
    case 38400:
        out = B38400;
        return true;
    case 57600:
        out = B57600;
        return true;
    case 115200:
        out = B115200;
        return true;
    case 230400:
        out = B230400;
        return true;
    default:
        return false;
    }
}

int OpenDevice(std::int16_t port) {
    const std::string device = Paths::SerialDevice(port);
    // O_NONBLOCK keeps open from waiting for carrier; reads and writes handle EAGAIN themselves.
    return ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

void CloseDevice(int fd) {
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

} // namespace

CSerialPort::~CSerialPort() {
    Close();
}

std::uint16_t CSerialPort::Open() {
    if (m_portNumber < 1 || m_portNumber > 255) {
        return SERIAL_OPEN_BAD_NUMBER;
    }
    Close();
    const int fd = OpenDevice(m_portNumber);
    if (fd < 0) {
        return SERIAL_OPEN_CANNOT_OPEN;
    }
    // TIOCEXCL turns away later opens by ordinary users; root ignores it, so the lock is what makes
    // a second program (or a second station) see the port as in use.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return SERIAL_OPEN_CANNOT_OPEN;
    }
    ::ioctl(fd, TIOCEXCL);

    termios tio{};
    speed_t speed = B9600;
    if (::tcgetattr(fd, &tio) != 0 || !SpeedConstant(m_speed, speed)) {
        CloseDevice(fd);
        return SERIAL_OPEN_LINE_SETTINGS;
    }
    // Frames are binary: no line editing, echo, signals, character translation or XON/XOFF (which
    // would swallow 0x11 and 0x13). Hardware handshake stays as the port had it.
    tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                          IXOFF | IXANY | INPCK);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0 ||
        ::tcsetattr(fd, TCSANOW, &tio) != 0) {
        CloseDevice(fd);
        return SERIAL_OPEN_LINE_SETTINGS;
    }

    // Reads return at once with whatever is waiting.
    if (::tcgetattr(fd, &tio) != 0) {
        CloseDevice(fd);
        return SERIAL_OPEN_TIMEOUT_SETTINGS;
    }
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        CloseDevice(fd);
        return SERIAL_OPEN_TIMEOUT_SETTINGS;
    }
    m_fd = fd;
    return SERIAL_OPEN_OK;
}

void CSerialPort::Close() {
    if (m_fd >= 0) {
        CloseDevice(m_fd);
        m_fd = -1;
    }
    m_readPos = 0;
    m_readEnd = 0;
}

std::uint16_t CSerialPort::WriteByte(std::uint8_t byte) {
    return Write(&byte, 1);
}

std::uint16_t CSerialPort::Write(const std::uint8_t* bytes, std::size_t count) {
    if (m_fd < 0) {
        return SERIAL_WRITE_FAILED;
    }
    while (count > 0) {
        const ssize_t n = ::write(m_fd, bytes, count);
        if (n > 0) {
            bytes += n;
            count -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The driver's buffer is full: wait a bounded time for room, so a stuck device ends in
            // a write failure instead of a hung thread.
            pollfd p{m_fd, POLLOUT, 0};
            const int r = ::poll(&p, 1, WRITE_WAIT_MS);
            if (r > 0 && (p.revents & POLLOUT) != 0) {
                continue;
            }
            if (r < 0 && errno == EINTR) {
                continue;
            }
        }
        return SERIAL_WRITE_FAILED;
    }
    return SERIAL_WRITE_OK;
}

std::uint16_t CSerialPort::ReadByte(std::uint8_t& byte) {
    if (m_readPos < m_readEnd) {
        byte = m_readBuffer[m_readPos++];
        return SERIAL_READ_BYTE;
    }
    if (m_fd < 0) {
        return SERIAL_READ_FAILED;
    }
    const ssize_t n = ::read(m_fd, m_readBuffer, READ_BUFFER_SIZE);
    if (n > 0) {
        m_readPos = 1;
        m_readEnd = static_cast<std::size_t>(n);
        byte = m_readBuffer[0];
        return SERIAL_READ_BYTE;
    }
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            return SERIAL_READ_NONE;
        }
        return SERIAL_READ_FAILED;
    }
    // With VMIN=0/VTIME=0 an empty read returns 0; a device that hung up (a vanished USB adapter, a
    // closed pseudo-terminal) also reads 0, so ask the driver which one it is.
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        return SERIAL_READ_FAILED;
    }
    return SERIAL_READ_NONE;
}

std::uint16_t CSerialPort::Probe(std::int16_t port) {
    if (port < 1 || port > 255) {
        return SERIAL_PROBE_ABSENT;
    }
    const int fd = OpenDevice(port);
    if (fd < 0) {
        return (errno == EBUSY || errno == EACCES || errno == EPERM) ? SERIAL_PROBE_BUSY
                                                                     : SERIAL_PROBE_ABSENT;
    }
    if (::isatty(fd) == 0) {
        ::close(fd);
        return SERIAL_PROBE_ABSENT;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return SERIAL_PROBE_BUSY;
    }
    ::flock(fd, LOCK_UN);
    ::close(fd);
    return SERIAL_PROBE_FREE;
}
