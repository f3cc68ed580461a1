#pragma once

#include <string>

// The far end of a serial port for tests: a pseudo-terminal whose slave is linked as COMn in a
// folder (MORA_SERIAL_DIR points there), so the station opens it as its serial port while the
// test reads and writes the modem's side.
class CPtyPeer {
public:
    CPtyPeer(const std::string& folder, int port);
    ~CPtyPeer();
    CPtyPeer(const CPtyPeer&) = delete;
    CPtyPeer& operator=(const CPtyPeer&) = delete;

    bool IsOpen() const { return m_master >= 0; }
    void Write(const std::string& bytes);
    // Everything the station wrote within the wait (milliseconds), collected until the line has
    // been quiet for 20 ms.
    std::string Read(int waitMs = 200);
    // Closes the modem's side: the station's device hangs up.
    void HangUp();

private:
    int m_master = -1;
    std::string m_link;
};
