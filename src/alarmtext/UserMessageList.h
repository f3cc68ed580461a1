#pragma once

#include <string>
#include <string_view>
#include <vector>

// The file of the user message editor, "UserMsg99.txt": the list of codes and their message
// texts as the editor shows them. It is the last file the user message lookup searches, so what
// the editor writes overrides the other user message files.
class CUserMessageList {
public:
    static constexpr const char* FILE_NAME = "UserMsg99.txt";

    struct SEntry {
        std::string Code; // "%c%03d", such as a005
        std::string Text; // lines, each ended by CR LF as the editor shows them
    };

    enum EResult {
        USERMSGLIST_OK = 0,
        USERMSGLIST_CREATED = 1,     // there was no file; an empty one was written
        USERMSGLIST_OPEN_ERROR = 2,  // the file exists but cannot be read; the list is empty
        USERMSGLIST_WRITE_ERROR = 3, // the file could not be written
    };

    // Replaces the list by the file's entries. A missing file is created at once, empty.
    EResult Load(const std::string& path);
    // Writes the list (a temporary file renamed over the old one, so a failed save keeps it).
    EResult Save(const std::string& path) const;

    std::vector<SEntry>& Entries() { return m_entries; }
    const std::vector<SEntry>& Entries() const { return m_entries; }

    // "%c%03d" of a letter and a number.
    static std::string FormatCode(char letter, int number);
    // A code as the add dialog accepts it: a letter a-z or A-Z and three digits up to 255.
    static bool IsValidCode(std::string_view code);

private:
    std::vector<SEntry> m_entries;
};
