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
    EDbMgrAnswer DatabaseMgrDialog(int mode, const std::vector<std::string>& lines) override;
    void DatabaseMgrProgress(const std::string& line) override {
        dbProgress.insert(dbProgress.begin(), line);
    }
    void CloseDatabaseMgrDialog() override { ++dbDialogCloses; }
    bool BrowseForFolder(const std::string& title, const std::string& startFolder,
                         std::string& folder) override;

    // The text last shown in a pane, or empty.
    std::string Pane(int pane) const;

    std::deque<EResult> answers;
    std::vector<SMessageBox> messageBoxes;
    std::vector<std::pair<int, std::string>> paneTexts;
    std::vector<SSystemInfo> systemInfo;
    std::vector<EBeep> beeps;

    // Database manager dialog: each showing (mode and message lines), the progress list (newest
    // first), and scripted answers (Cancel when the script is empty).
    struct SDbDialog {
        int mode;
        std::vector<std::string> lines;
    };
    std::vector<SDbDialog> dbDialogs;
    std::deque<EDbMgrAnswer> dbAnswers;
    std::vector<std::string> dbProgress;
    int dbDialogCloses = 0;

    // Folder picker: each title asked, and scripted folders (an empty entry or an empty script
    // means the operator cancelled).
    std::vector<std::string> browseTitles;
    std::deque<std::string> browseAnswers;
};
