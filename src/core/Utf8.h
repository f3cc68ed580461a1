#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text is UTF-8 inside the program; lengths the design gives in characters count code points, and
// a cut never splits a sequence.
namespace Utf8 {

// Number of characters (code points; a stray continuation byte counts as one character).
std::size_t Length(std::string_view text);

// Byte offset just after the first `count` characters (or the text's size).
std::size_t ByteOffset(std::string_view text, std::size_t count);

// The first `count` characters.
std::string Left(std::string_view text, std::size_t count);

// Replaces every malformed sequence by U+FFFD so that what we store and show is valid UTF-8.
std::string Sanitize(std::string_view bytes);

} // namespace Utf8
