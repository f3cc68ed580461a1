// Every reply frame of the telephone modem as the telephone handler decodes it, the modem
// information reply among them: byte 0 the reply code, byte 1 the flags, then the parameters.
#include "ComMsg.h"
#include "SwHwInfo.h"
#include "TelInfo.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CTelInfo info;
    if (size == 0) {
        return 0;
    }
    CComMsg frame;
    const std::size_t n = std::min(size, frame.Data.size());
    std::copy(data, data + n, frame.Data.begin());
    // The length the link reported; it may claim more than arrived, as a damaged frame could.
    frame.Length = static_cast<std::uint16_t>(size > frame.Data.size() ? data[frame.Data.size()] : n - 1);
    std::unique_ptr<CTelMsg> reply = info.Decode(frame);
    if (reply && reply->Kind == TELMSG_RX_SWHW_INFO && !reply->SwHwInfo) {
        std::abort();
    }
    return 0;
}
