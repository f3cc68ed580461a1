// The CPC digit decoder, given what the modem reported after the reply code and flags.
#include "CpcInfo.h"
#include "TelHandlerMsg.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CCpcInfo cpc;
    std::unique_ptr<CTelHandlerMsg> record = cpc.Decode(std::span<const std::uint8_t>(data, size));
    // Whatever came in, the record's identity is bounded.
    if (record && record->ID.size() > 64) {
        std::abort();
    }
    return 0;
}
