#pragma once

#include <string>
#include <vector>

// The user message files: site-edited text files that give the lines appended to an alarm from
// a lift monitoring unit for its user message code (a letter and a number 0 to 255). A block
// starts with a label line such as ":a005" (also ":a5" or ":a05") and runs to the next line that
// starts with ':'. Nothing is cached: an edited file counts from the next alarm on.
class CUserMessageFiles {
public:
    static constexpr int MAX_LINES = 30;
    static constexpr int FILE_COUNT = 101;

    // folder: where the files are; empty means the working directory.
    explicit CUserMessageFiles(std::string folder = {});

    // The lines of the code, each followed by a line feed, or empty. Searches "UserMsg.txt", then
    // "UserMsg00.txt" to "UserMsg99.txt"; of the files that define the code the last one wins.
    std::string LookupUserMessage(char letter, int number) const;

    // The text of the first block of one file for the code (empty when none or unreadable).
    static std::string LookupInFile(const std::string& path, char letter, int number);

    // True when `line` is a label line of the code.
    static bool IsLabelOf(const std::string& line, char letter, int number);

    // The file names in search order.
    static std::vector<std::string> FileNames();

private:
    std::string m_folder;
};
