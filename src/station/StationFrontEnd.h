#pragma once

#include "AlarmView.h"
#include "FrontEnd.h"
#include "Msg.h"

#include <cstdint>
#include <string>

class CAlarmInfoMsg;

// Everything the application core needs from a front end: the questions and status services of
// IFrontEnd, the drawing of the alarm list and dialogs, and the few events a front end reports.
class IStationFrontEnd : public IFrontEnd, public IAlarmView {
public:
    // Any thread: the core's queue holds one more message; call the core's OnUserMessage once on
    // the user-interface thread for it.
    virtual void WakeUp() = 0;

    // The main window's title.
    virtual void SetTitle(const std::string& /*title*/) {}

    // The operator to work as. Returns false when the operator cancels (at start-up this ends the
    // program).
    virtual bool SelectOperator(bool startup, std::string& name) = 0;

    // Events worth reporting: a new alarm reached the list, a voice-call event arrived.
    virtual void AlarmShown(const CAlarmInfoMsg& /*alarm*/) {}
    virtual void CallEvent(std::uint16_t /*state*/, std::uint16_t /*secondsLeft*/) {}

    // Ends the program (posts the main window's close).
    virtual void RequestClose() = 0;

    // A database reply for a window of the front end: the object register dialogs (object,
    // customer, recipient replies), the export dialog and the print dialog (alarm chains). Returns
    // the reply when no window took it; the core then deletes it.
    virtual MsgPtr DeliverReply(MsgPtr reply) { return reply; }
};
