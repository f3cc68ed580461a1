#include "MainFrame.h"

#include "AboutDlg.h"
#include "AlertSound.h"
#include "DbResults.h"
#include "EditUserMsgDlg.h"
#include "EventMsgDlg.h"
#include "ExportObjectInfoDlg.h"
#include "GenerateP100MsgDlg.h"
#include "GuiFrontEnd.h"
#include "GuiText.h"
#include "MORADoc.h"
#include "MainView.h"
#include "MessageBox.h"
#include "MsgKinds.h"
#include "ObjectInfoDlg.h"
#include "PrintDlg.h"
#include "SendSmsDlg.h"
#include "SettingsSheet.h"
#include "SystemInformationDlg.h"
#include "Translate.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>

// The icons and the alert sound live in a static library; their registration must be pulled in.
static void InitUiResources() {
    Q_INIT_RESOURCE(ui);
}

namespace {

// Filter bits of the four filter commands, in menu order.
struct SFilterCommand {
    const char* command;
    int bit;
    const char* icon;
};
constexpr SFilterCommand FILTERS[] = {
    {"ID_ALARMLIST_FILTER_NEW", 0, ":/mora/disc-red.png"},
    {"ID_ALARMLIST_FILTER_ACKNOWLEDGED", 1, ":/mora/disc-yellow.png"},
    {"ID_ALARMLIST_FILTER_FINISHED", 2, ":/mora/disc-green.png"},
    {"ID_ALARMLIST_FILTER_INFOALARMS", 3, ":/mora/disc-cyan.png"},
};

// The commands with a tool bar button have a tool tip tag of their own.
const char* const TOOLTIP_COMMANDS[] = {
    "ID_FILE_NEW",
    "ID_FILE_OPEN",
    "ID_FILE_SAVE",
    "ID_FILE_PRINT",
    "ID_ALARMLIST_VIEW",
    "ID_ALARMLIST_REFRESH",
    "ID_ALARMLIST_FILTER_NEW",
    "ID_ALARMLIST_FILTER_ACKNOWLEDGED",
    "ID_ALARMLIST_FILTER_FINISHED",
    "ID_ALARMLIST_FILTER_INFOALARMS",
    "ID_OPTIONS_UNATTENDED",
    "ID_OPTIONS_SYSTEMINFORMATION",
    "ID_APP_ABOUT",
};

QString CommandText(const char* command) {
    return Gui::Q(Text::Tr(std::string("IDC_MENU_") + command));
}

} // namespace

CMainFrame::CMainFrame(CMORADoc& doc, CGuiFrontEnd& frontEnd) : m_doc(doc), m_frontEnd(frontEnd) {
    setObjectName(QStringLiteral("MainFrame"));
    InitUiResources();
    setWindowIcon(QIcon(QStringLiteral(":/mora/mora.png")));
    m_alert = new CAlertSound(this);
    m_alert->NoAudioDevice = [this] { AddSystemInfo(Text::Tr("IDS_MAINFRM_NO_AUDIO_DEVICE"), false); };

    m_view = new CMainView(doc.AlarmList(), doc.Settings(), this);
    setCentralWidget(m_view);
    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    m_view->SetContextMenu(m_alarmListMenu);
    connect(m_view, &QAbstractItemView::doubleClicked, this, [this] { m_doc.AlarmList().View(); });
    m_view->ViewRequested = [this] { m_doc.AlarmList().View(); };
    m_view->SelectionChangedByOperator = [this] {
        if (m_printDlg != nullptr) {
            m_printDlg->SelectionChanged();
        }
    };

    // The modeless windows live as long as the main window and start hidden.
    m_objectDlg = new CObjectInfoDlg(doc, this);
    m_systemInfoDlg = new CSystemInformationDlg(this);
    m_exportDlg = new CExportObjectInfoDlg(doc, this);
    m_p100Dlg = new CGenerateP100MsgDlg(doc, this);
    m_sendSmsDlg = new CSendSmsDlg(doc, this);
    doc.GsmMgr().SetSendSmsView(m_sendSmsDlg);
    auto* p100 = new QShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_F1), this);
    connect(p100, &QShortcut::activated, this, [this] { m_p100Dlg->ShowDialog(); });

    m_refreshTimer = new QTimer(this);
    connect(m_refreshTimer, &QTimer::timeout, this, [this] { m_doc.AlarmList().OnRefreshTimer(); });

    const QFontMetrics fm(font());
    resize(std::max(1000, fm.averageCharWidth() * 150), 640);
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    ShutDown();
}

QAction* CMainFrame::AddCommand(QMenu* menu, const char* command, const QKeySequence& shortcut,
                                const char* icon) {
    const QString id = QString::fromLatin1(command);
    QAction* action = nullptr;
    const auto it = m_actions.find(id);
    if (it != m_actions.end()) {
        action = it->second;
    } else {
        action = new QAction(CommandText(command), this);
        action->setObjectName(id);
        if (!shortcut.isEmpty()) {
            action->setShortcut(shortcut);
        }
        if (icon != nullptr) {
            action->setIcon(QIcon(QString::fromLatin1(icon)));
        }
        // Prompts and tool tips are looked up when shown, so they follow the language at once.
        action->setStatusTip(id);
        m_actions[id] = action;
        addAction(action);
    }
    if (menu != nullptr) {
        menu->addAction(action);
    }
    return action;
}

QAction* CMainFrame::Action(const QString& command) const {
    const auto it = m_actions.find(command);
    return it != m_actions.end() ? it->second : nullptr;
}

void CMainFrame::BuildMenus() {
    CAlarmList& list = m_doc.AlarmList();
    QMenu* file = menuBar()->addMenu(Gui::Tr("IDC_MENU_POPUP_FILE"));
    connect(AddCommand(file, "ID_FILE_NEW", QKeySequence(Qt::CTRL | Qt::Key_N), ":/mora/new.png"),
            &QAction::triggered, this, [this] { m_objectDlg->FileNew(); });
    connect(AddCommand(file, "ID_FILE_OPEN", QKeySequence(Qt::CTRL | Qt::Key_O), ":/mora/open.png"),
            &QAction::triggered, this, [this] { m_objectDlg->FileOpen(); });
    connect(AddCommand(file, "ID_FILE_SAVE", QKeySequence(Qt::CTRL | Qt::Key_S), ":/mora/save.png"),
            &QAction::triggered, this, [this] { m_objectDlg->FileSave(); });
    file->addSeparator();
    connect(AddCommand(file, "ID_FILE_PRINT", QKeySequence(Qt::CTRL | Qt::Key_P), ":/mora/print.png"),
            &QAction::triggered, this, [this] {
                if (m_printDlg != nullptr) {
                    m_printDlg->ShowDialog();
                }
            });
    connect(AddCommand(file, "ID_FILE_PRINT_PREVIEW"), &QAction::triggered, this, [this] {
        if (m_printDlg != nullptr) {
            m_printDlg->PrintPreview();
        }
    });
    connect(AddCommand(file, "ID_FILE_PRINT_SETUP"), &QAction::triggered, this, [this] {
        if (m_printDlg != nullptr) {
            m_printDlg->PrintSetup();
        }
    });
    file->addSeparator();
    connect(AddCommand(file, "ID_APP_EXIT"), &QAction::triggered, this, &QWidget::close);

    QMenu* options = menuBar()->addMenu(Gui::Tr("IDC_MENU_POPUP_OPTIONS"));
    connect(AddCommand(options, "ID_OPTIONS_SETTINGS"), &QAction::triggered, this, &CMainFrame::OnSettings);
    connect(AddCommand(options, "ID_OPTIONS_SEND_SMS"), &QAction::triggered, this,
            [this] { m_doc.GsmMgr().ShowSendSmsDlg(); });
    connect(AddCommand(options, "ID_OPTIONS_CHANGE_OPERATOR"), &QAction::triggered, this,
            &CMainFrame::OnChangeOperator);
    connect(AddCommand(options, "ID_OPTIONS_EDIT_USER_MSG_FILE"), &QAction::triggered, this,
            [this] { CEditUserMsgDlg::Run(m_doc, this); });
    QMenu* exportMenu = options->addMenu(Gui::Tr("IDC_MENU_POPUP_EXPORT"));
    connect(AddCommand(exportMenu, "ID_OPTIONS_EXPORT_OBJECTINFO"), &QAction::triggered, this,
            [this] { m_exportDlg->ShowDialog(); });
    connect(AddCommand(options, "ID_OPTIONS_SYSTEMINFORMATION", {}, ":/mora/info.png"), &QAction::triggered,
            this, [this] { m_systemInfoDlg->ShowDialog(); });
    QAction* unattended = AddCommand(options, "ID_OPTIONS_UNATTENDED", {}, ":/mora/eye.png");
    unattended->setCheckable(true);
    connect(unattended, &QAction::triggered, this, [this, &list] {
        list.ToggleUnattended();
        UpdateCommandStates();
    });

    m_alarmListMenu = menuBar()->addMenu(Gui::Tr("IDC_MENU_POPUP_ALARMLIST"));
    QAction* view = AddCommand(m_alarmListMenu, "ID_ALARMLIST_VIEW", {}, ":/mora/view.png");
    // Space and Return belong to the list (as shortcuts they would take the keys from every field).
    connect(view, &QAction::triggered, this, [&list] { list.View(); });
    connect(AddCommand(m_alarmListMenu, "ID_ALARMLIST_DELETE", QKeySequence(Qt::Key_Delete)),
            &QAction::triggered, this, [&list] { list.DeleteSelected(); });
    connect(
        AddCommand(m_alarmListMenu, "ID_ALARMLIST_REFRESH", QKeySequence(Qt::Key_F5), ":/mora/refresh.png"),
        &QAction::triggered, this, [&list] { list.Refresh(); });
    QMenu* filter = m_alarmListMenu->addMenu(Gui::Tr("IDC_MENU_POPUP_FILTER"));
    for (const auto& f : FILTERS) {
        QAction* action = AddCommand(filter, f.command, {}, f.icon);
        action->setCheckable(true);
        const int bit = f.bit;
        connect(action, &QAction::triggered, this, [this, &list, bit] {
            list.ToggleFilter(bit);
            UpdateCommandStates();
        });
    }
    QMenu* setStatus = m_alarmListMenu->addMenu(Gui::Tr("IDC_MENU_POPUP_SET_STATUS"));
    connect(AddCommand(setStatus, "ID_ALARMLIST_SETSTATUS_ACKNOWLEDGED"), &QAction::triggered, this,
            [&list] { list.SetStatusOfSelection(CAlarmInfoMsg::ALARMSTATUS_ACKNOWLEDGED); });
    connect(AddCommand(setStatus, "ID_ALARMLIST_SETSTATUS_FINISHED"), &QAction::triggered, this,
            [&list] { list.SetStatusOfSelection(CAlarmInfoMsg::ALARMSTATUS_FINISHED); });
    AddCommand(m_alarmListMenu, "ID_FILE_PRINT");

    QMenu* help = menuBar()->addMenu(Gui::Tr("IDC_MENU_POPUP_HELP"));
    connect(AddCommand(help, "ID_APP_ABOUT", {}, ":/mora/about.png"), &QAction::triggered, this,
            [this] { CAboutDlg::Run(this); });

    for (QMenu* menu : {file, options, m_alarmListMenu, help}) {
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    }
}

void CMainFrame::BuildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("MORA"));
    bar->setObjectName(QStringLiteral("toolBar"));
    bar->setIconSize(QSize(16, 16));
    bar->setMovable(true);
    bar->setAllowedAreas(Qt::AllToolBarAreas);
    const char* const layout[] = {"ID_FILE_NEW",
                                  "ID_FILE_OPEN",
                                  "ID_FILE_SAVE",
                                  nullptr,
                                  "ID_FILE_PRINT",
                                  nullptr,
                                  "ID_ALARMLIST_VIEW",
                                  "ID_ALARMLIST_REFRESH",
                                  "ID_ALARMLIST_FILTER_NEW",
                                  "ID_ALARMLIST_FILTER_ACKNOWLEDGED",
                                  "ID_ALARMLIST_FILTER_FINISHED",
                                  "ID_ALARMLIST_FILTER_INFOALARMS",
                                  nullptr,
                                  "ID_OPTIONS_UNATTENDED",
                                  nullptr,
                                  "ID_OPTIONS_SYSTEMINFORMATION",
                                  "ID_APP_ABOUT"};
    for (const char* command : layout) {
        if (command == nullptr) {
            bar->addSeparator();
        } else {
            bar->addAction(Action(QString::fromLatin1(command)));
        }
    }
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(true);
    const int charWidth = fontMetrics().averageCharWidth();
    const int widths[PANE_COUNT] = {0, 35, 50, 50};
    for (int pane = 0; pane < PANE_COUNT; ++pane) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("pane%1").arg(pane));
        label->setTextFormat(Qt::PlainText);
        label->setContentsMargins(4, 0, 4, 0);
        if (pane == 0) {
            bar->addWidget(label, 1);
            label->setText(Gui::Tr("AFX_IDS_IDLEMESSAGE"));
        } else {
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            label->setMinimumWidth(widths[pane] * charWidth * 3 / 4);
            label->setMaximumWidth(widths[pane] * charWidth);
            bar->addPermanentWidget(label);
        }
        m_panes[pane] = label;
    }
    SetPaneText(1, Gui::Tr(m_doc.Settings().MailEnabled != 0 ? "IDS_MORADOC_MSG_1" : "IDS_MORADOC_MSG_2"));
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        // The tip carries the command symbol; its prompt is looked up in the current language.
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        SetPaneText(0, tip.isEmpty() ? Gui::Tr("AFX_IDS_IDLEMESSAGE")
                                     : Gui::Q(Text::Tr("IDS_MAINFRM_STATUSBAR_" + tip.toStdString())));
        return true;
    }
    if (event->type() == QEvent::ToolTip) {
        return QMainWindow::event(event);
    }
    return QMainWindow::event(event);
}

void CMainFrame::UpdateCommandStates() {
    const CAlarmList& list = m_doc.AlarmList();
    for (const auto& f : FILTERS) {
        Action(QString::fromLatin1(f.command))->setChecked((list.FilterMask() & (1u << f.bit)) != 0);
    }
    QAction* unattended = Action(QStringLiteral("ID_OPTIONS_UNATTENDED"));
    unattended->setChecked(list.Unattended());
    unattended->setEnabled(list.UnattendedCommandEnabled());
    Action(QStringLiteral("ID_OPTIONS_SEND_SMS"))->setEnabled(m_doc.Settings().GsmEnabled != 0);
    const bool printing = m_printDlg != nullptr;
    for (const char* command : {"ID_FILE_PRINT", "ID_FILE_PRINT_PREVIEW", "ID_FILE_PRINT_SETUP"}) {
        Action(QString::fromLatin1(command))->setEnabled(printing);
    }
    // Tool tips follow the language of the moment.
    for (const char* command : TOOLTIP_COMMANDS) {
        Action(QString::fromLatin1(command))
            ->setToolTip(Gui::Q(Text::Tr(std::string("IDS_TOOLBAR_TOOLTIP_") + command)));
    }
}

void CMainFrame::StationStarted() {
    if (m_printDlg == nullptr) {
        m_printDlg = new CPrintDlg(m_doc, this);
    }
    ArmRefreshTimer();
    UpdateCommandStates();
}

void CMainFrame::ArmRefreshTimer() {
    const std::uint32_t period = m_doc.AlarmList().RefreshTimerPeriodMs();
    m_refreshTimer->stop();
    if (period != 0) {
        m_refreshTimer->start(static_cast<int>(period));
    }
}

void CMainFrame::SetPaneText(int pane, const QString& text) {
    if (pane >= 0 && pane < PANE_COUNT && m_panes[pane] != nullptr) {
        m_panes[pane]->setText(text);
        m_panes[pane]->setToolTip(pane == 0 ? QString() : text);
    }
}

QString CMainFrame::PaneText(int pane) const {
    return pane >= 0 && pane < PANE_COUNT && m_panes[pane] != nullptr ? m_panes[pane]->text() : QString();
}

void CMainFrame::AddSystemInfo(const std::string& text, bool toFront) {
    m_systemInfoDlg->AddLine(text, toFront);
}

void CMainFrame::ListChanged() {
    m_view->ListChanged();
    UpdateCommandStates();
    // The print dialog's counts follow the list, whoever changed it.
    if (m_printDlg != nullptr) {
        m_printDlg->SelectionChanged();
    }
}

void CMainFrame::BringToFront() {
    if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
}

void CMainFrame::PlayAlertSound() {
    m_alert->Play();
}

void CMainFrame::OpenAlarmDialog(CAlarmDialog& dialog) {
    if (m_shutDown) {
        return; // alarms stored during the shut-down are in the log; no window opens any more
    }
    auto* window = new CEventMsgDlg(
        dialog, [this](const CAlarmDialog::SObjectRequest& request) { OpenObjectFromAlarm(request); }, this);
    m_alarmDialogs[&dialog] = window;
    // Several pop-ups at once: each new one a little lower and to the right of the last.
    const int offset = 24 * static_cast<int>((m_alarmDialogs.size() - 1) % 8);
    const QRect area = geometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2) + QPoint(offset, offset));
    window->show();
    window->raise();
    window->activateWindow();
}

CEventMsgDlg* CMainFrame::AlarmDialogWindow(const CAlarmDialog& dialog) const {
    const auto it = m_alarmDialogs.find(&dialog);
    return it != m_alarmDialogs.end() ? it->second : nullptr;
}

void CMainFrame::AlarmDialogChanged(CAlarmDialog& dialog) {
    if (CEventMsgDlg* window = AlarmDialogWindow(dialog)) {
        window->Refresh();
    }
}

void CMainFrame::AlarmDialogClosing(CAlarmDialog& dialog) {
    const auto it = m_alarmDialogs.find(&dialog);
    if (it != m_alarmDialogs.end()) {
        it->second->Detach();
        m_alarmDialogs.erase(it);
    }
}

void CMainFrame::RaiseAlarmDialog(CAlarmDialog& dialog) {
    if (CEventMsgDlg* window = AlarmDialogWindow(dialog)) {
        if (window->isMinimized()) {
            window->showNormal();
        }
        window->raise();
        window->activateWindow();
    }
}

void CMainFrame::OpenObjectFromAlarm(const CAlarmDialog::SObjectRequest& request) {
    if (m_objectDlg->isVisible()) {
        QApplication::beep();
        m_objectDlg->raise();
        m_objectDlg->activateWindow();
        return;
    }
    m_objectDlg->OpenFromAlarm(request);
}

MsgPtr CMainFrame::DeliverReply(MsgPtr reply) {
    switch (reply->Kind) {
    case MsgKind::UI_OBJECT_REPLY:
    case MsgKind::UI_CUSTOMER_REPLY:
    case MsgKind::UI_MAILREC_REPLY:
    case MsgKind::UI_SMSNUM_REPLY:
        return m_objectDlg->OnReply(std::move(reply));
    case MsgKind::UI_EXPORT_OBJECT_REPLY:
        return m_exportDlg->OnReply(std::move(reply));
    case MsgKind::UI_ALARM_RECORD:
        return m_printDlg != nullptr ? m_printDlg->OnReply(std::move(reply)) : std::move(reply);
    default:
        return reply;
    }
}

void CMainFrame::OnSettings() {
    const unsigned groups = CSettingsSheet::Run(m_doc, this);
    m_doc.OnSettingsChanged(groups);
    ArmRefreshTimer();
    UpdateCommandStates();
}

void CMainFrame::OnChangeOperator() {
    m_doc.SelectOperator(false);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!m_closing) {
        const auto answer = CMessageBox::Show(this, Text::Tr("IDS_MAINFRM_MSG_1"), IFrontEnd::EButtons::YesNo,
                                              IFrontEnd::EIcon::Warning, 1);
        if (answer != IFrontEnd::EResult::Yes) {
            event->ignore();
            return;
        }
    }
    ShutDown();
    event->accept();
    // Alarm pop-ups are windows of their own; the program ends with the main window.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void CMainFrame::CloseWithoutAsking() {
    m_closing = true;
    close();
}

void CMainFrame::ShutDown() {
    if (m_shutDown) {
        return;
    }
    m_shutDown = true;
    m_refreshTimer->stop();
    // The windows go first, then the list saves its columns, then the core stops in order.
    for (auto& [dialog, window] : m_alarmDialogs) {
        window->Detach();
    }
    m_alarmDialogs.clear();
    m_doc.GsmMgr().SetSendSmsView(nullptr);
    for (QDialog* dialog : std::initializer_list<QDialog*>{m_objectDlg, m_systemInfoDlg, m_exportDlg,
                                                           m_p100Dlg, m_sendSmsDlg, m_printDlg}) {
        if (dialog != nullptr) {
            dialog->hide();
        }
    }
    m_doc.AlarmList().Close(m_view->ColumnWidths());
    m_doc.Shutdown();
}
