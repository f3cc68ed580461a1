#include "ExportObjectInfoDlg.h"

#include "ExportObjectInfo.h"
#include "ExportOutputDlg.h"
#include "GuiText.h"
#include "MORADoc.h"
#include "MessageBox.h"
#include "MsgKinds.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

CExportObjectInfoDlg::CExportObjectInfoDlg(CMORADoc& doc, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_export(std::make_unique<CExportObjectInfo>()) {
    setObjectName(QStringLiteral("ExportObjectInfoDlg"));
    setWindowTitle(Gui::Tr("IDC_EXPORT_OBJECTINFO_CAPTION"));

    // Fields: a click anywhere on a row toggles its box; no row stays selected.
    auto* fieldsGroup = new QGroupBox(Gui::Tr("IDC_EXPORT_OBJECTINFO_FIELDS"), this);
    m_fields = new QListWidget(fieldsGroup);
    m_fields->setObjectName(QStringLiteral("fieldList"));
    m_fields->setSelectionMode(QAbstractItemView::NoSelection);
    for (int field = 0; field < CExportObjectInfo::FIELD_COUNT; ++field) {
        auto* item = new QListWidgetItem(Gui::Tr(CExportObjectInfo::FieldTag(field)), m_fields);
        item->setFlags(Qt::ItemIsEnabled);
    }
    m_fields->setMinimumHeight(m_fields->sizeHintForRow(0) * (CExportObjectInfo::FIELD_COUNT + 1));
    m_fields->setMinimumWidth(m_fields->sizeHintForColumn(0) + 40);
    connect(m_fields, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        m_export->Toggle(m_fields->row(item));
        ShowChecks();
    });
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), m_fields);
    space->setContext(Qt::WidgetShortcut);
    connect(space, &QShortcut::activated, this, [this] {
        if (m_fields->currentRow() >= 0) {
            m_export->Toggle(m_fields->currentRow());
            ShowChecks();
        }
    });
    auto* setDefault = new QPushButton(Gui::Tr("IDC_EXPORT_OBJECTINFO_SET_DEFAULT"), fieldsGroup);
    setDefault->setObjectName(QStringLiteral("setDefaultButton"));
    auto* setAll = new QPushButton(Gui::Tr("IDC_EXPORT_OBJECTINFO_SET_ALL"), fieldsGroup);
    setAll->setObjectName(QStringLiteral("setAllButton"));
    auto* clearAll = new QPushButton(Gui::Tr("IDC_EXPORT_OBJECTINFO_CLEAR_ALL"), fieldsGroup);
    clearAll->setObjectName(QStringLiteral("clearAllButton"));
    connect(setDefault, &QPushButton::clicked, this, [this] {
        m_export->SetDefault();
        ShowChecks();
    });
    connect(setAll, &QPushButton::clicked, this, [this] {
        m_export->SetAll();
        ShowChecks();
    });
    connect(clearAll, &QPushButton::clicked, this, [this] {
        m_export->ClearAll();
        ShowChecks();
    });
    auto* fieldButtons = new QVBoxLayout;
    for (QPushButton* button : {setDefault, setAll, clearAll}) {
        button->setAutoDefault(false);
        fieldButtons->addWidget(button);
    }
    fieldButtons->addStretch(1);
    auto* fieldsLayout = new QHBoxLayout(fieldsGroup);
    fieldsLayout->addWidget(m_fields, 1);
    fieldsLayout->addLayout(fieldButtons);

    // Records: All, or the first N of the register.
    auto* recordsGroup = new QGroupBox(Gui::Tr("IDC_EXPORT_OBJECTINFO_RECORDS"), this);
    m_all = new QRadioButton(Gui::Tr("IDC_EXPORT_OBJECTINFO_SELECT_RECORDS_ALL"), recordsGroup);
    m_all->setObjectName(QStringLiteral("recordsAll"));
    m_last = new QRadioButton(Gui::Tr("IDC_EXPORT_OBJECTINFO_SELECT_RECORDS_COUNT"), recordsGroup);
    m_last->setObjectName(QStringLiteral("recordsLast"));
    m_count = new QSpinBox(recordsGroup);
    m_count->setObjectName(QStringLiteral("recordCount"));
    m_count->setRange(0, CExportObjectInfo::MAX_COUNT);
    auto* recordsLayout = new QGridLayout(recordsGroup);
    recordsLayout->addWidget(m_all, 0, 0);
    recordsLayout->addWidget(m_last, 1, 0);
    recordsLayout->addWidget(m_count, 1, 1);
    recordsLayout->addWidget(new QLabel(Gui::Tr("IDC_EXPORT_OBJECTINFO_RECORD"), recordsGroup), 1, 2);
    recordsLayout->setColumnStretch(3, 1);
    m_all->setChecked(true);
    connect(m_all, &QRadioButton::toggled, this, &CExportObjectInfoDlg::OnRecordsChanged);
    connect(m_count, &QSpinBox::valueChanged, this, [this](int value) { m_export->SetCount(value); });

    auto* separatorGroup = new QGroupBox(Gui::Tr("IDC_EXPORT_OBJECTINFO_OUTPUT_FIELD"), this);
    m_semicolon =
        new QRadioButton(Gui::Tr("IDC_EXPORT_OBJECTINFO_OUTPUT_SEPARATOR_SEMICOLON"), separatorGroup);
    m_semicolon->setObjectName(QStringLiteral("separatorSemicolon"));
    m_comma = new QRadioButton(Gui::Tr("IDC_EXPORT_OBJECTINFO_OUTPUT_SEPARATOR_COMMA"), separatorGroup);
    m_comma->setObjectName(QStringLiteral("separatorComma"));
    auto* separatorLayout = new QVBoxLayout(separatorGroup);
    separatorLayout->addWidget(m_semicolon);
    separatorLayout->addWidget(m_comma);
    m_semicolon->setChecked(true);
    connect(m_semicolon, &QRadioButton::toggled, this, [this](bool on) {
        m_export->SetSeparator(on ? CExportObjectInfo::ESeparator::Semicolon
                                  : CExportObjectInfo::ESeparator::Comma);
    });

    auto* buttons = new QDialogButtonBox(this);
    auto* next = buttons->addButton(Gui::Tr("IDC_EXPORT_OBJECTINFO_NEXT"), QDialogButtonBox::AcceptRole);
    next->setObjectName(QStringLiteral("nextButton"));
    auto* cancel = buttons->addButton(Gui::Tr("IDC_EXPORT_OBJECTINFOANCEL"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(next, &QPushButton::clicked, this, &CExportObjectInfoDlg::OnNext);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);

    auto* lower = new QHBoxLayout;
    lower->addWidget(recordsGroup, 1);
    lower->addWidget(separatorGroup, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fieldsGroup, 1);
    layout->addLayout(lower);
    layout->addWidget(buttons);

    m_output = new CExportOutputDlg(*m_export, this);
    ShowChecks();
    OnRecordsChanged();
}

CExportObjectInfoDlg::~CExportObjectInfoDlg() = default;

void CExportObjectInfoDlg::ShowDialog() {
    show();
    raise();
    activateWindow();
}

void CExportObjectInfoDlg::ShowChecks() {
    for (int field = 0; field < CExportObjectInfo::FIELD_COUNT; ++field) {
        m_fields->item(field)->setCheckState(m_export->Checked(field) ? Qt::Checked : Qt::Unchecked);
    }
}

void CExportObjectInfoDlg::OnRecordsChanged() {
    m_export->SetRecords(m_all->isChecked() ? CExportObjectInfo::ERecords::All
                                            : CExportObjectInfo::ERecords::Last);
    m_count->setEnabled(m_export->CountEnabled());
}

void CExportObjectInfoDlg::OnNext() {
    m_doc.DbRequest(CExportObjectInfo::MakeRequest());
}

MsgPtr CExportObjectInfoDlg::OnReply(MsgPtr reply) {
    if (!reply || reply->Kind != MsgKind::UI_EXPORT_OBJECT_REPLY) {
        return reply;
    }
    const auto* objects = dynamic_cast<const CObjectInfoMsg*>(reply.get());
    if (objects == nullptr) {
        return reply;
    }
    switch (m_export->OnReply(*objects)) {
    case CExportObjectInfo::EReply::NoObjects:
        // After the core's dispatch has returned, not inside it.
        QTimer::singleShot(0, this, [this] {
            CMessageBox::Show(this, CExportObjectInfo::NoObjectsText(), IFrontEnd::EButtons::Ok,
                              IFrontEnd::EIcon::Warning);
        });
        break;
    case CExportObjectInfo::EReply::Lines:
        m_output->LinesChanged();
        m_output->show();
        m_output->raise();
        m_output->activateWindow();
        break;
    case CExportObjectInfo::EReply::Failed:
        break; // the database has told the operator
    }
    return nullptr;
}
