#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <sys/types.h>

// A real SMTP server (Debian's aiosmtpd) on 127.0.0.1 with a free port, started by the test and
// stopped with it. Every mail it accepts is stored as JSON by mail_store.py: the envelope, the raw
// message, and the headers and body as Python's standard mail parser reads them.
class CAioSmtpServer {
public:
    // storeFolder must exist; the server's own output goes to storeFolder/aiosmtpd.out.
    explicit CAioSmtpServer(std::string storeFolder);
    ~CAioSmtpServer();
    CAioSmtpServer(const CAioSmtpServer&) = delete;
    CAioSmtpServer& operator=(const CAioSmtpServer&) = delete;

    // False (with the reason in Error()) when the server did not come up.
    bool Running() const { return m_pid > 0; }
    const std::string& Error() const { return m_error; }
    std::uint16_t Port() const { return m_port; }

    // Waits for the n-th stored mail (1-based); null json on time-out.
    nlohmann::json WaitMail(int n, int milliseconds = 15000) const;
    int StoredCount() const;

private:
    bool StartOnce();
    void StopServer();

    std::string m_folder;
    pid_t m_pid = -1;
    std::uint16_t m_port = 0;
    std::string m_error;
};
