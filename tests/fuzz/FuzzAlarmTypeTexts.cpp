// AlarmTypeText.ini as a site may have edited (or damaged) it.
#include "AlarmTypeTexts.h"
#include "FuzzSupport.h"
#include "Utf8.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = Fuzz::ScratchFolder() + "/";
    Fuzz::WriteFile(folder + CAlarmTypeTexts::FILE_NAME, data, size);
    CAlarmTypeTexts texts;
    if (texts.LoadAlarmTypeTexts(folder) != CAlarmTypeTexts::ATT_LOAD_READ) {
        std::abort();
    }
    for (int slot = 0; slot < CAlarmTypeTexts::SLOT_COUNT; ++slot) {
        const std::string& text = texts.SlotText(slot);
        if (text.size() > CAlarmTypeTexts::MAX_BLOCK_BYTES || Utf8::Sanitize(text) != text) {
            std::abort();
        }
    }
    return 0;
}
