#pragma once

#include "Msg.h"

#include <QDialog>

#include <memory>

class CMORADoc;
class CPrintJob;
class CPrintObject;
class QPrinter;
class QPushButton;
class QRadioButton;
class QTimer;

// Printing of the alarm report: modeless, created at the end of start-up. Print and Preview ask
// the alarm log for the chosen alarms; the reply is laid out as the report and printed (through
// the platform's print dialog, which also offers a PDF file) or shown in the print preview.
class CPrintDlg : public QDialog {
    Q_OBJECT
public:
    // A reply that has not come in this long is given up and the wait cursor goes.
    static constexpr int REPLY_TIMEOUT_MS = 10000;

    CPrintDlg(CMORADoc& doc, QWidget* parent);
    ~CPrintDlg() override;

    // File > Print: show, centred over the main window.
    void ShowDialog();
    // File > Print Setup: the printer's page set-up.
    void PrintSetup();
    // File > Print Preview: the preview of the chosen alarms.
    void PrintPreview();
    // The alarm list's selection changed (the "Selection" choice follows it).
    void SelectionChanged();
    // Alarm chains for printing (kind 31 with the find-chain or find-print result). Returns the
    // reply when the dialog did not take it.
    MsgPtr OnReply(MsgPtr reply);

    // The printer the report goes to (kept between jobs, so the operator's choices stay).
    QPrinter& Printer() const { return *m_printer; }
    const CPrintJob& Job() const { return *m_job; }

    // Draws the report on the printer, one report page per printed page. False when the printer
    // (or the PDF file) could not be written.
    static bool PaintReport(const CPrintObject& report, QPrinter& printer);

private:
    void RefreshState();
    void Request(bool preview);
    void RunJob();
    void EndWait();

    CMORADoc& m_doc;
    std::unique_ptr<CPrintJob> m_job;
    std::unique_ptr<QPrinter> m_printer;
    QRadioButton* m_all = nullptr;
    QRadioButton* m_selection = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_preview = nullptr;
    QTimer* m_replyTimer = nullptr;
    bool m_waitCursor = false;
};
