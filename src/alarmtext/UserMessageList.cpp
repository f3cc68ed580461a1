#include "UserMessageList.h"

#include "TextFileReader.h"
#include "Utf8.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Decimal value of a label's number part as atoi reads it (leading blanks, a sign, digits up to
// the first other character), held within the range of an int.
int LabelNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < INT_MAX) {
            value = value * 10 + (text[i] - '0');
        }
    }
    if (value > INT_MAX) {
        value = INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::string CUserMessageList::FormatCode(char letter, int number) {
    char code[32];
    std::snprintf(code, sizeof(code), "%c%03d", letter, number);
    return code;
}

bool CUserMessageList::IsValidCode(std::string_view code) {
    if (code.size() != 4) {
        return false;
    }
    const char letter = code[0];
    if (!((letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z'))) {
        return false;
    }
    int value = 0;
    for (std::size_t i = 1; i < 4; ++i) {
        if (code[i] < '0' || code[i] > '9') {
            return false;
        }
        value = value * 10 + (code[i] - '0');
    }
    return value <= 255;
}

CUserMessageList::EResult CUserMessageList::Load(const std::string& path) {
    m_entries.clear();
    CTextFileReader reader;
    if (!reader.Open(path)) {
        if (reader.OpenError() != ENOENT) {
            // Never replace a file that is there but unreadable: it holds the site's texts.
            return USERMSGLIST_OPEN_ERROR;
        }
        return Save(path) == USERMSGLIST_OK ? USERMSGLIST_CREATED : USERMSGLIST_WRITE_ERROR;
    }
    std::string line;
    while (reader.ReadLine(line)) {
        if (!line.empty() && line[0] == ':') {
            SEntry entry;
            // The character after ':' and the number after it; a bare ':' shows as ?000.
            const std::string_view rest = std::string_view(line).substr(1);
            const std::size_t letterEnd = Utf8::ByteOffset(rest, 1);
            const std::string letter =
                letterEnd == 0 ? std::string("?") : std::string(rest.substr(0, letterEnd));
            char number[16];
            std::snprintf(number, sizeof(number), "%03d", LabelNumber(rest.substr(letterEnd)));
            entry.Code = letter + number;
            m_entries.push_back(std::move(entry));
        } else if (!m_entries.empty()) {
            m_entries.back().Text += line;
            m_entries.back().Text += "\r\n";
        }
    }
    return USERMSGLIST_OK;
}

CUserMessageList::EResult CUserMessageList::Save(const std::string& path) const {
    std::string content;
    for (const SEntry& entry : m_entries) {
        content += ':';
        content += entry.Code;
        content += '\n';
        for (char c : entry.Text) {
            if (c != '\r') {
                content += c;
            }
        }
        content += '\n';
    }
    const std::string temp = path + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return USERMSGLIST_WRITE_ERROR;
    }
    const bool written = WriteAll(fd, content) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return USERMSGLIST_WRITE_ERROR;
    }
    return USERMSGLIST_OK;
}
