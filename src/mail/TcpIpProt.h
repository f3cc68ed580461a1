#pragma once

#include "HostResolver.h"

#include <cstdint>
#include <string>
#include <sys/socket.h>
#include <vector>

// A TCP client socket that never blocks: the mail handler polls it once per pass of its loop.
// A host name is looked up on a helper thread (CHostResolver), a numeric address at once. A
// connection that is still being made counts as under way; if it then fails, the next address
// of the host is tried before the socket reports the failure.
class CTcpIpProt {
public:
    enum ESendResult { TCPIP_SEND_OK = 0, TCPIP_SEND_FAILED = 1 };
    enum EReceiveResult { TCPIP_RECEIVE_FAILED = 2, TCPIP_RECEIVE_OK = 3 };

    CTcpIpProt() = default;
    virtual ~CTcpIpProt();
    CTcpIpProt(const CTcpIpProt&) = delete;
    CTcpIpProt& operator=(const CTcpIpProt&) = delete;

    // Starts the connection: to a numeric address at once, to a name once it has been looked up.
    // True when the lookup or the connection is under way (or the connection made); false with
    // LastError() set otherwise.
    bool Connect(const std::string& host, std::uint16_t port);
    // True while the host's name is being looked up. The call that finds the lookup ended starts
    // the connection to the addresses found, or fails the socket (Failed()) when there are none.
    bool Resolving();
    // Closes the socket and gives up a lookup still running.
    void Close();

    // The resolver of the lookups started from now on (tests give a slow one).
    void SetResolveFunction(CHostResolver::ResolveFunction resolve) {
        m_resolver.SetResolveFunction(std::move(resolve));
    }

    // TCPIP_SEND_OK when the socket took all the bytes; TCPIP_SEND_FAILED for a length of 0 or
    // less, a socket error, or when the socket took only part of them.
    int Send(const void* data, int length);

    // TCPIP_RECEIVE_OK with the length of what was read (0 when the server closed the
    // connection); TCPIP_RECEIVE_FAILED when nothing could be read, because nothing is waiting
    // yet or because of a socket error (Failed() tells them apart).
    int Receive(char* buffer, int& length, int maximum);

    bool IsOpen() const { return m_fd >= 0; }
    // The socket, for a wait on it; -1 while there is none.
    int Fd() const { return m_fd; }
    // True once the connection could not be made or broke down.
    bool Failed() const { return m_failed; }
    // errno of the last failure, or the resolver's (negative) EAI_ code when the name did not resolve.
    int LastError() const { return m_lastError; }
    std::string LastErrorText() const;

private:
    bool ConnectNext();
    void CheckConnected();
    void Fail(int error);

    CHostResolver m_resolver;
    bool m_resolving = false;
    int m_fd = -1;
    bool m_connecting = false;
    bool m_failed = false;
    int m_lastError = 0;
    std::vector<sockaddr_storage> m_addresses;
    std::vector<socklen_t> m_addressLengths;
    std::size_t m_nextAddress = 0;
};
