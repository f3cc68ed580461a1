#pragma once

#include "AlarmDialog.h"
#include "Msg.h"

#include <QMainWindow>

#include <map>
#include <memory>
#include <string>

class CAlertSound;
class CExportObjectInfoDlg;
class CEventMsgDlg;
class CGenerateP100MsgDlg;
class CGuiFrontEnd;
class CMORADoc;
class CMainView;
class CObjectInfoDlg;
class CPrintDlg;
class CSendSmsDlg;
class CSystemInformationDlg;
class QAction;
class QLabel;
class QMenu;
class QTimer;

// The station's one top-level window: menu, tool bar, the alarm list and the status bar panes.
// It owns the modeless dialogs and closes them before the core shuts down.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int PANE_COUNT = 4;

    CMainFrame(CMORADoc& doc, CGuiFrontEnd& frontEnd);
    ~CMainFrame() override;

    // After the core started: the print dialog, the refresh timer, the command states.
    void StationStarted();

    void SetPaneText(int pane, const QString& text);
    QString PaneText(int pane) const;
    void AddSystemInfo(const std::string& text, bool toFront);
    void ListChanged();
    void BringToFront();
    void PlayAlertSound();

    // The alarm pop-ups, one window per CAlarmDialog.
    void OpenAlarmDialog(CAlarmDialog& dialog);
    void AlarmDialogChanged(CAlarmDialog& dialog);
    void AlarmDialogClosing(CAlarmDialog& dialog);
    void RaiseAlarmDialog(CAlarmDialog& dialog);
    CEventMsgDlg* AlarmDialogWindow(const CAlarmDialog& dialog) const;

    // The alarm dialog's object button: the object dialog, or a beep when it is already open.
    void OpenObjectFromAlarm(const CAlarmDialog::SObjectRequest& request);
    MsgPtr DeliverReply(MsgPtr reply);

    // Ends the program without the question (a stop signal, a manager that failed to restart).
    void CloseWithoutAsking();

    // A command by its symbol, such as "ID_ALARMLIST_VIEW"; null when there is none.
    QAction* Action(const QString& command) const;
    CMainView& View() const { return *m_view; }
    CAlertSound& AlertSound() const { return *m_alert; }
    CObjectInfoDlg& ObjectDlg() const { return *m_objectDlg; }
    CSystemInformationDlg& SystemInfoDlg() const { return *m_systemInfoDlg; }
    CPrintDlg* PrintDialog() const { return m_printDlg; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    QAction* AddCommand(QMenu* menu, const char* command, const QKeySequence& shortcut = {},
                        const char* icon = nullptr);
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void UpdateCommandStates();
    void ShutDown();
    void ArmRefreshTimer();

    // Menu commands
    void OnSettings();
    void OnChangeOperator();

    CMORADoc& m_doc;
    CGuiFrontEnd& m_frontEnd;
    CMainView* m_view = nullptr;
    CAlertSound* m_alert = nullptr;
    std::map<QString, QAction*> m_actions;
    QMenu* m_alarmListMenu = nullptr;
    QLabel* m_panes[PANE_COUNT] = {};
    QTimer* m_refreshTimer = nullptr;
    std::map<const CAlarmDialog*, CEventMsgDlg*> m_alarmDialogs;

    CObjectInfoDlg* m_objectDlg = nullptr;
    CSystemInformationDlg* m_systemInfoDlg = nullptr;
    CExportObjectInfoDlg* m_exportDlg = nullptr;
    CGenerateP100MsgDlg* m_p100Dlg = nullptr;
    CSendSmsDlg* m_sendSmsDlg = nullptr;
    CPrintDlg* m_printDlg = nullptr;
    bool m_closing = false;
    bool m_shutDown = false;
};
