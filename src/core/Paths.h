#pragma once

#include <string>

// Where the station keeps its files on Linux.
namespace Paths {

// $MORA_CONFIG_DIR, else $XDG_CONFIG_HOME/Brennvik/MORA, else ~/.config/Brennvik/MORA.
std::string SettingsFolder();

// Device of serial port n: $MORA_SERIAL_DIR/COMn, else the link COMn in the settings folder's
// serial/ subfolder when it exists, else /dev/ttyS<n-1>.
std::string SerialDevice(int port);

// The process's working directory with a trailing '/'.
std::string WorkingDirectory();

// Creates a folder and its parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);

} // namespace Paths
