#include "SettingsAlarms.h"

#include "GuiText.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

QCheckBox* CSettingsAlarms::Check(QWidget* parent, const char* tag, const char* objectName) {
    auto* box = new QCheckBox(Gui::Tr(tag), parent);
    box->setObjectName(QString::fromLatin1(objectName));
    return box;
}

CSettingsAlarms::CSettingsAlarms(QWidget* parent) : CSettingsPage(parent) {
    setObjectName(QStringLiteral("SettingsAlarms"));

    auto* list = new QGroupBox(Gui::Tr("IDC_PP_SETTINGS_ALARMS_ALARM_LIST"), this);
    m_maxItems = NumberField("maxItems", CSettingsPages::MAX_ALARMLIST_ITEMS);
    m_autoRefresh = Check(list, "IDC_PP_SETTINGS_ALARMS_ALARMLIST_AUT_REFRESH_ENABLED", "autoRefresh");
    m_interval = NumberField("refreshInterval", CSettingsPages::REFRESH_INTERVAL);
    auto* listGrid = new QGridLayout(list);
    listGrid->addWidget(new QLabel(Gui::Tr("IDC_PP_SETTINGS_ALARMS_MAX_ITEMS"), list), 0, 0);
    listGrid->addWidget(m_maxItems, 0, 1, Qt::AlignLeft);
    listGrid->addWidget(m_autoRefresh, 1, 0, 1, 2);
    listGrid->addWidget(new QLabel(Gui::Tr("IDC_PP_SETTINGS_ALARMS_INTERVAL"), list), 2, 0);
    auto* interval = new QHBoxLayout;
    interval->addWidget(m_interval);
    interval->addWidget(new QLabel(Gui::Tr("IDC_PP_SETTINGS_ALARMS_SECONDS"), list));
    interval->addStretch();
    listGrid->addLayout(interval, 2, 1);
    listGrid->setColumnStretch(1, 1);

    auto* popUp = new QGroupBox(Gui::Tr("IDC_PP_SETTINGS_ALARMS_ALARM_POP_UP"), this);
    m_popUp = Check(popUp, "IDC_PP_SETTINGS_ALARMS_ALARM_POPUP_ENABLED", "popUpEnabled");
    (new QVBoxLayout(popUp))->addWidget(m_popUp);

    auto* voice = new QGroupBox(Gui::Tr("IDC_PP_SETTINGS_ALARMS_VOICE_CALL"), this);
    m_voiceCall = Check(voice, "IDC_PP_SETTINGS_ALARMS_VOICE_CALL_ENABLED", "voiceCallEnabled");
    m_alertSound = Check(voice, "IDC_PP_SETTINGS_ALARMS_VC_ALERT_ENABLED", "alertSound");
    auto* voiceColumn = new QVBoxLayout(voice);
    voiceColumn->addWidget(m_voiceCall);
    voiceColumn->addWidget(m_alertSound);

    auto* test = new QGroupBox(Gui::Tr("IDC_PP_SETTINGS_ALARMS_TEST_ALARMS"), this);
    m_sendMailAtTest = Check(test, "IDC_PP_SETTINGS_ALARMS_SEND_MAIL_AT_TESTALARM", "sendMailAtTestAlarm");
    m_acceptCallerId = Check(test, "IDC_PP_SETTINGS_ALARMS_ACCEPT_CALLER_ID_TEST_ALARMS", "acceptCallerId");
    m_useCidNumber = Check(test, "IDC_PP_SETTINGS_ALARMS_USE_CID_PHONE_NUMBER", "useCidPhoneNumber");
    m_testFilter = Check(test, "IDC_PP_SETTINGS_ALARMS_TEST_ALARM_FILTER", "testAlarmFilter");
    m_relayCtrl = Check(test, "IDC_PP_SETTINGS_ALARMS_EXT_RELAY_CTRL", "extRelayCtrl");
    auto* testColumn = new QVBoxLayout(test);
    for (QCheckBox* box : {m_sendMailAtTest, m_acceptCallerId, m_useCidNumber, m_testFilter, m_relayCtrl}) {
        testColumn->addWidget(box);
    }

    auto* layout = new QVBoxLayout(this);
    for (QGroupBox* group : {list, popUp, voice, test}) {
        layout->addWidget(group);
    }
    layout->addStretch();
}

QString CSettingsAlarms::Caption() const {
    return Gui::Tr("IDC_PP_SETTINGS_ALARMS_CAPTION");
}

void CSettingsAlarms::LoadPage(const SSettingsValues& v) {
    SetNumber(m_maxItems, v.MaxAlarmlistItems);
    m_autoRefresh->setChecked(v.AlarmListAutRefreshEnabled != 0);
    SetNumber(m_interval, v.AlarmListRefreshInterval);
    m_popUp->setChecked(v.AlarmPopUpEnabled != 0);
    m_voiceCall->setChecked(v.VoiceCallEnabled != 0);
    m_alertSound->setChecked(v.VoiceCallAlertEnabled != 0);
    m_sendMailAtTest->setChecked(v.SendMailAtTestAlarm != 0);
    m_acceptCallerId->setChecked(v.AcceptCallerIdTestAlarms != 0);
    m_useCidNumber->setChecked(v.UseCidPhoneNumber != 0);
    m_testFilter->setChecked(v.TestAlarmFilter != 0);
    m_relayCtrl->setChecked(v.ExtRelayCtrl != 0);
}

void CSettingsAlarms::StorePage(SSettingsValues& v) const {
    int number = 0;
    if (ReadNumber(m_maxItems, CSettingsPages::MAX_ALARMLIST_ITEMS, number)) {
        Put(v, &SSettingsValues::MaxAlarmlistItems, number);
    }
    Put(v, &SSettingsValues::AlarmListAutRefreshEnabled, m_autoRefresh->isChecked() ? 1 : 0);
    if (ReadNumber(m_interval, CSettingsPages::REFRESH_INTERVAL, number)) {
        Put(v, &SSettingsValues::AlarmListRefreshInterval, number);
    }
    Put(v, &SSettingsValues::AlarmPopUpEnabled, m_popUp->isChecked() ? 1 : 0);
    Put(v, &SSettingsValues::VoiceCallEnabled, m_voiceCall->isChecked() ? 1 : 0);
    Put(v, &SSettingsValues::VoiceCallAlertEnabled, m_alertSound->isChecked() ? 1 : 0);
    Put(v, &SSettingsValues::SendMailAtTestAlarm, m_sendMailAtTest->isChecked() ? 1 : 0);
    Put(v, &SSettingsValues::AcceptCallerIdTestAlarms, m_acceptCallerId->isChecked() ? 1 : 0);
    Put(v, &SSettingsValues::UseCidPhoneNumber, m_useCidNumber->isChecked() ? 1 : 0);
    Put(v, &SSettingsValues::TestAlarmFilter, m_testFilter->isChecked() ? 1 : 0);
    Put(v, &SSettingsValues::ExtRelayCtrl, m_relayCtrl->isChecked() ? 1 : 0);
}

bool CSettingsAlarms::OnKillActive() {
    int number = 0;
    return CheckNumber(m_maxItems, CSettingsPages::MAX_ALARMLIST_ITEMS, number) &&
           CheckNumber(m_interval, CSettingsPages::REFRESH_INTERVAL, number);
}
