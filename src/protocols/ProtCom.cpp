#include "ProtCom.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

CProtCom::CProtCom(const IClock& clock) : m_timer(clock) {}

CProtCom::~CProtCom() = default;

void CProtCom::Init(ITelPrimitives* telHandler, CLogFile* log) {
    m_telHandler = telHandler;
    m_log = log;
}

std::uint16_t CProtCom::SendTimeUpdate() {
    return PROTCOM_STRET_DONE;
}

std::uint16_t CProtCom::IsTimeUpdateDue(std::uint16_t /*remainingSeconds*/) {
    return 0;
}

std::uint16_t CProtCom::SendRedirect(std::int32_t /*redirectMode*/) {
    return PROTCOM_SDRET_DONE;
}

std::uint16_t CProtCom::CanRedirect() const {
    return 0;
}

void CProtCom::Log(std::string_view source, std::string_view text) {
    if (m_log != nullptr) {
        m_log->Write(source, text);
    }
}

void CProtCom::LogF(std::string_view source, const char* format, ...) {
    if (m_log == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), static_cast<std::size_t>(needed));
    }
    va_end(args);
    m_log->Write(source, text);
}
