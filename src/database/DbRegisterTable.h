#pragma once

#include "DatabaseMsg.h"
#include "DbResults.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class CDatabaseHandler;
class CSqliteDb;

// The four operations shared by the three small tables (customers, mail recipients, SMS
// recipients): a key column that add keeps unique, and one other text column. Traits name the
// table, its columns, its message classes, its reply kinds and its message-box prefixes.
template <class Traits> class CDbRegisterTable {
public:
    using Record = typename Traits::Record;
    using Request = typename Traits::Request;

    explicit CDbRegisterTable(CDatabaseHandler& handler) : m_handler(handler) {}
    virtual ~CDbRegisterTable() = default;
    CDbRegisterTable(const CDbRegisterTable&) = delete;
    CDbRegisterTable& operator=(const CDbRegisterTable&) = delete;

    void SetDatabase(CSqliteDb* db) { m_db = db; }

    // 1 added, 2 key exists, 3 engine error.
    std::unique_ptr<CDatabaseMsg> Add(const Record& record);
    // A chain of records: 4 by key, 5 all rows, 6 nothing, 7 engine error.
    std::unique_ptr<Record> Find(const Request& request);
    // Changes the other column of the row with the record's key: 8, 9 no row, 10 engine error.
    std::unique_ptr<CDatabaseMsg> Edit(const Record& record);
    // 11 deleted, 12 no row, 13 engine error.
    std::unique_ptr<CDatabaseMsg> Delete(const Request& request);

private:
    CSqliteDb& Db() const;

    CDatabaseHandler& m_handler;
    CSqliteDb* m_db = nullptr;
};
