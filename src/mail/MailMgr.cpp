#include "MailMgr.h"

#include "MsgKinds.h"
#include "Translate.h"

#include <cstdio>

CMailMgr::CMailMgr(const IClock& clock) : m_handler(nullptr, clock) {}

CMailMgr::~CMailMgr() = default;

void CMailMgr::Init(IFrontEnd& frontEnd, const SSettingsValues& settings) {
    m_frontEnd = &frontEnd;
    m_settings = &settings;
}

bool CMailMgr::Start(IMsgSink* owner) {
    if (m_frontEnd == nullptr || m_settings == nullptr) {
        std::fprintf(stderr, "CMailMgr::Start: not initialised\n");
        return false;
    }
    m_frontEnd->SetPaneText(
        MAIL_PANE, Text::Tr(m_settings->MailEnabled != 0 ? "IDS_MAILMGR_MSG_1" : "IDS_MAILMGR_MSG_2"));
    if (m_handler.IsRunning()) {
        return true;
    }
    m_handler.SetOwner(owner);
    m_handler.ResetState();
    if (m_handler.Start() != CHandler::HANDLER_STARTED) {
        m_frontEnd->MessageBox(Text::Tr("IDS_MAILMGR_MSG_3"), IFrontEnd::EButtons::Ok,
                               IFrontEnd::EIcon::Error, 0);
        return false;
    }
    return true;
}

void CMailMgr::Stop() {
    m_handler.Stop();
}

std::string CMailMgr::TypeText(std::uint8_t alarmType, std::uint8_t opFailType) {
    switch (alarmType) {
    case CAlarmInfoMsg::ALARMTYPE_P100:
        return "P100";
    case CAlarmInfoMsg::ALARMTYPE_SMS:
        return Text::Tr("IDS_MAILMGR_MSG_4");
    case CAlarmInfoMsg::ALARMTYPE_VOICE:
        return Text::Tr("IDS_MAILMGR_MSG_5");
    case CAlarmInfoMsg::ALARMTYPE_OPFAIL:
        switch (opFailType) {
        case CAlarmInfoMsg::OPFAIL_INPUTS:
            return Text::Tr("IDS_MAILMGR_MSG_12");
        case CAlarmInfoMsg::OPFAIL_BATTERY:
            return Text::Tr("IDS_MAILMGR_MSG_13");
        case CAlarmInfoMsg::OPFAIL_MIC_SPEAKER:
            return Text::Tr("IDS_MAILMGR_MSG_14");
        case CAlarmInfoMsg::OPFAIL_MAINS_POWER:
            return Text::Tr("IDS_MAILMGR_MSG_15");
        case CAlarmInfoMsg::OPFAIL_STUCK_BUTTON:
            return Text::Tr("IDS_MAILMGR_MSG_16");
        default:
            return {};
        }
    case CAlarmInfoMsg::ALARMTYPE_LIFT_MONITORING:
        return Text::Tr("IDS_MAILMGR_MSG_9");
    case CAlarmInfoMsg::ALARMTYPE_TEST:
        return Text::Tr("IDS_MAILMGR_MSG_7");
    case CAlarmInfoMsg::ALARMTYPE_TEST_FAIL:
        return Text::Tr("IDS_MAILMGR_MSG_8");
    case CAlarmInfoMsg::ALARMTYPE_EMERGENCY_CALL:
        return Text::Tr("IDS_MAILMGR_MSG_10");
    case CAlarmInfoMsg::ALARMTYPE_END_OF_ALARM:
        return Text::Tr("IDS_MAILMGR_MSG_11");
    case CAlarmInfoMsg::ALARMTYPE_VOICE_REDIRECTED:
        return Text::Tr("IDS_MAILMGR_MSG_6");
    default:
        return Text::Tr("IDS_MAILMGR_MSG_17");
    }
}

std::string CMailMgr::HeadingBlock(const char* titleTag) const {
    std::string block = "\r\n";
    block += ASTERISK_LINE;
    block += Text::TrF(titleTag, PRODUCT_SHORT_NAME);
    block += m_settings->MailHeader1 + "\r\n";
    block += m_settings->MailHeader2 + "\r\n";
    block += ASTERISK_LINE;
    return block;
}

std::string CMailMgr::ClosingBlock(const char* companyTag) const {
    std::string block = std::string(ASTERISK_LINE) + "\r\n";
    block += Text::TrF(companyTag, COMPANY_NAME);
    block += Text::Format("%s\r\n", WEB_ADDRESS);
    return block;
}

std::unique_ptr<CMailHandlerMsg> CMailMgr::ComposeAlarmMail(const CAlarmInfoMsg& alarm,
                                                            const std::string& recipients) const {
    auto mail = std::make_unique<CMailHandlerMsg>(MsgKind::MAIL_SEND);
    std::string body = HeadingBlock("IDS_MAILMGR_MSG_18");
    body += Text::TrF("IDS_MAILMGR_MSG_19", TypeText(alarm.AlarmType, alarm.OpFailType).c_str());
    body += Text::TrF("IDS_MAILMGR_MSG_20", alarm.IdInfo.c_str());
    body += Text::TrF("IDS_MAILMGR_MSG_21", alarm.IdCode.c_str());
    CMsgText text = alarm.Text; // reading moves the read position of the record's own text
    const int lines = text.GetLineCount();
    text.RewindRead();
    for (int i = 0; i < lines; ++i) {
        body += text.GetLine(CMsgText::MAX_CHARS) + "\r\n";
    }
    body += ClosingBlock("IDS_MAILMGR_MSG_22");
    mail->Body = std::move(body);
    mail->Server = m_settings->SendMailServer;
    mail->Port = m_settings->MailPortNumber;
    mail->HeloName = m_settings->MailAccountName;
    mail->SenderAddress = m_settings->MailSenderAddress;
    mail->Recipients = recipients;
    mail->Subject = Text::TrF("IDS_MAILMGR_MSG_23", PRODUCT_LONG_NAME);
    return mail;
}

std::unique_ptr<CMailHandlerMsg> CMailMgr::ComposeTestMail(const std::string& server, std::uint16_t port,
                                                           const std::string& accountName,
                                                           const std::string& senderAddress,
                                                           const std::string& recipients) const {
    auto mail = std::make_unique<CMailHandlerMsg>(MsgKind::MAIL_SEND);
    std::string body = HeadingBlock("IDS_MAILMGR_MSG_24");
    body += Text::TrF("IDS_MAILMGR_MSG_25", Text::Tr("IDS_MAILMGR_MSG_26").c_str());
    body += ClosingBlock("IDS_MAILMGR_MSG_27");
    mail->Body = std::move(body);
    mail->Server = server;
    mail->Port = port;
    mail->HeloName = accountName;
    mail->SenderAddress = senderAddress;
    mail->Recipients = recipients;
    mail->Subject = Text::TrF("IDS_MAILMGR_MSG_28", PRODUCT_LONG_NAME);
    return mail;
}

void CMailMgr::SendAlarmMail(const CAlarmInfoMsg* alarm, const std::string& recipients) {
    if (alarm == nullptr || m_settings == nullptr || m_settings->MailEnabled == 0 || recipients.empty()) {
        return;
    }
    m_handler.PutMsg(ComposeAlarmMail(*alarm, recipients));
}

void CMailMgr::SendTestMail(const std::string& server, std::uint16_t port, const std::string& accountName,
                            const std::string& senderAddress, const std::string& recipients) {
    if (m_settings == nullptr) {
        std::fprintf(stderr, "CMailMgr::SendTestMail: not initialised\n");
        return;
    }
    m_handler.PutMsg(ComposeTestMail(server, port, accountName, senderAddress, recipients));
}

std::string CMailMgr::FailureReport(const CMailHandlerMsg& msg) {
    const std::string reason = msg.ErrorCode == CMailHandlerMsg::MHM_ERROR_CONNECT
                                   ? Text::Tr("IDS_MAILMGR_MSG_35")
                                   : Text::TrF("IDS_MAILMGR_MSG_36", static_cast<int>(msg.ErrorCode));
    return Text::TrF("IDS_MAILMGR_MSG_37", Text::Tr("IDS_MAILMGR_MSG_38").c_str(), reason.c_str(),
                     msg.Recipients.c_str());
}

void CMailMgr::OnMailStatus(const CMailHandlerMsg& msg) {
    if (m_frontEnd == nullptr) {
        return;
    }
    static const char* const paneTags[] = {"IDS_MAILMGR_MSG_29", "IDS_MAILMGR_MSG_30", "IDS_MAILMGR_MSG_31",
                                           "IDS_MAILMGR_MSG_32", "IDS_MAILMGR_MSG_33", "IDS_MAILMGR_MSG_34"};
    if (msg.Code > CMailHandlerMsg::MHM_STATUS_SEND_ERROR) {
        return;
    }
    m_frontEnd->SetPaneText(MAIL_PANE, Text::Tr(paneTags[msg.Code]));
    if (msg.Code == CMailHandlerMsg::MHM_STATUS_SEND_ERROR) {
        m_frontEnd->AddSystemInfo(FailureReport(msg), true);
    }
}
