#pragma once

#include "AlarmInfoMsg.h"
#include "TelHandlerMsg.h"

#include <cstdint>
#include <memory>
#include <string>

class CAlarmList;

// An RGB colour of a panel or text.
struct SColour {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const SColour&, const SColour&) = default;
};

namespace Colours {
inline constexpr SColour Red{255, 0, 0};
inline constexpr SColour Green{0, 255, 0};
inline constexpr SColour Blue{0, 0, 255};
inline constexpr SColour Yellow{255, 255, 0};
inline constexpr SColour White{255, 255, 255};
inline constexpr SColour Black{0, 0, 0};
inline constexpr SColour Grey{192, 192, 192};
inline constexpr SColour Purple{153, 51, 153};
inline constexpr SColour Teal{0, 148, 148};
} // namespace Colours

// The logic of the alarm pop-up: what it shows for one alarm, its buttons, and in voice-call mode
// the call states with the alert and the end of the call. Drawing is left to the view.
class CAlarmDialog {
public:
    enum class EMode { Viewing, VoiceCall };

    // Call states of the incoming call manager's voice-call events.
    enum ECallState : std::uint16_t {
        CALL_RINGING_TICK = 1,
        CALL_PICK_UP_PHONE = 2,
        CALL_IN_PROGRESS = 3,
        CALL_FINISHED = 4,
        CALL_ABORTED = 5,
        CALL_TIMEOUT = 6,
    };

    static constexpr int BLINK_TIMER_MS = 100;

    // Fills the dialog from the alarm record; typeText is the list's text of the alarm's slot.
    CAlarmDialog(CAlarmList& list, const CAlarmInfoMsg& alarm, EMode mode, const std::string& typeText,
                 bool alertEnabled);

    // --- what the view shows ---
    EMode Mode() const { return m_mode; }
    std::uint32_t Key() const { return m_key; }
    int Status() const { return m_status; }
    const std::string& Caption() const { return m_caption; }
    const std::string& Title() const { return m_title; }
    SColour TitleBackground() const { return m_titleBackground; }
    const std::string& SourceText() const { return m_sourceText; }
    const std::string& IdCode() const { return m_idCode; }
    const std::string& IdInfo() const { return m_idInfo; }
    const std::string& DateText() const { return m_dateText; }
    const std::string& TimeText() const { return m_timeText; }
    const std::string& MessageText() const { return m_messageText; }
    const std::string& ObjectButtonText() const { return m_objectButtonText; }
    const std::string& StatusLine() const { return m_statusLine; }
    SColour StatusTextColour() const { return m_statusText; }
    SColour StatusBackground() const { return m_statusBackground; }
    bool AcknowledgeEnabled() const { return m_status == CAlarmInfoMsg::ALARMSTATUS_NEW || !KnownStatus(); }
    bool FinishEnabled() const {
        return m_status <= CAlarmInfoMsg::ALARMSTATUS_ACKNOWLEDGED || !KnownStatus();
    }
    const std::string& CloseButtonText() const { return m_closeButtonText; }
    const std::string& AckLine() const { return m_ackLine; }
    const std::string& AckTimeText() const { return m_ackTime; }
    const std::string& FinishLine() const { return m_finishLine; }
    const std::string& FinishTimeText() const { return m_finishTime; }

    bool VoiceGroupEnabled() const { return m_mode == EMode::VoiceCall; }
    bool SilentEnabled() const { return m_silentEnabled; }
    bool IgnoreEnabled() const { return m_ignoreEnabled; }
    const std::string& VoicePanelText() const { return m_voiceText; }
    SColour VoicePanelBackground() const { return m_voiceBackground; }
    // False while the blinking panel is in its dark phase.
    bool VoicePanelVisible() const { return !m_alerting || m_blinkCounter <= 6; }
    const std::string& TimeLeftText() const { return m_timeLeft; }
    bool BlinkTimerRunning() const { return m_timerRunning; }
    bool Alerting() const { return m_alerting; }
    bool Silenced() const { return m_silenced; }
    std::uint16_t LastCallState() const { return m_lastState; }
    bool Closed() const { return m_closed; }
    bool ObjectFound() const { return m_objectFound; }
    int Source() const { return m_source; }

    // What the object button opens: a new object with the alarm's ID code when the object was not
    // found, else the object, looked up by telephone number for a caller-ID alarm when the settings
    // say so and by ID code otherwise. Key() of the request is the ID code or the number.
    enum class EObjectAction { AddObject, OpenByIdCode, OpenByPhone };
    struct SObjectRequest {
        EObjectAction action;
        std::string key;
    };
    SObjectRequest ObjectRequest() const;

    // --- what the operator and the telephone side do ---
    void OnCallEvent(std::uint16_t state, std::uint16_t secondsLeft);
    void OnBlinkTimer();
    void OnSilent();
    void OnIgnore();
    void OnAcknowledge();
    void OnFinish();
    // Close button or close box. In voice-call mode asks first; false when the operator cancelled.
    bool OnClose();
    // Closes without asking once the call has ended; for a front end without an operator.
    void Dismiss();
    bool CallEnded() const { return m_callEnded; }
    // A newer voice call took the line before this call's end event came: the dialog follows no
    // call any more.
    void CallTakenOver();
    // The list changed this alarm's status (after Acknowledge/Finish from the list).
    void SetStatus(int status);

private:
    bool KnownStatus() const { return m_status >= 1 && m_status <= 4; }
    void ApplyStatus();
    void SetVoicePanel(const char* tag, SColour background);
    void EndCall(bool skipForwarding);
    void Changed();

    CAlarmList& m_list;
    EMode m_mode;
    std::uint32_t m_key;
    int m_status;
    int m_source;
    bool m_objectFound;
    bool m_alertEnabled;

    std::string m_caption, m_title, m_sourceText, m_idCode, m_idInfo, m_dateText, m_timeText;
    std::string m_messageText, m_objectButtonText, m_statusLine, m_closeButtonText;
    std::string m_ackLine, m_ackTime, m_finishLine, m_finishTime, m_voiceText, m_timeLeft;
    SColour m_titleBackground = Colours::Red;
    SColour m_statusText = Colours::White;
    SColour m_statusBackground = Colours::Red;
    SColour m_voiceBackground = Colours::Grey;
    bool m_silentEnabled = false;
    bool m_ignoreEnabled = false;
    bool m_timerRunning = false;
    bool m_alerting = false;
    bool m_silenced = false;
    bool m_closed = false;
    bool m_callEnded = false;
    int m_blinkCounter = 0;
    std::uint16_t m_lastState = 0;
};
