#pragma once

#include <string>

// A fresh folder under /tmp for one test, removed with everything in it when the object goes.
// Optionally makes it the working directory and the settings folder for the test's duration.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

    // chdir into the folder until destruction.
    void Enter();
    // Point MORA_CONFIG_DIR at the folder until destruction.
    void UseAsSettingsFolder();

    // Sets (or, with a null value, removes) an environment variable. Qt tests route it through
    // Qt, whose test watchdog thread reads the environment under Qt's own lock.
    using EnvironmentWriter = void (*)(const char* name, const char* value);
    static void SetEnvironmentWriter(EnvironmentWriter writer);
    static void SetEnvironment(const char* name, const char* value);

    static std::string ReadFile(const std::string& path);
    static void WriteFile(const std::string& path, const std::string& text);

private:
    std::string m_path;
    std::string m_oldCwd;
    bool m_entered = false;
    bool m_settings = false;
    std::string m_oldConfig;
    bool m_hadConfig = false;
};
