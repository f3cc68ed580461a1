#include "MailInfo.h"

#include "MailTestSupport.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

// The server end of one loopback connection, written to byte for byte by the test.
class CLoopbackPeer {
public:
    CLoopbackPeer() {
        m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listenFd < 0 ||
            ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_listenFd, 1) != 0 ||
            ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ADD_FAILURE() << "loopback listener failed";
            return;
        }
        m_port = ntohs(address.sin_port);
    }
    ~CLoopbackPeer() {
        Close();
        if (m_listenFd >= 0) {
            ::close(m_listenFd);
        }
    }
    CLoopbackPeer(const CLoopbackPeer&) = delete;
    CLoopbackPeer& operator=(const CLoopbackPeer&) = delete;

    std::uint16_t Port() const { return m_port; }
    bool Accept() {
        m_fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        return m_fd >= 0;
    }
    void Send(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            ASSERT_GT(n, 0);
            done += static_cast<std::size_t>(n);
        }
    }
    void Close() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    int m_listenFd = -1;
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

class MailInfoReceiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir.Enter();
        m_info.Init(&m_log);
        ASSERT_TRUE(m_info.Connect("127.0.0.1", m_peer.Port()));
        ASSERT_TRUE(m_peer.Accept());
    }

    // Calls Receive until it gives a reply or the bytes sent so far must have been read.
    int NextReply() {
        int reply = CMailInfo::MAILINFO_REPLY_NONE;
        WaitFor(
            [&] {
                reply = m_info.Receive();
                return reply != CMailInfo::MAILINFO_REPLY_NONE;
            },
            2000);
        return reply;
    }

    // Gives the codec time to read everything sent so far, and collects any reply it hands out.
    std::vector<int> Drain() {
        std::vector<int> replies;
        for (int i = 0; i < 100; ++i) {
            const int reply = m_info.Receive();
            if (reply != CMailInfo::MAILINFO_REPLY_NONE) {
                replies.push_back(reply);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return replies;
    }

    std::string Log() const { return CTempDir::ReadFile("MailHandler.log"); }

    CTempDir m_dir;
    CSteppedClock m_clock;
    CLogFile m_log{"MailHandler", 1000, m_clock};
    CLoopbackPeer m_peer;
    CMailInfo m_info{m_clock};
};

} // namespace

TEST(MailInfoReplyLength, AReplyEndsWithItsFirstLineThatDoesNotContinue) {
    EXPECT_EQ(CMailInfo::ReplyLength(""), 0u);
    EXPECT_EQ(CMailInfo::ReplyLength("250 OK"), 0u);
    EXPECT_EQ(CMailInfo::ReplyLength("250 OK\r"), 0u);
    EXPECT_EQ(CMailInfo::ReplyLength("250 OK\r\n"), 8u);
    EXPECT_EQ(CMailInfo::ReplyLength("250\r\n"), 5u);
    EXPECT_EQ(CMailInfo::ReplyLength("250 OK\r\n354 go\r\n"), 8u);
    EXPECT_EQ(CMailInfo::ReplyLength("220-first\r\n220-second\r\n"), 0u);
    EXPECT_EQ(CMailInfo::ReplyLength("220-first\r\n220-second\r\n220 last\r\n250 next\r\n"), 33u);
    // A line without a number is a reply of its own, as is a bare LF line end.
    EXPECT_EQ(CMailInfo::ReplyLength("Hello there\r\n250 OK\r\n"), 13u);
    EXPECT_EQ(CMailInfo::ReplyLength("250 OK\n"), 7u);
    // Only three digits and a hyphen continue a reply.
    EXPECT_EQ(CMailInfo::ReplyLength("25-x\r\n"), 6u);
    EXPECT_EQ(CMailInfo::ReplyLength("2500-x\r\n"), 8u);
}

TEST_F(MailInfoReceiveTest, TwoRepliesInOneReadAreHandedOutOneByOne) {
    m_peer.Send("220 ready\r\n354 go ahead\r\n550 no\r\n");
    EXPECT_EQ(NextReply(), CMailInfo::MAILINFO_REPLY_2XX);
    EXPECT_EQ(m_info.Receive(), CMailInfo::MAILINFO_REPLY_3XX);
    EXPECT_EQ(m_info.Receive(), CMailInfo::MAILINFO_REPLY_5XX);
    EXPECT_TRUE(Drain().empty());
    const std::string log = Log();
    EXPECT_NE(log.find("MailInfo::Receive: 220 ready\\r\\n\n"), std::string::npos);
    EXPECT_NE(log.find("MailInfo::Receive: 354 go ahead\\r\\n\n"), std::string::npos);
    EXPECT_NE(log.find("MailInfo::Receive: 550 no\\r\\n\n"), std::string::npos);
}

TEST_F(MailInfoReceiveTest, ReplyCutAnywhereIsTakenOnlyWhenComplete) {
    const std::vector<std::string> pieces = {"2", "20-first line\r\n22", "0-second\r", "\n220 last",
                                             " line\r\n4"};
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
        m_peer.Send(pieces[i]);
        EXPECT_TRUE(Drain().empty()) << "after piece " << i;
    }
    m_peer.Send(pieces.back());
    EXPECT_EQ(NextReply(), CMailInfo::MAILINFO_REPLY_2XX);
    EXPECT_NE(Log().find("MailInfo::Receive: 220-first line\\r\\n220-second\\r\\n220 last line\\r\\n\n"),
              std::string::npos)
        << Log();
    // The "4" after the reply is kept: it is the start of the next one.
    EXPECT_TRUE(Drain().empty());
    m_peer.Send("21 closing\r\n");
    EXPECT_EQ(NextReply(), CMailInfo::MAILINFO_REPLY_4XX);
}

TEST_F(MailInfoReceiveTest, SixHundredByteReplyIsOneReply) {
    const std::string reply = "250 " + std::string(594, 'x') + "\r\n";
    m_peer.Send(reply + "354 next\r\n");
    EXPECT_EQ(NextReply(), CMailInfo::MAILINFO_REPLY_2XX);
    EXPECT_EQ(NextReply(), CMailInfo::MAILINFO_REPLY_3XX);
    EXPECT_NE(Log().find("MailInfo::Receive: 250 " + std::string(594, 'x') + "\\r\\n\n"), std::string::npos);
}

TEST_F(MailInfoReceiveTest, LineWithoutNumberIsAReplyOfTheOtherClass) {
    m_peer.Send("Hello there\r\n250 OK\n");
    EXPECT_EQ(NextReply(), CMailInfo::MAILINFO_REPLY_OTHER);
    EXPECT_EQ(NextReply(), CMailInfo::MAILINFO_REPLY_2XX);
}

TEST_F(MailInfoReceiveTest, EndlessLineIsGivenUpAfterTheLimitAndTheNextReplyStillCounts) {
    // Far more than the limit in one line: the codec gives it up once and drops the rest of it.
    m_peer.Send(std::string(3 * CMailInfo::REPLY_LIMIT, 'g'));
    EXPECT_EQ(NextReply(), CMailInfo::MAILINFO_REPLY_OTHER);
    EXPECT_TRUE(Drain().empty());
    m_peer.Send(std::string(1000, 'g') + "250 hidden in the garbage\r\n250 OK\r\n");
    EXPECT_EQ(NextReply(), CMailInfo::MAILINFO_REPLY_2XX);
    EXPECT_TRUE(Drain().empty());
    const std::string log = Log();
    EXPECT_NE(log.find("MailInfo::Receive: No reply end within "), std::string::npos);
    EXPECT_EQ(log.find("hidden in the garbage"), std::string::npos);
    EXPECT_NE(log.find("MailInfo::Receive: 250 OK\\r\\n\n"), std::string::npos);
}

TEST_F(MailInfoReceiveTest, EndlessMultiLineReplyIsGivenUpToo) {
    std::string lines;
    while (lines.size() < 2 * CMailInfo::REPLY_LIMIT) {
        lines += "250-" + std::string(60, 'c') + "\r\n";
    }
    m_peer.Send(lines);
    EXPECT_EQ(NextReply(), CMailInfo::MAILINFO_REPLY_OTHER);
}

TEST_F(MailInfoReceiveTest, ServerClosingInTheMiddleOfAReplyIsNoticedAtOnce) {
    m_peer.Send("250 O");
    EXPECT_TRUE(Drain().empty());
    EXPECT_FALSE(m_info.ConnectionLost());
    m_peer.Close();
    ASSERT_TRUE(WaitFor([&] {
        m_info.Receive();
        return m_info.ConnectionLost();
    }));
    EXPECT_NE(
        Log().find("MailInfo::Receive: Connection closed by the server in the middle of a reply: 250 O\n"),
        std::string::npos);
    EXPECT_EQ(m_info.Receive(), CMailInfo::MAILINFO_REPLY_NONE);
}

TEST_F(MailInfoReceiveTest, RepliesSentBeforeTheServerClosedAreStillHandedOut) {
    m_peer.Send("451 later\r\n221 Bye\r\n");
    m_peer.Close();
    EXPECT_EQ(NextReply(), CMailInfo::MAILINFO_REPLY_4XX);
    EXPECT_FALSE(m_info.ConnectionLost());
    EXPECT_EQ(m_info.Receive(), CMailInfo::MAILINFO_REPLY_2XX);
    ASSERT_TRUE(WaitFor([&] {
        m_info.Receive();
        return m_info.ConnectionLost();
    }));
    EXPECT_NE(Log().find("MailInfo::Receive: Connection closed by the server\n"), std::string::npos);
}

TEST_F(MailInfoReceiveTest, CloseForgetsWhatWasLeftUnread) {
    m_peer.Send("250 OK\r\n250 left over\r\n");
    EXPECT_EQ(NextReply(), CMailInfo::MAILINFO_REPLY_2XX);
    m_info.Close();
    EXPECT_EQ(m_info.Receive(), CMailInfo::MAILINFO_REPLY_NONE);
    EXPECT_EQ(Log().find("left over"), std::string::npos);
}
