#pragma once

#include "Clock.h"
#include "HostResolver.h"
#include "MailHandlerMsg.h"
#include "MsgSink.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <string>
#include <thread>
#include <vector>

// Time that moves only when the test says so. Unlike CFakeClock, Sleep really sleeps (at most a
// millisecond) and does not move the time, so a handler thread cannot run its own time-outs out
// while the test waits for a server.
class CSteppedClock : public IClock {
public:
    std::uint32_t Tick() const override { return m_tick.load(); }
    SLocalTime Now() const override { return SLocalTime{2024, 3, 5, 7, 4, 9, 42, 2}; }
    void Sleep(std::uint32_t milliseconds) const override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds > 0 ? 1 : 0));
    }
    void Advance(std::uint32_t milliseconds) { m_tick.fetch_add(milliseconds); }

private:
    std::atomic<std::uint32_t> m_tick{1000};
};

// A name resolver as slow as the test wants: each lookup waits until the test opens the gate,
// then gives 127.0.0.1 for every name but one ending in ".invalid". Shared with the lookup threads,
// which may outlive a test's handler run.
class CSlowResolver : public std::enable_shared_from_this<CSlowResolver> {
public:
    CHostResolver::ResolveFunction Function() {
        auto self = shared_from_this();
        return [self](const std::string& host, std::uint16_t port, std::vector<SHostAddress>& addresses) {
            return self->Resolve(host, port, addresses);
        };
    }
    void Open() {
        std::lock_guard guard(m_lock);
        m_open = true;
        m_changed.notify_all();
    }
    int Entered() const { return m_entered.load(); }
    int Finished() const { return m_finished.load(); }

private:
    int Resolve(const std::string& host, std::uint16_t port, std::vector<SHostAddress>& addresses) {
        ++m_entered;
        {
            std::unique_lock lock(m_lock);
            m_changed.wait(lock, [&] { return m_open; });
        }
        ++m_finished;
        if (host.size() >= 8 && host.compare(host.size() - 8, 8, ".invalid") == 0) {
            return EAI_NONAME;
        }
        SHostAddress address;
        auto* in = reinterpret_cast<sockaddr_in*>(&address.Address);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.Length = sizeof(sockaddr_in);
        addresses.push_back(address);
        return 0;
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = false;
    std::atomic<int> m_entered{0};
    std::atomic<int> m_finished{0};
};

// Polls a condition for at most the given real time.
inline bool WaitFor(const std::function<bool()>& condition, int milliseconds = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// The owner of a mail handler in tests: keeps every status and result the handler posts.
class CMailStatusSink : public IMsgSink {
public:
    void PutMsg(MsgPtr msg) override {
        auto mail = MsgCast<CMailHandlerMsg>(msg);
        std::lock_guard guard(m_lock);
        if (mail) {
            m_received.push_back(std::move(mail));
        } else {
            ++m_foreign;
        }
    }

    std::size_t Count() const {
        std::lock_guard guard(m_lock);
        return m_received.size();
    }
    // Codes of every report so far, in order.
    std::vector<std::uint16_t> Codes() const {
        std::lock_guard guard(m_lock);
        std::vector<std::uint16_t> codes;
        for (const auto& m : m_received) {
            codes.push_back(m->Code);
        }
        return codes;
    }
    // The results (codes 4 and 5) so far.
    std::size_t ResultCount() const {
        std::lock_guard guard(m_lock);
        std::size_t n = 0;
        for (const auto& m : m_received) {
            n += m->Code >= CMailHandlerMsg::MHM_STATUS_SEND_OK ? 1 : 0;
        }
        return n;
    }
    // Waits for the n-th result (1-based) and returns it (null on time-out).
    const CMailHandlerMsg* WaitResult(std::size_t n, int milliseconds = 10000) const {
        if (!WaitFor([&] { return ResultCount() >= n; }, milliseconds)) {
            return nullptr;
        }
        std::lock_guard guard(m_lock);
        std::size_t seen = 0;
        for (const auto& m : m_received) {
            if (m->Code >= CMailHandlerMsg::MHM_STATUS_SEND_OK && ++seen == n) {
                return m.get();
            }
        }
        return nullptr;
    }
    int Foreign() const {
        std::lock_guard guard(m_lock);
        return m_foreign;
    }

private:
    mutable std::mutex m_lock;
    std::vector<std::unique_ptr<CMailHandlerMsg>> m_received;
    int m_foreign = 0;
};
