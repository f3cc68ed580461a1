#pragma once

// Helpers shared by the fuzz targets: a private scratch folder, files written from the input, a
// clock that moves only when the target says so, and a pseudo-terminal that plays a modem.

#include "Clock.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <stdlib.h>
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

// Time that moves only by Advance. Sleep does not move it: a reader that found no byte waits a
// moment of real time for the pseudo-terminal, and the target counts how often that happened.
class CStepClock : public IClock {
public:
    std::uint32_t Tick() const override { return m_tick.load(); }
    SLocalTime Now() const override { return SLocalTime{2024, 6, 15, 10, 30, 5, 250, 6}; }
    void Sleep(std::uint32_t) const override {
        ++m_sleeps;
        const timespec pause{0, 20'000};
        ::nanosleep(&pause, nullptr);
    }
    void Advance(std::uint32_t milliseconds) { m_tick += milliseconds; }
    std::uint64_t Sleeps() const { return m_sleeps.load(); }

private:
    std::atomic<std::uint32_t> m_tick{100000};
    mutable std::atomic<std::uint64_t> m_sleeps{0};
};

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
    }
    ~CPtyPeer() { ::close(m_master); }
    CPtyPeer(const CPtyPeer&) = delete;
    CPtyPeer& operator=(const CPtyPeer&) = delete;

    // Small pieces only: the terminal holds a few kilobytes, and nobody reads while this writes.
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
