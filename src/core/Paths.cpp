#include "Paths.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? std::string(v) : std::string();
}

std::string HomeFolder() {
    std::string home = Env("HOME");
    if (home.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) {
            home = pw->pw_dir;
        }
    }
    return home;
}

} // namespace

namespace Paths {

std::string SettingsFolder() {
    if (std::string dir = Env("MORA_CONFIG_DIR"); !dir.empty()) {
        return dir;
    }
    std::string base = Env("XDG_CONFIG_HOME");
    if (base.empty()) {
        base = HomeFolder() + "/.config";
    }
    return base + "/Brennvik/MORA";
}

std::string SerialDevice(int port) {
    const std::string name = "COM" + std::to_string(port);
    if (std::string dir = Env("MORA_SERIAL_DIR"); !dir.empty()) {
        return dir + "/" + name;
    }
    const std::string link = SettingsFolder() + "/serial/" + name;
    std::error_code ec;
    if (fs::exists(fs::symlink_status(link, ec))) {
        return link;
    }
    return "/dev/ttyS" + std::to_string(port - 1);
}

std::string WorkingDirectory() {
    std::error_code ec;
    fs::path cwd = fs::current_path(ec);
    if (ec || cwd.empty()) {
        cwd = ".";
    }
    // Appending an empty element gives the trailing separator.
    cwd /= "";
    return cwd.string();
}

bool MakeFolders(const std::string& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

} // namespace Paths
