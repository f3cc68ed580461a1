#pragma once

#include "Settings.h"

#include <string>
#include <vector>

// The logic of the select-operator dialog: the names of the filled slots in slot order, the
// remembered operator preselected, and at start-up a ten-second countdown that ends the choice
// with the remembered operator unless the operator touches the dialog first.
class COperatorSelection {
public:
    static constexpr int COUNTDOWN_SECONDS = 10;

    COperatorSelection(const CSettings& settings, bool startup);

    const std::vector<std::string>& Names() const { return m_names; }
    // Index into Names(), -1 when nothing is selected.
    int Selected() const { return m_selected; }
    void Select(int index);

    bool CountdownRunning() const { return m_countdown > 0; }
    // "Starting in %d seconds" while the countdown runs, else empty.
    std::string CountdownText() const;
    // One second passed. True when the countdown ran out now: the choice ends with OK.
    bool Tick();
    // Opening the list or editing the operators stops the countdown for good.
    void StopCountdown() { m_countdown = 0; }

    // OK: false when no name is selected (the dialog beeps and stays); else the chosen name.
    bool Accept(std::string& name) const;
    // The name handed back when the countdown ran out: the remembered operator.
    std::string TimedOutName() const;

    // The operators were edited: fill the list again (the countdown stays stopped).
    void Refill(const CSettings& settings);

private:
    std::vector<std::string> m_names;
    int m_selected = -1;
    int m_countdown = 0;
};
