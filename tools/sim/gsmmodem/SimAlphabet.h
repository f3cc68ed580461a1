#pragma once

#include <string>
#include <string_view>

// The GSM 03.38 default alphabet and its extension table, as a real modem in text mode with
// AT+CSCS="GSM" puts them on the wire: one byte per septet, extension characters as the escape
// byte 27 followed by their code. Kept apart from the station's own conversion on purpose.
namespace SimAlphabet {

// UTF-8 to GSM bytes. Characters outside both tables become '?'.
std::string Encode(std::string_view utf8);

// GSM bytes to UTF-8 with the real glyphs (Greek capitals, euro sign, ...). Bytes of 128 or more
// and unknown escape codes become U+FFFD.
std::string Decode(std::string_view gsm);

// Number of septets Encode gives (escape sequences count two), the length a modem reports.
std::size_t SeptetCount(std::string_view utf8);

} // namespace SimAlphabet
