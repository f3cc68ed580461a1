#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A GSM modem on a pseudo-terminal, speaking 3GPP TS 27.005 / 27.007 in text mode for the
// commands the station uses. The slave side is linked as COMn, so the station opens it like a
// real serial port. The modem runs on its own thread; every control call is thread-safe.
//
// Besides behaving well it can misbehave on purpose: refuse sends, fall silent, send garbage or
// overlong lines, and hang up the device.
class CGsmModemSim {
public:
    // One stored SMS. Text holds the GSM default alphabet bytes as the modem keeps them.
    struct SStoredSms {
        int Index = 0;
        std::string Status = "REC UNREAD";
        std::string Sender;
        std::string TimeStamp; // "yy/MM/dd,hh:mm:ss+zz"
        std::string Text;      // GSM bytes
    };

    // One SMS the station deleted with AT+CMGD, and when (steady_clock in microseconds): from
    // then on only the station's database holds it.
    struct SDeletedSms {
        SStoredSms Sms;
        std::uint64_t SteadyUs = 0;
    };

    // One SMS the station sent through AT+CMGS.
    struct SSentSms {
        std::string Destination;
        std::string Text; // decoded to UTF-8
        bool Accepted = false;
    };

    CGsmModemSim();
    ~CGsmModemSim();
    CGsmModemSim(const CGsmModemSim&) = delete;
    CGsmModemSim& operator=(const CGsmModemSim&) = delete;

    // Opens a pseudo-terminal and links its slave as <folder>/COM<port>. An empty folder means
    // $MORA_SERIAL_DIR, else the "serial" folder of the station's settings folder. Returns false
    // with a reason in LastError() when that fails.
    bool Start(int port, const std::string& folder = {});
    // Stops the thread, closes the terminal and removes the link.
    void Stop();
    bool IsRunning() const { return m_running.load(); }
    std::string LinkPath() const;
    std::string SlavePath() const;
    std::string LastError() const;

    // --- how the modem behaves ---
    void SetModelName(const std::string& name); // AT+CGMM answer, e.g. "TC35", "LE910-EU V2"
    void SetPin(const std::string& pin);        // empty: no PIN asked (+CPIN: READY)
    void SetRegistration(int status);           // +CREG second value; 1 home, 5 roaming, 0 none
    void SetSignal(int rssi);                   // +CSQ first value, 0-31 or 99
    void SetEcho(bool on);
    // How errors are reported (AT+CMEE): 0 plain ERROR, 1 "+CME ERROR: <n>", 2 "+CME ERROR: <text>".
    // A modem keeps the mode it was last given, also across a restart of the station.
    void SetErrorReports(int mode);
    // The next n message texts are refused with "+CMS ERROR: <cmsError>" instead of +CMGS, as the
    // network or the SMS centre refuses them (500 unknown error, 38 network out of order, ...).
    void RefuseSends(int count, int cmsError = 500);
    // A silent modem takes every byte and answers nothing.
    void SetSilent(bool silent);
    // Every command is answered with ERROR.
    void SetErrorToAll(bool on);
    // AT+CMGL lists the header of the first SMS without its text line.
    void SetDropTextLines(bool drop);

    // --- events ---
    // Stores an incoming SMS (UTF-8 text, converted to the GSM alphabet with escape sequences)
    // and returns its index. An empty time stamp takes the current local time.
    int StoreSms(const std::string& sender, const std::string& text, const std::string& timeStamp = {},
                 const std::string& status = "REC UNREAD");
    // Stores GSM bytes exactly as given.
    int StoreRawSms(const std::string& sender, const std::string& gsmText, const std::string& timeStamp,
                    const std::string& status = "REC UNREAD");
    // An incoming voice call: RING every interval for the duration; AT+CLCC lists the caller
    // meanwhile. An empty number is a caller who withheld the number.
    void Ring(const std::string& number, std::chrono::milliseconds duration,
              std::chrono::milliseconds interval = std::chrono::milliseconds(5000));
    void EndCall();
    // Writes bytes exactly as given, unsolicited.
    void SendRaw(const std::string& bytes);
    // A line of n printable characters, with or without CR LF.
    void SendLongLine(std::size_t length, bool withLineEnd);
    // The device disappears: the terminal is closed under the station, the link removed.
    void HangUp();

    // --- what happened ---
    std::vector<std::string> Commands() const;   // every command line received
    std::vector<SSentSms> SentSms() const;       // every message text received
    std::vector<SStoredSms> StoredSms() const;   // still in storage
    std::vector<int> DeletedIndexes() const;     // AT+CMGD in order
    std::vector<SDeletedSms> DeletedSms() const; // every stored SMS that AT+CMGD removed
    std::size_t CountCommands(const std::string& prefix) const;
    void ClearRecord();

private:
    void Run();
    void HandleByte(unsigned char byte);
    void HandleCommand(const std::string& line);
    void HandleSmsText();
    void Reply(const std::string& text);  // "\r\n<text>\r\n"
    void Write(const std::string& bytes); // under m_lock
    void ServeRing();
    std::string NowStamp() const;
    void CloseTerminal();

    // Command handlers; each replies itself. Return false for "ERROR".
    bool CmdCpin(const std::string& args);
    bool CmdCpms(const std::string& args);
    bool CmdCmgl(const std::string& args);
    bool CmdCmgd(const std::string& args);
    bool CmdCmgs(const std::string& args);
    bool CmdWs46(const std::string& args);
    bool CmdCmee(const std::string& args);
    // Final result codes of a failed command: an equipment error as AT+CMEE says, an SMS error
    // always as +CMS ERROR (3GPP TS 27.005).
    void MeError(int code);
    void SmsError(int code);

    mutable std::mutex m_lock;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stop{false};
    int m_master = -1;
    int m_slaveKeep = -1; // keeps the terminal alive while the station has it closed
    std::string m_linkPath;
    std::string m_slavePath;
    std::string m_lastError;

    // settings
    std::string m_model = "TC35";
    std::string m_pin;
    bool m_pinOk = true;
    int m_wrongPins = 0;
    int m_registration = 1;
    int m_rssi = 17;
    bool m_echo = true;
    int m_refuseSends = 0;
    int m_refuseCode = 500;
    int m_errorReports = 0;
    bool m_silent = false;
    bool m_dropTextLines = false;
    bool m_errorToAll = false;
    int m_textMode = 0;
    bool m_showHeaders = false;
    std::string m_charset = "IRA";
    int m_ws46 = 12;

    // input
    std::string m_line;
    bool m_inSmsText = false;
    bool m_lineFeedPending = false;
    std::string m_smsDestination;
    std::string m_smsText;
    int m_nextReference = 1;

    // storage and call
    std::vector<SStoredSms> m_storage;
    int m_storageSize = 30;
    std::string m_caller;
    bool m_callActive = false;
    std::chrono::steady_clock::time_point m_callEnd;
    std::chrono::steady_clock::time_point m_nextRing;
    std::chrono::milliseconds m_ringInterval{5000};

    // record
    std::vector<std::string> m_commands;
    std::vector<SSentSms> m_sent;
    std::vector<int> m_deleted;
    std::vector<SDeletedSms> m_deletedSms;
};
