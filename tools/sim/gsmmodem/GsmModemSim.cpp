#include "GsmModemSim.h"

#include "Paths.h"
#include "SimAlphabet.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr unsigned char CTRL_Z = 26;
constexpr unsigned char ESC = 27;
constexpr std::size_t MAX_COMMAND = 556; // longer command lines are thrown away
constexpr std::size_t MAX_SMS_SEPTETS = 160;

std::uint64_t SteadyUs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string Unquote(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.pop_back();
    }
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) {
        ++start;
    }
    text = text.substr(start);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

std::vector<std::string> SplitArgs(const std::string& args) {
    std::vector<std::string> out;
    std::string current;
    bool quoted = false;
    for (char c : args) {
        if (c == '"') {
            quoted = !quoted;
            current += c;
        } else if (c == ',' && !quoted) {
            out.push_back(Unquote(current));
            current.clear();
        } else {
            current += c;
        }
    }
    out.push_back(Unquote(current));
    return out;
}

bool ParseInt(const std::string& text, int& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    value = std::atoi(text.c_str());
    return true;
}

// The verbose form of the error numbers the modem uses (AT+CMEE=2).
std::string ErrorText(int code) {
    switch (code) {
    case 3:
        return "operation not allowed";
    case 12:
        return "SIM PUK required";
    case 16:
        return "incorrect password";
    case 38:
        return "network out of order";
    case 305:
        return "invalid text mode parameter";
    case 311:
        return "SIM PIN required";
    case 321:
        return "invalid memory index";
    case 500:
        return "unknown error";
    default:
        return std::to_string(code);
    }
}

int NumberType(const std::string& number) {
    if (!number.empty() && number.front() == '+') {
        return 145;
    }
    for (char c : number) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return 208; // alphanumeric sender
        }
    }
    return 129;
}

} // namespace

CGsmModemSim::CGsmModemSim() = default;

CGsmModemSim::~CGsmModemSim() {
    Stop();
}

bool CGsmModemSim::Start(int port, const std::string& folder) {
    Stop();
    std::lock_guard guard(m_lock);
    std::string dir = folder;
    if (dir.empty()) {
        if (const char* env = std::getenv("MORA_SERIAL_DIR"); env != nullptr && *env != '\0') {
            dir = env;
        } else {
            dir = Paths::SettingsFolder() + "/serial";
        }
    }
    std::error_code ec;
    fs::create_directories(dir, ec);

    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        m_lastError = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        CloseTerminal();
        return false;
    }
    char name[128] = {};
    if (ptsname_r(m_master, name, sizeof(name)) != 0) {
        m_lastError = "ptsname failed";
        CloseTerminal();
        return false;
    }
    m_slavePath = name;

    // Raw line from the start: without it the terminal would echo the station's commands back
    // to us before the station has set the line up.
    termios tio{};
    if (tcgetattr(m_master, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_master, TCSANOW, &tio);
    }

    m_linkPath = dir + "/COM" + std::to_string(port);
    fs::remove(m_linkPath, ec);
    if (symlink(m_slavePath.c_str(), m_linkPath.c_str()) != 0) {
        m_lastError = "cannot create the link " + m_linkPath + ": " + std::strerror(errno);
        CloseTerminal();
        return false;
    }
    m_stop = false;
    m_running = true;
    m_thread = std::thread(&CGsmModemSim::Run, this);
    return true;
}

void CGsmModemSim::Stop() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    std::lock_guard guard(m_lock);
    CloseTerminal();
    m_running = false;
}

void CGsmModemSim::CloseTerminal() {
    if (m_master >= 0) {
        close(m_master);
        m_master = -1;
    }
    if (!m_linkPath.empty()) {
        std::error_code ec;
        fs::remove(m_linkPath, ec);
        m_linkPath.clear();
    }
}

std::string CGsmModemSim::LinkPath() const {
    std::lock_guard guard(m_lock);
    return m_linkPath;
}

std::string CGsmModemSim::SlavePath() const {
    std::lock_guard guard(m_lock);
    return m_slavePath;
}

std::string CGsmModemSim::LastError() const {
    std::lock_guard guard(m_lock);
    return m_lastError;
}

void CGsmModemSim::SetModelName(const std::string& name) {
    std::lock_guard guard(m_lock);
    m_model = name;
}

void CGsmModemSim::SetPin(const std::string& pin) {
    std::lock_guard guard(m_lock);
    m_pin = pin;
    m_pinOk = pin.empty();
    m_wrongPins = 0;
}

void CGsmModemSim::SetRegistration(int status) {
    std::lock_guard guard(m_lock);
    m_registration = status;
}

void CGsmModemSim::SetSignal(int rssi) {
    std::lock_guard guard(m_lock);
    m_rssi = rssi;
}

void CGsmModemSim::SetEcho(bool on) {
    std::lock_guard guard(m_lock);
    m_echo = on;
}

void CGsmModemSim::SetErrorReports(int mode) {
    std::lock_guard guard(m_lock);
    m_errorReports = mode;
}

void CGsmModemSim::RefuseSends(int count, int cmsError) {
    std::lock_guard guard(m_lock);
    m_refuseSends = count;
    m_refuseCode = cmsError;
}

void CGsmModemSim::SetSilent(bool silent) {
    std::lock_guard guard(m_lock);
    m_silent = silent;
}

void CGsmModemSim::SetErrorToAll(bool on) {
    std::lock_guard guard(m_lock);
    m_errorToAll = on;
}

void CGsmModemSim::SetDropTextLines(bool drop) {
    std::lock_guard guard(m_lock);
    m_dropTextLines = drop;
}

int CGsmModemSim::StoreSms(const std::string& sender, const std::string& text, const std::string& timeStamp,
                           const std::string& status) {
    return StoreRawSms(sender, SimAlphabet::Encode(text), timeStamp, status);
}

int CGsmModemSim::StoreRawSms(const std::string& sender, const std::string& gsmText,
                              const std::string& timeStamp, const std::string& status) {
    std::lock_guard guard(m_lock);
    // The lowest free index, as a SIM fills its slots.
    int index = 1;
    while (std::any_of(m_storage.begin(), m_storage.end(),
                       [&](const SStoredSms& s) { return s.Index == index; })) {
        ++index;
    }
    SStoredSms sms;
    sms.Index = index;
    sms.Status = status;
    sms.Sender = sender;
    sms.TimeStamp = timeStamp.empty() ? NowStamp() : timeStamp;
    sms.Text = gsmText;
    m_storage.push_back(sms);
    std::sort(m_storage.begin(), m_storage.end(),
              [](const SStoredSms& a, const SStoredSms& b) { return a.Index < b.Index; });
    return index;
}

void CGsmModemSim::Ring(const std::string& number, std::chrono::milliseconds duration,
                        std::chrono::milliseconds interval) {
    std::lock_guard guard(m_lock);
    const auto now = std::chrono::steady_clock::now();
    m_caller = number;
    m_callActive = true;
    m_callEnd = now + duration;
    m_ringInterval = interval;
    m_nextRing = now;
}

void CGsmModemSim::EndCall() {
    std::lock_guard guard(m_lock);
    m_callActive = false;
}

void CGsmModemSim::SendRaw(const std::string& bytes) {
    std::lock_guard guard(m_lock);
    Write(bytes);
}

void CGsmModemSim::SendLongLine(std::size_t length, bool withLineEnd) {
    std::string line;
    for (std::size_t i = 0; i < length; ++i) {
        line += static_cast<char>('A' + static_cast<int>(i % 26));
    }
    if (withLineEnd) {
        line += "\r\n";
    }
    SendRaw(line);
}

void CGsmModemSim::HangUp() {
    std::lock_guard guard(m_lock);
    CloseTerminal();
}

std::vector<std::string> CGsmModemSim::Commands() const {
    std::lock_guard guard(m_lock);
    return m_commands;
}

std::vector<CGsmModemSim::SSentSms> CGsmModemSim::SentSms() const {
    std::lock_guard guard(m_lock);
    return m_sent;
}

std::vector<CGsmModemSim::SStoredSms> CGsmModemSim::StoredSms() const {
    std::lock_guard guard(m_lock);
    return m_storage;
}

std::vector<int> CGsmModemSim::DeletedIndexes() const {
    std::lock_guard guard(m_lock);
    return m_deleted;
}

std::vector<CGsmModemSim::SDeletedSms> CGsmModemSim::DeletedSms() const {
    std::lock_guard guard(m_lock);
    return m_deletedSms;
}

std::size_t CGsmModemSim::CountCommands(const std::string& prefix) const {
    std::lock_guard guard(m_lock);
    return static_cast<std::size_t>(
        std::count_if(m_commands.begin(), m_commands.end(),
                      [&](const std::string& c) { return c.compare(0, prefix.size(), prefix) == 0; }));
}

void CGsmModemSim::ClearRecord() {
    std::lock_guard guard(m_lock);
    m_commands.clear();
    m_sent.clear();
    m_deleted.clear();
    m_deletedSms.clear();
}

std::string CGsmModemSim::NowStamp() const {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    // The zone in quarter hours, as the SMS centre writes it.
    const long quarters = tm.tm_gmtoff / 900;
    char buf[80];
    std::snprintf(buf, sizeof(buf), "%02d/%02d/%02d,%02d:%02d:%02d%c%02d", tm.tm_year % 100, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, quarters < 0 ? '-' : '+',
                  static_cast<int>((quarters < 0 ? -quarters : quarters) % 100));
    return buf;
}

void CGsmModemSim::Run() {
    unsigned char buf[256];
    while (!m_stop) {
        int fd;
        {
            std::lock_guard guard(m_lock);
            fd = m_master;
            ServeRing();
        }
        if (fd < 0) {
            usleep(10000);
            continue;
        }
        pollfd pfd{fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, 10);
        if (ready <= 0) {
            continue;
        }
        if ((pfd.revents & POLLIN) == 0) {
            // Nobody has the device open (POLLHUP): wait for the station to come back.
            usleep(10000);
            continue;
        }
        std::lock_guard guard(m_lock);
        if (m_master != fd) {
            continue; // hung up meanwhile
        }
        const ssize_t n = read(fd, buf, sizeof(buf));
        if (n <= 0) {
            continue;
        }
        for (ssize_t i = 0; i < n; ++i) {
            HandleByte(buf[i]);
        }
    }
}

void CGsmModemSim::ServeRing() {
    if (!m_callActive) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= m_callEnd) {
        m_callActive = false; // the caller gave up
        return;
    }
    if (now >= m_nextRing) {
        if (!m_silent) {
            Reply("RING");
        }
        m_nextRing += m_ringInterval;
    }
}

void CGsmModemSim::Write(const std::string& bytes) {
    if (m_master < 0) {
        return;
    }
    std::size_t done = 0;
    int spins = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN && ++spins < 200) {
            usleep(1000); // the station is slow to read: give it a moment
        } else {
            return;
        }
    }
}

void CGsmModemSim::Reply(const std::string& text) {
    Write("\r\n" + text + "\r\n");
}

void CGsmModemSim::HandleByte(unsigned char byte) {
    if (m_inSmsText) {
        if (byte == CTRL_Z) {
            m_inSmsText = false;
            HandleSmsText();
        } else if (byte == ESC) {
            m_inSmsText = false;
            m_commands.push_back("<ESC>");
            if (!m_silent) {
                Reply("OK");
            }
        } else if (byte == '\n' && m_smsText.empty() && m_lineFeedPending) {
            // The LF that followed the command's CR belongs to the command line.
        } else if (m_smsText.size() < 2 * MAX_SMS_SEPTETS) {
            m_smsText += static_cast<char>(byte);
        }
        m_lineFeedPending = false;
        return;
    }
    if (m_echo && !m_silent) {
        Write(std::string(1, static_cast<char>(byte)));
    }
    if (byte == '\r') {
        std::string line;
        line.swap(m_line);
        // A modem listens only from "AT" on; anything before it is line noise.
        const std::string upper = Upper(line);
        const std::size_t at = upper.find("AT");
        if (at != std::string::npos) {
            HandleCommand(line.substr(at));
        } else if (!line.empty()) {
            m_commands.push_back(line);
        }
    } else if (byte == '\n') {
        // ignored between commands
    } else if (byte == 8) {
        if (!m_line.empty()) {
            m_line.pop_back();
        }
    } else if (m_line.size() < MAX_COMMAND) {
        m_line += static_cast<char>(byte);
    } else {
        m_line.clear();
    }
}

void CGsmModemSim::HandleSmsText() {
    SSentSms sent;
    sent.Destination = m_smsDestination;
    sent.Text = SimAlphabet::Decode(m_smsText);
    const bool tooLong = m_smsText.size() > MAX_SMS_SEPTETS;
    if (m_silent) {
        m_sent.push_back(sent);
        return;
    }
    if (m_refuseSends > 0 || tooLong) {
        m_sent.push_back(sent);
        if (tooLong) {
            SmsError(305); // invalid text mode parameter
        } else {
            --m_refuseSends;
            SmsError(m_refuseCode);
        }
        return;
    }
    sent.Accepted = true;
    m_sent.push_back(sent);
    Reply("+CMGS: " + std::to_string(m_nextReference));
    m_nextReference = m_nextReference % 255 + 1;
    Reply("OK");
}

void CGsmModemSim::HandleCommand(const std::string& line) {
    m_commands.push_back(line);
    if (m_silent) {
        return;
    }
    if (m_errorToAll) {
        Reply("ERROR");
        return;
    }
    const std::string upper = Upper(line);
    std::string cmd = upper.substr(2); // after "AT"
    // The argument part keeps its case (PIN, numbers); the name is matched upper case.
    std::string name;
    std::string args;
    const std::size_t eq = cmd.find_first_of("=?");
    if (cmd.empty()) {
        Reply("OK");
        return;
    }
    if (eq == std::string::npos) {
        name = cmd;
    } else {
        name = cmd.substr(0, eq);
        args = line.substr(2 + eq);
    }
    const bool query = args == "?";
    const bool test = args == "=?";
    auto ok = [this] { Reply("OK"); };
    auto error = [this] { Reply("ERROR"); };
    const bool smsReady = m_pinOk;

    if (name == "E0" || name == "E1" || name == "E") {
        m_echo = name == "E1";
        ok();
    } else if (name == "Z" || name == "&F" || name == "V1" || name == "+CNMI" ||
               (name == "+CREG" && !query)) {
        ok();
    } else if (name == "+CMEE") {
        if (!CmdCmee(args)) {
            error();
        }
    } else if (name == "+CGMM" || name == "I") {
        Reply(m_model);
        ok();
    } else if (name == "+CGMI") {
        Reply("Simulated GSM modem");
        ok();
    } else if (name == "+CPIN") {
        if (!CmdCpin(args)) {
            error();
        }
    } else if (name == "+CMGF") {
        if (query) {
            Reply("+CMGF: " + std::to_string(m_textMode));
            ok();
        } else if (args == "=1" || args == "=0") {
            m_textMode = args == "=1" ? 1 : 0;
            ok();
        } else {
            error();
        }
    } else if (name == "+CSCS") {
        if (query) {
            Reply("+CSCS: \"" + m_charset + "\"");
            ok();
        } else if (args.size() > 1) {
            m_charset = Unquote(args.substr(1));
            ok();
        } else {
            error();
        }
    } else if (name == "+CPMS") {
        if (!smsReady) {
            SmsError(311); // SIM PIN required
        } else if (!CmdCpms(args)) {
            error();
        }
    } else if (name == "+CSDH") {
        if (args == "=1" || args == "=0") {
            m_showHeaders = args == "=1";
            ok();
        } else if (query) {
            Reply(std::string("+CSDH: ") + (m_showHeaders ? "1" : "0"));
            ok();
        } else {
            error();
        }
    } else if (name == "+CMGL") {
        if (!smsReady) {
            SmsError(311);
        } else if (m_textMode != 1 || !CmdCmgl(args)) {
            error();
        }
    } else if (name == "+CMGD") {
        if (!smsReady) {
            SmsError(311);
        } else if (!CmdCmgd(args)) {
            error();
        }
    } else if (name == "+CMGS") {
        if (!smsReady) {
            SmsError(311);
        } else if (m_textMode != 1 || !CmdCmgs(args)) {
            error();
        }
    } else if (name == "+CREG" && query) {
        Reply("+CREG: 0," + std::to_string(m_pinOk ? m_registration : 0));
        ok();
    } else if (name == "+CSQ") {
        Reply("+CSQ: " + std::to_string(m_rssi) + ",99");
        ok();
    } else if (name == "+CLCC") {
        if (m_callActive) {
            if (m_caller.empty()) {
                Reply("+CLCC: 1,1,4,0,0,\"\",128");
            } else {
                Reply("+CLCC: 1,1,4,0,0,\"" + m_caller + "\"," + std::to_string(NumberType(m_caller)));
            }
        }
        ok();
    } else if (name == "H") {
        m_callActive = false;
        ok();
    } else if (name == "+WS46") {
        if (test) {
            Reply("+WS46: (12,22,25,28,29,30,31)");
            ok();
        } else if (query) {
            Reply("+WS46: " + std::to_string(m_ws46));
            ok();
        } else if (!CmdWs46(args)) {
            error();
        }
    } else {
        error();
    }
}

bool CGsmModemSim::CmdCpin(const std::string& args) {
    if (args == "?") {
        if (m_pinOk) {
            Reply("+CPIN: READY");
        } else if (m_wrongPins >= 3) {
            Reply("+CPIN: SIM PUK");
        } else {
            Reply("+CPIN: SIM PIN");
        }
        Reply("OK");
        return true;
    }
    if (args.empty() || args[0] != '=') {
        return false;
    }
    if (m_pinOk) {
        MeError(3); // operation not allowed: no PIN is asked
        return true;
    }
    if (m_wrongPins >= 3) {
        MeError(12); // SIM PUK required
        return true;
    }
    const std::string pin = SplitArgs(args.substr(1)).front();
    if (pin != m_pin) {
        ++m_wrongPins;
        MeError(16); // incorrect password
        return true;
    }
    m_pinOk = true;
    Reply("OK");
    return true;
}

bool CGsmModemSim::CmdCpms(const std::string& args) {
    const std::string total = std::to_string(m_storageSize);
    const std::string used = std::to_string(m_storage.size());
    if (args == "?") {
        Reply("+CPMS: \"ME\"," + used + "," + total + ",\"ME\"," + used + "," + total + ",\"ME\"," + used +
              "," + total);
        Reply("OK");
        return true;
    }
    if (args.empty() || args[0] != '=') {
        return false;
    }
    // Quoted ("ME") and unquoted (MT) storage names are both taken, as real modems do.
    for (const std::string& mem : SplitArgs(args.substr(1))) {
        const std::string m = Upper(mem);
        if (m != "SM" && m != "ME" && m != "MT") {
            return false;
        }
    }
    Reply("+CPMS: " + used + "," + total + "," + used + "," + total + "," + used + "," + total);
    Reply("OK");
    return true;
}

bool CGsmModemSim::CmdCmgl(const std::string& args) {
    std::string filter = "ALL";
    if (!args.empty()) {
        if (args[0] != '=') {
            return false;
        }
        filter = Upper(Unquote(args.substr(1)));
    }
    if (filter != "ALL" && filter != "REC UNREAD" && filter != "REC READ" && filter != "STO UNSENT" &&
        filter != "STO SENT") {
        return false;
    }
    std::string out;
    bool first = true;
    for (SStoredSms& sms : m_storage) {
        if (filter != "ALL" && sms.Status != filter) {
            continue;
        }
        out += "\r\n+CMGL: " + std::to_string(sms.Index) + ",\"" + sms.Status + "\",\"" + sms.Sender +
               "\",,\"" + sms.TimeStamp + "\"";
        if (m_showHeaders) {
            out += "," + std::to_string(NumberType(sms.Sender)) + "," + std::to_string(sms.Text.size());
        }
        if (!(first && m_dropTextLines)) {
            out += "\r\n" + sms.Text;
        }
        first = false;
        if (sms.Status == "REC UNREAD") {
            sms.Status = "REC READ";
        }
    }
    // Header, text and the final result go out in one burst, as from a real modem.
    Write(out + "\r\n\r\nOK\r\n");
    return true;
}

bool CGsmModemSim::CmdCmgd(const std::string& args) {
    if (args.empty() || args[0] != '=') {
        return false;
    }
    const std::vector<std::string> values = SplitArgs(args.substr(1));
    int index = 0;
    if (!ParseInt(values[0], index)) {
        return false;
    }
    int flag = 0;
    if (values.size() > 1 && !ParseInt(values[1], flag)) {
        return false;
    }
    if (flag == 4) {
        for (const SStoredSms& sms : m_storage) {
            m_deleted.push_back(sms.Index);
            m_deletedSms.push_back(SDeletedSms{sms, SteadyUs()});
        }
        m_storage.clear();
        Reply("OK");
        return true;
    }
    const auto it = std::find_if(m_storage.begin(), m_storage.end(),
                                 [&](const SStoredSms& s) { return s.Index == index; });
    if (it == m_storage.end()) {
        if (index >= 1 && index <= m_storageSize) {
            Reply("OK");
        } else {
            SmsError(321); // invalid memory index
        }
        return true;
    }
    m_deleted.push_back(index);
    m_deletedSms.push_back(SDeletedSms{*it, SteadyUs()});
    m_storage.erase(it);
    Reply("OK");
    return true;
}

bool CGsmModemSim::CmdCmgs(const std::string& args) {
    if (args.size() < 2 || args[0] != '=') {
        return false;
    }
    const std::string destination = SplitArgs(args.substr(1)).front();
    if (destination.empty()) {
        return false;
    }
    m_smsDestination = destination;
    m_smsText.clear();
    m_inSmsText = true;
    m_lineFeedPending = true;
    Write("\r\n> ");
    return true;
}

bool CGsmModemSim::CmdCmee(const std::string& args) {
    if (args == "?") {
        Reply("+CMEE: " + std::to_string(m_errorReports));
        Reply("OK");
        return true;
    }
    if (args == "=?") {
        Reply("+CMEE: (0-2)");
        Reply("OK");
        return true;
    }
    int mode = 0;
    if (args.empty() || args[0] != '=' || !ParseInt(args.substr(1), mode) || mode > 2) {
        return false;
    }
    m_errorReports = mode;
    Reply("OK");
    return true;
}

void CGsmModemSim::MeError(int code) {
    if (m_errorReports == 0) {
        Reply("ERROR");
    } else if (m_errorReports == 2) {
        Reply("+CME ERROR: " + ErrorText(code));
    } else {
        Reply("+CME ERROR: " + std::to_string(code));
    }
}

void CGsmModemSim::SmsError(int code) {
    Reply("+CMS ERROR: " + (m_errorReports == 2 ? ErrorText(code) : std::to_string(code)));
}

bool CGsmModemSim::CmdWs46(const std::string& args) {
    int value = 0;
    if (args.empty() || args[0] != '=' || !ParseInt(args.substr(1), value)) {
        return false;
    }
    static const int allowed[] = {12, 22, 25, 28, 29, 30, 31};
    if (std::find(std::begin(allowed), std::end(allowed), value) == std::end(allowed)) {
        return false;
    }
    m_ws46 = value;
    Reply("OK");
    return true;
}
