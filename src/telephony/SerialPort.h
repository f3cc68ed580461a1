#pragma once

#include <cstddef>
#include <cstdint>

// Byte-level access to one numbered serial port (COMn, mapped to a device by Paths::SerialDevice).
// Opened exclusively at 8N1 with the set speed; reads and writes never wait for the line: pacing
// and time-outs belong to the layers above. Reads are served from a small buffer filled by one
// system call, so a reader sees no byte only when the device has none. Owned by one thread.
class CSerialPort {
public:
    enum OpenResult : std::uint16_t {
        SERIAL_OPEN_OK = 0,
        SERIAL_OPEN_BAD_NUMBER = 1,
        SERIAL_OPEN_CANNOT_OPEN = 2,
        SERIAL_OPEN_LINE_SETTINGS = 3,
        SERIAL_OPEN_TIMEOUT_SETTINGS = 4,
    };
    enum ReadResult : std::uint16_t { SERIAL_READ_NONE = 0, SERIAL_READ_BYTE = 1, SERIAL_READ_FAILED = 2 };
    enum WriteResult : std::uint16_t { SERIAL_WRITE_OK = 0, SERIAL_WRITE_FAILED = 1 };
    enum ProbeResult : std::uint16_t {
        SERIAL_PROBE_ABSENT = 0,
        SERIAL_PROBE_BUSY = 1,
        SERIAL_PROBE_FREE = 2
    };

    CSerialPort() = default;
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    void SetPortNumber(std::int16_t port) { m_portNumber = port; }
    void SetSpeed(std::uint32_t speed) { m_speed = speed; }
    std::int16_t PortNumber() const { return m_portNumber; }
    std::uint32_t Speed() const { return m_speed; }
    bool IsOpen() const { return m_fd >= 0; }
    // The device, for a wait on it; -1 while closed.
    int Fd() const { return m_fd; }
    // Bytes read from the device and not yet taken by ReadByte.
    bool HasBufferedBytes() const { return m_readPos < m_readEnd; }

    std::uint16_t Open();
    void Close();
    std::uint16_t WriteByte(std::uint8_t byte);
    // The bytes in one write where the driver takes them, waiting for room as WriteByte does.
    std::uint16_t Write(const std::uint8_t* bytes, std::size_t count);
    std::uint16_t ReadByte(std::uint8_t& byte);

    // Whether port n exists and is free; the port is closed again at once.
    static std::uint16_t Probe(std::int16_t port);

    // Longest time a single byte may wait for room in the driver's output buffer (at 9600 bit/s the
    // buffer drains a byte a millisecond; a port stuck longer has failed).
    static constexpr int WRITE_WAIT_MS = 200;

private:
    static constexpr std::size_t READ_BUFFER_SIZE = 256;

    int m_fd = -1;
    std::uint8_t m_readBuffer[READ_BUFFER_SIZE] = {};
    std::size_t m_readPos = 0;
    std::size_t m_readEnd = 0;
    std::int16_t m_portNumber = 0;
    std::uint32_t m_speed = 9600;
};
