#include "SettingsDatabase.h"

#include "GuiText.h"
#include "MessageBox.h"
#include "Translate.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CSettingsDatabase::CSettingsDatabase(QWidget* parent) : CSettingsPage(parent) {
    setObjectName(QStringLiteral("SettingsDatabase"));

    auto* pathGroup = new QGroupBox(Gui::Tr("IDC_PP_SETTINGS_DATABASE_PATH"), this);
    m_path = new QLineEdit(pathGroup);
    m_path->setObjectName(QStringLiteral("databasePath"));
    m_path->setMinimumWidth(m_path->fontMetrics().averageCharWidth() * 40);
    auto* browse = new QPushButton(Gui::Tr("IDC_PP_SETTINGS_DATABASE_BROWSE_DB_PATH"), pathGroup);
    browse->setObjectName(QStringLiteral("browse"));
    connect(browse, &QPushButton::clicked, this, &CSettingsDatabase::Browse);
    auto* pathRow = new QHBoxLayout(pathGroup);
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(browse);

    auto* records = new QGroupBox(Gui::Tr("IDC_PP_SETTINGS_DATABASE_ALARM_INFORMATION"), this);
    m_months = NumberField("keepMonths", CSettingsPages::KEEP_MONTHS);
    auto* monthsRow = new QHBoxLayout(records);
    monthsRow->addWidget(new QLabel(Gui::Tr("IDC_PP_SETTINGS_DATABASE_KEEP_ALARMS_IN"), records));
    monthsRow->addWidget(m_months);
    monthsRow->addWidget(new QLabel(Gui::Tr("IDC_PP_SETTINGS_DATABASE_MONTHS"), records));
    monthsRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pathGroup);
    layout->addWidget(records);
    layout->addStretch();
}

QString CSettingsDatabase::Caption() const {
    return Gui::Tr("IDC_PP_SETTINGS_DATABASE_CAPTION");
}

void CSettingsDatabase::LoadPage(const SSettingsValues& v) {
    m_path->setText(Gui::Q(v.DatabasePath));
    SetNumber(m_months, v.KeepAirMonths);
}

void CSettingsDatabase::StorePage(SSettingsValues& v) const {
    Put(v, &SSettingsValues::DatabasePath,
        CSettingsPages::FolderWithSeparator(Gui::S(m_path->text().trimmed())));
    int months = 0;
    if (ReadNumber(m_months, CSettingsPages::KEEP_MONTHS, months)) {
        Put(v, &SSettingsValues::KeepAirMonths, months);
    }
}

bool CSettingsDatabase::OnKillActive() {
    int months = 0;
    if (!CheckNumber(m_months, CSettingsPages::KEEP_MONTHS, months)) {
        return false;
    }
    for (const std::string& tag : CSettingsPages::MonthsQuestions(Loaded().KeepAirMonths, months)) {
        if (CMessageBox::Show(this, Text::Tr(tag), IFrontEnd::EButtons::OkCancel,
                              IFrontEnd::EIcon::Warning) != IFrontEnd::EResult::Ok) {
            m_months->setFocus();
            m_months->selectAll();
            return false;
        }
    }
    return true;
}

void CSettingsDatabase::Browse() {
    const QString chosen =
        QFileDialog::getExistingDirectory(this, Gui::Tr(CSettingsPages::BROWSE_TITLE_TAG), m_path->text());
    if (chosen.isEmpty()) {
        return;
    }
    m_path->setText(Gui::Q(CSettingsPages::FolderWithSeparator(Gui::S(chosen))));
    CMessageBox::Show(this, Text::Tr(CSettingsPages::NEW_PATH_TAG), IFrontEnd::EButtons::Ok,
                      IFrontEnd::EIcon::Warning);
}
