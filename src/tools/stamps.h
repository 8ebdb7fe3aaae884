#pragma once

#include "authorfile.h"

#include <QDateTime>
#include <QString>

namespace bilan::stamps {

// The date and the time of one reading of the clock, with nothing between
// them: the year in four digits, the month in two, the day and the hour
// without a leading zero, minutes and seconds in two (2003年09月5日9:05:07).
QString dateTime(const QDateTime &when);

// Each field's label followed by its value, one field to a line, nothing
// after the last value.
QString authorBlock(const AuthorRecord &record);

} // namespace bilan::stamps
