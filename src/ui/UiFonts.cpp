#include "ui/UiFonts.h"

#include <QColor>
#include <QStringList>
#include <QWidget>

namespace {

constexpr int kHighDpi = 97;

bool HighDpi(const QWidget* on) {
    return on && on->logicalDpiY() >= kHighDpi;
}

}  // namespace

QFont CUiFonts::Face(const std::string& name) {
    QString family = QString::fromStdString(name);
    const bool bold = family.endsWith(QStringLiteral(" Bold"), Qt::CaseInsensitive);
    if (bold) family.chop(5);
    QStringList families;
    if (family.compare(QStringLiteral("Comic Sans MS"), Qt::CaseInsensitive) == 0) {
        families << QStringLiteral("Comic Neue");
    } else if (family.compare(QStringLiteral("Arial"), Qt::CaseInsensitive) == 0) {
        families << QStringLiteral("Liberation Sans");
    }
    families << family << QStringLiteral("Liberation Sans") << QStringLiteral("DejaVu Sans");
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setBold(bold);
    return font;
}

QFont CUiFonts::Prompt(const QWidget* on) {
    QFont font = Face("Arial");
    font.setPointSizeF(HighDpi(on) ? 10 : 12);
    return font;
}

QFont CUiFonts::Button(const std::string& face, int sizeTenths, const QWidget* on) {
    QFont font = Face(face);
    const double base = HighDpi(on) ? 9.0 : 10.5;
    font.setPointSizeF(base * (sizeTenths > 0 ? sizeTenths : 100) / 100.0);
    return font;
}

QColor CUiFonts::Colour(uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}
