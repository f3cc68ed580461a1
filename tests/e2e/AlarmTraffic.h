#pragma once

#include "AlarmLogWatch.h"
#include "GsmModemSim.h"
#include "SimLiftPhone.h"
#include "SimTelModem.h"

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

// Alarms of every kind placed one after the other on the simulated modems, each with an ID code
// (or SMS text) of its own, and the account of what became of them: which ones the lift or the
// GSM modem counts as delivered (the telephone heard the acknowledgement, the SMS was deleted),
// and how often each of those is in the alarm log.
class CAlarmTraffic {
public:
    enum EKind {
        P100_ALARM,
        P100_TEST,
        P100_OPFAIL,
        P100_VOICE,
        MONITORING,
        CPC_TEST,
        CPC_OPFAIL,
        CPC_VOICE,
        SMS
    };
    static const char* KindName(EKind kind);

    struct SAlarm {
        EKind Kind = P100_ALARM;
        std::string IdCode;
        std::string SmsText;
        std::size_t Records = 1; // rows the alarm makes in the log
        std::shared_ptr<CSimLiftPhone> Phone;
        std::uint64_t PlacedUs = 0;
    };

    // What the account found; windows are commit time minus acknowledgement time, in ms
    // (negative: stored before the lift or the modem was told).
    struct SAccount {
        std::size_t Placed = 0;
        std::size_t Acknowledged = 0;
        std::size_t StoredOnce = 0;
        std::size_t LostInWindow = 0; // acknowledged, and the kill came before its commit could
        std::size_t Lost = 0;
        std::size_t DuplicateInWindow = 0; // stored, killed before the SMS was deleted, read again
        std::size_t Duplicate = 0;
        std::size_t StoredUnacknowledged = 0;
        std::vector<std::string> Problems;
        std::vector<double> WindowMs[SMS + 1];
    };

    CAlarmTraffic(CSimTelModem& modem, CGsmModemSim& gsm, std::vector<EKind> callMix, unsigned seed);

    // Places the next call when the line has none waiting, and the next SMS when it is due.
    void Pump();
    void SetSmsIntervalMs(int ms) { m_smsIntervalMs = ms; }
    void SetSmsPaused(bool paused) { m_smsPaused = paused; }
    void SetCallsPaused(bool paused) { m_callsPaused = paused; }
    // The station was killed now (for telling a loss inside an alarm's window from any other).
    void NoteKill() { m_killsUs.push_back(CAlarmLogWatch::NowUs()); }
    // The station reported both modems ready again (after the last kill).
    void NoteReady() { m_readyUs.push_back(CAlarmLogWatch::NowUs()); }
    std::size_t Kills() const { return m_killsUs.size(); }
    const std::vector<SAlarm>& Alarms() const { return m_alarms; }
    std::size_t Calls() const { return m_calls; }
    std::size_t SmsCount() const { return m_sms; }

    // Every acknowledged alarm against the log. `allowanceMs`: how long after an acknowledgement
    // a kill may still lose the alarm by design (the acknowledgement comes before the commit).
    SAccount Account(const CAlarmLogWatch& log, double allowanceMs) const;
    static std::string Describe(const SAccount& account);

private:
    void PlaceCall(EKind kind);
    void PlaceSms();
    std::string NextId(char prefix);

    CSimTelModem& m_modem;
    CGsmModemSim& m_gsm;
    std::vector<EKind> m_mix;
    std::size_t m_next = 0;
    std::minstd_rand m_random;
    int m_serial = 0;
    int m_smsIntervalMs = 1000;
    bool m_smsPaused = false;
    bool m_callsPaused = false;
    std::uint64_t m_nextSmsUs = 0;
    std::size_t m_calls = 0;
    std::size_t m_sms = 0;
    std::vector<SAlarm> m_alarms;
    std::vector<std::uint64_t> m_killsUs;
    std::vector<std::uint64_t> m_readyUs;
};
