#include "MsgText.h"

#include "Utf8.h"

void CMsgText::Reset() {
    m_text.clear();
    m_length = 0;
    m_appended = 0;
    m_readPos = 0;
    m_readByte = 0;
    m_truncated = 0;
}

void CMsgText::SetText(std::string_view text) {
    Reset();
    const int length = static_cast<int>(Utf8::Length(text));
    if (length > MAX_CHARS) {
        m_text = Utf8::Left(text, MAX_CHARS);
        m_length = MAX_CHARS;
        m_truncated = 1;
    } else {
        m_text = std::string(text);
        m_length = length;
    }
}

void CMsgText::AddLine(std::string_view line) {
    const int room = MAX_CHARS - m_length;
    if (room <= 0) {
        m_truncated = 1;
        return;
    }
    const int length = static_cast<int>(Utf8::Length(line));
    if (m_appended == 0) {
        if (length > room) {
            m_text += Utf8::Left(line, static_cast<std::size_t>(room));
            m_length += room;
            m_appended = static_cast<std::int16_t>(m_appended + room);
            m_truncated = 1;
        } else {
            m_text += line;
            m_length += length;
            m_appended = static_cast<std::int16_t>(m_appended + length);
        }
        return;
    }
    if (room < length + 1) {
        m_text += '\n';
        m_text += Utf8::Left(line, static_cast<std::size_t>(room - 1));
        m_length += room;
        m_appended = static_cast<std::int16_t>(m_appended + room);
        m_truncated = 1;
    } else {
        m_text += '\n';
        m_text += line;
        m_length += length + 1;
        m_appended = static_cast<std::int16_t>(m_appended + length + 1);
    }
}

std::string CMsgText::GetLine(int maxChars) {
    std::string line;
    int taken = 0;
    while (m_readByte < m_text.size() && taken < maxChars) {
        if (m_text[m_readByte] == '\n') {
            break;
        }
        const std::size_t step = Utf8::ByteOffset(std::string_view(m_text).substr(m_readByte), 1);
        line.append(m_text, m_readByte, step);
        m_readByte += step;
        ++taken;
        ++m_readPos;
    }
    if (m_readByte < m_text.size() && m_text[m_readByte] == '\n') {
        ++m_readByte;
        ++m_readPos;
    }
    return line;
}

int CMsgText::GetLineCount() const {
    if (m_text.empty()) {
        return 0;
    }
    int count = 1;
    for (char c : m_text) {
        if (c == '\n') {
            ++count;
        }
    }
    return count;
}
