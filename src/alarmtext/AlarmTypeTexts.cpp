#include "AlarmTypeTexts.h"

#include "TextFileReader.h"
#include "Translate.h"

#include <cstdio>

namespace {

const std::string g_empty;

// Dictionary tag of each slot's default.
constexpr const char* DEFAULT_TAGS[CAlarmTypeTexts::SLOT_COUNT] = {
    "IDS_MAINVIEW_MSG_1", "IDS_MAINVIEW_MSG_2", "IDS_MAINVIEW_MSG_3", "IDS_MAINVIEW_MSG_4",
    "IDS_MAINVIEW_MSG_6", "IDS_MAINVIEW_MSG_5", "IDS_MAINVIEW_MSG_7", "IDS_MAINVIEW_MSG_8",
    "IDS_MAINVIEW_MSG_9", "IDS_MAINVIEW_MSG_10"};

struct SLabel {
    const char* Name; // upper case
    int Slot;
};

constexpr SLabel LABELS[] = {
    {"P100ALARM", 0},        {"SMSALARM", 1},     {"VOICECALLALARM", 2},
    {"OPFAILALARM", 3},      {"TESTALARM", 4},    {"LIFTCONTROLLERALARM", 5},
    {"TESTALARMFAILURE", 6}, {"STARTOFALARM", 7}, {"ENDOFALARM", 8},
    {"MAINTENANCE", 9},      {"STARTALARM", 7},   {"ENDALARM", 8},
};

// The blocks of the default file in the order they are written.
struct SBlock {
    const char* Label;
    const char* Comment;
    int Slot;
};

constexpr SBlock FILE_BLOCKS[] = {
    {":P100Alarm\n", "// The following line(s) belongs to the 'P100' alarm type\n", 0},
    {":SMSAlarm\n", "// The following line(s) belongs to the 'SMS' alarm type\n", 1},
    {":VoiceCallAlarm\n", "// The following line(s) belongs to the 'Voice' alarm type\n", 2},
    {":OpFailAlarm\n", "// The following line(s) belongs to the 'OpFail' alarm type\n", 3},
    {":LiftControllerAlarm\n",
     "// The following line(s) belongs to the 'Lift Monitoring System' alarm type\n", 5},
    {":TestAlarm\n", "// The following line(s) belongs to the 'Test' alarm type\n", 4},
    {":TestAlarmFailure\n", "// The following line(s) belongs to the 'Test fail' alarm type\n", 6},
    {":StartOfAlarm\n", "// The following line(s) belongs to the 'Emergency Call Activated' alarm type\n", 7},
    {":EndOfAlarm\n", "// The following line(s) belongs to the 'End of Alarm' alarm type\n", 8},
    {":Maintenance\n", "// The following line(s) belongs to the 'Maintenance' alarm type\n", 9},
};

constexpr const char* FILE_HEADER =
    "// AlarmTypeText.ini - Contains the text lines displayed in the alarm dialog.\n"
    "// Lines starting with '//' is a comment line.\n"
    "// Lines starting with ':' is a block label line.\n"
    "// Lines following a block label is the text lines that will be displayed\n"
    "// in the alarm dialog according to the alarm type.\n"
    "// Edit the default text as needed.\n"
    "// NOTE! DO NOT edit the block labels.\n\n";

// A slot text as lines of the file: its CR LF pairs become line ends, and a last line without a
// line end gets one so that the next label starts its own line.
std::string AsFileLines(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        out += text[i];
    }
    if (!out.empty() && out.back() != '\n') {
        out += '\n';
    }
    return out;
}

std::string JoinPath(const std::string& folder, const char* name) {
    if (folder.empty()) {
        return name;
    }
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

} // namespace

void CAlarmTypeTexts::LoadDefaults() {
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        m_texts[static_cast<std::size_t>(slot)] = Text::Tr(DEFAULT_TAGS[slot]);
    }
}

CAlarmTypeTexts::ELoadResult CAlarmTypeTexts::LoadAlarmTypeTexts(const std::string& folder) {
    const std::string path = JoinPath(folder, FILE_NAME);
    if (ReadFile(path)) {
        return ATT_LOAD_READ;
    }
    return WriteDefaultFile(path) ? ATT_LOAD_WRITTEN : ATT_LOAD_DEFAULTS;
}

bool CAlarmTypeTexts::ReadFile(const std::string& path) {
    CTextFileReader reader;
    if (!reader.Open(path)) {
        return false;
    }
    int current = -1;
    std::string block;
    std::string line;
    while (reader.ReadLine(line)) {
        if (!line.empty() && line[0] == ':') {
            if (current >= 0) {
                m_texts[static_cast<std::size_t>(current)] = std::move(block);
            }
            block.clear();
            current = SlotOfLabel(line.substr(1));
        } else if (line.compare(0, 2, "//") == 0) {
            continue;
        } else if (current >= 0 && block.size() + line.size() + 2 <= MAX_BLOCK_BYTES) {
            block += line;
            block += "\r\n";
        }
    }
    if (current >= 0) {
        m_texts[static_cast<std::size_t>(current)] = std::move(block);
    }
    return true;
}

bool CAlarmTypeTexts::WriteDefaultFile(const std::string& path) const {
    // "x": only a file that does not exist yet is created; a site's file is never replaced.
    std::FILE* file = std::fopen(path.c_str(), "wx");
    if (file == nullptr) {
        return false;
    }
    std::string content = FILE_HEADER;
    for (const SBlock& block : FILE_BLOCKS) {
        content += block.Label;
        content += block.Comment;
        content += AsFileLines(m_texts[static_cast<std::size_t>(block.Slot)]);
    }
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

const std::string& CAlarmTypeTexts::GetAlarmTypeText(int alarmType) const {
    const int slot = SlotOfAlarmType(alarmType);
    return slot < 0 ? g_empty : m_texts[static_cast<std::size_t>(slot)];
}

const std::string& CAlarmTypeTexts::SlotText(int slot) const {
    if (slot < 0 || slot >= SLOT_COUNT) {
        return g_empty;
    }
    return m_texts[static_cast<std::size_t>(slot)];
}

void CAlarmTypeTexts::SetSlotText(int slot, std::string text) {
    if (slot >= 0 && slot < SLOT_COUNT) {
        m_texts[static_cast<std::size_t>(slot)] = std::move(text);
    }
}

int CAlarmTypeTexts::SlotOfAlarmType(int alarmType) {
    switch (alarmType) {
    case 1: // P100
        return 0;
    case 2: // SMS
        return 1;
    case 3:  // voice
    case 11: // voice redirected
        return 2;
    case 4: // operational failure
        return 3;
    case 5: // lift monitoring system
        return 5;
    case 6: // test successful
        return 4;
    case 7: // test failed
        return 6;
    case 8: // emergency call activated
        return 7;
    case 9: // end of alarm
        return 8;
    case 10: // maintenance
        return 9;
    default:
        return -1;
    }
}

int CAlarmTypeTexts::SlotOfLabel(const std::string& label) {
    std::string upper = label;
    for (char& c : upper) {
        // ASCII only, whatever the locale: the labels are ASCII.
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    for (const SLabel& known : LABELS) {
        if (upper == known.Name) {
            return known.Slot;
        }
    }
    return -1;
}
