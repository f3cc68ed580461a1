#pragma once

#include "AlarmInfoMsg.h"
#include "AlarmList.h"
#include "Msg.h"
#include "PrintObject.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The logic of the print dialog: what its choices say and allow for the alarm list as it stands,
// the request for the chosen alarms, and the job that keeps the reply's alarms and lays them out
// as the report.
class CPrintJob {
public:
    enum class EChoice { None, All, Selection };
    enum class EOutput { Print, Preview };

    struct SState {
        bool printEnabled = false; // Print and Preview
        bool allEnabled = false;
        std::string allText;
        bool selectionEnabled = false;
        std::string selectionText;
        EChoice preset = EChoice::None;
    };

    // The dialog's state for the alarm list's rows and their selection.
    static SState StateFor(const std::vector<SAlarmRow>& rows);

    // The find for the chosen alarms: one key find per selected row, chained, for Selection; the
    // newest alarms of the list's filter, as many as the list shows, for All. Null when the
    // choice has nothing to print.
    static std::unique_ptr<CMsg> MakeRequest(EChoice choice, const std::vector<SAlarmRow>& rows,
                                             std::uint8_t filterMask);
    // An alarm chain that answers a print request.
    static bool IsPrintReply(const CMsg& msg);

    // Print or Preview was pressed and the request sent.
    void Start(EOutput output) {
        m_pending = true;
        m_output = output;
    }
    // The request was given up without a reply.
    void Cancel() { m_pending = false; }
    bool Pending() const { return m_pending; }
    EOutput Output() const { return m_output; }

    // Takes the reply to the pending request and keeps its alarms (releasing earlier ones). False,
    // with the reply left where it was, when it is not a print reply or no request is pending.
    bool TakeReply(MsgPtr& reply);
    std::size_t RecordCount() const;

    // Builds the report from the kept alarms, one block per alarm in reply order.
    void Prepare();
    const CPrintObject& Report() const { return m_report; }
    // The job is done: the report is emptied, the alarms are kept until the next reply.
    void End() { m_report.Clear(); }

private:
    std::unique_ptr<CAlarmInfoMsg> m_records;
    CPrintObject m_report;
    bool m_pending = false;
    EOutput m_output = EOutput::Print;
};
