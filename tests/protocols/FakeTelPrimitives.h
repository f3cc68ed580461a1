#pragma once

#include "CpcInfo.h"
#include "P100Info.h"
#include "TelPrimitives.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

// The telephone handler's primitives as the protocols see them, with the handler's step
// discipline: the first call of an exchange arms, the second sends the request (recorded), and
// later calls deliver the next scripted report of the modem, or 0 while none is scripted. After
// reports 4, 5 and 6 the exchange stays open, as the modem keeps retrying.
class CFakeTelPrimitives : public ITelPrimitives {
public:
    struct SRequest {
        std::uint16_t Protocol;
        std::uint16_t Param;
        friend bool operator==(const SRequest&, const SRequest&) = default;
    };

    // A report of the modem for the next exchange step.
    void Report(std::uint16_t result, std::unique_ptr<CTelHandlerMsg> record = nullptr) {
        m_reports.push_back({result, std::move(record)});
    }
    // The telephone answers with these CPC digits; like the handler, a reply the decoder rejects
    // gives no report, and the wait ends as a communication error.
    void ReplyCpc(std::vector<std::uint8_t> digits) {
        CCpcInfo codec;
        auto record = codec.Decode(digits);
        if (record == nullptr) {
            Report(TELHND_SRRET_COM_ERROR);
        } else {
            Report(TELHND_SRRET_RECEIVE_OK, std::move(record));
        }
    }
    // The telephone sends this P100 message; a message the decoder rejects is reported as a start
    // time-out.
    void ReplyP100(std::vector<std::uint8_t> values) {
        CP100Info codec;
        auto record = codec.Decode(values);
        if (record == nullptr) {
            Report(TELHND_SRRET_START_TIMEOUT);
        } else {
            Report(TELHND_SRRET_RECEIVE_OK, std::move(record));
        }
    }
    void RawResult(std::uint16_t result) { m_rawResults.push_back(result); }

    std::uint16_t SendReceive(std::uint16_t protocol, std::uint16_t param,
                              std::unique_ptr<CTelHandlerMsg>& record) override {
        ++m_calls;
        if (!m_armed) {
            m_armed = true;
            m_sent = false;
            return TELHND_SRRET_BUSY;
        }
        if (!m_sent) {
            m_sent = true;
            Requests.push_back({protocol, param});
            return TELHND_SRRET_BUSY;
        }
        if (m_reports.empty()) {
            return TELHND_SRRET_BUSY;
        }
        SReport report = std::move(m_reports.front());
        m_reports.pop_front();
        const bool modemRetrying = report.Result == TELHND_SRRET_MESSAGE_TIMEOUT ||
                                   report.Result == TELHND_SRRET_CHECKSUM_ERROR ||
                                   report.Result == TELHND_SRRET_TIMING_ERROR;
        if (!modemRetrying) {
            m_armed = false;
        }
        if (report.Result == TELHND_SRRET_RECEIVE_OK) {
            record = std::move(report.Record);
        }
        return report.Result;
    }

    std::uint16_t SendRaw(const CBufferMsg& bytes) override {
        if (!m_rawArmed) {
            m_rawArmed = true;
            m_rawSent = false;
            return TELHND_RAWRET_BUSY;
        }
        if (!m_rawSent) {
            m_rawSent = true;
            RawSends.emplace_back(bytes.Data.begin(), bytes.Data.begin() + bytes.Length);
            return TELHND_RAWRET_BUSY;
        }
        if (m_rawResults.empty()) {
            return TELHND_RAWRET_BUSY;
        }
        const std::uint16_t result = m_rawResults.front();
        m_rawResults.pop_front();
        m_rawArmed = false;
        return result;
    }

    std::size_t PendingReports() const { return m_reports.size(); }
    int Calls() const { return m_calls; }

    std::vector<SRequest> Requests;
    std::vector<std::vector<std::uint8_t>> RawSends;

private:
    struct SReport {
        std::uint16_t Result;
        std::unique_ptr<CTelHandlerMsg> Record;
    };
    std::deque<SReport> m_reports;
    std::deque<std::uint16_t> m_rawResults;
    bool m_armed = false;
    bool m_sent = false;
    bool m_rawArmed = false;
    bool m_rawSent = false;
    int m_calls = 0;
};
