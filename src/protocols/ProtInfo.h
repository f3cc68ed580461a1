#pragma once

#include "BufferMsg.h"
#include "LogFile.h"
#include "TelHandlerMsg.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

// What the decoders of the telephones' messages (CPC and P100) have in common: the log, the hex
// dump of every payload they are given, and taking the payload out of a whole modem reply.
class CProtInfo {
public:
    explicit CProtInfo(CLogFile* log = nullptr) : m_log(log) {}
    virtual ~CProtInfo() = default;
    CProtInfo(const CProtInfo&) = delete;
    CProtInfo& operator=(const CProtInfo&) = delete;

    void SetLog(CLogFile* log) { m_log = log; }

    // Decodes the values the modem reported (the reply's parameters, without code and flags).
    // Returns a kind-42 record, or none when the message is not valid in this protocol.
    virtual std::unique_ptr<CTelHandlerMsg> Decode(std::span<const std::uint8_t> payload) = 0;
    // The same, from a whole reply frame (Data[2 .. 2 + Length)); a Length beyond the buffer is
    // cut to what the buffer holds.
    std::unique_ptr<CTelHandlerMsg> DecodeFrame(const CBufferMsg& frame);

protected:
    // One log line with every payload byte in hexadecimal, each followed by a blank.
    void LogPayload(const char* source, std::span<const std::uint8_t> payload);
    void Log(const char* source, const std::string& text);

    CLogFile* m_log;
};
