#include "SettingsSheet.h"

#include "Dictionary.h"
#include "GuiText.h"
#include "MORADoc.h"
#include "MessageBox.h"
#include "SettingsAlarms.h"
#include "SettingsComm.h"
#include "SettingsDatabase.h"
#include "SettingsEmail.h"
#include "SettingsLang.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

CDictionary* g_dictionary = nullptr;

} // namespace

QLineEdit* CSettingsPage::NumberField(const char* objectName, CSettingsPages::SRange range) {
    auto* field = new QLineEdit(this);
    field->setObjectName(QString::fromLatin1(objectName));
    const int digits = static_cast<int>(QString::number(range.max).size());
    field->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(digits)), field));
    // Wide enough for the longest number and a little more, narrow enough to read as a number.
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QString(digits + 3, QLatin1Char('0'))) +
                           12);
    field->setAlignment(Qt::AlignRight);
    return field;
}

void CSettingsPage::SetNumber(QLineEdit* field, int value) {
    field->setText(QString::number(value));
}

void CSettingsPage::AlignLabels(const std::vector<QWidget*>& labels) {
    int width = 0;
    for (const QWidget* label : labels) {
        width = std::max(width, label->sizeHint().width());
    }
    for (QWidget* label : labels) {
        label->setMinimumWidth(width);
    }
}

bool CSettingsPage::CheckNumber(QLineEdit* field, CSettingsPages::SRange range, int& value) {
    std::string message;
    if (CSettingsPages::ReadNumber(Gui::S(field->text()), range, value, message)) {
        return true;
    }
    CMessageBox::Show(this, message, IFrontEnd::EButtons::Ok, IFrontEnd::EIcon::Warning);
    field->setFocus();
    field->selectAll();
    return false;
}

bool CSettingsPage::ReadNumber(const QLineEdit* field, CSettingsPages::SRange range, int& value) {
    std::string message;
    return CSettingsPages::ReadNumber(Gui::S(field->text()), range, value, message);
}

CSettingsSheet::CSettingsSheet(CMORADoc& doc, QWidget* parent) : QDialog(parent), m_doc(doc) {
    setObjectName(QStringLiteral("SettingsSheet"));
    setWindowTitle(Gui::Tr("IDC_PP_SETTINGS_CAPTION"));

    m_pages = {new CSettingsComm(this), new CSettingsEmail(doc.MailMgr(), this), new CSettingsAlarms(this),
               new CSettingsDatabase(this), new CSettingsLang(Dictionary(), this)};
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("settingsTabs"));
    // Every page's caption in full: the sheet is as wide as its tabs need.
    m_tabs->setUsesScrollButtons(false);
    m_tabs->setElideMode(Qt::ElideNone);
    for (CSettingsPage* page : m_pages) {
        page->Load(doc.Settings().Values());
        m_tabs->addTab(page, page->Caption());
    }
    connect(m_tabs, &QTabWidget::currentChanged, this, &CSettingsSheet::OnTabChanged);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Gui::Tr("IDS_IDOK"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("ok"));
    buttons->addButton(Gui::Tr("IDS_IDCANCEL"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancel"));
    // No page marks itself changed, so Apply never has anything to do.
    QPushButton* apply = buttons->addButton(Gui::Tr("IDC_SETTINGS_LANG_APPLY"), QDialogButtonBox::ApplyRole);
    apply->setObjectName(QStringLiteral("apply"));
    apply->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);

    m_pages.front()->OnSetActive();
}

void CSettingsSheet::OnTabChanged(int index) {
    if (index == m_current || index < 0) {
        return;
    }
    // The page being left decides first, while it is still the one shown.
    {
        const QSignalBlocker block(m_tabs);
        m_tabs->setCurrentIndex(m_current);
    }
    if (!m_pages[static_cast<std::size_t>(m_current)]->OnKillActive()) {
        return;
    }
    ShowPage(index);
}

void CSettingsSheet::ShowPage(int index) {
    m_current = index;
    {
        const QSignalBlocker block(m_tabs);
        m_tabs->setCurrentIndex(index);
    }
    m_pages[static_cast<std::size_t>(index)]->OnSetActive();
}

void CSettingsSheet::accept() {
    if (!m_pages[static_cast<std::size_t>(m_current)]->OnKillActive()) {
        return;
    }
    // Start from the settings as they are now: the pages write only what the operator changed.
    CSettings& settings = m_doc.Settings();
    SSettingsValues edited = settings.Values();
    for (const CSettingsPage* page : m_pages) {
        page->Store(edited);
    }
    m_groups = CSettingsPages::Commit(settings, edited);
    QDialog::accept();
}

unsigned CSettingsSheet::Run(CMORADoc& doc, QWidget* parent) {
    CSettingsSheet sheet(doc, parent);
    if (sheet.exec() != QDialog::Accepted) {
        return SETTINGS_GROUP_NONE;
    }
    return sheet.ChangedGroups();
}

void CSettingsSheet::SetDictionary(CDictionary* dictionary) {
    g_dictionary = dictionary;
}

CDictionary& CSettingsSheet::Dictionary() {
    return g_dictionary != nullptr ? *g_dictionary : CDictionary::Instance();
}
