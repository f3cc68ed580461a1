#pragma once

#include "DatabaseMgrChoice.h"
#include "FrontEnd.h"

#include <QDialog>

#include <string>
#include <vector>

class QEventLoop;
class QListWidget;
class QPushButton;
class QRadioButton;

// The database manager's dialog at start-up: the situation, the choices, the progress list.
class CDatabaseMgrDlg : public QDialog {
    Q_OBJECT
public:
    explicit CDatabaseMgrDlg(QWidget* parent);
    ~CDatabaseMgrDlg() override;

    // Shows the situation `mode` with its message lines (or updates the dialog already shown) and
    // waits for OK or Cancel.
    IFrontEnd::EDbMgrAnswer Ask(int mode, const std::vector<std::string>& lines);
    // A new top line of the progress list, shown at once.
    void AddProgress(const std::string& line);
    void CloseDialog();

    const CDatabaseMgrChoice& Choice() const { return m_choice; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void ShowChoice();
    void Answer(IFrontEnd::EDbMgrAnswer answer);

    CDatabaseMgrChoice m_choice;
    QListWidget* m_messages = nullptr;
    QListWidget* m_progress = nullptr;
    QRadioButton* m_choices[CDatabaseMgrChoice::CHOICE_COUNT] = {};
    QPushButton* m_ok = nullptr;
    QEventLoop* m_loop = nullptr;
    IFrontEnd::EDbMgrAnswer m_answer = IFrontEnd::EDbMgrAnswer::Cancel;
};
