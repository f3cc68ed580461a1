#include "ScriptedSmtpServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

CScriptedSmtpServer::CScriptedSmtpServer() {
    m_greeting = Say("220 scripted.test ESMTP ready\r\n");
    m_rule = &CScriptedSmtpServer::Standard;
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0) {
        throw std::runtime_error("socket failed");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listenFd, 4) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(m_listenFd);
        throw std::runtime_error("bind/listen failed");
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Run(); });
}

CScriptedSmtpServer::~CScriptedSmtpServer() {
    m_stop = true;
    Release();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    ::close(m_listenFd);
}

void CScriptedSmtpServer::SetGreeting(SReply greeting) {
    std::lock_guard guard(m_lock);
    m_greeting = std::move(greeting);
}

void CScriptedSmtpServer::SetRule(Rule rule) {
    std::lock_guard guard(m_lock);
    m_rule = std::move(rule);
}

void CScriptedSmtpServer::Release() {
    {
        std::lock_guard guard(m_lock);
        m_release = true;
    }
    m_released.notify_all();
}

CScriptedSmtpServer::SReply CScriptedSmtpServer::Standard(const std::string& line) {
    const std::string verb = line.substr(0, 4);
    if (verb == "HELO") {
        return Say("250 scripted.test\r\n");
    }
    if (verb == "MAIL" || verb == "RCPT") {
        return Say("250 OK\r\n");
    }
    if (verb == "DATA") {
        return Say("354 End data with <CR><LF>.<CR><LF>\r\n");
    }
    if (line == MESSAGE) {
        return Say("250 OK queued\r\n");
    }
    if (verb == "QUIT") {
        SReply bye = Say("221 Bye\r\n");
        bye.close = true;
        return bye;
    }
    return Say("500 Unknown command\r\n");
}

std::size_t CScriptedSmtpServer::ConnectionCount() const {
    std::lock_guard guard(m_lock);
    return m_sessions.size();
}

std::string CScriptedSmtpServer::Session(std::size_t i) const {
    std::lock_guard guard(m_lock);
    return i < m_sessions.size() ? m_sessions[i] : std::string();
}

bool CScriptedSmtpServer::ClosedByStation(std::size_t i) const {
    std::lock_guard guard(m_lock);
    return i < m_closedByStation.size() && m_closedByStation[i];
}

std::vector<std::string> CScriptedSmtpServer::Commands() const {
    std::lock_guard guard(m_lock);
    return m_commands;
}

std::vector<std::string> CScriptedSmtpServer::Messages() const {
    std::lock_guard guard(m_lock);
    return m_messages;
}

bool CScriptedSmtpServer::SendReply(int fd, const SReply& reply) {
    for (std::size_t i = 0; i < reply.pieces.size(); ++i) {
        if (reply.held && i == reply.holdBefore) {
            std::unique_lock lock(m_lock);
            m_released.wait(lock, [this] { return m_release || m_stop.load(); });
            if (m_stop) {
                return false;
            }
        }
        if (i > 0 && reply.pauseMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(reply.pauseMs));
        }
        const std::string& piece = reply.pieces[i];
        std::size_t done = 0;
        while (done < piece.size()) {
            const ssize_t n = ::send(fd, piece.data() + done, piece.size() - done, MSG_NOSIGNAL);
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    continue;
                }
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
    }
    return !reply.close;
}

void CScriptedSmtpServer::HandleInput(int& fd, std::size_t session, std::string& pending, bool& inData) {
    for (;;) {
        std::string line;
        if (inData) {
            // The message ends with a line holding a single full stop.
            std::size_t end = std::string::npos;
            if (pending.rfind(".\r\n", 0) == 0) {
                end = 0;
            } else if (const std::size_t at = pending.find("\r\n.\r\n"); at != std::string::npos) {
                end = at + 2;
            }
            if (end == std::string::npos) {
                return;
            }
            {
                std::lock_guard guard(m_lock);
                m_messages.push_back(pending.substr(0, end));
            }
            pending.erase(0, end + 3);
            inData = false;
            line = MESSAGE;
        } else {
            const std::size_t at = pending.find("\r\n");
            if (at == std::string::npos) {
                return;
            }
            line = pending.substr(0, at);
            pending.erase(0, at + 2);
            std::lock_guard guard(m_lock);
            m_commands.push_back(line);
        }
        Rule rule;
        {
            std::lock_guard guard(m_lock);
            rule = m_rule;
        }
        const SReply reply = rule(line);
        if (line.rfind("DATA", 0) == 0 && !reply.pieces.empty() && reply.pieces[0].rfind("3", 0) == 0) {
            inData = true;
        }
        if (!SendReply(fd, reply)) {
            ::close(fd);
            fd = -1;
            (void)session;
            return;
        }
    }
}

void CScriptedSmtpServer::Run() {
    int client = -1;
    std::size_t session = 0;
    std::string pending;
    bool inData = false;
    while (!m_stop) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {client, POLLIN, 0}};
        const int ready = ::poll(fds, client >= 0 ? 2 : 1, 10);
        if (ready <= 0) {
            continue;
        }
        if (client < 0 && (fds[0].revents & POLLIN) != 0) {
            client = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) {
                continue;
            }
            SReply greeting;
            {
                std::lock_guard guard(m_lock);
                session = m_sessions.size();
                m_sessions.emplace_back();
                m_closedByStation.push_back(false);
                greeting = m_greeting;
            }
            pending.clear();
            inData = false;
            if (!SendReply(client, greeting)) {
                ::close(client);
                client = -1;
            }
            continue;
        }
        if (client >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            char buffer[4096];
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) {
                std::lock_guard guard(m_lock);
                m_closedByStation[session] = true;
                ::close(client);
                client = -1;
                continue;
            }
            {
                std::lock_guard guard(m_lock);
                m_sessions[session].append(buffer, static_cast<std::size_t>(n));
            }
            pending.append(buffer, static_cast<std::size_t>(n));
            HandleInput(client, session, pending, inData);
        }
    }
    if (client >= 0) {
        ::close(client);
    }
}
