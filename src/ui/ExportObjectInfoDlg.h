#pragma once

#include "Msg.h"

#include <QDialog>

#include <memory>

class CExportObjectInfo;
class CExportOutputDlg;
class CMORADoc;
class QButtonGroup;
class QListWidget;
class QRadioButton;
class QSpinBox;

// Export of the object register to a text file: modeless, created hidden at start-up. Next asks
// the register for every object; the reply fills the output window.
class CExportObjectInfoDlg : public QDialog {
    Q_OBJECT
public:
    CExportObjectInfoDlg(CMORADoc& doc, QWidget* parent);
    ~CExportObjectInfoDlg() override;

    // Options > Export > ObjectInfo: show and bring to the top.
    void ShowDialog();
    // Export replies (kind 30). Returns the reply when the dialog did not take it.
    MsgPtr OnReply(MsgPtr reply);

    CExportObjectInfo& Export() const { return *m_export; }
    CExportOutputDlg* OutputDlg() const { return m_output; }

private:
    void ShowChecks();
    void OnNext();
    void OnRecordsChanged();

    CMORADoc& m_doc;
    std::unique_ptr<CExportObjectInfo> m_export;
    QListWidget* m_fields = nullptr;
    QRadioButton* m_all = nullptr;
    QRadioButton* m_last = nullptr;
    QSpinBox* m_count = nullptr;
    QRadioButton* m_semicolon = nullptr;
    QRadioButton* m_comma = nullptr;
    CExportOutputDlg* m_output = nullptr;
};
