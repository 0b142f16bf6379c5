// The main window's background picture, drawn rather than shipped: a dark
// field, the program's name over a record groove and a sound wave, a frame
// for the prompt line and a well for the panes, so that the light captions
// and the prompt stand out against it.
#pragma once

#include <QRect>

class QPainter;

class CShellBackground {
public:
    // Paints the picture over a client area of this size, with the prompt and pane at these places.
    static void Paint(QPainter& p, const QSize& client, const QRect& prompt, const QRect& pane);
};
