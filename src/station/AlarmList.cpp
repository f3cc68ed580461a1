#include "AlarmList.h"

#include "AlarmInfoReqMsg.h"
#include "DbResults.h"
#include "MsgKinds.h"
#include "TelHandlerMsg.h"
#include "Translate.h"

#include <algorithm>
#include <iterator>

using Text::Tr;

namespace {

constexpr int MESSAGE_PANE = 0;

const char* TypeTag(int type) {
    switch (type) {
    case 2:
        return "IDS_MAINVIEW_MSG_16";
    case 3:
        return "IDS_MAINVIEW_MSG_17";
    case 4:
        return "IDS_MAINVIEW_MSG_19";
    case 5:
        return "IDS_MAINVIEW_MSG_21";
    case 6:
        return "IDS_MAINVIEW_MSG_20";
    case 7:
        return "IDS_MAINVIEW_MSG_22";
    case 8:
        return "IDS_MAINVIEW_MSG_23";
    case 9:
        return "IDS_MAINVIEW_MSG_24";
    case 10:
        return "IDS_MAINVIEW_MSG_25";
    case 11:
        return "IDS_MAINVIEW_MSG_18";
    default:
        return "IDS_MAINVIEW_MSG_26";
    }
}

// The list's own copy of an alarm whose storage failed: the record exists nowhere else.
std::unique_ptr<CAlarmInfoMsg> CopyOf(const CAlarmInfoMsg& a) {
    auto copy = std::make_unique<CAlarmInfoMsg>(a.Kind, a.Status);
    copy->PrimaryKey = a.PrimaryKey;
    copy->IdCode = a.IdCode;
    copy->AlarmSource = a.AlarmSource;
    copy->AlarmType = a.AlarmType;
    copy->IdInfo = a.IdInfo;
    copy->OpFailType = a.OpFailType;
    copy->Text = a.Text;
    copy->AlarmStatus = a.AlarmStatus;
    copy->AlarmTime = a.AlarmTime;
    copy->AckTime = a.AckTime;
    copy->ExecTime = a.ExecTime;
    copy->AckOperator = a.AckOperator;
    copy->ExecOperator = a.ExecOperator;
    copy->Address = a.Address;
    copy->MailRecipients = a.MailRecipients;
    copy->SmsRecipients = a.SmsRecipients;
    copy->PopUpEnabled = a.PopUpEnabled;
    copy->ObjectFound = a.ObjectFound;
    copy->Notes = a.Notes;
    return copy;
}

} // namespace

int SAlarmRow::Status() const {
    if (statusText.size() == 3 && statusText[0] == ' ' && statusText[1] == ' ' && statusText[2] >= '1' &&
        statusText[2] <= '4') {
        return statusText[2] - '0';
    }
    return 0;
}

const std::string& SAlarmRow::Column(int column) const {
    switch (column) {
    case 1:
        return typeText;
    case 2:
        return idCode;
    case 3:
        return idInfo;
    case 4:
        return timeText;
    default:
        return statusText;
    }
}

CAlarmList::CAlarmList(IAlarmListHost& host, IFrontEnd& frontEnd, IAlarmView& view)
    : m_host(host), m_frontEnd(frontEnd), m_view(view) {
    m_typeTexts.LoadDefaults();
}

CAlarmList::~CAlarmList() = default;

void CAlarmList::LoadAlarmTypeTexts(const std::string& folder) {
    m_typeTexts.LoadDefaults();
    m_typeTexts.LoadAlarmTypeTexts(folder);
}

std::string CAlarmList::StatusText(int status) {
    if (status >= 1 && status <= 4) {
        return std::string("  ") + static_cast<char>('0' + status);
    }
    return "Undef";
}

std::string CAlarmList::TypeText(int alarmType) {
    if (alarmType == CAlarmInfoMsg::ALARMTYPE_P100) {
        return "P100";
    }
    return Tr(TypeTag(alarmType));
}

SAlarmRow CAlarmList::MakeRow(const CAlarmInfoMsg& alarm) const {
    SAlarmRow row;
    row.key = alarm.PrimaryKey;
    row.alarmType = alarm.AlarmType;
    row.statusText = StatusText(alarm.AlarmStatus);
    row.typeText = TypeText(alarm.AlarmType);
    row.idCode = alarm.IdCode;
    // Shown for what it is: not in the log, so gone at a restart and not found by a search.
    row.idInfo = row.Stored() ? alarm.IdInfo : Tr("IDS_MAINVIEW_MSG_36") + " " + alarm.IdInfo;
    row.timeText = alarm.AlarmTime.Format("%y-%m-%d     %H:%M:%S");
    return row;
}

void CAlarmList::ForgetClosedDialogs() {
    std::erase_if(m_dialogs, [](const std::unique_ptr<CAlarmDialog>& d) { return d->Closed(); });
}

void CAlarmList::OnAlarmReply(MsgPtr reply) {
    ForgetClosedDialogs();
    if (!reply) {
        return;
    }
    auto* db = dynamic_cast<CDatabaseMsg*>(reply.get());
    if (db == nullptr) {
        return;
    }
    const std::uint16_t code = db->Status;
    if (code == AlarmResult::FIND_NONE) {
        const auto* empty = dynamic_cast<const CAlarmInfoMsg*>(db);
        if (empty != nullptr && empty->PrimaryKey != 0) {
            // A View of an alarm deleted or purged since the list was filled: the rest of the list
            // and the relays stand as they were.
            m_frontEnd.MessageBox(Tr("IDS_MAINVIEW_MSG_35"), IFrontEnd::EButtons::Ok,
                                  IFrontEnd::EIcon::Information, 0);
            return;
        }
        std::erase_if(m_rows, [](const SAlarmRow& row) { return row.Stored(); });
        UpdateRelays();
        m_view.ListChanged();
        return;
    }
    auto alarm = MsgCast<CAlarmInfoMsg>(reply);
    if (!alarm) {
        return;
    }
    switch (code) {
    case AlarmResult::NEW_ALARM:
        NewAlarm(std::move(alarm));
        break;
    case AlarmResult::FIND_BY_KEY:
        OpenDialog(*alarm, CAlarmDialog::EMode::Viewing);
        break;
    case AlarmResult::FIND_LIST:
        Fill(std::move(alarm));
        break;
    default:
        break;
    }
}

void CAlarmList::Refresh() {
    auto request =
        std::make_unique<CAlarmInfoReqMsg>(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_STATUS);
    request->ReplyKind = MsgKind::UI_ALARM_RECORD;
    request->MaxCount = m_host.Settings().MaxAlarmlistItems;
    request->StatusMask = m_filterMask;
    m_host.DbRequest(std::move(request));
}

void CAlarmList::Fill(std::unique_ptr<CAlarmInfoMsg> chain) {
    m_view.SetWaitCursor(true);
    m_frontEnd.SetPaneText(MESSAGE_PANE, Tr("IDS_MAINVIEW_MSG_29"));
    const std::uint32_t selectedKey = FirstSelectedKey();
    // Alarms that could not be stored are not in the log: the list keeps them, whatever the filter.
    std::vector<SAlarmRow> unstored;
    std::copy_if(m_rows.begin(), m_rows.end(), std::back_inserter(unstored),
                 [](const SAlarmRow& row) { return !row.Stored(); });
    m_rows.clear();
    for (const CAlarmInfoMsg* record = chain.get(); record != nullptr; record = record->NextRecord()) {
        m_rows.push_back(MakeRow(*record));
    }
    m_rows.insert(m_rows.end(), unstored.begin(), unstored.end());
    Sort();
    if (selectedKey != 0) {
        SelectKey(selectedKey);
    }
    m_frontEnd.SetPaneText(MESSAGE_PANE, Tr("IDS_MAINVIEW_MSG_30"));
    m_view.SetWaitCursor(false);
    UpdateRelays();
    m_view.ListChanged();
}

void CAlarmList::Sort() {
    m_frontEnd.SetPaneText(MESSAGE_PANE, Tr("IDS_MAINVIEW_MSG_31"));
    const int column = m_sortColumn;
    const bool descending = m_descending[static_cast<std::size_t>(column)];
    // Byte by byte, case-sensitive; equal rows keep their order.
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const SAlarmRow& a, const SAlarmRow& b) {
        const int c = a.Column(column).compare(b.Column(column));
        return descending ? c > 0 : c < 0;
    });
    m_frontEnd.SetPaneText(MESSAGE_PANE, Tr("IDS_MAINVIEW_MSG_32"));
}

void CAlarmList::SortByColumn(int column) {
    if (column < 0 || column >= COLUMN_COUNT) {
        return;
    }
    m_sortColumn = column;
    m_descending[static_cast<std::size_t>(column)] = !m_descending[static_cast<std::size_t>(column)];
    // Rows carry their selection through the sort, so a multi-selection survives it whole.
    Sort();
    m_view.ListChanged();
}

void CAlarmList::NewAlarm(std::unique_ptr<CAlarmInfoMsg> alarm) {
    SAlarmRow row = MakeRow(*alarm);
    if (!row.Stored()) {
        row.localId = m_nextLocalId++;
        m_unstored.push_back({row.localId, CopyOf(*alarm)});
    }
    const std::uint32_t localId = row.localId;
    m_rows.insert(m_rows.begin(), std::move(row));
    UpdateRelays();
    Sort();
    m_view.ListChanged();
    const auto& settings = m_host.Settings();
    if (static_cast<int>(m_rows.size()) > settings.MaxAlarmlistItems + 10) {
        Refresh();
    }

    switch (alarm->AlarmType) {
    case CAlarmInfoMsg::ALARMTYPE_TEST:
    case CAlarmInfoMsg::ALARMTYPE_END_OF_ALARM:
    case CAlarmInfoMsg::ALARMTYPE_MAINTENANCE:
    case CAlarmInfoMsg::ALARMTYPE_VOICE_REDIRECTED:
        break;
    case CAlarmInfoMsg::ALARMTYPE_VOICE:
        if (settings.VoiceCallEnabled != 0) {
            m_view.RaiseMainWindow();
            if (m_voiceDialog != nullptr) {
                TakeOverVoiceCall();
            }
            OpenDialog(*alarm, CAlarmDialog::EMode::VoiceCall, localId);
            m_voiceAlarm = std::move(alarm);
            break;
        }
        [[fallthrough]];
    default:
        if (settings.AlarmPopUpEnabled == 0) {
            break;
        }
        if (alarm->ObjectFound && !alarm->PopUpEnabled) {
            break;
        }
        m_view.RaiseMainWindow();
        OpenDialog(*alarm, CAlarmDialog::EMode::Viewing, localId);
        break;
    }
    m_frontEnd.Beep(IFrontEnd::EBeep::Default);
}

void CAlarmList::TakeOverVoiceCall() {
    // The line carries one call at a time: a new voice alarm means the registered call is over
    // although its end never came. Its events now belong to the new call, so the old outcome is
    // decided here: forwarded, unless the operator finished the alarm.
    CAlarmDialog* previous = m_voiceDialog;
    const std::unique_ptr<CAlarmInfoMsg> previousAlarm = std::move(m_voiceAlarm);
    m_voiceDialog = nullptr;
    if (previousAlarm && previous->Status() != CAlarmInfoMsg::ALARMSTATUS_FINISHED) {
        m_host.ForwardAlarm(*previousAlarm);
    }
    previous->CallTakenOver();
}

void CAlarmList::OpenDialog(const CAlarmInfoMsg& alarm, CAlarmDialog::EMode mode, std::uint32_t localId) {
    auto dialog =
        std::make_unique<CAlarmDialog>(*this, alarm, mode, m_typeTexts.GetAlarmTypeText(alarm.AlarmType),
                                       m_host.Settings().VoiceCallAlertEnabled != 0);
    CAlarmDialog& ref = *dialog;
    m_dialogs.push_back(std::move(dialog));
    if (mode == CAlarmDialog::EMode::VoiceCall) {
        m_voiceDialog = &ref;
    }
    if (localId != 0) {
        m_unstoredDialogs.emplace_back(&ref, localId);
    }
    m_view.DialogOpened(ref);
}

void CAlarmList::OnCallEvent(std::uint16_t state, std::uint16_t secondsLeft) {
    ForgetClosedDialogs();
    if (m_voiceDialog != nullptr) {
        m_voiceDialog->OnCallEvent(state, secondsLeft);
    }
}

std::uint32_t CAlarmList::FirstSelectedKey() const {
    for (const auto& row : m_rows) {
        if (row.selected) {
            return row.key;
        }
    }
    return 0;
}

void CAlarmList::SelectKey(std::uint32_t key) {
    for (auto& row : m_rows) {
        row.selected = row.key == key;
    }
}

void CAlarmList::Select(std::size_t row, bool selected) {
    if (row < m_rows.size()) {
        m_rows[row].selected = selected;
    }
}

void CAlarmList::SelectOnly(std::size_t row) {
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        m_rows[i].selected = i == row;
    }
}

void CAlarmList::View() {
    const auto row =
        std::find_if(m_rows.begin(), m_rows.end(), [](const SAlarmRow& r) { return r.selected; });
    if (row == m_rows.end()) {
        m_frontEnd.Beep(IFrontEnd::EBeep::Default);
        return;
    }
    if (!row->Stored()) {
        // Not in the log: shown from the list's own record, never searched by key 0.
        const CAlarmInfoMsg* alarm = UnstoredAlarm(row->localId);
        if (alarm == nullptr) {
            m_frontEnd.Beep(IFrontEnd::EBeep::Default);
            return;
        }
        OpenDialog(*alarm, CAlarmDialog::EMode::Viewing, row->localId);
        return;
    }
    const std::uint32_t key = row->key;
    auto request = std::make_unique<CAlarmInfoReqMsg>(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_BY_KEY);
    request->ReplyKind = MsgKind::UI_ALARM_RECORD;
    request->PrimaryKey = key;
    m_host.DbRequest(std::move(request));
}

void CAlarmList::DeleteSelected() {
    if (std::none_of(m_rows.begin(), m_rows.end(), [](const SAlarmRow& r) { return r.selected; })) {
        m_frontEnd.Beep(IFrontEnd::EBeep::Default);
        return;
    }
    if (m_frontEnd.MessageBox(Tr("IDS_MAINVIEW_MSG_27"), IFrontEnd::EButtons::YesNo,
                              IFrontEnd::EIcon::Warning, 0) != IFrontEnd::EResult::Yes) {
        return;
    }
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (!it->selected) {
            ++it;
            continue;
        }
        if (!it->Stored()) {
            // Only the list holds it: the operator's delete removes it here, no request by key 0.
            const std::uint32_t localId = it->localId;
            std::erase_if(m_unstored, [localId](const SUnstored& u) { return u.localId == localId; });
            it = m_rows.erase(it);
            continue;
        }
        auto request =
            std::make_unique<CAlarmInfoReqMsg>(MsgKind::DB_ALARM_DELETE, CAlarmInfoReqMsg::DELETE_BY_KEY);
        request->ReplyKind = MsgKind::UI_ALARM_RECORD;
        request->PrimaryKey = it->key;
        m_host.DbRequest(std::move(request));
        it = m_rows.erase(it);
    }
    UpdateRelays();
    m_view.ListChanged();
}

void CAlarmList::ToggleFilter(int bit) {
    if (bit < 0 || bit > 3) {
        return;
    }
    m_filterMask = static_cast<std::uint8_t>(m_filterMask ^ (1u << bit));
    Refresh();
}

void CAlarmList::SetStatusOfSelection(int newStatus) {
    if (std::none_of(m_rows.begin(), m_rows.end(), [](const SAlarmRow& r) { return r.selected; })) {
        m_frontEnd.Beep(IFrontEnd::EBeep::Default);
        return;
    }
    struct STarget {
        std::uint32_t key;
        std::uint32_t localId;
        int status;
    };
    std::vector<STarget> targets;
    for (const auto& row : m_rows) {
        if (row.selected) {
            targets.push_back({row.key, row.localId, row.Status()});
        }
    }
    for (const STarget& t : targets) {
        if (t.key != 0) {
            ChangeStatus(t.key, t.status, newStatus);
        } else {
            ChangeUnstoredStatus(t.localId, t.status, newStatus);
        }
    }
    UpdateRelays();
    m_view.ListChanged();
}

void CAlarmList::SetAlarmStatus(const CAlarmDialog& dialog, int newStatus) {
    if (dialog.Key() != 0) {
        SetAlarmStatus(dialog.Key(), newStatus);
        return;
    }
    const std::uint32_t localId = UnstoredIdOf(dialog);
    const CAlarmInfoMsg* alarm = UnstoredAlarm(localId);
    ChangeUnstoredStatus(localId, alarm != nullptr ? alarm->AlarmStatus : dialog.Status(), newStatus);
    UpdateRelays();
    m_view.ListChanged();
}

void CAlarmList::SetAlarmStatus(std::uint32_t key, int newStatus) {
    if (key == 0) {
        return; // which of the alarms that are not stored is unknown here
    }
    int current = 0;
    bool inList = false;
    for (const auto& row : m_rows) {
        if (row.key == key) {
            current = row.Status();
            inList = true;
        }
    }
    if (!inList) {
        // The alarm may have been trimmed from the list; its dialog still knows its status.
        for (const auto& d : m_dialogs) {
            if (d->Key() == key) {
                current = d->Status();
            }
        }
    }
    ChangeStatus(key, current, newStatus);
    UpdateRelays();
    m_view.ListChanged();
}

void CAlarmList::StampStatus(CAlarmInfoMsg& alarm, int currentStatus, int newStatus) const {
    const std::string op = m_host.CurrentOperator();
    const CDateTime now = CDateTime::FromLocal(m_host.Clock().Now());
    alarm.AlarmStatus = static_cast<std::uint8_t>(newStatus);
    if (newStatus == CAlarmInfoMsg::ALARMSTATUS_ACKNOWLEDGED ||
        (newStatus == CAlarmInfoMsg::ALARMSTATUS_FINISHED &&
         currentStatus == CAlarmInfoMsg::ALARMSTATUS_NEW)) {
        alarm.AckTime = now;
        alarm.AckOperator = op;
    }
    if (newStatus == CAlarmInfoMsg::ALARMSTATUS_FINISHED) {
        alarm.ExecTime = now;
        alarm.ExecOperator = op;
    }
}

void CAlarmList::ChangeStatus(std::uint32_t key, int currentStatus, int newStatus) {
    // A status is never lowered, and an Info alarm is never changed. Key 0 is no row of the log.
    if (currentStatus >= newStatus || key == 0) {
        return;
    }
    auto edit = std::make_unique<CAlarmInfoMsg>(MsgKind::DB_ALARM_EDIT);
    edit->ReplyKind = MsgKind::UI_ALARM_RECORD;
    edit->PrimaryKey = key;
    StampStatus(*edit, currentStatus, newStatus);
    m_host.DbRequest(std::move(edit));
    m_view.AlarmStatusChanged(key, newStatus);
    for (auto& row : m_rows) {
        if (row.key == key) {
            row.statusText = StatusText(newStatus);
        }
    }
    for (const auto& d : m_dialogs) {
        if (d->Key() == key && !d->Closed()) {
            d->SetStatus(newStatus);
        }
    }
}

void CAlarmList::ChangeUnstoredStatus(std::uint32_t localId, int currentStatus, int newStatus) {
    if (currentStatus >= newStatus || localId == 0) {
        return;
    }
    // Kept in the list's record only: there is no row of the log to edit.
    if (CAlarmInfoMsg* alarm = UnstoredAlarm(localId)) {
        StampStatus(*alarm, currentStatus, newStatus);
    }
    for (auto& row : m_rows) {
        if (!row.Stored() && row.localId == localId) {
            row.statusText = StatusText(newStatus);
        }
    }
    for (const auto& [dialog, id] : m_unstoredDialogs) {
        if (id == localId && !dialog->Closed()) {
            dialog->SetStatus(newStatus);
        }
    }
}

CAlarmInfoMsg* CAlarmList::UnstoredAlarm(std::uint32_t localId) const {
    for (const SUnstored& u : m_unstored) {
        if (u.localId == localId) {
            return u.alarm.get();
        }
    }
    return nullptr;
}

std::uint32_t CAlarmList::UnstoredIdOf(const CAlarmDialog& dialog) const {
    for (const auto& [d, id] : m_unstoredDialogs) {
        if (d == &dialog) {
            return id;
        }
    }
    return 0;
}

void CAlarmList::UpdateRelays() {
    if (m_host.Settings().ExtRelayCtrl == 0) {
        return;
    }
    bool newVoice = false;
    bool newOther = false;
    for (const auto& row : m_rows) {
        if (row.Status() == CAlarmInfoMsg::ALARMSTATUS_NEW) {
            (row.alarmType == CAlarmInfoMsg::ALARMTYPE_VOICE ? newVoice : newOther) = true;
        }
    }
    for (std::uint16_t relay = 0; relay < 2; ++relay) {
        auto msg = std::make_unique<CTelHandlerMsg>(MsgKind::TEL_SET_RELAY);
        msg->RelayNo = relay;
        msg->Flag = (relay == 0 ? newVoice : newOther) ? 1 : 0;
        m_host.SendToTelephone(std::move(msg));
    }
}

void CAlarmList::ToggleUnattended() {
    if (!m_unattended) {
        m_frontEnd.MessageBox(Tr("IDS_MAINVIEW_MSG_33") + Tr("IDS_MAINVIEW_MSG_34"), IFrontEnd::EButtons::Ok,
                              IFrontEnd::EIcon::None, 0);
        m_unattended = true;
    } else {
        m_unattended = false;
    }
    auto msg = std::make_unique<CTelHandlerMsg>(MsgKind::TEL_UNATTENDED_MODE);
    msg->Flag = m_unattended ? 1 : 0;
    m_host.SendToTelephone(std::move(msg));
    m_view.ListChanged();
    Refresh();
}

void CAlarmList::ArmRefreshTimer() {
    const auto& s = m_host.Settings();
    m_refreshPeriodMs = s.AlarmListAutRefreshEnabled != 0
                            ? static_cast<std::uint32_t>(std::max<int>(s.AlarmListRefreshInterval, 1)) * 1000u
                            : 0u;
    Refresh();
}

void CAlarmList::VoiceDialogFinished(CAlarmDialog& dialog, bool skipForwarding) {
    if (&dialog != m_voiceDialog) {
        return;
    }
    if (!skipForwarding && m_voiceAlarm) {
        m_host.ForwardAlarm(*m_voiceAlarm);
    }
    m_voiceAlarm.reset();
    m_voiceDialog = nullptr;
}

void CAlarmList::SendVoiceCallEnd(const CAlarmDialog& from) {
    if (&from != m_voiceDialog) {
        return;
    }
    m_host.SendToTelephone(std::make_unique<CTelHandlerMsg>(MsgKind::TEL_ABORT_VOICE_CALL));
}

void CAlarmList::DialogClosed(CAlarmDialog& dialog) {
    m_view.DialogClosing(dialog);
    std::erase_if(m_unstoredDialogs, [&dialog](const auto& entry) { return entry.first == &dialog; });
    if (&dialog == m_voiceDialog) {
        m_voiceDialog = nullptr;
        m_voiceAlarm.reset();
    }
    // The dialog object is freed at the next event, not under its own feet.
}

void CAlarmList::Close(const std::array<std::int32_t, COLUMN_COUNT>& columnWidths) {
    auto& s = m_host.Settings();
    s.ColumnWidthStatus = columnWidths[0];
    s.ColumnWidthType = columnWidths[1];
    s.ColumnWidthIdCode = columnWidths[2];
    s.ColumnWidthIdInfo = columnWidths[3];
    s.ColumnWidthDateTime = columnWidths[4];
    s.SaveAll();
}
