#pragma once

#include <string>
#include <vector>

struct sqlite3;

// A read-only connection of its own to a database file, to check what really is in the file
// rather than what the station's own layer says about it.
class CSqliteReader {
public:
    explicit CSqliteReader(const std::string& path);
    ~CSqliteReader();
    CSqliteReader(const CSqliteReader&) = delete;
    CSqliteReader& operator=(const CSqliteReader&) = delete;

    bool IsOpen() const { return m_db != nullptr; }
    const std::string& Error() const { return m_error; }

    // Every row of a query, each column as text (NULL as "<null>"). Empty on error (see Error()).
    std::vector<std::vector<std::string>> Rows(const std::string& sql);

private:
    sqlite3* m_db = nullptr;
    std::string m_error;
};
