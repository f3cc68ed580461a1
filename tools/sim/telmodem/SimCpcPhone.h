#pragma once

#include "SimLiftPhone.h"

#include <array>
#include <deque>
#include <string>

// A CPC lift telephone: answers each request of the station by the digit tables, with scripted
// silences (no valid answer), refusals and garbled answers.
class CSimCpcPhone : public CSimLiftPhone {
public:
    enum ERequest { REQ_ID, REQ_ALARMCODE, REQ_ACK, REQ_DISCONNECT, REQ_TIMEUPDATE, REQ_UNKNOWN, REQ_COUNT };
    enum ETrouble {
        TROUBLE_SILENT,  // no valid answer: the modem reports a negative result
        TROUBLE_REFUSE,  // answers "0 1 0"
        TROUBLE_GARBLED, // answers digits no station can decode ("0 9 9")
    };

    // Alarm codes: 10 or 27 voice, 17 operational failure, 26 test alarm.
    CSimCpcPhone(int modelCode = 5, int alarmCode = 26, std::string id = "12345678");

    std::string Name() const override { return "CPC"; }
    std::vector<SSimP100Step> P100Listen(int) override { return {SSimP100Step{SSimP100Step::NO_START, {}}}; }
    std::optional<std::vector<std::uint8_t>> CpcRequest(const std::vector<std::uint8_t>& digits) override;
    std::string RawReceived(const std::vector<std::uint8_t>& bytes) override;

    // False when a value is out of range (model 0-9, alarm code 0-99, ID 6-8 digits).
    bool Configure(int modelCode, int alarmCode, const std::string& id);
    void AddTrouble(ERequest request, ETrouble trouble, int times = 1);

    int Requests(ERequest request) const { return m_requests[request]; }

    static ERequest Classify(const std::vector<std::uint8_t>& digits);
    static const char* RequestName(ERequest request);
    // "id", "alarmcode", ... -> request; REQ_UNKNOWN when none fits.
    static ERequest ParseRequest(const std::string& name);

private:
    int m_modelCode;
    int m_alarmCode;
    std::string m_id;
    std::array<std::deque<ETrouble>, REQ_COUNT> m_troubles;
    std::array<int, REQ_COUNT> m_requests{};
};
