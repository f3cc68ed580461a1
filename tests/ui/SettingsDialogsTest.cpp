// The settings sheet, the serial-port error dialog, the operators dialog and the Send SMS dialog,
// driven offscreen as an operator would.
#include "AioSmtpServer.h"
#include "Dictionary.h"
#include "GsmHandlerMsg.h"
#include "LinkedPty.h"
#include "MORADoc.h"
#include "MsgKinds.h"
#include "OperatorsDlg.h"
#include "Paths.h"
#include "RecordingFrontEnd.h"
#include "SendSmsDlg.h"
#include "SetComPort.h"
#include "SettingsSheet.h"
#include "StationFrontEnd.h"
#include "TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The core's front end for these tests: an operator called Eva, a database created when asked,
// and nothing shown.
class CQuietStationFrontEnd : public IStationFrontEnd {
public:
    EResult MessageBox(const std::string& text, EButtons b, EIcon i, int d) override {
        return recorder.MessageBox(text, b, i, d);
    }
    void SetPaneText(int pane, const std::string& text) override { recorder.SetPaneText(pane, text); }
    void AddSystemInfo(const std::string& text, bool toFront) override {
        recorder.AddSystemInfo(text, toFront);
    }
    void Beep(EBeep beep) override { recorder.Beep(beep); }
    EDbMgrAnswer DatabaseMgrDialog(int mode, const std::vector<std::string>&) override {
        return mode == 2 ? EDbMgrAnswer::CreateEmpty : EDbMgrAnswer::Ok;
    }
    void ListChanged() override {}
    void DialogOpened(CAlarmDialog&) override {}
    void PlayAlertSound() override {}
    void WakeUp() override {}
    bool SelectOperator(bool, std::string& name) override {
        name = "Eva";
        return true;
    }
    void RequestClose() override {}

    CRecordingFrontEnd recorder;
};

// Answers the next modal dialog once it is up: `act` gets it (and may close it).
void WhenModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

// Answers the next message box with a button and keeps its text.
void AnswerBox(QString& text, IFrontEnd::EResult answer) {
    WhenModal([&text, answer](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
            return;
        }
        text = box->text();
        auto* button = box->findChild<QPushButton*>(QStringLiteral("button%1").arg(static_cast<int>(answer)));
        if (button != nullptr) {
            button->click();
        }
    });
}

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        items << box->itemText(i);
    }
    return items;
}

} // namespace

class SettingsDialogsTest : public QObject {
    Q_OBJECT

private:
    CDictionary m_dictionary;
    std::unique_ptr<CTempDir> m_dir;
    std::unique_ptr<CTempDir> m_serial;

    template <class T> static T* Child(QWidget* parent, const char* name) {
        T* child = parent->findChild<T*>(QString::fromLatin1(name));
        if (child == nullptr) {
            qWarning("no child %s", name);
        }
        return child;
    }

    // Switches the sheet's tab as a click on it would.
    static void ClickTab(CSettingsSheet& sheet, int index) {
        Child<QTabWidget>(&sheet, "settingsTabs")->setCurrentIndex(index);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dictionary.Load());
        QVERIFY(m_dictionary.SetLanguage("en"));
        m_dictionary.InstallAsTranslator();
        CSettingsSheet::SetDictionary(&m_dictionary);
    }

    void init() {
        m_dir = std::make_unique<CTempDir>();
        m_dir->UseAsSettingsFolder();
        m_dir->Enter();
        m_serial = std::make_unique<CTempDir>();
        CTempDir::SetEnvironment("MORA_SERIAL_DIR", m_serial->Path().c_str());
    }

    void cleanup() {
        CTempDir::SetEnvironment("MORA_SERIAL_DIR", nullptr);
        m_serial.reset();
        m_dir.reset();
    }

    void theSettingsPagesCheckWhatIsTypedAndOkSavesAndReportsTheGroups() {
        CLinkedPty free(m_serial->Path(), 3);
        CLinkedPty held(m_serial->Path(), 4);
        QVERIFY(held.Hold());
        CQuietStationFrontEnd frontEnd;
        CMORADoc doc(frontEnd);
        doc.Settings().TelComPort = 9; // unplugged for the moment
        doc.Settings().GsmComPort = 4;
        doc.Settings().GsmBaudrate = 115200;

        CSettingsSheet sheet(doc, nullptr);
        sheet.show();
        QCOMPARE(sheet.windowTitle(), QStringLiteral("Settings"));
        auto* tabs = Child<QTabWidget>(&sheet, "settingsTabs");
        QCOMPARE(tabs->count(), 5);
        QCOMPARE(tabs->tabText(2), QStringLiteral("Alarms"));
        QVERIFY(!Child<QPushButton>(&sheet, "apply")->isEnabled());

        // Both ports present are listed, the one held by another program too; the absent stored
        // port is not listed and nothing is selected.
        auto* telPort = Child<QComboBox>(&sheet, "telPort");
        auto* gsmPort = Child<QComboBox>(&sheet, "gsmPort");
        QCOMPARE(telPort->count(), 2);
        QVERIFY(telPort->itemText(0).startsWith(QStringLiteral("COM3 (/dev/pts/")));
        QVERIFY(telPort->itemText(1).startsWith(QStringLiteral("COM4 (/dev/pts/")));
        QCOMPARE(telPort->currentIndex(), -1);
        QCOMPARE(gsmPort->currentIndex(), 1);
        QCOMPARE(Child<QComboBox>(&sheet, "baudrate")->currentText(), QStringLiteral("115200"));

        // A three-digit PIN keeps the Communication page.
        auto* pin = Child<QLineEdit>(&sheet, "pin");
        pin->setText(QStringLiteral("123"));
        QString text;
        AnswerBox(text, IFrontEnd::EResult::Ok);
        ClickTab(sheet, 2);
        QCOMPARE(text, QStringLiteral("Only PIN-Codes with 4 digits or a blank field is valid"));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(sheet.CurrentPage(), 0);
        pin->setText(QStringLiteral("4711"));
        ClickTab(sheet, 2);
        QCOMPARE(tabs->currentIndex(), 2);

        // Max Items 5 names both limits and keeps the Alarms page.
        auto* maxItems = Child<QLineEdit>(&sheet, "maxItems");
        QTest::keyClick(maxItems, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(maxItems, QStringLiteral("5x"));
        QCOMPARE(maxItems->text(), QStringLiteral("5")); // digits only
        AnswerBox(text, IFrontEnd::EResult::Ok);
        ClickTab(sheet, 3);
        QCOMPARE(text, QStringLiteral("Please enter an integer between 100 and 5000."));
        QCOMPARE(tabs->currentIndex(), 2);
        maxItems->setText(QStringLiteral("300"));
        ClickTab(sheet, 3);
        QCOMPARE(tabs->currentIndex(), 3);

        // Fewer months asks first; Cancel stays, OK goes on.
        auto* months = Child<QLineEdit>(&sheet, "keepMonths");
        months->setText(QStringLiteral("6"));
        AnswerBox(text, IFrontEnd::EResult::Cancel);
        ClickTab(sheet, 4);
        QVERIFY(text.startsWith(QStringLiteral("Decreasing the no of months")));
        QCOMPARE(tabs->currentIndex(), 3);
        AnswerBox(text, IFrontEnd::EResult::Ok);
        ClickTab(sheet, 4);
        QCOMPARE(tabs->currentIndex(), 4);
        ClickTab(sheet, 3);

        // Browse: the chosen folder with its separator, and the note that it counts from the next
        // start (no manager restarts for it).
        const QString folder = QString::fromStdString(m_serial->Path());
        WhenModal([&text, folder](QWidget* modal) {
            auto* picker = qobject_cast<QFileDialog*>(modal);
            QVERIFY(picker != nullptr);
            QCOMPARE(picker->windowTitle(), QStringLiteral("Select the folder for the Database file"));
            AnswerBox(text, IFrontEnd::EResult::Ok);
            // The operator types the folder and presses Choose.
            auto* name = picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name != nullptr);
            name->setText(folder);
            static_cast<QDialog*>(picker)->accept();
            if (picker->isVisible()) {
                static_cast<QDialog*>(picker)->reject(); // never leave the test hanging on an open picker
            }
        });
        Child<QPushButton>(&sheet, "browse")->click();
        QCOMPARE(text, QStringLiteral("NOTE! The program has to be restarted to use the new path"));
        QCOMPARE(Child<QLineEdit>(&sheet, "databasePath")->text(), folder + QLatin1Char('/'));
        // Still fewer months than the sheet opened with: asked again on leaving.
        text.clear();
        AnswerBox(text, IFrontEnd::EResult::Ok);
        ClickTab(sheet, 4);
        QVERIFY(text.startsWith(QStringLiteral("Decreasing the no of months")));
        QCOMPARE(tabs->currentIndex(), 4);
        QCOMPARE(Items(Child<QComboBox>(&sheet, "languages")),
                 (QStringList{QStringLiteral("en"), QStringLiteral("de"), QStringLiteral("fr"),
                              QStringLiteral("se")}));

        // OK: the changed groups; the unplugged port is kept, not set to none.
        Child<QPushButton>(&sheet, "ok")->click();
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
        QCOMPARE(sheet.ChangedGroups(), unsigned{SETTINGS_GROUP_GSM | SETTINGS_GROUP_DB});
        QCOMPARE(doc.Settings().TelComPort, std::int16_t{9});
        QCOMPARE(doc.Settings().GsmPinCode, std::string("4711"));

        CSettings stored;
        stored.Load();
        QCOMPARE(stored.MaxAlarmlistItems, std::int16_t{300});
        QCOMPARE(stored.KeepAirMonths, std::int16_t{6});
        QCOMPARE(stored.GsmPinCode, std::string("4711"));
        QCOMPARE(stored.TelComPort, std::int16_t{9});
        QCOMPARE(stored.GsmComPort, std::int16_t{4});
        QCOMPARE(stored.GsmBaudrate, 115200);
        QCOMPARE(stored.DatabasePath, m_serial->Path() + "/");
    }

    void aTestMailWithTheEditedServerReachesTheServerAndCancelWritesNothing() {
        const std::string mailFolder = m_dir->File("mails");
        QVERIFY(Paths::MakeFolders(mailFolder));
        CAioSmtpServer server(mailFolder);
        QVERIFY2(server.Running(), server.Error().c_str());

        CQuietStationFrontEnd frontEnd;
        CMORADoc doc(frontEnd);
        QVERIFY(doc.Start());
        {
            CSettingsSheet sheet(doc, nullptr);
            sheet.show();
            ClickTab(sheet, 1);
            Child<QLineEdit>(&sheet, "server")->setText(QStringLiteral("127.0.0.1"));
            Child<QLineEdit>(&sheet, "port")->setText(QString::number(server.Port()));
            Child<QLineEdit>(&sheet, "accountName")->setText(QStringLiteral("station.test"));
            Child<QLineEdit>(&sheet, "senderAddress")->setText(QStringLiteral("mora@example.com"));

            QString caption;
            WhenModal([&caption](QWidget* modal) {
                caption = modal->windowTitle();
                auto* address = modal->findChild<QLineEdit*>(QStringLiteral("receiveAddress"));
                QTest::keyClicks(address, QStringLiteral("tech@example.com"));
                modal->findChild<QPushButton*>(QStringLiteral("ok"))->click();
            });
            Child<QPushButton>(&sheet, "sendTestMail")->click();
            QCOMPARE(caption, QStringLiteral("TestMail"));

            const nlohmann::json mail = server.WaitMail(1);
            QVERIFY(!mail.is_null());
            QCOMPARE(QString::fromStdString(mail["helo"].get<std::string>()), QStringLiteral("station.test"));
            QCOMPARE(QString::fromStdString(mail["mail_from"].get<std::string>()),
                     QStringLiteral("mora@example.com"));
            QCOMPARE(mail["rcpt_tos"].size(), std::size_t{1});
            QCOMPARE(QString::fromStdString(mail["rcpt_tos"][0].get<std::string>()),
                     QStringLiteral("tech@example.com"));
            QCOMPARE(QString::fromStdString(mail["subject"].get<std::string>()),
                     QStringLiteral("Brennvik MORA TestMessage"));

            // Cancel: the edited server is neither kept nor written.
            Child<QPushButton>(&sheet, "cancel")->click();
            QCOMPARE(sheet.result(), int(QDialog::Rejected));
        }
        QCOMPARE(doc.Settings().SendMailServer, std::string());
        CSettings stored;
        stored.Load();
        QCOMPARE(stored.SendMailServer, std::string());
        QCOMPARE(stored.MailPortNumber, std::uint16_t{25});
        doc.Shutdown();
    }

    void theSerialPortErrorDialogOffersThePresentPortsAndExplainsMissingRights() {
        CLinkedPty com3(m_serial->Path(), 3);
        CLinkedPty com4(m_serial->Path(), 4);
        int port = 6; // the port that failed is gone

        QString title;
        QStringList items;
        int selected = 0;
        WhenModal([&](QWidget* modal) {
            title = modal->windowTitle();
            auto* ports = modal->findChild<QComboBox*>(QStringLiteral("ports"));
            items = Items(ports);
            selected = ports->currentIndex();
            QTest::keyClick(ports, Qt::Key_Down); // the operator chooses the first, then the second
            QTest::keyClick(ports, Qt::Key_Down);
            modal->findChild<QPushButton*>(QStringLiteral("ok"))->click();
        });
        QVERIFY(CSetComPort::Run(nullptr, "GSM Modem Serial Port Error", port));
        QCOMPARE(title, QStringLiteral("GSM Modem Serial Port Error"));
        QCOMPARE(items.size(), 2);
        QCOMPARE(selected, -1);
        QCOMPARE(port, 4);

        // Cancel hands back nothing; OK with nothing chosen keeps the port to try again.
        WhenModal([](QWidget* modal) { modal->findChild<QPushButton*>(QStringLiteral("cancel"))->click(); });
        QVERIFY(!CSetComPort::Run(nullptr, "GSM Modem Serial Port Error", port));
        QCOMPARE(port, 4);
        port = 6;
        WhenModal([](QWidget* modal) { modal->findChild<QPushButton*>(QStringLiteral("ok"))->click(); });
        QVERIFY(CSetComPort::Run(nullptr, "GSM Modem Serial Port Error", port));
        QCOMPARE(port, 6);

        // A user outside the device's group: the port is listed, marked, and explained.
        const bool root = geteuid() == 0;
        if (root) {
            // The ports are probed as this user when the dialog opens; the folder of the links
            // stays open to everybody, as /dev is.
            QCOMPARE(chmod(m_serial->Path().c_str(), 0755), 0);
            QCOMPARE(seteuid(65534), 0);
        } else {
            QCOMPARE(chmod(com3.Device().c_str(), 0), 0);
        }
        auto dialog = std::make_unique<CSetComPort>(nullptr, "Telephone Modem Serial Port Error", 3);
        if (root) {
            QCOMPARE(seteuid(0), 0);
        }
        auto* ports = Child<QComboBox>(dialog.get(), "ports");
        auto* note = Child<QLabel>(dialog.get(), "noAccessNote");
        QCOMPARE(ports->currentIndex(), 0);
        QVERIFY2(ports->currentText().endsWith(QStringLiteral(", no access)")),
                 qPrintable(ports->currentText()));
        QVERIFY(!note->isHidden());
        QVERIFY2(note->text().contains(QStringLiteral("no right to use the serial port COM3")),
                 qPrintable(note->text()));
        QVERIFY(note->text().contains(
            QStringLiteral("ask the system administrator to add the user to that group")));
        dialog->show();
        dialog->grab().save(QString::fromStdString(m_dir->File("setcomport.png")));
    }

    void theOperatorsDialogHandsBackTheNamesAsTyped() {
        std::array<std::string, 10> names{"Eva", "", "", "Olle"};
        WhenModal([](QWidget* modal) {
            QCOMPARE(modal->windowTitle(), QStringLiteral("Operators"));
            auto* first = modal->findChild<QLineEdit*>(QStringLiteral("operator0"));
            QCOMPARE(first->text(), QStringLiteral("Eva"));
            first->clear();
            auto* eighth = modal->findChild<QLineEdit*>(QStringLiteral("operator7"));
            QTest::keyClicks(eighth, QStringLiteral("  Anna-Karin Lindqvist-Bergstrom Junior"));
            modal->findChild<QPushButton*>(QStringLiteral("ok"))->click();
        });
        QVERIFY(COperatorsDlg::Run(nullptr, names));
        QCOMPARE(names[0], std::string());
        QCOMPARE(names[3], std::string("Olle"));
        // Not trimmed, but at most 30 characters.
        QCOMPARE(QString::fromStdString(names[7]), QStringLiteral("  Anna-Karin Lindqvist-Bergstr"));

        WhenModal([](QWidget* modal) {
            modal->findChild<QLineEdit*>(QStringLiteral("operator3"))->setText(QStringLiteral("Nobody"));
            modal->findChild<QPushButton*>(QStringLiteral("cancel"))->click();
        });
        QVERIFY(!COperatorsDlg::Run(nullptr, names));
        QCOMPARE(names[3], std::string("Olle"));
    }

    void aSendWithGsmOffTimesOutOnTheStationClockAndALateReportStillCounts() {
        CQuietStationFrontEnd frontEnd;
        CFakeClock clock(5000);
        CMORADoc doc(frontEnd, clock);
        doc.Settings().GsmEnabled = 0;
        CSendSmsDlg dialog(doc, nullptr);
        doc.GsmMgr().SetSendSmsView(&dialog);
        doc.GsmMgr().ShowSendSmsDlg();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Send SMS Message"));

        auto* numbers = Child<QLineEdit>(&dialog, "smsNumbers");
        auto* message = Child<QPlainTextEdit>(&dialog, "message");
        auto* send = Child<QPushButton>(&dialog, "send");
        auto* status = Child<QTableView>(&dialog, "sendStatus");
        QAbstractItemModel* rows = status->model();
        QCOMPARE(rows->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Status"));
        QCOMPARE(rows->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Time"));

        QString text;
        AnswerBox(text, IFrontEnd::EResult::Ok);
        send->click();
        QCOMPARE(text, QStringLiteral("No SMS Number entered"));
        numbers->setText(QStringLiteral("+46701234567; 070-1234567"));
        AnswerBox(text, IFrontEnd::EResult::Ok);
        send->click();
        QCOMPARE(text, QStringLiteral("The SMS Number field contains invalid SMS Numbers"));
        QCOMPARE(numbers->text(), QStringLiteral("+46701234567; 070-1234567")); // left as typed
        QCOMPARE(rows->rowCount(), 0);

        // At most 160 characters of message.
        QTest::keyClicks(message, QString(170, QLatin1Char('m')));
        QCOMPARE(message->toPlainText().size(), 160);
        numbers->setText(QStringLiteral("+46701234567; 0701234567"));
        send->click();
        QCOMPARE(rows->rowCount(), 1);
        QCOMPARE(rows->index(0, 0).data().toString(), QStringLiteral("Message posted to GsmHandler!"));
        QVERIFY(!send->isEnabled());

        // Closed, it keeps waiting; 15 s on the station's clock bring it back with the time-out.
        Child<QPushButton>(&dialog, "close")->click();
        QVERIFY(!dialog.isVisible());
        clock.Advance(14000);
        QTest::qWait(3 * CSendSmsDlg::POLL_MS);
        QCOMPARE(rows->rowCount(), 1);
        clock.Advance(1000);
        QTRY_COMPARE(rows->rowCount(), 2);
        QCOMPARE(rows->index(0, 0).data().toString(), QStringLiteral("Timeout sending SMS message"));
        QVERIFY(send->isEnabled());
        QVERIFY(dialog.isVisible());

        // A late report of the GSM handler still adds its row.
        CGsmHandlerMsg report(MsgKind::GSM_STATUS);
        report.Code = CGsmHandlerMsg::GHM_STATUS_SMS_SENT;
        report.RequestTag = CGsmHandlerMsg::REQUEST_TAG_SEND_SMS_DLG;
        report.Recipients = "+46701234567";
        doc.GsmMgr().OnStatus(report);
        QCOMPARE(rows->rowCount(), 3);
        QCOMPARE(rows->index(0, 0).data().toString(),
                 QStringLiteral("Message to no: +46701234567 sent to GSM Network!"));

        // Clear empties the message only.
        Child<QPushButton>(&dialog, "clear")->click();
        QVERIFY(message->toPlainText().isEmpty());
        QCOMPARE(numbers->text(), QStringLiteral("+46701234567; 0701234567"));
        dialog.grab().save(QString::fromStdString(m_dir->File("sendsms.png")));
        doc.GsmMgr().SetSendSmsView(nullptr);
    }
};

QTEST_MAIN(SettingsDialogsTest)
#include "SettingsDialogsTest.moc"
