// Linked into every GUI test program.
// - The test folders set their environment variables through Qt, so that QtTest's watchdog
//   thread, which reads the environment at every test function, never sees it change under its
//   feet.
// - Qt's own per-user settings (the file dialog's last folder and history) go to a fresh folder
//   of this run, so that a developer's or an earlier run's QtProject.conf changes nothing.
#include "TempDir.h"

#include <QByteArray>
#include <QtGlobal>

#include <memory>

namespace {

void WriteThroughQt(const char* name, const char* value) {
    if (value != nullptr) {
        qputenv(name, QByteArray(value));
    } else {
        qunsetenv(name);
    }
}

struct SQtTestEnvironment {
    SQtTestEnvironment() {
        CTempDir::SetEnvironmentWriter(WriteThroughQt);
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(configHome.Path()));
    }
    CTempDir configHome;
};

// Before main(), so before the application and the watchdog thread exist.
const std::unique_ptr<SQtTestEnvironment> g_environment = std::make_unique<SQtTestEnvironment>();

} // namespace
