#pragma once

#include <QDialog>

#include <string>

class QLineEdit;
class QPlainTextEdit;

// A customer's name and information, new or edited; when editing, the name is fixed.
class CAddEditCustomerInfoDlg : public QDialog {
    Q_OBJECT
public:
    CAddEditCustomerInfoDlg(bool editing, const std::string& name, const std::string& info, QWidget* parent);

    std::string Name() const;
    // As stored: line ends CR LF.
    std::string Info() const;

    // OK: stays open, with the name selected, while the name is empty.
    void accept() override;

private:
    QLineEdit* m_name = nullptr;
    QPlainTextEdit* m_info = nullptr;
};
