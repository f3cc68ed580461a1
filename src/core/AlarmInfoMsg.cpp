#include "AlarmInfoMsg.h"

#include "Translate.h"

namespace {

struct STypeTags {
    const char* list;
    const char* dialog;
    const char* print;
    const char* mail;
    const char* sms;
};

// Indexed by AlarmType 1 to 11 (entry 0 is "undefined"). A tag without "IDS_" is a fixed text.
const STypeTags TYPE_TAGS[] = {
    {"IDS_MAINVIEW_MSG_26", "IDS_EVENTMSGDLG_MSG_30", "IDS_PRINTDLG_MSG_25", "IDS_MAILMGR_MSG_17",
     "IDS_GSMMGR_MSG_20"},
    {"P100", "IDS_EVENTMSGDLG_MSG_8", "IDS_PRINTDLG_MSG_10", "P100", "P100"},
    {"IDS_MAINVIEW_MSG_16", "IDS_EVENTMSGDLG_MSG_9", "IDS_PRINTDLG_MSG_11", "IDS_MAILMGR_MSG_4",
     "IDS_GSMMGR_MSG_7"},
    {"IDS_MAINVIEW_MSG_17", "IDS_EVENTMSGDLG_MSG_10", "IDS_PRINTDLG_MSG_12", "IDS_MAILMGR_MSG_5",
     "IDS_GSMMGR_MSG_8"},
    {"IDS_MAINVIEW_MSG_19", "IDS_EVENTMSGDLG_MSG_11", nullptr, nullptr, nullptr},
    {"IDS_MAINVIEW_MSG_21", "IDS_EVENTMSGDLG_MSG_12", "IDS_PRINTDLG_MSG_16", "IDS_MAILMGR_MSG_9",
     "IDS_GSMMGR_MSG_12"},
    {"IDS_MAINVIEW_MSG_20", "IDS_EVENTMSGDLG_MSG_13", "IDS_PRINTDLG_MSG_14", "IDS_MAILMGR_MSG_7",
     "IDS_GSMMGR_MSG_10"},
    {"IDS_MAINVIEW_MSG_22", "IDS_EVENTMSGDLG_MSG_14", "IDS_PRINTDLG_MSG_15", "IDS_MAILMGR_MSG_8",
     "IDS_GSMMGR_MSG_11"},
    {"IDS_MAINVIEW_MSG_23", "IDS_EVENTMSGDLG_MSG_15", "IDS_PRINTDLG_MSG_17", "IDS_MAILMGR_MSG_10",
     "IDS_GSMMGR_MSG_13"},
    {"IDS_MAINVIEW_MSG_24", "IDS_EVENTMSGDLG_MSG_16", "IDS_PRINTDLG_MSG_18", "IDS_MAILMGR_MSG_11",
     "IDS_GSMMGR_MSG_14"},
    {"IDS_MAINVIEW_MSG_25", "IDS_EVENTMSGDLG_MSG_17", "IDS_PRINTDLG_MSG_19", "IDS_MAILMGR_MSG_17",
     "IDS_GSMMGR_MSG_20"},
    {"IDS_MAINVIEW_MSG_18", "IDS_EVENTMSGDLG_MSG_18", "IDS_PRINTDLG_MSG_13", "IDS_MAILMGR_MSG_6",
     "IDS_GSMMGR_MSG_9"},
};

// Indexed by OpFailType 1 to 7 (entry 0 is "undefined"); the list shows "OpFail" for all.
const STypeTags OPFAIL_TAGS[] = {
    {"IDS_MAINVIEW_MSG_19", "IDS_EVENTMSGDLG_MSG_30", nullptr, nullptr, nullptr},
    {"IDS_MAINVIEW_MSG_19", "IDS_EVENTMSGDLG_MSG_25", "IDS_PRINTDLG_MSG_20", "IDS_MAILMGR_MSG_12",
     "IDS_GSMMGR_MSG_15"},
    {"IDS_MAINVIEW_MSG_19", "IDS_EVENTMSGDLG_MSG_26", "IDS_PRINTDLG_MSG_21", "IDS_MAILMGR_MSG_13",
     "IDS_GSMMGR_MSG_16"},
    {"IDS_MAINVIEW_MSG_19", "IDS_EVENTMSGDLG_MSG_27", "IDS_PRINTDLG_MSG_22", "IDS_MAILMGR_MSG_14",
     "IDS_GSMMGR_MSG_17"},
    {"IDS_MAINVIEW_MSG_19", "IDS_EVENTMSGDLG_MSG_28", "IDS_PRINTDLG_MSG_23", "IDS_MAILMGR_MSG_15",
     "IDS_GSMMGR_MSG_18"},
    {"IDS_MAINVIEW_MSG_19", "IDS_EVENTMSGDLG_MSG_29", "IDS_PRINTDLG_MSG_24", "IDS_MAILMGR_MSG_16",
     "IDS_GSMMGR_MSG_19"},
    {"IDS_MAINVIEW_MSG_19", "IDS_EVENTMSGDLG_MSG_37", nullptr, nullptr, nullptr},
    {"IDS_MAINVIEW_MSG_19", "IDS_EVENTMSGDLG_MSG_38", nullptr, nullptr, nullptr},
};

const char* Pick(const STypeTags& tags, CAlarmInfoMsg::ETextPlace place) {
    switch (place) {
    case CAlarmInfoMsg::ETextPlace::List:
        return tags.list;
    case CAlarmInfoMsg::ETextPlace::Dialog:
        return tags.dialog;
    case CAlarmInfoMsg::ETextPlace::Print:
        return tags.print;
    case CAlarmInfoMsg::ETextPlace::Mail:
        return tags.mail;
    case CAlarmInfoMsg::ETextPlace::Sms:
        return tags.sms;
    }
    return nullptr;
}

std::string Resolve(const char* tag) {
    if (tag == nullptr) {
        return {};
    }
    const std::string text(tag);
    return text.rfind("IDS_", 0) == 0 ? Text::Tr(text) : text;
}

} // namespace

std::string CAlarmInfoMsg::TypeText(ETextPlace place, std::uint8_t alarmType, std::uint8_t opFailType) {
    if (alarmType == ALARMTYPE_OPFAIL && place != ETextPlace::List && place != ETextPlace::Dialog) {
        return OpFailText(place, opFailType);
    }
    const std::size_t index = alarmType <= ALARMTYPE_VOICE_REDIRECTED ? alarmType : 0;
    return Resolve(Pick(TYPE_TAGS[index], place));
}

std::string CAlarmInfoMsg::OpFailText(ETextPlace place, std::uint8_t opFailType) {
    const std::size_t index = opFailType <= OPFAIL_BUS_COMMUNICATION ? opFailType : 0;
    return Resolve(Pick(OPFAIL_TAGS[index], place));
}

std::string CAlarmInfoMsg::StatusText(ETextPlace place, std::uint8_t alarmStatus) {
    static const char* const DIALOG[] = {"IDS_EVENTMSGDLG_MSG_1", "IDS_EVENTMSGDLG_MSG_2",
                                         "IDS_EVENTMSGDLG_MSG_3", "IDS_EVENTMSGDLG_MSG_5"};
    static const char* const PRINT[] = {"IDS_PRINTDLG_MSG_6", "IDS_PRINTDLG_MSG_7", "IDS_PRINTDLG_MSG_8",
                                        "IDS_PRINTDLG_MSG_9"};
    if (alarmStatus < ALARMSTATUS_NEW || alarmStatus > ALARMSTATUS_INFO) {
        return {};
    }
    if (place == ETextPlace::Print) {
        return Text::Tr(PRINT[alarmStatus - 1]);
    }
    return Text::Tr(DIALOG[alarmStatus - 1]);
}

std::string CAlarmInfoMsg::SourceText(ETextPlace place, std::uint8_t alarmSource) {
    static const char* const DIALOG[] = {"IDS_EVENTMSGDLG_MSG_19", "IDS_EVENTMSGDLG_MSG_20",
                                         "IDS_EVENTMSGDLG_MSG_21", "IDS_EVENTMSGDLG_MSG_22"};
    static const char* const PRINT[] = {"IDS_PRINTDLG_MSG_26", "IDS_PRINTDLG_MSG_27", "IDS_PRINTDLG_MSG_28",
                                        "IDS_PRINTDLG_MSG_29"};
    if (alarmSource < ALARMSOURCE_TEL || alarmSource > ALARMSOURCE_CALLER_ID) {
        return {};
    }
    if (place == ETextPlace::Print) {
        return Text::Tr(PRINT[alarmSource - 1]);
    }
    return Text::Tr(DIALOG[alarmSource - 1]);
}
