#include "stamps.h"

namespace bilan::stamps {

QString dateTime(const QDateTime &when)
{
    // Digits by hand rather than through a locale's date format: the stamp
    // reads the same on every system, whatever language it is set to.
    const QDate date = when.date();
    const QTime time = when.time();
    const QChar zero(u'0');
    return QStringLiteral("%1年%2月%3日%4:%5:%6")
        .arg(date.year(), 4, 10, zero)
        .arg(date.month(), 2, 10, zero)
        .arg(date.day())
        .arg(time.hour())
        .arg(time.minute(), 2, 10, zero)
        .arg(time.second(), 2, 10, zero);
}

QString authorBlock(const AuthorRecord &record)
{
    QString block;
    for (std::size_t i = 0; i < AuthorFieldCount; ++i) {
        if (i > 0)
            block.append(u'\n');
        block.append(authorFields()[i].label).append(record[i]);
    }
    return block;
}

} // namespace bilan::stamps
