#pragma once

// Helpers shared by the fuzz targets: a private scratch folder, files written from the input, and
// a pseudo-terminal that plays a modem.

#include "Clock.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace Fuzz {

// A scratch folder of this process, removed when it ends.
inline const std::string& ScratchFolder() {
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "mora-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        static std::string removeAtExit;
        removeAtExit = pattern;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(removeAtExit, ec);
        });
        return pattern;
    }();
    return folder;
}

inline void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::perror(path.c_str());
        std::abort();
    }
    if (size > 0 && std::fwrite(data, 1, size, file) != size) {
        std::abort();
    }
    std::fclose(file);
}

// The far end of serial port COM<port>: a pseudo-terminal whose slave is linked where the station
// looks for the port.
class CPtyPeer {
public:
    explicit CPtyPeer(int port) {
        const std::string folder = ScratchFolder() + "/serial";
        std::filesystem::create_directories(folder);
        ::setenv("MORA_SERIAL_DIR", folder.c_str(), 1);
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
            std::perror("posix_openpt");
            std::abort();
        }
        termios tio{};
        if (::tcgetattr(m_master, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_master, TCSANOW, &tio);
        }
        const std::string link = folder + "/COM" + std::to_string(port);
        ::unlink(link.c_str());
        if (::symlink(::ptsname(m_master), link.c_str()) != 0) {
            std::perror("symlink");
            std::abort();
        }
        // A look at the station's side of the terminal (opened before the station opens it
        // exclusively): how many bytes wait there for the reader.
        m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_slave < 0) {
            std::perror("pty slave");
            std::abort();
        }
    }
    ~CPtyPeer() {
        ::close(m_slave);
        ::close(m_master);
    }
    CPtyPeer(const CPtyPeer&) = delete;
    CPtyPeer& operator=(const CPtyPeer&) = delete;

    // Bytes that wait on the station's side.
    std::size_t Waiting() const {
        int count = 0;
        if (::ioctl(m_slave, FIONREAD, &count) != 0) {
            std::perror("FIONREAD");
            std::abort();
        }
        return static_cast<std::size_t>(count);
    }

    // Writes a small piece (the terminal holds a few kilobytes and nobody reads meanwhile) and
    // returns once all of it waits on the station's side.
    void Send(const std::uint8_t* data, std::size_t size) {
        const std::size_t expected = Waiting() + size;
        Write(data, size);
        // The terminal hands bytes over on a kernel worker; wait for it without spinning.
        for (int waits = 0; Waiting() < expected; ++waits) {
            if (waits > 100'000) {
                std::fputs("pseudo-terminal does not deliver\n", stderr);
                std::abort();
            }
            pollfd none{};
            ::poll(&none, 0, 0);
            const timespec pause{0, 10'000};
            ::nanosleep(&pause, nullptr);
        }
    }

    void Write(const std::uint8_t* data, std::size_t size) {
        while (size > 0) {
            const ssize_t n = ::write(m_master, data, size);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                std::perror("pty write");
                std::abort();
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
    }
    // Throws away what the station wrote to the modem.
    void Drain() {
        std::uint8_t scrap[256];
        pollfd p{m_master, POLLIN, 0};
        while (::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0) {
            if (::read(m_master, scrap, sizeof scrap) <= 0) {
                break;
            }
        }
    }

private:
    int m_master = -1;
    int m_slave = -1;
};

// Splits an input into pieces: the first byte says after which of up to eight pieces time passes
// (a gap in the line), the rest is cut into pieces of at most `piece` bytes.
struct SPieces {
    std::uint8_t gapMask = 0;
    std::string_view rest;
};
inline SPieces Split(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return {};
    }
    return {data[0], std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1)};
}

} // namespace Fuzz

namespace Fuzz {

// Steps a reader until it has taken every byte that waits for it, on the line and in the reader's
// own buffer. Each step takes at most one byte and a step never finds the line empty, so the fake
// clock stands still meanwhile; a reader that stops taking bytes is a hang.
template <typename Step, typename Buffered> void Consume(const CPtyPeer& peer, Step step, Buffered buffered) {
    const std::size_t limit = 4 * peer.Waiting() + 1000;
    for (std::size_t steps = 0; peer.Waiting() > 0 || buffered(); ++steps) {
        if (steps > limit) {
            std::fputs("the reader stopped taking bytes\n", stderr);
            std::abort();
        }
        step();
    }
}

} // namespace Fuzz
