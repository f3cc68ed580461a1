#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The text of an alarm: at most 255 characters in lines separated by a single line feed, with no
// line feed after the last line. What does not fit is cut; only the truncated flag records it.
// Characters are counted as code points and a cut never splits one.
class CMsgText {
public:
    static constexpr int MAX_CHARS = 255;

    void Reset();
    void SetText(std::string_view text);
    void AddLine(std::string_view line);
    // The next line from the read position, at most maxChars characters; consumes the line feed
    // when it reaches it. Empty at the end.
    std::string GetLine(int maxChars);
    int GetLineCount() const;

    const std::string& Text() const { return m_text; }
    int Length() const { return m_length; }
    std::int16_t Appended() const { return m_appended; }
    std::int16_t ReadPosition() const { return m_readPos; }
    bool Truncated() const { return m_truncated != 0; }
    void RewindRead() {
        m_readPos = 0;
        m_readByte = 0;
    }

private:
    std::string m_text;
    int m_length = 0; // characters in m_text
    std::int16_t m_appended = 0;
    std::int16_t m_readPos = 0; // in characters
    std::size_t m_readByte = 0;
    std::int16_t m_truncated = 0;
};
