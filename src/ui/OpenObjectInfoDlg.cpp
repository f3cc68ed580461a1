#include "OpenObjectInfoDlg.h"

#include "GuiText.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

int CObjectListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_list.Count());
}

int CObjectListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant CObjectListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() ||
        static_cast<std::size_t>(index.row()) >= m_list.Count()) {
        return {};
    }
    const CObjectListSearch::SRow& row = m_list.Row(static_cast<std::size_t>(index.row()));
    return Gui::Q(index.column() == CObjectListSearch::COLUMN_IDCODE ? row.IdCode : row.IdInfo);
}

QVariant CObjectListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return {};
    }
    return Gui::Tr(section == CObjectListSearch::COLUMN_IDCODE ? "IDS_OPENOBJECTINFODLG_MSG_1"
                                                               : "IDS_OPENOBJECTINFODLG_MSG_2");
}

void CObjectListModel::sort(int column, Qt::SortOrder) {
    // The list keeps its own turn of ascending and descending per column.
    Reset([&] { m_list.SortBy(column); });
}

COpenObjectInfoDlg::COpenObjectInfoDlg(QWidget* parent, std::function<void(const std::string&)> open)
    : QDialog(parent), m_open(std::move(open)) {
    setObjectName(QStringLiteral("OpenObjectInfoDlg"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Gui::Tr("IDC_OPEN_OBJECT_INFO_CAPTION"));

    m_model = new CObjectListModel(m_list, this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("ObjectList"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    // Fixed row heights, so that a long list is never measured row by row.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSectionsClickable(true);
    m_table->horizontalHeader()->setSortIndicatorShown(false);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(
        0, std::max(90, m_table->fontMetrics().horizontalAdvance(QStringLiteral("+461234567890")) + 12));
    m_table->setMinimumWidth(m_table->columnWidth(0) + 350);
    m_table->setMinimumHeight(m_table->verticalHeader()->defaultSectionSize() * 14);
    connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { m_model->sort(column, Qt::AscendingOrder); });
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        m_table->selectRow(index.row());
        OpenSelected();
    });
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("ObjectCount"));

    auto* findGroup = new QGroupBox(Gui::Tr("IDC_OPEN_OBJECT_INFO_FIND"), this);
    m_byIdCode = new QRadioButton(Gui::Tr("IDC_OPEN_OBJECT_INFO_FIND_ID_CODE"), findGroup);
    m_byIdCode->setObjectName(QStringLiteral("FindByIdCode"));
    m_byIdInfo = new QRadioButton(Gui::Tr("IDC_OPEN_OBJECT_INFO_FIND_ID_INFO"), findGroup);
    m_byIdInfo->setObjectName(QStringLiteral("FindByIdInfo"));
    m_byIdCode->setChecked(true);
    m_search = new QLineEdit(findGroup);
    m_search->setObjectName(QStringLiteral("SearchText"));
    auto* findFirst = new QPushButton(Gui::Tr("IDC_OPEN_OBJECT_INFO_FIND_FIRST"), findGroup);
    findFirst->setObjectName(QStringLiteral("FindFirst"));
    auto* findNext = new QPushButton(Gui::Tr("IDC_OPEN_OBJECT_INFO_FIND_NEXT"), findGroup);
    findNext->setObjectName(QStringLiteral("FindNext"));
    for (QPushButton* b : {findFirst, findNext}) {
        b->setAutoDefault(false);
    }
    connect(findFirst, &QPushButton::clicked, this, &COpenObjectInfoDlg::FindFirst);
    connect(findNext, &QPushButton::clicked, this, &COpenObjectInfoDlg::FindNext);
    auto* findLayout = new QVBoxLayout(findGroup);
    auto* choice = new QHBoxLayout;
    choice->addWidget(m_byIdCode);
    choice->addWidget(m_byIdInfo);
    choice->addStretch(1);
    findLayout->addLayout(choice);
    findLayout->addWidget(m_search);
    auto* findButtons = new QHBoxLayout;
    findButtons->addWidget(findFirst);
    findButtons->addWidget(findNext);
    findButtons->addStretch(1);
    findLayout->addLayout(findButtons);

    auto* openButton = new QPushButton(Gui::Tr("IDC_OPEN_OBJECT_INFO_OPEN"), this);
    openButton->setObjectName(QStringLiteral("Open"));
    openButton->setDefault(true);
    auto* cancel = new QPushButton(Gui::Tr("IDC_OPEN_OBJECT_INFO_CANCEL"), this);
    cancel->setObjectName(QStringLiteral("Cancel"));
    cancel->setAutoDefault(false);
    connect(openButton, &QPushButton::clicked, this, &COpenObjectInfoDlg::OpenSelected);
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);

    auto* side = new QVBoxLayout;
    side->addWidget(findGroup);
    side->addStretch(1);
    side->addWidget(openButton);
    side->addWidget(cancel);
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(m_table, 1);
    listColumn->addWidget(m_count);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(listColumn, 1);
    layout->addLayout(side);
}

void COpenObjectInfoDlg::Fill(std::unique_ptr<CObjectInfoMsg> list, const std::string& preset) {
    m_model->Reset([&] { m_list.Fill(std::move(list)); });
    m_count->setText(Gui::TrF("IDS_OPENOBJECTINFODLG_MSG_3", static_cast<int>(m_list.Count())));
    m_byIdCode->setChecked(true);
    show();
    raise();
    activateWindow();
    m_search->setText(Gui::Q(preset));
    if (preset.empty() || !Find(true, true)) {
        m_search->setFocus();
    }
}

int COpenObjectInfoDlg::SelectedRow() const {
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

bool COpenObjectInfoDlg::Find(bool first, bool quiet) {
    const int column =
        m_byIdCode->isChecked() ? CObjectListSearch::COLUMN_IDCODE : CObjectListSearch::COLUMN_IDINFO;
    const int row = m_list.Find(Gui::S(m_search->text()), column, first);
    if (row == CObjectListSearch::NOT_FOUND) {
        if (!quiet) {
            QApplication::beep();
        }
        return false;
    }
    const QModelIndex index = m_model->index(row, 0);
    m_table->selectRow(row);
    m_table->scrollTo(index);
    m_table->setFocus();
    return true;
}

void COpenObjectInfoDlg::OpenSelected() {
    const int row = SelectedRow();
    if (row < 0) {
        QApplication::beep();
        return;
    }
    const std::string idCode = m_list.Row(static_cast<std::size_t>(row)).IdCode;
    const auto open = m_open;
    close();
    open(idCode);
}
