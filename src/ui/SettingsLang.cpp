#include "SettingsLang.h"

#include "GuiText.h"
#include "MessageBox.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CSettingsLang::CSettingsLang(CDictionary& dictionary, QWidget* parent)
    : CSettingsPage(parent), m_dictionary(dictionary) {
    setObjectName(QStringLiteral("SettingsLang"));

    auto* group = new QGroupBox(Gui::Tr("IDC_PP_SETTINGS_LANG_SELECT_LANGUAGE"), this);
    m_languages = new QComboBox(group);
    m_languages->setObjectName(QStringLiteral("languages"));
    m_languages->setMaxVisibleItems(5);
    m_languages->setMinimumContentsLength(6);
    auto* set = new QPushButton(Gui::Tr("IDS_IDOK"), group);
    set->setObjectName(QStringLiteral("setLanguage"));
    connect(set, &QPushButton::clicked, this, &CSettingsLang::SetSelectedLanguage);

    auto* row = new QHBoxLayout;
    row->addWidget(m_languages);
    row->addWidget(set);
    row->addStretch();
    auto* column = new QVBoxLayout(group);
    column->addWidget(new QLabel(Gui::Tr("IDC_PP_SETTINGS_LANG_SELECT_YOUR_PREFERED"), group));
    column->addLayout(row);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch();
}

QString CSettingsLang::Caption() const {
    return Gui::Tr("IDC_PP_SETTINGS_LANG_CAPTION");
}

void CSettingsLang::OnSetActive() {
    m_languages->clear();
    for (const std::string& code : CSettingsPages::Languages(m_dictionary)) {
        m_languages->addItem(Gui::Q(code));
    }
    m_languages->setCurrentIndex(CSettingsPages::CurrentLanguageIndex(m_dictionary));
}

void CSettingsLang::SetSelectedLanguage() {
    bool done = false;
    const std::string text =
        CSettingsPages::SetLanguage(m_dictionary, Gui::S(m_languages->currentText()), done);
    CMessageBox::Show(this, text);
}
