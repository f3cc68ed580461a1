#pragma once

#include "Translate.h"

#ifdef MAIL_TEST_WITH_DICTIONARY
#include "Dictionary.h"
#include <gtest/gtest.h>
#endif

#include <map>
#include <string>

// The mail manager's texts as the word list has them, for tests that check exact texts without
// the whole dictionary. Non-English sets carry the characters outside ASCII that the real
// translations have (ä, ö, å, é, ß).
inline std::map<std::string, std::string> MailTexts(const std::string& language) {
    std::map<std::string, std::string> t = {
        {"IDS_MAILMGR_MSG_1", "Mail: Idle"},
        {"IDS_MAILMGR_MSG_2", "Mail: Disabled"},
        {"IDS_MAILMGR_MSG_3", "Windows Sockets init failure"},
        {"IDS_MAILMGR_MSG_4", "SMS"},
        {"IDS_MAILMGR_MSG_5", "Voice"},
        {"IDS_MAILMGR_MSG_6", "Voice - Redirected"},
        {"IDS_MAILMGR_MSG_7", "Test Successful"},
        {"IDS_MAILMGR_MSG_8", "Test Fail"},
        {"IDS_MAILMGR_MSG_9", "Lift Monitoring System"},
        {"IDS_MAILMGR_MSG_10", "Emergency Call Activated"},
        {"IDS_MAILMGR_MSG_11", "End of Alarm"},
        {"IDS_MAILMGR_MSG_12", "Inputs Failure"},
        {"IDS_MAILMGR_MSG_13", "Battery Failure"},
        {"IDS_MAILMGR_MSG_14", "Mic/Speaker Failure"},
        {"IDS_MAILMGR_MSG_15", "Mains Power Info"},
        {"IDS_MAILMGR_MSG_16", "Stuck Emergency Button"},
        {"IDS_MAILMGR_MSG_17", "Undefined Alarm Type"},
        {"IDS_MAILMGR_MSG_18", "ALARM FROM %s ALARM-RECEIVER\r\n"},
        {"IDS_MAILMGR_MSG_19", "Alarm Type: %s\r\n"},
        {"IDS_MAILMGR_MSG_20", "ID Info: %s\r\n"},
        {"IDS_MAILMGR_MSG_21", "ID Code: %s\r\n"},
        {"IDS_MAILMGR_MSG_22", "This message was sent by an alarm receiver from %s\r\n"},
        {"IDS_MAILMGR_MSG_23", "%s Alarm Message"},
        {"IDS_MAILMGR_MSG_24", "TESTMESSAGE FROM %s ALARM-RECEIVER\r\n"},
        {"IDS_MAILMGR_MSG_25", "Alarm Type: %s\r\n"},
        {"IDS_MAILMGR_MSG_26", "TestMessage"},
        {"IDS_MAILMGR_MSG_27", "This message was sent by an alarm receiver from %s\r\n"},
        {"IDS_MAILMGR_MSG_28", "%s TestMessage"},
        {"IDS_MAILMGR_MSG_29", "Mail: Idle"},
        {"IDS_MAILMGR_MSG_30", "Mail: Connecting"},
        {"IDS_MAILMGR_MSG_31", "Mail: Authorizing"},
        {"IDS_MAILMGR_MSG_32", "Mail: Sending"},
        {"IDS_MAILMGR_MSG_33", "Mail: Idle"},
        {"IDS_MAILMGR_MSG_34", "Mail: Idle"},
        {"IDS_MAILMGR_MSG_35", "Error connecting to Mailserver..."},
        {"IDS_MAILMGR_MSG_36", "Communication Error[%d] with Mailserver..."},
        {"IDS_MAILMGR_MSG_37", "%s %s, MailTo %s"},
        {"IDS_MAILMGR_MSG_38", "ERROR: E-mail sending failure,"},
    };
    if (language == "de") {
        t["IDS_MAILMGR_MSG_13"] = "Batteriefehler";
        t["IDS_MAILMGR_MSG_18"] = "ALARM VOM %s-ALARMEMPFÄNGER\r\n";
        t["IDS_MAILMGR_MSG_19"] = "Alarmtyp: %s\r\n";
        t["IDS_MAILMGR_MSG_20"] = "ID-Info: %s\r\n";
        t["IDS_MAILMGR_MSG_21"] = "ID-Code: %s\r\n";
        t["IDS_MAILMGR_MSG_22"] =
            "Diese Nachricht wurde von einem Alarmempfänger von %s gesendet (Größe ß)\r\n";
        t["IDS_MAILMGR_MSG_23"] = "%s Alarmmeldung für Aufzüge";
    } else if (language == "fr") {
        t["IDS_MAILMGR_MSG_13"] = "Défaut batterie";
        t["IDS_MAILMGR_MSG_18"] = "ALARME DU RÉCEPTEUR D'ALARMES %s\r\n";
        t["IDS_MAILMGR_MSG_19"] = "Type d'alarme : %s\r\n";
        t["IDS_MAILMGR_MSG_20"] = "Info ID : %s\r\n";
        t["IDS_MAILMGR_MSG_21"] = "Code ID : %s\r\n";
        t["IDS_MAILMGR_MSG_22"] = "Ce message a été envoyé par un récepteur d'alarmes de %s\r\n";
        t["IDS_MAILMGR_MSG_23"] = "%s Message d'alarme élévateur";
    } else if (language == "se") {
        t["IDS_MAILMGR_MSG_13"] = "Batterifel";
        t["IDS_MAILMGR_MSG_18"] = "LARM FRÅN %s-LARMMOTTAGAREN\r\n";
        t["IDS_MAILMGR_MSG_19"] = "Larmtyp: %s\r\n";
        t["IDS_MAILMGR_MSG_20"] = "ID-info: %s\r\n";
        t["IDS_MAILMGR_MSG_21"] = "ID-kod: %s\r\n";
        t["IDS_MAILMGR_MSG_22"] = "Detta meddelande skickades från en larmmottagare från %s\r\n";
        t["IDS_MAILMGR_MSG_23"] = "%s Larmmeddelande för hissar";
    }
    return t;
}

inline void InstallMailTexts(const std::string& language = "en") {
    auto texts = MailTexts(language);
    Text::SetTranslator([texts](const std::string& tag) {
        const auto it = texts.find(tag);
        return it != texts.end() ? it->second : std::string(Text::NOT_AVAILABLE);
    });
}

// The language's texts: the built-in dictionary when this build has it, else the set above.
inline void UseLanguage(const std::string& language) {
#ifdef MAIL_TEST_WITH_DICTIONARY
    static const bool loaded = CDictionary::Instance().Load();
    ASSERT_TRUE(loaded);
    ASSERT_TRUE(CDictionary::Instance().SetLanguage(language));
    CDictionary::Instance().InstallAsTranslator();
#else
    InstallMailTexts(language);
#endif
}
