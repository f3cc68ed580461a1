#pragma once

#include "SimCpcPhone.h"
#include "SimP100Phone.h"
#include "SimTelModem.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A scenario for the simulated modem in a small line-oriented text form, for people and tests:
//
//   modem model=12 sw=01.50 interface=line
//   timing p100=400 nostart=300
//   at 1000 call p100 rings=2 ring=800 pause=1500
//   p100 checksum
//   p100 alarm 12345678
//   operator answer=3000 hangup=8000
//   at 20000 fault silence count=5
//   +9000 quit
//
// "at <ms>" runs a statement that long after the start, "+<ms>" that long after the previous
// statement; a statement without either runs with the previous one. Help() lists every statement.
class CSimScenario {
public:
    // Adds the statements of a text; false with "line <n>: <reason>" in `error`.
    bool Parse(const std::string& text, std::string& error);
    // Adds one statement (also accepts "a; b; c" on one line).
    bool ParseLine(const std::string& line, std::string& error);
    // Schedules every statement on the modem, `offsetMs` after the modem's start.
    void Apply(CSimTelModem& modem, std::uint32_t offsetMs = 0) const;

    std::size_t Size() const { return m_steps.size(); }
    static const char* Help();

private:
    struct SStep {
        std::uint32_t AtMs = 0;
        std::string Text;
        CSimTelModem::Action Action;
    };

    bool ParseStatement(const std::vector<std::string>& words, std::string& error);
    void Add(const std::string& text, CSimTelModem::Action action);

    std::vector<SStep> m_steps;
    std::uint32_t m_time = 0;
    std::string m_text;
    std::shared_ptr<CSimP100Phone> m_p100;
    std::shared_ptr<CSimCpcPhone> m_cpc;
};
