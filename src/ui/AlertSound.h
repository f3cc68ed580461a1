#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSoundEffect;

// The built-in alert sound, played once per request without looping. Where the machine has no
// audio device the station runs on with the visual alert and says so once.
class CAlertSound : public QObject {
    Q_OBJECT
public:
    explicit CAlertSound(QObject* parent = nullptr);
    ~CAlertSound() override;

    // Told once when the sound cannot be heard (no audio output).
    std::function<void()> NoAudioDevice;

    void Play();
    int PlayCount() const { return m_plays; }

private:
    QSoundEffect* m_effect = nullptr;
    bool m_reported = false;
    int m_plays = 0;
};
