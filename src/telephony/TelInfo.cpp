#include "TelInfo.h"

#include "MsgKinds.h"
#include "SwHwInfo.h"

#include <algorithm>

namespace {

void SetParams(CComMsg& frame, std::uint8_t command, std::initializer_list<std::uint8_t> params) {
    frame.Data[0] = command;
    frame.Data[1] = 0;
    std::copy(params.begin(), params.end(), frame.Data.begin() + 2);
    frame.Length = static_cast<std::uint16_t>(params.size());
}

} // namespace

void CTelInfo::Init(IMsgSink* link, CLogFile* log) {
    m_link = link;
    m_log = log;
    m_cpc.SetLog(log);
    m_p100.SetLog(log);
}

bool CTelInfo::BuildFrame(const CTelMsg& request, CComMsg& frame, CCpcInfo* cpc) {
    const auto arg = static_cast<std::uint8_t>(request.Arg);
    const auto arg2 = static_cast<std::uint8_t>(request.Arg2);
    switch (request.Kind) {
    case TELMSG_LINE_CONTROL:
        SetParams(frame, TELCMD_LINE_CONTROL, {arg});
        return true;
    case TELMSG_SEND_RAW: {
        // One frame carries the flags byte and at most 254 bytes for the line.
        const std::uint16_t n = std::min<std::uint16_t>(request.Length, 254);
        frame.Data[0] = TELCMD_SEND_RAW;
        frame.Data[1] = 0;
        std::copy(request.Data.begin(), request.Data.begin() + n, frame.Data.begin() + 2);
        frame.Length = n;
        return true;
    }
    case TELMSG_P100_LISTEN:
        SetParams(frame, TELCMD_P100_LISTEN, {arg2});
        return true;
    case TELMSG_READ_INFO:
        SetParams(frame, TELCMD_READ_INFO, {});
        return true;
    case TELMSG_RESET_LINE:
        SetParams(frame, TELCMD_RESET_LINE, {});
        return true;
    case TELMSG_VOICE_CALL:
        SetParams(frame, TELCMD_VOICE_CALL, {arg});
        return true;
    case TELMSG_CPC_REQUEST:
        if (cpc != nullptr) {
            cpc->Encode(frame, request.Arg2);
        } else {
            CCpcInfo plain;
            plain.Encode(frame, request.Arg2);
        }
        frame.Data[0] = TELCMD_CPC_REQUEST;
        frame.Data[1] = 0;
        return true;
    case TELMSG_RELAY:
        SetParams(frame, TELCMD_RELAY, {arg2, arg});
        return true;
    case TELMSG_NET_SELECT:
        SetParams(frame, TELCMD_NET_SELECT, {arg2, static_cast<std::uint8_t>(request.Param[0])});
        return true;
    default:
        return false;
    }
}

bool CTelInfo::Encode(std::unique_ptr<CTelMsg> request) {
    if (!request) {
        return false;
    }
    auto frame = std::make_unique<CComMsg>(MsgKind::COM_TRANSMIT);
    if (!BuildFrame(*request, *frame, &m_cpc)) {
        if (m_log != nullptr) {
            m_log->WriteF("CTelInfo::Encode", "Unknown request kind: %u", unsigned(request->Kind));
        }
        return false;
    }
    if (m_link == nullptr) {
        return false;
    }
    m_link->PutMsg(std::move(frame));
    return true;
}

std::unique_ptr<CTelMsg> CTelInfo::Decode(const CComMsg& frame) {
    switch (frame.Data[0]) {
    case TELREP_P100_MESSAGE: {
        auto record = m_p100.DecodeFrame(frame);
        if (!record) {
            return std::make_unique<CTelMsg>(TELMSG_RX_START_TIMEOUT);
        }
        auto reply = std::make_unique<CTelMsg>(TELMSG_RX_RECORD);
        reply->Record = std::move(record);
        return reply;
    }
    case TELREP_CPC_MESSAGE: {
        auto record = m_cpc.DecodeFrame(frame);
        if (!record) {
            return nullptr;
        }
        auto reply = std::make_unique<CTelMsg>(TELMSG_RX_RECORD);
        reply->Record = std::move(record);
        return reply;
    }
    case TELREP_P100_START_TIMEOUT:
    case TELREP_CPC_NO_MESSAGE_2:
        return std::make_unique<CTelMsg>(TELMSG_RX_START_TIMEOUT);
    case TELREP_P100_RETRIES_EXCEEDED:
    case TELREP_CPC_NO_MESSAGE_1:
        return std::make_unique<CTelMsg>(TELMSG_RX_NO_MESSAGE);
    case TELREP_P100_MESSAGE_TIMEOUT:
        return std::make_unique<CTelMsg>(TELMSG_RX_MESSAGE_TIMEOUT);
    case TELREP_P100_CHECKSUM_ERROR:
        return std::make_unique<CTelMsg>(TELMSG_RX_CHECKSUM_ERROR);
    case TELREP_P100_TIMING_ERROR:
        return std::make_unique<CTelMsg>(TELMSG_RX_TIMING_ERROR);
    case TELREP_SWHW_INFO: {
        if (frame.Length < SWHW_INFO_PARAMS) {
            if (m_log != nullptr) {
                m_log->WriteF("CTelInfo::Decode", "Modem information too short: %u bytes",
                              unsigned(frame.Length));
            }
            return nullptr;
        }
        auto info = std::make_shared<CSwHwInfo>();
        info->SwVersion = static_cast<std::uint16_t>(frame.Data[2] * 256 + frame.Data[3]);
        info->SwInfo = frame.Data[4];
        info->ModelId = frame.Data[5];
        info->HwVersion = frame.Data[6];
        info->InterfaceType = frame.Data[7];
        auto reply = std::make_unique<CTelMsg>(TELMSG_RX_SWHW_INFO);
        reply->SwHwInfo = std::move(info);
        return reply;
    }
    default:
        return nullptr;
    }
}
