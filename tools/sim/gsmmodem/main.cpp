// The GSM modem simulator as a program: a modem on a pseudo-terminal linked as COMn, steered by
// commands typed on standard input. See README.md.

#include "GsmModemSim.h"

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

namespace {

void PrintHelp() {
    std::cout << "Commands:\n"
                 "  sms <sender> <text...>      store an incoming SMS (UTF-8, e.g. ä ö å é ü £ { } [ ] ~ \\ "
                 "| ^ €)\n"
                 "  ring <number|-> [sec] [int] ring for sec seconds (30), RING every int seconds (5); - "
                 "withholds\n"
                 "  endcall                     the caller hangs up\n"
                 "  refuse <n> [code]           refuse the next n message texts with +CMS ERROR: code "
                 "(500)\n"
                 "  cmee <0|1|2>                errors as ERROR, +CME ERROR: <n> or +CME ERROR: <text>\n"
                 "  silent on|off               stop / resume answering\n"
                 "  creg <n>                    registration status (1 home, 5 roaming, 0 none)\n"
                 "  csq <n>                     signal value 0-31, 99 unknown\n"
                 "  model <name>                AT+CGMM answer (TC35, GM29, TC65, LE910-EU V2, GL865, ...)\n"
                 "  pin <pin>|none              SIM PIN asked after the next start-up\n"
                 "  garbage                     send a line of line noise\n"
                 "  long <n> [noend]            send a line of n characters (without CR LF with noend)\n"
                 "  hangup                      the device disappears (the program then ends)\n"
                 "  list                        stored SMS\n"
                 "  log                         commands received and SMS sent by the station\n"
                 "  quit\n";
}

int ToInt(const std::string& text, int fallback) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    return (end != nullptr && *end == '\0' && !text.empty()) ? static_cast<int>(v) : fallback;
}

} // namespace

int main(int argc, char** argv) {
    int port = 2;
    std::string folder;
    std::string model = "TC35";
    std::string pin;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
        if (arg == "--port") {
            port = ToInt(next(), -1);
        } else if (arg == "--dir") {
            folder = next();
        } else if (arg == "--model") {
            model = next();
        } else if (arg == "--pin") {
            pin = next();
        } else {
            std::cerr << "usage: " << argv[0] << " [--port n] [--dir folder] [--model name] [--pin pin]\n";
            return 2;
        }
    }
    if (port < 1 || port > 255) {
        std::cerr << "port must be 1-255\n";
        return 2;
    }

    CGsmModemSim sim;
    sim.SetModelName(model);
    sim.SetPin(pin);
    if (!sim.Start(port, folder)) {
        std::cerr << "cannot start: " << sim.LastError() << "\n";
        return 1;
    }
    std::cout << "GSM modem simulator: " << sim.LinkPath() << " -> " << sim.SlavePath() << " (model " << model
              << (pin.empty() ? ", no PIN" : ", PIN " + pin) << ")\n";
    PrintHelp();

    std::size_t shownCommands = 0;
    std::string input;
    while (std::cout << "> " << std::flush, std::getline(std::cin, input)) {
        std::istringstream in(input);
        std::string cmd;
        in >> cmd;
        if (cmd.empty()) {
            // Just Enter: show what arrived since the last look.
            const auto commands = sim.Commands();
            for (; shownCommands < commands.size(); ++shownCommands) {
                std::cout << "  <- " << commands[shownCommands] << "\n";
            }
        } else if (cmd == "sms") {
            std::string sender;
            in >> sender;
            std::string text;
            std::getline(in, text);
            if (!text.empty() && text.front() == ' ') {
                text.erase(0, 1);
            }
            std::cout << "stored at index " << sim.StoreSms(sender, text) << "\n";
        } else if (cmd == "ring") {
            std::string number;
            std::string seconds;
            std::string interval;
            in >> number >> seconds >> interval;
            sim.Ring(number == "-" ? std::string() : number, std::chrono::seconds(ToInt(seconds, 30)),
                     std::chrono::seconds(ToInt(interval, 5)));
        } else if (cmd == "endcall") {
            sim.EndCall();
        } else if (cmd == "refuse") {
            std::string n;
            std::string code;
            in >> n >> code;
            sim.RefuseSends(ToInt(n, 1), ToInt(code, 500));
        } else if (cmd == "cmee") {
            std::string v;
            in >> v;
            sim.SetErrorReports(ToInt(v, 1));
        } else if (cmd == "silent") {
            std::string v;
            in >> v;
            sim.SetSilent(v != "off");
        } else if (cmd == "creg") {
            std::string v;
            in >> v;
            sim.SetRegistration(ToInt(v, 1));
        } else if (cmd == "csq") {
            std::string v;
            in >> v;
            sim.SetSignal(ToInt(v, 17));
        } else if (cmd == "model") {
            std::string name;
            std::getline(in, name);
            sim.SetModelName(name.empty() ? name : name.substr(1));
        } else if (cmd == "pin") {
            std::string v;
            in >> v;
            sim.SetPin(v == "none" ? std::string() : v);
        } else if (cmd == "garbage") {
            sim.SendRaw(std::string("\x01\x7f\xff#+CM\x1b\x02 ~~ZZ\r\n", 17));
        } else if (cmd == "long") {
            std::string n;
            std::string end;
            in >> n >> end;
            sim.SendLongLine(static_cast<std::size_t>(ToInt(n, 300)), end != "noend");
        } else if (cmd == "hangup") {
            sim.HangUp();
            break;
        } else if (cmd == "list") {
            for (const auto& s : sim.StoredSms()) {
                std::cout << "  " << s.Index << " " << s.Status << " " << s.Sender << " " << s.TimeStamp
                          << " " << s.Text.size() << " septets\n";
            }
        } else if (cmd == "log") {
            for (const auto& c : sim.Commands()) {
                std::cout << "  <- " << c << "\n";
            }
            for (const auto& s : sim.SentSms()) {
                std::cout << "  SMS to " << s.Destination << (s.Accepted ? " (sent): " : " (refused): ")
                          << s.Text << "\n";
            }
        } else if (cmd == "quit" || cmd == "exit") {
            break;
        } else {
            PrintHelp();
        }
    }
    sim.Stop();
    return 0;
}
