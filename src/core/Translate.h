#pragma once

#include <cstdarg>
#include <functional>
#include <string>

// Every text the operator sees is looked up by its tag (such as "IDS_TELMGR_MSG_5") in the
// current language. The dictionary installs itself as the translator at start-up; until then, and
// for an unknown tag, the text is "*NA*".
namespace Text {

using Translator = std::function<std::string(const std::string& tag)>;

// Installs the translator (thread-safe; pass an empty function to remove it).
void SetTranslator(Translator translator);

// The text of a tag in the current language.
std::string Tr(const std::string& tag);

// printf-formats the text of a tag. The dictionary's formats are printf formats; the caller's
// arguments must match the English text's conversions.
std::string TrF(const char* tag, ...);

// printf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string VFormat(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

inline constexpr const char* NOT_AVAILABLE = "*NA*";

} // namespace Text
