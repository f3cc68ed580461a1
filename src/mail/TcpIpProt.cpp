#include "TcpIpProt.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

CTcpIpProt::~CTcpIpProt() {
    Close();
}

bool CTcpIpProt::Connect(const std::string& host, std::uint16_t port) {
    Close();
    m_failed = false;
    m_lastError = 0;
    m_addresses.clear();
    m_addressLengths.clear();
    m_nextAddress = 0;

    // A numeric address needs no name server: taken at once, without a helper thread.
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) == 0 && found != nullptr) {
        for (const addrinfo* ai = found; ai != nullptr; ai = ai->ai_next) {
            if (ai->ai_addr != nullptr && ai->ai_addrlen <= sizeof(sockaddr_storage)) {
                sockaddr_storage address{};
                std::memcpy(&address, ai->ai_addr, ai->ai_addrlen);
                m_addresses.push_back(address);
                m_addressLengths.push_back(ai->ai_addrlen);
            }
        }
        ::freeaddrinfo(found);
        return ConnectNext();
    }
    if (found != nullptr) {
        ::freeaddrinfo(found);
    }
    int error = 0;
    if (!m_resolver.Start(host, port, error)) {
        Fail(error);
        return false;
    }
    m_resolving = true;
    return true;
}

bool CTcpIpProt::Resolving() {
    if (!m_resolving) {
        return false;
    }
    std::vector<SHostAddress> found;
    int error = 0;
    const int result = m_resolver.Poll(found, error);
    if (result == CHostResolver::HOSTRES_BUSY) {
        return true;
    }
    m_resolving = false;
    if (result != CHostResolver::HOSTRES_DONE) {
        Fail(error);
        return false;
    }
    for (const SHostAddress& address : found) {
        m_addresses.push_back(address.Address);
        m_addressLengths.push_back(address.Length);
    }
    ConnectNext();
    return false;
}

bool CTcpIpProt::ConnectNext() {
    while (m_nextAddress < m_addresses.size()) {
        const std::size_t index = m_nextAddress++;
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
        const auto* address = reinterpret_cast<const sockaddr*>(&m_addresses[index]);
        m_fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (m_fd < 0) {
            m_lastError = errno;
            continue;
        }
        if (::connect(m_fd, address, m_addressLengths[index]) == 0) {
            m_connecting = false;
            return true;
        }
        if (errno == EINPROGRESS || errno == EINTR) {
            m_connecting = true;
            return true;
        }
        m_lastError = errno;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_connecting = false;
    m_failed = true;
    if (m_lastError == 0) {
        m_lastError = EHOSTUNREACH;
    }
    return false;
}

void CTcpIpProt::Close() {
    if (m_resolving) {
        m_resolver.Cancel();
        m_resolving = false;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_connecting = false;
}

void CTcpIpProt::Fail(int error) {
    m_lastError = error;
    m_failed = true;
}

// While the connection is being made: notice when it is made, or when it failed, in which case
// the host's next address is tried.
void CTcpIpProt::CheckConnected() {
    pollfd p{m_fd, POLLOUT, 0};
    if (::poll(&p, 1, 0) <= 0) {
        return;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        error = errno;
    }
    if (error == 0) {
        m_connecting = false;
        return;
    }
    m_lastError = error;
    ConnectNext();
}

int CTcpIpProt::Send(const void* data, int length) {
    if (length <= 0 || data == nullptr) {
        return TCPIP_SEND_FAILED;
    }
    if (m_fd < 0) {
        m_lastError = ENOTCONN;
        return TCPIP_SEND_FAILED;
    }
    // MSG_NOSIGNAL: a server that went away must give an error here, not kill the program.
    const ssize_t sent = ::send(m_fd, data, static_cast<std::size_t>(length), MSG_NOSIGNAL);
    if (sent < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            Fail(errno);
        } else {
            m_lastError = errno;
        }
        return TCPIP_SEND_FAILED;
    }
    if (sent != length) {
        m_lastError = EMSGSIZE;
        return TCPIP_SEND_FAILED;
    }
    return TCPIP_SEND_OK;
}

int CTcpIpProt::Receive(char* buffer, int& length, int maximum) {
    length = 0;
    if (Resolving() || m_fd < 0 || buffer == nullptr || maximum <= 0) {
        return TCPIP_RECEIVE_FAILED;
    }
    if (m_connecting) {
        CheckConnected();
        if (m_fd < 0 || m_connecting) {
            return TCPIP_RECEIVE_FAILED;
        }
    }
    const ssize_t got = ::recv(m_fd, buffer, static_cast<std::size_t>(maximum), 0);
    if (got < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            Fail(errno);
        }
        return TCPIP_RECEIVE_FAILED;
    }
    length = static_cast<int>(got);
    return TCPIP_RECEIVE_OK;
}

std::string CTcpIpProt::LastErrorText() const {
    if (m_lastError < 0) {
        return ::gai_strerror(m_lastError);
    }
    if (m_lastError == 0) {
        return "no error";
    }
    return std::strerror(m_lastError);
}
