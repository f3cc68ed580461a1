#pragma once

#include "AlarmInfoMsg.h"
#include "PrintPage.h"

#include <cstddef>
#include <string>
#include <vector>

// The alarm report: a block of lines per alarm, laid out on pages of CPrintPage::MAX_LINES lines.
// Lines longer than LINE_COLUMNS characters are wrapped, so the painter, which fits LINE_COLUMNS
// characters to the page width, never cuts a text off.
class CPrintObject {
public:
    static constexpr std::size_t SEPARATOR_LENGTH = 70;
    static constexpr std::size_t LINE_COLUMNS = 80;

    void Clear() { m_pages.clear(); }
    // Appends a line (wrapped when too long), starting a new page when the last one is full.
    void AddLine(const std::string& text, int style = 0);
    // Appends the block of one alarm.
    void AddAlarm(const CAlarmInfoMsg& alarm);
    // Appends a block for every record of a reply chain that holds an alarm. The empty records a
    // find puts in for a key that no longer exists (or after an engine error) print nothing.
    void AddAlarms(const CAlarmInfoMsg* chain);

    std::size_t PageCount() const { return m_pages.size(); }
    const CPrintPage& Page(std::size_t index) const { return m_pages.at(index); }
    const std::vector<CPrintPage>& Pages() const { return m_pages; }

    // The lines of one alarm's block, before wrapping.
    static std::vector<std::string> AlarmBlock(const CAlarmInfoMsg& alarm);
    // A text cut into lines of at most `columns` characters, at a blank where there is one.
    static std::vector<std::string> Wrap(const std::string& text, std::size_t columns);

private:
    std::vector<CPrintPage> m_pages;
};
