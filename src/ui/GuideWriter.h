// CGuideWriter: writes the getting-started guide, a PDF of our own: a title
// page, then one page per step of the usual road from the welcome screen to
// the CD, each with its help card (sketch, what to do, the buttons).
#pragma once

#include <QString>

class CGuideWriter {
public:
    // False when the file could not be written.
    static bool Write(const QString& pdfPath);
};
