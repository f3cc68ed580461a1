#pragma once

#include "PrintLine.h"

#include <cstddef>
#include <vector>

// One printed page of the alarm report: at most MAX_LINES lines, drawn from the top.
class CPrintPage {
public:
    static constexpr std::size_t MAX_LINES = 50;

    bool Full() const { return m_lines.size() >= MAX_LINES; }
    // Appends a line; the report starts a new page before the page is full, so this never fails.
    void Add(CPrintLine line) { m_lines.push_back(std::move(line)); }
    const std::vector<CPrintLine>& Lines() const { return m_lines; }

private:
    std::vector<CPrintLine> m_lines;
};
