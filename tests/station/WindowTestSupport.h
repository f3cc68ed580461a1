#pragma once

#include "DatabaseHandler.h"
#include "Msg.h"
#include "MsgSink.h"
#include "RecordingFrontEnd.h"
#include "SqliteDb.h"
#include "TempDir.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Loads the built-in dictionary once and makes English current, so tests check the real texts.
void UseEnglishTexts();

// Keeps whatever is put to it.
class CKeepingSink : public IMsgSink {
public:
    void PutMsg(MsgPtr msg) override {
        std::lock_guard guard(m_lock);
        m_msgs.push_back(std::move(msg));
    }
    std::vector<MsgPtr> Take() {
        std::lock_guard guard(m_lock);
        return std::move(m_msgs);
    }

private:
    std::mutex m_lock;
    std::vector<MsgPtr> m_msgs;
};

// A new station database in a temporary folder with the database service on it: requests run
// as the user-interface thread runs them, and their reply is handed back.
class CTestDatabase {
public:
    CTestDatabase();
    ~CTestDatabase();

    // Runs a request and returns its one reply.
    MsgPtr Request(MsgPtr request);
    CDatabaseHandler& Handler() { return *m_handler; }
    const std::string& Folder() const { return m_dir.Path(); }

private:
    CTempDir m_dir;
    CRecordingFrontEnd m_frontEnd;
    CFakeClock m_clock;
    CKeepingSink m_sink;
    CSqliteDb m_db;
    std::unique_ptr<CDatabaseHandler> m_handler;
};
