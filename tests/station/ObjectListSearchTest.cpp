// The open dialog's list: order, column sorting and the case-insensitive prefix search.
#include "ObjectListSearch.h"

#include "DatabaseMgrChoice.h"
#include "DbResults.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<CObjectInfoMsg> Chain(const std::vector<std::pair<std::string, std::string>>& rows) {
    std::unique_ptr<CObjectInfoMsg> head;
    CObjectInfoMsg* tail = nullptr;
    for (const auto& [id, info] : rows) {
        auto record = std::make_unique<CObjectInfoMsg>(29, ObjectResult::FIND_LIST);
        record->IdCode = id;
        record->IdInfo = info;
        CObjectInfoMsg* raw = record.get();
        if (tail == nullptr) {
            head = std::move(record);
        } else {
            tail->Next = std::move(record);
        }
        tail = raw;
    }
    return head;
}

std::vector<std::string> Ids(const CObjectListSearch& list) {
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        ids.push_back(list.Row(i).IdCode);
    }
    return ids;
}

TEST(ObjectListSearch, SortsByColumnInTurnAndFindsByCaseInsensitivePrefix) {
    CObjectListSearch list;
    list.Fill(Chain({{"30000000", "Xab lift"},
                     {"10000000", "ABC Storgatan"},
                     {"+4670", "Åby torg"},
                     {"20000000", "abd Hamngatan"},
                     {"40000000", "Zeta"}}));
    // Ascending by ID code after filling, bytes compared ("+" before digits).
    EXPECT_EQ(Ids(list), (std::vector<std::string>{"+4670", "10000000", "20000000", "30000000", "40000000"}));
    // ID info: bytes, so the UTF-8 "Å" comes after "Z"; a second click turns the order round.
    list.SortBy(CObjectListSearch::COLUMN_IDINFO);
    EXPECT_EQ(Ids(list), (std::vector<std::string>{"10000000", "30000000", "40000000", "20000000", "+4670"}));
    list.SortBy(CObjectListSearch::COLUMN_IDINFO);
    EXPECT_EQ(Ids(list), (std::vector<std::string>{"+4670", "20000000", "40000000", "30000000", "10000000"}));
    list.SortBy(CObjectListSearch::COLUMN_IDCODE);
    EXPECT_TRUE(list.SortAscending());

    // "ab" by ID info: the rows that begin with AB/ab in any case, never the one where it stands
    // later; Find Next goes on after the last match, then there is none.
    int row = list.Find("  ab ", CObjectListSearch::COLUMN_IDINFO, true);
    ASSERT_NE(row, CObjectListSearch::NOT_FOUND);
    EXPECT_EQ(list.Row(static_cast<std::size_t>(row)).IdCode, "10000000");
    row = list.Find("ab", CObjectListSearch::COLUMN_IDINFO, false);
    ASSERT_NE(row, CObjectListSearch::NOT_FOUND);
    EXPECT_EQ(list.Row(static_cast<std::size_t>(row)).IdCode, "20000000");
    EXPECT_EQ(list.Find("ab", CObjectListSearch::COLUMN_IDINFO, false), CObjectListSearch::NOT_FOUND);
    // Find First starts over; letters beyond ASCII fold too.
    EXPECT_EQ(list.Find("ab", CObjectListSearch::COLUMN_IDINFO, true), 1);
    row = list.Find("åB", CObjectListSearch::COLUMN_IDINFO, true);
    ASSERT_NE(row, CObjectListSearch::NOT_FOUND);
    EXPECT_EQ(list.Row(static_cast<std::size_t>(row)).IdCode, "+4670");
    EXPECT_EQ(list.Find("2000", CObjectListSearch::COLUMN_IDCODE, true), 2);
    EXPECT_EQ(list.Find("20000000x", CObjectListSearch::COLUMN_IDCODE, true), CObjectListSearch::NOT_FOUND);
    EXPECT_EQ(CObjectListSearch::Folded("ÄÖÜÉ ßŁŸ"), U"äöüé ßłÿ");

    // An empty register's reply has no rows; a large one is taken whole, in order.
    list.Fill(std::make_unique<CObjectInfoMsg>(29, ObjectResult::FIND_NONE));
    EXPECT_EQ(list.Count(), 0u);
    std::vector<std::pair<std::string, std::string>> many;
    for (int i = 0; i < 10000; ++i) {
        many.emplace_back(std::to_string(10000000 + (i * 7919) % 10000), "Lift " + std::to_string(i));
    }
    list.Fill(Chain(many));
    ASSERT_EQ(list.Count(), 10000u);
    EXPECT_EQ(list.Row(0).IdCode, "10000000");
    EXPECT_EQ(list.Row(9999).IdCode, "10009999");
    EXPECT_GE(list.Find("lift 9999", CObjectListSearch::COLUMN_IDINFO, true), 0);
}

TEST(DatabaseMgrChoice, EachSituationOffersItsChoicesAndOkAnswersThem) {
    using A = IFrontEnd::EDbMgrAnswer;
    CDatabaseMgrChoice choice;
    choice.SetMode(1, {"The current path:", "/nowhere/", "to the Database does not exist!"});
    EXPECT_TRUE(choice.Offered(CDatabaseMgrChoice::CHOICE_CHANGE_PATH));
    EXPECT_FALSE(choice.Offered(CDatabaseMgrChoice::CHOICE_NEW_EMPTY));
    choice.Select(CDatabaseMgrChoice::CHOICE_NEW_EMPTY);
    EXPECT_EQ(choice.Selected(), CDatabaseMgrChoice::CHOICE_CHANGE_PATH);
    EXPECT_EQ(choice.OkAnswer(), A::ChangePath);

    choice.SetMode(2, {"No Database found at the path:", "/db/"});
    EXPECT_TRUE(choice.Offered(CDatabaseMgrChoice::CHOICE_NEW_EMPTY));
    EXPECT_FALSE(choice.Offered(CDatabaseMgrChoice::CHOICE_NEW_COPY));
    EXPECT_EQ(choice.OkAnswer(), A::ChangePath);
    choice.Select(CDatabaseMgrChoice::CHOICE_NEW_EMPTY);
    EXPECT_EQ(choice.OkAnswer(), A::CreateEmpty);
    choice.AddProgress("Database successfully created...");
    choice.AddProgress("Click <OK> to start the program...");
    choice.SetMode(6, {});
    EXPECT_EQ(choice.Messages()[1], "/db/");
    EXPECT_EQ(choice.Progress().front(), "Click <OK> to start the program...");
    EXPECT_FALSE(choice.Offered(CDatabaseMgrChoice::CHOICE_CHANGE_PATH));
    EXPECT_EQ(choice.OkAnswer(), A::Ok);

    choice.SetMode(4, {"The Database Manager has found an earlier version of the Database at the path:"});
    EXPECT_EQ(choice.Selected(), CDatabaseMgrChoice::CHOICE_CHANGE_PATH);
    choice.Select(CDatabaseMgrChoice::CHOICE_NEW_COPY);
    EXPECT_EQ(choice.OkAnswer(), A::CreateAndCopy);
    choice.SetMode(3, {"The Database Manager has found an error in the Database at the path:"});
    EXPECT_EQ(choice.OkAnswer(), A::ChangePath);
    choice.SetMode(7, {});
    EXPECT_EQ(choice.OkAnswer(), A::Ok);
}

} // namespace
