#include "SerialPortList.h"

#include "Paths.h"
#include "SerialAccess.h"
#include "SerialPort.h"
#include "Translate.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

std::string PortName(int number) {
    return "COM" + std::to_string(number);
}

} // namespace

std::vector<CSerialPortList::SPort> CSerialPortList::Scan() {
    return Scan([](std::int16_t port) { return CSerialPort::Probe(port); },
                [](const std::string& device) { return AccessDenied(device); });
}

std::vector<CSerialPortList::SPort> CSerialPortList::Scan(const ProbeFn& probe, const DeniedFn& denied) {
    std::vector<SPort> ports;
    for (int n = 1; n <= MAX_PORT; ++n) {
        if (probe(static_cast<std::int16_t>(n)) == CSerialPort::SERIAL_PROBE_ABSENT) {
            continue;
        }
        SPort port;
        port.Number = n;
        port.Device = DeviceOf(n);
        port.NoAccess = denied(port.Device);
        port.Label = Label(n, port.Device, port.NoAccess);
        ports.push_back(std::move(port));
    }
    return ports;
}

int CSerialPortList::IndexOf(const std::vector<SPort>& ports, int number) {
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (ports[i].Number == number) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string CSerialPortList::Label(int number, const std::string& device, bool noAccess) {
    std::string label = PortName(number) + " (" + device;
    if (noAccess) {
        label += ", " + Text::Tr("IDS_SETCOMPORT_MSG_2");
    }
    return label + ")";
}

std::string CSerialPortList::DeviceOf(int number) {
    const std::string mapped = Paths::SerialDevice(number);
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::canonical(mapped, ec);
    return ec ? mapped : resolved.string();
}

bool CSerialPortList::AccessDenied(const std::string& device) {
    // Effective ids, as open() uses them; root is never refused.
    if (::faccessat(AT_FDCWD, device.c_str(), R_OK | W_OK, AT_EACCESS) == 0) {
        return false;
    }
    return errno == EACCES;
}

std::string CSerialPortList::NoAccessExplanation(const SPort& port) {
    return Text::TrF("IDS_SETCOMPORT_MSG_1", PortName(port.Number).c_str(), port.Device.c_str(),
                     SerialAccess::UserName().c_str(), SerialAccess::DeviceGroup(port.Device).c_str());
}
