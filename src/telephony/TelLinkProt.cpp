#include "TelLinkProt.h"

#include "ThreadWait.h"

#include <algorithm>

bool CTelLinkProt::Open(std::int16_t port, std::uint32_t speed) {
    m_port.SetPortNumber(port);
    m_port.SetSpeed(speed);
    m_fixedLength = 2;
    m_rxState = RX_COMMAND;
    return m_port.Open() == CSerialPort::SERIAL_OPEN_OK;
}

void CTelLinkProt::Close() {
    m_port.Close();
}

std::uint8_t CTelLinkProt::CheckByte(const std::uint8_t* wire, std::size_t length) {
    std::uint8_t check = 0xFF;
    for (std::size_t i = 0; i < length; ++i) {
        check ^= wire[i];
    }
    return check;
}

std::uint16_t CTelLinkProt::WriteFrame(const std::uint8_t* buffer, std::uint16_t n) {
    // Command, length, data and check byte leave in one write: the driver sends them back to back.
    std::uint8_t wire[MAX_DATA + 3];
    std::size_t size = 0;
    const std::uint8_t command = buffer[0];
    wire[size++] = command;
    if ((command & 0x80) != 0) {
        if (n > MAX_DATA) {
            n = MAX_DATA;
        }
        wire[size++] = static_cast<std::uint8_t>(n);
    } else {
        n = m_fixedLength;
    }
    for (std::uint16_t i = 1; i <= n; ++i) {
        wire[size++] = buffer[i];
    }
    wire[size] = CheckByte(wire, size);
    ++size;
    return m_port.Write(wire, size) == CSerialPort::SERIAL_WRITE_OK ? TELLINK_TX_OK : TELLINK_TX_ERROR;
}

void CTelLinkProt::DiscardInput() {
    // Whatever was half received belongs to an exchange that is over.
    m_rxState = RX_COMMAND;
    std::uint8_t byte = 0;
    for (int i = 0; i < MAX_DATA; ++i) {
        if (m_port.ReadByte(byte) != CSerialPort::SERIAL_READ_BYTE) {
            break;
        }
    }
}

std::uint16_t CTelLinkProt::ReadStep(std::uint8_t* buffer, std::uint16_t& count) {
    return ReadStepWaiting(buffer, count, 1);
}

std::uint16_t CTelLinkProt::ReadStepWaiting(std::uint8_t* buffer, std::uint16_t& count,
                                            std::uint32_t maxWaitMs) {
    count = 0;
    std::uint8_t byte = 0;
    const std::uint16_t read = m_port.ReadByte(byte);
    if (read == CSerialPort::SERIAL_READ_FAILED) {
        return TELLINK_RX_READ_ERROR;
    }
    if (read == CSerialPort::SERIAL_READ_NONE) {
        // A frame whose bytes stop for 50 ms is broken: drop what is left of it and start afresh.
        // The gap is judged only when the line has nothing waiting: bytes that arrived while this
        // thread was not running came in time, and dropping them would break every frame that
        // follows on a busy machine.
        if (m_rxState != RX_COMMAND &&
            static_cast<std::uint32_t>(m_clock->Tick() - m_lastByteTick) >= INTER_BYTE_GAP_MS) {
            DiscardInput();
        }
        // Sleeps until the next byte, without waking for the queue: the exchange comes first.
        // Inside a frame the rest cannot come sooner than the line carries it, so the thread
        // sleeps that long and then takes the bytes together instead of waking for each.
        const std::uint32_t restMs = std::min(maxWaitMs, LineTimeMs(BytesStillToCome()));
        if (restMs > 1) {
            ThreadWait::Wait(*m_clock, -1, restMs - 1, ThreadWait::EWakeOn::Signal);
        } else {
            ThreadWait::Wait(*m_clock, m_port.Fd(), maxWaitMs, ThreadWait::EWakeOn::Signal);
        }
        return TELLINK_RX_BUSY;
    }
    switch (m_rxState) {
    case RX_COMMAND:
        buffer[0] = byte;
        m_stored = 0;
        m_dataCount = 0;
        m_check = 0xFF ^ byte;
        if ((byte & 0x80) != 0) {
            m_rxState = RX_LENGTH;
        } else {
            m_expected = m_fixedLength;
            m_rxState = RX_DATA;
        }
        break;
    case RX_LENGTH:
        m_check ^= byte;
        m_expected = byte;
        m_rxState = (byte == 0) ? RX_CHECK : RX_DATA;
        break;
    case RX_DATA:
        buffer[1 + m_stored] = byte;
        ++m_stored;
        m_check ^= byte;
        ++m_dataCount;
        if (m_dataCount >= m_expected) {
            m_rxState = RX_CHECK;
        }
        break;
    case RX_CHECK:
    default:
        m_rxState = RX_COMMAND;
        if (byte == m_check) {
            count = m_expected;
            return TELLINK_RX_FRAME;
        }
        return TELLINK_RX_CHECK_ERROR;
    }
    m_lastByteTick = m_clock->Tick();
    return TELLINK_RX_BUSY;
}

std::uint16_t CTelLinkProt::BytesStillToCome() const {
    switch (m_rxState) {
    case RX_LENGTH:
        return 2; // the length and the check byte at least
    case RX_DATA:
        return static_cast<std::uint16_t>(m_expected - m_dataCount + 1);
    case RX_CHECK:
        return 1;
    default:
        return 0;
    }
}

std::uint32_t CTelLinkProt::LineTimeMs(std::uint16_t bytes) const {
    // Ten bits a byte (start, eight data bits, stop), whole milliseconds rounded down.
    const std::uint32_t speed = m_port.Speed() != 0 ? m_port.Speed() : 9600;
    return static_cast<std::uint32_t>(std::uint64_t{bytes} * 10000 / speed);
}

std::uint16_t CTelLinkProt::WaitFrame(std::uint8_t* buffer, std::uint16_t& count, std::uint32_t timeoutMs) {
    const std::uint32_t start = m_clock->Tick();
    if (m_rxState == RX_COMMAND && !m_port.HasBufferedBytes()) {
        // Called right after a send: the reply cannot be there yet, so sleep until its first byte
        // instead of looking first.
        ThreadWait::Wait(*m_clock, m_port.Fd(), timeoutMs, ThreadWait::EWakeOn::Signal);
    }
    std::uint32_t waitMs = timeoutMs - std::min(timeoutMs, m_clock->Tick() - start);
    for (;;) {
        const std::uint16_t result = ReadStepWaiting(buffer, count, waitMs);
        if (result != TELLINK_RX_BUSY) {
            return result;
        }
        const std::uint32_t passed = m_clock->Tick() - start;
        if (passed >= timeoutMs) {
            count = 0;
            return TELLINK_RX_TIMEOUT;
        }
        // The next wait ends with the time-out, or when a half-received frame has been silent for
        // the gap that breaks it (the step after it then finds the line silent and drops it).
        waitMs = timeoutMs - passed;
        if (m_rxState != RX_COMMAND) {
            const std::uint32_t sinceByte = m_clock->Tick() - m_lastByteTick;
            waitMs = std::min(waitMs, sinceByte >= INTER_BYTE_GAP_MS ? 1u : INTER_BYTE_GAP_MS - sinceByte);
        }
    }
}
