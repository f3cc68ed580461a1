#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// The per-user store of named numbers and strings under a key path. Each key path is one flat JSON
// object in the settings folder, named after the path's last component ("...\Settings" ->
// Settings.json). Every write rewrites the file atomically and keeps the values it does not know.
// A file that cannot be parsed is moved aside, reported on standard error, and reads as empty.
class CSettingsStore {
public:
    enum class EResult { Ok, Missing, WrongType, NoKey, WriteFailed };

    explicit CSettingsStore(const std::string& keyPath);

    EResult ReadNumber(const std::string& name, std::int32_t& value) const;
    EResult ReadString(const std::string& name, std::string& value) const;
    // Reads several values from one reading of the file.
    struct SRead {
        std::string name;
        bool isString = false;
        EResult result = EResult::Missing;
        std::int32_t number = 0;
        std::string text;
    };
    void ReadValues(std::vector<SRead>& reads) const;

    EResult WriteNumber(const std::string& name, std::int32_t value) const;
    EResult WriteString(const std::string& name, const std::string& value) const;

    // Writes several values in one atomic replacement of the file: all of them or none.
    struct SEntry {
        std::string name;
        std::variant<std::int32_t, std::string> value;
    };
    EResult WriteValues(const std::vector<SEntry>& entries) const;

    const std::string& FilePath() const { return m_path; }
    static std::string FileForKeyPath(const std::string& keyPath);

private:
    std::string m_path;
};
