#include "GsmInfo.h"

#include "GpBuffer.h"
#include "Translate.h"
#include "Utf8.h"

#include <algorithm>
#include <array>

namespace {

constexpr char CTRL_Z = 26;
constexpr unsigned char GSM_ESCAPE = 27;

// AT+WS46 values by the network selection index of the settings.
constexpr std::array<int, CGsmInfo::NET_SELECTION_COUNT> NET_SELECTION = {25, 29, 30, 31, 12, 22, 28};

// Received: the GSM 03.38 default alphabet by code, as the code point of its character. The
// station's text is UTF-8, so the Greek capitals are themselves (no stand-in control characters).
constexpr std::array<char32_t, 128> GSM_TO_TEXT = {
    0x40,  0xA3,  0x24,  0xA5,  0xE8,  0xE9,  0xF9,  0xEC,  // @ £ $ ¥ è é ù ì
    0xF2,  0xC7,  0x0A,  0xD8,  0xF8,  0x0D,  0xC5,  0xE5,  // ò Ç LF Ø ø CR Å å
    0x394, 0x5F,  0x3A6, 0x393, 0x39B, 0x3A9, 0x3A0, 0x3A8, // Δ _ Φ Γ Λ Ω Π Ψ
    0x3A3, 0x398, 0x39E, 0x1B,  0xC6,  0xE6,  0xDF,  0xC9,  // Σ Θ Ξ ESC Æ æ ß É
    0x20,  0x21,  0x22,  0x23,  0xA4,  0x25,  0x26,  0x27,  //   ! " # ¤ % & '
    0x28,  0x29,  0x2A,  0x2B,  0x2C,  0x2D,  0x2E,  0x2F,  // ( ) * + , - . /
    0x30,  0x31,  0x32,  0x33,  0x34,  0x35,  0x36,  0x37,  // 0-7
    0x38,  0x39,  0x3A,  0x3B,  0x3C,  0x3D,  0x3E,  0x3F,  // 8 9 : ; < = > ?
    0xA1,  0x41,  0x42,  0x43,  0x44,  0x45,  0x46,  0x47,  // ¡ A-G
    0x48,  0x49,  0x4A,  0x4B,  0x4C,  0x4D,  0x4E,  0x4F,  // H-O
    0x50,  0x51,  0x52,  0x53,  0x54,  0x55,  0x56,  0x57,  // P-W
    0x58,  0x59,  0x5A,  0xC4,  0xD6,  0xD1,  0xDC,  0xA7,  // X Y Z Ä Ö Ñ Ü §
    0xBF,  0x61,  0x62,  0x63,  0x64,  0x65,  0x66,  0x67,  // ¿ a-g
    0x68,  0x69,  0x6A,  0x6B,  0x6C,  0x6D,  0x6E,  0x6F,  // h-o
    0x70,  0x71,  0x72,  0x73,  0x74,  0x75,  0x76,  0x77,  // p-w
    0x78,  0x79,  0x7A,  0xE4,  0xF6,  0xF1,  0xFC,  0xE0,  // x y z ä ö ñ ü à
};

// Received after the escape byte; any code the extension table does not know is the placeholder.
char32_t GsmExtensionToText(unsigned char code) {
    switch (code) {
    case 20:
        return U'^';
    case 40:
        return U'{';
    case 41:
        return U'}';
    case 47:
        return U'\\';
    case 60:
        return U'[';
    case 61:
        return U'~';
    case 62:
        return U']';
    case 64:
        return U'|';
    case 101:
        return 0x20AC; // €
    default:
        return 0x9D;
    }
}

// Sent: the GSM code of a character, by code point. The characters that only the extension
// table has (the euro sign too) are not sent as escape sequences, which would make an SMS cut at
// 160 characters longer than 160 septets: they become '?' or a blank, as does everything without
// a GSM code. '@' (code 0) and 'Ξ' (code 26, Ctrl-Z) cannot pass the text mode either.
unsigned char TextToGsmCode(char32_t cp) {
    if (cp == 10 || cp == 13 || (cp >= 32 && cp <= 35) || (cp >= 37 && cp <= 63) ||
        (cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z')) {
        return static_cast<unsigned char>(cp);
    }
    switch (cp) {
    case U'$':
        return 2;
    case U'_':
        return 17;
    case U'`':
        return 39;
    case 0x7F:
        return 16;
    case 0xA3:
        return 1; // £
    case 0xA5:
        return 3; // ¥
    case 0xBF:
        return 96; // ¿
    case 0xC4:
        return 91; // Ä
    case 0xC5:
        return 14; // Å
    case 0xC7:
        return 9; // Ç
    case 0xD1:
        return 93; // Ñ
    case 0xD6:
        return 92; // Ö
    case 0xDC:
        return 94; // Ü
    case 0xE0:
        return 127; // à
    case 0xE4:
        return 123; // ä
    case 0xE5:
        return 15; // å
    case 0xE8:
        return 4; // è
    case 0xE9:
        return 5; // é
    case 0xF1:
        return 125; // ñ
    case 0xF2:
        return 8; // ò
    case 0xF6:
        return 124; // ö
    case 0xF9:
        return 6; // ù
    case 0xFC:
        return 126; // ü
    case 0x394:
        return 16; // Δ
    case 0x3A6:
        return 18; // Φ
    case 0x393:
        return 19; // Γ
    case 0x39B:
        return 20; // Λ
    case 0x3A9:
        return 21; // Ω
    case 0x3A0:
        return 22; // Π
    case 0x3A8:
        return 23; // Ψ
    case 0x3A3:
        return 24; // Σ
    case 0x398:
        return 25; // Θ
    case 0x39E:    // Ξ: its code 26 is the Ctrl-Z that ends the text
    case U'@':
    case U'[':
    case U'\\':
    case U']':
    case U'^':
    case U'{':
    case U'|':
    case U'}':
    case U'~':
        return '?';
    default:
        return ' ';
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The code point at pos of a UTF-8 text, moving pos past it. A malformed byte is one character
// without a GSM code.
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
    const auto b0 = static_cast<unsigned char>(text[pos]);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int extra = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
    } else {
        ++pos;
        return 0xFFFD;
    }
    if (pos + static_cast<std::size_t>(extra) >= text.size()) {
        ++pos;
        return 0xFFFD;
    }
    for (int i = 1; i <= extra; ++i) {
        const auto b = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(i)]);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    pos += static_cast<std::size_t>(extra) + 1;
    return cp;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The fields of a reply line from a fixed position on.
CGpBuffer FieldsFrom(const std::string& line, std::size_t position) {
    return CGpBuffer(position < line.size() ? line.substr(position) : std::string());
}

// A decimal value of a reply; anything that is not a number reads as 0.
long DecimalValue(const std::string& value) {
    std::size_t i = 0;
    while (i < value.size() && value[i] == ' ') {
        ++i;
    }
    long result = 0;
    bool any = false;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        any = true;
        if (result < 100000) {
            result = result * 10 + (value[i] - '0');
        }
    }
    return any ? result : 0;
}

// Control characters of modem output made visible for the log, which holds one line per entry.
std::string Printable(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 32 || b == 127) {
            out += Text::Format("<%02X>", b);
        } else {
            out += c;
        }
    }
    return Utf8::Sanitize(out);
}

} // namespace

CGsmInfo::CGsmInfo(const IClock& clock) : m_atCmdProt(clock), m_timer(clock) {}

void CGsmInfo::Log(std::string_view source, std::string_view text) {
    if (m_log != nullptr) {
        m_log->Write(source, text);
    }
}

int CGsmInfo::NetSelectionValue(std::uint16_t index) {
    return index < NET_SELECTION.size() ? NET_SELECTION[index] : NET_SELECTION[0];
}

std::uint16_t CGsmInfo::ModelFromName(std::string_view name) {
    if (name.size() >= 4) {
        const std::string_view last4 = name.substr(name.size() - 4);
        if (last4 == "TC35") {
            return CGsmMsg::MODEL_TC35;
        }
        if (last4 == "GM29") {
            return CGsmMsg::MODEL_GM29;
        }
        if (last4 == "TC65") {
            return CGsmMsg::MODEL_TC65;
        }
    }
    if (StartsWith(name, "LE910")) {
        return CGsmMsg::MODEL_LE910;
    }
    if (StartsWith(name, "GL865")) {
        return CGsmMsg::MODEL_GL865;
    }
    return CGsmMsg::MODEL_UNKNOWN;
}

std::uint16_t CGsmInfo::QualityFromRssi(int rssi) {
    if (rssi < 5) {
        return 0;
    }
    if (rssi > 20) {
        return 100; // 99 ("not known") included
    }
    // 5 × trunc((r − 5) / 0.75), in whole numbers.
    return static_cast<std::uint16_t>(5 * ((rssi - 5) * 4 / 3));
}

std::string CGsmInfo::GsmToText(std::string_view gsm) {
    std::string out;
    out.reserve(gsm.size() + gsm.size() / 2);
    for (std::size_t i = 0; i < gsm.size(); ++i) {
        const auto b = static_cast<unsigned char>(gsm[i]);
        if (b >= 128) {
            // Not GSM at all; a modem that ignores the character set sends Latin-1 here.
            AppendUtf8(out, b);
        } else if (b == GSM_ESCAPE) {
            if (i + 1 < gsm.size()) {
                AppendUtf8(out, GsmExtensionToText(static_cast<unsigned char>(gsm[++i])));
            } else {
                AppendUtf8(out, 0x9D); // an escape with nothing after it
            }
        } else {
            AppendUtf8(out, GSM_TO_TEXT[b]);
        }
    }
    return out;
}

std::string CGsmInfo::TextToGsm(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        out += static_cast<char>(TextToGsmCode(NextCodePoint(text, pos)));
    }
    return out;
}

int CGsmInfo::Send(const CGsmMsg& request) {
    // Quotes and line ends in a value would end the command early and start another one.
    auto quoted = [](const std::string& value) {
        std::string out;
        for (char c : value) {
            if (c != '"' && static_cast<unsigned char>(c) >= 32) {
                out += c;
            }
        }
        return out;
    };
    std::string command;
    switch (request.Kind) {
    case CGsmMsg::GSMREQ_AT:
        command = "AT\r\n";
        break;
    case CGsmMsg::GSMREQ_ECHO_OFF:
        command = "ATE0\r\n";
        break;
    case CGsmMsg::GSMREQ_MODEL:
        command = "AT+CGMM\r\n";
        m_receiveState = GSMINFO_RXST_MODEL_NAME;
        m_timer.Start(TEXT_WAIT_MS);
        break;
    case CGsmMsg::GSMREQ_PIN_QUERY:
        command = "AT+CPIN?\r\n";
        break;
    case CGsmMsg::GSMREQ_PIN_ENTER:
        command = "AT+CPIN=\"" + quoted(request.Pin) + "\"\r\n";
        break;
    case CGsmMsg::GSMREQ_TEXT_MODE:
        command = "AT+CMGF=1\r\n";
        break;
    case CGsmMsg::GSMREQ_CHARSET:
        command = "AT+CSCS=\"GSM\"\r\n";
        break;
    case CGsmMsg::GSMREQ_STORAGE:
        command =
            m_model == CGsmMsg::MODEL_LE910 ? "AT+CPMS=\"ME\",\"ME\",\"ME\"\r\n" : "AT+CPMS=MT,MT,MT\r\n";
        break;
    case CGsmMsg::GSMREQ_HEADERS:
        command = "AT+CSDH=1\r\n";
        break;
    case CGsmMsg::GSMREQ_LIST_SMS:
        command = "AT+CMGL=\"ALL\"\r\n";
        break;
    case CGsmMsg::GSMREQ_DELETE_SMS:
        command = Text::Format("AT+CMGD=%d\r\n", request.Index);
        break;
    case CGsmMsg::GSMREQ_SEND_DEST:
        command = "AT+CMGS=\"" + quoted(request.Destination) + "\"\r\n";
        break;
    case CGsmMsg::GSMREQ_SEND_TEXT: {
        std::string gsm = TextToGsm(request.Text);
        std::erase(gsm, '\r');
        Log("CGsmInfo::Send", Printable(gsm));
        command = gsm + CTRL_Z;
        break;
    }
    case CGsmMsg::GSMREQ_REGISTRATION:
        command = "AT+CREG?\r\n";
        break;
    case CGsmMsg::GSMREQ_QUALITY:
        command = "AT+CSQ\r\n";
        break;
    case CGsmMsg::GSMREQ_CALLS:
        command = "AT+CLCC\r\n";
        break;
    case CGsmMsg::GSMREQ_NET_SELECT:
        command = Text::Format("AT+WS46=%d\r\n", NetSelectionValue(request.NetSelection));
        break;
    case CGsmMsg::GSMREQ_ERROR_CODES:
        command = "AT+CMEE=1\r\n";
        break;
    default:
        return 0;
    }
    const int written = m_atCmdProt.Write(command);
    if (written != CAtCmdProt::ATCMDPROT_SEND_OK) {
        m_portFailure = true;
    }
    return written;
}

std::unique_ptr<CGsmMsg> CGsmInfo::Receive(std::uint32_t maxWaitMs) {
    std::unique_ptr<CGsmMsg> reply;
    std::string line;
    const int read = m_atCmdProt.ReadLine(line, maxWaitMs);
    if (read == CAtCmdProt::ATCMDPROT_RECEIVE_ERROR) {
        // Logged once per run of failures: a vanished device fails every step.
        if (!m_readFailing) {
            Log("CGsmInfo::Receive", "ATCMDPROT_RECEIVE_ERROR");
            m_readFailing = true;
        }
        m_portFailure = true;
    } else if (read == CAtCmdProt::ATCMDPROT_RECEIVE_LINE) {
        m_readFailing = false;
        if (m_receiveState == GSMINFO_RXST_MODEL_NAME) {
            Log("CGsmInfo::Receive - Modem Info", Printable(line));
            reply = std::make_unique<CGsmMsg>(CGsmMsg::GSMREP_MODEL);
            reply->Model = ModelFromName(line);
            m_receiveState = GSMINFO_RXST_NORMAL;
        } else if (m_receiveState == GSMINFO_RXST_SMS_TEXT) {
            if (m_pendingSms) {
                m_pendingSms->Text = GsmToText(line);
                reply = std::move(m_pendingSms);
            }
            m_receiveState = GSMINFO_RXST_NORMAL;
        } else {
            reply = ParseLine(line);
        }
    } else {
        m_readFailing = false;
    }
    if (m_receiveState != GSMINFO_RXST_NORMAL && m_timer.Expired()) {
        // The model name or the SMS text did not come: the header is dropped; the SMS stays in
        // the modem and comes again with the next listing.
        m_pendingSms.reset();
        m_receiveState = GSMINFO_RXST_NORMAL;
        m_atCmdProt.CancelRawText();
    }
    return reply;
}

std::unique_ptr<CGsmMsg> CGsmInfo::ParseLine(const std::string& line) {
    if (StartsWith(line, "OK")) {
        return std::make_unique<CGsmMsg>(CGsmMsg::GSMREP_OK);
    }
    if (StartsWith(line, "ERROR")) {
        return std::make_unique<CGsmMsg>(CGsmMsg::GSMREP_ERROR);
    }
    // Real modems refuse SMS commands (and, with AT+CMEE=1, everything else) with a numbered
    // error: it is an ERROR like any other, and its number goes to the log for the technician.
    if (StartsWith(line, "+CMS ERROR:") || StartsWith(line, "+CME ERROR:")) {
        Log("CGsmInfo::Receive", Printable(line));
        return std::make_unique<CGsmMsg>(CGsmMsg::GSMREP_ERROR);
    }
    if (StartsWith(line, "+CPIN:")) {
        if (line.find("READY") != std::string::npos) {
            return std::make_unique<CGsmMsg>(CGsmMsg::GSMREP_PIN_READY);
        }
        if (line.find("SIM PIN") != std::string::npos) {
            return std::make_unique<CGsmMsg>(CGsmMsg::GSMREP_PIN_REQUIRED);
        }
        return nullptr;
    }
    if (StartsWith(line, "+CREG:")) {
        CGpBuffer fields = FieldsFrom(line, 7);
        fields.NextToken();
        auto reply = std::make_unique<CGsmMsg>(CGsmMsg::GSMREP_REGISTRATION);
        reply->Registration = static_cast<std::uint16_t>(DecimalValue(fields.NextToken()));
        return reply;
    }
    if (StartsWith(line, "+CSQ:")) {
        CGpBuffer fields = FieldsFrom(line, 6);
        auto reply = std::make_unique<CGsmMsg>(CGsmMsg::GSMREP_QUALITY);
        reply->Quality = QualityFromRssi(static_cast<int>(DecimalValue(fields.NextToken())));
        return reply;
    }
    if (StartsWith(line, "+CMGL:")) {
        return ParseListHeader(line);
    }
    if (StartsWith(line, ">")) {
        return std::make_unique<CGsmMsg>(CGsmMsg::GSMREP_PROMPT);
    }
    if (StartsWith(line, "+CMGS:")) {
        return std::make_unique<CGsmMsg>(CGsmMsg::GSMREP_SMS_SENT);
    }
    if (StartsWith(line, "+CPMS:")) {
        return std::make_unique<CGsmMsg>(CGsmMsg::GSMREP_STORAGE);
    }
    if (StartsWith(line, "RING")) {
        return std::make_unique<CGsmMsg>(CGsmMsg::GSMREP_RING);
    }
    if (StartsWith(line, "+CLCC:")) {
        // idx, dir, stat, mode, mpty, number, type: the number is the sixth value.
        CGpBuffer fields = FieldsFrom(line, 7);
        for (int i = 0; i < 5; ++i) {
            fields.NextToken();
        }
        auto reply = std::make_unique<CGsmMsg>(CGsmMsg::GSMREP_CALLER);
        std::string number = Utf8::Sanitize(fields.NextToken());
        // A withheld number stays empty, so it is never reported as a caller.
        if (!number.empty() && number.front() != '+') {
            number.insert(number.begin(), '+');
        }
        reply->Number = number;
        return reply;
    }
    return nullptr;
}

namespace {
bool IsNumber(std::string_view value) {
    while (!value.empty() && value.front() == ' ') {
        value.remove_prefix(1);
    }
    return !value.empty() &&
           std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Line noise can look like the start of a header; an alarm is made only from a header whose
// quotes are all closed and whose index, sender and time stamp are there.
bool IsWholeListHeader(const std::string& line, const std::string& index, const std::string& sender,
                       const std::string& date, const std::string& time) {
    const auto quotes = std::count(line.begin(), line.end(), '"');
    return quotes % 2 == 0 && IsNumber(index) && !sender.empty() && !date.empty() &&
           !time.empty();
}
} // namespace

std::unique_ptr<CGsmMsg> CGsmInfo::ParseListHeader(const std::string& line) {
    // index, status, sender, alias, date, time, sender type, length (the comma inside the time
    // stamp makes its date and time two values)
    CGpBuffer fields = FieldsFrom(line, 7);
    const std::string index = fields.NextToken();
    const std::string status = fields.NextToken();
    const std::string sender = fields.NextToken();
    fields.NextToken(); // alias
    const std::string date = fields.NextToken();
    const std::string time = fields.NextToken();
    fields.NextToken(); // sender type
    const std::string length = fields.NextToken();
    if (status != "REC READ" && status != "REC UNREAD") {
        return nullptr;
    }
    if (!IsWholeListHeader(line, index, sender, date, time)) {
        Log("CGsmInfo::Receive", "invalid +CMGL header, skipped: " + Printable(line));
        return nullptr;
    }
    auto sms = std::make_unique<CGsmMsg>(CGsmMsg::GSMREP_SMS);
    sms->Index = static_cast<std::uint16_t>(DecimalValue(index));
    sms->Number = Utf8::Sanitize(sender);
    sms->Date = Utf8::Sanitize(date);
    sms->Time = Utf8::Sanitize(time);
    long count = DecimalValue(length);
    if (count > CAtCmdProt::MAX_LINE) {
        count = CAtCmdProt::MAX_LINE;
    }
    m_pendingSms = std::move(sms);
    m_atCmdProt.SetRawTextCount(static_cast<std::int16_t>(count));
    m_receiveState = GSMINFO_RXST_SMS_TEXT;
    m_timer.Start(TEXT_WAIT_MS);
    return nullptr;
}
