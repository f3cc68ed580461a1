#include "SimTelModem.h"

#include <algorithm>
#include <chrono>
#include <poll.h>
#include <unistd.h>

namespace {

// Time of one byte at 9600 bit/s with start and stop bit, in microseconds.
constexpr std::uint64_t BYTE_TIME_US = 1042;

const char* ReportName(std::uint8_t code) {
    switch (code) {
    case CSimTelModem::REP_P100_MESSAGE:
        return "P100 message";
    case CSimTelModem::REP_P100_NO_START:
        return "P100 no start";
    case CSimTelModem::REP_P100_EXHAUSTED:
        return "P100 retries exhausted";
    case CSimTelModem::REP_P100_MSG_TIMEOUT:
        return "P100 message time-out, retrying";
    case CSimTelModem::REP_P100_CHECKSUM:
        return "P100 checksum error, retrying";
    case CSimTelModem::REP_P100_TIMING:
        return "P100 timing error, retrying";
    case CSimTelModem::REP_CPC_MESSAGE:
        return "CPC message";
    case CSimTelModem::REP_CPC_NEGATIVE_1:
        return "CPC no valid message (first)";
    case CSimTelModem::REP_CPC_NEGATIVE_2:
        return "CPC no valid message (second)";
    default:
        return "report";
    }
}

std::string Digits(const std::vector<std::uint8_t>& values) {
    std::string text;
    for (std::uint8_t v : values) {
        if (!text.empty()) {
            text += ' ';
        }
        text += std::to_string(v);
    }
    return text;
}

} // namespace

CSimTelModem::CSimTelModem(const IClock& clock) : m_clock(clock) {}

CSimTelModem::~CSimTelModem() {
    Stop();
}

bool CSimTelModem::Start(const std::string& folder, int port, std::string& error) {
    Stop();
    std::lock_guard guard(m_lock);
    if (!m_pty.Open(folder, port, error)) {
        return false;
    }
    m_folder = folder;
    m_port = port;
    m_startTick = m_clock.Tick();
    m_quit = false;
    m_running = true;
    Event(0, "modem ready on " + m_pty.LinkPath() + " -> " + m_pty.DevicePath());
    m_thread = std::thread([this] { ThreadMain(); });
    return true;
}

void CSimTelModem::Stop() {
    m_running = false;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    std::lock_guard guard(m_lock);
    m_pty.Close();
}

std::string CSimTelModem::LinkPath() const {
    std::lock_guard guard(m_lock);
    return m_pty.LinkPath();
}

std::string CSimTelModem::DevicePath() const {
    std::lock_guard guard(m_lock);
    return m_pty.DevicePath();
}

std::uint32_t CSimTelModem::Elapsed() const {
    return m_clock.Tick() - m_startTick;
}

void CSimTelModem::SetTxListener(TxListener listener) {
    std::lock_guard guard(m_lock);
    m_txListener = std::move(listener);
}

std::uint64_t CSimTelModem::SteadyUs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

void CSimTelModem::SetInfo(const SSimModemInfo& info) {
    std::lock_guard guard(m_lock);
    m_info = info;
}

SSimModemInfo CSimTelModem::Info() const {
    std::lock_guard guard(m_lock);
    return m_info;
}

void CSimTelModem::SetTiming(const SSimTiming& timing) {
    std::lock_guard guard(m_lock);
    m_timing = timing;
}

SSimTiming CSimTelModem::Timing() const {
    std::lock_guard guard(m_lock);
    return m_timing;
}

void CSimTelModem::SetLineAvailable(bool available) {
    std::lock_guard guard(m_lock);
    m_lineAvailable = available;
    Event(Elapsed(), available ? "telephone line available" : "telephone line lost");
}

void CSimTelModem::SetSignalLevel(int raw) {
    std::lock_guard guard(m_lock);
    m_signal = raw < 0 ? -1 : std::min(raw, 255);
    Event(Elapsed(), m_signal < 0 ? "signal level: not sent" : "signal level " + std::to_string(m_signal));
}

void CSimTelModem::SetIctError(bool on) {
    std::lock_guard guard(m_lock);
    m_ictError = on;
    Event(Elapsed(), on ? "internal modem error flag on" : "internal modem error flag off");
}

void CSimTelModem::SetLineStuck(bool stuck) {
    std::lock_guard guard(m_lock);
    m_lineStuck = stuck;
    Event(Elapsed(), stuck ? "line relay stuck" : "line relay free");
}

void CSimTelModem::SeizeLine(bool held) {
    std::lock_guard guard(m_lock);
    const std::uint32_t now = Elapsed();
    if (held) {
        m_connected = true;
        Event(now, "modem holds the line on its own");
    } else if (!m_lineStuck) {
        m_connected = false;
        DropCall(now, "modem dropped the line on its own");
    }
}

void CSimTelModem::Call(std::shared_ptr<CSimLiftPhone> phone, const SSimRingPlan& plan) {
    std::lock_guard guard(m_lock);
    SCall call;
    call.Phone = std::move(phone);
    call.Plan = plan;
    call.Plan.Signals = std::max(call.Plan.Signals, 1);
    Event(Elapsed(), "incoming call from a " + (call.Phone ? call.Phone->Name() : std::string("silent")) +
                         " telephone queued");
    m_waiting.push_back(std::move(call));
}

void CSimTelModem::SetOperatorPlan(const SSimOperatorPlan& plan) {
    std::lock_guard guard(m_lock);
    m_operator = plan;
}

void CSimTelModem::SetOffHook(bool offHook) {
    std::lock_guard guard(m_lock);
    m_offHook = offHook;
    Event(Elapsed(), offHook ? "operator telephone off hook" : "operator telephone on hook");
}

void CSimTelModem::InjectFault(const SSimFault& fault) {
    std::lock_guard guard(m_lock);
    if (fault.Count > 0) {
        m_faults.push_back(fault);
    }
}

void CSimTelModem::ClearFaults() {
    std::lock_guard guard(m_lock);
    m_faults.clear();
}

void CSimTelModem::HangUp() {
    std::lock_guard guard(m_lock);
    HangUpLocked(Elapsed());
}

void CSimTelModem::Unplug() {
    std::lock_guard guard(m_lock);
    const std::uint32_t tick = Elapsed();
    HangUpLocked(tick);
    if (!m_pty.LinkPath().empty()) {
        Event(tick, "device unplugged: " + m_pty.LinkPath() + " removed");
    }
    m_pty.Close();
}

bool CSimTelModem::Plug(std::string& error) {
    std::lock_guard guard(m_lock);
    const std::uint32_t tick = Elapsed();
    if (m_folder.empty()) {
        error = "the modem was never started";
        return false;
    }
    HangUpLocked(tick);
    if (!m_pty.Open(m_folder, m_port, error)) {
        return false;
    }
    // A fresh device: no half frame, nothing to send, no call on the line.
    m_parser = CSimFrameParser();
    m_tx.clear();
    m_reports.clear();
    m_headDelivered = false;
    m_connected = false;
    m_voiceOn = false;
    DropCall(tick, "device plugged in on " + m_pty.LinkPath() + " -> " + m_pty.DevicePath());
    return true;
}

bool CSimTelModem::Plugged() const {
    std::lock_guard guard(m_lock);
    return m_pty.IsOpen();
}

void CSimTelModem::HangUpLocked(std::uint32_t tick) {
    if (!m_pty.IsOpen()) {
        return;
    }
    m_pty.HangUp();
    m_tx.clear();
    Event(tick, "device hung up: the serial port is gone");
}

void CSimTelModem::At(std::uint32_t ms, Action action) {
    std::lock_guard guard(m_lock);
    m_actions.emplace(ms, std::move(action));
}

void CSimTelModem::RequestQuit() {
    m_quit = true;
}

std::uint8_t CSimTelModem::StatusFlags() const {
    std::lock_guard guard(m_lock);
    return FlagsLocked();
}

bool CSimTelModem::LineHeld() const {
    std::lock_guard guard(m_lock);
    return m_connected;
}

bool CSimTelModem::Busy() const {
    std::lock_guard guard(m_lock);
    return m_busy;
}

bool CSimTelModem::VoiceCallOn() const {
    std::lock_guard guard(m_lock);
    return m_voiceOn;
}

bool CSimTelModem::Relay(int number) const {
    std::lock_guard guard(m_lock);
    return number >= 0 && number < 2 && m_relays[static_cast<std::size_t>(number)];
}

int CSimTelModem::NetworkSelection() const {
    std::lock_guard guard(m_lock);
    return m_netSelect;
}

bool CSimTelModem::CallActive() const {
    std::lock_guard guard(m_lock);
    return m_phone != nullptr;
}

std::size_t CSimTelModem::CallsWaiting() const {
    std::lock_guard guard(m_lock);
    return m_waiting.size() + (m_ringing ? 1 : 0);
}

std::uint64_t CSimTelModem::FramesReceived() const {
    std::lock_guard guard(m_lock);
    return m_framesIn;
}

std::uint64_t CSimTelModem::FramesSent() const {
    std::lock_guard guard(m_lock);
    return m_framesOut;
}

std::uint8_t CSimTelModem::FlagsLocked() const {
    std::uint8_t flags = 0;
    if (m_busy) {
        flags |= FLAG_BUSY;
    }
    if (m_ringing && m_ringing->RingOn) {
        flags |= FLAG_RING;
    }
    if (m_lineAvailable) {
        flags |= FLAG_LINE;
    }
    if (m_offHook) {
        flags |= FLAG_OFF_HOOK;
    }
    if (m_connected) {
        flags |= FLAG_CONNECTED;
    }
    if (m_ictError) {
        flags |= FLAG_ICT_ERROR;
    }
    return flags;
}

void CSimTelModem::ThreadMain() {
    m_threadId = static_cast<long>(::gettid());
    while (m_running.load()) {
        int fd = -1;
        {
            std::lock_guard guard(m_lock);
            fd = m_pty.MasterFd();
        }
        if (fd >= 0) {
            pollfd pfd{fd, POLLIN, 0};
            ::poll(&pfd, 1, 1);
        } else {
            m_clock.Sleep(1);
        }
        std::lock_guard guard(m_lock);
        const std::uint32_t now = Elapsed();
        RunTimers(now);
        ReadInput(now);
        ExpireInput(now);
        FlushTx();
    }
}

void CSimTelModem::ReadInput(std::uint32_t tick) {
    std::uint8_t buffer[256];
    for (;;) {
        const long n = m_pty.Read(buffer, sizeof buffer);
        if (n <= 0) {
            return;
        }
        for (long i = 0; i < n; ++i) {
            ExpireInput(tick);
            switch (m_parser.Feed(buffer[i], tick)) {
            case CSimFrameParser::PARSE_FRAME:
                OnFrame(m_parser.Frame(), tick);
                break;
            case CSimFrameParser::PARSE_BAD_CHECK:
                m_recorder.AddFrame(SSimRecord::FROM_STATION_BAD, tick, m_parser.Frame().Wire);
                Event(tick,
                      "frame with a wrong check byte ignored: " + SSimFrame::Hex(m_parser.Frame().Wire));
                break;
            case CSimFrameParser::PARSE_MORE:
                break;
            }
        }
    }
}

void CSimTelModem::ExpireInput(std::uint32_t tick) {
    if (m_parser.Expire(tick)) {
        m_recorder.AddFrame(SSimRecord::FROM_STATION_BAD, tick, m_parser.Dropped());
        Event(tick, "incomplete frame dropped after a pause of 50 ms or more: " +
                        SSimFrame::Hex(m_parser.Dropped()));
    }
}

std::optional<SSimFault> CSimTelModem::TakeFault() {
    if (m_faults.empty()) {
        return std::nullopt;
    }
    SSimFault fault = m_faults.front();
    if (--m_faults.front().Count <= 0) {
        m_faults.pop_front();
    }
    return fault;
}

void CSimTelModem::OnFrame(const SSimFrame& frame, std::uint32_t tick) {
    ++m_framesIn;
    m_recorder.AddFrame(SSimRecord::FROM_STATION, tick, frame.Wire);

    std::optional<SSimFault> fault = TakeFault();
    if (fault && fault->Kind == ESimFault::SILENCE) {
        Event(tick, "fault: no reply");
        return;
    }
    if (fault && fault->Kind == ESimFault::HANG_UP) {
        HangUpLocked(tick);
        return;
    }
    // A damaged reply stands for a frame the modem did not act on; the station sends it again.
    const bool acts = !fault || fault->Kind == ESimFault::REPLY_97;
    if (!acts) {
        Send(SReport{REP_STATUS, {}}, fault, tick);
        return;
    }

    if ((frame.Flags() & 0x80) != 0 && m_headDelivered && !m_reports.empty()) {
        m_reports.pop_front();
        m_headDelivered = false;
    }
    std::optional<SReport> direct;
    const bool accepted = Execute(frame, tick, direct);
    if (direct) {
        direct->Params.insert(direct->Params.begin(),
                              static_cast<std::uint8_t>(FlagsLocked() | (accepted ? FLAG_ACCEPTED : 0)));
        Send(*direct, fault, tick);
        return;
    }
    if (frame.Code == CMD_POLL && !m_reports.empty()) {
        SReport report = m_reports.front();
        report.Params.insert(report.Params.begin(), FlagsLocked());
        if (!fault) {
            m_headDelivered = true;
        }
        Send(report, fault, tick);
        return;
    }
    SReport status{REP_STATUS, {static_cast<std::uint8_t>(FlagsLocked() | (accepted ? FLAG_ACCEPTED : 0))}};
    if (m_signal >= 0) {
        status.Params.push_back(static_cast<std::uint8_t>(m_signal));
    }
    Send(status, fault, tick);
}

bool CSimTelModem::Execute(const SSimFrame& frame, std::uint32_t tick, std::optional<SReport>& direct) {
    const std::vector<std::uint8_t> params = frame.Params();
    switch (frame.Code) {
    case CMD_POLL:
        return false;
    case CMD_LINE:
        if (params.empty()) {
            break;
        }
        m_linePending = true;
        m_lineTarget = params[0] != 0;
        m_lineDue = tick + m_timing.LineMs;
        Event(tick, m_lineTarget ? "station takes the line" : "station releases the line");
        return true;
    case CMD_SEND_RAW: {
        if (m_busy) {
            Event(tick, "raw send refused: modem busy");
            return false;
        }
        SPlanned end;
        end.Due = tick + std::max<std::uint32_t>(100, m_timing.RawByteMs *
                                                          static_cast<std::uint32_t>(params.size()));
        end.Final = true;
        end.End = SPlanned::END_RAW;
        end.Raw = params;
        m_job.push_back(end);
        m_busy = true;
        Event(tick, "raw send to the telephone: " + SSimFrame::Hex(params));
        return true;
    }
    case CMD_P100_LISTEN:
        if (m_busy) {
            Event(tick, "P100 listen refused: modem busy");
            return false;
        }
        PlanP100Listen(tick, params.empty() ? 0 : params[0]);
        return true;
    case CMD_READ_INFO:
        direct = SReport{REP_INFO,
                         {m_info.SwMajor, m_info.SwMinor, m_info.SwInfo, m_info.ModelId, m_info.HwVersion,
                          m_info.InterfaceType}};
        Event(tick, "information record requested");
        return true;
    case CMD_RESET: {
        m_job.clear();
        SPlanned end;
        end.Due = tick + m_timing.ResetMs;
        end.Final = true;
        end.End = SPlanned::END_RESET;
        m_job.push_back(end);
        m_busy = true;
        Event(tick, "line interface reset started");
        return true;
    }
    case CMD_VOICE:
        if (params.empty()) {
            break;
        }
        if (params[0] != 0) {
            m_voiceOn = true;
            Event(tick, "voice call on: the operator telephone rings");
            if (m_operator.AnswerMs >= 0) {
                m_hookChanges.emplace(tick + static_cast<std::uint32_t>(m_operator.AnswerMs), true);
            }
            if (m_operator.HangUpMs >= 0) {
                m_hookChanges.emplace(tick + static_cast<std::uint32_t>(m_operator.HangUpMs), false);
            }
        } else {
            m_voiceOn = false;
            // An operator who has not picked up by now will not.
            for (auto it = m_hookChanges.begin(); it != m_hookChanges.end();) {
                it = it->second ? m_hookChanges.erase(it) : std::next(it);
            }
            Event(tick, "voice call off");
        }
        return true;
    case CMD_CPC:
        if (m_busy) {
            Event(tick, "CPC request refused: modem busy");
            return false;
        }
        PlanCpc(tick, params);
        return true;
    case CMD_RELAY:
        if (params.size() < 2 || params[0] > 1) {
            break;
        }
        m_relays[params[0]] = params[1] != 0;
        Event(tick, "relay " + std::to_string(params[0]) + (params[1] != 0 ? " on" : " off"));
        return true;
    case CMD_NET_SELECT:
        if (params.empty()) {
            break;
        }
        m_netSelect = params[0];
        Event(tick, "network selection " + std::to_string(params[0]));
        return true;
    default:
        break;
    }
    Event(tick, "command not accepted: " + SSimFrame::Hex(frame.Wire));
    return false;
}

void CSimTelModem::PlanP100Listen(std::uint32_t tick, int attempt) {
    Event(tick, "P100 listen, attempt " + std::to_string(attempt));
    std::vector<SSimP100Step> steps;
    if (m_phone && m_connected) {
        steps = m_phone->P100Listen(attempt);
    }
    if (steps.empty() || !steps.back().EndsListen()) {
        steps.push_back(SSimP100Step{SSimP100Step::NO_START, {}});
    }
    std::uint32_t due = tick;
    for (const auto& step : steps) {
        SPlanned planned;
        switch (step.Kind) {
        case SSimP100Step::MESSAGE:
            due += m_timing.P100MessageMs;
            planned.Code = REP_P100_MESSAGE;
            planned.Params = step.Nibbles;
            if (planned.Params.size() > 254) {
                planned.Params.resize(254);
            }
            break;
        case SSimP100Step::NO_START:
            due += m_timing.P100NoStartMs;
            planned.Code = REP_P100_NO_START;
            break;
        case SSimP100Step::EXHAUSTED:
            due += m_timing.P100RetryMs;
            planned.Code = REP_P100_EXHAUSTED;
            break;
        case SSimP100Step::MESSAGE_TIMEOUT:
            due += m_timing.P100RetryMs;
            planned.Code = REP_P100_MSG_TIMEOUT;
            break;
        case SSimP100Step::CHECKSUM:
            due += m_timing.P100RetryMs;
            planned.Code = REP_P100_CHECKSUM;
            break;
        case SSimP100Step::TIMING:
            due += m_timing.P100RetryMs;
            planned.Code = REP_P100_TIMING;
            break;
        }
        planned.Due = due;
        planned.Final = step.EndsListen();
        m_job.push_back(planned);
        if (planned.Final) {
            break;
        }
    }
    m_busy = true;
}

void CSimTelModem::PlanCpc(std::uint32_t tick, const std::vector<std::uint8_t>& digits) {
    Event(tick, "CPC request " + Digits(digits));
    std::optional<std::vector<std::uint8_t>> answer;
    if (m_phone && m_connected) {
        answer = m_phone->CpcRequest(digits);
    }
    SPlanned planned;
    planned.Final = true;
    if (answer) {
        m_negatives = 0;
        m_lastNegativeRequest.clear();
        planned.Due = tick + m_timing.CpcAnswerMs;
        planned.Code = REP_CPC_MESSAGE;
        planned.Params = *answer;
    } else {
        // The first report of a request without a valid answer is 0x8F, its repetition 0x90.
        if (digits == m_lastNegativeRequest) {
            ++m_negatives;
        } else {
            m_negatives = 1;
            m_lastNegativeRequest = digits;
        }
        planned.Due = tick + m_timing.CpcNoAnswerMs;
        planned.Code = (m_negatives % 2 == 1) ? REP_CPC_NEGATIVE_1 : REP_CPC_NEGATIVE_2;
    }
    m_job.push_back(planned);
    m_busy = true;
}

void CSimTelModem::RunTimers(std::uint32_t tick) {
    while (!m_actions.empty() && m_actions.begin()->first <= tick) {
        Action action = std::move(m_actions.begin()->second);
        m_actions.erase(m_actions.begin());
        action(*this);
    }
    if (m_linePending && static_cast<std::int32_t>(tick - m_lineDue) >= 0) {
        ApplyLineChange(tick);
    }
    while (!m_hookChanges.empty() && m_hookChanges.begin()->first <= tick) {
        const bool offHook = m_hookChanges.begin()->second;
        m_hookChanges.erase(m_hookChanges.begin());
        m_offHook = offHook;
        Event(tick, offHook ? "operator picks up the telephone (off hook)"
                            : "operator puts the telephone down (on hook)");
    }
    RunJob(tick);
    RunRing(tick);
}

void CSimTelModem::ApplyLineChange(std::uint32_t tick) {
    m_linePending = false;
    if (m_lineTarget) {
        m_connected = true;
        if (m_ringing) {
            m_phone = m_ringing->Phone;
            Event(tick, "line held: call from the " + (m_phone ? m_phone->Name() : std::string("silent")) +
                            " telephone answered after " + std::to_string(m_ringing->SignalsDone) +
                            " ring signals");
            m_ringing.reset();
        } else {
            Event(tick, "line held (no caller)");
        }
        return;
    }
    if (m_lineStuck) {
        Event(tick, "line release failed: relay stuck");
        return;
    }
    m_connected = false;
    DropCall(tick, "line released");
}

void CSimTelModem::DropCall(std::uint32_t tick, const std::string& why) {
    if (m_busy) {
        m_job.clear();
        m_busy = false;
    }
    m_phone.reset();
    m_negatives = 0;
    m_lastNegativeRequest.clear();
    Event(tick, why);
}

void CSimTelModem::RunJob(std::uint32_t tick) {
    while (!m_job.empty() && static_cast<std::int32_t>(tick - m_job.front().Due) >= 0) {
        SPlanned step = std::move(m_job.front());
        m_job.pop_front();
        if (step.Final) {
            m_busy = false;
            m_job.clear();
        }
        switch (step.End) {
        case SPlanned::END_RAW:
            Event(tick, m_phone ? m_phone->RawReceived(step.Raw) : "raw bytes went to an empty line");
            break;
        case SPlanned::END_RESET:
            if (m_lineStuck) {
                Event(tick, "line interface reset done, line still held: relay stuck");
            } else {
                m_connected = false;
                DropCall(tick, "line interface reset done, line released");
            }
            break;
        case SPlanned::END_NONE:
            break;
        }
        if (step.Code == REP_P100_MESSAGE && m_phone) {
            m_phone->MessageConfirmed();
        }
        if (step.Code != 0) {
            m_reports.push_back(SReport{step.Code, step.Params});
            Event(tick, std::string(ReportName(step.Code)) + " ready" +
                            (step.Params.empty() ? std::string() : ": " + SSimFrame::Hex(step.Params)));
        }
    }
}

void CSimTelModem::RunRing(std::uint32_t tick) {
    if (!m_ringing) {
        if (m_waiting.empty() || m_phone || m_connected || !m_lineAvailable) {
            return;
        }
        m_ringing = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_ringing->SignalsDone = 0;
        m_ringing->RingOn = true;
        m_ringing->NextToggle = tick + m_ringing->Plan.RingMs;
        Event(tick, "ring signal 1");
        return;
    }
    if (static_cast<std::int32_t>(tick - m_ringing->NextToggle) < 0) {
        return;
    }
    if (m_ringing->RingOn) {
        m_ringing->RingOn = false;
        ++m_ringing->SignalsDone;
        m_ringing->NextToggle = tick + m_ringing->Plan.PauseMs;
        Event(tick, "ring pause after signal " + std::to_string(m_ringing->SignalsDone));
        return;
    }
    if (m_ringing->SignalsDone >= m_ringing->Plan.Signals) {
        Event(tick,
              "caller gave up after " + std::to_string(m_ringing->SignalsDone) + " unanswered ring signals");
        m_ringing.reset();
        return;
    }
    m_ringing->RingOn = true;
    m_ringing->NextToggle = tick + m_ringing->Plan.RingMs;
    Event(tick, "ring signal " + std::to_string(m_ringing->SignalsDone + 1));
}

void CSimTelModem::Send(SReport reply, std::optional<SSimFault> fault, std::uint32_t tick) {
    if (!m_pty.IsOpen()) {
        return;
    }
    std::vector<std::uint8_t> data = std::move(reply.Params);
    if (data.empty()) {
        data.push_back(FlagsLocked());
    }
    std::uint8_t code = reply.Code;
    std::uint32_t gapMs = 0;
    std::string note;
    std::vector<std::uint8_t> wire;
    if (fault) {
        switch (fault->Kind) {
        case ESimFault::INVALID_CODE:
            code = static_cast<std::uint8_t>(fault->Value != 0 ? fault->Value : 0x98);
            note = "fault: invalid reply code";
            break;
        case ESimFault::REPLY_97:
            code = REP_IGNORED;
            note = "fault: reply code 0x97 instead of the reply";
            break;
        default:
            break;
        }
    }
    wire = SSimFrame::Encode(code, data);
    if (fault) {
        switch (fault->Kind) {
        case ESimFault::GARBAGE: {
            const int count = fault->Value > 0 ? std::min(fault->Value, 255) : 6;
            wire.clear();
            for (int i = 0; i < count; ++i) {
                wire.push_back(static_cast<std::uint8_t>(m_random() & 0xFF));
            }
            note = "fault: garbage instead of the reply";
            break;
        }
        case ESimFault::BAD_CHECK:
            wire.back() ^= 0x5A;
            note = "fault: wrong check byte";
            break;
        case ESimFault::GAP:
            gapMs = static_cast<std::uint32_t>(std::max(fault->Value, 60));
            gapMs = std::max<std::uint32_t>(gapMs, 50);
            note = "fault: pause of " + std::to_string(gapMs) + " ms inside the reply";
            break;
        case ESimFault::TRUNCATE:
            wire.resize(wire.size() / 2);
            note = "fault: reply cut short";
            break;
        default:
            break;
        }
    }
    if (!note.empty()) {
        Event(tick, note);
    }
    ++m_framesOut;
    m_recorder.AddFrame(SSimRecord::TO_STATION, tick, wire);

    std::uint64_t due = SteadyUs() + std::uint64_t{m_timing.ReplyDelayMs} * 1000;
    if (!m_tx.empty()) {
        due = std::max(due, m_tx.back().DueUs + (m_timing.Pace9600 ? BYTE_TIME_US : 0));
    }
    for (std::size_t i = 0; i < wire.size(); ++i) {
        if (i == 2 && gapMs != 0) {
            due += std::uint64_t{gapMs} * 1000;
        }
        m_tx.push_back(STxByte{due, wire[i], i + 1 == wire.size(), wire.empty() ? std::uint8_t{0} : wire[0]});
        if (m_timing.Pace9600) {
            due += BYTE_TIME_US;
        }
    }
    FlushTx();
}

void CSimTelModem::FlushTx() {
    if (m_tx.empty()) {
        return;
    }
    const std::uint64_t now = SteadyUs();
    std::uint8_t chunk[256];
    std::size_t count = 0;
    while (count < m_tx.size() && count < sizeof chunk && m_tx[count].DueUs <= now) {
        chunk[count] = m_tx[count].Byte;
        ++count;
    }
    if (count == 0) {
        return;
    }
    const long written = m_pty.Write(chunk, count);
    if (written < 0) {
        m_tx.clear();
        Event(Elapsed(), "write to the station failed");
        return;
    }
    if (m_txListener) {
        const std::uint64_t done = SteadyUs();
        for (long i = 0; i < written; ++i) {
            if (m_tx[static_cast<std::size_t>(i)].Last) {
                m_txListener(m_tx[static_cast<std::size_t>(i)].Code, done);
            }
        }
    }
    m_tx.erase(m_tx.begin(), m_tx.begin() + written);
}
