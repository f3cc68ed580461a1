#include "OperatorSelection.h"

#include "Dictionary.h"

#include <gtest/gtest.h>

namespace {

void English() {
    static const bool loaded = [] {
        CDictionary& d = CDictionary::Instance();
        const bool ok = d.Load();
        d.InstallAsTranslator();
        d.SetLanguage("en");
        return ok;
    }();
    ASSERT_TRUE(loaded);
}

CSettings Operators(const std::string& last) {
    CSettings s;
    s.Operator[0] = "Eva";
    s.Operator[3] = "Per";
    s.Operator[7] = "Åsa";
    s.LastOperator = last;
    return s;
}

} // namespace

TEST(OperatorSelection, StartUpCountsDownFromTenAndEndsWithTheRememberedOperator) {
    English();
    COperatorSelection selection(Operators("Per"), true);
    EXPECT_EQ(selection.Names(), (std::vector<std::string>{"Eva", "Per", "Åsa"})); // slot order, gaps skipped
    EXPECT_EQ(selection.Selected(), 1);
    EXPECT_EQ(selection.CountdownText(), "Starting in 10 seconds");
    for (int left = 9; left >= 1; --left) {
        ASSERT_FALSE(selection.Tick());
        EXPECT_EQ(selection.CountdownText(), "Starting in " + std::to_string(left) + " seconds");
    }
    EXPECT_TRUE(selection.Tick());              // the tenth second ends the choice
    EXPECT_EQ(selection.TimedOutName(), "Per"); // never the empty operator
    EXPECT_FALSE(selection.CountdownRunning());
    EXPECT_EQ(selection.CountdownText(), "");
}

TEST(OperatorSelection, NoCountdownWithoutARememberedOperatorOrFromTheMenu) {
    English();
    // Nobody remembered, a name no slot holds any more, and the Change Operator command.
    for (const auto& [last, startup] :
         std::vector<std::pair<std::string, bool>>{{"", true}, {"Olle", true}, {"Eva", false}}) {
        COperatorSelection selection(Operators(last), startup);
        EXPECT_FALSE(selection.CountdownRunning()) << last;
        EXPECT_FALSE(selection.Tick());
    }
    COperatorSelection none(Operators("Olle"), true);
    std::string name = "unchanged";
    EXPECT_FALSE(none.Accept(name)); // OK without a selection beeps and stays
    EXPECT_EQ(name, "unchanged");
    none.Select(2);
    ASSERT_TRUE(none.Accept(name));
    EXPECT_EQ(name, "Åsa");
}

TEST(OperatorSelection, StoppedCountdownStaysStoppedAfterTheNamesAreEdited) {
    English();
    COperatorSelection selection(Operators("Eva"), true);
    selection.Tick();
    selection.StopCountdown();
    EXPECT_EQ(selection.CountdownText(), "");
    CSettings edited = Operators("Eva");
    edited.Operator[0] = "Eva B";
    selection.Refill(edited);
    EXPECT_FALSE(selection.CountdownRunning());
    EXPECT_EQ(selection.Selected(), -1); // the remembered name is gone from the list
    EXPECT_EQ(selection.Names().front(), "Eva B");
}
