#pragma once

#include "FrontEnd.h"

#include <string>
#include <utility>
#include <vector>

// How every message box of the station looks, whatever toolkit draws it: the standard buttons
// carry the dictionary texts of their tags, a box whose caller chose no icon gets the exclamation
// icon for OK, OK-Cancel, Yes-No and Yes-No-Cancel (none for Abort-Retry-Ignore and
// Retry-Cancel), and the title is the program's short name.
class CMessageBoxPolicy {
public:
    static constexpr const char* TITLE = "MORA";

    struct SButton {
        IFrontEnd::EResult result;
        std::string text;
    };
    struct SLayout {
        std::string title;
        std::string text;
        IFrontEnd::EIcon icon;
        std::vector<SButton> buttons; // left to right
        int defaultButton;            // index into buttons
    };

    // The buttons of a box, left to right.
    static std::vector<IFrontEnd::EResult> Buttons(IFrontEnd::EButtons buttons);
    // The dictionary tag of a standard button.
    static const char* ButtonTag(IFrontEnd::EResult button);
    // The icon shown when the caller chose the given one.
    static IFrontEnd::EIcon Icon(IFrontEnd::EButtons buttons, IFrontEnd::EIcon chosen);

    // Everything a front end needs to draw the box; button texts come from the dictionary in the
    // current language (Text::Tr). A default button out of range falls back to the first.
    static SLayout Layout(const std::string& text, IFrontEnd::EButtons buttons, IFrontEnd::EIcon icon,
                          int defaultButton);
};
