#include "GuiApp.h"

#include "Dictionary.h"
#include "DictionaryStartup.h"
#include "GuiFrontEnd.h"
#include "GuiStation.h"
#include "MainFrame.h"
#include "SettingsSheet.h"
#include "StationApp.h"

#include "EventMsgDlg.h"
#include "MORADoc.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

bool DisplayAvailable() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && *platform != '\0') {
        return true; // the caller chose a platform (offscreen, xcb, wayland, ...)
    }
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

namespace {

// With MORA_SCREENSHOTS set to a folder, the windows are saved there as PNG files once a second:
// the main window, and the newest alarm pop-up of each mode. scripts/screenshots.sh uses it.
void SaveScreenshots(CGuiStation& station) {
    static const QString folder = QString::fromLocal8Bit(qgetenv("MORA_SCREENSHOTS"));
    static QElapsedTimer last;
    if (folder.isEmpty() || (last.isValid() && last.elapsed() < 1000)) {
        return;
    }
    last.start();
    QDir().mkpath(folder);
    station.Frame().grab().save(folder + QStringLiteral("/main-window.png"));
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<CEventMsgDlg*>(window);
        if (dialog == nullptr || !dialog->isVisible() || dialog->Dialog() == nullptr) {
            continue;
        }
        const CAlarmDialog& logic = *dialog->Dialog();
        if (logic.Mode() != CAlarmDialog::EMode::VoiceCall) {
            dialog->grab().save(folder + QStringLiteral("/alarm-dialog.png"));
        } else if (logic.Alerting() && logic.VoicePanelVisible()) {
            // The moment that matters: the operator is asked to pick up the phone.
            dialog->grab().save(folder + QStringLiteral("/voice-call-dialog.png"));
        }
    }
}

} // namespace

int RunGuiStation(int argc, char** argv, const SGuiHooks& hooks) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MORA"));
    QApplication::setOrganizationName(QStringLiteral("Brennvik"));
    QApplication::setQuitOnLastWindowClosed(false);

    CDictionary dictionary;
    {
        // The dictionary's failure box needs a front end before there is a document.
        CGuiFrontEnd startupFrontEnd;
        if (!CDictionaryStartup::Run(dictionary, startupFrontEnd)) {
            return 1;
        }
    }
    // The Language page shows and sets this dictionary's languages.
    CSettingsSheet::SetDictionary(&dictionary);
    if (hooks.BeforeStart) {
        hooks.BeforeStart();
    }
    CGuiStation station;
    bool started = false;
    // SIGINT and SIGTERM end the program in order, without the question; during the start-up
    // they cancel the dialog that is open, which ends the start.
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, [&station, &hooks, &started] {
        if (!started) {
            if (StopRequested()) {
                if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                    dialog->reject();
                }
            }
            return;
        }
        if (hooks.Pass) {
            hooks.Pass(station);
        }
        SaveScreenshots(station);
        if (StopRequested()) {
            station.Frame().CloseWithoutAsking();
        }
    });
    stopWatch.start(100);
    if (!station.Start() || StopRequested()) {
        return StopRequested() ? 0 : 1;
    }
    started = true;
    if (hooks.Started) {
        hooks.Started(station);
    }
    return QApplication::exec();
}
