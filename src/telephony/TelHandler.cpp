#include "TelHandler.h"

#include "MsgKinds.h"
#include "Translate.h"

#include <algorithm>

namespace {

constexpr const char* THREAD_SOURCE = "TelHandler::ThreadMain";
constexpr const char* CHECK_SOURCE = "TelHandler::CheckSwHwInfo";

// Step states of the primitives.
enum : std::uint32_t { PRIM_IDLE = 0, PRIM_ARMED = 1, PRIM_WAIT = 2, PRIM_WAIT_MORE = 3 };
enum : std::uint32_t { WR_FIRST = 0, WR_WAIT_BUSY = 1, WR_WAIT_BUSY_END = 2, WR_WAIT_REPLY = 3 };

} // namespace

CTelHandler::CTelHandler(IMsgSink* owner, const IClock& clock)
    : CHandler(owner, clock), m_link(nullptr, clock), m_callMgr(std::make_unique<CIncomingCallMgr>(clock)),
      m_primTimer(clock), m_stateTimer(clock) {}

CTelHandler::~CTelHandler() {
    Shutdown();
}

void CTelHandler::Log(const char* source, const std::string& text) {
    if (m_log) {
        m_log->Write(source, text);
    }
}

void CTelHandler::ThreadMain() {
    if (!HandlerStart()) {
        SetRunFlag(0);
        SetStatus(HANDLER_START_FAILED);
        return;
    }
    NameThread("mora-telephone");
    SetStatus(HANDLER_STARTED);
    while (IsRunning()) {
        HandlerStep();
    }
    SetStatus(HandlerEnd());
}

bool CTelHandler::HandlerStart() {
    m_log = std::make_unique<CLogFile>("TelHandler", 1000, Clock());
    DropOldMessages();
    IMsgSink* link = m_linkOverride;
    if (link == nullptr) {
        m_link.SetOwner(this);
        m_link.Configure(m_config.PortNumber, m_config.Speed);
        if (m_link.Start() != HANDLER_STARTED) {
            m_log.reset();
            return false;
        }
        link = &m_link;
    }
    Log(THREAD_SOURCE, "Startup - Ver. 2.65");
    m_state = TELHND_ST_START;
    m_modemFlags = 0;
    m_comError = 0;
    m_linkDown = false;
    ResetPrimitives();
    m_telInfo.Init(link, m_log.get());
    // A fresh call manager, so that protocol steps cut off by an earlier stop do not carry over;
    // the unattended mode is the operator's choice and stays.
    const std::int32_t unattended = m_callMgr->Unattended();
    m_callMgr = std::make_unique<CIncomingCallMgr>(Clock());
    m_callMgr->SetUnattended(unattended);
    m_callMgr->Init(this, this, m_config.VoiceCallEnabled, m_log.get(), m_config.P100Enabled,
                    m_config.CpcEnabled, m_config.RingSignals, m_config.RedirectMode);
    return true;
}

std::uint16_t CTelHandler::HandlerEnd() {
    std::uint16_t result = HANDLER_STOPPED;
    if (m_linkOverride == nullptr) {
        result = m_link.Stop() == HANDLER_STOPPED ? HANDLER_STOPPED : HANDLER_STOP_INCOMPLETE;
    }
    Log(THREAD_SOURCE, "Shutdown");
    m_log.reset();
    m_replySlot.reset();
    return result;
}

void CTelHandler::DropOldMessages() {
    // Requests of the user interface and link reports that waited while the handler was stopped
    // belong to the run before: an old abort or relay request must not act on the new one.
    std::size_t dropped = 0;
    while (MsgPtr msg = GetMsg()) {
        if (msg->Kind == MsgKind::TEL_UNATTENDED_MODE) {
            if (auto req = MsgCast<CTelHandlerMsg>(msg)) {
                m_callMgr->SetUnattended(req->Flag);
            }
            continue;
        }
        ++dropped;
    }
    if (dropped != 0 && m_log) {
        m_log->WriteF(THREAD_SOURCE, "Dropped %zu messages of the previous run", dropped);
    }
}

void CTelHandler::ResetPrimitives() {
    m_replySlot.reset();
    m_acceptReply = false;
    m_srState = m_rawState = m_infoState = m_lcState = m_resetState = m_wrState = PRIM_IDLE;
}

void CTelHandler::HandleLinkFailure(const CComMsg& msg, const char* logText, const char* textTag) {
    Log(THREAD_SOURCE, logText);
    // Every waiting primitive ends with its communication error; the link opens the port again
    // by itself, and its first flags report ends the outage here.
    m_comError = 1;
    m_linkDown = true;
    if (msg.LinkValue == 0) {
        TelStatus(TELSTATUS_SERIAL_FAILURE, Text::Tr(textTag));
    } else {
        TelStatus(TELSTATUS_LINK_DOWN);
    }
}

void CTelHandler::HandlerStep() {
    switch (m_state) {
    case TELHND_ST_IDLE:
    case TELHND_ST_LINK_DOWN:
    case TELHND_ST_RETRY_WAIT:
        // These states move on only for a message or a timer of this thread.
        WaitForWork();
        break;
    default:
        // Calls and modem dialogues step every millisecond, and at once for a message.
        WaitForWork(-1, 1);
        break;
    }
    if (MsgPtr msg = GetMsg()) {
        HandleMessage(std::move(msg));
    }
    StepState();
}

std::uint16_t CTelHandler::SignalPercent(std::uint16_t raw) {
    if (raw < 5) {
        return 0;
    }
    if (raw > 20) {
        return 100;
    }
    // (raw - 5) / 0.75 truncated, in whole steps of 5 percent.
    return static_cast<std::uint16_t>(((raw - 5) * 4 / 3) * 5);
}

void CTelHandler::TelStatus(std::uint16_t code, const std::string& text) {
    auto msg = std::make_unique<CTelHandlerMsg>(MsgKind::TEL_STATUS, code);
    msg->Text = text;
    msg->InterfaceType = m_interfaceType;
    msg->SignalLevel = m_signalLevel;
    PostToOwner(std::move(msg));
}

void CTelHandler::Send(std::unique_ptr<CTelMsg> request) {
    m_telInfo.Encode(std::move(request));
}

void CTelHandler::HandleFlags(const CComMsg& msg) {
    m_modemFlags = msg.Data[1];
    m_comError = 0;
    m_linkDown = false;
    ReportLineStatus();
}

void CTelHandler::ReportLineStatus() {
    if ((m_modemFlags & TELFLAG_RING) != 0) {
        TelStatus(TELSTATUS_RING);
    } else if ((m_modemFlags & TELFLAG_LINE) != 0) {
        if (m_state != TELHND_ST_INCOMING) {
            TelStatus(TELSTATUS_LINE_OK);
        }
    } else {
        TelStatus(TELSTATUS_NO_LINE);
    }
}

void CTelHandler::HandleMessage(MsgPtr msg) {
    switch (msg->Kind) {
    case MsgKind::TEL_RAW_P100: {
        auto frame = MsgCast<CComMsg>(msg);
        auto record = frame ? m_telInfo.P100().DecodeFrame(*frame) : nullptr;
        if (record) {
            PostToOwner(std::move(record));
        } else {
            Log(THREAD_SOURCE, "P100 test message could not be decoded");
        }
        return;
    }
    case MsgKind::TEL_ABORT_VOICE_CALL:
        m_callMgr->Abort();
        return;
    case MsgKind::TEL_SET_RELAY:
        if (auto req = MsgCast<CTelHandlerMsg>(msg)) {
            SetRelay(req->RelayNo, req->Flag);
        }
        return;
    case MsgKind::TEL_UNATTENDED_MODE:
        if (auto req = MsgCast<CTelHandlerMsg>(msg)) {
            m_callMgr->SetUnattended(req->Flag);
        }
        return;
    case MsgKind::COM_STATUS_FLAGS:
        if (auto flags = MsgCast<CComMsg>(msg)) {
            HandleFlags(*flags);
        }
        return;
    case MsgKind::COM_SIGNAL_LEVEL:
        if (auto level = MsgCast<CComMsg>(msg)) {
            m_signalLevel = SignalPercent(level->LinkValue);
            if (m_state != TELHND_ST_INCOMING) {
                TelStatus(TELSTATUS_LINE_OK);
            }
        }
        return;
    case MsgKind::COM_REPLY:
        if (auto frame = MsgCast<CComMsg>(msg)) {
            m_comError = 0;
            m_linkDown = false;
            // Replies are decoded only while a primitive waits for one; the rest are dropped.
            if (m_acceptReply || frame->Data[0] == TELREP_IGNORED) {
                if (auto reply = m_telInfo.Decode(*frame); reply && m_acceptReply) {
                    m_replySlot = std::move(reply);
                }
            }
        }
        return;
    case MsgKind::COM_TIMEOUT:
        m_comError = 1;
        return;
    case MsgKind::COM_RX_FAILURE:
        if (auto failure = MsgCast<CComMsg>(msg)) {
            HandleLinkFailure(*failure, "Serial Reception Failure", "IDS_TELHANDLER_MSG_2");
        }
        return;
    case MsgKind::COM_TX_FAILURE:
        if (auto failure = MsgCast<CComMsg>(msg)) {
            HandleLinkFailure(*failure, "Serial Transmission Failure", "IDS_TELHANDLER_MSG_1");
        }
        return;
    default:
        if (m_log) {
            m_log->WriteF(THREAD_SOURCE, "Unknown Message: %u", unsigned(msg->Kind));
        }
        return;
    }
}

void CTelHandler::StepState() {
    // A call in progress ends by itself on the communication error; any other state gives way.
    if (m_linkDown && m_state != TELHND_ST_INCOMING && m_state != TELHND_ST_LINK_DOWN) {
        Log(THREAD_SOURCE, "TELHND_ST_LINK_DOWN: waiting for the serial link");
        ResetPrimitives();
        m_state = TELHND_ST_LINK_DOWN;
    }
    switch (m_state) {
    case TELHND_ST_START:
        m_state = TELHND_ST_MODEM_INFO;
        break;

    case TELHND_ST_MODEM_INFO: {
        std::shared_ptr<CSwHwInfo> info;
        const std::uint16_t r = ReadSwHwInfo(info);
        if (r == TELHND_RSRET_OK && info) {
            if (CheckSwHwInfo(*info)) {
                if (info->SwVersion >= NET_SELECT_SW_VERSION) {
                    auto net = std::make_unique<CTelMsg>(TELMSG_NET_SELECT);
                    net->Arg2 = static_cast<std::uint16_t>(m_config.NetSelection);
                    net->Param[0] = 0;
                    Send(std::move(net));
                }
                // The flags were reported before the interface type was known; report them again
                // so the status shows the line and not a hardware error.
                ReportLineStatus();
                m_state = TELHND_ST_IDLE;
            } else {
                m_stateTimer.Start(RETRY_WAIT_MS);
                m_state = TELHND_ST_RETRY_WAIT;
            }
        } else if (r != TELHND_RSRET_BUSY) {
            Log(THREAD_SOURCE, "TELHND_RSRET_COM_ERROR");
            m_state = TELHND_ST_COM_ERROR;
        }
        break;
    }

    case TELHND_ST_IDLE:
        if (m_comError != 0) {
            Log(THREAD_SOURCE, "TELHND_ST_IDLE: Com Timeout");
            m_state = TELHND_ST_COM_TIMEOUT;
        } else if (m_callMgr->RingDetect()) {
            Log(THREAD_SOURCE, "TELHND_ST_IDLE: No of ring signals accepted");
            TelStatus(TELSTATUS_INCOMING_CALL);
            m_state = TELHND_ST_INCOMING;
        } else if ((m_modemFlags & TELFLAG_CONNECTED) != 0) {
            Log(THREAD_SOURCE, "Modem Line Connect Error");
            TelStatus(TELSTATUS_COM_ERROR, Text::Tr("IDS_TELHANDLER_MSG_3"));
            m_state = TELHND_ST_LINE_RESET;
        }
        break;

    case TELHND_ST_INCOMING: {
        auto msg = m_callMgr->IncomingCall(m_comError != 0);
        if (!msg) {
            break;
        }
        if (msg->Kind == MsgKind::TEL_CALL_FINISHED) {
            Log(THREAD_SOURCE, "TELHND_ST_INCOMING: Incoming call done");
            if ((m_modemFlags & TELFLAG_OFF_HOOK) != 0) {
                Log(THREAD_SOURCE, "TELHND_ST_INCOMING: Phone off hook after call ended");
            }
            // After a link failure the pane keeps saying so until the link works again.
            if (!m_linkDown) {
                TelStatus(TELSTATUS_LINE_OK);
            }
            m_state = TELHND_ST_IDLE;
        } else {
            PostToOwner(std::move(msg));
        }
        break;
    }

    case TELHND_ST_LINE_RESET:
        switch (TelCommReset()) {
        case TELHND_TRRET_OK:
            m_state = TELHND_ST_IDLE;
            break;
        case TELHND_TRRET_LINE_HELD:
            Log(THREAD_SOURCE, "Modem TelComm Reset Error");
            TelStatus(TELSTATUS_COM_ERROR, Text::Tr("IDS_TELHANDLER_MSG_4"));
            m_stateTimer.Start(RETRY_WAIT_MS);
            m_state = TELHND_ST_RETRY_WAIT;
            break;
        case TELHND_TRRET_COM_ERROR:
            Log(THREAD_SOURCE, "TELHND_TRRET_COM_ERROR");
            m_state = TELHND_ST_COM_ERROR;
            break;
        default:
            break;
        }
        break;

    case TELHND_ST_COM_TIMEOUT:
        TelStatus(TELSTATUS_COM_TIMEOUT);
        m_stateTimer.Start(COM_WAIT_MS);
        m_state = TELHND_ST_COM_WAIT;
        break;

    case TELHND_ST_COM_WAIT:
        if (m_comError == 0) {
            m_state = TELHND_ST_START;
        } else if (m_stateTimer.Expired()) {
            m_state = TELHND_ST_COM_ERROR;
        }
        break;

    case TELHND_ST_COM_ERROR:
        TelStatus(TELSTATUS_COM_ERROR);
        // A modem that polls fine but does not answer a request leaves no com-error flag to wait
        // for; without a pause the check would repeat every few seconds and raise the operator's
        // window each time.
        m_stateTimer.Start(m_comError != 0 ? 0 : RETRY_WAIT_MS);
        m_state = TELHND_ST_COM_ERROR_WAIT;
        break;

    case TELHND_ST_COM_ERROR_WAIT:
        if (m_comError == 0 && m_stateTimer.Expired()) {
            m_state = TELHND_ST_START;
        }
        break;

    case TELHND_ST_RETRY_WAIT:
        if (m_stateTimer.Expired()) {
            m_state = TELHND_ST_START;
        }
        break;

    case TELHND_ST_LINK_DOWN:
        // The link works again: check the modem as after every failure.
        if (!m_linkDown) {
            m_state = TELHND_ST_START;
        }
        break;

    default:
        m_state = TELHND_ST_START;
        break;
    }
}

bool CTelHandler::CheckSwHwInfo(const CSwHwInfo& info) {
    Log(CHECK_SOURCE, Text::TrF("IDS_TELHANDLER_MSG_5", int(info.ModelId)));
    Log(CHECK_SOURCE, Text::TrF("IDS_TELHANDLER_MSG_6", unsigned(info.Major()), unsigned(info.Minor())));
    Log(CHECK_SOURCE, Text::TrF("IDS_TELHANDLER_MSG_7", unsigned(info.SwInfo)));
    Log(CHECK_SOURCE, Text::TrF("IDS_TELHANDLER_MSG_8", int(info.HwVersion)));
    Log(CHECK_SOURCE, Text::TrF("IDS_TELHANDLER_MSG_9", int(info.InterfaceType)));

    if (info.ModelId != CSwHwInfo::MODEL_B5100) {
        TelStatus(TELSTATUS_MODEL_NOT_SUPPORTED, Text::Tr("IDS_TELHANDLER_MSG_18"));
        Log(CHECK_SOURCE, "Modem type not supported");
        return false;
    }
    m_interfaceType = info.InterfaceType;
    // The receiver shows the newest line on top, so the heading goes last.
    if (info.InterfaceType == CSwHwInfo::INTERFACE_LINE) {
        TelStatus(TELSTATUS_STARTUP_INFO, Text::Tr("IDS_TELHANDLER_MSG_10"));
    } else if (info.InterfaceType == CSwHwInfo::INTERFACE_GSM) {
        TelStatus(TELSTATUS_STARTUP_INFO, Text::Tr("IDS_TELHANDLER_MSG_11"));
    } else {
        TelStatus(TELSTATUS_STARTUP_INFO, Text::Tr("IDS_TELHANDLER_MSG_12"));
    }
    TelStatus(TELSTATUS_STARTUP_INFO, Text::TrF("IDS_TELHANDLER_MSG_13", int(info.HwVersion)));
    TelStatus(TELSTATUS_STARTUP_INFO, Text::TrF("IDS_TELHANDLER_MSG_14", unsigned(info.SwInfo)));
    TelStatus(TELSTATUS_STARTUP_INFO,
              Text::TrF("IDS_TELHANDLER_MSG_15", unsigned(info.Major()), unsigned(info.Minor())));
    TelStatus(TELSTATUS_STARTUP_INFO, Text::Tr("IDS_TELHANDLER_MSG_16"));

    if (info.SwVersion < MIN_SW_VERSION) {
        TelStatus(TELSTATUS_SW_TOO_OLD, Text::TrF("IDS_TELHANDLER_MSG_17", 0x01u, 0x42u));
        Log(CHECK_SOURCE, "Modem SW Version Error");
        return false;
    }
    return true;
}

std::uint16_t CTelHandler::LineConnect(std::int32_t on) {
    if (m_lcState == PRIM_IDLE) {
        auto request = std::make_unique<CTelMsg>(TELMSG_LINE_CONTROL);
        request->Arg = on != 0 ? 1 : 0;
        Send(std::move(request));
        m_primTimer.Start(LINE_CONNECT_MS);
        m_lcState = PRIM_WAIT;
        return TELHND_LCRET_BUSY;
    }
    if (((m_modemFlags & TELFLAG_CONNECTED) != 0) == (on != 0)) {
        m_lcState = PRIM_IDLE;
        return TELHND_LCRET_OK;
    }
    if (m_primTimer.Expired() || m_comError != 0) {
        m_lcState = PRIM_IDLE;
        return TELHND_LCRET_COM_ERROR;
    }
    return TELHND_LCRET_BUSY;
}

std::uint16_t CTelHandler::WaitReply(std::unique_ptr<CTelMsg>& reply, std::uint16_t mode,
                                     std::uint32_t timeoutMs) {
    if (m_comError != 0) {
        m_acceptReply = false;
        m_wrState = WR_FIRST;
        return TELHND_WRRET_COM_ERROR;
    }
    switch (m_wrState) {
    case WR_FIRST:
        // A reply left over from an earlier exchange must not be taken for this one.
        m_replySlot.reset();
        if (mode == TELHND_WRMODE_REPLY) {
            m_acceptReply = true;
            m_primTimer.Start(timeoutMs);
            m_wrState = WR_WAIT_REPLY;
        } else {
            // A modem quick enough to report before it was ever seen busy has still answered this
            // request: take its report rather than lose it.
            m_acceptReply = mode == TELHND_WRMODE_BUSY_REPLY;
            m_primTimer.Start(BUSY_WAIT_MS);
            m_wrState = WR_WAIT_BUSY;
        }
        return TELHND_WRRET_BUSY;

    case WR_WAIT_BUSY:
        if (m_replySlot) {
            reply = std::move(m_replySlot);
            m_acceptReply = false;
            m_wrState = WR_FIRST;
            return TELHND_WRRET_OK;
        }
        if ((m_modemFlags & TELFLAG_BUSY) != 0) {
            m_primTimer.Start(timeoutMs);
            if (mode == TELHND_WRMODE_BUSY_END) {
                m_wrState = WR_WAIT_BUSY_END;
            } else {
                m_acceptReply = true;
                m_wrState = WR_WAIT_REPLY;
            }
            return TELHND_WRRET_BUSY;
        }
        if (m_primTimer.Expired()) {
            m_acceptReply = false;
            m_wrState = WR_FIRST;
            return TELHND_WRRET_TIMEOUT;
        }
        return TELHND_WRRET_BUSY;

    case WR_WAIT_BUSY_END:
        if ((m_modemFlags & TELFLAG_BUSY) == 0) {
            m_wrState = WR_FIRST;
            return TELHND_WRRET_OK;
        }
        if (m_primTimer.Expired()) {
            m_wrState = WR_FIRST;
            return TELHND_WRRET_TIMEOUT;
        }
        return TELHND_WRRET_BUSY;

    case WR_WAIT_REPLY:
    default:
        if (m_replySlot) {
            reply = std::move(m_replySlot);
            m_acceptReply = false;
            m_wrState = WR_FIRST;
            return TELHND_WRRET_OK;
        }
        if (m_primTimer.Expired()) {
            m_acceptReply = false;
            m_wrState = WR_FIRST;
            return TELHND_WRRET_TIMEOUT;
        }
        return TELHND_WRRET_BUSY;
    }
}

std::uint16_t CTelHandler::SendReceive(std::uint16_t protocol, std::uint16_t param,
                                       std::unique_ptr<CTelHandlerMsg>& record) {
    switch (m_srState) {
    case PRIM_IDLE:
        m_srState = PRIM_ARMED;
        return TELHND_SRRET_BUSY;
    case PRIM_ARMED: {
        m_srTimeout = SEND_RECEIVE_TIMEOUT_MS;
        auto request = std::make_unique<CTelMsg>(protocol == TELHND_PROTOCOL_P100 ? TELMSG_P100_LISTEN
                                                                                  : TELMSG_CPC_REQUEST);
        request->Arg2 = param;
        Send(std::move(request));
        m_wrState = WR_FIRST;
        m_srState = PRIM_WAIT;
        break;
    }
    default:
        break;
    }

    std::unique_ptr<CTelMsg> reply;
    const std::uint16_t w = WaitReply(reply, TELHND_WRMODE_BUSY_REPLY, m_srTimeout);
    if (w == TELHND_WRRET_BUSY) {
        return TELHND_SRRET_BUSY;
    }
    std::uint16_t result = TELHND_SRRET_COM_ERROR;
    if (w == TELHND_WRRET_OK && reply) {
        switch (reply->Kind) {
        case TELMSG_RX_RECORD:
            if (reply->Record) {
                record = std::move(reply->Record);
                result = TELHND_SRRET_RECEIVE_OK;
            } else {
                result = TELHND_SRRET_RETRIES_EXCEEDED;
            }
            break;
        case TELMSG_RX_START_TIMEOUT:
            result = TELHND_SRRET_START_TIMEOUT;
            break;
        case TELMSG_RX_NO_MESSAGE:
            result = TELHND_SRRET_RETRIES_EXCEEDED;
            break;
        case TELMSG_RX_MESSAGE_TIMEOUT:
            result = TELHND_SRRET_MESSAGE_TIMEOUT;
            break;
        case TELMSG_RX_CHECKSUM_ERROR:
            result = TELHND_SRRET_CHECKSUM_ERROR;
            break;
        case TELMSG_RX_TIMING_ERROR:
            result = TELHND_SRRET_TIMING_ERROR;
            break;
        default:
            result = TELHND_SRRET_RETRIES_EXCEEDED;
            break;
        }
    }
    const bool modemRetrying = result == TELHND_SRRET_MESSAGE_TIMEOUT ||
                               result == TELHND_SRRET_CHECKSUM_ERROR || result == TELHND_SRRET_TIMING_ERROR;
    if (modemRetrying) {
        // The modem retries on its own and reports again without a new request: keep taking
        // replies from now on, so its next report cannot slip past between two calls.
        m_srState = PRIM_WAIT_MORE;
        m_acceptReply = true;
        m_primTimer.Start(m_srTimeout);
        m_wrState = WR_WAIT_REPLY;
    } else {
        m_srState = PRIM_IDLE;
    }
    return result;
}

std::uint16_t CTelHandler::SendRaw(const CBufferMsg& bytes) {
    switch (m_rawState) {
    case PRIM_IDLE:
        m_rawState = PRIM_ARMED;
        return TELHND_RAWRET_BUSY;
    case PRIM_ARMED: {
        auto request = std::make_unique<CTelMsg>(TELMSG_SEND_RAW);
        const std::uint16_t n =
            std::min<std::uint16_t>(bytes.Length, static_cast<std::uint16_t>(bytes.Data.size()));
        std::copy(bytes.Data.begin(), bytes.Data.begin() + n, request->Data.begin());
        request->Length = n;
        Send(std::move(request));
        m_wrState = WR_FIRST;
        m_rawState = PRIM_WAIT;
        break;
    }
    default:
        break;
    }
    std::unique_ptr<CTelMsg> reply;
    const std::uint16_t w = WaitReply(reply, TELHND_WRMODE_BUSY_END, SEND_RAW_TIMEOUT_MS);
    if (w == TELHND_WRRET_BUSY) {
        return TELHND_RAWRET_BUSY;
    }
    m_rawState = PRIM_IDLE;
    return w == TELHND_WRRET_OK ? TELHND_RAWRET_SENT : TELHND_RAWRET_COM_ERROR;
}

std::uint16_t CTelHandler::ReadSwHwInfo(std::shared_ptr<CSwHwInfo>& info) {
    switch (m_infoState) {
    case PRIM_IDLE:
        m_infoState = PRIM_ARMED;
        return TELHND_RSRET_BUSY;
    case PRIM_ARMED:
        Send(std::make_unique<CTelMsg>(TELMSG_READ_INFO));
        m_wrState = WR_FIRST;
        m_infoState = PRIM_WAIT;
        break;
    default:
        break;
    }
    std::unique_ptr<CTelMsg> reply;
    const std::uint16_t w = WaitReply(reply, TELHND_WRMODE_REPLY, READ_INFO_TIMEOUT_MS);
    if (w == TELHND_WRRET_BUSY) {
        return TELHND_RSRET_BUSY;
    }
    m_infoState = PRIM_IDLE;
    if (w == TELHND_WRRET_OK && reply && reply->Kind == TELMSG_RX_SWHW_INFO && reply->SwHwInfo) {
        info = reply->SwHwInfo;
        return TELHND_RSRET_OK;
    }
    return TELHND_RSRET_COM_ERROR;
}

std::uint16_t CTelHandler::TelCommReset() {
    switch (m_resetState) {
    case PRIM_IDLE:
        m_resetState = PRIM_ARMED;
        return TELHND_TRRET_BUSY;
    case PRIM_ARMED:
        Send(std::make_unique<CTelMsg>(TELMSG_RESET_LINE));
        m_primTimer.Start(RESET_MS);
        m_resetState = PRIM_WAIT;
        return TELHND_TRRET_BUSY;
    default:
        if (m_comError != 0) {
            m_resetState = PRIM_IDLE;
            return TELHND_TRRET_COM_ERROR;
        }
        if (m_primTimer.Expired()) {
            m_resetState = PRIM_IDLE;
            return (m_modemFlags & TELFLAG_CONNECTED) != 0 ? TELHND_TRRET_LINE_HELD : TELHND_TRRET_OK;
        }
        return TELHND_TRRET_BUSY;
    }
}

void CTelHandler::SetRelay(std::uint16_t relay, std::int32_t on) {
    auto request = std::make_unique<CTelMsg>(TELMSG_RELAY);
    request->Arg2 = relay;
    request->Arg = on != 0 ? 1 : 0;
    Send(std::move(request));
}

void CTelHandler::VoiceCall(std::int32_t on) {
    auto request = std::make_unique<CTelMsg>(TELMSG_VOICE_CALL);
    request->Arg = on != 0 ? 1 : 0;
    Send(std::move(request));
}
