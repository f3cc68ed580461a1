#pragma once

#include "Clock.h"
#include "SimFrame.h"
#include "SimLiftPhone.h"
#include "SimPty.h"
#include "SimRecorder.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

// What the modem says about itself in its information record.
struct SSimModemInfo {
    std::uint8_t SwMajor = 0x01;
    std::uint8_t SwMinor = 0x50;
    std::uint8_t SwInfo = 0x00;
    std::uint8_t ModelId = 12;
    std::uint8_t HwVersion = 1;
    std::uint8_t InterfaceType = 1; // 1 telephone line, 2 GSM
};

// How long the device takes for things. The defaults are close to a real line; tests shorten
// the line times to keep each call within a few seconds.
struct SSimTiming {
    std::uint32_t ReplyDelayMs = 2;     // last byte of a frame to the first byte of the reply
    bool Pace9600 = true;               // reply bytes spaced as at 9600 bit/s, else written at once
    std::uint32_t LineMs = 150;         // taking or releasing the line
    std::uint32_t ResetMs = 400;        // resetting the line interface
    std::uint32_t RawByteMs = 40;       // each byte of a raw send (at least 100 ms in all)
    std::uint32_t P100MessageMs = 600;  // listening until a message has arrived
    std::uint32_t P100NoStartMs = 1000; // listening until the modem gives up waiting for a start
    std::uint32_t P100RetryMs = 400;    // each trouble the modem retries by itself
    std::uint32_t CpcAnswerMs = 400;    // a CPC request and the telephone's answer
    std::uint32_t CpcNoAnswerMs = 800;  // a CPC request without a valid answer
};

// An incoming call: ring signals of RingMs with PauseMs between them; the caller gives up after
// Signals signals that nobody answered.
struct SSimRingPlan {
    int Signals = 10;
    std::uint32_t RingMs = 1000;
    std::uint32_t PauseMs = 2000;
};

// The operator at the modem's own telephone: when the station starts a voice call the telephone
// rings; the operator picks it up AnswerMs later and puts it down HangUpMs after the start of the
// voice call (-1: never).
struct SSimOperatorPlan {
    int AnswerMs = -1;
    int HangUpMs = -1;
};

// Troubles of the serial line or the device, applied to the next replies.
enum class ESimFault {
    SILENCE,      // no reply at all
    GARBAGE,      // random bytes instead of the reply (Value: how many, default 6)
    BAD_CHECK,    // the reply with a wrong check byte
    GAP,          // a pause of Value ms (at least 50, default 60) after the first two bytes
    TRUNCATE,     // only the first half of the reply
    INVALID_CODE, // the reply with code Value (default 0x98), outside the valid range
    REPLY_97,     // the reply code 0x97, valid but meaningless
    HANG_UP,      // the device vanishes instead of replying
};

struct SSimFault {
    ESimFault Kind = ESimFault::SILENCE;
    int Count = 1;
    int Value = 0;
};

// The telephone modem (Brennvik 5100) with the line behind it, on a pseudo-terminal. A pure
// slave: it answers every correct frame with one frame. It rings with scripted incoming calls,
// hands the line to scripted lift telephones, rings the operator's telephone for voice calls,
// keeps relays and network selection, records everything and injects faults on request.
// All methods are thread-safe; scripted actions run on the device thread.
class CSimTelModem {
public:
    static constexpr std::uint8_t FLAG_ACCEPTED = 0x80;
    static constexpr std::uint8_t FLAG_BUSY = 0x40;
    static constexpr std::uint8_t FLAG_RING = 0x20;
    static constexpr std::uint8_t FLAG_LINE = 0x10;
    static constexpr std::uint8_t FLAG_OFF_HOOK = 0x08;
    static constexpr std::uint8_t FLAG_CONNECTED = 0x04;
    static constexpr std::uint8_t FLAG_ICT_ERROR = 0x02;

    enum ECommand : std::uint8_t {
        CMD_POLL = 0x81,
        CMD_LINE = 0x82,
        CMD_SEND_RAW = 0x84,
        CMD_P100_LISTEN = 0x87,
        CMD_READ_INFO = 0x8A,
        CMD_RESET = 0x8B,
        CMD_VOICE = 0x8D,
        CMD_CPC = 0x8F,
        CMD_RELAY = 0x90,
        CMD_NET_SELECT = 0x91,
    };

    enum EReply : std::uint8_t {
        REP_STATUS = 0x81,
        REP_P100_MESSAGE = 0x86,
        REP_P100_NO_START = 0x87,
        REP_P100_EXHAUSTED = 0x88,
        REP_P100_MSG_TIMEOUT = 0x89,
        REP_P100_CHECKSUM = 0x8A,
        REP_P100_TIMING = 0x8B,
        REP_INFO = 0x8D,
        REP_CPC_MESSAGE = 0x8E,
        REP_CPC_NEGATIVE_1 = 0x8F,
        REP_CPC_NEGATIVE_2 = 0x90,
        REP_IGNORED = 0x97,
    };

    using Action = std::function<void(CSimTelModem&)>;
    // Told on the device thread when the last byte of a reply has been written: its code, and the
    // time from SteadyUs().
    using TxListener = std::function<void(std::uint8_t code, std::uint64_t us)>;

    explicit CSimTelModem(const IClock& clock = CSystemClock::Instance());
    ~CSimTelModem();
    CSimTelModem(const CSimTelModem&) = delete;
    CSimTelModem& operator=(const CSimTelModem&) = delete;

    // Creates the pseudo-terminal, links it as "<folder>/COM<port>" and starts the device thread.
    bool Start(const std::string& folder, int port, std::string& error);
    // Ends the device thread and removes the link. Safe to call more than once.
    void Stop();
    bool IsRunning() const { return m_running.load(); }
    std::string LinkPath() const;
    std::string DevicePath() const;
    // Milliseconds since Start.
    std::uint32_t Elapsed() const;

    void SetInfo(const SSimModemInfo& info);
    SSimModemInfo Info() const;
    void SetTiming(const SSimTiming& timing);
    SSimTiming Timing() const;
    void SetLineAvailable(bool available);
    // Raw signal level sent with every status reply; -1: status replies carry no signal byte.
    void SetSignalLevel(int raw);
    void SetIctError(bool on);
    // The modem keeps holding the line whatever the station asks (a stuck line relay).
    void SetLineStuck(bool stuck);
    // The modem takes (or drops) the line on its own.
    void SeizeLine(bool held);

    // A lift telephone calls; calls ring one after the other.
    void Call(std::shared_ptr<CSimLiftPhone> phone, const SSimRingPlan& plan = {});
    void SetOperatorPlan(const SSimOperatorPlan& plan);
    // The operator picks up or puts down the modem's telephone now.
    void SetOffHook(bool offHook);

    void InjectFault(const SSimFault& fault);
    void ClearFaults();
    // The device vanishes: both ends of the pseudo-terminal are closed.
    void HangUp();
    // The device is unplugged: it vanishes and its link "<folder>/COM<port>" is removed.
    void Unplug();
    // The device is plugged in (again): a new pseudo-terminal under the same link. A call in
    // progress is dropped. False with a reason in `error`.
    bool Plug(std::string& error);
    bool Plugged() const;

    // Runs an action on the device thread `ms` after Start (at once when that time has passed).
    void At(std::uint32_t ms, Action action);
    void RequestQuit();
    bool QuitRequested() const { return m_quit.load(); }

    void SetTxListener(TxListener listener);
    // Kernel thread id of the device thread (for CPU accounting), 0 when not running.
    long ThreadId() const { return m_threadId.load(); }
    // steady_clock in microseconds.
    static std::uint64_t SteadyUs();

    CSimRecorder& Recorder() { return m_recorder; }
    const CSimRecorder& Recorder() const { return m_recorder; }

    std::uint8_t StatusFlags() const;
    bool LineHeld() const;
    bool Busy() const;
    bool VoiceCallOn() const;
    bool Relay(int number) const;
    // The last network selection received, -1 when none.
    int NetworkSelection() const;
    bool CallActive() const;
    std::size_t CallsWaiting() const;
    std::uint64_t FramesReceived() const;
    std::uint64_t FramesSent() const;

private:
    struct SCall {
        std::shared_ptr<CSimLiftPhone> Phone;
        SSimRingPlan Plan;
        int SignalsDone = 0;
        bool RingOn = false;
        std::uint32_t NextToggle = 0;
    };

    // One step of the line job in progress: a report (Code 0: none) at Due; the final step ends
    // the busy state.
    struct SPlanned {
        std::uint32_t Due = 0;
        std::uint8_t Code = 0;
        std::vector<std::uint8_t> Params;
        bool Final = false;
        enum EEnd { END_NONE, END_RAW, END_RESET } End = END_NONE;
        std::vector<std::uint8_t> Raw;
    };

    struct SReport {
        std::uint8_t Code = 0;
        std::vector<std::uint8_t> Params;
    };

    struct STxByte {
        std::uint64_t DueUs = 0;
        std::uint8_t Byte = 0;
        bool Last = false;     // last byte of a frame
        std::uint8_t Code = 0; // that frame's code as sent
    };

    void ThreadMain();
    void ReadInput(std::uint32_t tick);
    void ExpireInput(std::uint32_t tick);
    void OnFrame(const SSimFrame& frame, std::uint32_t tick);
    // Carries out a command; true when the modem accepted it. May set a reply of its own.
    bool Execute(const SSimFrame& frame, std::uint32_t tick, std::optional<SReport>& direct);
    void RunTimers(std::uint32_t tick);
    void RunRing(std::uint32_t tick);
    void RunJob(std::uint32_t tick);
    void ApplyLineChange(std::uint32_t tick);
    void DropCall(std::uint32_t tick, const std::string& why);
    void Send(SReport reply, std::optional<SSimFault> fault, std::uint32_t tick);
    void FlushTx();
    void HangUpLocked(std::uint32_t tick);
    std::optional<SSimFault> TakeFault();
    std::uint8_t FlagsLocked() const;
    void Event(std::uint32_t tick, const std::string& text) { m_recorder.AddEvent(tick, text); }

    void PlanP100Listen(std::uint32_t tick, int attempt);
    void PlanCpc(std::uint32_t tick, const std::vector<std::uint8_t>& digits);

    const IClock& m_clock;
    CSimRecorder m_recorder;
    mutable std::recursive_mutex m_lock;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_quit{false};
    std::atomic<long> m_threadId{0};
    TxListener m_txListener;
    CSimPty m_pty;
    std::string m_folder;
    int m_port = 0;
    CSimFrameParser m_parser;
    std::uint32_t m_startTick = 0;
    std::minstd_rand m_random{5100};

    SSimModemInfo m_info;
    SSimTiming m_timing;
    bool m_lineAvailable = true;
    int m_signal = -1;
    bool m_ictError = false;
    bool m_lineStuck = false;

    bool m_connected = false;
    bool m_linePending = false;
    bool m_lineTarget = false;
    std::uint32_t m_lineDue = 0;

    std::deque<SCall> m_waiting;
    std::optional<SCall> m_ringing;
    std::shared_ptr<CSimLiftPhone> m_phone;

    std::deque<SPlanned> m_job;
    bool m_busy = false;
    std::vector<std::uint8_t> m_lastNegativeRequest;
    int m_negatives = 0;

    std::deque<SReport> m_reports;
    bool m_headDelivered = false;

    bool m_voiceOn = false;
    bool m_offHook = false;
    SSimOperatorPlan m_operator;
    std::multimap<std::uint32_t, bool> m_hookChanges; // tick -> off hook

    std::array<bool, 2> m_relays{};
    int m_netSelect = -1;

    std::deque<SSimFault> m_faults;
    std::deque<STxByte> m_tx;
    std::multimap<std::uint32_t, Action> m_actions; // ms after start -> action

    std::uint64_t m_framesIn = 0;
    std::uint64_t m_framesOut = 0;
};
