#pragma once

// Helpers of the GUI stories of the export, print and utility windows: the dictionary, a station
// started over a temporary folder, modal windows answered from a timer, and waiting for the
// core's queue.

#include "DbConvert.h"
#include "Dictionary.h"
#include "GuiStation.h"
#include "MORADoc.h"
#include "RecordingFrontEnd.h"
#include "TempDir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

namespace WindowStory {

inline bool UseEnglish() {
    static const bool loaded = CDictionary::Instance().Load();
    CDictionary::Instance().SetLanguage("en");
    CDictionary::Instance().InstallAsTranslator();
    return loaded;
}

// Waits, while the event loop runs, until `done` holds; false after timeoutMs.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 30000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QTest::qWait(10);
    }
    return true;
}

// Answers the next modal window that `handler` accepts (it returns true once it has dealt with
// it), from a timer, while the test's own call runs that window's event loop. A window that is
// still up half a second later ignored the answer (a file dialog still loading its folder, say)
// and gets it again; once another window or none is on top, the answer took effect.
class CModalAnswer : public QObject {
public:
    explicit CModalAnswer(std::function<bool(QWidget*)> handler) : m_handler(std::move(handler)) {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, timer] {
            QWidget* modal = QApplication::activeModalWidget();
            if (m_done) {
                if (modal == nullptr || modal != m_target) {
                    timer->stop();
                } else if (m_since.elapsed() > 500) {
                    m_handler(modal);
                    m_since.restart();
                }
                return;
            }
            if (modal != nullptr && m_handler(modal)) {
                m_done = true;
                m_target = modal;
                m_since.start();
            }
        });
        timer->start(20);
    }
    bool Done() const { return m_done; }

private:
    std::function<bool(QWidget*)> m_handler;
    bool m_done = false;
    QPointer<QWidget> m_target;
    QElapsedTimer m_since;
};

// A station over a fresh folder (settings, working folder, database), modems and mail off,
// started as operator Eva.
class CStationFolder {
public:
    CStationFolder() {
        m_dir.Enter();
        m_dir.UseAsSettingsFolder();
        CTempDir::WriteFile(m_dir.File("Settings.json"),
                            "{\"Operator[1]\": \"Eva\", \"LastOperator\": \"Eva\", \"TelEnabled\": 0, "
                            "\"GsmEnabled\": 0, \"MailEnabled\": 0, \"DatabasePath\": \"" +
                                m_dir.Path() + "\"}");
        // The database is there already, so the start asks nothing about it.
        CRecordingFrontEnd quiet;
        CDbConvert(quiet, m_dir.Path() + "/", "Eva").CreateDatabase();
        m_station = std::make_unique<CGuiStation>(CSystemClock::Instance(), m_dir.Path());
    }
    ~CStationFolder() { m_station.reset(); }

    // Start-up; the operator's choice answered with OK.
    bool Start() {
        auto* timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                const QString name = modal->objectName();
                if (name == QLatin1String("SelectOperatorDlg")) {
                    QMetaObject::invokeMethod(modal, "accept", Qt::QueuedConnection);
                }
            }
        });
        timer->start(20);
        const bool started = m_station->Start();
        delete timer;
        return started;
    }

    CGuiStation& Station() { return *m_station; }
    CMORADoc& Doc() { return m_station->Doc(); }
    const CTempDir& Dir() const { return m_dir; }

private:
    CTempDir m_dir;
    std::unique_ptr<CGuiStation> m_station;
};

} // namespace WindowStory
