#include "ProtInfo.h"

#include <algorithm>
#include <cstdio>

std::unique_ptr<CTelHandlerMsg> CProtInfo::DecodeFrame(const CBufferMsg& frame) {
    // Data[0] is the reply code and Data[1] the modem's flags.
    const std::size_t available = frame.Data.size() - 2;
    const std::size_t length = std::min<std::size_t>(frame.Length, available);
    return Decode(std::span<const std::uint8_t>(frame.Data.data() + 2, length));
}

void CProtInfo::LogPayload(const char* source, std::span<const std::uint8_t> payload) {
    if (m_log == nullptr) {
        return;
    }
    std::string text;
    text.reserve(payload.size() * 2);
    char hex[8];
    for (std::uint8_t value : payload) {
        std::snprintf(hex, sizeof hex, "%01X ", unsigned(value));
        text += hex;
    }
    m_log->Write(source, text);
}

void CProtInfo::Log(const char* source, const std::string& text) {
    if (m_log != nullptr) {
        m_log->Write(source, text);
    }
}
