#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// An owning list of strings with a cursor that RemoveAll resets (the mail handler walks its
// recipients with it).
class CStrList {
public:
    void AddTail(std::string text) { m_items.push_back(std::move(text)); }
    void RemoveAll() {
        m_items.clear();
        m_counter = 0;
    }
    std::size_t GetCount() const { return m_items.size(); }
    bool IsEmpty() const { return m_items.empty(); }
    const std::string& GetAt(std::size_t index) const { return m_items.at(index); }
    const std::vector<std::string>& Items() const { return m_items; }

    std::int32_t Counter() const { return m_counter; }
    void SetCounter(std::int32_t value) { m_counter = value; }

    // Replaces the contents by the non-empty parts of a list cut at ',' and ';', spaces ignored.
    void SplitList(std::string_view text);

private:
    std::vector<std::string> m_items;
    std::int32_t m_counter = 0;
};
