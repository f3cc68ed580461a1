// The recipients and customer dialogs' logic against a real database: the recipients taken from
// a field, "???" and its later resolution, the register's replies, the result, and the SMS
// register answering the Send SMS dialog's kind.
#include "RecipientList.h"
#include "CustomerChoice.h"
#include "RegisterTestSupport.h"

#include "DbResults.h"
#include "MsgKinds.h"
#include "SmsNumInfoMsg.h"

#include <gtest/gtest.h>

namespace {

using EMode = CRecipientList::EMode;
using EResult = IFrontEnd::EResult;

class CFakeRecipientView : public IRecipientView {
public:
    void ShowLists() override { ++shows; }
    void ScrollToRecipient(int row) override { scrolled = row; }
    IFrontEnd::EResult Ask(const std::string& text, IFrontEnd::EButtons buttons,
                           IFrontEnd::EIcon icon) override {
        return asks.Ask(text, buttons, icon);
    }
    CAskRecorder asks;
    int shows = 0;
    int scrolled = -1;
};

std::vector<std::string> Names(const std::vector<CRecipientList::SEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries) {
        names.push_back(e.Name);
    }
    return names;
}

TEST(RecipientList, NamesFromTheRegisterUnknownKeysAndTheJoinedResult) {
    CRegisterDb db;
    CFakeRecipientView view;
    CRecipientList list(EMode::Mail, view, db.Sender());
    const auto pump = [&] { db.Pump([&](MsgPtr reply) { return list.OnReply(std::move(reply)); }); };

    // Two separators in a row give an empty recipient; a trailing one gives nothing.
    list.Open("anna@hiss.se, okänd@hiss.se;;bo@hiss.se;");
    pump();
    ASSERT_EQ(list.Recipients().size(), 4u);
    EXPECT_EQ(list.Recipients()[1].Key, "okänd@hiss.se");
    EXPECT_EQ(list.Recipients()[2].Key, "");
    EXPECT_EQ(Names(list.Recipients()), (std::vector<std::string>{"???", "???", "???", "???"}));
    EXPECT_TRUE(list.Register().empty());
    EXPECT_FALSE(list.CanAdd());
    EXPECT_FALSE(list.CanRemove());

    // New entries: appended, selected, named in the recipients list.
    list.AddEntry("anna@hiss.se", "Anna Åberg");
    list.AddEntry("bo@hiss.se", "Bo O'Neill");
    pump();
    EXPECT_EQ(view.asks.Texts(), (std::vector<std::string>{"Mail info saved!", "Mail info saved!"}));
    EXPECT_EQ(view.asks.asked[0].icon, IFrontEnd::EIcon::Information);
    EXPECT_EQ(list.SelectedEntry(), 1);
    EXPECT_EQ(Names(list.Recipients()), (std::vector<std::string>{"Anna Åberg", "???", "???", "Bo O'Neill"}));
    // An address already in the register is refused by name.
    list.AddEntry("anna@hiss.se", "Another");
    pump();
    EXPECT_EQ(view.asks.Texts().back(), "Mail address 'anna@hiss.se' already exists, could not save");
    EXPECT_EQ(list.Register().size(), 2u);
    // Adding the unknown address later resolves its "???".
    list.AddEntry("okänd@hiss.se", "Ödön");
    pump();
    EXPECT_EQ(list.Recipients()[1].Name, "Ödön");

    // Edit changes the name in both lists; Delete takes the row and the name away again.
    list.SelectEntry(0);
    list.EditEntry("anna@hiss.se", "Anna B");
    pump();
    EXPECT_EQ(list.Register()[0].Name, "Anna B");
    EXPECT_EQ(list.Recipients()[0].Name, "Anna B");
    list.SelectEntry(2);
    list.OnDelete();
    pump();
    EXPECT_EQ(list.Register().size(), 2u);
    EXPECT_EQ(list.Recipients()[1].Name, "???");
    EXPECT_FALSE(list.CanDelete());

    // Remove the empty recipient, add one from the register, and OK joins the keys.
    list.SelectRecipient(2);
    ASSERT_TRUE(list.CanRemove());
    list.OnRemove();
    list.SelectEntry(1);
    list.OnAdd();
    EXPECT_EQ(view.scrolled, 3);
    EXPECT_EQ(list.Result(), "anna@hiss.se; okänd@hiss.se; bo@hiss.se; bo@hiss.se");

    // A second opening on the same register: names at once from the register's reply; none gives
    // an empty result.
    CRecipientList again(EMode::Mail, view, db.Sender());
    again.Open("bo@hiss.se");
    db.Pump([&](MsgPtr reply) { return again.OnReply(std::move(reply)); });
    EXPECT_EQ(Names(again.Recipients()), std::vector<std::string>{"Bo O'Neill"});
    again.SelectRecipient(0);
    again.OnRemove();
    EXPECT_EQ(again.Result(), "");
    CRecipientList three(EMode::Mail, view, db.Sender());
    three.Open("a@b.se,c@d.se , e@f.se");
    EXPECT_EQ(three.Result(), "a@b.se; c@d.se; e@f.se");
}

TEST(RecipientList, SmsRegisterAnswersTheKindItWasAskedFor) {
    CRegisterDb db;
    CFakeRecipientView view;
    CRecipientList list(EMode::Sms, view, db.Sender(), MsgKind::UI_GSM_SMSNUM_REPLY);
    list.Open("+46701111111");
    ASSERT_EQ(db.Waiting(), 1u);
    EXPECT_EQ(dynamic_cast<const CDatabaseMsg&>(db.Next()).ReplyKind, MsgKind::UI_GSM_SMSNUM_REPLY);
    std::vector<std::uint16_t> kinds;
    const auto pump = [&] {
        db.Pump([&](MsgPtr reply) {
            kinds.push_back(reply->Kind);
            return list.OnReply(std::move(reply));
        });
    };
    pump();
    list.AddEntry("+46701111111", "Jour");
    pump();
    EXPECT_EQ(view.asks.Texts().back(), "SMS Number info saved!");
    EXPECT_EQ(list.Recipients()[0].Name, "Jour");
    list.AddEntry("+46701111111", "Jour");
    pump();
    EXPECT_EQ(view.asks.Texts().back(), "SMS Number '+46701111111' already exists, could not save");
    EXPECT_EQ(kinds, std::vector<std::uint16_t>(3, MsgKind::UI_GSM_SMSNUM_REPLY));
    // The object dialog's kind is not this dialog's.
    EXPECT_NE(
        list.OnReply(std::make_unique<CDatabaseMsg>(MsgKind::UI_SMSNUM_REPLY, RegisterResult::ADD_DONE)),
        nullptr);

    // One address or one number per entry.
    EXPECT_TRUE(CRecipientList::IsValidKey(EMode::Sms, "+46701234567"));
    EXPECT_TRUE(CRecipientList::IsValidKey(EMode::Sms, "0701234567"));
    EXPECT_FALSE(CRecipientList::IsValidKey(EMode::Sms, ""));
    EXPECT_FALSE(CRecipientList::IsValidKey(EMode::Sms, "+46-70"));
    EXPECT_FALSE(CRecipientList::IsValidKey(EMode::Sms, "+46 70"));
    EXPECT_FALSE(CRecipientList::IsValidKey(EMode::Sms, ",4670"));
    EXPECT_TRUE(CRecipientList::IsValidKey(EMode::Mail, "å@ö.se"));
    EXPECT_FALSE(CRecipientList::IsValidKey(EMode::Mail, "a@b.se,c@d.se"));
    EXPECT_FALSE(CRecipientList::IsValidKey(EMode::Mail, "ab@"));
    EXPECT_FALSE(CRecipientList::IsValidKey(EMode::Mail, "@b"));
    EXPECT_FALSE(CRecipientList::IsValidKey(EMode::Mail, "a@b;"));
    EXPECT_EQ(CRecipientList::KeyChars(EMode::Sms), CSmsNumInfoMsg::NUMBER_LENGTH);
}

class CFakeCustomerView : public ICustomerView {
public:
    void ShowCustomers() override { ++shows; }
    IFrontEnd::EResult Ask(const std::string& text, IFrontEnd::EButtons buttons,
                           IFrontEnd::EIcon icon) override {
        return asks.Ask(text, buttons, icon);
    }
    CAskRecorder asks;
    int shows = 0;
};

TEST(CustomerChoice, ChoosingAddingEditingAndDeletingCustomers) {
    CRegisterDb db;
    CFakeCustomerView view;
    CCustomerChoice choice(view, db.Sender());
    const auto pump = [&] { db.Pump([&](MsgPtr reply) { return choice.OnReply(std::move(reply)); }); };

    // An empty register: only the no-customer entry.
    choice.Open("Gone AB");
    pump();
    EXPECT_TRUE(choice.Names().empty());
    EXPECT_EQ(choice.Selection(), CCustomerChoice::NO_CUSTOMER);
    EXPECT_FALSE(choice.CanEdit());

    choice.AddCustomer("Bostäder AB", "Förvaltare\r\nÅsa 'Å' Öberg");
    pump();
    EXPECT_EQ(view.asks.Texts(), std::vector<std::string>{"Customer info saved!"});
    EXPECT_EQ(choice.Names(), std::vector<std::string>{"Bostäder AB"});
    EXPECT_EQ(choice.Selection(), 1);
    EXPECT_EQ(choice.Name(), "Bostäder AB");
    EXPECT_TRUE(choice.CanDelete());
    choice.AddCustomer("Bostäder AB", "other");
    pump();
    EXPECT_EQ(view.asks.Texts().back(),
              "Customer name 'Bostäder AB' already exists, delete the current item or use another name");
    choice.AddCustomer("O'Hara Fastigheter", "");
    pump();

    // Opening on the object's customer chooses it and shows its information from the register.
    CCustomerChoice second(view, db.Sender());
    second.Open("Bostäder AB");
    db.Pump([&](MsgPtr reply) { return second.OnReply(std::move(reply)); });
    EXPECT_EQ(second.Names(), (std::vector<std::string>{"Bostäder AB", "O'Hara Fastigheter"}));
    EXPECT_EQ(second.Selection(), 1);
    EXPECT_EQ(second.Info(), "Förvaltare\r\nÅsa 'Å' Öberg");
    second.EditCustomer("Ny förvaltare");
    db.Pump([&](MsgPtr reply) { return second.OnReply(std::move(reply)); });
    EXPECT_EQ(view.asks.Texts().back(), "Customer Info saved!");
    EXPECT_EQ(second.Info(), "Ny förvaltare");
    // The no-customer entry clears both texts (what Select then hands the object).
    second.Choose(CCustomerChoice::NO_CUSTOMER);
    EXPECT_EQ(second.Name(), "");
    EXPECT_EQ(second.Info(), "");
    EXPECT_FALSE(second.CanEdit());

    // Delete asks; No keeps, Yes removes the entry and shows no customer. (A key with a quote is
    // found like any other.)
    choice.Choose(2);
    pump();
    ASSERT_EQ(choice.Name(), "O'Hara Fastigheter");
    view.asks.answers = {EResult::No};
    choice.OnDelete();
    EXPECT_EQ(view.asks.Texts().back(), "Delete Customer Info?");
    EXPECT_EQ(db.Waiting(), 0u);
    choice.OnDelete();
    pump();
    EXPECT_EQ(choice.Names(), std::vector<std::string>{"Bostäder AB"});
    EXPECT_EQ(choice.Selection(), CCustomerChoice::NO_CUSTOMER);
    EXPECT_EQ(choice.Name(), "");
    EXPECT_FALSE(choice.CanDelete());
    EXPECT_FALSE(CCustomerChoice::IsValidName(""));
}

} // namespace
