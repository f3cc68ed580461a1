#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <vector>

// One address of a host, as a socket connects to it.
struct SHostAddress {
    sockaddr_storage Address{};
    socklen_t Length = 0;
};

// Looks up a host name without blocking the thread that asks. The system resolver may wait for a
// slow or dead name server for tens of seconds, while the mail handler must notice a stop
// request at once; so each lookup runs on a helper thread, and the asking thread polls.
//
// Ownership: a lookup's thread touches nothing but the lookup's own state, which it shares with
// this object (the host, a copy of the resolve function, the result). A lookup that is given up
// (the connection was closed, the handler stopped) is not waited for: it runs on to its end, and
// its thread is joined by the next call that finds it ended, at the latest by the destructor. So
// no thread is ever detached, and none outlives what it uses; the destructor waits for a lookup
// that still runs (the system resolver's own time-outs end it).
class CHostResolver {
public:
    // 0 with the addresses found; otherwise the error as CTcpIpProt::LastError gives it (an errno
    // value, or a negative EAI_ code of the resolver).
    using ResolveFunction =
        std::function<int(const std::string& host, std::uint16_t port, std::vector<SHostAddress>& addresses)>;

    enum EPoll { HOSTRES_BUSY = 0, HOSTRES_DONE = 1, HOSTRES_FAILED = 2 };

    // Given-up lookups that may still be running at once. A resolver that hangs for good gets no
    // more threads than this: further lookups fail at once until one of them ends.
    static constexpr std::size_t MAX_ABANDONED = 4;

    explicit CHostResolver(ResolveFunction resolve = SystemResolve);
    ~CHostResolver();
    CHostResolver(const CHostResolver&) = delete;
    CHostResolver& operator=(const CHostResolver&) = delete;

    // The function of the lookups started from now on (tests give a slow one).
    void SetResolveFunction(ResolveFunction resolve);

    // Starts looking the host up; a lookup still running is given up. False, with the error, when
    // no lookup could be started (too many given-up lookups still hang, or no thread).
    bool Start(const std::string& host, std::uint16_t port, int& error);
    // Where the lookup started last stands: with HOSTRES_DONE its addresses, with HOSTRES_FAILED
    // its error (also when there is none).
    int Poll(std::vector<SHostAddress>& addresses, int& error);
    // Gives the running lookup up: nobody waits for its result any more.
    void Cancel();
    // Lookup threads not joined yet, the running lookup's included.
    std::size_t ThreadCount() const;

    // getaddrinfo for a stream socket, every address family.
    static int SystemResolve(const std::string& host, std::uint16_t port,
                             std::vector<SHostAddress>& addresses);

private:
    struct SLookup {
        std::string Host;
        std::uint16_t Port = 0;
        ResolveFunction Resolve;
        int Error = 0;
        std::vector<SHostAddress> Addresses;
        std::atomic<bool> Done{false}; // set last, after Error and Addresses
    };
    struct SWorker {
        std::shared_ptr<SLookup> Lookup;
        std::thread Thread;
    };

    static void Run(const std::shared_ptr<SLookup>& lookup);
    void AbandonCurrent();
    // Joins the given-up lookups that have ended. Under m_lock.
    void Reap();

    mutable std::mutex m_lock;
    ResolveFunction m_resolve;
    std::unique_ptr<SWorker> m_current;
    std::vector<SWorker> m_abandoned;
};
