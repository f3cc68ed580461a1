#pragma once

#include "Msg.h"

#include <cstdint>
#include <string>

// What the GSM manager needs of the Send SMS dialog, which the GUI creates and attaches. Called on
// the user-interface thread only.
class ISendSmsView {
public:
    virtual ~ISendSmsView() = default;

    // Shows the dialog and brings it to the front.
    virtual void Show() = 0;
    // The send report of an SMS typed by the operator: code 8 sent, 9 failed, for one recipient.
    virtual void OnSendReport(std::uint16_t code, const std::string& number) = 0;
    // A database reply of the recipients register (kind 35), for the open recipients dialog.
    virtual void OnRecipientReply(MsgPtr reply) = 0;
};
