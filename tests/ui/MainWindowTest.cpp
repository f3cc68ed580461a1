// The main window, the alarm list and the alarm pop-ups driven as an operator would, offscreen,
// with the station's core and a real database behind them.
#include "AlarmListModel.h"
#include "AlertSound.h"
#include "Dictionary.h"
#include "EventMsgDlg.h"
#include "GuiTestStation.h"
#include "MORADoc.h"
#include "MainFrame.h"
#include "MainView.h"
#include "MessageBox.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

using Alarm = CAlarmInfoMsg;

std::vector<CEventMsgDlg*> AlarmWindows() {
    std::vector<CEventMsgDlg*> windows;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<CEventMsgDlg*>(w);
            d != nullptr && d->isVisible() && d->Dialog() != nullptr) {
            windows.push_back(d);
        }
    }
    return windows;
}

CEventMsgDlg* WindowFor(const std::string& idCode) {
    for (CEventMsgDlg* w : AlarmWindows()) {
        if (w->Dialog()->IdCode() == idCode) {
            return w;
        }
    }
    return nullptr;
}

QString Cell(CMainFrame& frame, int row, int column) {
    return frame.View().model()->index(row, column).data().toString();
}

int RowOf(CMainFrame& frame, const QString& idCode) {
    for (int r = 0; r < frame.View().model()->rowCount(); ++r) {
        if (Cell(frame, r, 2) == idCode) {
            return r;
        }
    }
    return -1;
}

void SelectRows(CMainFrame& frame, const std::vector<int>& rows) {
    auto* selection = frame.View().selectionModel();
    selection->clearSelection();
    for (int r : rows) {
        selection->select(frame.View().model()->index(r, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    // New alarms arrive, pop up, are viewed, acknowledged and finished; the database keeps it.
    void alarmsArriveAndAreHandledInTheWindows() {
        CGuiTestStation t;
        QVERIFY(t.Start());
        CMainFrame& frame = t.Frame();
        QVERIFY(frame.windowTitle().endsWith(QStringLiteral("Ver. 2.65 - Eva")));
        QVERIFY(!frame.Action(QStringLiteral("ID_OPTIONS_SEND_SMS"))->isEnabled());   // GSM off
        QVERIFY(!frame.Action(QStringLiteral("ID_OPTIONS_UNATTENDED"))->isEnabled()); // voice off

        t.PostNewAlarm(Alarm::ALARMTYPE_P100, "12345678", "Lift 1, Storgatan 3");
        t.PostNewAlarm(Alarm::ALARMTYPE_TEST, "11111111", "Lift 2");
        t.PostNewAlarm(Alarm::ALARMTYPE_OPFAIL, "22222222", "Lift 3");
        QVERIFY(t.Pump([&] { return frame.View().model()->rowCount() == 3; }));
        // The test alarm only beeps; the two others pop up.
        QVERIFY(t.Pump([] { return AlarmWindows().size() == 2; }));
        CEventMsgDlg* p100 = WindowFor("12345678");
        QVERIFY(p100 != nullptr);
        QCOMPARE(p100->findChild<QLabel*>(QStringLiteral("titlePanel"))->text(),
                 QStringLiteral("P100 ALARM"));
        QCOMPARE(p100->findChild<QLabel*>(QStringLiteral("statusLine"))->text(),
                 QStringLiteral("Status: New Alarm"));
        QVERIFY(p100->findChild<QPlainTextEdit*>(QStringLiteral("messageText"))
                    ->toPlainText()
                    .contains(QStringLiteral("Lift stopped between floors")));
        QVERIFY(!p100->findChild<QPushButton*>(QStringLiteral("silent"))->isEnabled());

        // View the test alarm from the list: white on blue.
        SelectRows(frame, {RowOf(frame, QStringLiteral("11111111"))});
        frame.Action(QStringLiteral("ID_ALARMLIST_VIEW"))->trigger();
        QVERIFY(t.Pump([] { return WindowFor("11111111") != nullptr; }));
        QLabel* title = WindowFor("11111111")->findChild<QLabel*>(QStringLiteral("titlePanel"));
        QCOMPARE(title->text(), QStringLiteral("TEST SUCCESSFUL"));
        QVERIFY(title->styleSheet().contains(QStringLiteral("rgb(0,0,255)")));
        QVERIFY(title->styleSheet().contains(QStringLiteral("color: rgb(255,255,255)")));

        // Acknowledge in the pop-up: the window goes, the row turns yellow.
        QTest::mouseClick(p100->findChild<QPushButton*>(QStringLiteral("acknowledge")), Qt::LeftButton);
        QVERIFY(t.Pump([] { return WindowFor("12345678") == nullptr; }));
        QVERIFY(t.Pump([&] { return Cell(frame, RowOf(frame, QStringLiteral("12345678")), 0) == "  2"; }));

        // Finish the op-fail alarm straight from the list; viewed again, it shows who finished it.
        QTest::mouseClick(WindowFor("22222222")->findChild<QPushButton*>(QStringLiteral("closeButton")),
                          Qt::LeftButton);
        QVERIFY(t.Pump([] { return WindowFor("22222222") == nullptr; }));
        SelectRows(frame, {RowOf(frame, QStringLiteral("22222222"))});
        frame.Action(QStringLiteral("ID_ALARMLIST_SETSTATUS_FINISHED"))->trigger();
        QCOMPARE(Cell(frame, RowOf(frame, QStringLiteral("22222222")), 0), QStringLiteral("  3"));
        frame.Action(QStringLiteral("ID_ALARMLIST_REFRESH"))->trigger();
        QVERIFY(t.Pump([&] { return frame.View().model()->rowCount() == 3; }));
        SelectRows(frame, {RowOf(frame, QStringLiteral("22222222"))});
        QTest::keyClick(&frame.View(), Qt::Key_Return);
        QVERIFY(t.Pump([] {
            CEventMsgDlg* w = WindowFor("22222222");
            return w != nullptr && w->findChild<QLabel*>(QStringLiteral("finishLine"))->text() ==
                                       QStringLiteral("Finished by:Eva");
        }));
        CEventMsgDlg* finished = WindowFor("22222222");
        QVERIFY(!finished->findChild<QPushButton*>(QStringLiteral("acknowledge"))->isEnabled());
        QVERIFY(!finished->findChild<QPushButton*>(QStringLiteral("finish"))->isEnabled());
        QCOMPARE(finished->findChild<QPushButton*>(QStringLiteral("closeButton"))->text(),
                 QStringLiteral("Close"));
        QVERIFY(!finished->findChild<QLineEdit*>(QStringLiteral("ackTime"))->text().isEmpty());
    }

    // Sorting, the selection across a sort, filters, Set Status on a mixed selection, delete.
    void listCommands() {
        CGuiTestStation t;
        QVERIFY(t.Start());
        CMainFrame& frame = t.Frame();
        t.Doc().Settings().AlarmPopUpEnabled = 0;
        for (const char* id : {"300", "100", "200"}) {
            t.PostNewAlarm(Alarm::ALARMTYPE_P100, id, std::string("Lift ") + id);
        }
        QVERIFY(t.Pump([&] { return frame.View().model()->rowCount() == 3; }));
        QCOMPARE(AlarmWindows().size(), std::size_t{0});

        SelectRows(frame, {RowOf(frame, "100"), RowOf(frame, "300")});
        QHeaderView* header = frame.View().horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
        // First click: descending; the two selected alarms stay selected.
        QCOMPARE(Cell(frame, 0, 2), QStringLiteral("300"));
        QCOMPARE(Cell(frame, 2, 2), QStringLiteral("100"));
        const auto selected = frame.View().selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 2);
        for (const QModelIndex& index : selected) {
            QVERIFY(index.sibling(index.row(), 2).data().toString() != QStringLiteral("200"));
        }

        // Finish one, then Set Status Acknowledged on both: only the New one moves.
        SelectRows(frame, {RowOf(frame, "100")});
        frame.Action(QStringLiteral("ID_ALARMLIST_SETSTATUS_FINISHED"))->trigger();
        SelectRows(frame, {RowOf(frame, "100"), RowOf(frame, "300")});
        frame.Action(QStringLiteral("ID_ALARMLIST_SETSTATUS_ACKNOWLEDGED"))->trigger();
        QCOMPARE(Cell(frame, RowOf(frame, "100"), 0), QStringLiteral("  3"));
        QCOMPARE(Cell(frame, RowOf(frame, "300"), 0), QStringLiteral("  2"));
        QCOMPARE(Cell(frame, RowOf(frame, "200"), 0), QStringLiteral("  1"));

        // All four filters off: the list is empty; the buttons show the state.
        for (const char* f : {"ID_ALARMLIST_FILTER_NEW", "ID_ALARMLIST_FILTER_ACKNOWLEDGED",
                              "ID_ALARMLIST_FILTER_FINISHED", "ID_ALARMLIST_FILTER_INFOALARMS"}) {
            frame.Action(QString::fromLatin1(f))->trigger();
            QVERIFY(!frame.Action(QString::fromLatin1(f))->isChecked());
        }
        QVERIFY(t.Pump([&] { return frame.View().model()->rowCount() == 0; }));
        frame.Action(QStringLiteral("ID_ALARMLIST_FILTER_NEW"))->trigger();
        QVERIFY(t.Pump([&] { return frame.View().model()->rowCount() == 1; }));

        // Delete asks first; Yes removes the row from the list and the log.
        SelectRows(frame, {0});
        t.AnswerMessageBox(static_cast<int>(IFrontEnd::EResult::Yes));
        frame.Action(QStringLiteral("ID_ALARMLIST_DELETE"))->trigger();
        QCOMPARE(frame.View().model()->rowCount(), 0);
        frame.Action(QStringLiteral("ID_ALARMLIST_REFRESH"))->trigger();
        t.PumpFor(100);
        QCOMPARE(frame.View().model()->rowCount(), 0);
    }

    // A voice call: the alert on each PICK UP PHONE, the close warning, unattended grey list.
    void voiceCallPopUp() {
        CGuiTestStation t;
        t.Settings().VoiceCallEnabled = 1;
        t.Settings().VoiceCallAlertEnabled = 1;
        QVERIFY(t.Start());
        CMainFrame& frame = t.Frame();
        t.PostNewAlarm(Alarm::ALARMTYPE_VOICE, "1234567", "Lift 2, Hamngatan 5");
        QVERIFY(t.Pump([] { return WindowFor("1234567") != nullptr; }));
        CEventMsgDlg* voice = WindowFor("1234567");
        QVERIFY(voice->findChild<QPushButton*>(QStringLiteral("silent"))->isEnabled());
        const int playsBefore = frame.AlertSound().PlayCount();
        for (std::uint16_t state : {2, 2, 1, 1, 2}) {
            t.PostCallEvent(state, 175);
        }
        QVERIFY(t.Pump([&] { return frame.AlertSound().PlayCount() - playsBefore == 2; }));
        QLabel* panel = voice->findChild<QLabel*>(QStringLiteral("voicePanel"));
        QVERIFY(t.Pump([&] { return panel->text() == QStringLiteral("PICK UP PHONE"); }));
        QCOMPARE(voice->findChild<QLineEdit*>(QStringLiteral("timeLeft"))->text(), QStringLiteral("02:55"));
        // The panel blinks: it is empty for a part of every second.
        QVERIFY(t.Pump([&] { return panel->text().isEmpty(); }, 2000));

        // Closing warns; Cancel keeps the dialog and the call.
        t.AnswerMessageBox(static_cast<int>(IFrontEnd::EResult::Cancel));
        voice->close();
        t.PumpFor(50);
        QCOMPARE(WindowFor("1234567"), voice);
        t.PostCallEvent(3, 400);
        QVERIFY(t.Pump([&] { return panel->text() == QStringLiteral("CALL IN PROGRESS"); }));
        QVERIFY(!voice->findChild<QPushButton*>(QStringLiteral("ignore"))->isEnabled());

        // Unattended mode: its message, then the grey list.
        t.AnswerMessageBox(static_cast<int>(IFrontEnd::EResult::Ok));
        frame.Action(QStringLiteral("ID_OPTIONS_UNATTENDED"))->trigger();
        QVERIFY(frame.Action(QStringLiteral("ID_OPTIONS_UNATTENDED"))->isChecked());
        QCOMPARE(frame.View().palette().color(QPalette::Base), QColor(192, 192, 192));
    }

    // "Really Quit?" defaults to No and No keeps the station; message boxes in four languages.
    void quitQuestionAndMessageBoxLanguages() {
        CGuiTestStation t;
        QVERIFY(t.Start());
        CMainFrame& frame = t.Frame();
        QString defaultText;
        CGuiTestStation::WhenModal([&defaultText](QWidget* box) {
            if (auto* b = qobject_cast<QMessageBox*>(box)) {
                defaultText = b->defaultButton()->text();
                b->findChild<QAbstractButton*>(QStringLiteral("button7"))->click();
            }
        });
        frame.close();
        QVERIFY(frame.isVisible());
        QCOMPARE(defaultText, QStringLiteral("No"));

        const std::pair<const char*, QString> expected[] = {{"en", QStringLiteral("Yes")},
                                                            {"de", QStringLiteral("Ja")},
                                                            {"fr", QStringLiteral("Oui")},
                                                            {"se", QStringLiteral("Ja")}};
        for (const auto& [language, yes] : expected) {
            UseDictionary(language);
            QString yesText, title;
            CGuiTestStation::WhenModal([&](QWidget* box) {
                title = box->windowTitle();
                yesText = box->findChild<QAbstractButton*>(QStringLiteral("button6"))->text();
                box->findChild<QAbstractButton*>(QStringLiteral("button7"))->click();
            });
            QCOMPARE(CMessageBox::Show(&frame, "?", IFrontEnd::EButtons::YesNo), IFrontEnd::EResult::No);
            QCOMPARE(title, QStringLiteral("MORA"));
            QCOMPARE(yesText, yes);
        }
        UseDictionary("en");
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
