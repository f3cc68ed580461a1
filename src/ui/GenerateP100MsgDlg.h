#pragma once

#include "P100Generator.h"

#include <QDialog>

#include <array>
#include <memory>

class CMORADoc;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// The hidden P100 test-message generator (Ctrl+Alt+Shift+F1): modeless. Send hands the message to
// the telephone handler, which decodes it as if the modem had received it.
class CGenerateP100MsgDlg : public QDialog {
    Q_OBJECT
public:
    CGenerateP100MsgDlg(CMORADoc& doc, QWidget* parent);
    ~CGenerateP100MsgDlg() override;

    // Show and bring to the top.
    void ShowDialog();

    const CP100Generator& Generator() const { return *m_generator; }

private:
    void OnAlarmType();
    void OnUpdate();
    void OnSend();
    CP100Generator::SFields ReadFields() const;
    void ShowFields();
    void ShowError(int field, const std::string& text);

    CMORADoc& m_doc;
    std::unique_ptr<CP100Generator> m_generator;
    QLineEdit* m_idCode = nullptr;
    QComboBox* m_alarmType = nullptr;
    QComboBox* m_opFailType = nullptr;
    std::array<QLineEdit*, CP100Generator::FIELD_COUNT> m_numbers{};
    QCheckBox* m_autoUpdate = nullptr;
    QPushButton* m_update = nullptr;
    QPushButton* m_send = nullptr;
};
