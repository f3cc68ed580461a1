// The telephone modem's frame reader, fed over a pseudo-terminal as the modem would send.
#include "FuzzSupport.h"
#include "TelLinkProt.h"

#include <cstdlib>

namespace {

constexpr std::size_t PIECE = 200;

struct SRig {
    CFakeClock clock{100000};
    Fuzz::CPtyPeer modem{1};
    CTelLinkProt link{clock};
    SRig() {
        if (!link.Open(1, 9600)) {
            std::abort();
        }
    }
};

void Step(SRig& rig) {
    std::uint8_t buffer[CTelLinkProt::FRAME_BUFFER_SIZE];
    std::uint16_t count = 0xFFFF;
    const std::uint16_t result = rig.link.ReadStep(buffer, count);
    if (result == CTelLinkProt::TELLINK_RX_READ_ERROR) {
        std::abort();
    }
    if (result == CTelLinkProt::TELLINK_RX_FRAME ? count > CTelLinkProt::MAX_DATA : count != 0) {
        std::abort();
    }
}

// A gap of silence: the reader must drop a half-received frame and start afresh.
void Pause(SRig& rig) {
    rig.clock.Advance(CTelLinkProt::INTER_BYTE_GAP_MS + 10);
    Step(rig);
    if (rig.link.RxStateNow() != CTelLinkProt::RX_COMMAND) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Never destroyed: its timers must not outlive the thread state they note deadlines in.
    static SRig& rig = *new SRig;
    const Fuzz::SPieces input = Fuzz::Split(data, size);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(input.rest.data());
    std::size_t left = input.rest.size();
    for (int piece = 0; left > 0; ++piece) {
        const std::size_t n = left < PIECE ? left : PIECE;
        rig.modem.Send(bytes, n);
        Fuzz::Consume(
            rig.modem, [&] { Step(rig); }, [&] { return rig.link.HasBufferedInput(); });
        bytes += n;
        left -= n;
        if (piece < 8 && (input.gapMask >> piece & 1) != 0) {
            Pause(rig);
        }
    }
    // The next input starts on a clean line.
    Pause(rig);
    return 0;
}
