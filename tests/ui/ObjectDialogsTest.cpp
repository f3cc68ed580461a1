// The object register's windows on the real station, offscreen: a newcomer is led to a new
// database, builds a lift, its recipient and its customer through the dialogs alone, and the
// next alarm call of that lift is mailed to the recipient entered; the object dialog's rules,
// limits and save question; the open dialog's search over a register.
#include "AioSmtpServer.h"
#include "DatabaseMgrDlg.h"
#include "Dictionary.h"
#include "GuiStation.h"
#include "MORADoc.h"
#include "MailSmsNumInfoDlg.h"
#include "MainFrame.h"
#include "ObjectInfoDlg.h"
#include "OpenObjectInfoDlg.h"
#include "Settings.h"
#include "SimP100Phone.h"
#include "SimTelModem.h"
#include "TempDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>

namespace {

// Answers the modal windows as they come up, one step each, in order. Actions that open another
// modal window are queued (a timer is not called again while its callback runs).
class CModalScript : public QObject {
public:
    CModalScript() {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, &CModalScript::Poll);
        m_timer.start();
    }
    // `ready`, when given, must also hold before the step acts.
    void Then(const QString& name, std::function<void(QWidget*)> act,
              std::function<bool(QWidget*)> ready = nullptr) {
        m_steps.push_back({name, std::move(act), std::move(ready)});
    }
    bool Done() const { return m_steps.empty(); }
    QStringList messages; // the texts of the message boxes answered
    QStringList errors;

    static void Click(QWidget* root, const char* name, QStringList& errors) {
        auto* button = root->findChild<QAbstractButton*>(QLatin1String(name));
        if (button == nullptr || !button->isEnabled()) {
            errors << QStringLiteral("%1: no enabled button %2").arg(root->objectName(), QLatin1String(name));
            return;
        }
        QTimer::singleShot(0, button, &QAbstractButton::click);
    }
    void Click(QWidget* root, const char* name) { Click(root, name, errors); }
    // A message box: its text is kept, the button with this answer is pressed.
    void Answer(IFrontEnd::EResult result) {
        Then(QStringLiteral("MoraMessageBox"), [this, result](QWidget* box) {
            messages << static_cast<QMessageBox*>(box)->text();
            Click(box, QStringLiteral("button%1").arg(static_cast<int>(result)).toLatin1().constData());
        });
    }
    static void Type(QWidget* root, const char* name, const QString& text) {
        if (auto* edit = root->findChild<QLineEdit*>(QLatin1String(name))) {
            edit->setText(text);
        } else if (auto* plain = root->findChild<QPlainTextEdit*>(QLatin1String(name))) {
            plain->setPlainText(text);
        }
    }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (m_steps.empty() || modal == nullptr || modal->objectName() != m_steps.front().name ||
            (m_steps.front().ready && !m_steps.front().ready(modal))) {
            return;
        }
        auto step = std::move(m_steps.front());
        m_steps.pop_front();
        step.act(modal);
    }

    struct SStep {
        QString name;
        std::function<void(QWidget*)> act;
        std::function<bool(QWidget*)> ready;
    };
    std::deque<SStep> m_steps;
    QTimer m_timer;
};

QStringList Lines(QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) {
        lines << list->item(i)->text();
    }
    return lines;
}

// One station in a folder of its own: settings (operator Eva, the database folder, mail to a
// local server when given, the telephone modem on COM1 when given), then the windows.
class CStationFolder {
public:
    CStationFolder() {
        m_dir.UseAsSettingsFolder();
        m_dir.Enter();
        CTempDir::SetEnvironment("MORA_SERIAL_DIR", m_dir.Path().c_str());
        settings.Operator[0] = "Eva";
        settings.TelEnabled = 0;
        settings.GsmEnabled = 0;
        settings.MailEnabled = 0;
        settings.DatabasePath = m_dir.Path() + "/";
    }
    ~CStationFolder() {
        station.reset();
        CTempDir::SetEnvironment("MORA_SERIAL_DIR", nullptr);
    }
    void Save() {
        settings.SaveAll();
        settings.SaveLastOperator("Eva");
    }
    CObjectInfoDlg& ObjectDlg() { return station->Frame().ObjectDlg(); }
    const CTempDir& Dir() const { return m_dir; }

    CSettings settings;
    std::unique_ptr<CGuiStation> station;

private:
    CTempDir m_dir;
};

// The operator's choice at start-up and the database manager's questions for a folder without a
// database: create a new empty one, then start.
void ScriptNewDatabase(CModalScript& script, QStringList& seen) {
    script.Then(QStringLiteral("SelectOperatorDlg"), [&script](QWidget* w) { script.Click(w, "ok"); });
    script.Then(QStringLiteral("DatabaseMgrDlg"), [&script, &seen](QWidget* w) {
        seen << Lines(w->findChild<QListWidget*>(QStringLiteral("Messages")));
        for (const char* name : {"ChangePath", "NewEmpty", "NewCopy"}) {
            auto* choice = w->findChild<QRadioButton*>(QLatin1String(name));
            seen << QStringLiteral("%1 %2 %3")
                        .arg(QLatin1String(name),
                             choice->isEnabled() ? QStringLiteral("on") : QStringLiteral("off"),
                             choice->isChecked() ? QStringLiteral("checked") : QString());
        }
        w->findChild<QRadioButton*>(QStringLiteral("NewEmpty"))->setChecked(true);
        script.Click(w, "OK");
        // The same window asks again once the database is made; it shows the outcome on top.
        script.Then(
            QStringLiteral("DatabaseMgrDlg"),
            [&script, &seen](QWidget* again) {
                seen << Lines(again->findChild<QListWidget*>(QStringLiteral("Progress")));
                script.Click(again, "OK");
            },
            [](QWidget* again) { return static_cast<CDatabaseMgrDlg*>(again)->Choice().Mode() == 6; });
    });
}

} // namespace

class CObjectDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QApplication::setQuitOnLastWindowClosed(false);
        QVERIFY(m_dictionary.Load());
        QVERIFY(m_dictionary.SetLanguage("en"));
        m_dictionary.InstallAsTranslator();
    }

    void aNewcomerBuildsTheRegisterAndTheNextAlarmIsMailedToTheRecipientEntered();
    void rulesLimitsAndTheSaveQuestionOnTheObjectDialog();
    void theOpenDialogFindsSortsAndOpens();
    void olderVersionFilesOfferAllThreeChoicesAndCancelEnds();

private:
    CDictionary m_dictionary;
};

void CObjectDialogsTest::aNewcomerBuildsTheRegisterAndTheNextAlarmIsMailedToTheRecipientEntered() {
    CStationFolder folder;
    CSimTelModem modem;
    SSimTiming timing;
    timing.LineMs = 100;
    timing.ResetMs = 200;
    timing.RawByteMs = 30;
    timing.P100MessageMs = 300;
    timing.P100NoStartMs = 100;
    timing.P100RetryMs = 150;
    modem.SetTiming(timing);
    std::string error;
    QVERIFY2(modem.Start(folder.Dir().Path(), 1, error), error.c_str());
    const std::string mailFolder = folder.Dir().File("mail");
    std::filesystem::create_directory(mailFolder);
    CAioSmtpServer smtp(mailFolder);
    QVERIFY2(smtp.Running(), smtp.Error().c_str());
    folder.settings.TelEnabled = 1;
    folder.settings.TelComPort = 1;
    folder.settings.TelRingSignals = 1;
    folder.settings.CpcEnabled = 0;
    folder.settings.VoiceCallEnabled = 0;
    folder.settings.MailEnabled = 1;
    folder.settings.SendMailServer = "127.0.0.1";
    folder.settings.MailPortNumber = smtp.Port();
    folder.settings.MailAccountName = "station.gui";
    folder.settings.MailSenderAddress = "mora@station.example";
    folder.Save();

    // No database yet: the dialog offers a new empty one, and says when it is made.
    CModalScript script;
    QStringList seen;
    ScriptNewDatabase(script, seen);
    folder.station = std::make_unique<CGuiStation>(CSystemClock::Instance(), folder.Dir().Path());
    QVERIFY(folder.station->Start());
    QVERIFY(script.errors.isEmpty());
    const QString path = QString::fromStdString(folder.settings.DatabasePath);
    // Newest on top: the outcome above the creation's own lines, its first line at the bottom.
    QCOMPARE(seen.last(), QStringLiteral("Creating Database 'MORA_10.mdb'..."));
    QCOMPARE(seen.mid(0, 8),
             (QStringList{"No Database found at the path:", path,
                          "Select action and click <OK>, or click <Cancel> to end the program",
                          "ChangePath on checked", "NewEmpty on ", "NewCopy off ",
                          "Click <OK> to start the program...", "Database successfully created..."}));
    QVERIFY(std::filesystem::exists(folder.Dir().File("MORA_10.mdb")));
    QTRY_COMPARE_WITH_TIMEOUT(folder.station->Frame().findChild<QLabel*>(QStringLiteral("pane3"))->text(),
                              QStringLiteral("TEL: Com OK, Line OK"), 20000);

    // File > New; the lift typed in, its technician picked through the recipients dialog after
    // entering her there, its customer through the customer dialog.
    CObjectInfoDlg& dlg = folder.ObjectDlg();
    folder.station->Frame().Action(QStringLiteral("ID_FILE_NEW"))->trigger();
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Add Object Info"));
    CModalScript::Type(&dlg, "IdCode", QStringLiteral("12345678"));
    CModalScript::Type(&dlg, "IdInfo", QStringLiteral("Hiss 1, Storgatan 3 'Åby'"));
    CModalScript::Type(&dlg, "Address", QStringLiteral("Storgatan 3, Gävle"));
    script.Then(QStringLiteral("MailSmsNumInfoDlg"), [&script](QWidget* w) { script.Click(w, "New"); });
    script.Then(QStringLiteral("AddEditMailSmsNumDlg"), [&script](QWidget* w) {
        CModalScript::Type(w, "Name", QStringLiteral("Åsa Öberg"));
        CModalScript::Type(w, "Key", QStringLiteral("tekniker@hiss.example"));
        script.Click(w, "OK");
    });
    script.Answer(IFrontEnd::EResult::Ok); // "Mail info saved!"
    script.Then(QStringLiteral("MailSmsNumInfoDlg"), [&script](QWidget* w) {
        // The new entry is selected in the register list; Add makes it a recipient.
        auto* recipients = w->findChild<QTableView*>(QStringLiteral("Recipients"));
        if (recipients->model()->rowCount() != 0) {
            script.errors << QStringLiteral("recipients before Add");
        }
        script.Click(w, "Add");
        QTimer::singleShot(50, w, [&script, w] { script.Click(w, "OK"); });
    });
    CModalScript::Click(&dlg, "MailTechChoose", script.errors);
    QTRY_VERIFY_WITH_TIMEOUT(script.Done(), 10000);
    QTRY_COMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("MailTech"))->text(),
                 QStringLiteral("tekniker@hiss.example"));

    script.Then(QStringLiteral("CustomerInfoDlg"), [&script](QWidget* w) { script.Click(w, "New"); });
    script.Then(QStringLiteral("AddEditCustomerInfoDlg"), [&script](QWidget* w) {
        CModalScript::Type(w, "Name", QStringLiteral("Bostäder AB"));
        CModalScript::Type(w, "Info", QStringLiteral("Förvaltare\nÅsa"));
        script.Click(w, "OK");
    });
    script.Answer(IFrontEnd::EResult::Ok); // "Customer info saved!"
    script.Then(QStringLiteral("CustomerInfoDlg"), [&script](QWidget* w) { script.Click(w, "Select"); });
    CModalScript::Click(&dlg, "CustomerChoose", script.errors);
    QTRY_VERIFY_WITH_TIMEOUT(script.Done(), 10000);
    QTRY_COMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("CustomerName"))->text(),
                 QStringLiteral("Bostäder AB"));
    QCOMPARE(dlg.findChild<QPlainTextEdit*>(QStringLiteral("CustomerInfo"))->toPlainText(),
             QStringLiteral("Förvaltare\nÅsa"));

    script.Answer(IFrontEnd::EResult::Ok); // "Object saved!"
    CModalScript::Click(&dlg, "Add", script.errors);
    QTRY_VERIFY_WITH_TIMEOUT(script.Done(), 10000);
    QCOMPARE(script.messages, (QStringList{"Mail info saved!", "Customer info saved!", "Object saved!"}));
    QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("IdCode"))->text(), QString());
    QVERIFY(script.errors.isEmpty());
    dlg.hide();

    // Open it again from the register: everything as entered.
    folder.station->Frame().Action(QStringLiteral("ID_FILE_OPEN"))->trigger();
    QTRY_VERIFY(dlg.OpenDialog() != nullptr && dlg.OpenDialog()->isVisible());
    COpenObjectInfoDlg* open = dlg.OpenDialog();
    QCOMPARE(open->findChild<QLabel*>(QStringLiteral("ObjectCount"))->text(), QStringLiteral("1 Objects"));
    open->findChild<QTableView*>(QStringLiteral("ObjectList"))->selectRow(0);
    open->OpenSelected();
    QTRY_VERIFY(dlg.isVisible());
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Edit Object Info"));
    QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("IdInfo"))->text(),
             QStringLiteral("Hiss 1, Storgatan 3 'Åby'"));
    QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("MailTech"))->text(),
             QStringLiteral("tekniker@hiss.example"));
    QCOMPARE(dlg.findChild<QPlainTextEdit*>(QStringLiteral("CustomerInfo"))->toPlainText(),
             QStringLiteral("Förvaltare\nÅsa"));
    QVERIFY(!dlg.findChild<QPushButton*>(QStringLiteral("Add"))->isEnabled());
    QVERIFY(dlg.findChild<QLineEdit*>(QStringLiteral("IdCode"))->isReadOnly());
    // The picture of the dialog for the documentation, when asked for.
    for (const char* variable : {"MORA_OBJECT_DIALOG_PNG", "MORA_SCREENSHOTS"}) {
        const QString target = QString::fromLocal8Bit(qgetenv(variable));
        if (!target.isEmpty()) {
            QApplication::processEvents();
            dlg.grab().save(target.endsWith(QStringLiteral(".png"))
                                ? target
                                : target + QStringLiteral("/object-dialog.png"));
        }
    }
    // Unchanged: Close asks nothing; the open dialog comes back with the lift found.
    CModalScript::Click(&dlg, "Close", script.errors);
    QTRY_VERIFY(!dlg.isVisible());
    QTRY_VERIFY(dlg.OpenDialog() != nullptr && dlg.OpenDialog()->isVisible());
    QCOMPARE(dlg.OpenDialog()->SelectedRow(), 0);
    dlg.OpenDialog()->close();

    // The lift calls with an alarm: one mail, to the technician entered through the dialogs.
    auto phone = std::make_shared<CSimP100Phone>();
    phone->AddMessage(CSimP100Phone::CODE_ALARM, "12345678");
    modem.Call(phone, SSimRingPlan{4, 200, 300});
    QTRY_VERIFY_WITH_TIMEOUT(smtp.StoredCount() >= 1, 30000);
    const nlohmann::json mail = smtp.WaitMail(1, 1000);
    QVERIFY(mail.is_object());
    QCOMPARE(QString::fromStdString(mail["rcpt_tos"].dump()), QStringLiteral("[\"tekniker@hiss.example\"]"));
    QVERIFY(mail["body"].get<std::string>().find("ID Info: Hiss 1, Storgatan 3 'Åby'") != std::string::npos);

    folder.station.reset();
    modem.Stop();
}

void CObjectDialogsTest::rulesLimitsAndTheSaveQuestionOnTheObjectDialog() {
    CStationFolder folder;
    folder.Save();
    CModalScript script;
    QStringList seen;
    ScriptNewDatabase(script, seen);
    folder.station = std::make_unique<CGuiStation>(CSystemClock::Instance(), folder.Dir().Path());
    QVERIFY(folder.station->Start());
    CObjectInfoDlg& dlg = folder.ObjectDlg();
    dlg.FileNew();
    auto* idCode = dlg.findChild<QLineEdit*>(QStringLiteral("IdCode"));
    auto* idInfo = dlg.findChild<QLineEdit*>(QStringLiteral("IdInfo"));
    auto* mailTech = dlg.findChild<QLineEdit*>(QStringLiteral("MailTech"));
    auto* mailEmg = dlg.findChild<QLineEdit*>(QStringLiteral("MailEmg"));
    QCOMPARE(dlg.focusWidget(), idCode);

    // Limits count characters: 20 of the ID code, 255 letters å of the ID information.
    QTest::keyClicks(idCode, QStringLiteral("1234567890123456789012"));
    QCOMPARE(idCode->text(), QStringLiteral("12345678901234567890"));
    idInfo->setFocus();
    QTest::keyClicks(idInfo, QString(256, QChar(0xE5)));
    QCOMPARE(idInfo->text(), QString(255, QChar(0xE5)));

    // Both e-mail fields wrong (and the ID code): three messages, the focus in the last field.
    mailTech->setText(QStringLiteral("anna"));
    mailEmg->setText(QStringLiteral("@x"));
    script.Answer(IFrontEnd::EResult::Ok);
    script.Answer(IFrontEnd::EResult::Ok);
    script.Answer(IFrontEnd::EResult::Ok);
    CModalScript::Click(&dlg, "Add", script.errors);
    QTRY_VERIFY(script.Done());
    QCOMPARE(
        script.messages,
        (QStringList{"Only ID Codes with 6 to 8 digits or a Tel-number starting with '+' is valid as ID Code",
                     "The 'Technical Alarms' E-Mail field contains invalid addresses",
                     "The 'Emergency Alarms' E-Mail field contains invalid addresses"}));
    QTRY_COMPARE(dlg.focusWidget(), mailEmg);
    QCOMPARE(mailEmg->selectedText(), QStringLiteral("@x"));

    // The close box asks; Cancel stays with everything typed, No closes without saving.
    script.messages.clear();
    script.Answer(IFrontEnd::EResult::Cancel);
    dlg.close();
    QTRY_VERIFY(script.Done());
    QCOMPARE(script.messages, QStringList{"Add Object Info?"});
    QVERIFY(dlg.isVisible());
    QCOMPARE(mailTech->text(), QStringLiteral("anna"));
    script.Answer(IFrontEnd::EResult::No);
    dlg.close();
    QTRY_VERIFY(!dlg.isVisible());
    QVERIFY(script.errors.isEmpty());
}

void CObjectDialogsTest::theOpenDialogFindsSortsAndOpens() {
    CStationFolder folder;
    folder.Save();
    CModalScript script;
    QStringList seen;
    ScriptNewDatabase(script, seen);
    folder.station = std::make_unique<CGuiStation>(CSystemClock::Instance(), folder.Dir().Path());
    QVERIFY(folder.station->Start());
    CObjectInfoDlg& dlg = folder.ObjectDlg();
    // A register typed in one by one through the dialog.
    const QList<QPair<QString, QString>> lifts = {
        {QStringLiteral("30000000"), QStringLiteral("Xab lift")},
        {QStringLiteral("10000000"), QStringLiteral("ABC Storgatan")},
        {QStringLiteral("+4670"), QStringLiteral("Åby torg")},
        {QStringLiteral("20000000"), QStringLiteral("abd Hamngatan")}};
    for (const auto& [id, info] : lifts) {
        dlg.FileNew();
        CModalScript::Type(&dlg, "IdCode", id);
        CModalScript::Type(&dlg, "IdInfo", info);
        script.Answer(IFrontEnd::EResult::Ok);
        CModalScript::Click(&dlg, "Add", script.errors);
        QTRY_VERIFY(script.Done());
        dlg.hide();
    }
    dlg.FileOpen();
    QTRY_VERIFY(dlg.OpenDialog() != nullptr);
    COpenObjectInfoDlg* open = dlg.OpenDialog();
    auto* table = open->findChild<QTableView*>(QStringLiteral("ObjectList"));
    QCOMPARE(open->findChild<QLabel*>(QStringLiteral("ObjectCount"))->text(), QStringLiteral("4 Objects"));
    QCOMPARE(table->model()->index(0, 0).data().toString(), QStringLiteral("+4670"));
    QCOMPARE(open->focusWidget(), open->findChild<QLineEdit*>(QStringLiteral("SearchText")));

    // "ab" by ID info: the two that begin with it, in any case, then none (a beep).
    open->findChild<QRadioButton*>(QStringLiteral("FindByIdInfo"))->setChecked(true);
    open->findChild<QLineEdit*>(QStringLiteral("SearchText"))->setText(QStringLiteral("ab"));
    open->FindFirst();
    QCOMPARE(table->model()->index(open->SelectedRow(), 0).data().toString(), QStringLiteral("10000000"));
    open->FindNext();
    QCOMPARE(table->model()->index(open->SelectedRow(), 0).data().toString(), QStringLiteral("20000000"));
    open->FindNext();
    QCOMPARE(table->model()->index(open->SelectedRow(), 0).data().toString(), QStringLiteral("20000000"));

    // A click on the ID information's header sorts by it, a second one turns it round.
    table->horizontalHeader()->sectionClicked(1);
    QCOMPARE(table->model()->index(0, 1).data().toString(), QStringLiteral("ABC Storgatan"));
    table->horizontalHeader()->sectionClicked(1);
    QCOMPARE(table->model()->index(0, 1).data().toString(), QStringLiteral("Åby torg"));

    // A double click opens the row's lift for editing and closes the list.
    const QModelIndex row = table->model()->index(0, 0);
    table->doubleClicked(row);
    QTRY_VERIFY(dlg.isVisible());
    QTRY_VERIFY(dlg.OpenDialog() == nullptr);
    QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("IdCode"))->text(), QStringLiteral("+4670"));
    QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("IdInfo"))->text(), QStringLiteral("Åby torg"));
    QVERIFY(script.errors.isEmpty());
}

void CObjectDialogsTest::olderVersionFilesOfferAllThreeChoicesAndCancelEnds() {
    CStationFolder folder;
    CTempDir::WriteFile(folder.Dir().File("IdInfo.dat"), "");
    CTempDir::WriteFile(folder.Dir().File("EventSave.dat"), "");
    folder.Save();
    CModalScript script;
    QStringList seen;
    script.Then(QStringLiteral("SelectOperatorDlg"), [&script](QWidget* w) { script.Click(w, "ok"); });
    script.Then(QStringLiteral("DatabaseMgrDlg"), [&script, &seen](QWidget* w) {
        seen << Lines(w->findChild<QListWidget*>(QStringLiteral("Messages")));
        for (const char* name : {"ChangePath", "NewEmpty", "NewCopy"}) {
            seen << (w->findChild<QRadioButton*>(QLatin1String(name))->isEnabled() ? QStringLiteral("on")
                                                                                   : QStringLiteral("off"));
        }
        script.Click(w, "Cancel");
    });
    folder.station = std::make_unique<CGuiStation>(CSystemClock::Instance(), folder.Dir().Path());
    QVERIFY(!folder.station->Start());
    QVERIFY(script.Done());
    QCOMPARE(seen,
             (QStringList{"The Database Manager has found an earlier version of the Database at the path:",
                          QString::fromStdString(folder.settings.DatabasePath),
                          "Select action and click <OK>, or click <Cancel> to end the program", "on", "on",
                          "on"}));
    QVERIFY(!std::filesystem::exists(folder.Dir().File("MORA_10.mdb")));
}

QTEST_MAIN(CObjectDialogsTest)
#include "ObjectDialogsTest.moc"
