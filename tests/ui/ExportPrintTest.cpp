// Export of the object register and printing of the alarm list, through the real windows of a
// started station with its database.

#include "WindowStoryHelpers.h"

#include "AlarmInfoMsg.h"
#include "DatabaseHandler.h"
#include "DatabaseMgr.h"
#include "DbAlarmInfo.h"
#include "DbObjectInfo.h"
#include "ExportObjectInfo.h"
#include "ExportObjectInfoDlg.h"
#include "ExportOutputDlg.h"
#include "MainFrame.h"
#include "MsgKinds.h"
#include "PrintDlg.h"
#include "PrintJob.h"
#include "Translate.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

using namespace WindowStory;

namespace {

// The text of a PDF file, pages separated by form feeds.
QString PdfText(const QString& path) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(30000)) {
        return {};
    }
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

} // namespace

class ExportPrintTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(UseEnglish()); }
    void ExportWritesTheSelectedLinesOfTheChosenRecords();
    void PrintAndPreviewFollowTheListAndItsSelection();
};

void ExportPrintTest::ExportWritesTheSelectedLinesOfTheChosenRecords() {
    CStationFolder folder;
    QVERIFY(folder.Start());
    auto* dialog = folder.Station().Frame().findChild<CExportObjectInfoDlg*>();
    QVERIFY(dialog != nullptr);
    dialog->ShowDialog();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));

    // An empty register is reported.
    QString shown;
    CModalAnswer noObjects([&shown](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
            return false;
        }
        shown = box->text();
        box->buttons().front()->click();
        return true;
    });
    dialog->findChild<QPushButton*>(QStringLiteral("nextButton"))->click();
    QVERIFY(WaitFor([&] { return noObjects.Done(); }));
    QCOMPARE(shown, QStringLiteral("The Database contains no 'ObjectInfo' records!"));

    for (int i = 1; i <= 3; ++i) {
        CObjectInfoMsg object(MsgKind::DB_OBJECT_ADD);
        object.IdCode = std::to_string(1000 + i);
        object.IdInfo = "Lift " + std::to_string(i);
        object.Address = "Storgatan " + std::to_string(i);
        QCOMPARE(folder.Doc().DatabaseMgr().Handler().ObjectTable().AddObjectInfo(object)->Status,
                 ObjectResult::ADD_DONE);
    }

    // Fields by clicking the list: ID Code and Address; the last two records; commas.
    auto* fields = dialog->findChild<QListWidget*>(QStringLiteral("fieldList"));
    QTest::mouseClick(fields->viewport(), Qt::LeftButton, {},
                      fields->visualItemRect(fields->item(CExportObjectInfo::FIELD_ID_CODE)).center());
    QTest::mouseClick(fields->viewport(), Qt::LeftButton, {},
                      fields->visualItemRect(fields->item(CExportObjectInfo::FIELD_ADDRESS)).center());
    QCOMPARE(fields->item(CExportObjectInfo::FIELD_ADDRESS)->checkState(), Qt::Checked);
    QVERIFY(fields->selectedItems().isEmpty());
    auto* count = dialog->findChild<QSpinBox*>(QStringLiteral("recordCount"));
    QVERIFY(!count->isEnabled());
    dialog->findChild<QRadioButton*>(QStringLiteral("recordsLast"))->click();
    QVERIFY(count->isEnabled());
    count->setValue(2);
    dialog->findChild<QRadioButton*>(QStringLiteral("separatorComma"))->click();
    dialog->findChild<QPushButton*>(QStringLiteral("nextButton"))->click();

    CExportOutputDlg* output = dialog->OutputDlg();
    QVERIFY(WaitFor([&] { return output->isVisible(); }));
    QListView* lines = output->View();
    QCOMPARE(lines->model()->rowCount(), 2);
    QCOMPARE(lines->model()->index(0, 0).data().toString(), QStringLiteral("1001,Storgatan 1"));
    QCOMPARE(lines->selectionModel()->selectedRows().size(), 2);

    // The operator leaves the first line out; the file gets the second with CR LF.
    lines->selectionModel()->select(lines->model()->index(0, 0), QItemSelectionModel::Deselect);
    const QString path = QString::fromStdString(folder.Dir().File("objects"));
    CModalAnswer save([&path](QWidget* modal) {
        auto* files = qobject_cast<QFileDialog*>(modal);
        if (files == nullptr) {
            return false;
        }
        // Typed as an operator types it: the file name field takes the whole path.
        if (auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            name->setText(path);
        } else {
            files->selectFile(path);
        }
        QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
        return true;
    });
    output->findChild<QPushButton*>(QStringLiteral("exportButton"))->click();
    QVERIFY(save.Done());
    QCOMPARE(CTempDir::ReadFile(folder.Dir().File("objects.txt")), std::string("1002,Storgatan 2\r\n"));
    QVERIFY(!output->isVisible());
}

void ExportPrintTest::PrintAndPreviewFollowTheListAndItsSelection() {
    CStationFolder folder;
    QVERIFY(folder.Start());
    CMORADoc& doc = folder.Doc();
    CPrintDlg* print = folder.Station().Frame().PrintDialog();
    QVERIFY(print != nullptr);
    auto* all = print->findChild<QRadioButton*>(QStringLiteral("choiceAll"));
    auto* selection = print->findChild<QRadioButton*>(QStringLiteral("choiceSelection"));
    auto* printButton = print->findChild<QPushButton*>(QStringLiteral("printButton"));
    auto* previewButton = print->findChild<QPushButton*>(QStringLiteral("previewButton"));

    print->ShowDialog();
    QVERIFY(!printButton->isEnabled());
    QVERIFY(!all->isEnabled());
    QCOMPARE(all->text(), QStringLiteral("All"));

    // 121 alarms of one line each, but the second newest has 40.
    CDbAlarmInfo& alarms = doc.DatabaseMgr().Handler().AlarmTable();
    for (int i = 0; i <= 120; ++i) {
        CAlarmInfoMsg alarm(MsgKind::UI_ALARM_RECORD, AlarmResult::NEW_ALARM);
        alarm.IdCode = std::to_string(20000000 + i);
        alarm.IdInfo = "Lift " + std::to_string(i);
        alarm.AlarmSource = CAlarmInfoMsg::ALARMSOURCE_TEL;
        alarm.AlarmType = CAlarmInfoMsg::ALARMTYPE_P100;
        alarm.AlarmStatus = CAlarmInfoMsg::ALARMSTATUS_NEW;
        alarm.AlarmTime = CDateTime::FromLocal(2024, 3, 5, 7 + i / 60, i % 60, 0);
        const int lines = i == 119 ? 40 : 1;
        for (int n = 1; n <= lines; ++n) {
            alarm.Text.AddLine("L" + std::to_string(n));
        }
        QCOMPARE(alarms.AddAlarmInfo(alarm)->Status, AlarmResult::ADD_STORED);
    }
    doc.AlarmList().Refresh();
    QVERIFY(WaitFor([&] { return doc.AlarmList().Rows().size() == 121; }));
    print->SelectionChanged();
    QVERIFY(printButton->isEnabled());
    QCOMPARE(all->text(), QStringLiteral("All Items (121)"));
    QVERIFY(all->isChecked());
    QVERIFY(!selection->isEnabled());

    // All to a PDF file: one block per alarm, newest first; the long one runs onto page 2.
    const QString pdf = QString::fromStdString(folder.Dir().File("all.pdf"));
    print->Printer().setOutputFormat(QPrinter::PdfFormat);
    print->Printer().setOutputFileName(pdf);
    CModalAnswer printAll([](QWidget* modal) {
        auto* dialog = qobject_cast<QPrintDialog*>(modal);
        if (dialog == nullptr) {
            return false;
        }
        dialog->accept();
        return true;
    });
    printButton->click();
    QVERIFY(WaitFor([&] {
        return printAll.Done() && !print->Job().Pending() && print->Job().Report().PageCount() == 0;
    }));
    QVERIFY(WaitFor([&] { return QFileInfo::exists(pdf); }));
    const QString text = PdfText(pdf);
    QCOMPARE(text.count(QString(70, QLatin1Char('*'))), 121);
    QCOMPARE(text.count(QStringLiteral("Alarm Status: New Alarm")), 121);
    QCOMPARE(folder.Station().Frame().windowTitle(), QStringLiteral("Brennvik MORA Ver. 2.65 - Eva"));
    const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    QCOMPARE(pages.size(), 21); // 120 blocks of 8 lines and one of 47, 50 lines a page
    QVERIFY(pages[0].contains(QStringLiteral("ID Info: Lift 119")));
    QVERIFY(pages[0].contains(QStringLiteral("L35")));
    QVERIFY(!pages[0].contains(QStringLiteral("L36")));
    QVERIFY(pages[1].contains(QStringLiteral("L36")));
    QVERIFY(pages[1].contains(QStringLiteral("L40")));

    // The selection of two alarms, the long one among them, in the preview: two pages.
    std::vector<std::size_t> chosen;
    for (std::size_t r = 0; r < doc.AlarmList().Rows().size(); ++r) {
        const std::string& id = doc.AlarmList().Rows()[r].idCode;
        if (id == "20000119" || id == "20000005") {
            chosen.push_back(r);
        }
    }
    QCOMPARE(chosen.size(), std::size_t(2));
    for (std::size_t r : chosen) {
        doc.AlarmList().Select(r, true);
    }
    print->SelectionChanged();
    QVERIFY(selection->isEnabled());
    QCOMPARE(selection->text(), QStringLiteral("Selection (2)"));
    QVERIFY(selection->isChecked());

    int previewPages = 0;
    CModalAnswer preview([&previewPages](QWidget* modal) {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(modal);
        if (dialog == nullptr) {
            return false;
        }
        auto* widget = dialog->findChild<QPrintPreviewWidget*>();
        widget->updatePreview();
        previewPages = widget->pageCount();
        dialog->reject();
        return true;
    });
    previewButton->click();
    QVERIFY(WaitFor([&] { return preview.Done(); }));
    QCOMPARE(previewPages, 2);

    // A file that cannot be written is a failed print, not a silent one.
    CPrintObject report;
    report.AddLine("line");
    QPrinter unwritable(QPrinter::HighResolution);
    unwritable.setOutputFormat(QPrinter::PdfFormat);
    unwritable.setOutputFileName(QString::fromStdString(folder.Dir().File("no/such/folder/x.pdf")));
    QVERIFY(!CPrintDlg::PaintReport(report, unwritable));
    QCOMPARE(Text::Tr("IDS_PRINTDLG_MSG_39"), std::string("The alarm report could not be printed."));
}

QTEST_MAIN(ExportPrintTest)
#include "ExportPrintTest.moc"
