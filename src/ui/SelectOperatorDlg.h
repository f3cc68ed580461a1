#pragma once

#include "OperatorSelection.h"

#include <QDialog>

#include <memory>
#include <string>

class QComboBox;
class QLineEdit;
class QTimer;

// Chooses the operator at start-up (with the countdown) and from Options > Change Operator.
class CSelectOperatorDlg : public QDialog {
    Q_OBJECT
public:
    CSelectOperatorDlg(QWidget* parent, CSettings& settings, bool startup);

    // Modal. True with the chosen name on OK (or when the start-up countdown ran out).
    static bool Run(QWidget* parent, CSettings& settings, bool startup, std::string& name);

    const std::string& ChosenName() const { return m_chosen; }
    const COperatorSelection& Selection() const { return m_selection; }

    void accept() override;

private:
    void FillList();
    void OnTick();
    void StopCountdown();
    void OnAddEdit();

    CSettings& m_settings;
    COperatorSelection m_selection;
    QComboBox* m_names = nullptr;
    QLineEdit* m_countdown = nullptr;
    QTimer* m_timer = nullptr;
    std::string m_chosen;
};
