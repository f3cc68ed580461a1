#include "SerialPort.h"
#include "PtyModem.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

std::uint16_t OpenPort(CSerialPort& port, int number, std::uint32_t speed = 9600) {
    port.SetPortNumber(static_cast<std::int16_t>(number));
    port.SetSpeed(speed);
    return port.Open();
}

} // namespace

TEST(SerialPort, NumbersOutsideTheRangeAreRefusedWithoutTouchingADevice) {
    CTempDir dir;
    ::setenv("MORA_SERIAL_DIR", dir.Path().c_str(), 1);
    CSerialPort port;
    EXPECT_EQ(OpenPort(port, 0), CSerialPort::SERIAL_OPEN_BAD_NUMBER);
    EXPECT_EQ(OpenPort(port, 256), CSerialPort::SERIAL_OPEN_BAD_NUMBER);
    EXPECT_EQ(OpenPort(port, -3), CSerialPort::SERIAL_OPEN_BAD_NUMBER);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(CSerialPort::Probe(0), CSerialPort::SERIAL_PROBE_ABSENT);
    EXPECT_EQ(CSerialPort::Probe(256), CSerialPort::SERIAL_PROBE_ABSENT);
    ::unsetenv("MORA_SERIAL_DIR");
}

TEST(SerialPort, MissingDeviceCannotBeOpenedAndProbesAbsent) {
    CTempDir dir;
    ::setenv("MORA_SERIAL_DIR", dir.Path().c_str(), 1);
    CSerialPort port;
    EXPECT_EQ(OpenPort(port, 7), CSerialPort::SERIAL_OPEN_CANNOT_OPEN);
    EXPECT_EQ(CSerialPort::Probe(7), CSerialPort::SERIAL_PROBE_ABSENT);
    std::uint8_t b = 0;
    EXPECT_EQ(port.ReadByte(b), CSerialPort::SERIAL_READ_FAILED);
    EXPECT_EQ(port.WriteByte(1), CSerialPort::SERIAL_WRITE_FAILED);
    ::unsetenv("MORA_SERIAL_DIR");
}

TEST(SerialPort, AFileThatIsNoTerminalFailsOnTheLineSettings) {
    CTempDir dir;
    ::setenv("MORA_SERIAL_DIR", dir.Path().c_str(), 1);
    CTempDir::WriteFile(dir.File("COM3"), "not a terminal");
    CSerialPort port;
    EXPECT_EQ(OpenPort(port, 3), CSerialPort::SERIAL_OPEN_LINE_SETTINGS);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(CSerialPort::Probe(3), CSerialPort::SERIAL_PROBE_ABSENT);
    ::unsetenv("MORA_SERIAL_DIR");
}

TEST(SerialPort, UnsupportedSpeedFailsOnTheLineSettingsAndFreesThePort) {
    CPtyModem modem(2);
    ASSERT_TRUE(modem.IsOpen());
    CSerialPort port;
    EXPECT_EQ(OpenPort(port, 2, 12345), CSerialPort::SERIAL_OPEN_LINE_SETTINGS);
    EXPECT_EQ(CSerialPort::Probe(2), CSerialPort::SERIAL_PROBE_FREE);
}

TEST(SerialPort, ReadsReturnAtOnceAndBytesPassUnchangedBothWays) {
    CPtyModem modem(1);
    ASSERT_TRUE(modem.IsOpen());
    CSerialPort port;
    ASSERT_EQ(OpenPort(port, 1), CSerialPort::SERIAL_OPEN_OK);

    std::uint8_t b = 0xAA;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.ReadByte(b), CSerialPort::SERIAL_READ_NONE);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));

    // Bytes a terminal would like to interpret: XON/XOFF, CR/LF, ^C, DEL, high bytes.
    const std::vector<std::uint8_t> awkward{0x11, 0x13, 0x0D, 0x0A, 0x03, 0x7F, 0x00, 0xFF, 0x80, 0x1A};
    for (std::uint8_t x : awkward) {
        ASSERT_EQ(port.WriteByte(x), CSerialPort::SERIAL_WRITE_OK);
    }
    EXPECT_EQ(modem.Read(), awkward);

    modem.Write(awkward);
    std::vector<std::uint8_t> got;
    for (int i = 0; i < 2000 && got.size() < awkward.size(); ++i) {
        std::uint8_t x = 0;
        const auto r = port.ReadByte(x);
        ASSERT_NE(r, CSerialPort::SERIAL_READ_FAILED);
        if (r == CSerialPort::SERIAL_READ_BYTE) {
            got.push_back(x);
        } else {
            ::usleep(1000);
        }
    }
    EXPECT_EQ(got, awkward);
    EXPECT_EQ(port.ReadByte(b), CSerialPort::SERIAL_READ_NONE);
}

TEST(SerialPort, APortInUseByAnotherProgramIsReportedBusy) {
    CPtyModem modem(4);
    ASSERT_TRUE(modem.IsOpen());
    EXPECT_EQ(CSerialPort::Probe(4), CSerialPort::SERIAL_PROBE_FREE);

    // Another program holds the device with a lock on its own descriptor (root ignores TIOCEXCL,
    // so the lock is what counts).
    const int other = ::open(modem.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    CSerialPort port;
    EXPECT_EQ(OpenPort(port, 4), CSerialPort::SERIAL_OPEN_CANNOT_OPEN);
    EXPECT_EQ(CSerialPort::Probe(4), CSerialPort::SERIAL_PROBE_BUSY);
    ::close(other);

    ASSERT_EQ(OpenPort(port, 4), CSerialPort::SERIAL_OPEN_OK);
    // Now the station holds it: a second program, and a second port object, are turned away.
    CSerialPort second;
    EXPECT_EQ(OpenPort(second, 4), CSerialPort::SERIAL_OPEN_CANNOT_OPEN);
    EXPECT_EQ(CSerialPort::Probe(4), CSerialPort::SERIAL_PROBE_BUSY);
    const int third = ::open(modem.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (third >= 0) { // root passes TIOCEXCL but still cannot take the lock
        EXPECT_NE(::flock(third, LOCK_EX | LOCK_NB), 0);
        ::close(third);
    }
    port.Close();
    EXPECT_EQ(CSerialPort::Probe(4), CSerialPort::SERIAL_PROBE_FREE);
    EXPECT_EQ(OpenPort(second, 4), CSerialPort::SERIAL_OPEN_OK);
}

TEST(SerialPort, AVanishedDeviceFailsReadsAndWrites) {
    CPtyModem modem(5);
    ASSERT_TRUE(modem.IsOpen());
    CSerialPort port;
    ASSERT_EQ(OpenPort(port, 5), CSerialPort::SERIAL_OPEN_OK);
    modem.HangUp();
    std::uint8_t b = 0;
    EXPECT_EQ(port.ReadByte(b), CSerialPort::SERIAL_READ_FAILED);
    EXPECT_EQ(port.WriteByte(0x81), CSerialPort::SERIAL_WRITE_FAILED);
}
