#include "SerialPortList.h"

#include "Dictionary.h"
#include "LinkedPty.h"
#include "SerialPort.h"
#include "TempDir.h"
#include "Translate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

namespace {

class SerialPortListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dictionary.Load());
        ASSERT_TRUE(dictionary.SetLanguage("en"));
        dictionary.InstallAsTranslator();
        const char* old = std::getenv("MORA_SERIAL_DIR");
        hadSerialDir = old != nullptr;
        oldSerialDir = old != nullptr ? old : "";
        setenv("MORA_SERIAL_DIR", dir.Path().c_str(), 1);
    }
    void TearDown() override {
        if (hadSerialDir) {
            setenv("MORA_SERIAL_DIR", oldSerialDir.c_str(), 1);
        } else {
            unsetenv("MORA_SERIAL_DIR");
        }
        Text::SetTranslator({});
    }

    CTempDir dir;
    CDictionary dictionary;
    bool hadSerialDir = false;
    std::string oldSerialDir;
};

std::vector<int> Numbers(const std::vector<CSerialPortList::SPort>& ports) {
    std::vector<int> numbers;
    for (const auto& p : ports) {
        numbers.push_back(p.Number);
    }
    return numbers;
}

} // namespace

TEST_F(SerialPortListTest, PresentPortsAreListedFreeOrInUseAndMissingOnesAreNot) {
    CLinkedPty free(dir.Path(), 3);
    CLinkedPty held(dir.Path(), 7);
    ASSERT_FALSE(free.Device().empty());
    ASSERT_TRUE(held.Hold());
    ASSERT_EQ(CSerialPort::Probe(7), CSerialPort::SERIAL_PROBE_BUSY);
    // A link to a device that is gone, and a plain file that is no serial port.
    symlink("/dev/mora-no-such-device", dir.File("COM5").c_str());
    CTempDir::WriteFile(dir.File("COM9"), "not a port");

    const auto ports = CSerialPortList::Scan();
    ASSERT_EQ(Numbers(ports), (std::vector<int>{3, 7}));
    EXPECT_EQ(ports[0].Device, std::filesystem::canonical(free.Device()).string());
    EXPECT_EQ(ports[0].Label, "COM3 (" + ports[0].Device + ")");
    EXPECT_EQ(ports[1].Label, "COM7 (" + ports[1].Device + ")");
    EXPECT_FALSE(ports[0].NoAccess);
    EXPECT_FALSE(ports[1].NoAccess);

    EXPECT_EQ(CSerialPortList::IndexOf(ports, 7), 1);
    // The stored port is not present: nothing is selected.
    EXPECT_EQ(CSerialPortList::IndexOf(ports, 5), -1);
    EXPECT_EQ(CSerialPortList::IndexOf(ports, 0), -1);
}

TEST_F(SerialPortListTest, APortThisUserMayNotOpenIsMarkedAndExplainedInPlainWords) {
    std::vector<int> probed;
    const auto ports = CSerialPortList::Scan(
        [&](std::int16_t n) -> std::uint16_t {
            probed.push_back(n);
            return n == 4 ? CSerialPort::SERIAL_PROBE_BUSY : CSerialPort::SERIAL_PROBE_ABSENT;
        },
        [](const std::string& device) { return device.ends_with("/COM4"); });
    EXPECT_EQ(probed.size(), 255u);
    EXPECT_EQ(probed.front(), 1);
    EXPECT_EQ(probed.back(), 255);
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_TRUE(ports[0].NoAccess);
    EXPECT_EQ(ports[0].Label, "COM4 (" + dir.Path() + "/COM4, no access)");

    const std::string text = CSerialPortList::NoAccessExplanation(ports[0]);
    EXPECT_NE(text.find("no right to use the serial port COM4 (" + dir.Path() + "/COM4)"), std::string::npos)
        << text;
    // The device does not exist here, so the group is the one Debian gives serial ports.
    EXPECT_NE(text.find("member of the group \"dialout\""), std::string::npos) << text;
    EXPECT_NE(text.find("log out and log in again"), std::string::npos) << text;
}

TEST_F(SerialPortListTest, TheRightsCheckTellsRefusedFromMissing) {
    CLinkedPty port(dir.Path(), 2);
    EXPECT_FALSE(CSerialPortList::AccessDenied(port.Device()));
    EXPECT_FALSE(CSerialPortList::AccessDenied(dir.File("COM99")));
    const std::string locked = dir.File("locked");
    CTempDir::WriteFile(locked, "");
    chmod(locked.c_str(), 0);
    // Root may open anything: look as an ordinary user would (the rights check uses the effective
    // ids, as opening does).
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(seteuid(65534), 0);
    }
    const bool denied = CSerialPortList::AccessDenied(locked);
    if (root) {
        ASSERT_EQ(seteuid(0), 0);
    }
    EXPECT_TRUE(denied);
}
