#include "TextFileReader.h"

#include "Utf8.h"

#include <cerrno>
#include <sys/stat.h>

namespace {

// Code points of the bytes 0x80 to 0x9F in code page 1252 (0 where it has no character); the
// other bytes are the code points of the same number.
const char32_t CP1252_HIGH[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The first `max` bytes of a text, cut before a character that would be split.
std::string CutAtCharacter(std::string text, std::size_t max) {
    if (text.size() <= max) {
        return text;
    }
    std::size_t cut = max;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    text.resize(cut);
    return text;
}

} // namespace

std::string CTextFileReader::ToUtf8(std::string_view bytes) {
    if (Utf8::Sanitize(bytes) == bytes) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        char32_t cp = byte;
        if (byte >= 0x80 && byte < 0xA0) {
            cp = CP1252_HIGH[byte - 0x80] != 0 ? CP1252_HIGH[byte - 0x80] : 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

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
    // A long UTF-8 line is cut before a split character; a line that is not UTF-8 even then is
    // decoded as code page 1252 first and cut afterwards.
    std::string text = CutAtCharacter(raw, MAX_LINE_BYTES);
    if (Utf8::Sanitize(text) != text) {
        text = CutAtCharacter(ToUtf8(raw.substr(0, MAX_LINE_BYTES)), MAX_LINE_BYTES);
    }
    line = std::move(text);
    return true;
}
