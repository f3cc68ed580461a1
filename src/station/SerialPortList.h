#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The serial ports the operator may choose from, as the settings pages and the serial-port error
// dialog list them: every port 1 to 255 that is present (free or in use), named COMn with the
// device it maps to. Built anew from the probe each time a list is shown or dropped down.
class CSerialPortList {
public:
    static constexpr int MAX_PORT = 255;

    struct SPort {
        int Number = 0;
        // The device the port maps to, links resolved (what the operator finds in /dev).
        std::string Device;
        // Present, but this user may not open it (not a member of the device's group).
        bool NoAccess = false;
        std::string Label;
    };

    // The probe of a port number (absent 0, in use 1, free 2), and whether a device refuses this
    // user for lack of rights.
    using ProbeFn = std::function<std::uint16_t(std::int16_t port)>;
    using DeniedFn = std::function<bool(const std::string& device)>;

    // The present ports in increasing order. Without arguments the real probe and rights check.
    static std::vector<SPort> Scan();
    static std::vector<SPort> Scan(const ProbeFn& probe, const DeniedFn& denied);

    // Index of a port number in the list, -1 when it is not listed.
    static int IndexOf(const std::vector<SPort>& ports, int number);

    // "COMn (device)", with the dictionary's "no access" note for a port this user may not open.
    static std::string Label(int number, const std::string& device, bool noAccess);

    // The device of port n with its links resolved; the mapped path itself when it does not resolve.
    static std::string DeviceOf(int number);

    // True when the device exists but this user lacks the rights to read and write it.
    static bool AccessDenied(const std::string& device);

    // The plain-words explanation for a port this user may not open: which group the user must
    // join and what to do then.
    static std::string NoAccessExplanation(const SPort& port);
};
