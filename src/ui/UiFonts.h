// The window's fonts. The stored face names are those of the program's first
// home; each maps to a free face with the same look (Liberation Sans for Arial,
// Comic Neue for Comic Sans MS), and Qt falls back further when none is installed.
#pragma once

#include <QFont>
#include <string>

class QWidget;

class CUiFonts {
public:
    // The families to try for a stored face name ("Comic Sans MS Bold" asks for bold too).
    static QFont Face(const std::string& name);
    // The prompt line: Arial at 12 points, 10 on screens of 97 or more dots per inch.
    static QFont Prompt(const QWidget* on);
    // Captions of the stage and bin buttons: the stored face at 10.5 points (9 from 97 dpi),
    // scaled by the stored size in tenths of a point against its usual 100.
    static QFont Button(const std::string& face, int sizeTenths, const QWidget* on);
    // The colour a stored 0x00BBGGRR value names.
    static QColor Colour(uint32_t bgr);
};
