#pragma once

#include "SimFrame.h"

#include <cstdint>
#include <string>
#include <vector>

// The station's end of the simulator's line for the simulator's own tests: opens the COM link
// raw, writes frames and reads the replies with a time-out, as a minimal serial port would.
class CPtyClient {
public:
    ~CPtyClient();

    bool Open(const std::string& path);
    void Close();

    // false when the write failed.
    bool Write(const std::vector<std::uint8_t>& bytes);
    bool SendFrame(std::uint8_t code, const std::vector<std::uint8_t>& data);
    // Drops whatever is waiting.
    void Discard();
    // Reads one whole frame within the time-out; false on time-out or a wrong check byte.
    bool ReadFrame(SSimFrame& frame, int timeoutMs, bool* badCheck = nullptr);
    // Every byte that arrives within the time-out.
    std::vector<std::uint8_t> ReadAll(int timeoutMs);
    // Sends a frame and reads its reply.
    bool Exchange(std::uint8_t code, const std::vector<std::uint8_t>& data, SSimFrame& reply,
                  int timeoutMs = 300);
    // Polls until the reply's flags satisfy (flags & mask) == value; false after the time-out.
    bool PollUntil(std::uint8_t mask, std::uint8_t value, int timeoutMs, SSimFrame* last = nullptr);
    // Polls (acknowledging reports) until a reply with the code arrives.
    bool PollForReport(std::uint8_t code, int timeoutMs, SSimFrame& report);

private:
    int m_fd = -1;
    bool m_ackOwed = false;
};
