#include "SendSmsState.h"

#include "Dictionary.h"
#include "GsmMgr.h"
#include "RecordingFrontEnd.h"
#include "Translate.h"

#include <gtest/gtest.h>

namespace {

class SendSmsStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dictionary.Load());
        ASSERT_TRUE(dictionary.SetLanguage("en"));
        dictionary.InstallAsTranslator();
    }
    void TearDown() override { Text::SetTranslator({}); }

    std::vector<std::string> Statuses(const CSendSmsState& state) const {
        std::vector<std::string> rows;
        for (const auto& row : state.Rows()) {
            rows.push_back(row.Status);
        }
        return rows;
    }

    CDictionary dictionary;
    CFakeClock clock{1000};
    CSettings settings;
    CRecordingFrontEnd frontEnd;
};

using Rows = std::vector<std::string>;

} // namespace

TEST_F(SendSmsStateTest, ASendWithGsmOffTimesOutAfterFifteenSecondsAndALateReportStillCounts) {
    settings.GsmEnabled = 0;
    CGsmMgr gsm(settings, frontEnd, clock);
    CSendSmsState state(clock);
    int added = 0;
    state.BeforeRowAdded = [&] { EXPECT_EQ(state.Rows().size(), static_cast<std::size_t>(added)); };
    state.AfterRowAdded = [&] { ++added; };

    // Refused sends leave no row and no wait.
    EXPECT_EQ(state.Send(gsm, "", "Hello"), CSendSmsState::ESend::NoNumber);
    EXPECT_STREQ(CSendSmsState::RefusalTag(CSendSmsState::ESend::NoNumber), "IDS_SENDSMSDLG_MSG_5");
    EXPECT_EQ(state.Send(gsm, "+4670-1234567", "Hello"), CSendSmsState::ESend::InvalidNumbers);
    EXPECT_STREQ(CSendSmsState::RefusalTag(CSendSmsState::ESend::InvalidNumbers), "IDS_SENDSMSDLG_MSG_4");
    EXPECT_TRUE(state.Rows().empty());
    EXPECT_TRUE(state.SendEnabled());

    // A plus-sign number and a plain one, separated by a semicolon and a blank.
    clock.SetNow({2024, 3, 5, 7, 4, 9, 42, 2});
    EXPECT_EQ(state.Send(gsm, "+46701234567; 0701234567", "Hello"), CSendSmsState::ESend::Posted);
    EXPECT_EQ(CSendSmsState::RefusalTag(CSendSmsState::ESend::Posted), nullptr);
    EXPECT_EQ(Statuses(state), (Rows{"Message posted to GsmHandler!"}));
    EXPECT_EQ(state.Rows()[0].Time, "07:04:09:042");
    EXPECT_FALSE(state.SendEnabled());
    EXPECT_EQ(gsm.Handler().PendingMessages(), 0u); // GSM is off: nothing goes out

    clock.Advance(14999);
    EXPECT_FALSE(state.Poll());
    EXPECT_EQ(state.TimeLeft(), 1u);
    EXPECT_TRUE(state.Waiting());
    clock.Advance(1);
    EXPECT_TRUE(state.Poll());
    EXPECT_FALSE(state.Poll()); // once only
    EXPECT_TRUE(state.SendEnabled());
    EXPECT_EQ(state.TimeLeft(), 0u);
    EXPECT_EQ(Statuses(state), (Rows{"Timeout sending SMS message", "Message posted to GsmHandler!"}));
    EXPECT_EQ(state.Rows()[0].Time, "07:04:24:042");

    // A report after the time-out still adds its row.
    EXPECT_EQ(state.OnReport(8, "+46701234567"), IFrontEnd::EBeep::Default);
    EXPECT_EQ(Statuses(state)[0], "Message to no: +46701234567 sent to GSM Network!");
    EXPECT_EQ(added, 3);
}

TEST_F(SendSmsStateTest, TheFirstReportEndsTheWaitAndEveryReportAddsItsRow) {
    settings.GsmEnabled = 1;
    CGsmMgr gsm(settings, frontEnd, clock);
    CSendSmsState state(clock);

    // An empty message is sent as it is.
    EXPECT_EQ(state.Send(gsm, "+46701234567,+46707654321", ""), CSendSmsState::ESend::Posted);
    EXPECT_EQ(gsm.Handler().PendingMessages(), 1u);
    clock.Advance(3000);
    EXPECT_EQ(state.OnReport(7, "+46701234567"), std::nullopt); // not a send report
    EXPECT_TRUE(state.Waiting());
    EXPECT_EQ(state.OnReport(9, "+46701234567"), IFrontEnd::EBeep::Exclamation);
    EXPECT_FALSE(state.Waiting());
    EXPECT_EQ(state.OnReport(8, "+46707654321"), IFrontEnd::EBeep::Default);
    clock.Advance(20000);
    EXPECT_FALSE(state.Poll());
    EXPECT_EQ(Statuses(state), (Rows{"Message to no: +46707654321 sent to GSM Network!",
                                     "Error, Message to no: +46701234567 could not be sent!",
                                     "Message posted to GsmHandler!"}));

    // The next send waits anew, also across the wrap of the millisecond tick.
    clock.SetTick(0xFFFFF000u);
    EXPECT_EQ(state.Send(gsm, "+46701234567", "Again"), CSendSmsState::ESend::Posted);
    EXPECT_EQ(gsm.Handler().PendingMessages(), 2u);
    clock.Advance(14999);
    EXPECT_FALSE(state.Poll());
    clock.Advance(1);
    EXPECT_TRUE(state.Poll());
    EXPECT_EQ(state.Rows().size(), 5u);
}
