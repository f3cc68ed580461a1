#include "AlarmTraffic.h"

#include "SimCpcPhone.h"
#include "SimP100Phone.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

constexpr const char* SMS_SENDER = "+46701234567";
constexpr std::size_t SMS_WAITING_MAX = 3;

} // namespace

const char* CAlarmTraffic::KindName(EKind kind) {
    static const char* const names[] = {"P100 alarm",  "P100 test",       "P100 failure",
                                        "P100 voice",  "lift monitoring", "CPC test",
                                        "CPC failure", "CPC voice",       "SMS"};
    return names[kind];
}

CAlarmTraffic::CAlarmTraffic(CSimTelModem& modem, CGsmModemSim& gsm, std::vector<EKind> callMix,
                             unsigned seed)
    : m_modem(modem), m_gsm(gsm), m_mix(std::move(callMix)), m_random(seed) {}

std::string CAlarmTraffic::NextId(char prefix) {
    char id[16];
    std::snprintf(id, sizeof id, "%c%07d", prefix, ++m_serial % 10000000);
    return id;
}

void CAlarmTraffic::Pump() {
    if (!m_callsPaused && !m_mix.empty() && m_modem.CallsWaiting() == 0) {
        PlaceCall(m_mix[m_next++ % m_mix.size()]);
    }
    const std::uint64_t now = CAlarmLogWatch::NowUs();
    if (!m_smsPaused && now >= m_nextSmsUs && m_gsm.StoredSms().size() < SMS_WAITING_MAX) {
        PlaceSms();
        // Some jitter, so that kills meet every step of the reading.
        const int jitter = static_cast<int>(m_random() % static_cast<unsigned>(m_smsIntervalMs / 2 + 1));
        m_nextSmsUs = now + static_cast<std::uint64_t>(m_smsIntervalMs * 3 / 4 + jitter) * 1000;
    }
}

void CAlarmTraffic::PlaceCall(EKind kind) {
    SAlarm alarm;
    alarm.Kind = kind;
    switch (kind) {
    case CPC_TEST:
    case CPC_OPFAIL:
    case CPC_VOICE: {
        alarm.IdCode = NextId('3');
        const int code = kind == CPC_TEST ? 26 : kind == CPC_OPFAIL ? 17 : 10;
        alarm.Phone = std::make_shared<CSimCpcPhone>(5, code, alarm.IdCode);
        break;
    }
    default: {
        alarm.IdCode = NextId('2');
        auto phone = std::make_shared<CSimP100Phone>();
        switch (kind) {
        case P100_TEST:
            phone->AddMessage(CSimP100Phone::CODE_TEST, alarm.IdCode);
            break;
        case P100_OPFAIL:
            phone->AddOpFail(alarm.IdCode, 1, 0x42);
            break;
        case P100_VOICE:
            phone->AddMessage(CSimP100Phone::CODE_VOICE, alarm.IdCode);
            break;
        case MONITORING:
            phone->AddMessage(CSimP100Phone::CODE_USERID, alarm.IdCode);
            phone->AddUserData({0x01, 0x41, 0x31, 0x36});
            phone->AddUserData({0x02, 0x04, 0xFF, 0xBA});
            alarm.Records = 2;
            break;
        default:
            phone->AddMessage(CSimP100Phone::CODE_ALARM, alarm.IdCode);
            break;
        }
        alarm.Phone = phone;
        break;
    }
    }
    alarm.PlacedUs = CAlarmLogWatch::NowUs();
    m_modem.Call(alarm.Phone, SSimRingPlan{4, 200, 300});
    m_alarms.push_back(alarm);
    ++m_calls;
}

void CAlarmTraffic::PlaceSms() {
    SAlarm alarm;
    alarm.Kind = SMS;
    alarm.IdCode = SMS_SENDER;
    char text[48];
    std::snprintf(text, sizeof text, "Lift %07d stopped between floors", ++m_serial % 10000000);
    alarm.SmsText = text;
    alarm.PlacedUs = CAlarmLogWatch::NowUs();
    m_gsm.StoreSms(SMS_SENDER, alarm.SmsText);
    m_alarms.push_back(alarm);
    ++m_sms;
}

CAlarmTraffic::SAccount CAlarmTraffic::Account(const CAlarmLogWatch& log, double allowanceMs) const {
    SAccount account;
    // When each SMS text left the modem (the station deleted it), by text.
    std::map<std::string, std::uint64_t> deleted;
    for (const auto& d : m_gsm.DeletedSms()) {
        deleted.emplace(d.Sms.Text, d.SteadyUs);
    }
    const auto killAfter = [this](std::uint64_t us) -> std::uint64_t {
        const auto it = std::upper_bound(m_killsUs.begin(), m_killsUs.end(), us);
        return it == m_killsUs.end() ? 0 : *it;
    };
    for (const SAlarm& alarm : m_alarms) {
        ++account.Placed;
        std::uint64_t ackUs = 0;
        if (alarm.Kind == SMS) {
            const auto it = deleted.find(alarm.SmsText); // plain ASCII: the same in the GSM alphabet
            ackUs = it == deleted.end() ? 0 : it->second;
        } else {
            ackUs = alarm.Phone->AcknowledgedUs();
        }
        const auto rows = log.Find(alarm.IdCode, alarm.SmsText);
        const std::string name = std::string(KindName(alarm.Kind)) + " " +
                                 (alarm.Kind == SMS ? "\"" + alarm.SmsText + "\"" : alarm.IdCode);
        if (ackUs == 0) {
            account.StoredUnacknowledged += rows.empty() ? 0 : 1;
            continue;
        }
        ++account.Acknowledged;
        if (rows.size() == alarm.Records) {
            ++account.StoredOnce;
            const double window =
                (static_cast<double>(rows.back().SeenUs) - static_cast<double>(ackUs)) / 1000.0;
            account.WindowMs[alarm.Kind].push_back(window);
            continue;
        }
        if (rows.size() < alarm.Records) {
            // The modem confirms a P100 message by itself: it may do so for a listen that a killed
            // station had started, and the next start resets the modem with the report unread.
            const auto down = std::upper_bound(m_killsUs.begin(), m_killsUs.end(), ackUs);
            if (down != m_killsUs.begin()) {
                const std::size_t k = static_cast<std::size_t>(down - m_killsUs.begin()) - 1;
                const std::uint64_t ready =
                    std::upper_bound(m_readyUs.begin(), m_readyUs.end(), m_killsUs[k]) == m_readyUs.end()
                        ? UINT64_MAX
                        : *std::upper_bound(m_readyUs.begin(), m_readyUs.end(), m_killsUs[k]);
                if (ackUs < ready) {
                    ++account.LostInWindow;
                    account.Problems.push_back(name + ": lost, confirmed by the modem " +
                                               std::to_string((ackUs - m_killsUs[k]) / 1000) +
                                               " ms after a kill, before the next start was ready");
                    continue;
                }
            }
            const std::uint64_t kill = killAfter(ackUs);
            const double afterAckMs = kill == 0 ? -1 : static_cast<double>(kill - ackUs) / 1000.0;
            if (kill != 0 && afterAckMs <= allowanceMs) {
                ++account.LostInWindow;
                account.Problems.push_back(name + ": lost, killed " + std::to_string(afterAckMs) +
                                           " ms after its acknowledgement (before its commit)");
            } else {
                ++account.Lost;
                account.Problems.push_back(name + ": LOST, " + std::to_string(rows.size()) + " of " +
                                           std::to_string(alarm.Records) + " rows, next kill " +
                                           std::to_string(afterAckMs) + " ms after its acknowledgement");
            }
            continue;
        }
        // More rows than records: an SMS stored, then the kill came before its deletion, so the
        // next start read it again.
        const std::uint64_t kill = killAfter(rows.front().SeenUs);
        if (alarm.Kind == SMS && kill != 0 && kill < ackUs) {
            ++account.DuplicateInWindow;
            account.Problems.push_back(name + ": stored twice, killed between its commit and its deletion");
        } else {
            ++account.Duplicate;
            account.Problems.push_back(name + ": DUPLICATE, " + std::to_string(rows.size()) + " rows");
        }
    }
    return account;
}

std::string CAlarmTraffic::Describe(const SAccount& a) {
    std::string text = "placed " + std::to_string(a.Placed) + ", acknowledged " +
                       std::to_string(a.Acknowledged) + ", stored exactly once " +
                       std::to_string(a.StoredOnce) + ", lost inside the window " +
                       std::to_string(a.LostInWindow) + ", lost " + std::to_string(a.Lost) +
                       ", stored twice inside the window " + std::to_string(a.DuplicateInWindow) +
                       ", duplicates " + std::to_string(a.Duplicate) + ", stored but not acknowledged " +
                       std::to_string(a.StoredUnacknowledged) + "\n";
    for (int kind = P100_ALARM; kind <= SMS; ++kind) {
        const auto& w = a.WindowMs[kind];
        if (w.empty()) {
            continue;
        }
        std::vector<double> sorted = w;
        std::sort(sorted.begin(), sorted.end());
        char line[200];
        std::snprintf(
            line, sizeof line,
            "  %-16s commit minus acknowledgement (ms): n=%zu min=%.1f median=%.1f p99=%.1f max=%.1f\n",
            KindName(static_cast<EKind>(kind)), sorted.size(), sorted.front(), sorted[sorted.size() / 2],
            sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)], sorted.back());
        text += line;
    }
    for (const auto& p : a.Problems) {
        text += "  " + p + "\n";
    }
    return text;
}
