#include "MailInfo.h"

#include "Utf8.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr std::size_t QP_LINE_CONTENT = 75;    // 76 with the soft line break
constexpr std::size_t ENCODED_WORD_BYTES = 45; // 60 base64 characters per encoded-word

const char* const HEX = "0123456789ABCDEF";

// Header values and command arguments are one line: a CR or LF in them would end the line early
// and let the rest be read as a command or header of its own.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return line;
}

void EncodeQpLine(std::string_view line, std::string& out) {
    std::size_t column = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        const bool last = i + 1 == line.size();
        char token[3];
        std::size_t tokenLength = 1;
        // Blanks at the end of a line are encoded: transports may strip them.
        if ((c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last)) {
            token[0] = static_cast<char>(c);
        } else {
            token[0] = '=';
            token[1] = HEX[c >> 4];
            token[2] = HEX[c & 0x0F];
            tokenLength = 3;
        }
        if (column + tokenLength > QP_LINE_CONTENT) {
            out += "=\r\n";
            column = 0;
        }
        out.append(token, tokenLength);
        column += tokenLength;
    }
}

std::string Base64(std::string_view bytes) {
    static const char* const alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    while (i + 3 <= bytes.size()) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += alphabet[v & 63];
        i += 3;
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) {
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += rest == 2 ? alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

bool IsPlainAscii(std::string_view text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E) {
            return false;
        }
    }
    return true;
}

} // namespace

bool CMailInfo::Init(CLogFile* log) {
    m_log = log;
    return true;
}

void CMailInfo::Log(std::string_view source, std::string_view text) {
    if (m_log != nullptr) {
        m_log->Write(source, text);
    }
}

bool CMailInfo::Connect(const std::string& host, std::uint16_t port) {
    m_lost = false;
    ClearReceived();
    if (m_tcp.Connect(host, port)) {
        return true;
    }
    if (m_log != nullptr) {
        m_log->WriteF("MailInfo::Connect", "ErrCode: %d (%s)", m_tcp.LastError(),
                      m_tcp.LastErrorText().c_str());
    }
    m_lost = true;
    return false;
}

int CMailInfo::ConnectProgress() {
    if (m_lost) {
        return MAILINFO_CONNECT_FAILED;
    }
    if (m_tcp.Resolving()) {
        return MAILINFO_CONNECT_BUSY;
    }
    if (m_tcp.Failed() && !m_tcp.IsOpen()) {
        if (m_log != nullptr) {
            m_log->WriteF("MailInfo::Connect", "ErrCode: %d (%s)", m_tcp.LastError(),
                          m_tcp.LastErrorText().c_str());
        }
        m_lost = true;
        return MAILINFO_CONNECT_FAILED;
    }
    return MAILINFO_CONNECT_OK;
}

void CMailInfo::Close() {
    m_tcp.Close();
    // What a closed connection left unread belongs to no later mail.
    ClearReceived();
}

void CMailInfo::ClearReceived() {
    m_received.clear();
    m_skipLine = false;
}

bool CMailInfo::Send(int command, const std::string& argument) {
    std::string text;
    switch (command) {
    case MAILINFO_CMD_HELO:
        text = "HELO " + OneLine(argument) + "\r\n";
        break;
    case MAILINFO_CMD_MAIL_FROM:
        text = "MAIL FROM: <" + OneLine(argument) + ">\r\n";
        break;
    case MAILINFO_CMD_RCPT_TO:
        text = "RCPT TO: <" + OneLine(argument) + ">\r\n";
        break;
    case MAILINFO_CMD_DATA:
        text = "DATA\r\n";
        break;
    case MAILINFO_CMD_MESSAGE:
        text = argument + "\r\n.\r\n";
        break;
    case MAILINFO_CMD_QUIT:
        text = "QUIT\r\n";
        break;
    default:
        break;
    }
    if (text.empty()) {
        return false;
    }
    return SendText(text, text);
}

bool CMailInfo::SendText(const std::string& text, std::string_view logText) {
    Log("MailInfo::Send", Printable(logText));
    if (m_tcp.Send(text.data(), static_cast<int>(text.size())) == CTcpIpProt::TCPIP_SEND_OK) {
        return true;
    }
    if (m_tcp.Failed()) {
        m_lost = true;
    }
    if (m_log != nullptr) {
        m_log->WriteF("MailInfo::Send", "Send failed: %s", m_tcp.LastErrorText().c_str());
    }
    return false;
}

bool CMailInfo::SendMessage(const CMailHandlerMsg& mail, const CStrList& recipients) {
    return Send(MAILINFO_CMD_MESSAGE, ComposeMessage(mail, recipients, m_clock->Now()));
}

int CMailInfo::Receive() {
    std::size_t length = ReplyLength(m_received);
    if (length == 0) {
        if (!m_tcp.IsOpen() || m_lost) {
            return MAILINFO_REPLY_NONE;
        }
        int read = 0;
        if (m_tcp.Receive(m_buffer, read, BUFFER_SIZE - 1) != CTcpIpProt::TCPIP_RECEIVE_OK) {
            if (m_tcp.Failed()) {
                m_lost = true;
                Log("MailInfo::Receive", "Connection failed: " + m_tcp.LastErrorText());
            }
            return MAILINFO_REPLY_NONE;
        }
        m_buffer[read] = '\0';
        if (read == 0) {
            // Logged once: a closed connection reads as empty on every later pass.
            m_lost = true;
            if (m_received.empty()) {
                Log("MailInfo::Receive", "Connection closed by the server");
            } else {
                Log("MailInfo::Receive",
                    "Connection closed by the server in the middle of a reply: " + Printable(m_received));
            }
            ClearReceived();
            return MAILINFO_REPLY_NONE;
        }
        Append(m_buffer, static_cast<std::size_t>(read));
        length = ReplyLength(m_received);
        if (length == 0) {
            if (m_received.size() < REPLY_LIMIT) {
                return MAILINFO_REPLY_NONE;
            }
            Log("MailInfo::Receive", "No reply end within " + std::to_string(m_received.size()) +
                                         " bytes, ignored: " + Printable(m_received.substr(0, 64)) + "...");
            // Whatever follows up to the end of the current line belongs to the garbage too.
            m_skipLine = m_received.back() != '\n';
            m_received.clear();
            return MAILINFO_REPLY_OTHER;
        }
    }
    const std::string reply = m_received.substr(0, length);
    m_received.erase(0, length);
    Log("MailInfo::Receive", Printable(reply));
    return ClassifyReply(reply);
}

void CMailInfo::Append(const char* data, std::size_t length) {
    std::string_view bytes(data, length);
    if (m_skipLine) {
        const std::size_t end = bytes.find('\n');
        if (end == std::string_view::npos) {
            return;
        }
        bytes.remove_prefix(end + 1);
        m_skipLine = false;
    }
    m_received.append(bytes);
}

bool CMailInfo::ConnectionLost() const {
    return m_lost && ReplyLength(m_received) == 0;
}

std::size_t CMailInfo::ReplyLength(std::string_view text) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            return 0;
        }
        const std::string_view line = text.substr(start, end - start);
        // "NNN-" lines continue the reply; any other line ends it, a line without a number too.
        const bool continues = line.size() >= 4 && line[0] >= '0' && line[0] <= '9' && line[1] >= '0' &&
                               line[1] <= '9' && line[2] >= '0' && line[2] <= '9' && line[3] == '-';
        if (!continues) {
            return end + 1;
        }
        start = end + 1;
    }
}

int CMailInfo::ClassifyReply(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (value < 100000) {
            value = value * 10 + (text[i] - '0');
        }
        ++i;
    }
    if (negative) {
        value = -value;
    }
    if (value >= 200 && value <= 299) {
        return MAILINFO_REPLY_2XX;
    }
    if (value >= 300 && value <= 399) {
        return MAILINFO_REPLY_3XX;
    }
    if (value >= 400 && value <= 499) {
        return MAILINFO_REPLY_4XX;
    }
    if (value >= 500 && value <= 599) {
        return MAILINFO_REPLY_5XX;
    }
    return MAILINFO_REPLY_OTHER;
}

std::string CMailInfo::ComposeMessage(const CMailHandlerMsg& mail, const CStrList& recipients,
                                      const SLocalTime& now) {
    std::string message;
    message += "Date: " + FormatDate(now) + "\r\n";
    message += "From: <" + OneLine(mail.SenderAddress) + ">\r\n";
    for (const std::string& recipient : recipients.Items()) {
        message += "To: <" + OneLine(recipient) + ">\r\n";
    }
    message += "Subject: " + EncodeHeaderText(mail.Subject) + "\r\n";
    // The texts of every language carry characters outside ASCII: say how they are encoded, in a
    // form that passes a server that offers only 7-bit transfer.
    message += "MIME-Version: 1.0\r\n";
    message += "Content-Type: text/plain; charset=UTF-8\r\n";
    message += "Content-Transfer-Encoding: quoted-printable\r\n";
    message += "\r\n";
    message += EncodeQuotedPrintable(mail.Body);
    return DotStuff(message);
}

std::string CMailInfo::EncodeQuotedPrintable(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4 + 8);
    const bool endsWithBreak = text.size() >= 2 && text.substr(text.size() - 2) == "\r\n";
    const std::string_view lines = endsWithBreak ? text.substr(0, text.size() - 2) : text;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = lines.find("\r\n", start);
        EncodeQpLine(
            lines.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start), out);
        if (end == std::string_view::npos) {
            break;
        }
        out += "\r\n";
        start = end + 2;
    }
    if (!endsWithBreak) {
        out += '=';
    }
    return out;
}

std::string CMailInfo::DotStuff(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    bool lineStart = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (lineStart && text[i] == '.') {
            out += '.';
        }
        out += text[i];
        lineStart = text[i] == '\n' && i > 0 && text[i - 1] == '\r';
    }
    return out;
}

std::string CMailInfo::FormatDate(const SLocalTime& now) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    tm.tm_year = now.Year - 1900;
    tm.tm_mon = now.Month - 1;
    tm.tm_mday = now.Day;
    tm.tm_hour = now.Hour;
    tm.tm_min = now.Minute;
    tm.tm_sec = now.Second;
    tm.tm_isdst = -1;
    if (std::mktime(&tm) == static_cast<std::time_t>(-1) || tm.tm_mon < 0 || tm.tm_mon > 11 ||
        tm.tm_wday < 0 || tm.tm_wday > 6) {
        // A time the system cannot place: send the current time rather than a malformed header.
        const std::time_t t = std::time(nullptr);
        localtime_r(&t, &tm);
    }
    const long offset = tm.tm_gmtoff / 60;
    const long magnitude = offset < 0 ? -offset : offset;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", days[tm.tm_wday],
                  tm.tm_mday, months[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec,
                  offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return text;
}

std::string CMailInfo::EncodeHeaderText(std::string_view text) {
    const std::string line = OneLine(text);
    if (IsPlainAscii(line)) {
        return line;
    }
    const std::string utf8 = Utf8::Sanitize(line);
    std::string out;
    std::size_t start = 0;
    while (start < utf8.size()) {
        std::size_t end = std::min(start + ENCODED_WORD_BYTES, utf8.size());
        // An encoded-word holds whole characters only.
        while (end < utf8.size() && end > start + 1 &&
               (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) {
            --end;
        }
        if (!out.empty()) {
            out += "\r\n ";
        }
        out += "=?UTF-8?B?" + Base64(std::string_view(utf8).substr(start, end - start)) + "?=";
        start = end;
    }
    return out;
}

std::string CMailInfo::Printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (u < 0x20 || u == 0x7F) {
            out += "\\x";
            out += HEX[u >> 4];
            out += HEX[u & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}
