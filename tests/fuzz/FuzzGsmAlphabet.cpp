// The conversions between the GSM default alphabet and the station's text, both ways.
#include "GsmInfo.h"
#include "Utf8.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Whatever the modem sends becomes valid text.
    const std::string text = CGsmInfo::GsmToText(bytes);
    if (Utf8::Sanitize(text) != text) {
        std::abort();
    }
    // Whatever the operator typed (even broken UTF-8) goes out as default-alphabet codes only,
    // never as the Ctrl-Z that ends the text or a stray escape.
    for (const std::string& source : {std::string(bytes), text}) {
        for (char c : CGsmInfo::TextToGsm(source)) {
            if (static_cast<unsigned char>(c) >= 128 || c == 26 || c == 27) {
                std::abort();
            }
        }
    }
    return 0;
}
