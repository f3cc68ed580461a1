#pragma once

#include <functional>
#include <string>

// Why a serial port could not be opened, in words an operator can act on: a device that exists
// but refuses this user (on Debian: not a member of the group dialout) is told apart from one
// that is missing or busy, which the managers report as before.
namespace SerialAccess {

// open(2) as the check calls it; tests replace it, since root is never refused.
using OpenFn = std::function<int(const char* path, int flags)>;

// The explanation for port n when its device refuses this user, naming the port, the device, the
// user and the group to join; empty when the device opens, is missing, or fails for another
// reason.
std::string DeniedNote(int port);
std::string DeniedNote(int port, const OpenFn& open);

// The name of the user this program runs as (the number when it has none).
std::string UserName();
// The group that owns a device ("dialout" for serial ports on Debian; that name when the device
// cannot be looked at).
std::string DeviceGroup(const std::string& device);

// Replaces the open function DeniedNote(port) uses; an empty function restores open(2).
void SetOpenFunction(OpenFn open);

} // namespace SerialAccess
