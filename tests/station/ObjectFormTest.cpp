// The object dialog's logic against a real database: validation, modes, the save question, the
// reactions to every reply, and that nothing the operator typed is lost when a save fails.
#include "ObjectForm.h"
#include "RegisterTestSupport.h"

#include "CustomerInfoMsg.h"
#include "DbResults.h"
#include "MsgKinds.h"
#include "ObjectInfoReqMsg.h"

#include <gtest/gtest.h>

namespace {

using EField = IObjectFormView::EField;
using EResult = IFrontEnd::EResult;
using EIcon = IFrontEnd::EIcon;

class CFakeObjectView : public IObjectFormView {
public:
    void ShowForm() override { ++forms; }
    void SelectField(EField field) override { selected.push_back(field); }
    bool IsShown() const override { return shown; }
    void ShowAndRaise() override { shown = true; }
    void HideForm() override { shown = false; }
    IFrontEnd::EResult Ask(const std::string& text, IFrontEnd::EButtons buttons,
                           IFrontEnd::EIcon icon) override {
        return asks.Ask(text, buttons, icon);
    }
    void Beep() override { ++beeps; }
    void ShowObjectList(std::unique_ptr<CObjectInfoMsg> l, const std::string& p) override {
        ++lists;
        list = std::move(l);
        preset = p;
        listShown = true;
    }
    bool ObjectListShown() const override { return listShown; }

    CAskRecorder asks;
    std::vector<EField> selected;
    bool shown = false;
    bool listShown = false;
    int forms = 0;
    int beeps = 0;
    int lists = 0;
    std::unique_ptr<CObjectInfoMsg> list;
    std::string preset;
};

class ObjectFormTest : public ::testing::Test {
protected:
    void Pump() {
        m_db.Pump([this](MsgPtr reply) { return m_form.OnReply(std::move(reply)); });
    }
    std::unique_ptr<CObjectInfoMsg> Stored(const std::string& idCode) {
        MsgPtr reply = m_db.db.Request(std::make_unique<CObjectInfoReqMsg>(
            MsgKind::DB_OBJECT_FIND, CObjectInfoReqMsg::BY_IDCODE, idCode, MsgKind::UI_OBJECT_REPLY));
        auto object = MsgCast<CObjectInfoMsg>(reply);
        return object && object->Status == ObjectResult::FIND_BY_ID ? std::move(object) : nullptr;
    }
    // A new object typed in and added.
    void AddObject(const std::string& idCode, const std::string& phone, const std::string& idInfo) {
        m_form.FileNew();
        m_form.Fields().IdCode = idCode;
        m_form.Fields().PhoneNumber = phone;
        m_form.Fields().IdInfo = idInfo;
        m_form.OnAdd();
        Pump();
        ASSERT_NE(Stored(idCode), nullptr);
        m_view.HideForm();
    }

    CRegisterDb m_db;
    CFakeObjectView m_view;
    CFakeClock m_clock;
    CObjectForm m_form{m_view, m_db.Sender(), m_clock};
};

TEST_F(ObjectFormTest, EveryRuleRefusesWhatItShouldWithItsMessageAndField) {
    const auto problems = [this](const SObjectFields& f) {
        m_form.Fields() = f;
        std::vector<EField> fields;
        for (const auto& p : m_form.Problems()) {
            fields.push_back(p.field);
        }
        return fields;
    };
    SObjectFields f;
    for (const char* good : {"123456", "12345678", "+46", "+4670123456"}) {
        f.IdCode = good;
        EXPECT_TRUE(problems(f).empty()) << good;
    }
    for (const char* bad : {"", "12345", "123456789", "+", "12a456", " 123456"}) {
        f.IdCode = bad;
        EXPECT_EQ(problems(f), std::vector<EField>{EField::IdCode}) << bad;
    }
    f.IdCode = "123456";
    f.PhoneNumber = "0701234567";
    EXPECT_EQ(problems(f), std::vector<EField>{EField::PhoneNumber});
    f.PhoneNumber = "+46701234567";
    f.MailAddrTech = "anna@lift.se, bo@lift.se;";
    f.SmsNumTech = "+46701234567,0701234567";
    f.SmsNumEmg = "+46 70 123 45 67";
    EXPECT_TRUE(problems(f).empty());
    for (const char* bad : {"a@b.se,,c@d.se", "@lift.se", "anna@", "a@", ";a@b.se"}) {
        f.MailAddrTech = bad;
        EXPECT_EQ(problems(f), std::vector<EField>{EField::MailTech}) << bad;
    }
    f.MailAddrTech.clear();
    f.SmsNumEmg = "+46-70";
    EXPECT_EQ(problems(f), std::vector<EField>{EField::SmsEmg});

    // Both e-mail fields wrong: two messages in a row, the focus ends in the emergency field, and
    // nothing is sent.
    m_form.FileNew();
    m_form.Fields().IdCode = "123456";
    m_form.Fields().MailAddrTech = "nobody";
    m_form.Fields().MailAddrEmg = "x@";
    m_form.OnAdd();
    EXPECT_EQ(m_view.asks.Texts(),
              (std::vector<std::string>{"The 'Technical Alarms' E-Mail field contains invalid addresses",
                                        "The 'Emergency Alarms' E-Mail field contains invalid addresses"}));
    EXPECT_EQ(m_view.asks.asked[0].icon, EIcon::Warning);
    EXPECT_EQ(m_view.selected.back(), EField::MailEmg);
    EXPECT_EQ(m_db.Waiting(), 0u);
}

TEST_F(ObjectFormTest, AnObjectTypedInIsAddedFoundAndEditedWithItsTextsUnchanged) {
    // A customer to be attached when the object is found.
    auto customer = std::make_unique<CCustomerInfoMsg>(MsgKind::DB_CUSTOMER_ADD);
    customer->Name = "Bostäder i Gävle";
    customer->Info = "Förvaltare: Åsa";
    m_db.db.Request(std::move(customer));

    m_form.FileNew();
    EXPECT_TRUE(m_view.shown);
    EXPECT_EQ(m_form.Mode(), CObjectForm::EMode::Adding);
    EXPECT_STREQ(m_form.CaptionTag(), "IDS_OBJECTINFODLG_MSG_2");
    EXPECT_TRUE(m_form.AddEnabled());
    EXPECT_FALSE(m_form.SaveEnabled());
    EXPECT_TRUE(m_form.Fields().AlarmPopUp);
    EXPECT_FALSE(m_form.Changed());
    SObjectFields& f = m_form.Fields();
    f.IdCode = "12345678";
    f.PhoneNumber = "+46701234567";
    f.IdInfo = "Hiss 1, Storgatan 3 \"Ö\"";
    f.Address = "Strandvägen 5, Malmö";
    f.Days = 7;
    f.MailAddrTech = "tekniker@hiss.se";
    f.SmsNumEmg = "+46709999999";
    f.Notes = std::string(300, 'x') + "ß\r\néé";
    f.ElevatorType = "Kone 'MonoSpace'";
    f.Customer = "Bostäder i Gävle";
    EXPECT_TRUE(m_form.Changed());
    const SObjectFields typed = f;
    m_form.OnAdd();
    Pump();
    EXPECT_EQ(m_view.asks.Texts(), std::vector<std::string>{"Object saved!"});
    EXPECT_EQ(m_view.asks.asked[0].icon, EIcon::Information);
    // Cleared for the next object.
    EXPECT_EQ(m_form.Fields().IdCode, "");
    EXPECT_FALSE(m_form.Changed());

    // Close asks nothing now; File > Open lists the register.
    EXPECT_TRUE(m_form.OnClose());
    EXPECT_FALSE(m_view.shown);
    m_form.FileOpen();
    Pump();
    ASSERT_NE(m_view.list, nullptr);
    EXPECT_EQ(m_view.list->Status, ObjectResult::FIND_LIST);
    EXPECT_EQ(m_view.list->IdInfo, typed.IdInfo);
    // Opened from the list: editing, every field as typed, the customer's information attached.
    m_form.OpenFromList("12345678");
    Pump();
    EXPECT_TRUE(m_view.shown);
    EXPECT_EQ(m_form.Mode(), CObjectForm::EMode::Editing);
    EXPECT_STREQ(m_form.CaptionTag(), "IDS_OBJECTINFODLG_MSG_1");
    EXPECT_TRUE(m_form.IdCodeReadOnly());
    SObjectFields expected = typed;
    expected.CustomerInfo = "Förvaltare: Åsa";
    EXPECT_EQ(m_form.Fields(), expected);
    EXPECT_FALSE(m_form.Changed());

    // Edit and save; the snapshot follows the reply.
    m_form.Fields().Address = "Kungsgatan 9";
    m_form.OnSave();
    EXPECT_TRUE(m_form.Changed());
    Pump();
    EXPECT_EQ(m_view.asks.Texts().back(), "Data saved!");
    EXPECT_FALSE(m_form.Changed());
    EXPECT_EQ(Stored("12345678")->Address, "Kungsgatan 9");
    EXPECT_EQ(Stored("12345678")->Notes, typed.Notes);

    // Closing a form opened from the list brings the list back.
    const int lists = m_view.lists;
    m_view.listShown = false;
    EXPECT_TRUE(m_form.OnClose());
    Pump();
    EXPECT_EQ(m_view.lists, lists + 1);
    EXPECT_EQ(m_view.preset, "12345678");
}

TEST_F(ObjectFormTest, TheSaveQuestionsThreeAnswersAndAFailedSaveThatKeepsTheForm) {
    AddObject("11111111", "+46700000001", "First");
    m_form.OpenByKey("11111111", false);
    Pump();
    ASSERT_EQ(m_form.Mode(), CObjectForm::EMode::Editing);
    m_view.asks.asked.clear();

    // Unchanged: no question.
    m_form.OnNew();
    EXPECT_TRUE(m_view.asks.asked.empty());
    EXPECT_EQ(m_form.Mode(), CObjectForm::EMode::Adding);

    m_form.Fields().IdCode = "22222222";
    m_form.Fields().IdInfo = "Second";
    // Cancel stays, nothing sent.
    m_view.asks.answers = {EResult::Cancel};
    EXPECT_FALSE(m_form.OnClose());
    EXPECT_EQ(m_view.asks.Texts(), std::vector<std::string>{"Add Object Info?"});
    EXPECT_EQ(m_view.asks.asked[0].buttons, IFrontEnd::EButtons::YesNoCancel);
    EXPECT_TRUE(m_view.shown);
    EXPECT_EQ(m_db.Waiting(), 0u);

    // Yes with a telephone number that another object has: the save is refused, the dialog stays
    // with everything as typed, the number selected, and the question comes again.
    m_form.Fields().PhoneNumber = "+46700000001";
    const SObjectFields typed = m_form.Fields();
    m_view.asks.answers = {EResult::Yes};
    EXPECT_FALSE(m_form.OnClose());
    EXPECT_TRUE(m_view.shown);
    Pump();
    EXPECT_EQ(m_view.asks.Texts().back(),
              "Telephone number '+46700000001' already exists, delete the current item "
              "or use another number");
    EXPECT_EQ(m_view.asks.asked.back().icon, EIcon::Warning);
    EXPECT_EQ(m_view.selected.back(), EField::PhoneNumber);
    EXPECT_TRUE(m_view.shown);
    EXPECT_EQ(m_form.Fields(), typed);
    EXPECT_TRUE(m_form.Changed());
    EXPECT_EQ(Stored("22222222"), nullptr);

    // An ID code that exists: the same, with the ID code selected.
    m_form.Fields().PhoneNumber.clear();
    m_form.Fields().IdCode = "11111111";
    m_form.OnAdd();
    Pump();
    EXPECT_EQ(m_view.asks.Texts().back(),
              "ID-Code '11111111' already exists, delete the current item or use another ID-Code");
    EXPECT_EQ(m_view.selected.back(), EField::IdCode);
    EXPECT_TRUE(m_form.Changed());

    // No closes without saving.
    m_view.asks.answers = {EResult::No};
    EXPECT_TRUE(m_form.OnClose());
    EXPECT_FALSE(m_view.shown);
    EXPECT_EQ(m_db.Waiting(), 0u);

    // Yes that saves: the dialog closes only once the reply said so.
    m_form.FileNew();
    m_form.Fields().IdCode = "+4633";
    m_view.asks.answers = {EResult::Yes};
    EXPECT_FALSE(m_form.OnClose());
    EXPECT_TRUE(m_view.shown);
    Pump();
    EXPECT_FALSE(m_view.shown);
    EXPECT_NE(Stored("+4633"), nullptr);
}

TEST_F(ObjectFormTest, EditReplyCodesCopyObjectAndDelete) {
    AddObject("33333333", "+46700000003", "Third");
    AddObject("44444444", "+46700000004", "Fourth");
    m_form.OpenByKey("+46700000004", true);
    Pump();
    ASSERT_EQ(m_form.Fields().IdCode, "44444444");

    // Editing to another object's number: 11.
    m_form.Fields().PhoneNumber = "+46700000003";
    m_form.OnSave();
    Pump();
    EXPECT_EQ(m_view.asks.Texts().back(), "Duplicate Phone Number: +46700000003");
    EXPECT_EQ(m_view.selected.back(), EField::PhoneNumber);
    EXPECT_TRUE(m_form.Changed());

    // Copy Object: a new object with everything but the keys, not counted as a change.
    m_form.Fields().PhoneNumber = "+46700000004";
    m_form.Fields().Days = 30;
    m_form.OnCopy();
    EXPECT_EQ(m_form.Mode(), CObjectForm::EMode::Adding);
    EXPECT_EQ(m_form.Fields().IdCode, "");
    EXPECT_EQ(m_form.Fields().PhoneNumber, "");
    EXPECT_EQ(m_form.Fields().IdInfo, "Fourth");
    EXPECT_FALSE(m_form.Changed());
    m_form.Fields().IdCode = "55555555";
    m_form.OnAdd();
    Pump();
    ASSERT_NE(Stored("55555555"), nullptr);
    EXPECT_EQ(Stored("55555555")->Days, 30);
    EXPECT_EQ(Stored("55555555")->IdInfo, "Fourth");

    // Delete: No keeps it, Yes deletes it and clears the form.
    m_view.HideForm();
    m_form.OpenByKey("55555555", false);
    Pump();
    m_view.asks.answers = {EResult::No};
    m_form.OnDelete();
    EXPECT_EQ(m_view.asks.Texts().back(), "Delete Object Info?");
    EXPECT_EQ(m_db.Waiting(), 0u);
    m_view.asks.answers = {EResult::Yes};
    m_form.OnDelete();
    EXPECT_EQ(m_form.Mode(), CObjectForm::EMode::Adding);
    EXPECT_TRUE(m_view.shown);
    Pump();
    EXPECT_EQ(Stored("55555555"), nullptr);

    // Replies that tell of an object that is gone.
    auto reply = std::make_unique<CDatabaseMsg>(MsgKind::UI_OBJECT_REPLY, ObjectResult::DELETE_NOT_FOUND);
    EXPECT_EQ(m_form.OnReply(std::move(reply)), nullptr);
    EXPECT_EQ(m_view.asks.Texts().back(), "Error, Object not found in Database!");
    EXPECT_EQ(m_view.asks.asked.back().icon, EIcon::Error);
    EXPECT_NE(m_form.OnReply(std::make_unique<CDatabaseMsg>(MsgKind::UI_EXPORT_OBJECT_REPLY, 7)), nullptr);
}

TEST_F(ObjectFormTest, EntryPointsOfTheMenuAndTheAlarmDialog) {
    // Save while hidden only beeps.
    m_form.FileSave();
    EXPECT_EQ(m_view.beeps, 1);
    EXPECT_EQ(m_db.Waiting(), 0u);
    // A new object for an alarm's ID code.
    m_form.NewWithIdCode("87654321");
    EXPECT_TRUE(m_view.shown);
    EXPECT_EQ(m_form.Fields().IdCode, "87654321");
    EXPECT_FALSE(m_form.Changed());
    // While shown, every entry beeps and only raises it.
    m_form.FileNew();
    m_form.FileOpen();
    m_form.OpenByKey("87654321", false);
    EXPECT_EQ(m_view.beeps, 4);
    EXPECT_EQ(m_db.Waiting(), 0u);
    // File > Save validates and adds.
    m_form.FileSave();
    Pump();
    EXPECT_NE(Stored("87654321"), nullptr);
    // An empty register opens an empty list.
    m_view.HideForm();
    m_view.listShown = false;
    CRegisterDb empty;
    CObjectForm other(m_view, empty.Sender(), m_clock);
    other.FileOpen();
    empty.Pump([&](MsgPtr reply) { return other.OnReply(std::move(reply)); });
    EXPECT_TRUE(m_view.listShown);
    EXPECT_EQ(m_view.list, nullptr);
}

} // namespace
