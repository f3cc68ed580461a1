#pragma once

#include <string>

// printf formatting of dictionary texts on the alarm path. A translated format whose conversions
// do not fit the arguments (a wrong translation, %n, positional arguments) would be undefined
// behaviour; such a text is replaced by the English format the caller passes, which is known to
// match. A translation with fewer conversions than the English one is safe and used as it is.
namespace DictFormat {

// Text of `tag` formatted with the arguments; `englishFormat` is the tag's English text.
std::string TrF(const char* tag, const char* englishFormat, ...) __attribute__((format(printf, 2, 3)));

// True when `format` may be given the arguments that `reference` expects.
bool FitsArguments(const std::string& format, const std::string& reference);

} // namespace DictFormat
