// The message-box policy every front end applies: button texts from the dictionary, the icon
// rule and the title.
#include "MessageBoxPolicy.h"
#include "Dictionary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using EButtons = IFrontEnd::EButtons;
using EIcon = IFrontEnd::EIcon;
using EResult = IFrontEnd::EResult;

namespace {

std::vector<std::string> Labels(const CMessageBoxPolicy::SLayout& layout) {
    std::vector<std::string> labels;
    for (const auto& button : layout.buttons) {
        labels.push_back(button.text);
    }
    return labels;
}

class MessageBoxPolicy : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dictionary.Load());
        m_dictionary.InstallAsTranslator();
    }
    CDictionary m_dictionary;
};

} // namespace

TEST_F(MessageBoxPolicy, EveryStandardButtonCarriesTheTextOfItsTag) {
    ASSERT_TRUE(m_dictionary.SetLanguage("en"));
    EXPECT_EQ(Labels(CMessageBoxPolicy::Layout("q", EButtons::Ok, EIcon::None, 0)),
              std::vector<std::string>{"OK"});
    EXPECT_EQ(Labels(CMessageBoxPolicy::Layout("q", EButtons::OkCancel, EIcon::None, 0)),
              (std::vector<std::string>{"OK", "Cancel"}));
    EXPECT_EQ(Labels(CMessageBoxPolicy::Layout("q", EButtons::YesNo, EIcon::None, 0)),
              (std::vector<std::string>{"Yes", "No"}));
    EXPECT_EQ(Labels(CMessageBoxPolicy::Layout("q", EButtons::YesNoCancel, EIcon::None, 0)),
              (std::vector<std::string>{"Yes", "No", "Cancel"}));
    EXPECT_EQ(Labels(CMessageBoxPolicy::Layout("q", EButtons::RetryCancel, EIcon::None, 0)),
              (std::vector<std::string>{"Retry", "Cancel"}));
    EXPECT_EQ(Labels(CMessageBoxPolicy::Layout("q", EButtons::AbortRetryIgnore, EIcon::None, 0)),
              (std::vector<std::string>{"Abort", "Retry", "Ignore"}));

    ASSERT_TRUE(m_dictionary.SetLanguage("de"));
    const auto layout = CMessageBoxPolicy::Layout("Wirklich?", EButtons::YesNoCancel, EIcon::Question, 1);
    EXPECT_EQ(Labels(layout), (std::vector<std::string>{"Ja", "Nein", "Abbrechen"}));
    EXPECT_EQ(layout.buttons[1].result, EResult::No);
    EXPECT_EQ(layout.defaultButton, 1);
    EXPECT_EQ(layout.text, "Wirklich?");
    EXPECT_EQ(layout.title, "MORA");
}

TEST_F(MessageBoxPolicy, ButtonsMapToTheirTagsAndAnswers) {
    const std::pair<EResult, std::string> expected[] = {
        {EResult::Yes, "IDS_IDYES"},     {EResult::No, "IDS_IDNO"},         {EResult::Ok, "IDS_IDOK"},
        {EResult::Retry, "IDS_IDRETRY"}, {EResult::Ignore, "IDS_IDIGNORE"}, {EResult::Cancel, "IDS_IDCANCEL"},
        {EResult::Abort, "IDS_IDABORT"}};
    for (const auto& [button, tag] : expected) {
        EXPECT_EQ(CMessageBoxPolicy::ButtonTag(button), tag);
    }
    EXPECT_EQ(CMessageBoxPolicy::Buttons(EButtons::AbortRetryIgnore),
              (std::vector<EResult>{EResult::Abort, EResult::Retry, EResult::Ignore}));
}

TEST_F(MessageBoxPolicy, ABoxWithoutIconGetsTheExclamationOnlyForOkAndYesNoBoxes) {
    EXPECT_EQ(CMessageBoxPolicy::Icon(EButtons::Ok, EIcon::None), EIcon::Warning);
    EXPECT_EQ(CMessageBoxPolicy::Icon(EButtons::OkCancel, EIcon::None), EIcon::Warning);
    EXPECT_EQ(CMessageBoxPolicy::Icon(EButtons::YesNo, EIcon::None), EIcon::Warning);
    EXPECT_EQ(CMessageBoxPolicy::Icon(EButtons::YesNoCancel, EIcon::None), EIcon::Warning);
    EXPECT_EQ(CMessageBoxPolicy::Icon(EButtons::AbortRetryIgnore, EIcon::None), EIcon::None);
    EXPECT_EQ(CMessageBoxPolicy::Icon(EButtons::RetryCancel, EIcon::None), EIcon::None);
    // A chosen icon is kept whatever the buttons.
    EXPECT_EQ(CMessageBoxPolicy::Icon(EButtons::Ok, EIcon::Error), EIcon::Error);
    EXPECT_EQ(CMessageBoxPolicy::Icon(EButtons::RetryCancel, EIcon::Information), EIcon::Information);
}

TEST_F(MessageBoxPolicy, ADefaultButtonOutOfRangeFallsBackToTheFirst) {
    EXPECT_EQ(CMessageBoxPolicy::Layout("q", EButtons::YesNo, EIcon::None, 2).defaultButton, 0);
    EXPECT_EQ(CMessageBoxPolicy::Layout("q", EButtons::YesNo, EIcon::None, -1).defaultButton, 0);
    EXPECT_EQ(CMessageBoxPolicy::Layout("q", EButtons::YesNo, EIcon::None, 1).defaultButton, 1);
}

TEST_F(MessageBoxPolicy, WithoutALanguageTheButtonsReadNotAvailable) {
    // Loaded, but no language chosen yet.
    EXPECT_EQ(Labels(CMessageBoxPolicy::Layout("q", EButtons::OkCancel, EIcon::None, 0)),
              (std::vector<std::string>{"*NA*", "*NA*"}));
}
