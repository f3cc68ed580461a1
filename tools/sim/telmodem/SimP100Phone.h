#pragma once

#include "SimLiftPhone.h"

#include <deque>
#include <string>

// A P100 lift telephone: sends its messages unasked, one per listen of the modem, with the
// troubles scripted before each. Once the script is used up it stays silent.
class CSimP100Phone : public CSimLiftPhone {
public:
    enum ECode : std::uint8_t {
        CODE_ALARM = 0,
        CODE_VOICE = 1,
        CODE_OPFAIL = 2,
        CODE_TEST = 3,
        CODE_USERID = 4,
        CODE_USERDATA = 5
    };

    static constexpr std::size_t MAX_USER_DATA = 126;

    std::string Name() const override { return "P100"; }
    std::vector<SSimP100Step> P100Listen(int attempt) override;
    std::optional<std::vector<std::uint8_t>> CpcRequest(const std::vector<std::uint8_t>&) override {
        return std::nullopt;
    }
    std::string RawReceived(const std::vector<std::uint8_t>& bytes) override;
    // A UserId only announces the data to come: the UserData messages are the alarms.
    void MessageConfirmed() override;

    // Script, in sending order. IDs are 8 decimal digits; false when an argument is malformed.
    bool AddMessage(ECode code, const std::string& id);
    bool AddOpFail(const std::string& id, int kind, int data);
    bool AddUserData(const std::vector<std::uint8_t>& bytes);
    // Any sequence of 4-bit values, for messages the station must reject.
    void AddRaw(const std::vector<std::uint8_t>& nibbles);
    void AddTrouble(SSimP100Step::EKind kind);

    std::size_t StepsLeft() const { return m_script.size(); }
    const std::vector<std::uint8_t>& LastCommand() const { return m_lastCommand; }

    // "12345678" -> the eight digit values; empty when it is not 8 digits.
    static std::vector<std::uint8_t> IdNibbles(const std::string& id);

private:
    std::deque<SSimP100Step> m_script;
    std::vector<std::uint8_t> m_lastCommand;
    std::deque<std::uint8_t> m_unconfirmed; // codes of the messages sent, oldest first
};
