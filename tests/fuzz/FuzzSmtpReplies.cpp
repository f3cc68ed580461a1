// The SMTP server's replies as the mail handler assembles them, over a real loopback connection:
// the server sends the input and closes. Byte 0 splits the input into two sends.
#include "FuzzSupport.h"
#include "MailInfo.h"

#include <cstdlib>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

class CListener {
public:
    CListener() {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_fd, 4) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            std::perror("listener");
            std::abort();
        }
        m_port = ntohs(address.sin_port);
    }
    int Accept() const { return ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC); }
    std::uint16_t Port() const { return m_port; }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

void SendAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) {
            std::abort();
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CListener listener;
    static const CFakeClock clock;
    if (size == 0) {
        return 0;
    }
    CMailInfo mail(clock);
    if (!mail.Connect("127.0.0.1", listener.Port())) {
        std::abort();
    }
    const int server = listener.Accept();
    if (server < 0) {
        std::abort();
    }
    const std::size_t first = std::min<std::size_t>(size - 1, data[0] * 16u);
    SendAll(server, data + 1, first);
    // Some replies are taken before the rest arrives, as when a reply is cut over two reads.
    for (int i = 0; i < 4; ++i) {
        mail.Receive();
    }
    SendAll(server, data + 1 + first, size - 1 - first);
    ::close(server);

    // Every reply is handed out, then the close is seen. More replies than bytes would be a loop.
    std::size_t replies = 0;
    for (std::size_t spins = 0; !mail.ConnectionLost(); ++spins) {
        if (mail.Receive() != CMailInfo::MAILINFO_REPLY_NONE) {
            ++replies;
        }
        if (replies > size || spins > 5'000'000) {
            std::abort();
        }
    }
    mail.Close();
    return 0;
}
