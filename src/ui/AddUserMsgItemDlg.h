#pragma once

#include <QDialog>

#include <string>

class QLineEdit;

// The code prompt of the user message editor: a letter and a number up to 255 ("a005").
class CAddUserMsgItemDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAddUserMsgItemDlg(QWidget* parent);

    // Modal. True with the accepted code (four characters such as a005) on OK.
    static bool Ask(QWidget* parent, std::string& code);

    const std::string& Code() const { return m_code; }

protected:
    void accept() override;
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* m_field = nullptr;
    std::string m_code;
};
