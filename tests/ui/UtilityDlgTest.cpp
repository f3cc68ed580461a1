// The system information window, the user message editor, the P100 generator and the about box,
// driven as the operator drives them.

#include "WindowStoryHelpers.h"

#include "AboutDlg.h"
#include "EditUserMsgDlg.h"
#include "GenerateP100MsgDlg.h"
#include "MainFrame.h"
#include "P100Generator.h"
#include "SystemInfoList.h"
#include "SystemInformationDlg.h"
#include "UserMsgEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace WindowStory;

namespace {

// Answers the next message box with the button whose text is `button` and keeps its text.
class CBoxAnswer : public CModalAnswer {
public:
    CBoxAnswer(const QString& button, QString* text)
        : CModalAnswer([button, text](QWidget* modal) {
              auto* box = qobject_cast<QMessageBox*>(modal);
              if (box == nullptr) {
                  return false;
              }
              *text = box->text();
              for (QAbstractButton* b : box->buttons()) {
                  if (b->text().remove(QLatin1Char('&')) == button) {
                      b->click();
                      return true;
                  }
              }
              box->buttons().front()->click();
              return true;
          }) {}
};

void ClickRow(QAbstractItemView* view, int row) {
    const QRect rect = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

class UtilityDlgTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(UseEnglish()); }
    void SystemInformationKeepsTwoHundredRowsAndComesToTheFront();
    void UserMessageEditorSortsAsksAndSaves();
    void P100GeneratorUpdatesAndRefusesAValueOutOfRange();
    void AboutBoxShowsTheVersion();
};

void UtilityDlgTest::SystemInformationKeepsTwoHundredRowsAndComesToTheFront() {
    CTempDir dir;
    CFakeClock clock;
    CSystemInformationDlg dialog(nullptr, clock, dir.Path());
    for (int i = 1; i <= 200; ++i) {
        dialog.AddLine("line " + std::to_string(i), false);
    }
    QVERIFY(!dialog.isVisible());
    QTableView* view = dialog.View();
    QCOMPARE(view->model()->rowCount(), 200);
    // The 201st comes with to-front: the hidden window shows it on top; the oldest is gone.
    dialog.AddLine("TEL: Com Error", true);
    QVERIFY(dialog.isVisible());
    QCOMPARE(view->model()->rowCount(), 200);
    QCOMPARE(view->model()->index(0, 0).data().toString(), QStringLiteral("TEL: Com Error"));
    QCOMPARE(view->model()->index(0, 1).data().toString(), QStringLiteral("24-03-05  07:04:09"));
    QCOMPARE(view->model()->index(199, 0).data().toString(), QStringLiteral("line 2"));
    QCOMPARE(view->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Information"));

    // Delete the selected row; Clear asks first.
    ClickRow(view, 1);
    dialog.findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
    QCOMPARE(view->model()->rowCount(), 199);
    QCOMPARE(view->model()->index(1, 0).data().toString(), QStringLiteral("line 199"));
    QString asked;
    CBoxAnswer yes(QStringLiteral("Yes"), &asked);
    dialog.findChild<QPushButton*>(QStringLiteral("clearButton"))->click();
    QVERIFY(yes.Done());
    QCOMPARE(asked, QStringLiteral("Delete All Items?"));
    QCOMPARE(view->model()->rowCount(), 0);
    // Clear on an empty list asks nothing.
    QString none;
    CBoxAnswer nothing(QStringLiteral("Yes"), &none);
    dialog.findChild<QPushButton*>(QStringLiteral("clearButton"))->click();
    QTest::qWait(100);
    QVERIFY(!nothing.Done());
    dialog.findChild<QPushButton*>(QStringLiteral("closeButton"))->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.List().Log().LogPath(), dir.File("SystemInfo.log"));
    const std::string log = CTempDir::ReadFile(dir.File("SystemInfo.log"));
    QVERIFY(log.find("SysInfo: TEL: Com Error\n") != std::string::npos);
    QVERIFY(log.find("SysInfo: line 1\n") != std::string::npos);
}

void UtilityDlgTest::UserMessageEditorSortsAsksAndSaves() {
    CTempDir dir;
    const std::string path = dir.File("UserMsg99.txt");
    CTempDir::WriteFile(path, ":b001\nbee\n:A010\nfirst\n:a002\nay\n");
    CEditUserMsgDlg dialog(path, nullptr);
    QVERIFY(dialog.Open());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* list = dialog.findChild<QListView*>(QStringLiteral("codeList"));
    auto* text = dialog.findChild<QPlainTextEdit*>(QStringLiteral("messageText"));
    QCOMPARE(list->model()->rowCount(), 3);
    QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("A010"));
    QCOMPARE(list->model()->index(1, 0).data().toString(), QStringLiteral("a002"));
    QCOMPARE(list->model()->index(2, 0).data().toString(), QStringLiteral("b001"));
    QVERIFY(!text->isEnabled());

    // A click shows the text; typing and a click elsewhere keep it with its code.
    ClickRow(list, 1);
    QVERIFY(text->isEnabled());
    QCOMPARE(text->toPlainText(), QStringLiteral("ay\n"));
    text->moveCursor(QTextCursor::End);
    QTest::keyClicks(text, "more");
    ClickRow(list, 2);
    QCOMPARE(text->toPlainText(), QStringLiteral("bee\n"));
    QCOMPARE(dialog.Editor().Entries()[1].Text, std::string("ay\r\nmore"));

    // New with a code that is there: refused with the code run into the two texts.
    auto* newButton = dialog.findChild<QPushButton*>(QStringLiteral("newButton"));
    QString refused;
    CModalAnswer prompt([](QWidget* modal) {
        if (modal->objectName() != QLatin1String("AddUserMsgItemDlg")) {
            return false;
        }
        modal->findChild<QLineEdit*>(QStringLiteral("codeField"))->setText(QStringLiteral("a002"));
        QMetaObject::invokeMethod(modal, "accept", Qt::QueuedConnection);
        return true;
    });
    CBoxAnswer exists(QStringLiteral("OK"), &refused);
    newButton->click();
    QVERIFY(prompt.Done());
    QVERIFY(WaitFor([&] { return exists.Done(); }));
    QCOMPARE(refused, QStringLiteral("The Message Code:a002already exists"));
    QCOMPARE(list->model()->rowCount(), 3);

    // The prompt refuses a256 and takes Z255, which goes to the end of the list.
    QString invalid;
    CModalAnswer typeBad([](QWidget* modal) {
        if (modal->objectName() != QLatin1String("AddUserMsgItemDlg")) {
            return false;
        }
        modal->findChild<QLineEdit*>(QStringLiteral("codeField"))->setText(QStringLiteral("a256"));
        QMetaObject::invokeMethod(modal, "accept", Qt::QueuedConnection);
        return true;
    });
    CBoxAnswer badCode(QStringLiteral("OK"), &invalid);
    std::unique_ptr<CModalAnswer> typeGood;
    QTimer::singleShot(0, [&] {
        // After the refusal the prompt is still open: now a good code.
        typeGood = std::make_unique<CModalAnswer>([&badCode](QWidget* modal) {
            if (!badCode.Done() || modal->objectName() != QLatin1String("AddUserMsgItemDlg")) {
                return false;
            }
            modal->findChild<QLineEdit*>(QStringLiteral("codeField"))->setText(QStringLiteral("Z255"));
            QMetaObject::invokeMethod(modal, "accept", Qt::QueuedConnection);
            return true;
        });
    });
    newButton->click();
    QVERIFY(typeBad.Done() && badCode.Done() && typeGood && typeGood->Done());
    QCOMPARE(invalid, QStringLiteral("Valid message codes are 'a000 - z255' and 'A000 - Z255'"));
    QCOMPARE(list->model()->rowCount(), 4);
    QCOMPARE(list->model()->index(3, 0).data().toString(), QStringLiteral("Z255"));
    QCOMPARE(list->selectionModel()->selectedIndexes().front().row(), 3);
    QVERIFY(text->isEnabled());
    QVERIFY(text->toPlainText().isEmpty());
    QTest::keyClicks(text, "zed");

    // Close asks; Yes writes the file in list order.
    QString question;
    CBoxAnswer save(QStringLiteral("Yes"), &question);
    dialog.findChild<QPushButton*>(QStringLiteral("closeButton"))->click();
    QVERIFY(save.Done());
    QCOMPARE(question, QStringLiteral("Save Changes?"));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(CTempDir::ReadFile(path),
             std::string(":A010\nfirst\n\n:a002\nay\nmore\n:b001\nbee\n\n:Z255\nzed\n"));
}

void UtilityDlgTest::P100GeneratorUpdatesAndRefusesAValueOutOfRange() {
    CStationFolder folder; // the generator belongs to the main window; the station need not run
    auto* dialog = folder.Station().Frame().findChild<CGenerateP100MsgDlg*>();
    QVERIFY(dialog != nullptr);
    dialog->ShowDialog();
    auto field = [dialog](int f) { return dialog->findChild<QLineEdit*>(QStringLiteral("field%1").arg(f)); };
    auto* update = dialog->findChild<QPushButton*>(QStringLiteral("updateButton"));
    auto* opFail = dialog->findChild<QComboBox*>(QStringLiteral("opFailType"));
    QVERIFY(!update->isEnabled()); // Automatic Update is on
    QVERIFY(!opFail->isEnabled());
    QVERIFY(!field(CP100Generator::FIELD_DATA1)->isEnabled());

    dialog->findChild<QComboBox*>(QStringLiteral("alarmType"))->setCurrentIndex(CP100Generator::ALARM_OPFAIL);
    QVERIFY(opFail->isEnabled());
    opFail->setCurrentIndex(1); // Battery
    dialog->findChild<QCheckBox*>(QStringLiteral("autoUpdate"))->click();
    QVERIFY(update->isEnabled());
    update->click();
    QStringList values;
    for (int f = CP100Generator::FIELD_TYPE; f < CP100Generator::FIELD_COUNT; ++f) {
        values << field(f)->text();
    }
    QCOMPARE(values.join(QLatin1Char(' ')), QStringLiteral("2 11 1 2 3 4 5 6 7 8 1 0 0 0 0 0 0"));

    dialog->findChild<QComboBox*>(QStringLiteral("alarmType"))
        ->setCurrentIndex(CP100Generator::ALARM_USER_DATA);
    QVERIFY(!dialog->findChild<QLineEdit*>(QStringLiteral("idCode"))->isEnabled());
    field(CP100Generator::FIELD_USER_LEN)->setText(QStringLiteral("2"));
    field(CP100Generator::FIELD_DATA1)->setText(QStringLiteral("171"));
    field(CP100Generator::FIELD_DATA1 + 1)->setText(QStringLiteral("5"));
    update->click();
    QCOMPARE(field(CP100Generator::FIELD_TYPE)->text(), QStringLiteral("5"));
    QCOMPARE(field(CP100Generator::FIELD_LEN)->text(), QStringLiteral("4"));
    QCOMPARE(field(CP100Generator::FIELD_C1)->text(), QStringLiteral("10"));
    QCOMPARE(field(CP100Generator::FIELD_C1 + 1)->text(), QStringLiteral("11"));

    // A letter in the ID code: Update shows 17, Send refuses it and focuses the field.
    dialog->findChild<QComboBox*>(QStringLiteral("alarmType"))->setCurrentIndex(CP100Generator::ALARM_TEST);
    dialog->findChild<QLineEdit*>(QStringLiteral("idCode"))->setText(QStringLiteral("12A45678"));
    update->click();
    QCOMPARE(field(CP100Generator::FIELD_C1 + 2)->text(), QStringLiteral("17"));
    QString range;
    CBoxAnswer refused(QStringLiteral("OK"), &range);
    dialog->findChild<QPushButton*>(QStringLiteral("sendButton"))->click();
    QVERIFY(refused.Done());
    QCOMPARE(range, QStringLiteral("Please enter an integer between 0 and 15."));
    QCOMPARE(dialog->focusWidget(), field(CP100Generator::FIELD_C1 + 2));
    dialog->close();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(field(CP100Generator::FIELD_C1 + 2)->text(), QStringLiteral("17")); // kept while hidden
}

void UtilityDlgTest::AboutBoxShowsTheVersion() {
    QString version;
    QString caption;
    CModalAnswer about([&](QWidget* modal) {
        if (modal->objectName() != QLatin1String("AboutDlg")) {
            return false;
        }
        caption = modal->windowTitle();
        version = modal->findChild<QLabel*>(QStringLiteral("versionLine"))->text();
        modal->findChild<QPushButton*>(QStringLiteral("ok"))->click();
        return true;
    });
    CAboutDlg::Run(nullptr);
    QVERIFY(about.Done());
    QCOMPARE(caption, QStringLiteral("About Brennvik MORA"));
    QCOMPARE(version, QStringLiteral("Version 2.65"));
}

QTEST_MAIN(UtilityDlgTest)
#include "UtilityDlgTest.moc"
