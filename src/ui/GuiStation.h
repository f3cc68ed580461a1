#pragma once

#include "Clock.h"

#include <memory>
#include <string>

class CGuiFrontEnd;
class CMORADoc;
class CMainFrame;

// The whole station with its windows, in the order the program builds them: the GUI front end,
// the document (settings loaded, managers initialised, no thread yet) and the main window. Used
// by the program and by the GUI tests. The dictionary must be loaded before.
class CGuiStation {
public:
    explicit CGuiStation(const IClock& clock = CSystemClock::Instance(), std::string workFolder = {});
    ~CGuiStation();
    CGuiStation(const CGuiStation&) = delete;
    CGuiStation& operator=(const CGuiStation&) = delete;

    // The operator, the database, the managers and the alarm list; then the main window is
    // shown. False when a step failed (the program ends).
    bool Start();

    CGuiFrontEnd& FrontEnd() { return *m_frontEnd; }
    CMORADoc& Doc() { return *m_doc; }
    CMainFrame& Frame() { return *m_frame; }

private:
    std::unique_ptr<CGuiFrontEnd> m_frontEnd;
    std::unique_ptr<CMORADoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};
