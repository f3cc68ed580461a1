#include "RecordingSink.h"

#include "MsgKinds.h"

#include <algorithm>
#include <chrono>
#include <thread>

void CRecordingSink::PutMsg(MsgPtr msg) {
    SGsmEvent event;
    event.Kind = msg->Kind;
    if (const auto* gsm = dynamic_cast<const CGsmHandlerMsg*>(msg.get())) {
        event.Code = gsm->Code;
        event.Text = gsm->Text;
        event.Number = gsm->Number;
        event.Recipients = gsm->Recipients;
        event.Date = gsm->Date;
        event.Time = gsm->Time;
        event.SmsText = gsm->SmsText;
        event.Quality = gsm->Quality;
        event.RequestTag = gsm->RequestTag;
        event.SmsMark = gsm->SmsMark;
    }
    std::function<void(const SGsmEvent&)> hook;
    IMsgSink* confirmTo = nullptr;
    {
        std::lock_guard guard(m_lock);
        hook = m_hook;
        confirmTo = m_confirmTo;
    }
    if (hook) {
        hook(event);
    }
    if (confirmTo != nullptr && event.Kind == MsgKind::GSM_SMS_RECEIVED) {
        auto stored = std::make_unique<CGsmHandlerMsg>(MsgKind::GSM_SMS_STORED);
        stored->SmsMark = event.SmsMark;
        confirmTo->PutMsg(std::move(stored));
    }
    std::lock_guard guard(m_lock);
    m_events.push_back(event);
}

void CRecordingSink::OnMessage(std::function<void(const SGsmEvent&)> hook) {
    std::lock_guard guard(m_lock);
    m_hook = std::move(hook);
}

void CRecordingSink::ConfirmStoredTo(IMsgSink* handler) {
    std::lock_guard guard(m_lock);
    m_confirmTo = handler;
}

std::vector<SGsmEvent> CRecordingSink::Events() const {
    std::lock_guard guard(m_lock);
    return m_events;
}

std::vector<SGsmEvent> CRecordingSink::OfKind(std::uint16_t kind) const {
    std::vector<SGsmEvent> out;
    for (const auto& e : Events()) {
        if (e.Kind == kind) {
            out.push_back(e);
        }
    }
    return out;
}

std::vector<std::uint16_t> CRecordingSink::Statuses() const {
    std::vector<std::uint16_t> out;
    for (const auto& e : OfKind(MsgKind::GSM_STATUS)) {
        out.push_back(e.Code);
    }
    return out;
}

bool CRecordingSink::WaitFor(const std::function<bool(const std::vector<SGsmEvent>&)>& pred,
                             int timeoutMs) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (pred(Events())) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool CRecordingSink::WaitForStatus(std::uint16_t code, int timeoutMs, int quality) const {
    return WaitFor(
        [&](const std::vector<SGsmEvent>& events) {
            return std::any_of(events.begin(), events.end(), [&](const SGsmEvent& e) {
                return e.Kind == MsgKind::GSM_STATUS && e.Code == code &&
                       (quality < 0 || e.Quality == quality);
            });
        },
        timeoutMs);
}

bool CRecordingSink::WaitForKind(std::uint16_t kind, std::size_t count, int timeoutMs) const {
    return WaitFor(
        [&](const std::vector<SGsmEvent>& events) {
            return static_cast<std::size_t>(std::count_if(
                       events.begin(), events.end(), [&](const SGsmEvent& e) { return e.Kind == kind; })) >=
                   count;
        },
        timeoutMs);
}
