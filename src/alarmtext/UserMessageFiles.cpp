#include "UserMessageFiles.h"

#include "TextFileReader.h"

#include <cstdio>

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

CUserMessageFiles::CUserMessageFiles(std::string folder) : m_folder(std::move(folder)) {
    if (!m_folder.empty() && m_folder.back() != '/') {
        m_folder += '/';
    }
}

std::vector<std::string> CUserMessageFiles::FileNames() {
    std::vector<std::string> names;
    names.reserve(FILE_COUNT);
    names.emplace_back("UserMsg.txt");
    for (int i = 0; i < 100; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "UserMsg%02d.txt", i);
        names.emplace_back(name);
    }
    return names;
}

std::string CUserMessageFiles::LookupUserMessage(char letter, int number) const {
    std::string result;
    for (const std::string& name : FileNames()) {
        std::string text = LookupInFile(m_folder + name, letter, number);
        if (!text.empty()) {
            result = std::move(text);
        }
    }
    return result;
}

bool CUserMessageFiles::IsLabelOf(const std::string& line, char letter, int number) {
    if (line.size() < 3 || line.size() > 5 || line[0] != ':') {
        return false;
    }
    if (!IsAsciiLetter(line[1]) || line[1] != letter) {
        return false;
    }
    int value = 0;
    for (std::size_t i = 2; i < line.size(); ++i) {
        if (line[i] < '0' || line[i] > '9') {
            return false;
        }
        value = value * 10 + (line[i] - '0');
    }
    return value < 256 && value == number;
}

std::string CUserMessageFiles::LookupInFile(const std::string& path, char letter, int number) {
    CTextFileReader reader;
    if (!reader.Open(path)) {
        return {};
    }
    std::string line;
    bool found = false;
    while (reader.ReadLine(line)) {
        if (IsLabelOf(line, letter, number)) {
            found = true;
            break;
        }
    }
    if (!found) {
        return {};
    }
    std::string text;
    int taken = 0;
    while (reader.ReadLine(line)) {
        if (!line.empty() && line[0] == ':') {
            break;
        }
        if (line.empty() || taken >= MAX_LINES) {
            continue;
        }
        text += line;
        text += '\n';
        ++taken;
    }
    return text;
}
