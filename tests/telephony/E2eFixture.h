#pragma once

// Shared set-up of the end-to-end tests: the simulated modem on a pseudo-terminal linked as COM1
// in a fresh folder, the station's handler on the other end, and an owner that keeps every message
// the handler sends with the time it arrived.

#include "Msg.h"
#include "MsgKinds.h"
#include "MsgSink.h"
#include "SimTelModem.h"
#include "TelHandlerMsg.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CE2eSink : public IMsgSink {
public:
    using Match = std::function<bool(const CMsg&)>;

    void PutMsg(MsgPtr msg) override {
        {
            std::lock_guard guard(m_lock);
            m_msgs.push_back(SEntry{std::move(msg), CSimTelModem::SteadyUs()});
        }
        m_changed.notify_all();
    }

    // Waits until at least `count` messages match.
    bool WaitFor(const Match& match, std::size_t count, std::uint32_t timeoutMs) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return CountLocked(match) >= count; });
    }

    std::size_t Count(const Match& match) const {
        std::lock_guard guard(m_lock);
        return CountLocked(match);
    }

    // The matching messages as handler messages with their arrival times (microseconds). The
    // messages stay owned by the sink and are never changed after they arrived.
    std::vector<std::pair<const CTelHandlerMsg*, std::uint64_t>> Tel(const Match& match) const {
        std::lock_guard guard(m_lock);
        std::vector<std::pair<const CTelHandlerMsg*, std::uint64_t>> out;
        for (const auto& e : m_msgs) {
            if (match(*e.Msg)) {
                if (const auto* t = dynamic_cast<const CTelHandlerMsg*>(e.Msg.get())) {
                    out.emplace_back(t, e.Us);
                }
            }
        }
        return out;
    }

    static Match Kind(std::uint16_t kind) {
        return [kind](const CMsg& m) { return m.Kind == kind; };
    }
    static Match Status(std::uint16_t code) {
        return [code](const CMsg& m) {
            const auto* t = dynamic_cast<const CTelHandlerMsg*>(&m);
            return m.Kind == MsgKind::TEL_STATUS && t != nullptr && t->Code == code;
        };
    }
    static Match Event(std::uint16_t value) {
        return [value](const CMsg& m) {
            const auto* t = dynamic_cast<const CTelHandlerMsg*>(&m);
            return m.Kind == MsgKind::TEL_CALL_EVENT && t != nullptr && t->Value == value;
        };
    }

private:
    struct SEntry {
        MsgPtr Msg;
        std::uint64_t Us = 0;
    };

    std::size_t CountLocked(const Match& match) const {
        std::size_t n = 0;
        for (const auto& e : m_msgs) {
            n += match(*e.Msg) ? 1 : 0;
        }
        return n;
    }

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<SEntry> m_msgs;
};

class CE2eTest : public ::testing::Test {
protected:
    static constexpr int PORT = 1;

    void SetUp() override {
        m_dir.Enter(); // the handlers write their logs into the working directory
        setenv("MORA_SERIAL_DIR", m_dir.Path().c_str(), 1);
        // A fast line, so that a whole call fits in a few seconds; the station's own timers are real.
        SSimTiming t;
        t.LineMs = 100;
        t.ResetMs = 200;
        t.RawByteMs = 30;
        t.P100MessageMs = 300;
        t.P100NoStartMs = 100;
        t.P100RetryMs = 150;
        t.CpcAnswerMs = 150;
        t.CpcNoAnswerMs = 200;
        m_modem.SetTiming(t);
        std::string error;
        ASSERT_TRUE(m_modem.Start(m_dir.Path(), PORT, error)) << error;
    }

    void TearDown() override {
        unsetenv("MORA_SERIAL_DIR");
        if (HasFailure()) {
            DumpTrace();
        }
    }

    // What the modem saw (without the idle polls) and the handlers' logs, to see why a test failed.
    void DumpTrace() const {
        std::string text = "--- simulated modem ---\n";
        for (const auto& r : m_modem.Recorder().Snapshot()) {
            const bool idlePoll = !r.Wire.empty() && r.Wire[0] == 0x81 &&
                                  (r.Type == SSimRecord::TO_STATION ||
                                   r.Wire == std::vector<std::uint8_t>{0x81, 0x01, 0x00, 0x7F});
            if (!idlePoll) {
                text += std::to_string(r.Tick) + " " + r.Describe() + "\n";
            }
        }
        for (const char* log : {"TelHandler.log", "TelComHandler.log"}) {
            text += std::string("--- ") + log + " (newest first) ---\n" + CTempDir::ReadFile(m_dir.File(log));
        }
        std::fputs(text.c_str(), stdout);
    }

    // Frames the station sent, as hex text, in order.
    std::vector<std::string> StationFrames() const {
        std::vector<std::string> out;
        for (const auto& r : m_modem.Recorder().Snapshot()) {
            if (r.Type == SSimRecord::FROM_STATION) {
                out.push_back(SSimFrame::Hex(r.Wire));
            }
        }
        return out;
    }

    std::size_t StationFramesWithCode(std::uint8_t code) const {
        return m_modem.Recorder().Count([code](const SSimRecord& r) { return r.IsFrom(code); });
    }

    static std::string FrameHex(std::uint8_t code, const std::vector<std::uint8_t>& data) {
        return SSimFrame::Hex(SSimFrame::Encode(code, data));
    }

    static void Pause(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    CTempDir m_dir;
    CE2eSink m_owner;
    CSimTelModem m_modem;
};
