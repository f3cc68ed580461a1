#include "Translate.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

namespace {

std::mutex g_lock;
std::shared_ptr<const Text::Translator> g_translator;

} // namespace

namespace Text {

std::string VFormat(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed <= 0) {
        return {};
    }
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<std::size_t>(needed));
}

void SetTranslator(Translator translator) {
    auto next = translator ? std::make_shared<const Translator>(std::move(translator)) : nullptr;
    std::lock_guard guard(g_lock);
    g_translator = std::move(next);
}

std::string Tr(const std::string& tag) {
    std::shared_ptr<const Translator> translator;
    {
        std::lock_guard guard(g_lock);
        translator = g_translator;
    }
    return translator ? (*translator)(tag) : std::string(NOT_AVAILABLE);
}

std::string TrF(const char* tag, ...) {
    const std::string format = Tr(tag);
    va_list args;
    va_start(args, tag);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::string text = VFormat(format.c_str(), args);
#pragma GCC diagnostic pop
    va_end(args);
    return text;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = VFormat(format, args);
    va_end(args);
    return text;
}

} // namespace Text
