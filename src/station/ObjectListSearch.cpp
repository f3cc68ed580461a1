#include "ObjectListSearch.h"

#include "DbResults.h"

#include <algorithm>

namespace {

char32_t Lower(char32_t c) {
    if (c >= U'A' && c <= U'Z') {
        return c + 32;
    }
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F)) {
        return c + 32;
    }
    if (c >= 0x400 && c <= 0x40F) {
        return c + 80;
    }
    if (c == 0x178) {
        return 0xFF;
    }
    // Latin Extended-A: upper and lower case alternate, with the odd stretches 0x139-0x148 and
    // 0x179-0x17E.
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
        return (c % 2 == 0) ? c + 1 : c;
    }
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
        return (c % 2 == 1) ? c + 1 : c;
    }
    return c;
}

// Decodes UTF-8; a malformed byte stands for itself so that nothing is skipped.
std::u32string Decode(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        char32_t c = b;
        if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            c = b & 0x07;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            c = b & 0x0F;
        } else if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
            c = b & 0x1F;
        }
        bool ok = extra > 0 && i + extra < text.size();
        for (std::size_t k = 1; ok && k <= extra; ++k) {
            const auto cb = static_cast<unsigned char>(text[i + k]);
            ok = (cb & 0xC0) == 0x80;
            c = (c << 6) | (cb & 0x3F);
        }
        if (ok) {
            out.push_back(c);
            i += extra + 1;
        } else {
            out.push_back(b);
            ++i;
        }
    }
    return out;
}

std::string_view Trimmed(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

std::u32string CObjectListSearch::Folded(std::string_view text) {
    std::u32string folded = Decode(text);
    for (char32_t& c : folded) {
        c = Lower(c);
    }
    return folded;
}

void CObjectListSearch::Fill(std::unique_ptr<CObjectInfoMsg> list) {
    m_rows.clear();
    m_nextStart = 0;
    if (list && list->Status == ObjectResult::FIND_LIST) {
        // Take the links off one by one so that a long chain never nests destructors.
        std::unique_ptr<CMsg> link = std::move(list);
        while (link) {
            std::unique_ptr<CMsg> next = link->TakeNext();
            if (auto* object = dynamic_cast<CObjectInfoMsg*>(link.get())) {
                m_rows.push_back({std::move(object->IdCode), std::move(object->IdInfo)});
            }
            link = std::move(next);
        }
    }
    Sort(COLUMN_IDCODE, true);
}

void CObjectListSearch::SortBy(int column) {
    if (column != COLUMN_IDCODE && column != COLUMN_IDINFO) {
        return;
    }
    Sort(column, column == m_sortColumn ? !m_ascending : true);
}

void CObjectListSearch::Sort(int column, bool ascending) {
    m_sortColumn = column;
    m_ascending = ascending;
    // Texts compare byte by byte (std::string compares its bytes as unsigned char).
    const auto key = [column](const SRow& row) -> const std::string& {
        return column == COLUMN_IDCODE ? row.IdCode : row.IdInfo;
    };
    if (ascending) {
        std::stable_sort(m_rows.begin(), m_rows.end(),
                         [&](const SRow& a, const SRow& b) { return key(a) < key(b); });
    } else {
        std::stable_sort(m_rows.begin(), m_rows.end(),
                         [&](const SRow& a, const SRow& b) { return key(b) < key(a); });
    }
    m_nextStart = 0;
}

int CObjectListSearch::Find(std::string_view text, int column, bool first) {
    if (first) {
        m_nextStart = 0;
    }
    const std::u32string wanted = Folded(Trimmed(text));
    for (std::size_t i = m_nextStart; i < m_rows.size(); ++i) {
        const std::string& cell = column == COLUMN_IDCODE ? m_rows[i].IdCode : m_rows[i].IdInfo;
        const std::u32string folded = Folded(cell);
        if (folded.compare(0, wanted.size(), wanted) == 0) {
            m_nextStart = i + 1;
            return static_cast<int>(i);
        }
    }
    return NOT_FOUND;
}
