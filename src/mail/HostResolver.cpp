#include "HostResolver.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <system_error>

CHostResolver::CHostResolver(ResolveFunction resolve) : m_resolve(std::move(resolve)) {}

CHostResolver::~CHostResolver() {
    std::vector<SWorker> workers;
    {
        std::lock_guard guard(m_lock);
        if (m_current) {
            workers.push_back(std::move(*m_current));
            m_current.reset();
        }
        for (SWorker& worker : m_abandoned) {
            workers.push_back(std::move(worker));
        }
        m_abandoned.clear();
    }
    for (SWorker& worker : workers) {
        if (worker.Thread.joinable()) {
            worker.Thread.join();
        }
    }
}

void CHostResolver::SetResolveFunction(ResolveFunction resolve) {
    std::lock_guard guard(m_lock);
    m_resolve = std::move(resolve);
}

void CHostResolver::Run(const std::shared_ptr<SLookup>& lookup) {
    std::vector<SHostAddress> addresses;
    int error = 0;
    try {
        error = lookup->Resolve ? lookup->Resolve(lookup->Host, lookup->Port, addresses) : EAI_FAIL;
    } catch (...) {
        // Nothing may leave a thread's function; a lookup that threw simply failed.
        error = EAI_FAIL;
    }
    if (error == 0 && addresses.empty()) {
        error = EAI_NONAME;
    }
    lookup->Error = error;
    lookup->Addresses = std::move(addresses);
    lookup->Done.store(true, std::memory_order_release);
}

bool CHostResolver::Start(const std::string& host, std::uint16_t port, int& error) {
    std::lock_guard guard(m_lock);
    AbandonCurrent();
    Reap();
    if (m_abandoned.size() >= MAX_ABANDONED) {
        error = EAI_AGAIN;
        return false;
    }
    auto lookup = std::make_shared<SLookup>();
    lookup->Host = host;
    lookup->Port = port;
    lookup->Resolve = m_resolve;
    auto worker = std::make_unique<SWorker>();
    worker->Lookup = lookup;
    try {
        // The thread gets its own reference: the lookup lives as long as either side needs it.
        worker->Thread = std::thread([lookup] { Run(lookup); });
    } catch (const std::system_error& e) {
        error = e.code().value() != 0 ? e.code().value() : EAGAIN;
        return false;
    }
    m_current = std::move(worker);
    return true;
}

int CHostResolver::Poll(std::vector<SHostAddress>& addresses, int& error) {
    std::lock_guard guard(m_lock);
    Reap();
    if (!m_current) {
        error = EAI_FAIL;
        return HOSTRES_FAILED;
    }
    if (!m_current->Lookup->Done.load(std::memory_order_acquire)) {
        return HOSTRES_BUSY;
    }
    m_current->Thread.join(); // it has ended: this does not wait
    const std::shared_ptr<SLookup> lookup = std::move(m_current->Lookup);
    m_current.reset();
    if (lookup->Error != 0) {
        error = lookup->Error;
        return HOSTRES_FAILED;
    }
    addresses = std::move(lookup->Addresses);
    error = 0;
    return HOSTRES_DONE;
}

void CHostResolver::Cancel() {
    std::lock_guard guard(m_lock);
    AbandonCurrent();
    Reap();
}

std::size_t CHostResolver::ThreadCount() const {
    std::lock_guard guard(m_lock);
    return m_abandoned.size() + (m_current ? 1 : 0);
}

void CHostResolver::AbandonCurrent() {
    if (m_current) {
        m_abandoned.push_back(std::move(*m_current));
        m_current.reset();
    }
}

void CHostResolver::Reap() {
    for (auto it = m_abandoned.begin(); it != m_abandoned.end();) {
        if (it->Lookup->Done.load(std::memory_order_acquire)) {
            it->Thread.join();
            it = m_abandoned.erase(it);
        } else {
            ++it;
        }
    }
}

int CHostResolver::SystemResolve(const std::string& host, std::uint16_t port,
                                 std::vector<SHostAddress>& addresses) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    errno = 0;
    const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0 || found == nullptr) {
        // EAI_SYSTEM leaves the reason in errno; every other resolver code is negative already.
        const int systemError = errno;
        if (found != nullptr) {
            ::freeaddrinfo(found);
        }
        return (rc == EAI_SYSTEM && systemError != 0) ? systemError : (rc != 0 ? rc : EAI_NONAME);
    }
    for (const addrinfo* ai = found; ai != nullptr; ai = ai->ai_next) {
        if (ai->ai_addr != nullptr && ai->ai_addrlen <= sizeof(sockaddr_storage)) {
            SHostAddress address;
            std::memcpy(&address.Address, ai->ai_addr, ai->ai_addrlen);
            address.Length = ai->ai_addrlen;
            addresses.push_back(address);
        }
    }
    ::freeaddrinfo(found);
    return 0;
}
