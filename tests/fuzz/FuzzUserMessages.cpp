// A user message file as a site may have edited (or damaged) it. Bytes 0 and 1 are the code
// looked up (a letter and a number); the rest is the file.
#include "FuzzSupport.h"
#include "UserMessageFiles.h"
#include "Utf8.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = Fuzz::ScratchFolder() + "/usermsg/";
    static const bool made = std::filesystem::create_directories(folder);
    (void)made;
    if (size < 2) {
        return 0;
    }
    Fuzz::WriteFile(folder + "UserMsg.txt", data + 2, size - 2);
    const char letter = static_cast<char>(data[0]);
    const int number = data[1];
    const std::string text = CUserMessageFiles(folder).LookupUserMessage(letter, number);
    // At most the allowed lines, each ended by a line feed, and valid text.
    const auto lines = std::count(text.begin(), text.end(), '\n');
    if (lines > CUserMessageFiles::MAX_LINES || (!text.empty() && text.back() != '\n') ||
        Utf8::Sanitize(text) != text) {
        std::abort();
    }
    return 0;
}
