#include "SerialAccess.h"

#include "Paths.h"
#include "Translate.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

std::mutex g_openMutex;
SerialAccess::OpenFn g_open;

int SystemOpen(const char* path, int flags) {
    return ::open(path, flags);
}

} // namespace

namespace SerialAccess {

std::string UserName() {
    std::vector<char> buffer(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr) {
        return found->pw_name;
    }
    return std::to_string(::geteuid());
}

std::string DeviceGroup(const std::string& device) {
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0) {
        return "dialout";
    }
    std::vector<char> buffer(16384);
    group gr{};
    group* found = nullptr;
    if (::getgrgid_r(st.st_gid, &gr, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->gr_name != nullptr) {
        return found->gr_name;
    }
    return std::to_string(st.st_gid);
}

std::string DeniedNote(int port) {
    OpenFn open;
    {
        std::lock_guard<std::mutex> lock(g_openMutex);
        open = g_open;
    }
    return DeniedNote(port, open ? open : OpenFn(SystemOpen));
}

std::string DeniedNote(int port, const OpenFn& open) {
    const std::string mapped = Paths::SerialDevice(port);
    // The same flags as the port itself: no wait for carrier, no controlling terminal.
    const int fd = open(mapped.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return {};
    }
    if (errno != EACCES && errno != EPERM) {
        return {};
    }
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::canonical(mapped, ec);
    const std::string device = ec ? mapped : resolved.string();
    const std::string name = "COM" + std::to_string(port);
    return Text::TrF("IDS_SETCOMPORT_MSG_1", name.c_str(), device.c_str(), UserName().c_str(),
                     DeviceGroup(device).c_str());
}

void SetOpenFunction(OpenFn open) {
    std::lock_guard<std::mutex> lock(g_openMutex);
    g_open = std::move(open);
}

} // namespace SerialAccess
