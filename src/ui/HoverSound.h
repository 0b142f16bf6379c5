// CHoverSound: the soft tick a picture button makes when the pointer comes
// onto it, while the Preferences' sounds are on. The tick is made here (a
// short decaying tone written once into the temporary folder) and played by
// the desktop's sound server, never over a preview that is playing.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <functional>

class AppSettings;

class CHoverSound {
public:
    // busy: whether the program is playing sound itself (then no tick).
    CHoverSound(const AppSettings& settings, std::function<bool()> busy);
    // Installs it as the buttons' hover hook, or removes it.
    void Install(bool on);
    void Play();
    const QString& TickFile() const { return m_file; }

private:
    const AppSettings& m_settings;
    std::function<bool()> m_busy;
    QString m_file;
    QString m_player;
    QElapsedTimer m_last;
};
