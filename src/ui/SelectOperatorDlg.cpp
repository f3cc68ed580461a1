#include "SelectOperatorDlg.h"

#include "GuiText.h"
#include "OperatorsDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// A combo box that reports when its list is opened, which stops the countdown.
class CNameList : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> Opened;
    void showPopup() override {
        if (Opened) {
            Opened();
        }
        QComboBox::showPopup();
    }
};

} // namespace

CSelectOperatorDlg::CSelectOperatorDlg(QWidget* parent, CSettings& settings, bool startup)
    : QDialog(parent), m_settings(settings), m_selection(settings, startup) {
    setObjectName(QStringLiteral("SelectOperatorDlg"));
    setWindowTitle(Gui::Tr("IDD_SELECT_OPERATOR_CAPTION"));

    auto* names = new CNameList(this);
    names->Opened = [this] { StopCountdown(); };
    m_names = names;
    m_names->setObjectName(QStringLiteral("operatorList"));
    m_names->setMinimumContentsLength(24);
    m_countdown = new QLineEdit(this);
    m_countdown->setObjectName(QStringLiteral("countdown"));
    m_countdown->setReadOnly(true);
    m_countdown->setFocusPolicy(Qt::NoFocus);

    auto* addEdit = new QPushButton(Gui::Tr("IDC_SELECT_OPERATOR_ADD_EDIT"), this);
    addEdit->setObjectName(QStringLiteral("addEditOperators"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Gui::Tr("IDS_IDOK"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("ok"));
    buttons->addButton(Gui::Tr("IDS_IDCANCEL"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancel"));
    buttons->addButton(addEdit, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(addEdit, &QPushButton::clicked, this, &CSelectOperatorDlg::OnAddEdit);
    connect(m_names, &QComboBox::activated, this, [this](int index) { m_selection.Select(index); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_names);
    layout->addWidget(m_countdown);
    layout->addSpacing(8);
    layout->addWidget(buttons);

    FillList();
    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &CSelectOperatorDlg::OnTick);
    if (m_selection.CountdownRunning()) {
        m_timer->start();
    }
    m_countdown->setText(Gui::Q(m_selection.CountdownText()));
}

void CSelectOperatorDlg::FillList() {
    m_names->clear();
    for (const auto& name : m_selection.Names()) {
        m_names->addItem(Gui::Q(name));
    }
    m_names->setCurrentIndex(m_selection.Selected());
}

void CSelectOperatorDlg::OnTick() {
    if (m_selection.Tick()) {
        m_timer->stop();
        m_chosen = m_selection.TimedOutName();
        QDialog::accept();
        return;
    }
    m_countdown->setText(Gui::Q(m_selection.CountdownText()));
}

void CSelectOperatorDlg::StopCountdown() {
    m_selection.StopCountdown();
    m_timer->stop();
    m_countdown->clear();
}

void CSelectOperatorDlg::OnAddEdit() {
    StopCountdown();
    std::array<std::string, 10> names;
    for (std::size_t i = 0; i < names.size(); ++i) {
        names[i] = m_settings.Operator[i];
    }
    if (!COperatorsDlg::Run(this, names)) {
        return;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        m_settings.Operator[i] = names[i];
    }
    m_settings.SaveAll();
    m_selection.Refill(m_settings);
    FillList();
}

void CSelectOperatorDlg::accept() {
    m_selection.Select(m_names->currentIndex());
    std::string name;
    if (!m_selection.Accept(name)) {
        QApplication::beep();
        return;
    }
    m_chosen = name;
    m_timer->stop();
    QDialog::accept();
}

bool CSelectOperatorDlg::Run(QWidget* parent, CSettings& settings, bool startup, std::string& name) {
    CSelectOperatorDlg dialog(parent, settings, startup);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    name = dialog.ChosenName();
    return true;
}
