#pragma once

#include "AlarmInfoMsg.h"
#include "Clock.h"
#include "DatabaseHandler.h"
#include "MsgSink.h"
#include "ObjectInfoMsg.h"
#include "RecordingFrontEnd.h"
#include "SqliteDb.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Collects what is posted to the user-interface queue (from any thread).
class CRecordingSink : public IMsgSink {
public:
    void PutMsg(MsgPtr msg) override;
    std::vector<MsgPtr> Take();
    std::size_t Count() const;
    // Waits (really, briefly) until n messages arrived; false after timeoutMs.
    bool WaitFor(std::size_t n, int timeoutMs = 5000) const;

private:
    mutable std::mutex m_lock;
    std::vector<MsgPtr> m_msgs;
};

// Fake time for a worker thread: the worker's Sleep moves the time on, while a sleep of the test's
// own thread (the start and stop handshake) waits really and leaves the time alone, so that the
// handshake gives the worker the real second it is designed to have.
class CWorkerFakeClock : public CFakeClock {
public:
    void Sleep(std::uint32_t milliseconds) const override;

private:
    std::thread::id m_testThread = std::this_thread::get_id();
};

// Loads the built-in dictionary in English once per process.
void UseEnglishDictionary();

// A new database in a temporary folder, opened durable, with a configured handler whose replies
// go to a recording sink, a recording front end and a fake clock.
class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string Folder() const { return m_dir.Path() + "/"; }
    // Runs a statement on the open database (test set-up and read-back).
    void Exec(const std::string& sql);
    // The first column of the first row, as text ("NULL" for NULL); "" when there is no row.
    std::string Query(const std::string& sql);
    std::int64_t QueryInt(const std::string& sql);

    // Sets the fake clock's local time.
    void SetNow(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

    std::unique_ptr<CObjectInfoMsg> MakeObject(const std::string& idCode, const std::string& phone = {});
    std::unique_ptr<CAlarmInfoMsg> MakeAlarm(const std::string& idCode, std::uint8_t type,
                                             std::uint8_t status, const CDateTime& time);
    // Adds an alarm through the table and returns its key.
    std::uint32_t AddAlarm(const std::string& idCode, std::uint8_t type, std::uint8_t status,
                           const CDateTime& time);

    CTempDir m_dir;
    CRecordingFrontEnd m_frontEnd;
    CWorkerFakeClock m_clock;
    CRecordingSink m_sink;
    CSqliteDb m_db;
    std::unique_ptr<CDatabaseHandler> m_handler;
};
