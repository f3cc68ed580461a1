#pragma once

#include <QDialog>

#include <string>

class QLineEdit;

// Asks for the address a test mail goes to.
class CTestMailAddrDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTestMailAddrDlg(QWidget* parent);

    // Modal, the field empty at first. True on OK with the address as typed (possibly empty).
    static bool Run(QWidget* parent, std::string& address);

    std::string Address() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* m_address = nullptr;
};
