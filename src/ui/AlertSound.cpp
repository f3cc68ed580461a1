#include "AlertSound.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

CAlertSound::CAlertSound(QObject* parent) : QObject(parent) {}

CAlertSound::~CAlertSound() = default;

void CAlertSound::Play() {
    ++m_plays;
    if (QMediaDevices::audioOutputs().isEmpty()) {
        if (!m_reported) {
            m_reported = true;
            if (NoAudioDevice) {
                NoAudioDevice();
            }
        }
        return;
    }
    if (m_effect == nullptr) {
        // Created on first use: opening the audio system is slow and the sound may never be needed.
        m_effect = new QSoundEffect(this);
        m_effect->setSource(QUrl(QStringLiteral("qrc:/mora/alert.wav")));
        m_effect->setLoopCount(1);
        auto* devices = new QMediaDevices(this);
        connect(devices, &QMediaDevices::audioOutputsChanged, this,
                [this] { m_effect->setAudioDevice(QMediaDevices::defaultAudioOutput()); });
    }
    m_effect->stop();
    m_effect->play();
}
