// The GSM modem simulator as a terminal program would see it: raw AT commands over its
// pseudo-terminal, answers in the layout of real TS 27.005 / 27.007 modems.

#include "GsmModemSim.h"
#include "SimAlphabet.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int PORT = 11;

class GsmModemSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.Start(PORT, m_dir.Path())) << m_sim.LastError();
        m_fd = open(m_sim.LinkPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(m_fd, 0);
        termios tio{};
        tcgetattr(m_fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(m_fd, TCSANOW, &tio);
    }
    void TearDown() override {
        if (m_fd >= 0) {
            close(m_fd);
        }
        m_sim.Stop();
    }

    // Sends a command line and collects the answer until the line is quiet.
    std::string At(const std::string& text, int quietMs = 60) {
        EXPECT_EQ(write(m_fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        return ReadQuiet(quietMs);
    }

    std::string ReadQuiet(int quietMs = 60) {
        std::string out;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, quietMs) <= 0) {
                if (!out.empty()) {
                    break;
                }
                continue;
            }
            char buf[512];
            const ssize_t n = read(m_fd, buf, sizeof(buf));
            if (n > 0) {
                out.append(buf, static_cast<std::size_t>(n));
            } else if (n == 0 || (n < 0 && errno != EAGAIN)) {
                break;
            }
        }
        return out;
    }

    CTempDir m_dir;
    CGsmModemSim m_sim;
    int m_fd = -1;
};

TEST_F(GsmModemSimTest, EchoesUntilAte0) {
    EXPECT_EQ(At("AT\r"), "AT\r\r\nOK\r\n");
    EXPECT_EQ(At("ATE0\r\n"), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(At("AT\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(At("AT+FOO\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(m_sim.Commands(), (std::vector<std::string>{"AT", "ATE0", "AT", "AT+FOO"}));
}

TEST_F(GsmModemSimTest, ModelNameAndStorage) {
    m_sim.SetEcho(false);
    m_sim.SetModelName("LE910-EU V2");
    EXPECT_EQ(At("AT+CGMM\r\n"), "\r\nLE910-EU V2\r\n\r\nOK\r\n");
    EXPECT_EQ(At("AT+CPMS=\"ME\",\"ME\",\"ME\"\r\n"), "\r\n+CPMS: 0,30,0,30,0,30\r\n\r\nOK\r\n");
    EXPECT_EQ(At("AT+CPMS=MT,MT,MT\r\n"), "\r\n+CPMS: 0,30,0,30,0,30\r\n\r\nOK\r\n");
    EXPECT_EQ(At("AT+CPMS=XX\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(At("AT+WS46=30\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(At("AT+WS46?\r\n"), "\r\n+WS46: 30\r\n\r\nOK\r\n");
    EXPECT_EQ(At("AT+WS46=13\r\n"), "\r\nERROR\r\n");
}

TEST_F(GsmModemSimTest, PinRightWrongAndLocked) {
    m_sim.SetEcho(false);
    m_sim.SetPin("1234");
    EXPECT_EQ(At("AT+CPIN?\r\n"), "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n");
    // Nothing before the PIN; SMS errors are numbered whatever AT+CMEE says.
    EXPECT_EQ(At("AT+CMGL=\"ALL\"\r\n"), "\r\n+CMS ERROR: 311\r\n");
    EXPECT_EQ(At("AT+CPIN=\"0000\"\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(At("AT+CPIN=\"1234\"\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(At("AT+CPIN?\r\n"), "\r\n+CPIN: READY\r\n\r\nOK\r\n");
    EXPECT_EQ(At("AT+CPIN=\"1234\"\r\n"), "\r\nERROR\r\n"); // no PIN asked
    m_sim.SetPin("1234");
    EXPECT_EQ(At("AT+CMEE=1\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(At("AT+CPIN=\"1\"\r\n"), "\r\n+CME ERROR: 16\r\n");
    EXPECT_EQ(At("AT+CMEE=2\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(At("AT+CPIN=\"2\"\r\n"), "\r\n+CME ERROR: incorrect password\r\n");
    At("AT+CPIN=\"3\"\r\n");
    EXPECT_EQ(At("AT+CPIN?\r\n"), "\r\n+CPIN: SIM PUK\r\n\r\nOK\r\n");
    EXPECT_EQ(At("AT+CPIN=\"1234\"\r\n"), "\r\n+CME ERROR: SIM PUK required\r\n");
    EXPECT_EQ(At("AT+CMEE?\r\n"), "\r\n+CMEE: 2\r\n\r\nOK\r\n");
    EXPECT_EQ(At("AT+CMEE=3\r\n"), "\r\nERROR\r\n");
    // The mode survives the station: a modem set before answers in it from the start.
    m_sim.SetErrorReports(1);
    EXPECT_EQ(At("AT+CPIN=\"1234\"\r\n"), "\r\n+CME ERROR: 12\r\n");
}

TEST_F(GsmModemSimTest, ListsStoredSmsWithFullHeadersAndDeletesThem) {
    m_sim.SetEcho(false);
    m_sim.StoreSms("+46701234567", "Hej {hiss}", "24/03/05,07:04:09+04");
    m_sim.StoreSms("Telia", "Två", "24/03/06,12:00:00+04");
    At("AT+CMGF=1\r\n");
    EXPECT_EQ(At("AT+CMGL=\"ALL\"\r\n"),
              "\r\n+CMGL: 1,\"REC UNREAD\",\"+46701234567\",,\"24/03/05,07:04:09+04\"\r\n"
              "Hej \x1b(hiss\x1b)\r\n"
              "+CMGL: 2,\"REC UNREAD\",\"Telia\",,\"24/03/06,12:00:00+04\"\r\n"
              "Tv\x0f\r\n\r\nOK\r\n");
    At("AT+CSDH=1\r\n");
    // Read now; with full headers: sender type and length in septets (escapes count two).
    EXPECT_EQ(At("AT+CMGL=\"ALL\"\r\n"),
              "\r\n+CMGL: 1,\"REC READ\",\"+46701234567\",,\"24/03/05,07:04:09+04\",145,12\r\n"
              "Hej \x1b\x28hiss\x1b\x29\r\n"
              "+CMGL: 2,\"REC READ\",\"Telia\",,\"24/03/06,12:00:00+04\",208,3\r\n"
              "Tv\x0f\r\n\r\nOK\r\n");
    EXPECT_EQ(At("AT+CMGD=1\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(At("AT+CMGD=abc\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(At("AT+CMGD=31\r\n"), "\r\n+CMS ERROR: 321\r\n");
    EXPECT_EQ(m_sim.StoredSms().size(), 1u);
    EXPECT_EQ(m_sim.DeletedIndexes(), std::vector<int>{1});
    // The freed slot is used again.
    EXPECT_EQ(m_sim.StoreSms("+4611", "x"), 1);
}

TEST_F(GsmModemSimTest, SendsWithPromptAndReference) {
    m_sim.SetEcho(false);
    At("AT+CMGF=1\r\n");
    EXPECT_EQ(At("AT+CMGS=\"+4611\"\r\n"), "\r\n> ");
    EXPECT_EQ(At("Hiss st\x0fr\x1a"), "\r\n+CMGS: 1\r\n\r\nOK\r\n");
    m_sim.RefuseSends(1);
    At("AT+CMGS=\"+4622\"\r\n");
    EXPECT_EQ(At("Igen\x1a"), "\r\n+CMS ERROR: 500\r\n");
    m_sim.RefuseSends(1, 38);
    At("AT+CMGS=\"+4622\"\r\n");
    EXPECT_EQ(At("Igen\x1a"), "\r\n+CMS ERROR: 38\r\n");
    At("AT+CMGS=\"+4633\"\r\n");
    EXPECT_EQ(At("Avbryt\x1b"), "\r\nOK\r\n"); // escape cancels
    EXPECT_EQ(At("AT+CMGS=\"\"\r\n"), "\r\nERROR\r\n");
    const auto sent = m_sim.SentSms();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].Destination, "+4611");
    EXPECT_EQ(sent[0].Text, "Hiss står");
    EXPECT_TRUE(sent[0].Accepted);
    EXPECT_EQ(sent[1].Destination, "+4622");
    EXPECT_FALSE(sent[1].Accepted);
}

TEST_F(GsmModemSimTest, NetworkSignalAndCalls) {
    m_sim.SetEcho(false);
    m_sim.SetRegistration(5);
    m_sim.SetSignal(99);
    EXPECT_EQ(At("AT+CREG?\r\n"), "\r\n+CREG: 0,5\r\n\r\nOK\r\n");
    EXPECT_EQ(At("AT+CSQ\r\n"), "\r\n+CSQ: 99,99\r\n\r\nOK\r\n");
    EXPECT_EQ(At("AT+CLCC\r\n"), "\r\nOK\r\n");
    m_sim.Ring("+46705550123", std::chrono::milliseconds(3000), std::chrono::milliseconds(1000));
    EXPECT_EQ(ReadQuiet(), "\r\nRING\r\n");
    EXPECT_EQ(At("AT+CLCC\r\n"), "\r\n+CLCC: 1,1,4,0,0,\"+46705550123\",145\r\n\r\nOK\r\n");
    EXPECT_EQ(At("ATH\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(At("AT+CLCC\r\n"), "\r\nOK\r\n");
}

TEST_F(GsmModemSimTest, SilentAndErrorModes) {
    m_sim.SetEcho(false);
    m_sim.SetSilent(true);
    EXPECT_EQ(At("AT\r\n", 100), "");
    m_sim.SetSilent(false);
    m_sim.SetErrorToAll(true);
    EXPECT_EQ(At("AT\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(m_sim.CountCommands("AT"), 2u);
}

TEST_F(GsmModemSimTest, HangUpTakesTheDeviceAway) {
    const std::string link = m_sim.LinkPath();
    m_sim.HangUp();
    EXPECT_NE(access(link.c_str(), F_OK), 0);
    char byte = 0;
    pollfd p{m_fd, POLLIN, 0};
    ASSERT_GT(poll(&p, 1, 200), 0);
    EXPECT_NE(p.revents & POLLHUP, 0);
    EXPECT_LE(read(m_fd, &byte, 1), 0);
}

TEST(SimAlphabetTest, EncodesWithEscapesAndDecodesTheRealGlyphs) {
    EXPECT_EQ(SimAlphabet::Encode("@£$¥èéùìòÇ"), std::string("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09", 10));
    EXPECT_EQ(SimAlphabet::Encode("€[]"), "\x1b\x65\x1b\x3c\x1b\x3e");
    EXPECT_EQ(SimAlphabet::Encode("ΔΣ"), "\x10\x18");
    EXPECT_EQ(SimAlphabet::Encode("中"), "?");
    EXPECT_EQ(SimAlphabet::SeptetCount("a€"), 3u);
    EXPECT_EQ(SimAlphabet::Decode("\x10\x1b\x65\x7f"), "Δ€à");
}

} // namespace
