// The GSM modem's line reader, fed over a pseudo-terminal as the modem would send. The first
// byte says where silence falls; the second, when not 0, starts a raw-text countdown as the text
// of a listed SMS would.
#include "AtCmdProt.h"
#include "FuzzSupport.h"

#include <cstdlib>

namespace {

constexpr std::size_t PIECE = 200;

struct SRig {
    CFakeClock clock{100000};
    Fuzz::CPtyPeer modem{2};
    CAtCmdProt at{clock};
    SRig() {
        if (at.Open(2, 9600) != CAtCmdProt::ATCMDPROT_OPEN_OK) {
            std::abort();
        }
    }
};

void Check(int result, const std::string& line) {
    if (result == CAtCmdProt::ATCMDPROT_RECEIVE_ERROR) {
        std::abort();
    }
    if (result == CAtCmdProt::ATCMDPROT_RECEIVE_LINE && line.size() > std::size_t(CAtCmdProt::MAX_LINE)) {
        std::abort();
    }
}

// Silence on the line: a started line ends by itself.
void Pause(SRig& rig) {
    rig.clock.Advance(CAtCmdProt::IDLE_LINE_END_MS + 10);
    std::string line;
    Check(rig.at.ReadLine(line), line);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Never destroyed: its timers must not outlive the thread state they note deadlines in.
    static SRig& rig = *new SRig;
    if (size < 2) {
        return 0;
    }
    if (data[1] != 0) {
        rig.at.SetRawTextCount(static_cast<std::int16_t>(data[1]));
    }
    const Fuzz::SPieces input = Fuzz::Split(data + 1, size - 1);
    const std::uint8_t gapMask = data[0];
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(input.rest.data());
    std::size_t left = input.rest.size();
    for (int piece = 0; left > 0; ++piece) {
        const std::size_t n = left < PIECE ? left : PIECE;
        rig.modem.Send(bytes, n);
        Fuzz::Consume(
            rig.modem,
            [&] {
                std::string line;
                Check(rig.at.ReadLine(line), line);
            },
            [&] { return rig.at.HasBufferedInput(); });
        bytes += n;
        left -= n;
        if (piece < 8 && (gapMask >> piece & 1) != 0) {
            Pause(rig);
        }
    }
    Pause(rig);
    rig.at.CancelRawText();
    return 0;
}
