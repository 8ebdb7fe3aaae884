#include "filefilter.h"

#include <QStringList>

namespace bilan {

QList<FileFilter> parseFileFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QList<FileFilter> entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts.at(i).isEmpty() && parts.at(i + 1).isEmpty())
            continue;
        entries.append(FileFilter{parts.at(i), parts.at(i + 1)});
    }
    return entries;
}

QString qtNameFilter(const FileFilter &filter)
{
    QStringList patterns;
    for (const QString &pattern : filter.pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        patterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
    }
    if (patterns.isEmpty())
        patterns << QStringLiteral("*");
    return filter.description + QLatin1String(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

} // namespace bilan
