#include "DatabaseMgrDlg.h"

#include "GuiText.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// Long lines (German and French ones are) wrap instead of running out of sight.
void WrapLines(QListWidget* list) {
    list->setWordWrap(true);
    list->setResizeMode(QListView::Adjust);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setTextElideMode(Qt::ElideNone);
}

} // namespace

// A window of its own: it comes before the main window is shown, and its owner deletes it.
CDatabaseMgrDlg::CDatabaseMgrDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DatabaseMgrDlg"));
    setWindowTitle(Gui::Tr("IDC_DATABASE_MGR_CAPTION"));
    setWindowModality(Qt::ApplicationModal);

    auto* messageGroup = new QGroupBox(Gui::Tr("IDC_OPEN_OBJECT_INFO_MESSAGE"), this);
    m_messages = new QListWidget(messageGroup);
    m_messages->setObjectName(QStringLiteral("Messages"));
    m_messages->setSelectionMode(QAbstractItemView::NoSelection);
    m_messages->setMinimumWidth(400);
    WrapLines(m_messages);
    m_messages->setMinimumHeight(m_messages->fontMetrics().lineSpacing() * 5 + 12);
    (new QVBoxLayout(messageGroup))->addWidget(m_messages);

    auto* actionGroup = new QGroupBox(Gui::Tr("IDC_OPEN_OBJECT_INFO_ACTION"), this);
    auto* actionLayout = new QVBoxLayout(actionGroup);
    static constexpr const char* NAMES[] = {"ChangePath", "NewEmpty", "NewCopy"};
    for (int i = 0; i < CDatabaseMgrChoice::CHOICE_COUNT; ++i) {
        const auto choice = static_cast<CDatabaseMgrChoice::EChoice>(i);
        m_choices[i] = new QRadioButton(Gui::Tr(CDatabaseMgrChoice::ChoiceTag(choice)), actionGroup);
        m_choices[i]->setObjectName(QLatin1String(NAMES[i]));
        actionLayout->addWidget(m_choices[i]);
        connect(m_choices[i], &QRadioButton::toggled, this, [this, choice](bool on) {
            if (on) {
                m_choice.Select(choice);
            }
        });
    }

    auto* progressGroup = new QGroupBox(Gui::Tr("IDC_OPEN_OBJECT_INFO_PROGRESS"), this);
    m_progress = new QListWidget(progressGroup);
    m_progress->setObjectName(QStringLiteral("Progress"));
    m_progress->setSelectionMode(QAbstractItemView::NoSelection);
    WrapLines(m_progress);
    m_progress->setMinimumHeight(m_progress->fontMetrics().lineSpacing() * 5 + 12);
    (new QVBoxLayout(progressGroup))->addWidget(m_progress);

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(Gui::Tr("IDS_IDOK"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("OK"));
    auto* cancel = buttons->addButton(Gui::Tr("IDS_IDCANCEL"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Cancel"));
    connect(m_ok, &QPushButton::clicked, this, [this] { Answer(m_choice.OkAnswer()); });
    connect(cancel, &QPushButton::clicked, this, [this] { Answer(IFrontEnd::EDbMgrAnswer::Cancel); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(messageGroup);
    layout->addWidget(actionGroup);
    layout->addWidget(progressGroup, 1);
    layout->addWidget(buttons);
}

CDatabaseMgrDlg::~CDatabaseMgrDlg() {
    if (m_loop != nullptr) {
        m_loop->exit();
    }
}

IFrontEnd::EDbMgrAnswer CDatabaseMgrDlg::Ask(int mode, const std::vector<std::string>& lines) {
    m_choice.SetMode(mode, lines);
    ShowChoice();
    if (!isVisible()) {
        show();
    }
    raise();
    activateWindow();
    m_ok->setFocus();
    // The database manager waits here, as in a modal dialog, but the window stays up between its
    // questions so that the progress lines can follow.
    QEventLoop loop;
    m_loop = &loop;
    m_answer = IFrontEnd::EDbMgrAnswer::Cancel;
    loop.exec(QEventLoop::DialogExec);
    m_loop = nullptr;
    return m_answer;
}

void CDatabaseMgrDlg::AddProgress(const std::string& line) {
    m_choice.AddProgress(line);
    m_progress->insertItem(0, Gui::Q(line));
    if (isVisible()) {
        // The manager works on this thread; let the line be drawn before it goes on.
        m_progress->repaint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void CDatabaseMgrDlg::CloseDialog() {
    hide();
}

void CDatabaseMgrDlg::closeEvent(QCloseEvent* event) {
    // The close box is Cancel while a question is open; the window only hides otherwise.
    event->ignore();
    Answer(IFrontEnd::EDbMgrAnswer::Cancel);
}

void CDatabaseMgrDlg::reject() {
    Answer(IFrontEnd::EDbMgrAnswer::Cancel);
}

void CDatabaseMgrDlg::ShowChoice() {
    m_messages->clear();
    for (const std::string& line : m_choice.Messages()) {
        m_messages->addItem(Gui::Q(line));
    }
    for (int i = 0; i < CDatabaseMgrChoice::CHOICE_COUNT; ++i) {
        const auto choice = static_cast<CDatabaseMgrChoice::EChoice>(i);
        m_choices[i]->setEnabled(m_choice.Offered(choice));
    }
    m_choices[m_choice.Selected()]->setChecked(true);
}

void CDatabaseMgrDlg::Answer(IFrontEnd::EDbMgrAnswer answer) {
    if (m_loop == nullptr) {
        return;
    }
    m_answer = answer;
    m_loop->exit();
}
