#include "MailInfo.h"

#include "StrList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// Undoes quoted-printable as a receiver does: soft breaks vanish, =XX becomes the byte.
std::string DecodeQuotedPrintable(const std::string& encoded) {
    std::string out;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != '=') {
            out += encoded[i];
        } else if (encoded.compare(i + 1, 2, "\r\n") == 0) {
            i += 2;
        } else if (i + 1 == encoded.size()) {
            // soft break at the very end: the end-of-data line's CR LF is not part of the text
        } else {
            out += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
            i += 2;
        }
    }
    return out;
}

// What the receiver reads for a text that EncodeQuotedPrintable made: the end-of-data line
// supplies the last CR LF.
std::string Received(const std::string& encoded) {
    return DecodeQuotedPrintable(encoded + "\r\n");
}

void ExpectWellFormed(const std::string& encoded) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = encoded.find("\r\n", start);
        const std::string line =
            encoded.substr(start, end == std::string::npos ? std::string::npos : end - start);
        EXPECT_LE(line.size(), 76u) << line;
        for (unsigned char c : line) {
            EXPECT_TRUE((c >= 32 && c < 127) || c == '\t') << "byte " << int(c) << " in " << line;
        }
        if (!line.empty()) {
            EXPECT_NE(line.back(), ' ') << line;
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 2;
    }
}

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
            m_had = true;
        }
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (m_had) {
            setenv("TZ", m_old.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::string m_old;
    bool m_had = false;
};

} // namespace

TEST(MailInfoReplyClass, LeadingNumberDecidesTheClass) {
    struct Case {
        const char* text;
        int expected;
    } cases[] = {
        {"220 mail.example.com ESMTP\r\n", CMailInfo::MAILINFO_REPLY_2XX},
        {"250-first line\r\n250 last line\r\n", CMailInfo::MAILINFO_REPLY_2XX},
        {"354 End data with <CR><LF>.<CR><LF>\r\n", CMailInfo::MAILINFO_REPLY_3XX},
        {"421 Service not available\r\n", CMailInfo::MAILINFO_REPLY_4XX},
        {"550 No such user\r\n", CMailInfo::MAILINFO_REPLY_5XX},
        {"  \t+250 ok", CMailInfo::MAILINFO_REPLY_2XX},
        {"299", CMailInfo::MAILINFO_REPLY_2XX},
        {"199 too low", CMailInfo::MAILINFO_REPLY_OTHER},
        {"600 too high", CMailInfo::MAILINFO_REPLY_OTHER},
        {"-250 negative", CMailInfo::MAILINFO_REPLY_OTHER},
        {"Hello without a number\r\n", CMailInfo::MAILINFO_REPLY_OTHER},
        {"", CMailInfo::MAILINFO_REPLY_OTHER},
        {"25", CMailInfo::MAILINFO_REPLY_OTHER},
        {"0 OK\r\n", CMailInfo::MAILINFO_REPLY_OTHER},
        {"250000000000000000000000000000 overflow", CMailInfo::MAILINFO_REPLY_OTHER},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CMailInfo::ClassifyReply(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(MailInfoQuotedPrintable, EncodesWhatSevenBitCannotCarry) {
    EXPECT_EQ(CMailInfo::EncodeQuotedPrintable("a=b\r\n"), "a=3Db");
    EXPECT_EQ(CMailInfo::EncodeQuotedPrintable("Größe\r\n"), "Gr=C3=B6=C3=9Fe");
    // Blanks that end a line would be stripped on the way.
    EXPECT_EQ(CMailInfo::EncodeQuotedPrintable("x \r\ny\t\r\n"), "x=20\r\ny=09");
    // A lone CR or LF is a byte of the text, not a line break.
    EXPECT_EQ(CMailInfo::EncodeQuotedPrintable("a\nb\rc\r\n"), "a=0Ab=0Dc");
}

TEST(MailInfoQuotedPrintable, DecodesToExactlyTheTextWithOrWithoutFinalLineEnd) {
    const std::string texts[] = {
        "",
        "\r\n",
        "no line end",
        "one line\r\n",
        "\r\n***\r\nALARM FROM MORA ALARM-RECEIVER\r\n\r\n\r\n***\r\n",
        "two empty lines at the end\r\n\r\n\r\n",
        "trailing blank \r\n\ttab first",
        std::string(200, 'a') + "\r\n" + std::string(77, '=') + "\r\n",
    };
    for (const std::string& text : texts) {
        const std::string encoded = CMailInfo::EncodeQuotedPrintable(text);
        ExpectWellFormed(encoded);
        EXPECT_EQ(Received(encoded), text) << encoded;
    }
}

TEST(MailInfoQuotedPrintable, LongLinesAreSoftBrokenWithoutSplittingAByte) {
    std::string line;
    for (int i = 0; i < 120; ++i) {
        line += "é";
    }
    line += "\r\n";
    const std::string encoded = CMailInfo::EncodeQuotedPrintable(line);
    ExpectWellFormed(encoded);
    EXPECT_NE(encoded.find("=\r\n"), std::string::npos);
    // Every escape is complete: "=" is followed by two hex digits or by the soft line break.
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '=') {
            ASSERT_TRUE(encoded.compare(i + 1, 2, "\r\n") == 0 ||
                        (i + 2 < encoded.size() &&
                         std::isxdigit(static_cast<unsigned char>(encoded[i + 1])) &&
                         std::isxdigit(static_cast<unsigned char>(encoded[i + 2]))))
                << encoded.substr(i, 10);
        }
    }
    EXPECT_EQ(Received(encoded), line);
}

TEST(MailInfoDotStuffing, LinesBeginningWithAFullStopGetOneMore) {
    EXPECT_EQ(CMailInfo::DotStuff(".\r\n.abc\r\nx.y\r\n..two\r\n."), "..\r\n..abc\r\nx.y\r\n...two\r\n..");
    EXPECT_EQ(CMailInfo::DotStuff("no dots\r\nat all"), "no dots\r\nat all");
    // Only CR LF starts a line on the wire.
    EXPECT_EQ(CMailInfo::DotStuff("a\n.b"), "a\n.b");
}

TEST(MailInfoHeaders, DateFollowsTheLocalZone) {
    {
        ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
        EXPECT_EQ(CMailInfo::FormatDate(SLocalTime{2024, 3, 5, 7, 4, 9, 42, 2}),
                  "Tue, 05 Mar 2024 07:04:09 +0100");
        EXPECT_EQ(CMailInfo::FormatDate(SLocalTime{2024, 7, 14, 23, 59, 1, 0, 0}),
                  "Sun, 14 Jul 2024 23:59:01 +0200");
    }
    {
        ScopedTimeZone zone("EST5EDT,M3.2.0,M11.1.0");
        EXPECT_EQ(CMailInfo::FormatDate(SLocalTime{2024, 12, 31, 0, 0, 0, 0, 0}),
                  "Tue, 31 Dec 2024 00:00:00 -0500");
    }
}

TEST(MailInfoHeaders, SubjectOutsideAsciiBecomesEncodedWordsAndLineBreaksNeverPass) {
    EXPECT_EQ(CMailInfo::EncodeHeaderText("Brennvik MORA Alarm Message"), "Brennvik MORA Alarm Message");
    EXPECT_EQ(CMailInfo::EncodeHeaderText("Hi\r\nBcc: x@y"), "Hi  Bcc: x@y");
    // "é" is C3 A9: base64 "w6k=".
    EXPECT_EQ(CMailInfo::EncodeHeaderText("é"), "=?UTF-8?B?w6k=?=");
    std::string longText;
    for (int i = 0; i < 40; ++i) {
        longText += "ä";
    }
    const std::string encoded = CMailInfo::EncodeHeaderText(longText);
    // 80 bytes: two encoded-words on folded lines, each within the 75-character limit.
    const std::size_t fold = encoded.find("\r\n ");
    ASSERT_NE(fold, std::string::npos);
    EXPECT_LE(fold, 75u);
    EXPECT_LE(encoded.size() - fold - 3, 75u);
    EXPECT_EQ(encoded.find("\r\n ", fold + 1), std::string::npos);
}

TEST(MailInfoCompose, HeadersThenTheEncodedBody) {
    ScopedTimeZone zone("UTC0");
    CMailHandlerMsg mail(1);
    mail.SenderAddress = "mora@station.example";
    mail.Subject = "Brennvik MORA Alarm Message";
    mail.Body = "Line one\r\n.\r\nLine three\r\n";
    CStrList recipients;
    recipients.SplitList("tech@example.com; boss@example.com");
    EXPECT_EQ(CMailInfo::ComposeMessage(mail, recipients, SLocalTime{2024, 3, 5, 7, 4, 9, 42, 2}),
              "Date: Tue, 05 Mar 2024 07:04:09 +0000\r\n"
              "From: <mora@station.example>\r\n"
              "To: <tech@example.com>\r\n"
              "To: <boss@example.com>\r\n"
              "Subject: Brennvik MORA Alarm Message\r\n"
              "MIME-Version: 1.0\r\n"
              "Content-Type: text/plain; charset=UTF-8\r\n"
              "Content-Transfer-Encoding: quoted-printable\r\n"
              "\r\n"
              "Line one\r\n"
              "..\r\n"
              "Line three");
}

TEST(MailInfoRecipients, SplitAtSemicolonsAndCommasWithoutEmptyParts) {
    CStrList list;
    list.SplitList("a@x.se; b@y.se,,c@z.se");
    ASSERT_EQ(list.GetCount(), 3u);
    EXPECT_EQ(list.GetAt(0), "a@x.se");
    EXPECT_EQ(list.GetAt(1), "b@y.se");
    EXPECT_EQ(list.GetAt(2), "c@z.se");
    list.SplitList(" ; ,, ");
    EXPECT_TRUE(list.IsEmpty());
}
