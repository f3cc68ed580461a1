#pragma once

#include "TempDir.h"

#include <cstdint>
#include <string>
#include <vector>

// The far side of a pseudo-terminal linked as COMn in a temporary folder (MORA_SERIAL_DIR points
// there while the object lives). Tests play the modem by hand through it.
class CPtyModem {
public:
    explicit CPtyModem(int port = 1);
    ~CPtyModem();
    CPtyModem(const CPtyModem&) = delete;
    CPtyModem& operator=(const CPtyModem&) = delete;

    bool IsOpen() const { return m_master >= 0; }
    const std::string& SlavePath() const { return m_slave; }
    const std::string& Folder() const { return m_dir.Path(); }
    int Port() const { return m_port; }

    void Write(const std::vector<std::uint8_t>& bytes);
    // Everything that arrives within waitMs (real milliseconds) after the last byte.
    std::vector<std::uint8_t> Read(int waitMs = 50);
    // One frame of the station, bytes as on the wire, or empty after waitMs without a complete one.
    std::vector<std::uint8_t> ReadFrame(int waitMs = 1000);
    // Closes the master: the device vanishes under the station (its name stays, leading nowhere).
    void HangUp();
    // The device and its name are gone, as an unplugged USB adapter.
    void Unplug();
    // A new device under the same name, as an adapter plugged in (again). False when it failed.
    bool Plug();

    // A complete reply frame on the wire: code, length, flags, parameters, check byte.
    static std::vector<std::uint8_t> Frame(std::uint8_t code, std::uint8_t flags,
                                           const std::vector<std::uint8_t>& params = {});

private:
    CTempDir m_dir;
    int m_port;
    int m_master = -1;
    std::string m_slave;
    std::string m_oldSerialDir;
    bool m_hadSerialDir = false;
};
