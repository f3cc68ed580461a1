#include "ExportObjectInfo.h"
#include "DbResults.h"
#include "MsgKinds.h"
#include "ObjectInfoReqMsg.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

namespace {

class ExportObjectInfoTest : public ::testing::Test {
protected:
    void SetUp() override { UseEnglishTexts(); }

    void AddObject(const std::string& idCode, const std::string& idInfo, const std::string& address,
                   std::uint16_t days = 0) {
        auto object = std::make_unique<CObjectInfoMsg>(MsgKind::DB_OBJECT_ADD);
        object->IdCode = idCode;
        object->IdInfo = idInfo;
        object->Address = address;
        object->Days = days;
        object->AlarmPopUpEnabled = true;
        object->MailAddrTech = "tech@example.com";
        object->SmsNumTech = "+4611111";
        object->MailAddrEmg = "emg@example.com";
        object->SmsNumEmg = "+4699999";
        object->Notes = "Door sticks\r\nat floor 3";
        object->ElevatorType = "Kone";
        object->Customer = "Brf Ekorren";
        auto reply = m_db.Request(std::move(object));
        ASSERT_EQ(static_cast<CDatabaseMsg&>(*reply).Status, ObjectResult::ADD_DONE);
    }

    // Next, and the register's reply handed to the export.
    CExportObjectInfo::EReply Next() {
        MsgPtr request = CExportObjectInfo::MakeRequest();
        auto* find = dynamic_cast<CObjectInfoReqMsg*>(request.get());
        EXPECT_NE(find, nullptr);
        EXPECT_EQ(find->Type, CObjectInfoReqMsg::ALL);
        MsgPtr reply = m_db.Request(std::move(request));
        EXPECT_EQ(reply->Kind, MsgKind::UI_EXPORT_OBJECT_REPLY);
        auto* objects = dynamic_cast<CObjectInfoMsg*>(reply.get());
        return m_export.OnReply(*objects);
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& line : m_export.Lines()) {
            out.push_back(line.text);
        }
        return out;
    }

    CTestDatabase m_db;
    CExportObjectInfo m_export;
};

TEST_F(ExportObjectInfoTest, EveryFieldInItsColumnWithTheChosenSeparator) {
    AddObject("12345678", "Lift 1", "Storgatan 3", 7);
    m_export.SetAll();
    ASSERT_EQ(Next(), CExportObjectInfo::EReply::Lines);
    // Days with two digits at least, the flags as words, the notes' line end as a blank.
    EXPECT_EQ(Texts(), std::vector<std::string>{"12345678;Lift 1;Storgatan 3;07;FALSE;TRUE;tech@example.com;"
                                                "+4611111;emg@example.com;+4699999;Door sticks at floor 3;"
                                                "Kone;Brf Ekorren"});

    m_export.SetDefault();
    m_export.SetSeparator(CExportObjectInfo::ESeparator::Comma);
    m_export.Toggle(CExportObjectInfo::FIELD_CUSTOMER);
    ASSERT_EQ(Next(), CExportObjectInfo::EReply::Lines);
    EXPECT_EQ(Texts(), std::vector<std::string>{"12345678,Lift 1,Brf Ekorren"});
    EXPECT_EQ(CExportObjectInfo::FieldTag(CExportObjectInfo::FIELD_CUSTOMER),
              std::string("IDS_EXPORTOBJECTINFODLG_MSG_13"));
}

TEST_F(ExportObjectInfoTest, NoFieldsGiveEmptyLinesAndAnEmptyValueKeepsItsColumn) {
    AddObject("1", "", "Storgatan 3");
    AddObject("2", "Lift 2", "");
    ASSERT_EQ(Next(), CExportObjectInfo::EReply::Lines);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"", ""}));

    m_export.SetChecked(CExportObjectInfo::FIELD_ID_INFO, true);
    m_export.SetChecked(CExportObjectInfo::FIELD_ADDRESS, true);
    ASSERT_EQ(Next(), CExportObjectInfo::EReply::Lines);
    EXPECT_EQ(Texts(), (std::vector<std::string>{";Storgatan 3", "Lift 2;"}));
}

TEST_F(ExportObjectInfoTest, LastCountsTheFirstObjectsOfTheReply) {
    for (int i = 1; i <= 5; ++i) {
        AddObject(std::to_string(i), "Lift " + std::to_string(i), "");
    }
    m_export.SetDefault();
    EXPECT_FALSE(m_export.CountEnabled());
    m_export.SetRecords(CExportObjectInfo::ERecords::Last);
    EXPECT_TRUE(m_export.CountEnabled());
    m_export.SetCount(3);
    ASSERT_EQ(Next(), CExportObjectInfo::EReply::Lines);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"1;Lift 1", "2;Lift 2", "3;Lift 3"}));

    m_export.SetCount(0);
    ASSERT_EQ(Next(), CExportObjectInfo::EReply::Lines);
    EXPECT_TRUE(Texts().empty());

    m_export.SetCount(-5);
    EXPECT_EQ(m_export.Count(), 0);
    m_export.SetCount(std::int64_t(1) << 40);
    EXPECT_EQ(m_export.Count(), CExportObjectInfo::MAX_COUNT);
    ASSERT_EQ(Next(), CExportObjectInfo::EReply::Lines);
    EXPECT_EQ(Texts().size(), 5u);

    m_export.SetRecords(CExportObjectInfo::ERecords::All);
    m_export.SetCount(1);
    ASSERT_EQ(Next(), CExportObjectInfo::EReply::Lines);
    EXPECT_EQ(Texts().size(), 5u);
}

TEST_F(ExportObjectInfoTest, AnEmptyRegisterIsReportedAndTheLinesStay) {
    ASSERT_EQ(Next(), CExportObjectInfo::EReply::NoObjects);
    EXPECT_EQ(CExportObjectInfo::NoObjectsText(), "The Database contains no 'ObjectInfo' records!");

    AddObject("1", "Lift 1", "");
    m_export.SetDefault();
    ASSERT_EQ(Next(), CExportObjectInfo::EReply::Lines);
    CObjectInfoMsg failed(MsgKind::UI_EXPORT_OBJECT_REPLY, ObjectResult::FIND_ERROR);
    EXPECT_EQ(m_export.OnReply(failed), CExportObjectInfo::EReply::Failed);
    EXPECT_EQ(Texts(), std::vector<std::string>{"1;Lift 1"});
}

TEST_F(ExportObjectInfoTest, TheFileHoldsTheSelectedLinesWithCrLf) {
    for (int i = 1; i <= 3; ++i) {
        AddObject(std::to_string(i), "Lift " + std::to_string(i), "");
    }
    m_export.SetDefault();
    ASSERT_EQ(Next(), CExportObjectInfo::EReply::Lines);
    m_export.SelectLine(1, false);
    m_export.SelectLine(99, false); // no such line: nothing happens
    const std::string path = m_db.Folder() + "/export.txt";
    CTempDir::WriteFile(path, "an older and much longer export that must go entirely\r\n");
    ASSERT_TRUE(m_export.WriteFile(path));
    EXPECT_EQ(CTempDir::ReadFile(path), "1;Lift 1\r\n3;Lift 3\r\n");

    EXPECT_FALSE(m_export.WriteFile(m_db.Folder() + "/no/such/folder/export.txt"));
    EXPECT_EQ(CExportObjectInfo::WriteFailedText("/x/export.txt"),
              "The file could not be written: /x/export.txt");
}

} // namespace
