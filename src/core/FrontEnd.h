#pragma once

#include <string>

// What the station below the GUI needs from whoever shows it to the operator: the Qt GUI, the
// headless front end, or a recording fake in tests. Called on the user-interface thread only.
class IFrontEnd {
public:
    enum class EButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
    enum class EIcon { None, Information, Warning, Error, Question };
    // Numbered as the classic message box answers, so they can be stored and compared.
    enum class EResult { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };
    enum class EBeep { Default, Exclamation, Plain, Error };

    virtual ~IFrontEnd() = default;

    // Shows a message box and returns the button the operator chose. defaultButton counts the
    // buttons from the left, starting at 0.
    virtual EResult MessageBox(const std::string& text, EButtons buttons, EIcon icon, int defaultButton) = 0;

    // Sets the text of a status bar pane (0 is the message pane).
    virtual void SetPaneText(int pane, const std::string& text) = 0;

    // Adds a time-stamped line on top of the system information list; toFront brings the window
    // to the front with a beep.
    virtual void AddSystemInfo(const std::string& text, bool toFront) = 0;

    virtual void Beep(EBeep beep) = 0;
};
