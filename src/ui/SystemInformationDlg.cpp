#include "SystemInformationDlg.h"

#include "AlarmDialog.h"
#include "GuiText.h"
#include "MessageBox.h"
#include "SystemInfoList.h"
#include "Translate.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

// The list as the table view reads it; every change of the list goes through here, so that the
// view is told row by row (the operator's selection survives new lines).
class CSystemInfoModel : public QAbstractTableModel {
public:
    CSystemInfoModel(CSystemInfoList& list, QObject* parent) : QAbstractTableModel(parent), m_list(list) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_list.Size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_list.Size()) {
            return {};
        }
        const auto& row = m_list.Rows()[static_cast<std::size_t>(index.row())];
        if (role == Qt::DisplayRole) {
            return index.column() == 0 ? Gui::FromCrLf(row.text) : Gui::Q(row.time);
        }
        if (role == Qt::ToolTipRole && index.column() == 0) {
            return Gui::FromCrLf(row.text);
        }
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
            return {};
        }
        return Gui::Tr(section == 0 ? "IDS_SYSTEMINFORMATIONDLG_MSG_1" : "IDS_SYSTEMINFORMATIONDLG_MSG_2");
    }

    void Add(const std::string& text) {
        beginInsertRows(QModelIndex(), 0, 0);
        m_list.Insert(text);
        endInsertRows();
        if (m_list.Overfull()) {
            const int last = static_cast<int>(m_list.Size()) - 1;
            beginRemoveRows(QModelIndex(), last, last);
            m_list.DropOverflow();
            endRemoveRows();
        }
    }
    bool Delete(int row) {
        if (row < 0 || static_cast<std::size_t>(row) >= m_list.Size()) {
            return false;
        }
        beginRemoveRows(QModelIndex(), row, row);
        m_list.Delete(static_cast<std::size_t>(row));
        endRemoveRows();
        return true;
    }
    void Clear() {
        beginResetModel();
        m_list.Clear();
        endResetModel();
    }

private:
    CSystemInfoList& m_list;
};

CSystemInformationDlg::CSystemInformationDlg(QWidget* parent, const IClock& clock,
                                             const std::string& logFolder)
    : QDialog(parent), m_list(std::make_unique<CSystemInfoList>(clock, logFolder)) {
    setObjectName(QStringLiteral("SystemInformationDlg"));
    setWindowTitle(Gui::Tr("IDC_SYSTEM_INFO_CAPTION"));

    auto* panel = new QLabel(Gui::Tr("IDC_SYSTEM_INFO_MESSAGE_PANEL"), this);
    panel->setObjectName(QStringLiteral("messagePanel"));
    panel->setAlignment(Qt::AlignCenter);
    const QColor red = Gui::Colour(Colours::Red);
    panel->setStyleSheet(
        QStringLiteral("QLabel { background-color: %1; color: white; padding: 6px; }").arg(red.name()));
    QFont panelFont = panel->font();
    panelFont.setBold(true);
    panelFont.setPointSizeF(panelFont.pointSizeF() * 1.4);
    panel->setFont(panelFont);

    m_model = new CSystemInfoModel(*m_list, this);
    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("infoList"));
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_view->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_view->horizontalHeader()->setHighlightSections(false);

    auto* buttons = new QDialogButtonBox(this);
    auto* remove = buttons->addButton(Gui::Tr("IDC_SYSTEM_INFO_DELETE"), QDialogButtonBox::ActionRole);
    remove->setObjectName(QStringLiteral("deleteButton"));
    auto* clear = buttons->addButton(Gui::Tr("IDC_SYSTEM_INFO_CLEAR"), QDialogButtonBox::ActionRole);
    clear->setObjectName(QStringLiteral("clearButton"));
    auto* close = buttons->addButton(Gui::Tr("IDC_SYSTEM_INFO_CLOSE"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("closeButton"));
    for (QPushButton* button : {remove, clear, close}) {
        button->setAutoDefault(false);
    }
    connect(remove, &QPushButton::clicked, this, &CSystemInformationDlg::OnDelete);
    connect(clear, &QPushButton::clicked, this, &CSystemInformationDlg::OnClear);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(m_view, 1);
    layout->addWidget(buttons);

    // Room for a long report line and its time, and for a dozen lines; the window can grow.
    const QFontMetrics metrics(font());
    m_view->setMinimumSize(metrics.horizontalAdvance(QLatin1Char('x')) * 90, metrics.height() * 14);
}

CSystemInformationDlg::~CSystemInformationDlg() {
    // The view goes before the list it reads; the list writes the shut-down line.
    delete m_view;
    m_view = nullptr;
}

void CSystemInformationDlg::AddLine(const std::string& text, bool toFront) {
    m_model->Add(text);
    if (toFront) {
        ShowDialog();
        QApplication::beep();
    }
}

void CSystemInformationDlg::ShowDialog() {
    if (isMinimized()) {
        showNormal();
    }
    show();
    raise();
    activateWindow();
}

void CSystemInformationDlg::OnDelete() {
    const QModelIndexList rows = m_view->selectionModel()->selectedRows();
    if (rows.isEmpty() || !m_model->Delete(rows.front().row())) {
        QApplication::beep();
    }
}

void CSystemInformationDlg::OnClear() {
    if (m_list->Size() == 0) {
        QApplication::beep();
        return;
    }
    if (CMessageBox::Show(this, Text::Tr("IDS_SYSTEMINFORMATIONDLG_MSG_3"), IFrontEnd::EButtons::YesNo,
                          IFrontEnd::EIcon::Warning) == IFrontEnd::EResult::Yes) {
        m_model->Clear();
    }
}
