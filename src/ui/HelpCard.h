// CHelpCard: the Training Wheels pictures, drawn for each state: a heading,
// a sketch of what the stage works on (a turntable, a tape, a disc, a list of
// songs, sliders, a waveform), the prompt and what each button does next.
#pragma once

#include <QRect>
#include <QString>

class CShellDlg;
class QPainter;

class CHelpCard {
public:
    enum class Sketch { Welcome, Turntable, Tape, Disc, Songs, Sliders, Waveform, Burner };

    // The state's name in words ("ChooseSource" becomes "Choose Source").
    static QString Title(int state);
    // The prompt, then one line per visible button.
    static QString Steps(const CShellDlg& shell);
    static Sketch SketchOf(int state);
    static void Paint(QPainter& p, const QRect& area, const QString& title, const QString& steps, Sketch sketch);
};
