#include "CustomerInfoMsg.h"
#include "CustomerInfoReqMsg.h"
#include "DatabaseFixture.h"
#include "MailInfoMsg.h"
#include "MailInfoReqMsg.h"
#include "SmsNumInfoMsg.h"
#include "SmsNumInfoReqMsg.h"

using RegisterTableTest = DatabaseTest;

TEST_F(RegisterTableTest, CustomersAddFindEditDelete) {
    auto& table = m_handler->CustomerTable();
    CCustomerInfoMsg customer(MsgKind::DB_CUSTOMER_ADD);
    customer.Name = "Brennvik Housing";
    customer.Info = "First info";
    auto added = table.AddCustomerInfo(customer);
    EXPECT_EQ(added->Kind, MsgKind::UI_CUSTOMER_REPLY);
    EXPECT_EQ(added->Status, RegisterResult::ADD_DONE);
    // A second add with the same name changes nothing.
    customer.Info = "Other info";
    EXPECT_EQ(table.AddCustomerInfo(customer)->Status, RegisterResult::ADD_EXISTS);
    const CCustomerInfoReqMsg byKey(MsgKind::DB_CUSTOMER_FIND, CCustomerInfoReqMsg::BY_KEY,
                                    "Brennvik Housing");
    auto found = table.FindCustomerInfo(byKey);
    EXPECT_EQ(found->Kind, MsgKind::UI_CUSTOMER_REPLY);
    EXPECT_EQ(found->Status, RegisterResult::FIND_BY_KEY);
    EXPECT_EQ(found->Info, "First info");

    EXPECT_EQ(table.EditCustomerInfo(customer)->Status, RegisterResult::EDIT_CHANGED);
    EXPECT_EQ(table.FindCustomerInfo(byKey)->Info, "Other info");
    CCustomerInfoMsg unknown(MsgKind::DB_CUSTOMER_EDIT);
    unknown.Name = "Nobody";
    EXPECT_EQ(table.EditCustomerInfo(unknown)->Status, RegisterResult::EDIT_NOT_FOUND);

    const CCustomerInfoReqMsg del(MsgKind::DB_CUSTOMER_DELETE, CCustomerInfoReqMsg::BY_KEY,
                                  "Brennvik Housing");
    EXPECT_EQ(table.DeleteCustomerInfo(del)->Status, RegisterResult::DELETE_DONE);
    EXPECT_EQ(table.DeleteCustomerInfo(del)->Status, RegisterResult::DELETE_NOT_FOUND);
    EXPECT_EQ(table.FindCustomerInfo(byKey)->Status, RegisterResult::FIND_NONE);
}

TEST_F(RegisterTableTest, DeletingACustomerLeavesItsObjectsAlone) {
    CCustomerInfoMsg customer(MsgKind::DB_CUSTOMER_ADD);
    customer.Name = "Acme";
    m_handler->CustomerTable().AddCustomerInfo(customer);
    auto object = MakeObject("A");
    object->Customer = "Acme";
    m_handler->ObjectTable().AddObjectInfo(*object);
    const CCustomerInfoReqMsg del(MsgKind::DB_CUSTOMER_DELETE, CCustomerInfoReqMsg::BY_KEY, "Acme");
    ASSERT_EQ(m_handler->CustomerTable().DeleteCustomerInfo(del)->Status, RegisterResult::DELETE_DONE);
    auto found = m_handler->ObjectTable().FindObjectInfo(
        CObjectInfoReqMsg(MsgKind::DB_OBJECT_FIND, CObjectInfoReqMsg::BY_IDCODE, "A"));
    EXPECT_EQ(found->Customer, "Acme");
    EXPECT_EQ(found->CustomerInfo, nullptr);
}

TEST_F(RegisterTableTest, MailRecipientsKeepTheirAddressAsKey) {
    auto& table = m_handler->MailTable();
    CMailInfoMsg mail(MsgKind::DB_MAILREC_ADD);
    mail.Address = "o'neil@example.com";
    mail.Name = "Pat O'Neil";
    EXPECT_EQ(table.AddMailInfo(mail)->Status, RegisterResult::ADD_DONE);
    mail.Name = "Patricia O'Neil";
    auto edited = table.EditMailInfo(mail);
    EXPECT_EQ(edited->Kind, MsgKind::UI_MAILREC_REPLY);
    EXPECT_EQ(edited->Status, RegisterResult::EDIT_CHANGED);
    CMailInfoMsg second(MsgKind::DB_MAILREC_ADD);
    second.Address = "b@example.com";
    second.Name = "B";
    table.AddMailInfo(second);

    const CMailInfoReqMsg all(MsgKind::DB_MAILREC_FIND, CMailInfoReqMsg::ALL);
    auto list = table.FindMailInfo(all);
    EXPECT_EQ(list->Status, RegisterResult::FIND_LIST);
    EXPECT_EQ(list->Address, "o'neil@example.com");
    EXPECT_EQ(list->Name, "Patricia O'Neil");
    ASSERT_NE(list->NextRecord(), nullptr);
    EXPECT_EQ(list->NextRecord()->Address, "b@example.com");
    EXPECT_EQ(list->NextRecord()->NextRecord(), nullptr);
    EXPECT_TRUE(m_frontEnd.messageBoxes.empty());
}

TEST_F(RegisterTableTest, SmsRepliesCarryTheKindTheRequestAsks) {
    auto& table = m_handler->SmsNumTable();
    const CSmsNumInfoReqMsg all(MsgKind::DB_SMSNUM_FIND, CSmsNumInfoReqMsg::ALL, "",
                                MsgKind::UI_GSM_SMSNUM_REPLY);
    auto empty = table.FindSmsNumInfo(all);
    EXPECT_EQ(empty->Status, RegisterResult::FIND_NONE);
    EXPECT_EQ(empty->Kind, MsgKind::UI_GSM_SMSNUM_REPLY);
    EXPECT_EQ(empty->Next, nullptr);

    CSmsNumInfoMsg number(MsgKind::DB_SMSNUM_ADD);
    number.Number = "+4670123";
    number.Name = "Service";
    number.ReplyKind = MsgKind::UI_GSM_SMSNUM_REPLY2;
    auto added = table.AddSmsNumInfo(number);
    EXPECT_EQ(added->Kind, MsgKind::UI_GSM_SMSNUM_REPLY2);
    EXPECT_EQ(added->Status, RegisterResult::ADD_DONE);
    EXPECT_EQ(table.AddSmsNumInfo(number)->Status, RegisterResult::ADD_EXISTS);
    auto list = table.FindSmsNumInfo(all);
    EXPECT_EQ(list->Status, RegisterResult::FIND_LIST);
    EXPECT_EQ(list->Kind, MsgKind::UI_GSM_SMSNUM_REPLY);
    EXPECT_EQ(list->Name, "Service");
    const CSmsNumInfoReqMsg del(MsgKind::DB_SMSNUM_DELETE, CSmsNumInfoReqMsg::BY_KEY, "+4670123",
                                MsgKind::UI_SMSNUM_REPLY);
    auto deleted = table.DeleteSmsNumInfo(del);
    EXPECT_EQ(deleted->Kind, MsgKind::UI_SMSNUM_REPLY);
    EXPECT_EQ(deleted->Status, RegisterResult::DELETE_DONE);
}

TEST_F(RegisterTableTest, EngineErrorsGiveTheirCodesAndPrefixes) {
    Exec("DROP TABLE MailInfo");
    CMailInfoMsg mail(MsgKind::DB_MAILREC_ADD);
    mail.Address = "a@example.com";
    EXPECT_EQ(m_handler->MailTable().AddMailInfo(mail)->Status, RegisterResult::ADD_ERROR);
    const CMailInfoReqMsg byKey(MsgKind::DB_MAILREC_FIND, CMailInfoReqMsg::BY_KEY, "a@example.com");
    EXPECT_EQ(m_handler->MailTable().FindMailInfo(byKey)->Status, RegisterResult::FIND_ERROR);
    EXPECT_EQ(m_handler->MailTable().EditMailInfo(mail)->Status, RegisterResult::EDIT_ERROR);
    EXPECT_EQ(m_handler->MailTable().DeleteMailInfo(byKey)->Status, RegisterResult::DELETE_ERROR);
    ASSERT_EQ(m_frontEnd.messageBoxes.size(), 4u);
    EXPECT_EQ(m_frontEnd.messageBoxes[0].text, "CDatabaseHandler::AddMailInfo: no such table: MailInfo");
    EXPECT_EQ(m_frontEnd.messageBoxes[1].text, "CDatabaseHandler::FindMailInfo: no such table: MailInfo");
    EXPECT_EQ(m_frontEnd.messageBoxes[2].text, "CDatabaseHandler::EditMailInfo: no such table: MailInfo");
    EXPECT_EQ(m_frontEnd.messageBoxes[3].text, "CDatabaseHandler::DeleteMailInfo: no such table: MailInfo");
}
