#pragma once

#include "FrontEnd.h"

#include <deque>
#include <string>
#include <vector>

// A front end that records what the station showed and answers message boxes from a script
// (or with the default button when the script is empty).
class CRecordingFrontEnd : public IFrontEnd {
public:
    struct SMessageBox {
        std::string text;
        EButtons buttons;
        EIcon icon;
        int defaultButton;
    };
    struct SSystemInfo {
        std::string text;
        bool toFront;
    };

    EResult MessageBox(const std::string& text, EButtons buttons, EIcon icon, int defaultButton) override;
    void SetPaneText(int pane, const std::string& text) override;
    void AddSystemInfo(const std::string& text, bool toFront) override;
    void Beep(EBeep beep) override { beeps.push_back(beep); }

    // The text last shown in a pane, or empty.
    std::string Pane(int pane) const;

    std::deque<EResult> answers;
    std::vector<SMessageBox> messageBoxes;
    std::vector<std::pair<int, std::string>> paneTexts;
    std::vector<SSystemInfo> systemInfo;
    std::vector<EBeep> beeps;
};
