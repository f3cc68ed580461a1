#include "GpBuffer.h"

#include <algorithm>

namespace {

void RemoveQuotes(std::string& token) {
    token.erase(std::remove(token.begin(), token.end(), '"'), token.end());
}

} // namespace

std::string CGpBuffer::NextToken() {
    if (m_position >= m_text.size()) {
        m_position = m_text.size() + 1;
        return {};
    }
    const std::size_t end = m_text.find(m_delimiter, m_position);
    std::string token;
    if (end == std::string::npos) {
        token = m_text.substr(m_position);
        m_position = m_text.size() + 1;
        RemoveQuotes(token);
        const auto last = token.find_last_not_of(" \t\r\n\f\v");
        token.erase(last == std::string::npos ? 0 : last + 1);
    } else {
        token = m_text.substr(m_position, end - m_position);
        m_position = end + 1;
        RemoveQuotes(token);
    }
    return token;
}
