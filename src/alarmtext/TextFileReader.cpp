#include "TextFileReader.h"

#include "Utf8.h"

#include <cerrno>
#include <sys/stat.h>

CTextFileReader::~CTextFileReader() {
    Close();
}

bool CTextFileReader::Open(const std::string& path) {
    Close();
    m_openError = 0;
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        m_openError = errno;
        return false;
    }
    // fopen succeeds on a folder on Linux; treat it like a file that cannot be read.
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
        std::fclose(file);
        m_openError = EISDIR;
        return false;
    }
    m_file = file;
    return true;
}

void CTextFileReader::Close() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

bool CTextFileReader::ReadLine(std::string& line) {
    line.clear();
    if (m_file == nullptr) {
        return false;
    }
    std::string raw;
    bool any = false;
    int c = 0;
    while ((c = std::getc(m_file)) != EOF) {
        any = true;
        if (c == '\n') {
            break;
        }
        if (c != '\0' && raw.size() < MAX_LINE_BYTES + 1) {
            raw += static_cast<char>(c);
        }
    }
    if (!any) {
        return false;
    }
    // The CR of a CR LF line end.
    if (!raw.empty() && raw.back() == '\r') {
        raw.pop_back();
    }
    if (raw.size() > MAX_LINE_BYTES) {
        // Cut on a character boundary: drop continuation bytes of a split sequence.
        std::size_t cut = MAX_LINE_BYTES;
        while (cut > 0 && (static_cast<unsigned char>(raw[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        raw.resize(cut);
    }
    line = Utf8::Sanitize(raw);
    return true;
}
