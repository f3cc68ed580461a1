#pragma once

class CSqliteDb;

// A write transaction: begun at construction (taking the write lock at once), rolled back at
// destruction unless Commit() ran. Throws CDbException on an engine error.
//
// Inside a transaction that is already open it joins it and does nothing itself, so a batch (an
// import, a supervision run) commits many changes at once with one write to disk.
class CSqliteTransaction {
public:
    explicit CSqliteTransaction(CSqliteDb& db);
    ~CSqliteTransaction();
    CSqliteTransaction(const CSqliteTransaction&) = delete;
    CSqliteTransaction& operator=(const CSqliteTransaction&) = delete;

    void Commit();

private:
    CSqliteDb& m_db;
    bool m_open = false;
    bool m_joined = false;
};
