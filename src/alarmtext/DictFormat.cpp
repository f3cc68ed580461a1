#include "DictFormat.h"

#include "Translate.h"

#include <cstdarg>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

// One letter per argument a format consumes: i int, l long, L long long, f double, s string,
// p pointer. False for anything this code never passes.
bool ArgumentSignature(const std::string& format, std::string& signature) {
    signature.clear();
    std::size_t i = 0;
    const std::size_t n = format.size();
    while (i < n) {
        if (format[i++] != '%') {
            continue;
        }
        if (i < n && format[i] == '%') {
            ++i;
            continue;
        }
        while (i < n && std::string_view("-+ #0'").find(format[i]) != std::string_view::npos) {
            ++i;
        }
        if (i < n && format[i] == '*') {
            signature += 'i';
            ++i;
        } else {
            while (i < n && format[i] >= '0' && format[i] <= '9') {
                ++i;
            }
        }
        if (i < n && format[i] == '.') {
            ++i;
            if (i < n && format[i] == '*') {
                signature += 'i';
                ++i;
            } else {
                while (i < n && format[i] >= '0' && format[i] <= '9') {
                    ++i;
                }
            }
        }
        int longs = 0;
        bool shortInt = false;
        while (i < n && (format[i] == 'l' || format[i] == 'h')) {
            if (format[i] == 'l') {
                ++longs;
            } else {
                shortInt = true;
            }
            ++i;
        }
        if (i >= n || longs > 2 || (shortInt && longs > 0)) {
            return false;
        }
        const char conversion = format[i++];
        switch (conversion) {
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X':
            signature += longs == 0 ? 'i' : (longs == 1 ? 'l' : 'L');
            break;
        case 'c':
            if (longs != 0) {
                return false;
            }
            signature += 'i';
            break;
        case 's':
            if (longs != 0 || shortInt) {
                return false;
            }
            signature += 's';
            break;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            if (longs > 1 || shortInt) {
                return false;
            }
            signature += 'f';
            break;
        case 'p':
            signature += 'p';
            break;
        default: // %n, positional arguments, wide or unknown conversions
            return false;
        }
    }
    return true;
}

} // namespace

namespace DictFormat {

bool FitsArguments(const std::string& format, const std::string& reference) {
    std::string wanted;
    std::string given;
    if (!ArgumentSignature(reference, wanted) || !ArgumentSignature(format, given)) {
        return false;
    }
    return wanted.compare(0, given.size(), given) == 0;
}

std::string TrF(const char* tag, const char* englishFormat, ...) {
    std::string format = Text::Tr(tag);
    if (!FitsArguments(format, englishFormat)) {
        format = englishFormat;
    }
    va_list args;
    va_start(args, englishFormat);
    va_list copy;
    va_copy(copy, args);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int needed = std::vsnprintf(nullptr, 0, format.c_str(), copy);
    va_end(copy);
    std::string text;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format.c_str(), args);
        text.assign(buffer.data(), static_cast<std::size_t>(needed));
    }
#pragma GCC diagnostic pop
    va_end(args);
    return text;
}

} // namespace DictFormat
