#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void WriteEnvironment(const char* name, const char* value) {
    if (value != nullptr) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

CTempDir::EnvironmentWriter g_writeEnvironment = WriteEnvironment;

} // namespace

void CTempDir::SetEnvironmentWriter(EnvironmentWriter writer) {
    g_writeEnvironment = writer != nullptr ? writer : WriteEnvironment;
}

void CTempDir::SetEnvironment(const char* name, const char* value) {
    g_writeEnvironment(name, value);
}

CTempDir::CTempDir() {
    std::string pattern = (fs::temp_directory_path() / "mora-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
}

CTempDir::~CTempDir() {
    if (m_entered) {
        if (chdir(m_oldCwd.c_str()) != 0) {
            // Nothing sensible left to do in a destructor.
        }
    }
    if (m_settings) {
        SetEnvironment("MORA_CONFIG_DIR", m_hadConfig ? m_oldConfig.c_str() : nullptr);
    }
    std::error_code ec;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

void CTempDir::Enter() {
    m_oldCwd = fs::current_path().string();
    fs::current_path(m_path);
    m_entered = true;
}

void CTempDir::UseAsSettingsFolder() {
    if (const char* old = std::getenv("MORA_CONFIG_DIR")) {
        m_hadConfig = true;
        m_oldConfig = old;
    }
    SetEnvironment("MORA_CONFIG_DIR", m_path.c_str());
    m_settings = true;
}

std::string CTempDir::ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void CTempDir::WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}
