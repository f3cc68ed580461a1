#include "GuiStation.h"

#include "GuiFrontEnd.h"
#include "MORADoc.h"
#include "MainFrame.h"

CGuiStation::CGuiStation(const IClock& clock, std::string workFolder)
    : m_frontEnd(std::make_unique<CGuiFrontEnd>()) {
    m_doc = std::make_unique<CMORADoc>(*m_frontEnd, clock, std::move(workFolder));
    m_frontEnd->Attach(m_doc.get(), nullptr);
    m_frame = std::make_unique<CMainFrame>(*m_doc, *m_frontEnd);
    m_frontEnd->Attach(m_doc.get(), m_frame.get());
}

CGuiStation::~CGuiStation() {
    // The windows go first and stop the core; then nothing may reach the window any more.
    m_frame->CloseWithoutAsking();
    m_frontEnd->Attach(nullptr, nullptr);
    m_frame.reset();
    m_doc.reset();
}

bool CGuiStation::Start() {
    if (!m_doc->Start()) {
        return false;
    }
    m_frame->StationStarted();
    m_frame->show();
    return true;
}
