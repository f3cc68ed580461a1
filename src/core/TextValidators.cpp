#include "TextValidators.h"

#include "Utf8.h"

#include <algorithm>

namespace {

bool AllDigits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsIntlNumber(std::string_view s) {
    return s.size() >= 2 && s[0] == '+' && AllDigits(s.substr(1));
}

template <class Pred> bool EveryPartPasses(std::string_view text, Pred pass) {
    const auto parts = TextValidators::CutList(text);
    return std::all_of(parts.begin(), parts.end(),
                       [&](const TextValidators::ListPart& p) { return pass(p.text); });
}

} // namespace

namespace TextValidators {

std::vector<ListPart> CutList(std::string_view text) {
    std::vector<ListPart> parts;
    std::string current;
    for (char c : text) {
        if (c == ' ') {
            continue;
        }
        if (c == ',' || c == ';') {
            parts.push_back({current, true});
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) {
        parts.push_back({current, false});
    }
    return parts;
}

bool IsValidIdOrNumber(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    if (text[0] == '+') {
        return IsIntlNumber(text);
    }
    return text.size() >= 6 && text.size() <= 8 && AllDigits(text);
}

bool IsValidOptionalIntlNumber(std::string_view text) {
    return text.empty() || IsIntlNumber(text);
}

bool IsValidAddressList(std::string_view text) {
    return EveryPartPasses(text, [](const std::string& part) {
        if (Utf8::Length(part) < 3) {
            return false;
        }
        // An address without any at sign cannot be delivered, so it does not pass either.
        const auto at = part.find('@');
        return at != std::string::npos && at != 0 && at != part.size() - 1;
    });
}

bool IsValidNumberList(std::string_view text) {
    return EveryPartPasses(text, [](const std::string& part) {
        return !part.empty() && AllDigits(std::string_view(part).substr(1));
    });
}

} // namespace TextValidators
