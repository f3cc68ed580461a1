#pragma once

#include "Clock.h"

#include <QDialog>

#include <memory>
#include <string>

class CSystemInfoList;
class CSystemInfoModel;
class QTableView;

// The system information window: time-stamped lines, newest on top, also written to a log.
// Modeless; Close and the close box only hide it, and lines keep arriving while it is hidden.
class CSystemInformationDlg : public QDialog {
    Q_OBJECT
public:
    // The log goes to logFolder (empty: the working directory).
    explicit CSystemInformationDlg(QWidget* parent, const IClock& clock = CSystemClock::Instance(),
                                   const std::string& logFolder = {});
    ~CSystemInformationDlg() override;

    // Adds a line on top; toFront shows the window and brings it to the front with a beep.
    void AddLine(const std::string& text, bool toFront);
    // Options > System Information: show and bring to the top.
    void ShowDialog();

    const CSystemInfoList& List() const { return *m_list; }
    QTableView* View() const { return m_view; }

private:
    void OnDelete();
    void OnClear();

    std::unique_ptr<CSystemInfoList> m_list;
    CSystemInfoModel* m_model = nullptr;
    QTableView* m_view = nullptr;
};
