#pragma once

class CAlarmDialog;

// What the alarm list and its alarm dialogs need from whoever draws them (the Qt GUI, the headless
// front end or a test). The logic lives in CAlarmList and CAlarmDialog; the view only renders it.
class IAlarmView {
public:
    virtual ~IAlarmView() = default;

    // Rows, selection, sort or background changed: redraw the list from the model.
    virtual void ListChanged() = 0;
    virtual void SetWaitCursor(bool /*wait*/) {}
    // Restore the main window when minimised and bring it to the foreground.
    virtual void RaiseMainWindow() {}

    // A dialog was created and filled, changed, or is about to be destroyed.
    virtual void DialogOpened(CAlarmDialog& dialog) = 0;
    virtual void DialogChanged(CAlarmDialog& /*dialog*/) {}
    virtual void DialogClosing(CAlarmDialog& /*dialog*/) {}
    // A call event arrived for this dialog: bring it to the top (not on every redraw).
    virtual void RaiseDialog(CAlarmDialog& /*dialog*/) {}

    // The operator changed an alarm's status.
    virtual void AlarmStatusChanged(unsigned /*key*/, int /*status*/) {}

    // Starts the built-in alert sound once, asynchronously, without looping.
    virtual void PlayAlertSound() = 0;
};
