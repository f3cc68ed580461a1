#pragma once

#include "Clock.h"
#include "LogFile.h"
#include "MailHandlerMsg.h"
#include "StrList.h"
#include "TcpIpProt.h"

#include <cstddef>
#include <string>
#include <string_view>

// The SMTP side of the mail handler: command texts, the composed message, and the class of each
// server reply by its leading number. Replies are assembled from the byte stream line by line, so
// neither a reply cut over several reads nor two replies in one read confuse the dialogue.
class CMailInfo {
public:
    enum ECommand {
        MAILINFO_CMD_HELO = 0,
        MAILINFO_CMD_MAIL_FROM = 1,
        MAILINFO_CMD_RCPT_TO = 2,
        MAILINFO_CMD_DATA = 3,
        MAILINFO_CMD_MESSAGE = 4,
        MAILINFO_CMD_QUIT = 5,
    };

    // Class of a server reply; MAILINFO_REPLY_NONE when nothing was read.
    enum EReplyClass {
        MAILINFO_REPLY_NONE = 0,
        MAILINFO_REPLY_2XX = 1,
        MAILINFO_REPLY_3XX = 2,
        MAILINFO_REPLY_4XX = 3,
        MAILINFO_REPLY_5XX = 4,
        MAILINFO_REPLY_OTHER = 5,
    };

    // Where a connection being made stands (ConnectProgress).
    enum EConnect {
        MAILINFO_CONNECT_BUSY = 0,   // the server's name is being looked up
        MAILINFO_CONNECT_OK = 1,     // the connection is under way or made
        MAILINFO_CONNECT_FAILED = 2, // no such name, or no connection to it could be started
    };

    static constexpr int BUFFER_SIZE = 256;
    // A reply that has not ended within this many bytes is garbage: it is given up as a reply of
    // class MAILINFO_REPLY_OTHER, so a server can never make the station hold more than this.
    static constexpr std::size_t REPLY_LIMIT = 4096;

    explicit CMailInfo(const IClock& clock = CSystemClock::Instance()) : m_clock(&clock) {}
    virtual ~CMailInfo() = default;
    CMailInfo(const CMailInfo&) = delete;
    CMailInfo& operator=(const CMailInfo&) = delete;

    // Keeps the log; the socket layer of this platform needs no start-up of its own.
    bool Init(CLogFile* log);
    void SetLog(CLogFile* log) { m_log = log; }

    // Starts connecting to the server; false (logged) when that failed at once. A server given by
    // name is looked up first, without blocking: ConnectProgress tells when that is done.
    bool Connect(const std::string& host, std::uint16_t port);
    // After Connect, polled until it is no longer MAILINFO_CONNECT_BUSY; a failure is logged.
    int ConnectProgress();
    // Closes the connection and gives up a name lookup still running.
    void Close();
    // The name resolver of later connections (tests give a slow one).
    void SetResolveFunction(CHostResolver::ResolveFunction resolve) {
        m_tcp.SetResolveFunction(std::move(resolve));
    }
    // Builds the command text, logs it and sends it. False when it could not be sent.
    bool Send(int command, const std::string& argument);
    // Sends the composed message (headers and encoded body) with its end-of-data line.
    bool SendMessage(const CMailHandlerMsg& mail, const CStrList& recipients);
    // The class of the next complete reply, MAILINFO_REPLY_NONE while there is none. A reply
    // already received is handed out first; otherwise one read of at most 255 bytes is made.
    // Bytes beyond the reply are kept for the next call.
    int Receive();
    // True when the server closed the connection or the socket failed and no complete reply is
    // left: no reply can come any more.
    bool ConnectionLost() const;
    // True when a complete reply is already read and waits for Receive.
    bool ReplyBuffered() const { return ReplyLength(m_received) != 0; }
    // The connection's socket, for a wait on it; -1 while there is none.
    int SocketFd() const { return m_tcp.Fd(); }

    // The class of a reply text by its leading decimal number.
    static int ClassifyReply(std::string_view text);
    // Length of the first complete reply at the start of the text (its last line ends in LF and is
    // not a "NNN-" line), or 0 when the text holds no complete reply yet.
    static std::size_t ReplyLength(std::string_view text);

    // The message as it goes over the wire between DATA and the end-of-data line: Date, From,
    // one To per recipient, Subject, the MIME headers, an empty line and the body in
    // quoted-printable, dot-stuffed. The body decodes to exactly mail.Body.
    static std::string ComposeMessage(const CMailHandlerMsg& mail, const CStrList& recipients,
                                      const SLocalTime& now);
    // Quoted-printable lines of at most 76 characters; CR LF of the text are the line breaks. The
    // result carries no line end of its own after the last line: when the text ends in CR LF the
    // end-of-data line supplies it, otherwise the result ends in a soft line break.
    static std::string EncodeQuotedPrintable(std::string_view text);
    // A line that begins with a full stop gets one more in front, so that the server neither
    // takes it for the end of the data nor drops its first character.
    static std::string DotStuff(std::string_view text);
    // RFC 5322 date of a local time, such as "Tue, 05 Mar 2024 07:04:09 +0100".
    static std::string FormatDate(const SLocalTime& now);
    // A header value as it may go into the header: ASCII unchanged, anything else as UTF-8
    // encoded-words; line breaks never pass.
    static std::string EncodeHeaderText(std::string_view text);

    // Log form of a text: CR, LF and other control bytes made visible, so one entry stays one line.
    static std::string Printable(std::string_view text);

private:
    bool SendText(const std::string& text, std::string_view logText);
    void Log(std::string_view source, std::string_view text);
    // Adds received bytes, dropping what is left of an overlong line.
    void Append(const char* data, std::size_t length);
    void ClearReceived();

    const IClock* m_clock;
    CLogFile* m_log = nullptr;
    CTcpIpProt m_tcp;
    char m_buffer[BUFFER_SIZE] = {};
    std::string m_received;  // bytes of replies not yet handed out
    bool m_skipLine = false; // the rest of an overlong line is dropped up to its end
    bool m_lost = false;
};
