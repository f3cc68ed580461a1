#pragma once

#include <cstddef>
#include <string>

// Reads the delimiter-separated fields of a GSM modem reply one by one, dropping double quotes.
class CGpBuffer {
public:
    explicit CGpBuffer(std::string text = {}, char delimiter = ',')
        : m_text(std::move(text)), m_delimiter(delimiter) {}

    void SetText(std::string text) {
        m_text = std::move(text);
        m_position = 0;
    }
    void SetDelimiter(char delimiter) { m_delimiter = delimiter; }
    std::size_t Position() const { return m_position; }

    // The next field; once the text is used up every further call returns an empty field.
    std::string NextToken();

private:
    std::string m_text;
    char m_delimiter = ',';
    std::size_t m_position = 0;
};
