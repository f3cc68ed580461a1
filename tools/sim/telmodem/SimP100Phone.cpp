#include "SimP100Phone.h"

#include "SimFrame.h"

std::vector<SSimP100Step> CSimP100Phone::P100Listen(int /*attempt*/) {
    std::vector<SSimP100Step> steps;
    if (m_hungUp) {
        steps.push_back(SSimP100Step{SSimP100Step::NO_START, {}});
        return steps;
    }
    while (!m_script.empty()) {
        steps.push_back(m_script.front());
        m_script.pop_front();
        if (steps.back().Kind == SSimP100Step::MESSAGE && !steps.back().Nibbles.empty()) {
            m_unconfirmed.push_back(steps.back().Nibbles[0]);
        }
        if (steps.back().EndsListen()) {
            return steps;
        }
    }
    // Nothing more to say: the modem hears no start.
    steps.push_back(SSimP100Step{SSimP100Step::NO_START, {}});
    return steps;
}

void CSimP100Phone::MessageConfirmed() {
    if (m_unconfirmed.empty()) {
        return;
    }
    const std::uint8_t code = m_unconfirmed.front();
    m_unconfirmed.pop_front();
    if (code != CODE_USERID) {
        MarkAcknowledged();
    }
}

std::string CSimP100Phone::RawReceived(const std::vector<std::uint8_t>& bytes) {
    m_lastCommand = bytes;
    if (bytes.size() == 1 && bytes[0] == 0x0F) {
        m_hungUp = true;
        return "P100 telephone: disconnect, hangs up";
    }
    if (!bytes.empty() && bytes[0] == 0x03) {
        m_hungUp = true;
        return bytes.size() == 1
                   ? "P100 telephone: redirect, calls the next number"
                   : "P100 telephone: redirect (" + SSimFrame::Hex(bytes) + "), calls the next number";
    }
    return "P100 telephone: unknown command " + SSimFrame::Hex(bytes);
}

std::vector<std::uint8_t> CSimP100Phone::IdNibbles(const std::string& id) {
    std::vector<std::uint8_t> digits;
    if (id.size() != 8) {
        return digits;
    }
    for (char c : id) {
        if (c < '0' || c > '9') {
            return {};
        }
        digits.push_back(static_cast<std::uint8_t>(c - '0'));
    }
    return digits;
}

bool CSimP100Phone::AddMessage(ECode code, const std::string& id) {
    const auto digits = IdNibbles(id);
    if (digits.empty() || code > CODE_USERID || code == CODE_OPFAIL) {
        return false;
    }
    SSimP100Step step{SSimP100Step::MESSAGE, {code, 8}};
    step.Nibbles.insert(step.Nibbles.end(), digits.begin(), digits.end());
    m_script.push_back(step);
    return true;
}

bool CSimP100Phone::AddOpFail(const std::string& id, int kind, int data) {
    const auto digits = IdNibbles(id);
    if (digits.empty() || kind < 0 || kind > 15 || data < 0 || data > 255) {
        return false;
    }
    SSimP100Step step{SSimP100Step::MESSAGE, {CODE_OPFAIL, 11}};
    step.Nibbles.insert(step.Nibbles.end(), digits.begin(), digits.end());
    step.Nibbles.push_back(static_cast<std::uint8_t>(kind));
    step.Nibbles.push_back(static_cast<std::uint8_t>(data >> 4));
    step.Nibbles.push_back(static_cast<std::uint8_t>(data & 0x0F));
    m_script.push_back(step);
    return true;
}

bool CSimP100Phone::AddUserData(const std::vector<std::uint8_t>& bytes) {
    // Two 4-bit values per byte, plus code and length, must fit the 254 parameters of a report.
    if (bytes.empty() || bytes.size() > MAX_USER_DATA) {
        return false;
    }
    SSimP100Step step{SSimP100Step::MESSAGE, {CODE_USERDATA, static_cast<std::uint8_t>(bytes.size() * 2)}};
    for (std::uint8_t b : bytes) {
        step.Nibbles.push_back(static_cast<std::uint8_t>(b >> 4));
        step.Nibbles.push_back(static_cast<std::uint8_t>(b & 0x0F));
    }
    m_script.push_back(step);
    return true;
}

void CSimP100Phone::AddRaw(const std::vector<std::uint8_t>& nibbles) {
    m_script.push_back(SSimP100Step{SSimP100Step::MESSAGE, nibbles});
}

void CSimP100Phone::AddTrouble(SSimP100Step::EKind kind) {
    m_script.push_back(SSimP100Step{kind, {}});
}
