#pragma once

#include "RecipientList.h"

#include <QDialog>

#include <string>

class QLineEdit;

// One entry of the e-mail or SMS register, new or edited; when editing, the key is fixed.
class CAddEditMailSmsNumDlg : public QDialog {
    Q_OBJECT
public:
    CAddEditMailSmsNumDlg(CRecipientList::EMode mode, bool editing, const std::string& key,
                          const std::string& name, QWidget* parent);

    std::string Key() const;
    std::string Name() const;

    // OK: stays open, with the key selected, while the key is not a valid address or number.
    void accept() override;

private:
    CRecipientList::EMode m_mode;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_key = nullptr;
};
