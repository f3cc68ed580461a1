#include "MessageBoxPolicy.h"

#include "Translate.h"

using EButtons = IFrontEnd::EButtons;
using EIcon = IFrontEnd::EIcon;
using EResult = IFrontEnd::EResult;

std::vector<EResult> CMessageBoxPolicy::Buttons(EButtons buttons) {
    switch (buttons) {
    case EButtons::Ok:
        return {EResult::Ok};
    case EButtons::OkCancel:
        return {EResult::Ok, EResult::Cancel};
    case EButtons::YesNo:
        return {EResult::Yes, EResult::No};
    case EButtons::YesNoCancel:
        return {EResult::Yes, EResult::No, EResult::Cancel};
    case EButtons::RetryCancel:
        return {EResult::Retry, EResult::Cancel};
    case EButtons::AbortRetryIgnore:
        return {EResult::Abort, EResult::Retry, EResult::Ignore};
    }
    return {EResult::Ok};
}

const char* CMessageBoxPolicy::ButtonTag(EResult button) {
    switch (button) {
    case EResult::Ok:
        return "IDS_IDOK";
    case EResult::Cancel:
        return "IDS_IDCANCEL";
    case EResult::Abort:
        return "IDS_IDABORT";
    case EResult::Retry:
        return "IDS_IDRETRY";
    case EResult::Ignore:
        return "IDS_IDIGNORE";
    case EResult::Yes:
        return "IDS_IDYES";
    case EResult::No:
        return "IDS_IDNO";
    }
    return "IDS_IDOK";
}

EIcon CMessageBoxPolicy::Icon(EButtons buttons, EIcon chosen) {
    if (chosen != EIcon::None) {
        return chosen;
    }
    switch (buttons) {
    case EButtons::Ok:
    case EButtons::OkCancel:
    case EButtons::YesNo:
    case EButtons::YesNoCancel:
        return EIcon::Warning;
    case EButtons::RetryCancel:
    case EButtons::AbortRetryIgnore:
        return EIcon::None;
    }
    return EIcon::None;
}

CMessageBoxPolicy::SLayout CMessageBoxPolicy::Layout(const std::string& text, EButtons buttons, EIcon icon,
                                                     int defaultButton) {
    SLayout layout{TITLE, text, Icon(buttons, icon), {}, 0};
    for (const EResult button : Buttons(buttons)) {
        layout.buttons.push_back({button, Text::Tr(ButtonTag(button))});
    }
    if (defaultButton >= 0 && static_cast<std::size_t>(defaultButton) < layout.buttons.size()) {
        layout.defaultButton = defaultButton;
    }
    return layout;
}
