#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A small SMTP server on 127.0.0.1 that plays a script: well-behaved by default, or refusing,
// silent, slow, cutting its replies into pieces or hanging up, as a test tells it. It records
// every byte the station sends. One connection at a time, as the mail handler makes them.
class CScriptedSmtpServer {
public:
    struct SReply {
        std::vector<std::string> pieces; // sent one after the other
        int pauseMs = 30;                // between pieces, so that they arrive as separate reads
        bool close = false;              // hang up after the pieces
        bool held = false;               // send piece holdBefore and the rest only after Release()
        std::size_t holdBefore = 0;
    };
    // The answer to one command line (without CR LF), or to a whole message ("<message>").
    using Rule = std::function<SReply(const std::string& line)>;

    static constexpr const char* MESSAGE = "<message>";

    CScriptedSmtpServer();
    ~CScriptedSmtpServer();
    CScriptedSmtpServer(const CScriptedSmtpServer&) = delete;
    CScriptedSmtpServer& operator=(const CScriptedSmtpServer&) = delete;

    std::uint16_t Port() const { return m_port; }

    // Set before the station connects. A greeting without pieces never greets.
    void SetGreeting(SReply greeting);
    void SetRule(Rule rule);
    // Lets held replies go.
    void Release();

    static SReply Say(std::string text) { return SReply{{std::move(text)}}; }
    // What a well-behaved server answers.
    static SReply Standard(const std::string& line);

    std::size_t ConnectionCount() const;
    // Everything the station sent over connection i, byte for byte.
    std::string Session(std::size_t i) const;
    // Whether the station had closed connection i.
    bool ClosedByStation(std::size_t i) const;
    // Every command line received so far, over all connections.
    std::vector<std::string> Commands() const;
    // The messages received (between DATA and the end-of-data line, as sent).
    std::vector<std::string> Messages() const;

private:
    void Run();
    bool SendReply(int fd, const SReply& reply);
    void HandleInput(int& fd, std::size_t session, std::string& pending, bool& inData);

    int m_listenFd = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};

    mutable std::mutex m_lock;
    std::condition_variable m_released;
    bool m_release = false;
    SReply m_greeting;
    Rule m_rule;
    std::vector<std::string> m_sessions;
    std::vector<bool> m_closedByStation;
    std::vector<std::string> m_commands;
    std::vector<std::string> m_messages;
};
