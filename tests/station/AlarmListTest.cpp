#include "AlarmList.h"
#include "AlarmInfoReqMsg.h"
#include "DbResults.h"
#include "MsgKinds.h"
#include "RecordingFrontEnd.h"
#include "TelHandlerMsg.h"
#include "TempDir.h"
#include "Translate.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// English texts of the tags these tests look at.
const std::map<std::string, std::string> kTexts = {
    {"IDS_MAINVIEW_MSG_17", "Voice"},
    {"IDS_MAINVIEW_MSG_20", "Test"},
    {"IDS_MAINVIEW_MSG_27", "Delete Alarm Info?"},
    {"IDS_EVENTMSGDLG_MSG_13", "TEST SUCCESSFUL"},
    {"IDS_EVENTMSGDLG_MSG_11", "OPERATIONAL FAILURE ALARM"},
    {"IDS_EVENTMSGDLG_MSG_24", "Alarm Type:"},
    {"IDS_EVENTMSGDLG_MSG_26", "Battery Info"},
    {"IDS_EVENTMSGDLG_MSG_33", "Acknowledged by:"},
    {"IDS_EVENTMSGDLG_MSG_34", "Acknowledged by:"},
    {"IDS_EVENTMSGDLG_MSG_35", "Finished by:"},
    {"IDS_EVENTMSGDLG_MSG_3", "Status: Finished"},
    {"IDS_EVENTMSGDLG_PICK_UP_PHONE", "PICK UP PHONE"},
    {"IDS_EVENTMSGDLG_CALL_TIMEOUT", "CALL TIMEOUT"},
    {"IDS_MAINVIEW_MSG_35", "The alarm is no longer in the alarm log."},
    {"IDS_MAINVIEW_MSG_36", "NOT STORED:"},
};

struct CHost : IAlarmListHost {
    std::vector<MsgPtr> requests;
    std::vector<MsgPtr> telephone;
    std::vector<std::uint32_t> forwarded;
    CSettings settings;
    CFakeClock clock;

    void DbRequest(MsgPtr request) override { requests.push_back(std::move(request)); }
    void SendToTelephone(MsgPtr msg) override { telephone.push_back(std::move(msg)); }
    void ForwardAlarm(const CAlarmInfoMsg& alarm) override { forwarded.push_back(alarm.PrimaryKey); }
    std::string CurrentOperator() const override { return "Eva"; }
    CSettings& Settings() override { return settings; }
    const IClock& Clock() const override { return clock; }

    // The relay states of the last two relay requests.
    std::pair<int, int> Relays() const {
        int r[2] = {-1, -1};
        for (const auto& m : telephone) {
            if (m->Kind == MsgKind::TEL_SET_RELAY) {
                auto* t = static_cast<CTelHandlerMsg*>(m.get());
                r[t->RelayNo] = t->Flag;
            }
        }
        return {r[0], r[1]};
    }
};

struct CView : IAlarmView {
    int listChanges = 0;
    int alerts = 0;
    std::vector<CAlarmDialog*> opened;
    void ListChanged() override { ++listChanges; }
    void DialogOpened(CAlarmDialog& d) override { opened.push_back(&d); }
    void PlayAlertSound() override { ++alerts; }
};

std::unique_ptr<CAlarmInfoMsg> Alarm(std::uint32_t key, int type, int status, std::uint16_t code) {
    auto a = std::make_unique<CAlarmInfoMsg>(MsgKind::UI_ALARM_RECORD, code);
    a->PrimaryKey = key;
    a->AlarmType = static_cast<std::uint8_t>(type);
    a->AlarmStatus = static_cast<std::uint8_t>(status);
    a->AlarmSource = CAlarmInfoMsg::ALARMSOURCE_TEL;
    a->IdCode = std::to_string(10000000 + key);
    a->AlarmTime = CDateTime::FromLocal(2024, 3, 5, 7, 4, static_cast<int>(key % 60));
    return a;
}

class AlarmListTest : public ::testing::Test {
protected:
    void SetUp() override {
        Text::SetTranslator([](const std::string& tag) {
            auto it = kTexts.find(tag);
            return it != kTexts.end() ? it->second : tag;
        });
        dir.UseAsSettingsFolder();
        dir.Enter();
        host.settings.Load();
        host.settings.ExtRelayCtrl = 1;
    }
    void TearDown() override { Text::SetTranslator({}); }

    // Answers the last list request with `count` alarms of the given status.
    void FillWith(int count, int status = 3) {
        std::unique_ptr<CAlarmInfoMsg> head;
        CAlarmInfoMsg* tail = nullptr;
        for (int i = 1; i <= count; ++i) {
            auto a = Alarm(static_cast<std::uint32_t>(i), 1, status, AlarmResult::FIND_LIST);
            CAlarmInfoMsg* raw = a.get();
            if (!head) {
                head = std::move(a);
            } else {
                tail->Next = std::move(a);
            }
            tail = raw;
        }
        list.OnAlarmReply(std::move(head));
    }

    const CAlarmInfoReqMsg* LastFind() const {
        for (auto it = host.requests.rbegin(); it != host.requests.rend(); ++it) {
            if ((*it)->Kind == MsgKind::DB_ALARM_FIND) {
                return static_cast<CAlarmInfoReqMsg*>(it->get());
            }
        }
        return nullptr;
    }

    CTempDir dir;
    CHost host;
    CRecordingFrontEnd frontEnd;
    CView view;
    CAlarmList list{host, frontEnd, view};
};

} // namespace

TEST_F(AlarmListTest, RefreshAsksForTheNewestAlarmsThroughTheFilter) {
    list.Refresh();
    ASSERT_NE(LastFind(), nullptr);
    EXPECT_EQ(LastFind()->Type, CAlarmInfoReqMsg::FIND_BY_STATUS);
    EXPECT_EQ(LastFind()->MaxCount, 200);
    EXPECT_EQ(LastFind()->StatusMask, 0x0F);
    EXPECT_EQ(LastFind()->ReplyKind, MsgKind::UI_ALARM_RECORD);
    for (int bit = 0; bit < 4; ++bit) {
        list.ToggleFilter(bit);
    }
    EXPECT_EQ(LastFind()->StatusMask, 0);
    list.OnAlarmReply(std::make_unique<CAlarmInfoMsg>(MsgKind::UI_ALARM_RECORD, AlarmResult::FIND_NONE));
    EXPECT_TRUE(list.Rows().empty());
}

TEST_F(AlarmListTest, RowsShowTheFormattedCells) {
    auto a = Alarm(7, 3, 1, AlarmResult::FIND_LIST);
    a->IdInfo = "Storgatan 1";
    list.OnAlarmReply(std::move(a));
    ASSERT_EQ(list.Rows().size(), 1u);
    const SAlarmRow& row = list.Rows()[0];
    EXPECT_EQ(row.statusText, "  1");
    EXPECT_EQ(row.typeText, "Voice");
    EXPECT_EQ(row.idCode, "10000007");
    EXPECT_EQ(row.idInfo, "Storgatan 1");
    EXPECT_EQ(row.timeText, "24-03-05     07:04:07");
    EXPECT_EQ(CAlarmList::StatusText(9), "Undef");
    EXPECT_EQ(CAlarmList::TypeText(1), "P100");
}

TEST_F(AlarmListTest, NewAlarmsBeyondTheLimitPlusTenTriggerARefresh) {
    host.settings.MaxAlarmlistItems = 100;
    list.Refresh();
    FillWith(100);
    const std::size_t finds = host.requests.size();
    for (std::uint32_t i = 0; i < 10; ++i) {
        list.OnAlarmReply(Alarm(1000 + i, 6, 1, AlarmResult::NEW_ALARM));
    }
    EXPECT_EQ(list.Rows().size(), 110u);
    EXPECT_EQ(host.requests.size(), finds);
    list.OnAlarmReply(Alarm(2000, 6, 1, AlarmResult::NEW_ALARM));
    EXPECT_EQ(list.Rows().size(), 111u);
    ASSERT_EQ(host.requests.size(), finds + 1);
    EXPECT_EQ(LastFind()->MaxCount, 100);
    FillWith(100);
    EXPECT_EQ(list.Rows().size(), 100u);
}

TEST_F(AlarmListTest, SetStatusNeverLowersAndFinishingANewAlarmAcknowledgesItToo) {
    auto a = Alarm(1, 1, 1, AlarmResult::FIND_LIST);
    a->Next = Alarm(2, 1, 3, AlarmResult::FIND_LIST);
    list.OnAlarmReply(std::move(a));
    list.Select(0, true);
    list.Select(1, true);
    host.requests.clear();
    list.SetStatusOfSelection(2);
    ASSERT_EQ(host.requests.size(), 1u);
    auto* edit = static_cast<CAlarmInfoMsg*>(host.requests[0].get());
    EXPECT_EQ(edit->Kind, MsgKind::DB_ALARM_EDIT);
    EXPECT_EQ(edit->PrimaryKey, 1u);
    EXPECT_EQ(edit->AlarmStatus, 2);
    EXPECT_EQ(edit->AckOperator, "Eva");
    EXPECT_FALSE(edit->AckTime.IsNull());
    EXPECT_TRUE(edit->ExecOperator.empty());

    auto b = Alarm(3, 1, 1, AlarmResult::NEW_ALARM);
    host.settings.AlarmPopUpEnabled = 0;
    list.OnAlarmReply(std::move(b));
    for (std::size_t i = 0; i < list.Rows().size(); ++i) {
        list.Select(i, list.Rows()[i].key == 3);
    }
    host.requests.clear();
    list.SetStatusOfSelection(3);
    ASSERT_EQ(host.requests.size(), 1u);
    edit = static_cast<CAlarmInfoMsg*>(host.requests[0].get());
    EXPECT_EQ(edit->AckOperator, "Eva");
    EXPECT_EQ(edit->ExecOperator, "Eva");
    EXPECT_FALSE(edit->ExecTime.IsNull());
}

TEST_F(AlarmListTest, RelaysFollowTheNewAlarmsInTheList) {
    host.settings.VoiceCallEnabled = 0;
    host.settings.AlarmPopUpEnabled = 0;
    list.OnAlarmReply(Alarm(5, CAlarmInfoMsg::ALARMTYPE_VOICE, 1, AlarmResult::NEW_ALARM));
    EXPECT_EQ(host.Relays(), std::make_pair(1, 0));
    list.SelectOnly(0);
    list.SetStatusOfSelection(2);
    EXPECT_EQ(host.Relays(), std::make_pair(0, 0));
    list.OnAlarmReply(Alarm(6, CAlarmInfoMsg::ALARMTYPE_P100, 1, AlarmResult::NEW_ALARM));
    EXPECT_EQ(host.Relays(), std::make_pair(0, 1));

    host.telephone.clear();
    host.settings.ExtRelayCtrl = 0;
    list.OnAlarmReply(Alarm(7, CAlarmInfoMsg::ALARMTYPE_VOICE, 1, AlarmResult::NEW_ALARM));
    EXPECT_TRUE(host.telephone.empty());
}

TEST_F(AlarmListTest, WhichNewAlarmsOpenADialog) {
    host.settings.VoiceCallEnabled = 0;
    list.OnAlarmReply(Alarm(1, CAlarmInfoMsg::ALARMTYPE_TEST, 1, AlarmResult::NEW_ALARM));
    EXPECT_TRUE(view.opened.empty());
    EXPECT_EQ(frontEnd.beeps.size(), 1u);

    list.OnAlarmReply(Alarm(2, CAlarmInfoMsg::ALARMTYPE_VOICE, 1, AlarmResult::NEW_ALARM));
    ASSERT_EQ(view.opened.size(), 1u);
    EXPECT_EQ(view.opened[0]->Mode(), CAlarmDialog::EMode::Viewing);

    auto quiet = Alarm(3, CAlarmInfoMsg::ALARMTYPE_P100, 1, AlarmResult::NEW_ALARM);
    quiet->ObjectFound = true;
    quiet->PopUpEnabled = false;
    list.OnAlarmReply(std::move(quiet));
    EXPECT_EQ(view.opened.size(), 1u);

    host.settings.AlarmPopUpEnabled = 0;
    list.OnAlarmReply(Alarm(4, CAlarmInfoMsg::ALARMTYPE_P100, 1, AlarmResult::NEW_ALARM));
    EXPECT_EQ(view.opened.size(), 1u);

    host.settings.VoiceCallEnabled = 1;
    list.OnAlarmReply(Alarm(5, CAlarmInfoMsg::ALARMTYPE_VOICE, 1, AlarmResult::NEW_ALARM));
    ASSERT_EQ(view.opened.size(), 2u);
    EXPECT_EQ(view.opened[1]->Mode(), CAlarmDialog::EMode::VoiceCall);
    EXPECT_EQ(list.VoiceDialog(), view.opened[1]);
    EXPECT_EQ(frontEnd.beeps.size(), 5u);
}

TEST_F(AlarmListTest, ColumnClicksSortDescendingFirstThenAscending) {
    auto a = Alarm(1, 1, 1, AlarmResult::FIND_LIST);
    a->Next = Alarm(3, 1, 1, AlarmResult::FIND_LIST);
    a->Next->Next = Alarm(2, 1, 1, AlarmResult::FIND_LIST);
    list.OnAlarmReply(std::move(a));
    list.SelectOnly(1);
    const std::uint32_t selected = list.Rows()[1].key;
    list.SortByColumn(2);
    EXPECT_EQ(list.Rows()[0].idCode, "10000003");
    EXPECT_EQ(list.Rows()[2].idCode, "10000001");
    list.SortByColumn(2);
    EXPECT_EQ(list.Rows()[0].idCode, "10000001");
    for (const auto& row : list.Rows()) {
        EXPECT_EQ(row.selected, row.key == selected);
    }
}

TEST_F(AlarmListTest, DeleteAsksAndRemovesTheSelectedRows) {
    list.DeleteSelected();
    EXPECT_EQ(frontEnd.beeps.size(), 1u);
    FillWith(3);
    list.Select(0, true);
    list.Select(2, true);
    frontEnd.answers.push_back(IFrontEnd::EResult::No);
    list.DeleteSelected();
    EXPECT_EQ(list.Rows().size(), 3u);
    host.requests.clear();
    frontEnd.answers.push_back(IFrontEnd::EResult::Yes);
    list.DeleteSelected();
    EXPECT_EQ(frontEnd.messageBoxes.back().text, "Delete Alarm Info?");
    EXPECT_EQ(list.Rows().size(), 1u);
    ASSERT_EQ(host.requests.size(), 2u);
    EXPECT_EQ(host.requests[0]->Kind, MsgKind::DB_ALARM_DELETE);
}

TEST_F(AlarmListTest, UnattendedModeGreysTheListAndTellsTheTelephone) {
    list.ToggleUnattended();
    EXPECT_TRUE(list.Unattended());
    EXPECT_EQ(list.Background(), Colours::Grey);
    EXPECT_EQ(frontEnd.messageBoxes.size(), 1u);
    auto* msg = static_cast<CTelHandlerMsg*>(host.telephone.back().get());
    EXPECT_EQ(msg->Kind, MsgKind::TEL_UNATTENDED_MODE);
    EXPECT_EQ(msg->Flag, 1);
    list.ToggleUnattended();
    EXPECT_EQ(list.Background(), Colours::White);
    EXPECT_EQ(static_cast<CTelHandlerMsg*>(host.telephone.back().get())->Flag, 0);
}

TEST_F(AlarmListTest, ClosingStoresTheColumnWidths) {
    list.Close({10, 20, 30, 40, 50});
    CSettings again;
    again.Load();
    EXPECT_EQ(again.ColumnWidthStatus, 10);
    EXPECT_EQ(again.ColumnWidthDateTime, 50);
}

// --- the alarm dialog ---

TEST_F(AlarmListTest, DialogTextsFollowTypeStatusAndOpFailKind) {
    auto test = Alarm(1, CAlarmInfoMsg::ALARMTYPE_TEST, 3, AlarmResult::FIND_BY_KEY);
    test->AckOperator = "Eva";
    test->ExecOperator = "Ola";
    test->ExecTime = CDateTime::FromLocal(2024, 3, 6, 8, 0, 0);
    list.OnAlarmReply(std::move(test));
    ASSERT_EQ(view.opened.size(), 1u);
    CAlarmDialog& d = *view.opened[0];
    EXPECT_EQ(d.Title(), "TEST SUCCESSFUL");
    EXPECT_EQ(d.TitleBackground(), Colours::Blue);
    EXPECT_EQ(d.StatusLine(), "Status: Finished");
    EXPECT_EQ(d.StatusBackground(), Colours::Green);
    EXPECT_FALSE(d.AcknowledgeEnabled());
    EXPECT_FALSE(d.FinishEnabled());
    EXPECT_EQ(d.AckLine(), "Acknowledged by:Eva");
    EXPECT_EQ(d.AckTimeText(), "");
    EXPECT_EQ(d.FinishLine(), "Finished by:Ola");
    EXPECT_EQ(d.FinishTimeText(), "24-03-06  08:00:00");

    auto opfail = Alarm(2, CAlarmInfoMsg::ALARMTYPE_OPFAIL, 1, AlarmResult::FIND_BY_KEY);
    opfail->OpFailType = 2;
    opfail->Text.AddLine("line one");
    opfail->Text.AddLine("line two");
    opfail->Notes = "Key at the reception";
    list.OnAlarmReply(std::move(opfail));
    CAlarmDialog& o = *view.opened[1];
    EXPECT_EQ(o.Title(), "OPERATIONAL FAILURE ALARM");
    EXPECT_EQ(o.MessageText(), list.TypeTexts().GetAlarmTypeText(4) +
                                   "\r\nAlarm Type:Battery Info\r\nline one\r\nline two\r\n\r\n"
                                   "IDS_EVENTMSGDLG_MSG_32\r\nKey at the reception\r\n");
    EXPECT_TRUE(o.AcknowledgeEnabled());
}

TEST_F(AlarmListTest, VoiceCallAlertRepeatsOnEachPickUpStateAndSilentStopsIt) {
    host.settings.VoiceCallEnabled = 1;
    list.OnAlarmReply(Alarm(9, CAlarmInfoMsg::ALARMTYPE_VOICE, 1, AlarmResult::NEW_ALARM));
    CAlarmDialog& d = *list.VoiceDialog();
    EXPECT_TRUE(d.SilentEnabled());
    EXPECT_TRUE(d.BlinkTimerRunning());
    list.OnCallEvent(2, 300);
    list.OnCallEvent(2, 300);
    EXPECT_EQ(view.alerts, 1);
    list.OnCallEvent(1, 299);
    list.OnCallEvent(1, 298);
    list.OnCallEvent(2, 295);
    EXPECT_EQ(view.alerts, 2);
    EXPECT_EQ(d.VoicePanelText(), "PICK UP PHONE");
    EXPECT_EQ(d.TimeLeftText(), "04:55");
    for (int i = 0; i < 7; ++i) {
        d.OnBlinkTimer();
    }
    EXPECT_FALSE(d.VoicePanelVisible());
    for (int i = 0; i < 3; ++i) {
        d.OnBlinkTimer();
    }
    EXPECT_TRUE(d.VoicePanelVisible());
    d.OnSilent();
    list.OnCallEvent(1, 294);
    list.OnCallEvent(2, 290);
    EXPECT_EQ(view.alerts, 2);
}

TEST_F(AlarmListTest, ACallTimeoutForwardsTheAlarmAndAFinishedCallDoesNot) {
    host.settings.VoiceCallEnabled = 1;
    list.OnAlarmReply(Alarm(11, CAlarmInfoMsg::ALARMTYPE_VOICE, 1, AlarmResult::NEW_ALARM));
    list.OnCallEvent(2, 300);
    list.OnCallEvent(6, 0);
    EXPECT_EQ(host.forwarded, std::vector<std::uint32_t>{11});
    EXPECT_EQ(list.VoiceDialog(), nullptr);
    EXPECT_EQ(view.opened.back()->VoicePanelBackground(), Colours::Teal);

    list.OnAlarmReply(Alarm(12, CAlarmInfoMsg::ALARMTYPE_VOICE, 1, AlarmResult::NEW_ALARM));
    list.OnCallEvent(3, 400);
    EXPECT_FALSE(list.VoiceDialog()->IgnoreEnabled());
    list.OnCallEvent(4, 0);
    EXPECT_EQ(host.forwarded.size(), 1u);
    EXPECT_EQ(list.VoiceDialog(), nullptr);
}

TEST_F(AlarmListTest, ClosingAVoiceDialogAsksAndCancelKeepsTheCall) {
    host.settings.VoiceCallEnabled = 1;
    list.OnAlarmReply(Alarm(13, CAlarmInfoMsg::ALARMTYPE_VOICE, 1, AlarmResult::NEW_ALARM));
    CAlarmDialog* d = list.VoiceDialog();
    host.telephone.clear();
    frontEnd.answers.push_back(IFrontEnd::EResult::Cancel);
    EXPECT_FALSE(d->OnClose());
    EXPECT_EQ(list.VoiceDialog(), d);
    EXPECT_TRUE(host.telephone.empty());
    frontEnd.answers.push_back(IFrontEnd::EResult::Ok);
    EXPECT_TRUE(d->OnClose());
    ASSERT_EQ(host.telephone.size(), 1u);
    EXPECT_EQ(host.telephone[0]->Kind, MsgKind::TEL_ABORT_VOICE_CALL);
    EXPECT_EQ(list.VoiceDialog(), nullptr);
    EXPECT_TRUE(host.forwarded.empty());
}

TEST_F(AlarmListTest, AcknowledgeFromTheDialogChangesTheRowAndCloses) {
    list.OnAlarmReply(Alarm(21, CAlarmInfoMsg::ALARMTYPE_P100, 1, AlarmResult::NEW_ALARM));
    ASSERT_EQ(view.opened.size(), 1u);
    host.requests.clear();
    view.opened[0]->OnAcknowledge();
    EXPECT_TRUE(view.opened[0]->Closed());
    ASSERT_EQ(host.requests.size(), 1u);
    EXPECT_EQ(list.Rows()[0].statusText, "  2");
    list.Refresh(); // closed dialogs are freed at the next event
    list.OnAlarmReply(std::make_unique<CAlarmInfoMsg>(MsgKind::UI_ALARM_RECORD, AlarmResult::FIND_NONE));
    EXPECT_TRUE(list.Dialogs().empty());
}

// --- alarms that are gone from the log or never reached it ---

TEST_F(AlarmListTest, ViewingAnAlarmNoLongerInTheLogLeavesTheListAndTheRelays) {
    list.Refresh();
    FillWith(3, CAlarmInfoMsg::ALARMSTATUS_NEW);
    EXPECT_EQ(host.Relays(), std::make_pair(0, 1));
    list.SelectOnly(1);
    const std::uint32_t key = list.Rows()[1].key;
    list.View();
    ASSERT_EQ(LastFind()->Type, CAlarmInfoReqMsg::FIND_BY_KEY);
    EXPECT_EQ(LastFind()->PrimaryKey, key);

    // Deleted or purged meanwhile: the search by key names the key and finds nothing.
    host.telephone.clear();
    auto none = std::make_unique<CAlarmInfoMsg>(MsgKind::UI_ALARM_RECORD, AlarmResult::FIND_NONE);
    none->PrimaryKey = key;
    list.OnAlarmReply(std::move(none));
    ASSERT_EQ(frontEnd.messageBoxes.size(), 1u);
    EXPECT_EQ(frontEnd.messageBoxes[0].text, "The alarm is no longer in the alarm log.");
    EXPECT_EQ(list.Rows().size(), 3u);
    EXPECT_TRUE(host.telephone.empty()); // the relays stay on
    EXPECT_TRUE(view.opened.empty());

    // A list search that finds nothing still empties the list.
    list.OnAlarmReply(std::make_unique<CAlarmInfoMsg>(MsgKind::UI_ALARM_RECORD, AlarmResult::FIND_NONE));
    EXPECT_TRUE(list.Rows().empty());
    EXPECT_EQ(host.Relays(), std::make_pair(0, 0));
}

TEST_F(AlarmListTest, AlarmsThatCouldNotBeStoredStayListedAndAreNeverHandledByKeyZero) {
    // The database failed twice: both alarms reach the list with key 0 and pop up.
    auto first = Alarm(0, CAlarmInfoMsg::ALARMTYPE_P100, 1, AlarmResult::NEW_ALARM);
    first->IdInfo = "Lift A";
    auto second = Alarm(0, CAlarmInfoMsg::ALARMTYPE_P100, 1, AlarmResult::NEW_ALARM);
    second->IdInfo = "Lift B";
    list.OnAlarmReply(std::move(first));
    list.OnAlarmReply(std::move(second));
    ASSERT_EQ(view.opened.size(), 2u);
    CAlarmDialog& dialogA = *view.opened[0];
    auto row = [&](const std::string& info) {
        for (const auto& r : list.Rows()) {
            if (r.idInfo == "NOT STORED: " + info) {
                return r;
            }
        }
        ADD_FAILURE() << info << " not listed";
        return SAlarmRow{};
    };
    EXPECT_FALSE(row("Lift A").Stored());
    EXPECT_EQ(host.Relays(), std::make_pair(0, 1));

    // Acknowledged in its dialog: only that alarm changes, and nothing is sent to the log.
    host.requests.clear();
    dialogA.OnAcknowledge();
    EXPECT_EQ(row("Lift A").Status(), 2);
    EXPECT_EQ(row("Lift B").Status(), 1);
    EXPECT_EQ(view.opened[1]->Status(), 1);
    EXPECT_EQ(host.Relays(), std::make_pair(0, 1));
    // Finished from the list: the last new alarm is handled, the relay goes off.
    for (std::size_t i = 0; i < list.Rows().size(); ++i) {
        list.Select(i, list.Rows()[i].idInfo == "NOT STORED: Lift B");
    }
    list.SetStatusOfSelection(3);
    EXPECT_EQ(row("Lift B").Status(), 3);
    EXPECT_EQ(host.Relays(), std::make_pair(0, 0));
    EXPECT_TRUE(host.requests.empty());

    // A refresh rebuilds the list from the log; these are not in it and stay, whatever it finds.
    list.Refresh();
    FillWith(2);
    EXPECT_EQ(list.Rows().size(), 4u);
    list.OnAlarmReply(std::make_unique<CAlarmInfoMsg>(MsgKind::UI_ALARM_RECORD, AlarmResult::FIND_NONE));
    ASSERT_EQ(list.Rows().size(), 2u);

    // View shows the list's own record, with what the operator did to it.
    host.requests.clear();
    for (std::size_t i = 0; i < list.Rows().size(); ++i) {
        list.Select(i, list.Rows()[i].idInfo == "NOT STORED: Lift A");
    }
    list.View();
    EXPECT_TRUE(host.requests.empty());
    ASSERT_EQ(view.opened.size(), 3u);
    EXPECT_EQ(view.opened[2]->IdInfo(), "Lift A");
    EXPECT_EQ(view.opened[2]->AckLine(), "Acknowledged by:Eva");

    // Deleted by the operator: gone from the list, no request by key 0.
    frontEnd.answers.push_back(IFrontEnd::EResult::Yes);
    list.DeleteSelected();
    EXPECT_TRUE(host.requests.empty());
    ASSERT_EQ(list.Rows().size(), 1u);
    EXPECT_EQ(list.Rows()[0].idInfo, "NOT STORED: Lift B");
}

// --- two voice calls ---

TEST_F(AlarmListTest, ANewVoiceCallTakesTheCallEventsAndTheOldAlarmIsForwardedUnlessFinished) {
    host.settings.VoiceCallEnabled = 1;
    list.OnAlarmReply(Alarm(31, CAlarmInfoMsg::ALARMTYPE_VOICE, 1, AlarmResult::NEW_ALARM));
    CAlarmDialog* first = list.VoiceDialog();
    list.OnCallEvent(2, 300);
    list.OnCallEvent(3, 480);
    // Its end event never comes; the next voice alarm means that call is over.
    list.OnAlarmReply(Alarm(32, CAlarmInfoMsg::ALARMTYPE_VOICE, 1, AlarmResult::NEW_ALARM));
    EXPECT_EQ(host.forwarded, std::vector<std::uint32_t>{31});
    CAlarmDialog* second = list.VoiceDialog();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->Key(), 32u);
    EXPECT_EQ(second->Mode(), CAlarmDialog::EMode::VoiceCall);
    EXPECT_TRUE(first->CallEnded());
    EXPECT_FALSE(first->BlinkTimerRunning());
    EXPECT_FALSE(first->IgnoreEnabled());

    // The new call's events go to the new dialog, and its outcome decides only its own alarm.
    const int alerts = view.alerts;
    list.OnCallEvent(2, 300);
    EXPECT_EQ(view.alerts, alerts + 1);
    EXPECT_EQ(second->VoicePanelText(), "PICK UP PHONE");
    EXPECT_EQ(first->LastCallState(), 3);
    list.OnCallEvent(4, 0);
    EXPECT_EQ(host.forwarded, std::vector<std::uint32_t>{31});
    // Closing the old dialog cannot end anyone's call.
    host.telephone.clear();
    frontEnd.answers.push_back(IFrontEnd::EResult::Ok);
    EXPECT_TRUE(first->OnClose());
    EXPECT_TRUE(host.telephone.empty());

    // A voice alarm the operator finished while its call was on is not forwarded by the next one.
    list.OnAlarmReply(Alarm(33, CAlarmInfoMsg::ALARMTYPE_VOICE, 1, AlarmResult::NEW_ALARM));
    list.OnCallEvent(3, 480);
    for (std::size_t i = 0; i < list.Rows().size(); ++i) {
        list.Select(i, list.Rows()[i].key == 33);
    }
    list.SetStatusOfSelection(3);
    list.OnAlarmReply(Alarm(34, CAlarmInfoMsg::ALARMTYPE_VOICE, 1, AlarmResult::NEW_ALARM));
    EXPECT_EQ(host.forwarded, std::vector<std::uint32_t>{31});
    list.OnCallEvent(6, 0); // nobody answers the newest call
    EXPECT_EQ(host.forwarded, (std::vector<std::uint32_t>{31, 34}));
}
