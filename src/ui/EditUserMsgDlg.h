#pragma once

#include <QDialog>

#include <memory>
#include <string>

class CMORADoc;
class CUserMsgEditor;
class CUserMsgCodeModel;
class QListView;
class QPlainTextEdit;

// The editor of the user message file "UserMsg99.txt": the codes on the left, the text of the
// chosen code on the right. Modal, created for each use.
class CEditUserMsgDlg : public QDialog {
    Q_OBJECT
public:
    // Edits the file at `path`.
    CEditUserMsgDlg(const std::string& path, QWidget* parent);
    ~CEditUserMsgDlg() override;

    // Modal: loads the doc's user message file and runs the editor. A file that is there but
    // cannot be read is reported and not edited.
    static void Run(CMORADoc& doc, QWidget* parent);
    // The file in the station's working folder.
    static std::string FilePath(const std::string& workFolder);

    // Loads the file; false when it cannot be read (the operator has been told).
    bool Open();
    const CUserMsgEditor& Editor() const { return *m_editor; }

protected:
    // Close button, close box and Escape.
    void reject() override;
    void showEvent(QShowEvent* event) override;

private:
    void OnListSelection();
    void OnNew();
    void OnDelete();
    bool OnSave();
    void ShowCurrent();
    void SelectRow(int row);
    void LimitText();
    std::string FieldText() const;
    bool FieldModified() const;

    std::unique_ptr<CUserMsgEditor> m_editor;
    CUserMsgCodeModel* m_model = nullptr;
    QListView* m_list = nullptr;
    QPlainTextEdit* m_text = nullptr;
    bool m_updating = false;
};
