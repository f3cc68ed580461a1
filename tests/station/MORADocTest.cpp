#include "MORADoc.h"
#include "AlarmInfoMsg.h"
#include "AlarmInfoReqMsg.h"
#include "DbResults.h"
#include "MsgKinds.h"
#include "RecordingFrontEnd.h"
#include "TelHandlerMsg.h"
#include "TempDir.h"
#include "Translate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

namespace {

// A station front end that answers like an operator who picked "Eva", creates the database when
// asked, and records what it was shown.
class CFakeStationFrontEnd : public IStationFrontEnd {
public:
    EResult MessageBox(const std::string& text, EButtons b, EIcon i, int d) override {
        return recorder.MessageBox(text, b, i, d);
    }
    void SetPaneText(int pane, const std::string& text) override { recorder.SetPaneText(pane, text); }
    void AddSystemInfo(const std::string& text, bool toFront) override {
        recorder.AddSystemInfo(text, toFront);
    }
    void Beep(EBeep beep) override { recorder.Beep(beep); }
    EDbMgrAnswer DatabaseMgrDialog(int mode, const std::vector<std::string>&) override {
        return mode == 2 ? EDbMgrAnswer::CreateEmpty : EDbMgrAnswer::Ok;
    }
    void ListChanged() override {}
    void DialogOpened(CAlarmDialog&) override { ++dialogs; }
    void PlayAlertSound() override {}
    void WakeUp() override { ++wakeUps; }
    bool SelectOperator(bool, std::string& name) override {
        ++operatorQuestions;
        if (cancelOperator) {
            return false;
        }
        name = "Eva";
        return true;
    }
    void AlarmShown(const CAlarmInfoMsg& alarm) override { shown.push_back(alarm.PrimaryKey); }
    void CallEvent(std::uint16_t state, std::uint16_t) override { callStates.push_back(state); }
    void RequestClose() override { closeRequested = true; }

    CRecordingFrontEnd recorder;
    std::atomic<int> wakeUps{0};
    int operatorQuestions = 0;
    int dialogs = 0;
    bool cancelOperator = false;
    bool closeRequested = false;
    std::vector<std::uint32_t> shown;
    std::vector<std::uint16_t> callStates;
};

class MORADocTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.UseAsSettingsFolder();
        dir.Enter();
    }

    // Starts a station whose mail and GSM workers are kept still, so that what the core forwards
    // stays in their queues to be counted.
    std::unique_ptr<CMORADoc> StartedDoc() {
        auto doc = std::make_unique<CMORADoc>(frontEnd);
        EXPECT_TRUE(doc->Start());
        doc->MailMgr().Stop();
        doc->Settings().GsmEnabled = 1;
        doc->Settings().MailEnabled = 1;
        Deliver(*doc);
        return doc;
    }

    // Serves every wake-up, as the front end's event loop would.
    static void Deliver(CMORADoc& doc) {
        while (doc.PendingMessages() > 0) {
            doc.OnUserMessage();
        }
    }

    static MsgPtr NewAlarm(int type, std::uint32_t key = 0) {
        auto a = std::make_unique<CAlarmInfoMsg>(MsgKind::UI_ALARM_RECORD, AlarmResult::NEW_ALARM);
        a->AlarmType = static_cast<std::uint8_t>(type);
        a->AlarmStatus = CAlarmInfoMsg::ALARMSTATUS_NEW;
        a->AlarmSource = CAlarmInfoMsg::ALARMSOURCE_TEL;
        a->IdCode = "12345678";
        a->PrimaryKey = key;
        a->AlarmTime = CDateTime::FromLocal(2024, 3, 5, 7, 4, 9);
        a->MailRecipients = "tech@example.com";
        a->SmsRecipients = "+46701234567";
        return a;
    }

    static std::size_t Mails(CMORADoc& doc) { return doc.MailMgr().Handler().PendingMessages(); }
    static std::size_t Sms(CMORADoc& doc) { return doc.GsmMgr().Handler().PendingMessages(); }

    CTempDir dir;
    CFakeStationFrontEnd frontEnd;
};

} // namespace

TEST_F(MORADocTest, CancellingTheOperatorEndsTheStartBeforeAnyManager) {
    frontEnd.cancelOperator = true;
    CMORADoc doc(frontEnd);
    EXPECT_FALSE(doc.Start());
    EXPECT_EQ(frontEnd.operatorQuestions, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("MORA_10.mdb")));
    EXPECT_TRUE(frontEnd.recorder.paneTexts.empty());
}

TEST_F(MORADocTest, AWakeUpWithAnEmptyQueueDoesNothing) {
    CMORADoc doc(frontEnd);
    doc.OnUserMessage();
    doc.PostMsg(std::make_unique<CMsg>(MsgKind::GSM_SMS_RECEIVED)); // never expected here
    EXPECT_EQ(frontEnd.wakeUps, 1);
    doc.OnUserMessage();
    EXPECT_EQ(doc.PendingMessages(), 0u);
}

TEST_F(MORADocTest, VoiceAlarmsAreForwardedOnlyWithoutVoiceCalls) {
    auto doc = StartedDoc();
    doc->Settings().VoiceCallEnabled = 1;
    doc->PostMsg(NewAlarm(CAlarmInfoMsg::ALARMTYPE_VOICE));
    Deliver(*doc);
    EXPECT_EQ(Mails(*doc), 0u);
    EXPECT_EQ(Sms(*doc), 0u);
    ASSERT_NE(doc->AlarmList().VoiceDialog(), nullptr); // kept by the voice-call dialog
    EXPECT_EQ(frontEnd.shown.size(), 1u);

    doc->Settings().VoiceCallEnabled = 0;
    doc->PostMsg(NewAlarm(CAlarmInfoMsg::ALARMTYPE_VOICE));
    Deliver(*doc);
    EXPECT_EQ(Mails(*doc), 1u);
    EXPECT_EQ(Sms(*doc), 1u);
}

TEST_F(MORADocTest, TestAlarmsAreForwardedOnlyWhenAskedAndMaintenanceNever) {
    auto doc = StartedDoc();
    doc->PostMsg(NewAlarm(CAlarmInfoMsg::ALARMTYPE_TEST));
    Deliver(*doc);
    EXPECT_EQ(Mails(*doc), 0u);
    doc->Settings().SendMailAtTestAlarm = 1;
    doc->PostMsg(NewAlarm(CAlarmInfoMsg::ALARMTYPE_TEST));
    Deliver(*doc);
    EXPECT_EQ(Mails(*doc), 1u);
    doc->PostMsg(NewAlarm(CAlarmInfoMsg::ALARMTYPE_MAINTENANCE));
    Deliver(*doc);
    EXPECT_EQ(Mails(*doc), 1u);
    doc->PostMsg(NewAlarm(CAlarmInfoMsg::ALARMTYPE_P100));
    Deliver(*doc);
    EXPECT_EQ(Mails(*doc), 2u);
    EXPECT_EQ(Sms(*doc), 2u);
}

TEST_F(MORADocTest, NewAlarmsAreStoredButATestFailureIsNotStoredAgain) {
    auto doc = StartedDoc();
    doc->PostMsg(NewAlarm(CAlarmInfoMsg::ALARMTYPE_P100));
    Deliver(*doc);
    doc->PostMsg(NewAlarm(CAlarmInfoMsg::ALARMTYPE_TEST_FAIL, 77));
    Deliver(*doc);
    EXPECT_EQ(Mails(*doc), 2u);
    ASSERT_EQ(frontEnd.shown.size(), 2u);
    EXPECT_NE(frontEnd.shown[0], 0u); // the intake gave it its key
    EXPECT_EQ(frontEnd.shown[1], 77u);

    // Only the P100 alarm is in the log.
    doc->AlarmList().Refresh();
    Deliver(*doc);
    ASSERT_EQ(doc->AlarmList().Rows().size(), 1u);
    EXPECT_EQ(doc->AlarmList().Rows()[0].alarmType, CAlarmInfoMsg::ALARMTYPE_P100);
}

TEST_F(MORADocTest, ViewingAnAlarmDeletedFromTheLogKeepsTheListAsItWas) {
    Text::SetTranslator([](const std::string& tag) {
        return tag == "IDS_MAINVIEW_MSG_35" ? std::string("The alarm is no longer in the alarm log.") : tag;
    });
    struct SUntranslate {
        ~SUntranslate() { Text::SetTranslator({}); }
    } untranslate;
    auto doc = StartedDoc();
    doc->Settings().AlarmPopUpEnabled = 0;
    doc->PostMsg(NewAlarm(CAlarmInfoMsg::ALARMTYPE_P100));
    doc->PostMsg(NewAlarm(CAlarmInfoMsg::ALARMTYPE_P100));
    Deliver(*doc);
    CAlarmList& list = doc->AlarmList();
    ASSERT_EQ(list.Rows().size(), 2u);
    const std::uint32_t gone = list.Rows()[1].key;
    // Another station window, or the purge, deleted it from the log.
    auto remove =
        std::make_unique<CAlarmInfoReqMsg>(MsgKind::DB_ALARM_DELETE, CAlarmInfoReqMsg::DELETE_BY_KEY);
    remove->ReplyKind = MsgKind::UI_ALARM_RECORD;
    remove->PrimaryKey = gone;
    doc->DbRequest(std::move(remove));
    Deliver(*doc);

    list.SelectOnly(1);
    list.View();
    Deliver(*doc);
    EXPECT_EQ(list.Rows().size(), 2u);
    EXPECT_EQ(frontEnd.dialogs, 0);
    ASSERT_FALSE(frontEnd.recorder.messageBoxes.empty());
    EXPECT_EQ(frontEnd.recorder.messageBoxes.back().text, "The alarm is no longer in the alarm log.");
}

TEST_F(MORADocTest, CallEventsReachTheFrontEndAndTheVoiceDialog) {
    auto doc = StartedDoc();
    doc->Settings().VoiceCallEnabled = 1;
    doc->PostMsg(NewAlarm(CAlarmInfoMsg::ALARMTYPE_VOICE));
    Deliver(*doc);
    auto event = std::make_unique<CTelHandlerMsg>(MsgKind::TEL_CALL_EVENT);
    event->Value = CAlarmDialog::CALL_TIMEOUT;
    doc->PostMsg(std::move(event));
    Deliver(*doc);
    EXPECT_EQ(frontEnd.callStates, std::vector<std::uint16_t>{CAlarmDialog::CALL_TIMEOUT});
    EXPECT_EQ(Mails(*doc), 1u); // forwarded after the timeout
}

TEST_F(MORADocTest, ASecondStartShowsTheAlarmsOfTheFirst) {
    {
        auto doc = StartedDoc();
        doc->PostMsg(NewAlarm(CAlarmInfoMsg::ALARMTYPE_P100));
        doc->PostMsg(NewAlarm(CAlarmInfoMsg::ALARMTYPE_SMS));
        doc->Shutdown(); // stores what is still queued before the database closes
    }
    CMORADoc again(frontEnd);
    ASSERT_TRUE(again.Start());
    Deliver(again);
    EXPECT_EQ(again.AlarmList().Rows().size(), 2u);
}

TEST_F(MORADocTest, MailGroupChangesShowTheMailState) {
    auto doc = StartedDoc();
    doc->Settings().MailEnabled = 0;
    doc->OnSettingsChanged(SETTINGS_GROUP_MAIL);
    EXPECT_EQ(frontEnd.recorder.Pane(CMORADoc::MAIL_PANE), "*NA*"); // no dictionary in this test
    EXPECT_FALSE(frontEnd.closeRequested);
}
