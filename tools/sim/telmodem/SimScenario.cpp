#include "SimScenario.h"

#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>

namespace {

bool ToNumber(const std::string& text, long& value, int base = 0) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, base);
    return end != nullptr && *end == '\0';
}

bool ToOnOff(const std::string& text, bool& value) {
    if (text == "on" || text == "1" || text == "yes") {
        value = true;
        return true;
    }
    if (text == "off" || text == "0" || text == "no") {
        value = false;
        return true;
    }
    return false;
}

// key=value options after the fixed words of a statement.
bool Options(const std::vector<std::string>& words, std::size_t from, std::map<std::string, std::string>& out,
             std::string& error) {
    for (std::size_t i = from; i < words.size(); ++i) {
        const auto eq = words[i].find('=');
        if (eq == std::string::npos || eq == 0) {
            error = "expected key=value, got '" + words[i] + "'";
            return false;
        }
        out[words[i].substr(0, eq)] = words[i].substr(eq + 1);
    }
    return true;
}

bool TakeNumber(std::map<std::string, std::string>& options, const std::string& key, long min, long max,
                long& value, std::string& error) {
    const auto it = options.find(key);
    if (it == options.end()) {
        return true;
    }
    if (!ToNumber(it->second, value) || value < min || value > max) {
        error = "bad value for " + key + ": '" + it->second + "'";
        return false;
    }
    options.erase(it);
    return true;
}

bool NoneLeft(const std::map<std::string, std::string>& options, std::string& error) {
    if (options.empty()) {
        return true;
    }
    error = "unknown option '" + options.begin()->first + "'";
    return false;
}

std::vector<std::uint8_t> HexValues(const std::string& text, bool nibbles, bool& ok) {
    std::vector<std::uint8_t> out;
    std::string digits;
    for (char c : text) {
        if (c != ' ' && c != ',' && c != ':') {
            digits += c;
        }
    }
    ok = !digits.empty();
    const std::size_t step = nibbles ? 1 : 2;
    if (!nibbles && digits.size() % 2 != 0) {
        ok = false;
    }
    for (std::size_t i = 0; ok && i < digits.size(); i += step) {
        long value = 0;
        ok = ToNumber(digits.substr(i, step), value, 16);
        out.push_back(static_cast<std::uint8_t>(value));
    }
    return out;
}

} // namespace

const char* CSimScenario::Help() {
    return R"(Scenario statements (one per line, '#' starts a comment, ';' separates statements):
  at <ms> <statement>      run <ms> after the start        +<ms> <statement>  after the previous one
  modem model=12 sw=01.50 swinfo=00 hw=1 interface=line|gsm     information record
  timing reply=2 pace=on line=150 reset=400 raw=40 p100=600 nostart=1000 retry=400 cpc=400 cpcnone=800
  line on|off              telephone line (or network) available
  signal <raw>|none        signal byte in status replies (none: not sent)
  ict on|off               internal error flag        stuck on|off   line relay stuck
  seize on|off             the modem takes/drops the line on its own
  call p100|cpc|silent rings=10 ring=1000 pause=2000 [model=5 code=26 id=12345678 for cpc]
  p100 alarm|voice|test|userid <8-digit id>      p100 opfail <id> <kind 0-15> <data 0-255>
  p100 userdata <hex bytes>    p100 raw <hex nibbles>
  p100 nostart|msgtimeout|checksum|timing|exhausted [times]
  cpc model=<0-9> code=<alarm code> id=<6-8 digits>
  cpc silent|refuse|garble id|alarmcode|ack|disconnect|timeupdate [times]
  operator answer=<ms> hangup=<ms>   operator picks up/puts down after the voice call starts
  offhook | onhook         operator telephone now
  fault silence|garbage|badcheck|gap|truncate|invalid|reply97|hangup count=1 value=<n>
  hangup                   the device vanishes
  unplug | plug            the device and its link are removed | a new device under the link
  quit                     end the simulator
)";
}

bool CSimScenario::Parse(const std::string& text, std::string& error) {
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string reason;
        if (!ParseLine(line, reason)) {
            error = "line " + std::to_string(number) + ": " + reason;
            return false;
        }
    }
    return true;
}

bool CSimScenario::ParseLine(const std::string& line, std::string& error) {
    std::string body = line.substr(0, line.find('#'));
    std::size_t start = 0;
    while (start <= body.size()) {
        const std::size_t end = body.find(';', start);
        const std::string part =
            body.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::istringstream words(part);
        std::vector<std::string> list;
        for (std::string w; words >> w;) {
            list.push_back(w);
        }
        if (!list.empty()) {
            m_text = part;
            if (!ParseStatement(list, error)) {
                return false;
            }
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return true;
}

void CSimScenario::Add(const std::string& text, CSimTelModem::Action action) {
    m_steps.push_back(SStep{m_time, text, std::move(action)});
}

void CSimScenario::Apply(CSimTelModem& modem, std::uint32_t offsetMs) const {
    for (const auto& step : m_steps) {
        const std::string text = step.Text;
        auto action = step.Action;
        modem.At(offsetMs + step.AtMs, [text, action](CSimTelModem& m) {
            m.Recorder().AddEvent(m.Elapsed(), "scenario: " + text);
            action(m);
        });
    }
}

bool CSimScenario::ParseStatement(const std::vector<std::string>& given, std::string& error) {
    std::vector<std::string> words = given;
    long value = 0;
    if (words[0] == "at" || words[0][0] == '+') {
        const bool relative = words[0][0] == '+';
        const std::string number = relative ? words[0].substr(1) : (words.size() > 1 ? words[1] : "");
        if (!ToNumber(number, value) || value < 0) {
            error = "bad time '" + number + "'";
            return false;
        }
        m_time = relative ? m_time + static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
        words.erase(words.begin(), words.begin() + (relative ? 1 : 2));
        if (words.empty()) {
            error = "time without a statement";
            return false;
        }
    }
    const std::string& what = words[0];
    const std::string arg = words.size() > 1 ? words[1] : "";
    std::map<std::string, std::string> options;

    if (what == "modem") {
        if (!Options(words, 1, options, error)) {
            return false;
        }
        // Fields not named keep the device's current values.
        std::optional<std::uint8_t> major, minor, swInfo, model, hw, interface;
        long n = 0;
        if (auto it = options.find("sw"); it != options.end()) {
            const auto dot = it->second.find('.');
            long hi = 0;
            long lo = 0;
            if (dot == std::string::npos || !ToNumber(it->second.substr(0, dot), hi, 16) ||
                !ToNumber(it->second.substr(dot + 1), lo, 16) || hi < 0 || hi > 255 || lo < 0 || lo > 255) {
                error = "bad software version '" + it->second + "' (form 01.50)";
                return false;
            }
            major = static_cast<std::uint8_t>(hi);
            minor = static_cast<std::uint8_t>(lo);
            options.erase(it);
        }
        if (auto it = options.find("swinfo"); it != options.end()) {
            if (!ToNumber(it->second, n, 16) || n < 0 || n > 255) {
                error = "bad swinfo '" + it->second + "'";
                return false;
            }
            swInfo = static_cast<std::uint8_t>(n);
            options.erase(it);
        }
        if (auto it = options.find("interface"); it != options.end()) {
            if (it->second == "line") {
                interface = 1;
            } else if (it->second == "gsm") {
                interface = 2;
            } else if (ToNumber(it->second, n) && n >= 0 && n <= 255) {
                interface = static_cast<std::uint8_t>(n);
            } else {
                error = "bad interface '" + it->second + "'";
                return false;
            }
            options.erase(it);
        }
        n = -1;
        if (!TakeNumber(options, "model", 0, 255, n, error)) {
            return false;
        }
        if (n >= 0) {
            model = static_cast<std::uint8_t>(n);
        }
        n = -1;
        if (!TakeNumber(options, "hw", 0, 255, n, error)) {
            return false;
        }
        if (n >= 0) {
            hw = static_cast<std::uint8_t>(n);
        }
        if (!NoneLeft(options, error)) {
            return false;
        }
        Add(m_text, [=](CSimTelModem& m) {
            SSimModemInfo info = m.Info();
            info.SwMajor = major.value_or(info.SwMajor);
            info.SwMinor = minor.value_or(info.SwMinor);
            info.SwInfo = swInfo.value_or(info.SwInfo);
            info.ModelId = model.value_or(info.ModelId);
            info.HwVersion = hw.value_or(info.HwVersion);
            info.InterfaceType = interface.value_or(info.InterfaceType);
            m.SetInfo(info);
        });
        return true;
    }

    if (what == "timing") {
        if (!Options(words, 1, options, error)) {
            return false;
        }
        bool pace = true;
        bool havePace = false;
        if (auto it = options.find("pace"); it != options.end()) {
            if (!ToOnOff(it->second, pace)) {
                error = "pace must be on or off";
                return false;
            }
            havePace = true;
            options.erase(it);
        }
        std::map<std::string, long> values;
        for (const char* key :
             {"reply", "line", "reset", "raw", "p100", "nostart", "retry", "cpc", "cpcnone"}) {
            long v = -1;
            if (!TakeNumber(options, key, 0, 600000, v, error)) {
                return false;
            }
            if (v >= 0) {
                values[key] = v;
            }
        }
        if (!NoneLeft(options, error)) {
            return false;
        }
        Add(m_text, [values, pace, havePace](CSimTelModem& m) {
            SSimTiming t = m.Timing();
            for (const auto& [key, v] : values) {
                const auto ms = static_cast<std::uint32_t>(v);
                if (key == "reply") {
                    t.ReplyDelayMs = ms;
                } else if (key == "line") {
                    t.LineMs = ms;
                } else if (key == "reset") {
                    t.ResetMs = ms;
                } else if (key == "raw") {
                    t.RawByteMs = ms;
                } else if (key == "p100") {
                    t.P100MessageMs = ms;
                } else if (key == "nostart") {
                    t.P100NoStartMs = ms;
                } else if (key == "retry") {
                    t.P100RetryMs = ms;
                } else if (key == "cpc") {
                    t.CpcAnswerMs = ms;
                } else if (key == "cpcnone") {
                    t.CpcNoAnswerMs = ms;
                }
            }
            if (havePace) {
                t.Pace9600 = pace;
            }
            m.SetTiming(t);
        });
        return true;
    }

    bool on = false;
    if (what == "line" || what == "ict" || what == "stuck" || what == "seize") {
        if (words.size() != 2 || !ToOnOff(arg, on)) {
            error = what + " needs on or off";
            return false;
        }
        if (what == "line") {
            Add(m_text, [on](CSimTelModem& m) { m.SetLineAvailable(on); });
        } else if (what == "ict") {
            Add(m_text, [on](CSimTelModem& m) { m.SetIctError(on); });
        } else if (what == "stuck") {
            Add(m_text, [on](CSimTelModem& m) { m.SetLineStuck(on); });
        } else {
            Add(m_text, [on](CSimTelModem& m) { m.SeizeLine(on); });
        }
        return true;
    }

    if (what == "signal") {
        long level = -1;
        if (words.size() != 2 || (arg != "none" && (!ToNumber(arg, level) || level < 0 || level > 255))) {
            error = "signal needs a raw level 0-255 or none";
            return false;
        }
        Add(m_text, [level](CSimTelModem& m) { m.SetSignalLevel(static_cast<int>(level)); });
        return true;
    }

    if (what == "call") {
        if (arg != "p100" && arg != "cpc" && arg != "silent") {
            error = "call needs p100, cpc or silent";
            return false;
        }
        if (!Options(words, 2, options, error)) {
            return false;
        }
        SSimRingPlan plan;
        long n = plan.Signals;
        long ring = plan.RingMs;
        long pause = plan.PauseMs;
        if (!TakeNumber(options, "rings", 1, 1000, n, error) ||
            !TakeNumber(options, "ring", 1, 60000, ring, error) ||
            !TakeNumber(options, "pause", 1, 60000, pause, error)) {
            return false;
        }
        plan.Signals = static_cast<int>(n);
        plan.RingMs = static_cast<std::uint32_t>(ring);
        plan.PauseMs = static_cast<std::uint32_t>(pause);
        std::shared_ptr<CSimLiftPhone> phone;
        if (arg == "p100") {
            m_p100 = std::make_shared<CSimP100Phone>();
            phone = m_p100;
        } else if (arg == "cpc") {
            m_cpc = std::make_shared<CSimCpcPhone>();
            long model = 5;
            long code = 26;
            if (!TakeNumber(options, "model", 0, 9, model, error) ||
                !TakeNumber(options, "code", 0, 99, code, error)) {
                return false;
            }
            std::string id = "12345678";
            if (auto it = options.find("id"); it != options.end()) {
                id = it->second;
                options.erase(it);
            }
            if (!m_cpc->Configure(static_cast<int>(model), static_cast<int>(code), id)) {
                error = "bad CPC telephone settings";
                return false;
            }
            phone = m_cpc;
        }
        if (!NoneLeft(options, error)) {
            return false;
        }
        Add(m_text, [phone, plan](CSimTelModem& m) { m.Call(phone, plan); });
        return true;
    }

    if (what == "p100") {
        if (!m_p100) {
            error = "p100 statement before any 'call p100'";
            return false;
        }
        static const std::map<std::string, SSimP100Step::EKind> troubles = {
            {"nostart", SSimP100Step::NO_START},
            {"exhausted", SSimP100Step::EXHAUSTED},
            {"msgtimeout", SSimP100Step::MESSAGE_TIMEOUT},
            {"checksum", SSimP100Step::CHECKSUM},
            {"timing", SSimP100Step::TIMING}};
        static const std::map<std::string, CSimP100Phone::ECode> messages = {
            {"alarm", CSimP100Phone::CODE_ALARM},
            {"voice", CSimP100Phone::CODE_VOICE},
            {"test", CSimP100Phone::CODE_TEST},
            {"userid", CSimP100Phone::CODE_USERID}};
        if (auto t = troubles.find(arg); t != troubles.end()) {
            long times = 1;
            if (words.size() > 3 ||
                (words.size() == 3 && (!ToNumber(words[2], times) || times < 1 || times > 1000))) {
                error = "bad repeat count";
                return false;
            }
            for (long i = 0; i < times; ++i) {
                m_p100->AddTrouble(t->second);
            }
            return true;
        }
        if (auto msg = messages.find(arg); msg != messages.end()) {
            if (words.size() != 3 || !m_p100->AddMessage(msg->second, words[2])) {
                error = "p100 " + arg + " needs an ID of 8 digits";
                return false;
            }
            return true;
        }
        if (arg == "opfail") {
            long kind = 0;
            long data = 0;
            if (words.size() != 5 || !ToNumber(words[3], kind) || !ToNumber(words[4], data) ||
                !m_p100->AddOpFail(words[2], static_cast<int>(kind), static_cast<int>(data))) {
                error = "p100 opfail needs <8-digit id> <kind 0-15> <data 0-255>";
                return false;
            }
            return true;
        }
        if (arg == "userdata" || arg == "raw") {
            std::string joined;
            for (std::size_t i = 2; i < words.size(); ++i) {
                joined += words[i];
            }
            bool ok = false;
            const auto values = HexValues(joined, arg == "raw", ok);
            if (!ok || (arg == "userdata" && !m_p100->AddUserData(values)) ||
                (arg == "raw" && values.size() > 254)) {
                error = "p100 " + arg + " needs hexadecimal " + (arg == "raw" ? "nibbles" : "bytes (1-126)");
                return false;
            }
            if (arg == "raw") {
                m_p100->AddRaw(values);
            }
            return true;
        }
        error = "unknown p100 item '" + arg + "'";
        return false;
    }

    if (what == "cpc") {
        if (!m_cpc) {
            error = "cpc statement before any 'call cpc'";
            return false;
        }
        if (arg == "silent" || arg == "refuse" || arg == "garble") {
            const auto request = CSimCpcPhone::ParseRequest(words.size() > 2 ? words[2] : "");
            long times = 1;
            if (request == CSimCpcPhone::REQ_UNKNOWN || words.size() > 4 ||
                (words.size() == 4 && (!ToNumber(words[3], times) || times < 1 || times > 1000))) {
                error = "cpc " + arg + " needs id, alarmcode, ack, disconnect or timeupdate";
                return false;
            }
            const auto trouble = arg == "silent"   ? CSimCpcPhone::TROUBLE_SILENT
                                 : arg == "refuse" ? CSimCpcPhone::TROUBLE_REFUSE
                                                   : CSimCpcPhone::TROUBLE_GARBLED;
            m_cpc->AddTrouble(request, trouble, static_cast<int>(times));
            return true;
        }
        error = "unknown cpc item '" + arg + "'";
        return false;
    }

    if (what == "operator") {
        if (!Options(words, 1, options, error)) {
            return false;
        }
        long answer = -1;
        long hangup = -1;
        if (!TakeNumber(options, "answer", 0, 3600000, answer, error) ||
            !TakeNumber(options, "hangup", 0, 3600000, hangup, error) || !NoneLeft(options, error)) {
            return false;
        }
        const SSimOperatorPlan plan{static_cast<int>(answer), static_cast<int>(hangup)};
        Add(m_text, [plan](CSimTelModem& m) { m.SetOperatorPlan(plan); });
        return true;
    }

    if ((what == "offhook" || what == "onhook") && words.size() == 1) {
        const bool offHook = what == "offhook";
        Add(m_text, [offHook](CSimTelModem& m) { m.SetOffHook(offHook); });
        return true;
    }

    if (what == "fault") {
        static const std::map<std::string, ESimFault> kinds = {
            {"silence", ESimFault::SILENCE},    {"garbage", ESimFault::GARBAGE},
            {"badcheck", ESimFault::BAD_CHECK}, {"gap", ESimFault::GAP},
            {"truncate", ESimFault::TRUNCATE},  {"invalid", ESimFault::INVALID_CODE},
            {"reply97", ESimFault::REPLY_97},   {"hangup", ESimFault::HANG_UP}};
        const auto kind = kinds.find(arg);
        if (kind == kinds.end()) {
            error = "unknown fault '" + arg + "'";
            return false;
        }
        if (!Options(words, 2, options, error)) {
            return false;
        }
        long count = 1;
        long v = 0;
        if (!TakeNumber(options, "count", 1, 100000, count, error) ||
            !TakeNumber(options, "value", 0, 255, v, error) || !NoneLeft(options, error)) {
            return false;
        }
        const SSimFault fault{kind->second, static_cast<int>(count), static_cast<int>(v)};
        Add(m_text, [fault](CSimTelModem& m) { m.InjectFault(fault); });
        return true;
    }

    if (what == "hangup" && words.size() == 1) {
        Add(m_text, [](CSimTelModem& m) { m.HangUp(); });
        return true;
    }
    if (what == "unplug" && words.size() == 1) {
        Add(m_text, [](CSimTelModem& m) { m.Unplug(); });
        return true;
    }
    if (what == "plug" && words.size() == 1) {
        Add(m_text, [](CSimTelModem& m) {
            std::string error;
            m.Plug(error);
        });
        return true;
    }
    if (what == "quit" && words.size() == 1) {
        Add(m_text, [](CSimTelModem& m) { m.RequestQuit(); });
        return true;
    }
    error = "unknown statement '" + what + "'";
    return false;
}
