#include "ProtCom.h"

#include "Translate.h"

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
    const std::string text = Text::VFormat(format, args);
    va_end(args);
    m_log->Write(source, text);
}
