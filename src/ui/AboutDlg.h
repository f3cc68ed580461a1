#pragma once

#include <QDialog>

// The about box: the product, its version and the maker's notice.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent);

    // Modal, centred over the main window.
    static void Run(QWidget* parent);

protected:
    void showEvent(QShowEvent* event) override;
};
