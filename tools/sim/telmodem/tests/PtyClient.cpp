#include "PtyClient.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

CPtyClient::~CPtyClient() {
    Close();
}

bool CPtyClient::Open(const std::string& path) {
    Close();
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0) {
        return false;
    }
    termios tio{};
    tcgetattr(m_fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(m_fd, TCSANOW, &tio);
    return true;
}

void CPtyClient::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool CPtyClient::Write(const std::vector<std::uint8_t>& bytes) {
    return m_fd >= 0 && ::write(m_fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

bool CPtyClient::SendFrame(std::uint8_t code, const std::vector<std::uint8_t>& data) {
    return Write(SSimFrame::Encode(code, data));
}

void CPtyClient::Discard() {
    std::uint8_t buffer[256];
    while (m_fd >= 0 && ::read(m_fd, buffer, sizeof buffer) > 0) {
    }
}

bool CPtyClient::ReadFrame(SSimFrame& frame, int timeoutMs, bool* badCheck) {
    CSimFrameParser parser;
    const long long deadline = NowMs() + timeoutMs;
    if (badCheck != nullptr) {
        *badCheck = false;
    }
    while (m_fd >= 0) {
        const long long left = deadline - NowMs();
        if (left <= 0) {
            return false;
        }
        pollfd pfd{m_fd, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left)) <= 0) {
            continue;
        }
        std::uint8_t byte = 0;
        const ssize_t n = ::read(m_fd, &byte, 1);
        if (n <= 0) {
            // A hung-up terminal reads as end of file: nothing more will come.
            return false;
        }
        switch (parser.Feed(byte, static_cast<std::uint32_t>(NowMs()))) {
        case CSimFrameParser::PARSE_FRAME:
            frame = parser.Frame();
            return true;
        case CSimFrameParser::PARSE_BAD_CHECK:
            if (badCheck != nullptr) {
                *badCheck = true;
            }
            return false;
        case CSimFrameParser::PARSE_MORE:
            break;
        }
    }
    return false;
}

std::vector<std::uint8_t> CPtyClient::ReadAll(int timeoutMs) {
    std::vector<std::uint8_t> bytes;
    const long long deadline = NowMs() + timeoutMs;
    while (m_fd >= 0 && NowMs() < deadline) {
        std::uint8_t buffer[256];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.insert(bytes.end(), buffer, buffer + n);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return bytes;
}

bool CPtyClient::Exchange(std::uint8_t code, const std::vector<std::uint8_t>& data, SSimFrame& reply,
                          int timeoutMs) {
    Discard();
    std::vector<std::uint8_t> payload = data;
    if (payload.empty()) {
        payload.push_back(0);
    }
    if (m_ackOwed) {
        payload[0] |= 0x80;
        m_ackOwed = false;
    }
    if (!SendFrame(code, payload) || !ReadFrame(reply, timeoutMs)) {
        return false;
    }
    if (reply.Code != 0x81 && reply.Code != 0x8D) {
        m_ackOwed = true;
    }
    return true;
}

bool CPtyClient::PollUntil(std::uint8_t mask, std::uint8_t value, int timeoutMs, SSimFrame* last) {
    const long long deadline = NowMs() + timeoutMs;
    SSimFrame reply;
    while (NowMs() < deadline) {
        if (Exchange(0x81, {0}, reply) && (reply.Flags() & mask) == value) {
            if (last != nullptr) {
                *last = reply;
            }
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool CPtyClient::PollForReport(std::uint8_t code, int timeoutMs, SSimFrame& report) {
    const long long deadline = NowMs() + timeoutMs;
    SSimFrame reply;
    while (NowMs() < deadline) {
        if (Exchange(0x81, {0}, reply) && reply.Code == code) {
            report = reply;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}
