#include "SettingsStore.h"

#include "Paths.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <limits>
#include <sstream>
#include <unistd.h>

using nlohmann::json;

namespace {

enum class ELoad { Ok, NoFile, Unreadable };

// Reads the store file. A file that exists but is not a JSON object is moved aside so that the
// next write cannot overwrite what it holds.
ELoad Load(const std::string& path, json& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        out = json::object();
        return errno == ENOENT ? ELoad::NoFile : ELoad::Unreadable;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    in.close();
    json parsed = json::parse(buffer.str(), nullptr, false);
    if (parsed.is_object()) {
        out = std::move(parsed);
        return ELoad::Ok;
    }
    const auto stamp =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    const std::string aside = path + ".corrupt-" + std::to_string(stamp);
    if (std::rename(path.c_str(), aside.c_str()) == 0) {
        std::fprintf(stderr, "Settings: %s could not be read; it was moved to %s and the defaults apply\n",
                     path.c_str(), aside.c_str());
    } else {
        std::fprintf(stderr, "Settings: %s could not be read and not moved aside: %s\n", path.c_str(),
                     std::strerror(errno));
    }
    out = json::object();
    return ELoad::Unreadable;
}

bool WriteAtomically(const std::string& path, const std::string& text) {
    const std::string tmp = path + ".tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    std::size_t done = 0;
    bool ok = true;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

template <class Fill> CSettingsStore::EResult Update(const std::string& path, Fill fill) {
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && !Paths::MakeFolders(path.substr(0, slash))) {
        return CSettingsStore::EResult::NoKey;
    }
    json doc;
    Load(path, doc);
    fill(doc);
    if (!WriteAtomically(path, doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n")) {
        std::fprintf(stderr, "Settings: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return CSettingsStore::EResult::WriteFailed;
    }
    return CSettingsStore::EResult::Ok;
}

} // namespace

CSettingsStore::CSettingsStore(const std::string& keyPath) : m_path(FileForKeyPath(keyPath)) {}

std::string CSettingsStore::FileForKeyPath(const std::string& keyPath) {
    std::string name = keyPath;
    while (!name.empty() && (name.back() == '\\' || name.back() == '/')) {
        name.pop_back();
    }
    const auto sep = name.find_last_of("\\/");
    if (sep != std::string::npos) {
        name = name.substr(sep + 1);
    }
    if (name.empty()) {
        name = "Settings";
    }
    return Paths::SettingsFolder() + "/" + name + ".json";
}

namespace {

CSettingsStore::EResult NumberOf(const json& doc, const std::string& name, std::int32_t& value) {
    const auto it = doc.find(name);
    if (it == doc.end()) {
        return CSettingsStore::EResult::Missing;
    }
    if (it->is_number_unsigned()) {
        const auto v = it->get<std::uint64_t>();
        if (v > std::numeric_limits<std::uint32_t>::max()) {
            return CSettingsStore::EResult::WrongType;
        }
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        return CSettingsStore::EResult::Ok;
    }
    if (it->is_number_integer()) {
        const auto v = it->get<std::int64_t>();
        if (v < std::numeric_limits<std::int32_t>::min()) {
            return CSettingsStore::EResult::WrongType;
        }
        value = static_cast<std::int32_t>(v);
        return CSettingsStore::EResult::Ok;
    }
    return CSettingsStore::EResult::WrongType;
}

CSettingsStore::EResult StringOf(const json& doc, const std::string& name, std::string& value) {
    const auto it = doc.find(name);
    if (it == doc.end()) {
        return CSettingsStore::EResult::Missing;
    }
    if (!it->is_string()) {
        return CSettingsStore::EResult::WrongType;
    }
    value = it->get<std::string>();
    return CSettingsStore::EResult::Ok;
}

} // namespace

CSettingsStore::EResult CSettingsStore::ReadNumber(const std::string& name, std::int32_t& value) const {
    json doc;
    if (Load(m_path, doc) == ELoad::NoFile) {
        return EResult::NoKey;
    }
    return NumberOf(doc, name, value);
}

CSettingsStore::EResult CSettingsStore::ReadString(const std::string& name, std::string& value) const {
    json doc;
    if (Load(m_path, doc) == ELoad::NoFile) {
        return EResult::NoKey;
    }
    return StringOf(doc, name, value);
}

void CSettingsStore::ReadValues(std::vector<SRead>& reads) const {
    json doc;
    const bool noFile = Load(m_path, doc) == ELoad::NoFile;
    for (SRead& read : reads) {
        if (noFile) {
            read.result = EResult::NoKey;
        } else if (read.isString) {
            read.result = StringOf(doc, read.name, read.text);
        } else {
            read.result = NumberOf(doc, read.name, read.number);
        }
    }
}

CSettingsStore::EResult CSettingsStore::WriteNumber(const std::string& name, std::int32_t value) const {
    return Update(m_path, [&](json& doc) { doc[name] = value; });
}

CSettingsStore::EResult CSettingsStore::WriteString(const std::string& name, const std::string& value) const {
    return Update(m_path, [&](json& doc) { doc[name] = value; });
}

CSettingsStore::EResult CSettingsStore::WriteValues(const std::vector<SEntry>& entries) const {
    return Update(m_path, [&](json& doc) {
        for (const SEntry& e : entries) {
            std::visit([&](const auto& v) { doc[e.name] = v; }, e.value);
        }
    });
}
