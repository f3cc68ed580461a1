#include "SendSmsDlg.h"

#include "GuiText.h"
#include "MORADoc.h"
#include "MailSmsNumInfoDlg.h"
#include "MessageBox.h"
#include "MsgKinds.h"
#include "Translate.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

// The status rows of the dialog's state, newest first.
class CSendSmsStatusModel : public QAbstractTableModel {
public:
    CSendSmsStatusModel(CSendSmsState& state, QObject* parent) : QAbstractTableModel(parent), m_state(state) {
        m_state.BeforeRowAdded = [this] { beginInsertRows(QModelIndex(), 0, 0); };
        m_state.AfterRowAdded = [this] { endInsertRows(); };
    }
    ~CSendSmsStatusModel() override {
        m_state.BeforeRowAdded = nullptr;
        m_state.AfterRowAdded = nullptr;
    }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_state.Rows().size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount(QModelIndex())) {
            return {};
        }
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
            const auto& row = m_state.Rows()[static_cast<std::size_t>(index.row())];
            return Gui::Q(index.column() == 0 ? row.Status : row.Time);
        }
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
            return Gui::Tr(section == 0 ? "IDS_SENDSMSDLG_MSG_1" : "IDS_SENDSMSDLG_MSG_2");
        }
        if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole) {
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        }
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    CSendSmsState& m_state;
};

CSendSmsDlg::CSendSmsDlg(CMORADoc& doc, QWidget* parent) : QDialog(parent), m_doc(doc), m_state(doc.Clock()) {
    setObjectName(QStringLiteral("SendSmsDlg"));
    // The caption is fixed text; the labels come from the dictionary.
    setWindowTitle(QStringLiteral("Send SMS Message"));

    auto* message = new QGroupBox(Gui::Tr("IDC_SEND_SMS_SMS_MESSAGE"), this);
    m_numbers = new QLineEdit(message);
    m_numbers->setObjectName(QStringLiteral("smsNumbers"));
    m_numbers->setMaxLength(static_cast<int>(CSendSmsState::MAX_NUMBERS_CHARS));
    auto* choose = new QPushButton(QStringLiteral("..."), message);
    choose->setObjectName(QStringLiteral("chooseNumbers"));
    choose->setAutoDefault(false);
    choose->setMaximumWidth(choose->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    m_message = new QPlainTextEdit(message);
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setTabChangesFocus(true);
    // Room for a whole SMS: four lines of forty characters.
    const QFontMetrics metrics = m_message->fontMetrics();
    m_message->setMinimumWidth(metrics.averageCharWidth() * 44);
    m_message->setFixedHeight(metrics.lineSpacing() * 5 + 2 * m_message->frameWidth() + 8);
    m_send = new QPushButton(Gui::Tr("IDC_SEND_SMS_SEND"), message);
    m_send->setObjectName(QStringLiteral("send"));
    m_send->setAutoDefault(false);
    auto* clear = new QPushButton(Gui::Tr("IDC_SEND_SMS_CLEAR"), message);
    clear->setObjectName(QStringLiteral("clear"));
    clear->setAutoDefault(false);

    auto* grid = new QGridLayout(message);
    grid->addWidget(new QLabel(Gui::Tr("IDC_SEND_SMS_SMS_NO"), message), 0, 0);
    auto* numbersRow = new QHBoxLayout;
    numbersRow->addWidget(m_numbers, 1);
    numbersRow->addWidget(choose);
    grid->addLayout(numbersRow, 0, 1);
    grid->addWidget(new QLabel(Gui::Tr("IDC_SEND_SMS_MESSAGE"), message), 1, 0, Qt::AlignTop);
    grid->addWidget(m_message, 1, 1);
    auto* sendColumn = new QVBoxLayout;
    sendColumn->addWidget(m_send);
    sendColumn->addWidget(clear);
    sendColumn->addStretch();
    grid->addLayout(sendColumn, 0, 2, 2, 1);
    grid->setColumnStretch(1, 1);

    auto* statusGroup = new QGroupBox(Gui::Tr("IDC_SEND_SMS_SEND_STATUS"), this);
    m_model = new CSendSmsStatusModel(m_state, this);
    m_status = new QTableView(statusGroup);
    m_status->setObjectName(QStringLiteral("sendStatus"));
    m_status->setModel(m_model);
    m_status->setSortingEnabled(false);
    m_status->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_status->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_status->verticalHeader()->hide();
    m_status->setShowGrid(false);
    m_status->horizontalHeader()->setSectionsClickable(false);
    m_status->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_status->setColumnWidth(0, 270);
    m_status->horizontalHeader()->setStretchLastSection(true);
    m_status->setMinimumWidth(270 + 80 + 24);
    (new QVBoxLayout(statusGroup))->addWidget(m_status);

    auto* close = new QPushButton(Gui::Tr("IDC_SEND_SMS_CLOSE"), this);
    close->setObjectName(QStringLiteral("close"));
    close->setAutoDefault(false);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message);
    layout->addWidget(statusGroup, 1);
    layout->addLayout(bottom);

    m_poll = new QTimer(this);
    m_poll->setInterval(POLL_MS);
    connect(m_poll, &QTimer::timeout, this, &CSendSmsDlg::OnPoll);
    connect(m_send, &QPushButton::clicked, this, &CSendSmsDlg::Send);
    connect(clear, &QPushButton::clicked, this, &CSendSmsDlg::Clear);
    connect(choose, &QPushButton::clicked, this, &CSendSmsDlg::ChooseNumbers);
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    connect(m_message, &QPlainTextEdit::textChanged, this, &CSendSmsDlg::LimitMessage);
    m_numbers->setFocus();
}

CSendSmsDlg::~CSendSmsDlg() = default;

void CSendSmsDlg::Show() {
    show();
    raise();
    activateWindow();
    m_numbers->setFocus();
}

void CSendSmsDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_numbers->setFocus();
}

void CSendSmsDlg::reject() {
    // Escape and the close box only hide it: fields and rows stay for the next showing.
    hide();
}

void CSendSmsDlg::Send() {
    const std::string numbers = Gui::S(m_numbers->text());
    const std::string message = Gui::S(m_message->toPlainText());
    const CSendSmsState::ESend result = m_state.Send(m_doc.GsmMgr(), numbers, message);
    if (const char* tag = CSendSmsState::RefusalTag(result)) {
        CMessageBox::Show(this, Text::Tr(tag), IFrontEnd::EButtons::Ok, IFrontEnd::EIcon::Warning);
        m_numbers->setFocus();
        return;
    }
    FollowState();
}

void CSendSmsDlg::Clear() {
    m_message->clear();
    m_message->setFocus();
}

void CSendSmsDlg::OnSendReport(std::uint16_t code, const std::string& number) {
    if (m_state.OnReport(code, number)) {
        QApplication::beep();
    }
    FollowState();
}

void CSendSmsDlg::OnPoll() {
    if (m_state.Poll()) {
        QApplication::beep();
        // Also while hidden: the operator must see that the message may not have gone.
        Show();
    }
    FollowState();
}

void CSendSmsDlg::FollowState() {
    m_send->setEnabled(m_state.SendEnabled());
    if (m_state.Waiting() && !m_poll->isActive()) {
        m_poll->start();
    } else if (!m_state.Waiting()) {
        m_poll->stop();
    }
}

void CSendSmsDlg::LimitMessage() {
    const QString text = m_message->toPlainText();
    const QList<uint> codePoints = text.toUcs4();
    if (static_cast<std::size_t>(codePoints.size()) <= CSendSmsState::MAX_MESSAGE_CHARS) {
        return;
    }
    const QString cut = QString::fromUcs4(reinterpret_cast<const char32_t*>(codePoints.constData()),
                                          static_cast<qsizetype>(CSendSmsState::MAX_MESSAGE_CHARS));
    const QSignalBlocker block(m_message);
    m_message->setPlainText(cut);
    m_message->moveCursor(QTextCursor::End);
}

void CSendSmsDlg::OnRecipientReply(MsgPtr reply) {
    // Dropped (deleted here) when no recipients dialog is open or it is not the dialog's.
    if (m_recipients != nullptr) {
        m_recipients->OnReply(std::move(reply));
    }
}

void CSendSmsDlg::ChooseNumbers() {
    CMailSmsNumInfoDlg dialog(m_doc, CRecipientList::EMode::Sms, m_numbers->text(), this,
                              MsgKind::UI_GSM_SMSNUM_REPLY);
    // The field holds 255 characters: a longer choice would be cut inside a number.
    dialog.SetResultLimit(CSendSmsState::MAX_NUMBERS_CHARS);
    m_recipients = &dialog;
    const int result = dialog.exec();
    m_recipients = nullptr;
    if (result == QDialog::Accepted) {
        m_numbers->setText(dialog.Result());
    }
}
