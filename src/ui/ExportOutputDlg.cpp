#include "ExportOutputDlg.h"

#include "ExportObjectInfo.h"
#include "GuiText.h"
#include "MessageBox.h"

#include <QAbstractListModel>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

// The export's lines as the list view reads them.
class CExportLinesModel : public QAbstractListModel {
public:
    CExportLinesModel(const CExportObjectInfo& exporter, QObject* parent)
        : QAbstractListModel(parent), m_export(exporter) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_export.Lines().size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() ||
            static_cast<std::size_t>(index.row()) >= m_export.Lines().size()) {
            return {};
        }
        return Gui::Q(m_export.Lines()[static_cast<std::size_t>(index.row())].text);
    }
    void Reset() {
        beginResetModel();
        endResetModel();
    }

private:
    const CExportObjectInfo& m_export;
};

CExportOutputDlg::CExportOutputDlg(CExportObjectInfo& exporter, QWidget* parent)
    : QDialog(parent), m_export(exporter) {
    setObjectName(QStringLiteral("ExportOutputDlg"));
    setWindowTitle(Gui::Tr("IDC_EXPORT_OUTPUT_CAPTION"));

    m_model = new CExportLinesModel(m_export, this);
    m_view = new QListView(this);
    m_view->setObjectName(QStringLiteral("outputList"));
    m_view->setModel(m_model);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_view->setUniformItemSizes(true);

    auto* buttons = new QDialogButtonBox(this);
    auto* exportButton =
        buttons->addButton(Gui::Tr("IDC_EXPORT_OUTPUT_EXPORT"), QDialogButtonBox::AcceptRole);
    exportButton->setObjectName(QStringLiteral("exportButton"));
    auto* cancel = buttons->addButton(Gui::Tr("IDC_EXPORT_OUTPUTANCEL"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(exportButton, &QPushButton::clicked, this, &CExportOutputDlg::OnExport);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addWidget(buttons);
    const QFontMetrics metrics(font());
    resize(metrics.horizontalAdvance(QLatin1Char('x')) * 90, metrics.height() * 22);
}

void CExportOutputDlg::LinesChanged() {
    m_model->Reset();
    m_view->selectAll();
}

void CExportOutputDlg::TakeSelection() {
    const auto* selection = m_view->selectionModel();
    for (int row = 0; row < m_model->rowCount(QModelIndex()); ++row) {
        m_export.SelectLine(static_cast<std::size_t>(row), selection->isRowSelected(row, QModelIndex()));
    }
}

void CExportOutputDlg::OnExport() {
    TakeSelection();
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("exportFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const std::string path = Gui::S(dialog.selectedFiles().front());
    if (!m_export.WriteFile(path)) {
        // The operator must not believe the register was exported when it was not.
        CMessageBox::Show(this, CExportObjectInfo::WriteFailedText(path), IFrontEnd::EButtons::Ok,
                          IFrontEnd::EIcon::Warning);
        return;
    }
    accept();
}
