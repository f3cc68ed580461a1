#pragma once

#include "StationFrontEnd.h"

#include <QObject>

#include <memory>
#include <string>
#include <vector>

class CMORADoc;
class CMainFrame;
class CDatabaseMgrDlg;

// The station's front end in the Qt GUI: questions become dialogs, panes and system information
// go to the main window, and each message posted to the core's queue becomes one Qt event that
// serves it on the GUI thread.
class CGuiFrontEnd : public QObject, public IStationFrontEnd {
    Q_OBJECT
public:
    CGuiFrontEnd();
    ~CGuiFrontEnd() override;

    // The document whose queue the wake-ups serve, and the main window that shows everything.
    // Until the frame is attached, pane texts and system information lines are kept for it.
    void Attach(CMORADoc* doc, CMainFrame* frame);

    // IFrontEnd
    EResult MessageBox(const std::string& text, EButtons buttons, EIcon icon, int defaultButton) override;
    void SetPaneText(int pane, const std::string& text) override;
    void AddSystemInfo(const std::string& text, bool toFront) override;
    void Beep(EBeep beep) override;
    EDbMgrAnswer DatabaseMgrDialog(int mode, const std::vector<std::string>& lines) override;
    void DatabaseMgrProgress(const std::string& line) override;
    void CloseDatabaseMgrDialog() override;
    bool SerialPortErrorDialog(const std::string& title, int& port) override;
    bool BrowseForFolder(const std::string& title, const std::string& startFolder,
                         std::string& folder) override;

    // IAlarmView: drawn by the main window's list
    void ListChanged() override;
    void SetWaitCursor(bool wait) override;
    void RaiseMainWindow() override;
    void DialogOpened(CAlarmDialog& dialog) override;
    void DialogChanged(CAlarmDialog& dialog) override;
    void DialogClosing(CAlarmDialog& dialog) override;
    void RaiseDialog(CAlarmDialog& dialog) override;
    void PlayAlertSound() override;

    // IStationFrontEnd
    void WakeUp() override;
    void SetTitle(const std::string& title) override;
    bool SelectOperator(bool startup, std::string& name) override;
    void RequestClose() override;
    MsgPtr DeliverReply(MsgPtr reply) override;

protected:
    void customEvent(QEvent* event) override;

private:
    QWidget* DialogParent() const;

    CMORADoc* m_doc = nullptr;
    CMainFrame* m_frame = nullptr;
    std::unique_ptr<CDatabaseMgrDlg> m_dbMgrDlg;
    std::vector<std::pair<int, std::string>> m_pendingPanes;
    std::vector<std::pair<std::string, bool>> m_pendingInfo;
    std::string m_title;
    int m_waitCursor = 0;
};
