// The simulated modem over a real pseudo-terminal, driven with raw frames as the station would.

#include "SimTelModem.h"
#include "PtyClient.h"
#include "SimCpcPhone.h"
#include "SimP100Phone.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Bytes = std::vector<std::uint8_t>;

class SimTelModemTest : public ::testing::Test {
protected:
    void SetUp() override {
        SSimTiming t;
        t.LineMs = 40;
        t.ResetMs = 100;
        t.RawByteMs = 20;
        t.P100MessageMs = 150;
        t.P100NoStartMs = 120;
        t.P100RetryMs = 60;
        t.CpcAnswerMs = 80;
        t.CpcNoAnswerMs = 100;
        m_modem.SetTiming(t);
        std::string error;
        ASSERT_TRUE(m_modem.Start(m_dir.Path(), 3, error)) << error;
        ASSERT_TRUE(m_port.Open(m_dir.Path() + "/COM3"));
    }

    // Rings one short signal and lets the station take the line.
    void Answer(std::shared_ptr<CSimLiftPhone> phone) {
        m_modem.Call(std::move(phone), SSimRingPlan{1, 60, 2000});
        ASSERT_TRUE(m_port.PollUntil(CSimTelModem::FLAG_RING, CSimTelModem::FLAG_RING, 1000));
        SSimFrame reply;
        ASSERT_TRUE(m_port.Exchange(0x82, {0, 1}, reply));
        EXPECT_EQ(reply.Flags() & CSimTelModem::FLAG_ACCEPTED, CSimTelModem::FLAG_ACCEPTED);
        ASSERT_TRUE(m_port.PollUntil(CSimTelModem::FLAG_CONNECTED, CSimTelModem::FLAG_CONNECTED, 1000));
        EXPECT_TRUE(m_modem.CallActive());
    }

    CTempDir m_dir;
    CSimTelModem m_modem;
    CPtyClient m_port;
};

TEST(SimFrameTest, WireFormatAndCheckByte) {
    EXPECT_EQ(SSimFrame::Hex(SSimFrame::Encode(0x81, {0x00})), "81 01 00 7F");
    EXPECT_EQ(SSimFrame::Hex(SSimFrame::Encode(0x81, {0x80})), "81 01 80 FF");
    EXPECT_EQ(SSimFrame::Hex(SSimFrame::Encode(0x82, {0x00, 0x01})), "82 02 00 01 7E");
    EXPECT_EQ(SSimFrame::Hex(SSimFrame::Encode(0x81, {0x90, 0x0E})), "81 02 90 0E E2");
}

TEST(SimFrameTest, ParserTakesFixedLengthCodesAndDropsAfterAGap) {
    CSimFrameParser parser;
    // A code without bit 7 has no length byte and two data bytes.
    const Bytes fixed{0x05, 0x11, 0x22, static_cast<std::uint8_t>(0xFF ^ 0x05 ^ 0x11 ^ 0x22)};
    CSimFrameParser::EResult result = CSimFrameParser::PARSE_MORE;
    for (std::uint8_t b : fixed) {
        result = parser.Feed(b, 10);
    }
    ASSERT_EQ(result, CSimFrameParser::PARSE_FRAME);
    EXPECT_EQ(parser.Frame().Data, (Bytes{0x11, 0x22}));

    EXPECT_EQ(parser.Feed(0x81, 100), CSimFrameParser::PARSE_MORE);
    EXPECT_EQ(parser.Feed(0x01, 149), CSimFrameParser::PARSE_MORE);
    // 50 ms after the last byte the half frame is gone; the next byte starts a new frame.
    EXPECT_TRUE(parser.Expire(199));
    EXPECT_EQ(parser.Dropped(), (Bytes{0x81, 0x01}));
    for (std::uint8_t b : Bytes{0x81, 0x01, 0x00}) {
        EXPECT_EQ(parser.Feed(b, 300), CSimFrameParser::PARSE_MORE);
    }
    EXPECT_EQ(parser.Feed(0x00, 300), CSimFrameParser::PARSE_BAD_CHECK);
}

TEST_F(SimTelModemTest, AnswersPollsAndTheInformationRequest) {
    SSimFrame reply;
    ASSERT_TRUE(m_port.Exchange(0x81, {0x00}, reply));
    EXPECT_EQ(SSimFrame::Hex(reply.Wire), "81 01 10 6F");

    m_modem.SetSignalLevel(14);
    ASSERT_TRUE(m_port.Exchange(0x81, {0x00}, reply));
    EXPECT_EQ(reply.Params(), Bytes{14});

    SSimModemInfo info;
    info.SwMajor = 0x01;
    info.SwMinor = 0x41;
    info.SwInfo = 0x07;
    info.HwVersion = 3;
    info.InterfaceType = 2;
    m_modem.SetInfo(info);
    ASSERT_TRUE(m_port.Exchange(0x8A, {0x00}, reply));
    EXPECT_EQ(reply.Code, 0x8D);
    EXPECT_EQ(reply.Flags() & 0x80, 0x80);
    EXPECT_EQ(reply.Params(), (Bytes{0x01, 0x41, 0x07, 12, 3, 2}));

    // Everything the station sent is on record.
    EXPECT_EQ(m_modem.Recorder().Count([](const SSimRecord& r) { return r.IsFrom(0x81); }), 2u);
    EXPECT_EQ(m_modem.Recorder().Count([](const SSimRecord& r) { return r.IsFrom(0x8A); }), 1u);
}

TEST_F(SimTelModemTest, IgnoresFramesWithAWrongCheckByteOrAGap) {
    SSimFrame reply;
    Bytes bad = SSimFrame::Encode(0x81, {0x00});
    bad.back() ^= 0x01;
    ASSERT_TRUE(m_port.Write(bad));
    EXPECT_FALSE(m_port.ReadFrame(reply, 150));

    const Bytes poll = SSimFrame::Encode(0x81, {0x00});
    ASSERT_TRUE(m_port.Write(Bytes(poll.begin(), poll.begin() + 2)));
    std::this_thread::sleep_for(std::chrono::milliseconds(70));
    ASSERT_TRUE(m_port.Write(Bytes(poll.begin() + 2, poll.end())));
    EXPECT_FALSE(m_port.ReadFrame(reply, 150));
    EXPECT_TRUE(m_modem.Recorder().HasEvent("dropped after a pause"));
    EXPECT_EQ(
        m_modem.Recorder().Count([](const SSimRecord& r) { return r.Type == SSimRecord::FROM_STATION_BAD; }),
        3u); // the bad frame, the dropped half, and its tail dropped in turn

    // The line recovers at once.
    ASSERT_TRUE(m_port.Exchange(0x81, {0x00}, reply));
    EXPECT_EQ(reply.Code, 0x81);
}

TEST_F(SimTelModemTest, RingsAndHandsTheLineToTheP100TelephoneWithReportsUntilAcknowledged) {
    auto phone = std::make_shared<CSimP100Phone>();
    phone->AddTrouble(SSimP100Step::CHECKSUM);
    ASSERT_TRUE(phone->AddMessage(CSimP100Phone::CODE_ALARM, "12345678"));
    Answer(phone);

    SSimFrame reply;
    ASSERT_TRUE(m_port.Exchange(0x87, {0x00, 0x01}, reply));
    EXPECT_EQ(reply.Flags() & 0xC0, 0xC0) << "accepted and busy";
    // A second request while busy is not accepted.
    ASSERT_TRUE(m_port.Exchange(0x87, {0x00, 0x02}, reply));
    EXPECT_EQ(reply.Flags() & 0x80, 0);

    SSimFrame report;
    ASSERT_TRUE(m_port.PollForReport(0x8A, 1000, report));
    EXPECT_EQ(report.Flags() & CSimTelModem::FLAG_BUSY, CSimTelModem::FLAG_BUSY) << "still retrying";
    ASSERT_TRUE(m_port.PollForReport(0x86, 1000, report));
    EXPECT_EQ(report.Params(), (Bytes{0, 8, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(report.Flags() & CSimTelModem::FLAG_BUSY, 0);

    // A poll without the acknowledgement gets the same report again; with it, a status reply.
    m_port.Discard();
    ASSERT_TRUE(m_port.SendFrame(0x81, {0x00}));
    ASSERT_TRUE(m_port.ReadFrame(reply, 300));
    EXPECT_EQ(reply.Code, 0x86);
    ASSERT_TRUE(m_port.SendFrame(0x81, {0x80}));
    ASSERT_TRUE(m_port.ReadFrame(reply, 300));
    EXPECT_EQ(reply.Code, 0x81);

    // The next listen hears nothing: the telephone's script is used up.
    ASSERT_TRUE(m_port.Exchange(0x87, {0x00, 0x02}, reply));
    ASSERT_TRUE(m_port.PollForReport(0x87, 1000, report));

    // The disconnect command makes the telephone hang up; then the station releases the line.
    ASSERT_TRUE(m_port.Exchange(0x84, {0x80, 0x0F}, reply));
    EXPECT_EQ(reply.Flags() & 0xC0, 0xC0);
    ASSERT_TRUE(m_port.PollUntil(CSimTelModem::FLAG_BUSY, 0, 1000));
    EXPECT_TRUE(phone->HungUp());
    EXPECT_TRUE(m_modem.Recorder().HasEvent("disconnect"));
    ASSERT_TRUE(m_port.Exchange(0x82, {0x00, 0x00}, reply));
    ASSERT_TRUE(m_port.PollUntil(CSimTelModem::FLAG_CONNECTED, 0, 1000));
    EXPECT_FALSE(m_modem.CallActive());
}

TEST_F(SimTelModemTest, CpcTelephoneAnswersByTheDigitTablesAndNegativeReportsAlternate) {
    auto phone = std::make_shared<CSimCpcPhone>();
    ASSERT_TRUE(phone->Configure(5, 17, "1234567"));
    phone->AddTrouble(CSimCpcPhone::REQ_ID, CSimCpcPhone::TROUBLE_SILENT, 2);
    phone->AddTrouble(CSimCpcPhone::REQ_ACK, CSimCpcPhone::TROUBLE_REFUSE);
    Answer(phone);

    SSimFrame reply;
    SSimFrame report;
    ASSERT_TRUE(m_port.Exchange(0x8F, {0, 0, 2, 1}, reply));
    ASSERT_TRUE(m_port.PollForReport(0x8F, 1000, report)) << "first negative report";
    ASSERT_TRUE(m_port.Exchange(0x8F, {0, 0, 2, 1}, reply));
    ASSERT_TRUE(m_port.PollForReport(0x90, 1000, report)) << "second negative report";
    ASSERT_TRUE(m_port.Exchange(0x8F, {0, 0, 2, 1}, reply));
    ASSERT_TRUE(m_port.PollForReport(0x8E, 1000, report));
    EXPECT_EQ(report.Params(), (Bytes{0, 2, 5}));

    ASSERT_TRUE(m_port.Exchange(0x8F, {0, 0, 3}, reply));
    ASSERT_TRUE(m_port.PollForReport(0x8E, 1000, report));
    EXPECT_EQ(report.Params(), (Bytes{0, 4, 1, 7, 1, 2, 3, 4, 5, 6, 7}));

    ASSERT_TRUE(m_port.Exchange(0x8F, {0, 0, 5, 2}, reply));
    ASSERT_TRUE(m_port.PollForReport(0x8E, 1000, report));
    EXPECT_EQ(report.Params(), (Bytes{0, 1, 0})) << "scripted refusal";
    ASSERT_TRUE(m_port.Exchange(0x8F, {0, 0, 5, 2}, reply));
    ASSERT_TRUE(m_port.PollForReport(0x8E, 1000, report));
    EXPECT_EQ(report.Params(), (Bytes{0, 1, 1}));

    ASSERT_TRUE(m_port.Exchange(0x8F, {0, 0, 6, 0, 1}, reply));
    ASSERT_TRUE(m_port.PollForReport(0x8E, 1000, report));
    EXPECT_EQ(report.Params(), (Bytes{0, 1, 1}));
    EXPECT_TRUE(phone->HungUp());
    EXPECT_EQ(phone->Requests(CSimCpcPhone::REQ_ID), 3);

    // A P100 listen on a CPC telephone hears no start.
    ASSERT_TRUE(m_port.Exchange(0x87, {0, 1}, reply));
    ASSERT_TRUE(m_port.PollForReport(0x87, 1000, report));
}

TEST_F(SimTelModemTest, VoiceCallRingsTheOperatorWhoPicksUpAndPutsDownOnTime) {
    m_modem.SetOperatorPlan(SSimOperatorPlan{200, 500});
    SSimFrame reply;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(m_port.Exchange(0x8D, {0, 1}, reply));
    EXPECT_EQ(reply.Code, 0x81) << "a command reply, not the information record";
    EXPECT_TRUE(m_modem.VoiceCallOn());
    ASSERT_TRUE(m_port.PollUntil(CSimTelModem::FLAG_OFF_HOOK, CSimTelModem::FLAG_OFF_HOOK, 1000));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(190));
    ASSERT_TRUE(m_port.PollUntil(CSimTelModem::FLAG_OFF_HOOK, 0, 1000));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(490));
    ASSERT_TRUE(m_port.Exchange(0x8D, {0, 0}, reply));
    EXPECT_FALSE(m_modem.VoiceCallOn());

    // An operator who has not picked up when the voice call ends never does.
    m_modem.SetOperatorPlan(SSimOperatorPlan{300, -1});
    ASSERT_TRUE(m_port.Exchange(0x8D, {0, 1}, reply));
    ASSERT_TRUE(m_port.Exchange(0x8D, {0, 0}, reply));
    EXPECT_FALSE(m_port.PollUntil(CSimTelModem::FLAG_OFF_HOOK, CSimTelModem::FLAG_OFF_HOOK, 500));
}

TEST_F(SimTelModemTest, RelaysNetworkSelectionResetAndStuckLine) {
    SSimFrame reply;
    ASSERT_TRUE(m_port.Exchange(0x90, {0, 1, 1}, reply));
    EXPECT_EQ(reply.Flags() & 0x80, 0x80);
    EXPECT_TRUE(m_modem.Relay(1));
    EXPECT_FALSE(m_modem.Relay(0));
    ASSERT_TRUE(m_port.Exchange(0x90, {0, 2, 1}, reply));
    EXPECT_EQ(reply.Flags() & 0x80, 0) << "there is no relay 2";
    ASSERT_TRUE(m_port.Exchange(0x91, {0, 3, 0}, reply));
    EXPECT_EQ(m_modem.NetworkSelection(), 3);

    // The modem holding the line on its own is cleared by a reset of the line interface...
    m_modem.SeizeLine(true);
    ASSERT_TRUE(m_port.Exchange(0x8B, {0}, reply));
    EXPECT_EQ(reply.Flags() & 0xC4, 0xC4);
    ASSERT_TRUE(m_port.PollUntil(CSimTelModem::FLAG_CONNECTED | CSimTelModem::FLAG_BUSY, 0, 1000));
    // ... unless the line relay is stuck.
    m_modem.SetLineStuck(true);
    m_modem.SeizeLine(true);
    ASSERT_TRUE(m_port.Exchange(0x8B, {0}, reply));
    ASSERT_TRUE(m_port.PollUntil(CSimTelModem::FLAG_BUSY, 0, 1000, &reply));
    EXPECT_EQ(reply.Flags() & CSimTelModem::FLAG_CONNECTED, CSimTelModem::FLAG_CONNECTED);

    // An unknown command is answered, but not accepted.
    ASSERT_TRUE(m_port.Exchange(0x99, {0}, reply));
    EXPECT_EQ(reply.Code, 0x81);
    EXPECT_EQ(reply.Flags() & 0x80, 0);
}

TEST_F(SimTelModemTest, InjectedFaultsDamageTheRepliesAsScripted) {
    SSimFrame reply;
    bool badCheck = false;

    m_modem.InjectFault({ESimFault::SILENCE, 2, 0});
    EXPECT_FALSE(m_port.Exchange(0x81, {0}, reply, 150));
    EXPECT_FALSE(m_port.Exchange(0x81, {0}, reply, 150));
    EXPECT_TRUE(m_port.Exchange(0x81, {0}, reply, 150));

    m_modem.InjectFault({ESimFault::BAD_CHECK, 1, 0});
    m_port.Discard();
    ASSERT_TRUE(m_port.SendFrame(0x81, {0}));
    EXPECT_FALSE(m_port.ReadFrame(reply, 150, &badCheck));
    EXPECT_TRUE(badCheck);

    m_modem.InjectFault({ESimFault::INVALID_CODE, 1, 0x80});
    m_modem.InjectFault({ESimFault::INVALID_CODE, 1, 0});
    ASSERT_TRUE(m_port.Exchange(0x81, {0}, reply));
    EXPECT_EQ(reply.Code, 0x80);
    ASSERT_TRUE(m_port.Exchange(0x81, {0}, reply));
    EXPECT_EQ(reply.Code, 0x98);

    m_modem.InjectFault({ESimFault::REPLY_97, 1, 0});
    ASSERT_TRUE(m_port.Exchange(0x81, {0}, reply));
    EXPECT_EQ(reply.Code, 0x97);

    // A pause of 60 ms inside the reply: a receiver that drops frames after 50 ms of silence
    // loses it, and the rest of the bytes come afterwards.
    m_modem.InjectFault({ESimFault::GAP, 1, 0});
    m_port.Discard();
    ASSERT_TRUE(m_port.SendFrame(0x81, {0}));
    EXPECT_FALSE(m_port.ReadFrame(reply, 300));
    EXPECT_TRUE(m_modem.Recorder().HasEvent("fault: pause of 60 ms"));

    m_modem.InjectFault({ESimFault::TRUNCATE, 1, 0});
    m_port.Discard();
    ASSERT_TRUE(m_port.SendFrame(0x81, {0}));
    EXPECT_EQ(m_port.ReadAll(100).size(), 2u);

    m_modem.InjectFault({ESimFault::GARBAGE, 1, 9});
    m_port.Discard();
    ASSERT_TRUE(m_port.SendFrame(0x81, {0}));
    EXPECT_EQ(m_port.ReadAll(100).size(), 9u);
    EXPECT_TRUE(m_modem.Recorder().HasEvent("fault: garbage"));

    EXPECT_TRUE(m_port.Exchange(0x81, {0}, reply));
}

TEST_F(SimTelModemTest, DeviceThatVanishesFailsTheStationsWrites) {
    m_modem.InjectFault({ESimFault::HANG_UP, 1, 0});
    SSimFrame reply;
    EXPECT_FALSE(m_port.Exchange(0x81, {0}, reply, 200));
    EXPECT_TRUE(m_modem.Recorder().WaitForEvent("device hung up", 1000));
    EXPECT_FALSE(m_port.SendFrame(0x81, {0}));
}

TEST_F(SimTelModemTest, AnUnpluggedDeviceLosesItsLinkAndComesBackUnderTheSameName) {
    const std::string link = m_dir.Path() + "/COM3";
    m_modem.Unplug();
    EXPECT_FALSE(m_modem.Plugged());
    EXPECT_FALSE(m_port.SendFrame(0x81, {0}));
    m_port.Close();
    CPtyClient gone;
    EXPECT_FALSE(gone.Open(link)) << "no device under the name";

    std::string error;
    ASSERT_TRUE(m_modem.Plug(error)) << error;
    EXPECT_TRUE(m_modem.Plugged());
    ASSERT_TRUE(m_port.Open(link));
    SSimFrame reply;
    ASSERT_TRUE(m_port.Exchange(0x81, {0}, reply));
    EXPECT_EQ(reply.Code, CSimTelModem::REP_STATUS);
    EXPECT_TRUE(m_modem.Recorder().HasEvent("device unplugged"));
    EXPECT_TRUE(m_modem.Recorder().HasEvent("device plugged in"));

    // A hung-up device comes back the same way.
    m_modem.HangUp();
    m_port.Close();
    ASSERT_TRUE(m_modem.Plug(error)) << error;
    ASSERT_TRUE(m_port.Open(link));
    EXPECT_TRUE(m_port.Exchange(0x81, {0}, reply));
}

TEST_F(SimTelModemTest, UnansweredCallGivesUpAfterItsSignals) {
    m_modem.Call(std::make_shared<CSimP100Phone>(), SSimRingPlan{2, 50, 50});
    EXPECT_TRUE(m_modem.Recorder().WaitForEvent("caller gave up after 2", 2000));
    EXPECT_EQ(m_modem.CallsWaiting(), 0u);
    EXPECT_TRUE(m_modem.Recorder().HasEvent("ring signal 2"));
}

} // namespace
