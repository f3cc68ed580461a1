#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The device end of a pseudo-terminal: the station opens the terminal end through the link
// "<folder>/COM<n>" as if it were a serial port. The raw line settings are put on the terminal
// end once, and one descriptor of it stays open so that the station may close and reopen its port
// without the device noticing.
class CSimPty {
public:
    CSimPty() = default;
    ~CSimPty();
    CSimPty(const CSimPty&) = delete;
    CSimPty& operator=(const CSimPty&) = delete;

    // Creates the pseudo-terminal and the link (the folder is created when missing; an old link of
    // the same name is replaced). False with a reason in `error`.
    bool Open(const std::string& folder, int port, std::string& error);
    // Closes both ends: a station that holds the port sees the device vanish. The link stays
    // until Close or destruction.
    void HangUp();
    // HangUp and remove the link.
    void Close();

    bool IsOpen() const { return m_master >= 0; }
    int MasterFd() const { return m_master; }
    const std::string& DevicePath() const { return m_device; }
    const std::string& LinkPath() const { return m_link; }

    // Non-blocking: bytes read (0 when none), -1 on an error of the device end.
    long Read(std::uint8_t* buffer, std::size_t size);
    // Non-blocking: bytes written (0 when the terminal's buffer is full), -1 on error.
    long Write(const std::uint8_t* bytes, std::size_t count);

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_device;
    std::string m_link;
};
