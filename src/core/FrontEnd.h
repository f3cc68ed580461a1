#pragma once

#include <string>
#include <vector>

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

    // The database manager dialog at start-up, driven step by step by the database manager.
    // mode is the situation (1 folder missing, 2 no database, 3 damaged database, 4 older
    // version, 6 created, 7 creation failed) and lines the message list (the folder on a line of
    // its own). Shows the dialog, or updates it when it is already shown, and waits for OK or
    // Cancel; OK answers the selected choice (ChangePath in modes 1 and 3, Ok in modes 6 and 7).
    enum class EDbMgrAnswer { Cancel, Ok, ChangePath, CreateEmpty, CreateAndCopy };
    virtual EDbMgrAnswer DatabaseMgrDialog(int /*mode*/, const std::vector<std::string>& /*lines*/) {
        return EDbMgrAnswer::Cancel;
    }
    // Adds a new top line to the database manager dialog's progress list and shows it at once.
    virtual void DatabaseMgrProgress(const std::string& /*line*/) {}
    // Closes the database manager dialog if it is shown.
    virtual void CloseDatabaseMgrDialog() {}

    // The serial-port error dialog of the telephone and GSM managers, titled `title`, listing the
    // serial ports with `port` preselected. True with the chosen port in `port` on OK; false on
    // Cancel, after which the caller disables that modem.
    virtual bool SerialPortErrorDialog(const std::string& /*title*/, int& /*port*/) { return false; }
    // Asked before that dialog: true to keep the modem enabled and wait for its port instead (the
    // manager shows the state and opens the port as soon as it appears, looking every 10 s). A
    // station without an operator answers true; by default the dialog decides.
    virtual bool RetryMissingPort() { return false; }

    // The folder picker, titled `title`, opened at startFolder. False when the operator cancels.
    virtual bool BrowseForFolder(const std::string& /*title*/, const std::string& /*startFolder*/,
                                 std::string& /*folder*/) {
        return false;
    }
};
