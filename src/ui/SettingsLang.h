#pragma once

#include "SettingsSheet.h"

class CDictionary;
class QComboBox;

// The Language page: the dictionary's languages and a button that sets one at once, whatever the
// sheet's OK or Cancel.
class CSettingsLang : public CSettingsPage {
    Q_OBJECT
public:
    CSettingsLang(CDictionary& dictionary, QWidget* parent);

    QString Caption() const override;
    void OnSetActive() override;

    void SetSelectedLanguage();

protected:
    void LoadPage(const SSettingsValues&) override { OnSetActive(); }
    void StorePage(SSettingsValues&) const override {}

private:
    CDictionary& m_dictionary;
    QComboBox* m_languages = nullptr;
};
