// The line reader of the GSM modem, step by step over a real pseudo-terminal, with the tick
// moved by the test.

#include "AtCmdProt.h"
#include "PtyPeer.h"
#include "TempDir.h"
#include "TestClocks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr int PORT = 5;

class AtCmdProtTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("MORA_SERIAL_DIR", m_dir.Path().c_str(), 1);
        m_peer = std::make_unique<CPtyPeer>(m_dir.Path(), PORT);
        ASSERT_TRUE(m_peer->IsOpen());
        ASSERT_EQ(m_prot.Open(PORT, 9600), CAtCmdProt::ATCMDPROT_OPEN_OK);
    }

    // Runs the reader for a number of steps and collects the lines it returned.
    std::vector<std::string> Pump(int steps) {
        std::vector<std::string> lines;
        for (int i = 0; i < steps; ++i) {
            std::string line;
            if (m_prot.ReadLine(line) == CAtCmdProt::ATCMDPROT_RECEIVE_LINE) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    CTempDir m_dir;
    std::unique_ptr<CPtyPeer> m_peer;
    CStepClock m_clock;
    CAtCmdProt m_prot{m_clock};
};

TEST_F(AtCmdProtTest, WritesCommandTextByteForByte) {
    EXPECT_EQ(m_prot.Write("AT+CSQ\r\n"), CAtCmdProt::ATCMDPROT_SEND_OK);
    EXPECT_EQ(m_peer->Read(), "AT+CSQ\r\n");
}

TEST_F(AtCmdProtTest, TwoLinesInOneBurstComeOutOneAfterTheOther) {
    m_peer->Write("\r\nOK\r\n+CSQ: 17,99\r\n");
    std::vector<std::string> lines = Pump(200);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "OK");
    EXPECT_EQ(lines[1], "+CSQ: 17,99");
}

TEST_F(AtCmdProtTest, ReturnsAfterTheLastByteOfTheLineEnd) {
    m_peer->Write("RING\r");
    EXPECT_TRUE(Pump(50).empty());
    m_peer->Write("\n");
    std::vector<std::string> lines = Pump(50);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "RING");
}

TEST_F(AtCmdProtTest, LineWithoutLineEndComesAfter100MsOfSilence) {
    m_peer->Write("\r\n> ");
    EXPECT_TRUE(Pump(50).empty());
    m_clock.Advance(99);
    EXPECT_TRUE(Pump(5).empty());
    m_clock.Advance(1);
    std::vector<std::string> lines = Pump(1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "> ");
}

TEST_F(AtCmdProtTest, EmptyLinesAndStrayLineEndsAreNeverReturned) {
    m_peer->Write("\r\n\r\n\r\n\r");
    EXPECT_TRUE(Pump(50).empty());
    m_clock.Advance(200);
    EXPECT_TRUE(Pump(5).empty());
    // Many empty lines do not count towards the length of the next real one.
    std::string blanks;
    for (int i = 0; i < 200; ++i) {
        blanks += "\r\n";
    }
    m_peer->Write(blanks + "OK\r\n");
    std::vector<std::string> lines = Pump(1000);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "OK");
}

TEST_F(AtCmdProtTest, OverlongBurstLosesItsFirst257Characters) {
    std::string burst;
    for (int i = 0; i < 300; ++i) {
        burst += static_cast<char>('A' + i % 26);
    }
    m_peer->Write(burst);
    EXPECT_TRUE(Pump(700).empty());
    m_clock.Advance(100);
    std::vector<std::string> lines = Pump(1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], burst.substr(257));
}

TEST_F(AtCmdProtTest, LineOf256CharactersIsStillWhole) {
    const std::string line(254, 'x'); // 254 characters and CR LF make 256
    m_peer->Write(line + "\r\n");
    std::vector<std::string> lines = Pump(600);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], line);
}

TEST_F(AtCmdProtTest, SmsTextKeepsItsLineFeedWhileTheCountdownRuns) {
    // 5 characters, LF, 6 characters: 12 counted characters.
    m_prot.SetRawTextCount(12);
    m_peer->Write("Lift3\nstuck!\r\nOK\r\n");
    std::vector<std::string> lines = Pump(200);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Lift3\nstuck!");
    EXPECT_EQ(lines[1], "OK");
}

TEST_F(AtCmdProtTest, CrLfInsideAnSmsTextDoesNotEndIt) {
    // "a", CR, LF, "b": the modem counts 4 characters; the CR is not kept.
    m_prot.SetRawTextCount(4);
    m_peer->Write("a\r\nb\r\n+CMGL: 2\r\n");
    std::vector<std::string> lines = Pump(200);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "a\nb");
    EXPECT_EQ(lines[1], "+CMGL: 2");
}

TEST_F(AtCmdProtTest, EmptySmsTextIsReturnedAsAnEmptyLine) {
    m_prot.SetRawTextCount(0);
    m_peer->Write("\r\n\r\nOK\r\n");
    std::vector<std::string> lines = Pump(100);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "OK");
}

TEST_F(AtCmdProtTest, OpenThrowsAwayWhatWasWaiting) {
    m_prot.Close();
    m_peer->Write("junk from before\r\n");
    ASSERT_EQ(m_prot.Open(PORT, 115200), CAtCmdProt::ATCMDPROT_OPEN_OK);
    EXPECT_TRUE(Pump(100).empty());
    m_peer->Write("OK\r\n");
    EXPECT_EQ(Pump(100), std::vector<std::string>{"OK"});
}

TEST_F(AtCmdProtTest, HungUpDeviceGivesReadAndWriteErrors) {
    m_peer->HangUp();
    std::string line;
    EXPECT_EQ(m_prot.ReadLine(line), CAtCmdProt::ATCMDPROT_RECEIVE_ERROR);
    EXPECT_EQ(m_prot.Write("AT\r\n"), CAtCmdProt::ATCMDPROT_SEND_ERROR);
}

TEST(AtCmdProtOpenTest, MissingPortCannotBeOpened) {
    CTempDir dir;
    setenv("MORA_SERIAL_DIR", dir.Path().c_str(), 1);
    CAtCmdProt prot;
    EXPECT_EQ(prot.Open(7, 9600), CAtCmdProt::ATCMDPROT_OPEN_ERROR);
    EXPECT_FALSE(prot.IsOpen());
}

} // namespace
