#include "SimCpcPhone.h"

#include "SimFrame.h"

CSimCpcPhone::CSimCpcPhone(int modelCode, int alarmCode, std::string id)
    : m_modelCode(modelCode), m_alarmCode(alarmCode), m_id(std::move(id)) {}

bool CSimCpcPhone::Configure(int modelCode, int alarmCode, const std::string& id) {
    if (modelCode < 0 || modelCode > 9 || alarmCode < 0 || alarmCode > 99 || id.size() < 6 || id.size() > 8) {
        return false;
    }
    for (char c : id) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    m_modelCode = modelCode;
    m_alarmCode = alarmCode;
    m_id = id;
    return true;
}

void CSimCpcPhone::AddTrouble(ERequest request, ETrouble trouble, int times) {
    for (int i = 0; i < times; ++i) {
        m_troubles[request].push_back(trouble);
    }
}

CSimCpcPhone::ERequest CSimCpcPhone::Classify(const std::vector<std::uint8_t>& digits) {
    using D = std::vector<std::uint8_t>;
    if (digits == D{0, 2, 1}) {
        return REQ_ID;
    }
    if (digits == D{0, 3}) {
        return REQ_ALARMCODE;
    }
    if (digits == D{0, 5, 1} || digits == D{0, 5, 2}) {
        return REQ_ACK;
    }
    if (digits == D{0, 6, 0, 1}) {
        return REQ_DISCONNECT;
    }
    if (digits == D{0, 6, 0, 7}) {
        return REQ_TIMEUPDATE;
    }
    return REQ_UNKNOWN;
}

const char* CSimCpcPhone::RequestName(ERequest request) {
    switch (request) {
    case REQ_ID:
        return "id";
    case REQ_ALARMCODE:
        return "alarmcode";
    case REQ_ACK:
        return "ack";
    case REQ_DISCONNECT:
        return "disconnect";
    case REQ_TIMEUPDATE:
        return "timeupdate";
    default:
        return "unknown";
    }
}

CSimCpcPhone::ERequest CSimCpcPhone::ParseRequest(const std::string& name) {
    for (int r = REQ_ID; r < REQ_UNKNOWN; ++r) {
        if (name == RequestName(static_cast<ERequest>(r))) {
            return static_cast<ERequest>(r);
        }
    }
    return REQ_UNKNOWN;
}

std::optional<std::vector<std::uint8_t>> CSimCpcPhone::CpcRequest(const std::vector<std::uint8_t>& digits) {
    const ERequest request = Classify(digits);
    ++m_requests[request];
    if (m_hungUp || request == REQ_UNKNOWN) {
        return std::nullopt;
    }
    if (!m_troubles[request].empty()) {
        const ETrouble trouble = m_troubles[request].front();
        m_troubles[request].pop_front();
        switch (trouble) {
        case TROUBLE_SILENT:
            return std::nullopt;
        case TROUBLE_REFUSE:
            return std::vector<std::uint8_t>{0, 1, 0};
        case TROUBLE_GARBLED:
            return std::vector<std::uint8_t>{0, 9, 9};
        }
    }
    switch (request) {
    case REQ_ID:
        return std::vector<std::uint8_t>{0, 2, static_cast<std::uint8_t>(m_modelCode)};
    case REQ_ALARMCODE: {
        std::vector<std::uint8_t> answer{0, 4, static_cast<std::uint8_t>(m_alarmCode / 10),
                                         static_cast<std::uint8_t>(m_alarmCode % 10)};
        for (char c : m_id) {
            answer.push_back(static_cast<std::uint8_t>(c - '0'));
        }
        return answer;
    }
    case REQ_DISCONNECT:
        m_hungUp = true;
        return std::vector<std::uint8_t>{0, 1, 1};
    case REQ_ACK:
        MarkAcknowledged();
        return std::vector<std::uint8_t>{0, 1, 1};
    default:
        return std::vector<std::uint8_t>{0, 1, 1};
    }
}

std::string CSimCpcPhone::RawReceived(const std::vector<std::uint8_t>& bytes) {
    return "CPC telephone: ignores raw bytes " + SSimFrame::Hex(bytes);
}
