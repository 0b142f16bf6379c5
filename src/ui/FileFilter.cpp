#include "ui/FileFilter.h"

QStringList CFileFilter::ToQt(const std::string& stored) {
    const QStringList parts = QString::fromStdString(stored).split(QLatin1Char('|'));
    QStringList filters;
    // Text and pattern alternate; the text already names the pattern.
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        const QString pattern = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << (parts[i].contains(QLatin1Char('(')) ? parts[i] : parts[i] + QStringLiteral(" (%1)").arg(pattern));
    }
    return filters;
}
