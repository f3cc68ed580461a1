// The P100 message decoder, given what the modem reported after the reply code and flags.
#include "P100Info.h"
#include "TelHandlerMsg.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CP100Info p100;
    std::unique_ptr<CTelHandlerMsg> record = p100.Decode(std::span<const std::uint8_t>(data, size));
    if (record && (record->ID.size() > 64 || record->UserDataLen > record->UserData.size())) {
        std::abort();
    }
    return 0;
}
