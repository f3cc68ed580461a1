// The GSM modem's replies as the station reads them: lines into replies, and a "+CMGL:" header
// with the text line after it into one SMS. Fed over a pseudo-terminal; the first byte says where
// silence falls.
#include "FuzzSupport.h"
#include "GsmInfo.h"
#include "Utf8.h"

#include <cstdlib>

namespace {

constexpr std::size_t PIECE = 200;

struct SRig {
    CFakeClock clock{100000};
    Fuzz::CPtyPeer modem{3};
    CGsmInfo gsm{clock};
    SRig() {
        if (gsm.Open(3, 9600) != CAtCmdProt::ATCMDPROT_OPEN_OK) {
            std::abort();
        }
    }
};

void Check(const std::unique_ptr<CGsmMsg>& reply) {
    if (!reply) {
        return;
    }
    // What reaches the alarm log must be valid text, however the modem garbled it.
    const auto valid = [](const std::string& text) { return Utf8::Sanitize(text) == text; };
    if (!valid(reply->Text) || !valid(reply->Number) || !valid(reply->Date) || !valid(reply->Time)) {
        std::abort();
    }
}

void Step(SRig& rig) {
    Check(rig.gsm.Receive());
    if (rig.gsm.TakePortFailure()) {
        std::abort();
    }
}

void Pause(SRig& rig, std::uint32_t ms) {
    rig.clock.Advance(ms);
    Step(rig);
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
            rig.modem, [&] { Step(rig); }, [&] { return rig.gsm.HasBufferedInput(); });
        bytes += n;
        left -= n;
        if (piece < 8 && (input.gapMask >> piece & 1) != 0) {
            Pause(rig, CAtCmdProt::IDLE_LINE_END_MS + 10);
        }
    }
    // Long enough for a line and for an SMS text that never came to be given up.
    Pause(rig, CAtCmdProt::IDLE_LINE_END_MS + 10);
    Pause(rig, CGsmInfo::TEXT_WAIT_MS + 10);
    if (rig.gsm.ReceiveState() != CGsmInfo::GSMINFO_RXST_NORMAL) {
        std::abort();
    }
    return 0;
}
