// CReplay: plays a script of clicks into the real window, with the event
// names restova-cli workflow takes (b1..b4, back, bin1..bin3, start-over, tw,
// exit, select:ROW,..., select-all). Each click goes through the window's own
// button, so what a script shows is what a user would see.
#pragma once

#include <QString>
#include <QStringList>

class CShellWindow;

class CReplay {
public:
    // The words of a script: blanks between events.
    static QStringList Split(const QString& script);
    // Whether the window can play this event.
    static bool Known(const QString& event);
    // Plays one event; false when the window cannot (an unknown word, a row not in the open list).
    static bool Play(CShellWindow& window, const QString& event);
    // Saves the window as a picture (PNG by the name's extension); false when it could not be written.
    static bool Screenshot(CShellWindow& window, const QString& file);
};
