#include "MailSmsNumInfoDlg.h"

#include "AddEditMailSmsNumDlg.h"
#include "GuiText.h"
#include "MORADoc.h"
#include "MessageBox.h"
#include "TextLimit.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

int CRecipientEntryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int CRecipientEntryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant CRecipientEntryModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() ||
        static_cast<std::size_t>(index.row()) >= m_entries.size()) {
        return {};
    }
    const CRecipientList::SEntry& entry = m_entries[static_cast<std::size_t>(index.row())];
    return Gui::Q(index.column() == 0 ? entry.Name : entry.Key);
}

QVariant CRecipientEntryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= m_headers.size()) {
        return {};
    }
    return m_headers[section];
}

QTableView* CMailSmsNumInfoDlg::MakeList(QWidget* parent, const char* name, CRecipientEntryModel* model) {
    auto* view = new QTableView(parent);
    view->setObjectName(QLatin1String(name));
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    // The two columns share the list's width.
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    view->setMinimumWidth(view->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 56);
    view->setMinimumHeight(view->verticalHeader()->defaultSectionSize() * 7);
    return view;
}

CMailSmsNumInfoDlg::CMailSmsNumInfoDlg(CMORADoc& doc, CRecipientList::EMode mode, const QString& fieldText,
                                       QWidget* parent, std::uint16_t smsReplyKind)
    : QDialog(parent), m_doc(doc),
      m_list(
          mode, *this, [this](MsgPtr request) { m_doc.DbRequest(std::move(request)); }, smsReplyKind) {
    setObjectName(QStringLiteral("MailSmsNumInfoDlg"));
    setWindowTitle(Gui::Tr(m_list.CaptionTag()));

    m_recipientModel = new CRecipientEntryModel(m_list.Recipients(), this);
    m_recipientModel->SetHeaders(Gui::Tr(m_list.ColumnTag(false, 0)), Gui::Tr(m_list.ColumnTag(false, 1)));
    m_registerModel = new CRecipientEntryModel(m_list.Register(), this);
    m_registerModel->SetHeaders(Gui::Tr(m_list.ColumnTag(true, 0)), Gui::Tr(m_list.ColumnTag(true, 1)));
    const auto tip = [this](CRecipientList::ETip t) { return Gui::Q(m_list.ToolTip(t)); };

    auto* recipientsGroup = new QGroupBox(Gui::Tr("IDC_MAIL_SMSNUM_INFO_MESSAGE_RECIPIENTS"), this);
    m_recipients = MakeList(recipientsGroup, "Recipients", m_recipientModel);
    m_recipients->setToolTip(tip(CRecipientList::TIP_RECIPIENTS));
    (new QVBoxLayout(recipientsGroup))->addWidget(m_recipients);
    auto* registerGroup = new QGroupBox(Gui::Tr("IDC_MAIL_SMSNUM_INFO_DATABASE"), this);
    m_register = MakeList(registerGroup, "Register", m_registerModel);
    m_register->setToolTip(tip(CRecipientList::TIP_REGISTER));
    (new QVBoxLayout(registerGroup))->addWidget(m_register);

    const auto button = [this, &tip](const char* name, const QString& text, CRecipientList::ETip t) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip(t));
        b->setAutoDefault(false);
        return b;
    };
    m_add = button("Add", Gui::Tr("IDC_MAIL_SMSNUM_INFO_ADD"), CRecipientList::TIP_ADD);
    m_remove = button("Remove", Gui::Tr("IDC_MAIL_SMSNUM_INFO_REMOVE"), CRecipientList::TIP_REMOVE);
    auto* newButton = button("New", Gui::Tr("IDC_MAIL_SMSNUM_INFO_NEW"), CRecipientList::TIP_NEW);
    m_edit = button("Edit", Gui::Tr("IDC_MAIL_SMSNUM_INFO_EDIT"), CRecipientList::TIP_EDIT);
    m_delete = button("Delete", Gui::Tr("IDC_MAIL_SMSNUM_INFO_DELETE"), CRecipientList::TIP_DELETE);
    auto* ok = button("OK", Gui::Tr("IDS_IDOK"), CRecipientList::TIP_OK);
    auto* cancel = button("Cancel", Gui::Tr("IDC_MAIL_SMSNUM_INFO_CANCEL"), CRecipientList::TIP_CANCEL);
    ok->setDefault(true);
    connect(m_add, &QPushButton::clicked, this, [this] { m_list.OnAdd(); });
    connect(m_remove, &QPushButton::clicked, this, [this] { m_list.OnRemove(); });
    connect(newButton, &QPushButton::clicked, this, &CMailSmsNumInfoDlg::OnNew);
    connect(m_edit, &QPushButton::clicked, this, &CMailSmsNumInfoDlg::OnEdit);
    connect(m_delete, &QPushButton::clicked, this, [this] { m_list.OnDelete(); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_register, &QTableView::doubleClicked, this, [this] { m_list.OnAdd(); });
    connect(m_recipients->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CMailSmsNumInfoDlg::FollowSelections);
    connect(m_register->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CMailSmsNumInfoDlg::FollowSelections);

    auto* middle = new QHBoxLayout;
    middle->addWidget(m_add);
    middle->addWidget(m_remove);
    middle->addStretch(1);
    auto* registerButtons = new QHBoxLayout;
    registerButtons->addWidget(newButton);
    registerButtons->addWidget(m_edit);
    registerButtons->addWidget(m_delete);
    registerButtons->addStretch(1);
    registerButtons->addWidget(ok);
    registerButtons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(recipientsGroup, 1);
    layout->addLayout(middle);
    layout->addWidget(registerGroup, 1);
    layout->addLayout(registerButtons);

    m_list.Open(Gui::S(fieldText));
}

QString CMailSmsNumInfoDlg::Result() const {
    return Gui::Q(m_list.Result());
}

void CMailSmsNumInfoDlg::OnNew() {
    CAddEditMailSmsNumDlg dialog(m_list.Mode(), false, {}, {}, this);
    if (dialog.exec() == QDialog::Accepted) {
        m_list.AddEntry(dialog.Key(), dialog.Name());
    }
}

void CMailSmsNumInfoDlg::OnEdit() {
    const int row = m_list.SelectedEntry();
    if (row == CRecipientList::NONE) {
        return;
    }
    const CRecipientList::SEntry entry = m_list.Register()[static_cast<std::size_t>(row)];
    CAddEditMailSmsNumDlg dialog(m_list.Mode(), true, entry.Key, entry.Name, this);
    if (dialog.exec() == QDialog::Accepted) {
        m_list.EditEntry(entry.Key, dialog.Name());
    }
}

void CMailSmsNumInfoDlg::accept() {
    if (m_resultLimit != 0 && Gui::CharCount(Result()) > m_resultLimit) {
        QApplication::beep();
        return;
    }
    QDialog::accept();
}

void CMailSmsNumInfoDlg::ShowLists() {
    m_showing = true;
    m_recipientModel->Reset();
    m_registerModel->Reset();
    if (m_list.SelectedRecipient() != CRecipientList::NONE) {
        m_recipients->selectRow(m_list.SelectedRecipient());
    }
    if (m_list.SelectedEntry() != CRecipientList::NONE) {
        m_register->selectRow(m_list.SelectedEntry());
        m_register->scrollTo(m_registerModel->index(m_list.SelectedEntry(), 0));
    }
    m_showing = false;
    FollowSelections();
}

void CMailSmsNumInfoDlg::FollowSelections() {
    if (m_showing) {
        return;
    }
    const auto selected = [](QTableView* view) {
        const QModelIndexList rows = view->selectionModel()->selectedRows();
        return rows.isEmpty() ? CRecipientList::NONE : rows.first().row();
    };
    m_list.SelectRecipient(selected(m_recipients));
    m_list.SelectEntry(selected(m_register));
    m_add->setEnabled(m_list.CanAdd());
    m_edit->setEnabled(m_list.CanEdit());
    m_delete->setEnabled(m_list.CanDelete());
    m_remove->setEnabled(m_list.CanRemove());
}

void CMailSmsNumInfoDlg::ScrollToRecipient(int row) {
    m_recipients->scrollTo(m_recipientModel->index(row, 0));
}

IFrontEnd::EResult CMailSmsNumInfoDlg::Ask(const std::string& text, IFrontEnd::EButtons buttons,
                                           IFrontEnd::EIcon icon) {
    return CMessageBox::Show(this, text, buttons, icon, 0);
}
