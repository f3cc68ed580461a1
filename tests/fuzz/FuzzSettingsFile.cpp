// The settings file (Settings.json) as a user, a crash or another program may have left it.
#include "FuzzSupport.h"
#include "Settings.h"
#include "SettingsStore.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = [] {
        const std::string path = Fuzz::ScratchFolder() + "/config";
        ::setenv("MORA_CONFIG_DIR", path.c_str(), 1);
        return path;
    }();
    // A file that cannot be parsed is moved aside: start every run in an empty folder.
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::filesystem::create_directories(folder);
    const std::string file = CSettingsStore::FileForKeyPath("Software\\Brennvik\\MORA\\Settings");
    Fuzz::WriteFile(file, data, size);

    CSettings settings;
    settings.Load();
    // What was read is written back and reads the same.
    if (!settings.SaveAll()) {
        std::abort();
    }
    CSettings again;
    again.Load();
    if (!(settings.Values() == again.Values())) {
        std::abort();
    }
    return 0;
}
