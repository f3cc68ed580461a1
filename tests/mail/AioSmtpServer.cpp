#include "AioSmtpServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

#ifndef MAIL_TEST_DIR
#error "MAIL_TEST_DIR must name the folder of mail_store.py"
#endif

namespace {

constexpr const char* PYTHON = "/usr/bin/python3";

std::uint16_t FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return 0;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

// True when an SMTP greeting comes from the port.
bool Greets(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    bool ok = false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        pollfd p{fd, POLLIN, 0};
        char buffer[256];
        if (::poll(&p, 1, 2000) > 0) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            ok = n >= 3 && std::strncmp(buffer, "220", 3) == 0;
        }
        if (ok) {
            (void)!::send(fd, "QUIT\r\n", 6, MSG_NOSIGNAL);
            ::poll(&p, 1, 500);
        }
    }
    ::close(fd);
    return ok;
}

} // namespace

CAioSmtpServer::CAioSmtpServer(std::string storeFolder) : m_folder(std::move(storeFolder)) {
    if (::access(PYTHON, X_OK) != 0) {
        m_error = std::string(PYTHON) + " is missing: run scripts/install-deps.sh";
        return;
    }
    for (int attempt = 0; attempt < 3 && m_pid <= 0; ++attempt) {
        StartOnce();
    }
}

CAioSmtpServer::~CAioSmtpServer() {
    StopServer();
}

bool CAioSmtpServer::StartOnce() {
    m_port = FreePort();
    if (m_port == 0) {
        m_error = "no free port";
        return false;
    }
    const std::string listen = "127.0.0.1:" + std::to_string(m_port);
    const std::string output = m_folder + "/aiosmtpd.out";
    std::vector<std::string> args = {
        PYTHON, "-m", "aiosmtpd", "-n", "-l", listen, "-c", "mail_store.StoreHandler", m_folder};
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind("PYTHONPATH=", 0) != 0 && entry.rfind("PYTHONHOME=", 0) != 0) {
            env.push_back(entry);
        }
    }
    env.push_back(std::string("PYTHONPATH=") + MAIL_TEST_DIR);
    env.push_back("PYTHONDONTWRITEBYTECODE=1"); // keep the source folder clean
    env.push_back("PYTHONUNBUFFERED=1");
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, PYTHON, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        m_error = std::string("posix_spawn: ") + std::strerror(rc);
        return false;
    }
    m_pid = pid;

    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            std::ifstream in(output);
            std::stringstream text;
            text << in.rdbuf();
            m_error = "aiosmtpd ended at start-up: " + text.str();
            return false;
        }
        if (Greets(m_port)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    m_error = "aiosmtpd did not answer within 20 s";
    StopServer();
    return false;
}

void CAioSmtpServer::StopServer() {
    if (m_pid <= 0) {
        return;
    }
    ::kill(m_pid, SIGTERM);
    int status = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= end) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_pid = -1;
}

int CAioSmtpServer::StoredCount() const {
    int count = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("mail-", 0) == 0 && entry.path().extension() == ".json") {
            ++count;
        }
    }
    return count;
}

nlohmann::json CAioSmtpServer::WaitMail(int n, int milliseconds) const {
    char name[32];
    std::snprintf(name, sizeof name, "/mail-%04d.json", n);
    const std::string path = m_folder + name;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        std::ifstream in(path);
        if (in) {
            return nlohmann::json::parse(in, nullptr, false);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}
