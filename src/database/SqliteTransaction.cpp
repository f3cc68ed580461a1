#include "SqliteTransaction.h"

#include "SqliteDb.h"

CSqliteTransaction::CSqliteTransaction(CSqliteDb& db) : m_db(db) {
    if (m_db.InTransaction()) {
        m_joined = true;
        return;
    }
    m_db.Exec("BEGIN IMMEDIATE");
    m_open = true;
}

CSqliteTransaction::~CSqliteTransaction() {
    if (m_open) {
        try {
            m_db.Exec("ROLLBACK");
        } catch (...) {
            // The engine has already rolled back after the error that brought us here.
        }
    }
}

void CSqliteTransaction::Commit() {
    if (!m_open) {
        return;
    }
    m_open = false;
    try {
        m_db.Exec("COMMIT");
    } catch (...) {
        // A transaction left open would swallow every later change into a commit that never
        // comes: end it, and let the caller report the error.
        if (m_db.InTransaction()) {
            try {
                m_db.Exec("ROLLBACK");
            } catch (...) {
            }
        }
        throw;
    }
}
