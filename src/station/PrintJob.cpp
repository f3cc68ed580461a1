#include "PrintJob.h"

#include "AlarmInfoReqMsg.h"
#include "DbResults.h"
#include "MsgKinds.h"
#include "Translate.h"

CPrintJob::SState CPrintJob::StateFor(const std::vector<SAlarmRow>& rows) {
    SState state;
    if (rows.empty()) {
        state.allText = Text::Tr("IDS_PRINTDLG_MSG_4");
        state.selectionText = Text::Tr("IDS_PRINTDLG_MSG_3");
        return state;
    }
    int selected = 0;
    for (const SAlarmRow& row : rows) {
        selected += row.selected ? 1 : 0;
    }
    state.printEnabled = true;
    state.allEnabled = true;
    state.allText = Text::TrF("IDS_PRINTDLG_MSG_1", static_cast<int>(rows.size()));
    if (selected == 0) {
        state.selectionText = Text::Tr("IDS_PRINTDLG_MSG_3");
        state.preset = EChoice::All;
    } else {
        state.selectionEnabled = true;
        state.selectionText = Text::TrF("IDS_PRINTDLG_MSG_2", selected);
        state.preset = EChoice::Selection;
    }
    return state;
}

std::unique_ptr<CMsg> CPrintJob::MakeRequest(EChoice choice, const std::vector<SAlarmRow>& rows,
                                             std::uint8_t filterMask) {
    if (choice == EChoice::All) {
        if (rows.empty()) {
            return nullptr;
        }
        auto request =
            std::make_unique<CAlarmInfoReqMsg>(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_FOR_PRINT);
        request->MaxCount = static_cast<std::int32_t>(rows.size());
        // The list's own filter, so that "All Items" prints the alarms the list shows.
        request->StatusMask = filterMask;
        return request;
    }
    if (choice != EChoice::Selection) {
        return nullptr;
    }
    std::unique_ptr<CAlarmInfoReqMsg> head;
    CAlarmInfoReqMsg* tail = nullptr;
    for (const SAlarmRow& row : rows) {
        if (!row.selected) {
            continue;
        }
        auto link =
            std::make_unique<CAlarmInfoReqMsg>(MsgKind::DB_ALARM_FIND, CAlarmInfoReqMsg::FIND_KEY_CHAIN);
        link->PrimaryKey = row.key;
        CAlarmInfoReqMsg* raw = link.get();
        if (tail == nullptr) {
            head = std::move(link);
        } else {
            tail->Next = std::move(link);
        }
        tail = raw;
    }
    return head;
}

bool CPrintJob::IsPrintReply(const CMsg& msg) {
    const auto* alarm = dynamic_cast<const CAlarmInfoMsg*>(&msg);
    return alarm != nullptr && msg.Kind == MsgKind::UI_ALARM_RECORD &&
           (alarm->Status == AlarmResult::FIND_CHAIN || alarm->Status == AlarmResult::FIND_PRINT);
}

bool CPrintJob::TakeReply(MsgPtr& reply) {
    if (!m_pending || !reply || !IsPrintReply(*reply)) {
        return false;
    }
    m_records = MsgCast<CAlarmInfoMsg>(reply);
    m_report.Clear();
    m_pending = false;
    return true;
}

std::size_t CPrintJob::RecordCount() const {
    std::size_t n = 0;
    for (const CAlarmInfoMsg* alarm = m_records.get(); alarm != nullptr; alarm = alarm->NextRecord()) {
        n += alarm->PrimaryKey != 0 ? 1 : 0;
    }
    return n;
}

void CPrintJob::Prepare() {
    m_report.Clear();
    m_report.AddAlarms(m_records.get());
}
