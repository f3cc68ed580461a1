#include "CustomerInfoMsg.h"
#include "DatabaseFixture.h"
#include "ObjectInfoReqMsg.h"

namespace {

class ObjectTableTest : public DatabaseTest {
protected:
    std::uint16_t Add(const CObjectInfoMsg& object) {
        auto reply = m_handler->ObjectTable().AddObjectInfo(object);
        EXPECT_EQ(reply->Kind, MsgKind::UI_OBJECT_REPLY);
        return reply->Status;
    }
    std::unique_ptr<CObjectInfoMsg> Find(std::int32_t type, const std::string& key,
                                         std::uint16_t replyKind = MsgKind::UI_OBJECT_REPLY) {
        const CObjectInfoReqMsg request(MsgKind::DB_OBJECT_FIND, type, key, replyKind);
        return m_handler->ObjectTable().FindObjectInfo(request);
    }
};

std::string Repeat(char c, std::size_t n) {
    return std::string(n, c);
}

} // namespace

TEST_F(ObjectTableTest, AddFindsEveryFieldAgain) {
    auto object = MakeObject("00001234", "+46701234567");
    object->Days = 7;
    object->LastTestAlarm = CDateTime::FromLocal(2024, 6, 1, 8, 30);
    object->TestAlarmOnly = true;
    object->ElevatorType = "Hydraulic";
    object->Customer = "";
    ASSERT_EQ(Add(*object), ObjectResult::ADD_DONE);

    auto found = Find(CObjectInfoReqMsg::BY_IDCODE, "00001234");
    ASSERT_EQ(found->Status, ObjectResult::FIND_BY_ID);
    EXPECT_EQ(found->Kind, MsgKind::UI_OBJECT_REPLY);
    EXPECT_EQ(found->IdCode, "00001234");
    EXPECT_EQ(found->PhoneNumber, "+46701234567");
    EXPECT_EQ(found->IdInfo, "Lift 00001234");
    EXPECT_EQ(found->Address, "Street 1, Brennvik");
    EXPECT_EQ(found->Days, 7);
    EXPECT_EQ(found->LastTestAlarm, CDateTime::FromLocal(2024, 6, 1, 8, 30));
    EXPECT_TRUE(found->TestAlarmOnly);
    EXPECT_TRUE(found->AlarmPopUpEnabled);
    EXPECT_EQ(found->MailAddrTech, "tech@example.com");
    EXPECT_EQ(found->SmsNumTech, "+4611111");
    EXPECT_EQ(found->MailAddrEmg, "emergency@example.com");
    EXPECT_EQ(found->SmsNumEmg, "+4699999");
    EXPECT_EQ(found->ElevatorType, "Hydraulic");
    EXPECT_EQ(found->Notes, "Notes of 00001234");
    EXPECT_EQ(found->CustomerInfo, nullptr);

    auto byPhone = Find(CObjectInfoReqMsg::BY_PHONENUMBER, "+46701234567", MsgKind::UI_EXPORT_OBJECT_REPLY);
    EXPECT_EQ(byPhone->Status, ObjectResult::FIND_BY_PHONE);
    EXPECT_EQ(byPhone->Kind, MsgKind::UI_EXPORT_OBJECT_REPLY);
    EXPECT_EQ(byPhone->IdCode, "00001234");
}

TEST_F(ObjectTableTest, AddKeepsIdCodeAndPhoneNumberUnique) {
    ASSERT_EQ(Add(*MakeObject("A", "111")), ObjectResult::ADD_DONE);
    // An existing IdCode wins even with a new number.
    EXPECT_EQ(Add(*MakeObject("A", "222")), ObjectResult::ADD_ID_EXISTS);
    EXPECT_EQ(Add(*MakeObject("B", "111")), ObjectResult::ADD_PHONE_EXISTS);
    // Any number of objects may have no number.
    EXPECT_EQ(Add(*MakeObject("C")), ObjectResult::ADD_DONE);
    EXPECT_EQ(Add(*MakeObject("D")), ObjectResult::ADD_DONE);
    EXPECT_EQ(QueryInt("SELECT count(*) FROM ObjectInfo"), 3);
}

TEST_F(ObjectTableTest, LongTextsAreSplitOverTwoColumns) {
    auto object = MakeObject("A");
    object->MailAddrTech = Repeat('t', 300);
    object->Notes = Repeat('a', 255) + Repeat('b', 255) + Repeat('c', 90);
    ASSERT_EQ(Add(*object), ObjectResult::ADD_DONE);
    EXPECT_EQ(QueryInt("SELECT length(MailAddrTech1) FROM ObjectInfo"), 255);
    EXPECT_EQ(QueryInt("SELECT length(MailAddrTech2) FROM ObjectInfo"), 45);
    auto found = Find(CObjectInfoReqMsg::BY_IDCODE, "A");
    EXPECT_EQ(found->MailAddrTech, Repeat('t', 300));
    EXPECT_EQ(found->Notes, Repeat('a', 255) + Repeat('b', 255));

    // Shortening to 100 characters empties the second column.
    found->MailAddrTech = Repeat('s', 100);
    EXPECT_EQ(m_handler->ObjectTable().EditObjectInfo(*found)->Status, ObjectResult::EDIT_CHANGED);
    EXPECT_EQ(Query("SELECT MailAddrTech2 FROM ObjectInfo"), "");
    EXPECT_EQ(Find(CObjectInfoReqMsg::BY_IDCODE, "A")->MailAddrTech, Repeat('s', 100));
}

TEST_F(ObjectTableTest, SplitNeverCutsACharacterInTwo) {
    auto object = MakeObject("A");
    object->Notes = std::string(254, 'x') + "\xc3\xa5\xc3\xa4\xc3\xb6"; // "åäö" across the split
    ASSERT_EQ(Add(*object), ObjectResult::ADD_DONE);
    EXPECT_EQ(Query("SELECT Notes2 FROM ObjectInfo"), "\xc3\xa4\xc3\xb6");
    EXPECT_EQ(Find(CObjectInfoReqMsg::BY_IDCODE, "A")->Notes, object->Notes);
}

TEST_F(ObjectTableTest, EditKeepsPhoneNumbersUnique) {
    ASSERT_EQ(Add(*MakeObject("A", "111")), ObjectResult::ADD_DONE);
    ASSERT_EQ(Add(*MakeObject("B", "222")), ObjectResult::ADD_DONE);
    auto b = MakeObject("B", "111");
    auto reply = m_handler->ObjectTable().EditObjectInfo(*b);
    EXPECT_EQ(reply->Kind, MsgKind::UI_OBJECT_REPLY);
    EXPECT_EQ(reply->Status, ObjectResult::EDIT_PHONE_TAKEN);
    // Its own current number is fine.
    b->PhoneNumber = "222";
    b->Address = "New street";
    EXPECT_EQ(m_handler->ObjectTable().EditObjectInfo(*b)->Status, ObjectResult::EDIT_CHANGED);
    EXPECT_EQ(Find(CObjectInfoReqMsg::BY_IDCODE, "B")->Address, "New street");
    EXPECT_EQ(m_handler->ObjectTable().EditObjectInfo(*MakeObject("Z"))->Status,
              ObjectResult::EDIT_NOT_FOUND);
}

TEST_F(ObjectTableTest, DeleteByIdCode) {
    ASSERT_EQ(Add(*MakeObject("A")), ObjectResult::ADD_DONE);
    AddAlarm("A", 1, 1, CDateTime::FromLocal(2024, 6, 1));
    const CObjectInfoReqMsg del(MsgKind::DB_OBJECT_DELETE, CObjectInfoReqMsg::BY_IDCODE, "A");
    auto reply = m_handler->ObjectTable().DeleteObjectInfo(del);
    EXPECT_EQ(reply->Kind, MsgKind::UI_OBJECT_REPLY);
    EXPECT_EQ(reply->Status, ObjectResult::DELETE_DONE);
    EXPECT_EQ(m_handler->ObjectTable().DeleteObjectInfo(del)->Status, ObjectResult::DELETE_NOT_FOUND);
    // Its alarms stay.
    EXPECT_EQ(QueryInt("SELECT count(*) FROM AlarmInfo WHERE IdCode = 'A'"), 1);
}

TEST_F(ObjectTableTest, FindAttachesTheCustomerWhenItExists) {
    CCustomerInfoMsg customer(MsgKind::DB_CUSTOMER_ADD);
    customer.Name = "Brennvik Housing";
    customer.Info = "Call the caretaker";
    ASSERT_EQ(m_handler->CustomerTable().AddCustomerInfo(customer)->Status, RegisterResult::ADD_DONE);
    auto withCustomer = MakeObject("A");
    withCustomer->Customer = "Brennvik Housing";
    auto missingCustomer = MakeObject("B");
    missingCustomer->Customer = "Gone Ltd";
    ASSERT_EQ(Add(*withCustomer), ObjectResult::ADD_DONE);
    ASSERT_EQ(Add(*missingCustomer), ObjectResult::ADD_DONE);
    ASSERT_EQ(Add(*MakeObject("C")), ObjectResult::ADD_DONE);

    auto a = Find(CObjectInfoReqMsg::BY_IDCODE, "A");
    ASSERT_NE(a->CustomerInfo, nullptr);
    EXPECT_EQ(a->CustomerInfo->Info, "Call the caretaker");
    EXPECT_EQ(Find(CObjectInfoReqMsg::BY_IDCODE, "B")->CustomerInfo, nullptr);
    EXPECT_EQ(Find(CObjectInfoReqMsg::BY_IDCODE, "C")->CustomerInfo, nullptr);

    // A list attaches no customers; records after the first have kind 29.
    auto all = Find(CObjectInfoReqMsg::ALL, "", MsgKind::UI_EXPORT_OBJECT_REPLY);
    EXPECT_EQ(all->Status, ObjectResult::FIND_LIST);
    EXPECT_EQ(all->Kind, MsgKind::UI_EXPORT_OBJECT_REPLY);
    std::vector<std::string> ids;
    for (const CObjectInfoMsg* o = all.get(); o != nullptr; o = o->NextRecord()) {
        ids.push_back(o->IdCode);
        EXPECT_EQ(o->CustomerInfo, nullptr);
        if (o != all.get()) {
            EXPECT_EQ(o->Kind, MsgKind::UI_OBJECT_REPLY);
        }
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"A", "B", "C"}));
}

TEST_F(ObjectTableTest, EmptyRegisterGivesOneEmptyRecord) {
    auto all = Find(CObjectInfoReqMsg::ALL, "");
    EXPECT_EQ(all->Status, ObjectResult::FIND_NONE);
    EXPECT_TRUE(all->IdCode.empty());
    EXPECT_EQ(all->Next, nullptr);
}

TEST_F(ObjectTableTest, KeysWithQuotesAreStoredAndFoundLikeAnyOther) {
    const std::string key = "O'B'); DROP TABLE--";
    auto object = MakeObject(key, "+46'1");
    ASSERT_EQ(Add(*object), ObjectResult::ADD_DONE);
    EXPECT_EQ(Add(*object), ObjectResult::ADD_ID_EXISTS);
    EXPECT_EQ(Find(CObjectInfoReqMsg::BY_IDCODE, key)->Status, ObjectResult::FIND_BY_ID);
    EXPECT_EQ(Find(CObjectInfoReqMsg::BY_PHONENUMBER, "+46'1")->IdCode, key);
    object->Address = "It's here";
    EXPECT_EQ(m_handler->ObjectTable().EditObjectInfo(*object)->Status, ObjectResult::EDIT_CHANGED);
    EXPECT_EQ(Find(CObjectInfoReqMsg::BY_IDCODE, key)->Address, "It's here");
    const CObjectInfoReqMsg del(MsgKind::DB_OBJECT_DELETE, CObjectInfoReqMsg::BY_IDCODE, key);
    EXPECT_EQ(m_handler->ObjectTable().DeleteObjectInfo(del)->Status, ObjectResult::DELETE_DONE);
    EXPECT_TRUE(m_db.HasTable("ObjectInfo"));
    EXPECT_TRUE(m_frontEnd.messageBoxes.empty());
}

TEST_F(ObjectTableTest, TextsAreCutToTheirColumnsAndKeysAlike) {
    auto object = MakeObject("123456789012345678901234"); // 24 characters, the column holds 20
    object->Customer = std::string(50, 'c');
    ASSERT_EQ(Add(*object), ObjectResult::ADD_DONE);
    EXPECT_EQ(Query("SELECT IdCode FROM ObjectInfo"), "12345678901234567890");
    EXPECT_EQ(QueryInt("SELECT length(Customer) FROM ObjectInfo"), 40);
    // The same long key names the same stored object.
    EXPECT_EQ(Add(*object), ObjectResult::ADD_ID_EXISTS);
    EXPECT_EQ(Find(CObjectInfoReqMsg::BY_IDCODE, "123456789012345678901234")->IdCode, "12345678901234567890");
}

TEST_F(ObjectTableTest, EngineErrorsAreShownWithTheirPrefix) {
    ASSERT_EQ(Add(*MakeObject("A")), ObjectResult::ADD_DONE);
    Exec("DROP TABLE ObjectInfo");
    EXPECT_EQ(Add(*MakeObject("B")), ObjectResult::ADD_ERROR);
    auto found = Find(CObjectInfoReqMsg::BY_IDCODE, "A");
    EXPECT_EQ(found->Status, ObjectResult::FIND_ERROR);
    EXPECT_EQ(m_handler->ObjectTable().EditObjectInfo(*MakeObject("A"))->Status, ObjectResult::EDIT_ERROR);
    const CObjectInfoReqMsg del(MsgKind::DB_OBJECT_DELETE, CObjectInfoReqMsg::BY_IDCODE, "A");
    EXPECT_EQ(m_handler->ObjectTable().DeleteObjectInfo(del)->Status, ObjectResult::DELETE_ERROR);
    ASSERT_EQ(m_frontEnd.messageBoxes.size(), 4u);
    // The add's duplicate check shows the engine's description alone.
    EXPECT_EQ(m_frontEnd.messageBoxes[0].text, "no such table: ObjectInfo");
    EXPECT_EQ(m_frontEnd.messageBoxes[1].text, "CDbObjectInfo::FindObjectInfo: no such table: ObjectInfo");
    EXPECT_EQ(m_frontEnd.messageBoxes[2].text, "CDbObjectInfo::EditObjectInfo: no such table: ObjectInfo");
    EXPECT_EQ(m_frontEnd.messageBoxes[3].text, "CDbObjectInfo::DeleteObjectInfo: no such table: ObjectInfo");
    EXPECT_FALSE(m_db.InTransaction());
}

TEST_F(ObjectTableTest, AFailingInsertIsCancelled) {
    // A trigger stands in for an engine error on the insert itself.
    Exec(
        "CREATE TRIGGER refuse BEFORE INSERT ON ObjectInfo BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END");
    EXPECT_EQ(Add(*MakeObject("A")), ObjectResult::ADD_ERROR);
    ASSERT_EQ(m_frontEnd.messageBoxes.size(), 1u);
    EXPECT_EQ(m_frontEnd.messageBoxes[0].text, "CDbObjectInfo::AddObjectInfo: disk I/O error");
    EXPECT_EQ(QueryInt("SELECT count(*) FROM ObjectInfo"), 0);
    EXPECT_FALSE(m_db.InTransaction());
}
