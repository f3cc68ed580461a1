#include "GuiFrontEnd.h"

#include "DatabaseMgrDlg.h"
#include "DbResults.h"
#include "GuiText.h"
#include "MORADoc.h"
#include "MainFrame.h"
#include "MessageBox.h"
#include "MsgKinds.h"
#include "SelectOperatorDlg.h"
#include "SetComPort.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFileDialog>

namespace {

// One posted event per message in the core's queue.
const QEvent::Type WAKE_UP_EVENT = static_cast<QEvent::Type>(QEvent::User + 1);

} // namespace

CGuiFrontEnd::CGuiFrontEnd() = default;

CGuiFrontEnd::~CGuiFrontEnd() {
    while (m_waitCursor > 0) {
        SetWaitCursor(false);
    }
}

void CGuiFrontEnd::Attach(CMORADoc* doc, CMainFrame* frame) {
    m_doc = doc;
    m_frame = frame;
    if (m_frame == nullptr) {
        return;
    }
    if (!m_title.empty()) {
        m_frame->setWindowTitle(Gui::Q(m_title));
    }
    for (auto& [pane, text] : m_pendingPanes) {
        m_frame->SetPaneText(pane, Gui::Q(text));
    }
    m_pendingPanes.clear();
    for (auto& [text, toFront] : m_pendingInfo) {
        m_frame->AddSystemInfo(text, toFront);
    }
    m_pendingInfo.clear();
}

QWidget* CGuiFrontEnd::DialogParent() const {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    if (QWidget* active = QApplication::activeWindow()) {
        return active;
    }
    return m_frame;
}

IFrontEnd::EResult CGuiFrontEnd::MessageBox(const std::string& text, EButtons buttons, EIcon icon,
                                            int defaultButton) {
    return CMessageBox::Show(DialogParent(), text, buttons, icon, defaultButton);
}

void CGuiFrontEnd::SetPaneText(int pane, const std::string& text) {
    if (m_frame == nullptr) {
        m_pendingPanes.emplace_back(pane, text);
        return;
    }
    m_frame->SetPaneText(pane, Gui::Q(text));
}

void CGuiFrontEnd::AddSystemInfo(const std::string& text, bool toFront) {
    if (m_frame == nullptr) {
        m_pendingInfo.emplace_back(text, toFront);
        return;
    }
    m_frame->AddSystemInfo(text, toFront);
}

void CGuiFrontEnd::Beep(EBeep) {
    QApplication::beep();
}

IFrontEnd::EDbMgrAnswer CGuiFrontEnd::DatabaseMgrDialog(int mode, const std::vector<std::string>& lines) {
    if (!m_dbMgrDlg) {
        // Owned here, not by the main window: it is asked at start-up and may outlive the frame.
        m_dbMgrDlg = std::make_unique<CDatabaseMgrDlg>(nullptr);
    }
    return m_dbMgrDlg->Ask(mode, lines);
}

void CGuiFrontEnd::DatabaseMgrProgress(const std::string& line) {
    if (m_dbMgrDlg) {
        m_dbMgrDlg->AddProgress(line);
    }
}

void CGuiFrontEnd::CloseDatabaseMgrDialog() {
    if (m_dbMgrDlg) {
        m_dbMgrDlg->CloseDialog();
    }
}

bool CGuiFrontEnd::SerialPortErrorDialog(const std::string& title, int& port) {
    return CSetComPort::Run(DialogParent(), title, port);
}

bool CGuiFrontEnd::BrowseForFolder(const std::string& title, const std::string& startFolder,
                                   std::string& folder) {
    const QString chosen =
        QFileDialog::getExistingDirectory(DialogParent(), Gui::Q(title), Gui::Q(startFolder));
    if (chosen.isEmpty()) {
        return false;
    }
    folder = Gui::S(chosen);
    return true;
}

void CGuiFrontEnd::ListChanged() {
    if (m_frame != nullptr) {
        m_frame->ListChanged();
    }
}

void CGuiFrontEnd::SetWaitCursor(bool wait) {
    if (wait) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++m_waitCursor;
    } else if (m_waitCursor > 0) {
        QApplication::restoreOverrideCursor();
        --m_waitCursor;
    }
}

void CGuiFrontEnd::RaiseMainWindow() {
    if (m_frame != nullptr) {
        m_frame->BringToFront();
    }
}

void CGuiFrontEnd::DialogOpened(CAlarmDialog& dialog) {
    if (m_frame != nullptr) {
        m_frame->OpenAlarmDialog(dialog);
    }
}

void CGuiFrontEnd::DialogChanged(CAlarmDialog& dialog) {
    if (m_frame != nullptr) {
        m_frame->AlarmDialogChanged(dialog);
    }
}

void CGuiFrontEnd::DialogClosing(CAlarmDialog& dialog) {
    if (m_frame != nullptr) {
        m_frame->AlarmDialogClosing(dialog);
    }
}

void CGuiFrontEnd::RaiseDialog(CAlarmDialog& dialog) {
    if (m_frame != nullptr) {
        m_frame->RaiseAlarmDialog(dialog);
    }
}

void CGuiFrontEnd::PlayAlertSound() {
    if (m_frame != nullptr) {
        m_frame->PlayAlertSound();
    }
}

void CGuiFrontEnd::WakeUp() {
    // Any thread: postEvent is thread-safe and the event is served on the GUI thread.
    QCoreApplication::postEvent(this, new QEvent(WAKE_UP_EVENT));
}

void CGuiFrontEnd::customEvent(QEvent* event) {
    if (event->type() == WAKE_UP_EVENT && m_doc != nullptr) {
        m_doc->OnUserMessage();
    }
}

void CGuiFrontEnd::SetTitle(const std::string& title) {
    m_title = title;
    if (m_frame != nullptr) {
        m_frame->setWindowTitle(Gui::Q(title));
    }
}

bool CGuiFrontEnd::SelectOperator(bool startup, std::string& name) {
    if (m_doc == nullptr) {
        return false;
    }
    return CSelectOperatorDlg::Run(DialogParent(), m_doc->Settings(), startup, name);
}

void CGuiFrontEnd::RequestClose() {
    if (m_frame != nullptr) {
        QMetaObject::invokeMethod(
            m_frame, [frame = m_frame] { frame->CloseWithoutAsking(); }, Qt::QueuedConnection);
    }
}

MsgPtr CGuiFrontEnd::DeliverReply(MsgPtr reply) {
    if (m_frame == nullptr || !reply) {
        return reply;
    }
    return m_frame->DeliverReply(std::move(reply));
}
