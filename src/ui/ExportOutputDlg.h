#pragma once

#include <QDialog>

class CExportObjectInfo;
class CExportLinesModel;
class QListView;

// The export's output window: the lines produced, each selected to begin with; the operator may
// deselect lines before Export writes the selected ones to a text file.
class CExportOutputDlg : public QDialog {
    Q_OBJECT
public:
    CExportOutputDlg(CExportObjectInfo& exporter, QWidget* parent);

    // The lines of the export were rebuilt: show them all selected.
    void LinesChanged();
    QListView* View() const { return m_view; }

private:
    void OnExport();
    void TakeSelection();

    CExportObjectInfo& m_export;
    CExportLinesModel* m_model = nullptr;
    QListView* m_view = nullptr;
};
