#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

// Reads a site-edited text file line by line as text mode would: a line ends at LF, and a CR
// before it belongs to the line end (files edited on Windows). Lines are cut after MAX_LINE_BYTES
// (the rest of the line is skipped, never read into memory) and NUL bytes are dropped. A line that
// is not valid UTF-8 was written on Windows and is read as code page 1252, so whatever the file
// holds, what comes out is bounded, valid text with the site's letters.
class CTextFileReader {
public:
    static constexpr std::size_t MAX_LINE_BYTES = 4096;

    CTextFileReader() = default;
    ~CTextFileReader();
    CTextFileReader(const CTextFileReader&) = delete;
    CTextFileReader& operator=(const CTextFileReader&) = delete;

    // False when the file cannot be opened for reading (missing, no permission, a folder).
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }

    // The next line without its line end; false at the end of the file or on a read error.
    bool ReadLine(std::string& line);

    // errno of the failed Open (ENOENT for a missing file).
    int OpenError() const { return m_openError; }

    // Text of a site file as UTF-8: kept when it already is valid UTF-8, else read as code page
    // 1252 (its bytes without a character there become U+FFFD).
    static std::string ToUtf8(std::string_view bytes);

private:
    std::FILE* m_file = nullptr;
    int m_openError = 0;
};
