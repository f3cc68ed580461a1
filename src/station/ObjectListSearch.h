#pragma once

#include "ObjectInfoMsg.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The logic of the open dialog: the rows of a find-all reply, their order, and the
// case-insensitive prefix search by ID code or ID information with Find First and Find Next.
class CObjectListSearch {
public:
    enum EColumn { COLUMN_IDCODE = 0, COLUMN_IDINFO = 1 };
    static constexpr int NOT_FOUND = -1;

    struct SRow {
        std::string IdCode;
        std::string IdInfo;
    };

    // Takes the rows of the reply chain in reply order (an empty record or none: no rows), then
    // sorts them ascending by ID code. The chain is consumed.
    void Fill(std::unique_ptr<CObjectInfoMsg> list);

    // A click on a column's header: sorts by it, ascending, and descending on the next click.
    void SortBy(int column);
    int SortColumn() const { return m_sortColumn; }
    bool SortAscending() const { return m_ascending; }

    // The first row, from the first row (first) or after the last match, whose text in the column
    // starts with the search text (trimmed, case ignored). NOT_FOUND when there is none.
    int Find(std::string_view text, int column, bool first);

    std::size_t Count() const { return m_rows.size(); }
    const SRow& Row(std::size_t index) const { return m_rows[index]; }

    // Lower case of a UTF-8 text for the letters of the station's languages (Latin, Greek,
    // Cyrillic); other characters are kept.
    static std::u32string Folded(std::string_view text);

private:
    void Sort(int column, bool ascending);

    std::vector<SRow> m_rows;
    int m_sortColumn = COLUMN_IDCODE;
    bool m_ascending = true;
    std::size_t m_nextStart = 0;
};
