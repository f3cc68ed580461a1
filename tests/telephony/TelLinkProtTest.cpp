#include "TelLinkProt.h"
#include "PtyModem.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

class TelLinkProtTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_modem.IsOpen());
        ASSERT_TRUE(m_link.Open(1, 9600));
    }

    // Sends a frame given as CComMsg bytes (command, data...).
    Bytes Send(const Bytes& frame) {
        EXPECT_EQ(m_link.WriteFrame(frame.data(), static_cast<std::uint16_t>(frame.size() - 1)),
                  CTelLinkProt::TELLINK_TX_OK);
        return m_modem.Read();
    }

    // Steps reception until a result other than busy, or until a step found no byte waiting (such
    // a step sleeps 1 ms on the fake clock, which is how it shows).
    std::uint16_t Receive(std::uint16_t& count) {
        ::usleep(5000); // let the pty deliver what the test wrote
        for (int i = 0; i < 1000; ++i) {
            const std::uint32_t before = m_clock.Tick();
            const std::uint16_t r = m_link.ReadStep(m_buffer, count);
            if (r != CTelLinkProt::TELLINK_RX_BUSY || m_clock.Tick() != before) {
                return r;
            }
        }
        return CTelLinkProt::TELLINK_RX_BUSY;
    }

    CPtyModem m_modem{1};
    CFakeClock m_clock{1000};
    CTelLinkProt m_link{m_clock};
    std::uint8_t m_buffer[CTelLinkProt::FRAME_BUFFER_SIZE] = {};
};

} // namespace

TEST_F(TelLinkProtTest, FramesGoOnTheWireWithLengthAndCheckByte) {
    EXPECT_EQ(Send({0x81, 0x00}), (Bytes{0x81, 0x01, 0x00, 0x7F}));
    EXPECT_EQ(Send({0x81, 0x80}), (Bytes{0x81, 0x01, 0x80, 0xFF}));
    EXPECT_EQ(Send({0x82, 0x00, 0x01}), (Bytes{0x82, 0x02, 0x00, 0x01, 0x7E}));
    // Without bit 7 there is no length byte and exactly two data bytes.
    EXPECT_EQ(Send({0x05, 0x10, 0x20}), (Bytes{0x05, 0x10, 0x20, 0xFF ^ 0x05 ^ 0x10 ^ 0x20}));
}

TEST_F(TelLinkProtTest, AStatusReplyIsReadWithItsParameters) {
    m_modem.Write({0x81, 0x02, 0x90, 0x0E, 0xE2});
    std::uint16_t count = 99;
    ASSERT_EQ(Receive(count), CTelLinkProt::TELLINK_RX_FRAME);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(m_buffer[0], 0x81);
    EXPECT_EQ(m_buffer[1], 0x90);
    EXPECT_EQ(m_buffer[2], 0x0E);
    EXPECT_EQ(m_link.RxStateNow(), CTelLinkProt::RX_COMMAND);
}

TEST_F(TelLinkProtTest, AWrongCheckByteIsReportedAndTheNextFrameStillReads) {
    m_modem.Write({0x81, 0x02, 0x90, 0x0E, 0xE3});
    std::uint16_t count = 99;
    EXPECT_EQ(Receive(count), CTelLinkProt::TELLINK_RX_CHECK_ERROR);
    EXPECT_EQ(count, 0);
    m_modem.Write(CPtyModem::Frame(0x86, 0x94, {0, 8, 1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_EQ(Receive(count), CTelLinkProt::TELLINK_RX_FRAME);
    EXPECT_EQ(count, 11);
    EXPECT_EQ(m_buffer[0], 0x86);
    EXPECT_EQ(m_buffer[11], 8);
}

TEST_F(TelLinkProtTest, ZeroLengthAndFullLengthFrames) {
    m_modem.Write({0x97, 0x00, 0xFF ^ 0x97});
    std::uint16_t count = 99;
    ASSERT_EQ(Receive(count), CTelLinkProt::TELLINK_RX_FRAME);
    EXPECT_EQ(count, 0);

    Bytes params(254);
    for (std::size_t i = 0; i < params.size(); ++i) {
        params[i] = static_cast<std::uint8_t>(i);
    }
    m_modem.Write(CPtyModem::Frame(0x8E, 0x94, params));
    ASSERT_EQ(Receive(count), CTelLinkProt::TELLINK_RX_FRAME);
    EXPECT_EQ(count, 255);
    EXPECT_EQ(m_buffer[255], 253);
}

TEST_F(TelLinkProtTest, AGapOfFiftyMillisecondsInsideAFrameDropsIt) {
    std::uint16_t count = 0;
    m_modem.Write({0x81, 0x02});
    EXPECT_EQ(Receive(count), CTelLinkProt::TELLINK_RX_BUSY);
    EXPECT_EQ(m_link.RxStateNow(), CTelLinkProt::RX_DATA);
    m_clock.Advance(49); // 50 ms after the last byte, and the line is silent
    EXPECT_EQ(Receive(count), CTelLinkProt::TELLINK_RX_BUSY);
    EXPECT_EQ(m_link.RxStateNow(), CTelLinkProt::RX_COMMAND);
    // What comes later is no longer that frame: 0x90 reads as a command, 0x0E as its length.
    m_modem.Write({0x90, 0x0E, 0xE2});
    EXPECT_EQ(Receive(count), CTelLinkProt::TELLINK_RX_BUSY);
    EXPECT_EQ(m_link.RxStateNow(), CTelLinkProt::RX_DATA);
    m_link.DiscardInput();

    // 49 ms after the last byte is still one frame (the empty step of Receive took 1 ms).
    m_modem.Write({0x81, 0x02});
    EXPECT_EQ(Receive(count), CTelLinkProt::TELLINK_RX_BUSY);
    m_clock.Advance(48);
    m_modem.Write({0x90, 0x0E, 0xE2});
    EXPECT_EQ(Receive(count), CTelLinkProt::TELLINK_RX_FRAME);

    // A thread that was not running for longer than the gap finds the rest of the frame waiting:
    // it came in time and completes the frame.
    m_modem.Write({0x81, 0x02});
    EXPECT_EQ(Receive(count), CTelLinkProt::TELLINK_RX_BUSY);
    m_modem.Write({0x90, 0x0E, 0xE2});
    ::usleep(5000);
    m_clock.Advance(80);
    EXPECT_EQ(Receive(count), CTelLinkProt::TELLINK_RX_FRAME);
    EXPECT_EQ(count, 2);
}

TEST_F(TelLinkProtTest, WaitingEndsAfterTheTimeOutOnTheClock) {
    std::uint16_t count = 7;
    const std::uint32_t start = m_clock.Tick();
    EXPECT_EQ(m_link.WaitFrame(m_buffer, count, 180), CTelLinkProt::TELLINK_RX_TIMEOUT);
    EXPECT_EQ(count, 0);
    EXPECT_GE(m_clock.Tick() - start, 180u);
    EXPECT_LT(m_clock.Tick() - start, 200u);

    m_modem.Write({0x81, 0x01, 0x90, 0xFF ^ 0x81 ^ 0x01 ^ 0x90});
    ::usleep(5000);
    EXPECT_EQ(m_link.WaitFrame(m_buffer, count, 180), CTelLinkProt::TELLINK_RX_FRAME);
    EXPECT_EQ(count, 1);
}

TEST_F(TelLinkProtTest, DiscardDropsWaitingBytesAndAHalfFrame) {
    std::uint16_t count = 0;
    m_modem.Write({0x86, 0x05, 0x90});
    EXPECT_EQ(Receive(count), CTelLinkProt::TELLINK_RX_BUSY);
    m_modem.Write({1, 2, 3, 4, 5, 6, 7});
    ::usleep(5000);
    m_link.DiscardInput();
    EXPECT_EQ(m_link.RxStateNow(), CTelLinkProt::RX_COMMAND);
    m_modem.Write({0x81, 0x02, 0x90, 0x0E, 0xE2});
    EXPECT_EQ(Receive(count), CTelLinkProt::TELLINK_RX_FRAME);
    EXPECT_EQ(count, 2);
}

TEST_F(TelLinkProtTest, AVanishedDeviceGivesReadAndWriteErrors) {
    m_modem.HangUp();
    std::uint16_t count = 0;
    EXPECT_EQ(m_link.ReadStep(m_buffer, count), CTelLinkProt::TELLINK_RX_READ_ERROR);
    EXPECT_EQ(m_link.WaitFrame(m_buffer, count, 180), CTelLinkProt::TELLINK_RX_READ_ERROR);
    const Bytes poll{0x81, 0x00};
    EXPECT_EQ(m_link.WriteFrame(poll.data(), 1), CTelLinkProt::TELLINK_TX_ERROR);
}
