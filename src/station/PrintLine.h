#pragma once

#include <string>
#include <utility>

// One text line of the alarm report. The style number is carried for the report's layout but
// the drawing treats every line alike.
class CPrintLine {
public:
    explicit CPrintLine(std::string text, int style = 0) : m_text(std::move(text)), m_style(style) {}

    const std::string& Text() const { return m_text; }
    int Style() const { return m_style; }

private:
    std::string m_text;
    int m_style;
};
