#include "OperatorSelection.h"

#include "Translate.h"

COperatorSelection::COperatorSelection(const CSettings& settings, bool startup) {
    Refill(settings);
    if (startup && m_selected >= 0) {
        m_countdown = COUNTDOWN_SECONDS;
    }
}

void COperatorSelection::Refill(const CSettings& settings) {
    m_names.clear();
    for (const auto& name : settings.Operator) {
        if (!name.empty()) {
            m_names.push_back(name);
        }
    }
    m_selected = -1;
    if (!settings.LastOperator.empty()) {
        for (std::size_t i = 0; i < m_names.size(); ++i) {
            if (m_names[i] == settings.LastOperator) {
                m_selected = static_cast<int>(i);
                break;
            }
        }
    }
}

void COperatorSelection::Select(int index) {
    m_selected = index >= 0 && index < static_cast<int>(m_names.size()) ? index : -1;
}

std::string COperatorSelection::CountdownText() const {
    return m_countdown > 0 ? Text::TrF("IDS_SELECTOPERATORDLG_MSG_1", m_countdown) : std::string();
}

bool COperatorSelection::Tick() {
    if (m_countdown <= 0) {
        return false;
    }
    --m_countdown;
    return m_countdown == 0;
}

bool COperatorSelection::Accept(std::string& name) const {
    if (m_selected < 0) {
        return false;
    }
    name = m_names[static_cast<std::size_t>(m_selected)];
    return true;
}

std::string COperatorSelection::TimedOutName() const {
    // An empty operator would record alarms as handled by nobody: hand back the remembered one
    // that the countdown was started for.
    std::string name;
    Accept(name);
    return name;
}
