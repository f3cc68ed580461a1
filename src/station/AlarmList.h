#pragma once

#include "AlarmDialog.h"
#include "AlarmInfoMsg.h"
#include "AlarmTypeTexts.h"
#include "AlarmView.h"
#include "Clock.h"
#include "FrontEnd.h"
#include "Msg.h"
#include "Settings.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What the alarm list needs from the application core.
class IAlarmListHost {
public:
    virtual ~IAlarmListHost() = default;
    // Runs a database request; the reply arrives later through the core's queue.
    virtual void DbRequest(MsgPtr request) = 0;
    virtual void SendToTelephone(MsgPtr msg) = 0;
    // Forwards an alarm by mail and SMS to the recipients it carries.
    virtual void ForwardAlarm(const CAlarmInfoMsg& alarm) = 0;
    virtual std::string CurrentOperator() const = 0;
    virtual CSettings& Settings() = 0;
    virtual const IClock& Clock() const = 0;
};

// One row of the alarm list, as shown.
struct SAlarmRow {
    // 0 when the alarm could not be stored: such a row lives only in the list, known by localId.
    std::uint32_t key = 0;
    std::uint32_t localId = 0;
    std::uint8_t alarmType = 0;
    std::string statusText;
    std::string typeText;
    std::string idCode;
    std::string idInfo;
    std::string timeText;
    bool selected = false;

    // The status the row shows, read back from its text (0 for "Undef").
    int Status() const;
    bool Stored() const { return key != 0; }
    const std::string& Column(int column) const;
};

// The logic of the alarm list: rows, filter, sort, status changes, relays, unattended mode, and
// which alarm opens a dialog in which mode. The view only draws it.
class CAlarmList {
public:
    static constexpr int COLUMN_COUNT = 5;
    static constexpr int REFRESH_TIMER_ID = 2;
    static constexpr std::uint8_t FILTER_ALL = 0x0F;

    CAlarmList(IAlarmListHost& host, IFrontEnd& frontEnd, IAlarmView& view);
    ~CAlarmList();

    // Reads the alarm type texts (dictionary defaults, then AlarmTypeText.ini in `folder`).
    void LoadAlarmTypeTexts(const std::string& folder = {});

    // --- replies and events from the core ---
    // An alarm record or database reply of kind 31. Takes it; keeps it only for an open voice call.
    void OnAlarmReply(MsgPtr reply);
    void OnCallEvent(std::uint16_t state, std::uint16_t secondsLeft);

    // --- operator commands ---
    void Refresh();
    void View();
    void DeleteSelected();
    void ToggleFilter(int bit);
    void SetStatusOfSelection(int newStatus);
    void ToggleUnattended();
    void SortByColumn(int column);
    void Select(std::size_t row, bool selected);
    void SelectOnly(std::size_t row);
    // Timer 2: period in ms, 0 when off. Arming also refreshes at once.
    void ArmRefreshTimer();
    std::uint32_t RefreshTimerPeriodMs() const { return m_refreshPeriodMs; }
    void OnRefreshTimer() { Refresh(); }
    // Stores the column widths and saves all settings.
    void Close(const std::array<std::int32_t, COLUMN_COUNT>& columnWidths);

    // --- from the alarm dialogs ---
    // By key; key 0 (an alarm that is not stored) is never edited this way.
    void SetAlarmStatus(std::uint32_t key, int newStatus);
    // The alarm of that dialog, stored or not.
    void SetAlarmStatus(const CAlarmDialog& dialog, int newStatus);
    void VoiceDialogFinished(CAlarmDialog& dialog, bool skipForwarding);
    // Only the dialog of the current voice call can end a call: an older dialog would cut the
    // newer call.
    void SendVoiceCallEnd(const CAlarmDialog& from);
    void DialogClosed(CAlarmDialog& dialog);

    // --- what the view draws ---
    const std::vector<SAlarmRow>& Rows() const { return m_rows; }
    std::uint8_t FilterMask() const { return m_filterMask; }
    bool Unattended() const { return m_unattended; }
    SColour Background() const { return m_unattended ? Colours::Grey : Colours::White; }
    int SortColumn() const { return m_sortColumn; }
    bool Descending(int column) const { return m_descending[static_cast<std::size_t>(column)]; }
    const std::vector<std::unique_ptr<CAlarmDialog>>& Dialogs() const { return m_dialogs; }
    CAlarmDialog* VoiceDialog() const { return m_voiceDialog; }
    const CAlarmTypeTexts& TypeTexts() const { return m_typeTexts; }
    bool UnattendedCommandEnabled() const { return m_host.Settings().VoiceCallEnabled != 0; }
    bool UseCidPhoneNumber() const { return m_host.Settings().UseCidPhoneNumber != 0; }

    static std::string StatusText(int status);
    static std::string TypeText(int alarmType);

    IAlarmView& AlarmView() const { return m_view; }
    IFrontEnd& FrontEnd() const { return m_frontEnd; }

private:
    void Fill(std::unique_ptr<CAlarmInfoMsg> chain);
    void NewAlarm(std::unique_ptr<CAlarmInfoMsg> alarm);
    void TakeOverVoiceCall();
    // localId: the row of an alarm that is not stored, whose status changes the dialog then asks for.
    void OpenDialog(const CAlarmInfoMsg& alarm, CAlarmDialog::EMode mode, std::uint32_t localId = 0);
    SAlarmRow MakeRow(const CAlarmInfoMsg& alarm) const;
    void Sort();
    void UpdateRelays();
    std::uint32_t FirstSelectedKey() const;
    void SelectKey(std::uint32_t key);
    void ChangeStatus(std::uint32_t key, int currentStatus, int newStatus);
    void ChangeUnstoredStatus(std::uint32_t localId, int currentStatus, int newStatus);
    void StampStatus(CAlarmInfoMsg& alarm, int currentStatus, int newStatus) const;
    CAlarmInfoMsg* UnstoredAlarm(std::uint32_t localId) const;
    std::uint32_t UnstoredIdOf(const CAlarmDialog& dialog) const;
    void ForgetClosedDialogs();

    IAlarmListHost& m_host;
    IFrontEnd& m_frontEnd;
    IAlarmView& m_view;
    CAlarmTypeTexts m_typeTexts;
    std::vector<SAlarmRow> m_rows;
    int m_sortColumn = 0;
    std::array<bool, COLUMN_COUNT> m_descending{};
    std::uint8_t m_filterMask = FILTER_ALL;
    bool m_unattended = false;
    std::uint32_t m_refreshPeriodMs = 0;
    std::vector<std::unique_ptr<CAlarmDialog>> m_dialogs;
    CAlarmDialog* m_voiceDialog = nullptr;
    std::unique_ptr<CAlarmInfoMsg> m_voiceAlarm;
    // Alarms whose storage failed exist only here: their records (for View) and their dialogs.
    struct SUnstored {
        std::uint32_t localId;
        std::unique_ptr<CAlarmInfoMsg> alarm;
    };
    std::vector<SUnstored> m_unstored;
    std::vector<std::pair<CAlarmDialog*, std::uint32_t>> m_unstoredDialogs;
    std::uint32_t m_nextLocalId = 1;
};
