// The version-1 import: IdInfo.dat and EventSave.dat as an old installation may have left them,
// copied into a new database. Bytes 0 and 1 (little-endian) are the length of IdInfo.dat; the
// rest after it is EventSave.dat.
#include "DbConvertVer01.h"
#include "Dictionary.h"
#include "FrontEnd.h"
#include "FuzzSupport.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Answers every question with its first button and shows nothing.
class CQuietFrontEnd : public IFrontEnd {
public:
    EResult MessageBox(const std::string&, EButtons, EIcon, int) override { return EResult::Ok; }
    void SetPaneText(int, const std::string&) override {}
    void AddSystemInfo(const std::string&, bool) override {}
    void Beep(EBeep) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        CDictionary& dictionary = CDictionary::Instance();
        const bool ok = dictionary.Load() && dictionary.SetLanguage("en");
        dictionary.InstallAsTranslator();
        return ok;
    }();
    static const std::string folder = Fuzz::ScratchFolder() + "/ver01/";
    static CQuietFrontEnd frontEnd;
    static const CFakeClock clock;
    if (!ready) {
        std::abort();
    }
    if (size < 2) {
        return 0;
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::filesystem::create_directories(folder);
    const std::size_t objects = std::min<std::size_t>(size - 2, data[0] | data[1] << 8);
    Fuzz::WriteFile(folder + CDbConvertVer01::OBJECT_FILE, data + 2, objects);
    Fuzz::WriteFile(folder + CDbConvertVer01::ALARM_FILE, data + 2 + objects, size - 2 - objects);

    CDbConvertVer01 convert(frontEnd, folder, "Anna", clock);
    if (!convert.CreateDatabase()) {
        std::abort();
    }
    // Both files are there and readable to their end: nothing in them may fail the import.
    if (!convert.Convert()) {
        std::abort();
    }
    return 0;
}
