#include "GuiTestStation.h"

#include "DbConvert.h"
#include "Dictionary.h"
#include "MORADoc.h"
#include "MainFrame.h"
#include "MsgKinds.h"
#include "RecordingFrontEnd.h"
#include "TelHandlerMsg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

void UseDictionary(const char* language) {
    static const bool loaded = [] {
        CDictionary& dictionary = CDictionary::Instance();
        const bool ok = dictionary.Load();
        dictionary.InstallAsTranslator();
        return ok;
    }();
    if (loaded) {
        CDictionary::Instance().SetLanguage(language);
    }
}

CGuiTestStation::CGuiTestStation() {
    UseDictionary();
    m_dir.Enter();
    m_dir.UseAsSettingsFolder();
    m_settings.Load();
    m_settings.TelEnabled = 0;
    m_settings.GsmEnabled = 0;
    m_settings.MailEnabled = 0;
    m_settings.DatabasePath = m_dir.Path() + "/";
    m_settings.Operator[0] = "Eva";
    m_settings.Operator[3] = "Per";
    CRecordingFrontEnd frontEnd;
    CDbConvert(frontEnd, m_settings.DatabasePath, "Eva").CreateDatabase();
}

CGuiTestStation::~CGuiTestStation() {
    m_station.reset();
}

bool CGuiTestStation::Start() {
    if (!m_settings.SaveAll() || !m_settings.SaveLastOperator("Eva")) {
        return false;
    }
    m_station = std::make_unique<CGuiStation>(CSystemClock::Instance(), m_dir.Path());
    WhenModal([](QWidget* dialog) { QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection); });
    if (!m_station->Start()) {
        return false;
    }
    // The first fill of the list.
    PumpFor(50);
    return true;
}

void CGuiTestStation::PostNewAlarm(std::uint8_t type, const std::string& idCode, const std::string& idInfo,
                                   std::uint8_t source) {
    auto alarm = std::make_unique<CAlarmInfoMsg>(MsgKind::UI_ALARM_RECORD, AlarmResult::NEW_ALARM);
    alarm->AlarmType = type;
    alarm->AlarmSource = source;
    alarm->AlarmStatus = type == CAlarmInfoMsg::ALARMTYPE_TEST ? CAlarmInfoMsg::ALARMSTATUS_INFO
                                                               : CAlarmInfoMsg::ALARMSTATUS_NEW;
    alarm->IdCode = idCode;
    alarm->IdInfo = idInfo;
    alarm->AlarmTime = CDateTime::FromLocal(CSystemClock::Instance().Now());
    alarm->Text.AddLine("Lift stopped between floors");
    Doc().PostMsg(std::move(alarm));
}

void CGuiTestStation::PostCallEvent(std::uint16_t state, std::uint16_t secondsLeft) {
    auto event = std::make_unique<CTelHandlerMsg>(MsgKind::TEL_CALL_EVENT);
    event->Value = state;
    event->Seconds = secondsLeft;
    Doc().PostMsg(std::move(event));
}

bool CGuiTestStation::Pump(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qWait(5);
    }
    return true;
}

void CGuiTestStation::PumpFor(int milliseconds) {
    QTest::qWait(milliseconds);
}

void CGuiTestStation::WhenModal(const std::function<void(QWidget*)>& act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(modal);
        }
    });
    timer->start();
}

void CGuiTestStation::AnswerMessageBox(int result) {
    WhenModal([result](QWidget* box) {
        if (auto* button = box->findChild<QAbstractButton*>(QStringLiteral("button%1").arg(result))) {
            button->click();
        }
    });
}
