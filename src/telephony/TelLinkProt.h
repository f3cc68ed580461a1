#pragma once

#include "Clock.h"
#include "SerialPort.h"

#include <cstdint>

// Frame layer of the modem link: command byte, length byte (when bit 7 of the command is set),
// data bytes (the first is the flags byte) and a check byte that is 0xFF XOR all bytes before it.
// Frames are held as in CComMsg: buffer[0] the command, buffer[1..N] the N data bytes.
class CTelLinkProt {
public:
    // Results of the frame operations.
    enum Result : std::uint16_t {
        TELLINK_TX_OK = 2,
        TELLINK_TX_ERROR = 3,
        TELLINK_RX_BUSY = 4,
        TELLINK_RX_FRAME = 5,
        TELLINK_RX_TIMEOUT = 6,
        TELLINK_RX_CHECK_ERROR = 7,
        TELLINK_RX_READ_ERROR = 8,
    };

    // Receive states.
    enum RxState : std::uint16_t { RX_COMMAND = 0, RX_LENGTH = 1, RX_DATA = 2, RX_CHECK = 3 };

    static constexpr std::uint32_t INTER_BYTE_GAP_MS = 50;
    static constexpr std::uint16_t MAX_DATA = 255;
    // Size a frame buffer must have: the command and up to 255 data bytes.
    static constexpr std::uint16_t FRAME_BUFFER_SIZE = MAX_DATA + 1;

    explicit CTelLinkProt(const IClock& clock = CSystemClock::Instance()) : m_clock(&clock) {}

    bool Open(std::int16_t port, std::uint32_t speed);
    void Close();
    bool IsOpen() const { return m_port.IsOpen(); }
    // Bytes read from the port and not yet taken by the reader.
    bool HasBufferedInput() const { return m_port.HasBufferedBytes(); }

    // Sends buffer[0] as the command and buffer[1..n] as the data bytes.
    std::uint16_t WriteFrame(const std::uint8_t* buffer, std::uint16_t n);
    // One byte of reception, waiting up to 1 ms for it; on TELLINK_RX_FRAME count is N and buffer
    // holds the frame.
    std::uint16_t ReadStep(std::uint8_t* buffer, std::uint16_t& count);
    // Repeats ReadStep until it has a result or the time-out has elapsed (TELLINK_RX_TIMEOUT).
    std::uint16_t WaitFrame(std::uint8_t* buffer, std::uint16_t& count, std::uint32_t timeoutMs);
    // Drops up to 255 waiting bytes.
    void DiscardInput();

    // The check byte of a frame as it goes on the wire.
    static std::uint8_t CheckByte(const std::uint8_t* wire, std::size_t length);

    std::uint16_t RxStateNow() const { return m_rxState; }

private:
    std::uint16_t ReadStepWaiting(std::uint8_t* buffer, std::uint16_t& count, std::uint32_t maxWaitMs);
    // Bytes the frame in progress still needs at least (0 between frames).
    std::uint16_t BytesStillToCome() const;
    // How long the line takes to carry that many bytes at the port's speed.
    std::uint32_t LineTimeMs(std::uint16_t bytes) const;

    const IClock* m_clock;
    std::uint16_t m_fixedLength = 2;
    std::uint16_t m_rxState = RX_COMMAND;
    std::uint16_t m_expected = 0;
    std::uint16_t m_stored = 0;
    std::uint16_t m_dataCount = 0;
    std::uint8_t m_check = 0xFF;
    std::uint32_t m_lastByteTick = 0;
    CSerialPort m_port;
};
