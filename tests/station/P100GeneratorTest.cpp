#include "P100Generator.h"
#include "MsgKinds.h"
#include "TelHandler.h"
#include "TelHandlerMsg.h"
#include "TempDir.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

namespace {

using SFields = CP100Generator::SFields;

std::string& Number(SFields& fields, int field) {
    return fields.numbers[static_cast<std::size_t>(field)];
}

std::vector<int> Values(const CP100Generator& generator) {
    std::vector<int> values;
    for (int field = CP100Generator::FIELD_TYPE; field < CP100Generator::FIELD_COUNT; ++field) {
        values.push_back(generator.Value(field));
    }
    return values;
}

// The telephone handler, stepped by the test, as it takes a message typed by hand.
class GeneratorToHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir.Enter();
        m_handler.UseLink(&m_link);
        ASSERT_TRUE(m_handler.HandlerStart());
    }
    void TearDown() override { m_handler.HandlerEnd(); }

    // Sends what the generator built and returns the record the handler passed on, if any.
    std::unique_ptr<CTelHandlerMsg> Decode(std::unique_ptr<CComMsg> message) {
        m_handler.PutMsg(std::move(message));
        m_handler.HandlerStep();
        for (MsgPtr& msg : m_owner.Take()) {
            if (msg->Kind == MsgKind::TEL_ALARM) {
                return MsgCast<CTelHandlerMsg>(msg);
            }
        }
        return nullptr;
    }

    CTempDir m_dir;
    CFakeClock m_clock{10000};
    CKeepingSink m_owner;
    CKeepingSink m_link;
    CTelHandler m_handler{&m_owner, m_clock};
    CP100Generator m_generator;
};

TEST(P100GeneratorTest, UpdateForOpFailAndUserData) {
    CP100Generator generator;
    SFields fields;
    fields.alarmType = CP100Generator::ALARM_OPFAIL;
    fields.opFailType = 1; // Battery
    ASSERT_FALSE(generator.UpdateFields(fields));
    EXPECT_EQ(Values(generator), (std::vector<int>{2, 11, 1, 2, 3, 4, 5, 6, 7, 8, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(generator.Fields().numbers[CP100Generator::FIELD_LEN], "11");

    // User data from the fields as shown: C values past the data keep what they held.
    fields = generator.Fields();
    fields.alarmType = CP100Generator::ALARM_USER_DATA;
    Number(fields, CP100Generator::FIELD_USER_LEN) = "2";
    Number(fields, CP100Generator::FIELD_DATA1) = "171";
    Number(fields, CP100Generator::FIELD_DATA1 + 1) = " 5 ";
    ASSERT_FALSE(generator.UpdateFields(fields));
    EXPECT_EQ(Values(generator), (std::vector<int>{5, 4, 10, 11, 0, 5, 5, 6, 7, 8, 1, 0, 0, 0, 0, 0, 0}));

    // OpFail with no failure type chosen keeps C9 from the ID code.
    fields = generator.Fields();
    fields.alarmType = CP100Generator::ALARM_OPFAIL;
    fields.opFailType = CP100Generator::OPFAIL_NONE;
    fields.idCode = "123456789";
    ASSERT_FALSE(generator.UpdateFields(fields));
    EXPECT_EQ(Values(generator), (std::vector<int>{2, 11, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0, 0, 0}));

    EXPECT_FALSE(CP100Generator::IdCodeEnabled(CP100Generator::ALARM_USER_DATA));
    EXPECT_TRUE(CP100Generator::IdCodeEnabled(CP100Generator::ALARM_OPFAIL));
    EXPECT_TRUE(CP100Generator::OpFailEnabled(CP100Generator::ALARM_OPFAIL));
    EXPECT_FALSE(CP100Generator::OpFailEnabled(CP100Generator::ALARM_TEST));
    EXPECT_TRUE(CP100Generator::UserDataEnabled(CP100Generator::ALARM_USER_DATA));
    EXPECT_FALSE(CP100Generator::UpdateEnabled(true));
    EXPECT_EQ(std::string(CP100Generator::OpFailName(10)), " Bus Failure");
}

TEST(P100GeneratorTest, FieldsOutOfRangeEndUpdateWithTheirMessage) {
    CP100Generator generator;
    SFields fields;
    Number(fields, CP100Generator::FIELD_DATA1 + 2) = "256";
    auto error = generator.UpdateFields(fields);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->field, CP100Generator::FIELD_DATA1 + 2);
    EXPECT_EQ(error->text, "Please enter an integer between 0 and 255.");

    Number(fields, CP100Generator::FIELD_DATA1 + 2) = "0";
    Number(fields, CP100Generator::FIELD_USER_LEN) = "8";
    EXPECT_EQ(generator.UpdateFields(fields)->text, "Please enter an integer between 0 and 7.");
    Number(fields, CP100Generator::FIELD_USER_LEN) = "";
    EXPECT_EQ(generator.UpdateFields(fields)->text, "Please enter an integer.");
    Number(fields, CP100Generator::FIELD_USER_LEN) = "3x";
    EXPECT_EQ(generator.UpdateFields(fields)->text, "Please enter an integer.");
    Number(fields, CP100Generator::FIELD_USER_LEN) = "99999999999999999999";
    EXPECT_EQ(generator.UpdateFields(fields)->text, "Please enter an integer.");
    Number(fields, CP100Generator::FIELD_USER_LEN) = "0";

    // A letter in the ID code shows a C value above 15; the next Update refuses it.
    fields.idCode = "12A4";
    ASSERT_FALSE(generator.UpdateFields(fields));
    EXPECT_EQ(generator.Value(CP100Generator::FIELD_C1 + 2), 17);
    EXPECT_EQ(generator.Fields().numbers[CP100Generator::FIELD_C1 + 2], "17");
    error = generator.UpdateFields(generator.Fields());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->field, CP100Generator::FIELD_C1 + 2);
    EXPECT_EQ(error->text, "Please enter an integer between 0 and 15.");
}

TEST_F(GeneratorToHandlerTest, WhatSendBuildsTheHandlerDecodesAsAReceivedMessage) {
    SFields fields; // the start values: a test alarm of 12345678, Automatic Update on
    std::unique_ptr<CComMsg> message;
    ASSERT_FALSE(m_generator.Send(fields, message));
    ASSERT_TRUE(message);
    EXPECT_EQ(message->Kind, MsgKind::TEL_RAW_P100);
    EXPECT_EQ(message->Data[0], 0x86);
    EXPECT_EQ(message->Data[1], 0);
    EXPECT_EQ(message->Data[2], 3);
    EXPECT_EQ(message->Data[3], 8);
    auto record = Decode(std::move(message));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->MsgType, CTelHandlerMsg::MSGTYPE_TESTALARM);
    EXPECT_EQ(record->ID, "12345678");
    EXPECT_EQ(record->Protocol, CTelHandlerMsg::PROTOCOL_P100);

    fields.alarmType = CP100Generator::ALARM_OPFAIL;
    fields.opFailType = 1;
    ASSERT_FALSE(m_generator.Send(fields, message));
    record = Decode(std::move(message));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->MsgType, CTelHandlerMsg::MSGTYPE_OPFAIL);
    EXPECT_EQ(record->OfType, 2); // battery
    EXPECT_EQ(record->OfData, 0);

    fields = m_generator.Fields();
    fields.alarmType = CP100Generator::ALARM_USER_DATA;
    Number(fields, CP100Generator::FIELD_USER_LEN) = "2";
    Number(fields, CP100Generator::FIELD_DATA1) = "171";
    Number(fields, CP100Generator::FIELD_DATA1 + 1) = "5";
    ASSERT_FALSE(m_generator.Send(fields, message));
    record = Decode(std::move(message));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->MsgType, CTelHandlerMsg::MSGTYPE_USERDATA);
    EXPECT_EQ(record->UserDataLen, 2);
    EXPECT_EQ(record->UserData[0], 0xAB);
    EXPECT_EQ(record->UserData[1], 0x05);

    // Automatic Update off: the P100 values are sent as typed, and the decoder judges them.
    fields = m_generator.Fields();
    fields.autoUpdate = false;
    Number(fields, CP100Generator::FIELD_TYPE) = "0";
    Number(fields, CP100Generator::FIELD_LEN) = "9";
    ASSERT_FALSE(m_generator.Send(fields, message));
    EXPECT_FALSE(Decode(std::move(message)));

    // A letter in the ID code: Send reports it and sends nothing.
    fields = m_generator.Fields();
    fields.autoUpdate = true;
    fields.alarmType = CP100Generator::ALARM_VOICE;
    fields.idCode = "1234567A";
    auto error = m_generator.Send(fields, message);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->field, CP100Generator::FIELD_C1 + 7);
    EXPECT_FALSE(message);
}

} // namespace
