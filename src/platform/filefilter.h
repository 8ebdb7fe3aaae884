#pragma once

#include "services.h"

namespace bilan {

// Splits a dialog filter written as "desc|pattern|desc|pattern|" into its
// entries. A trailing bar adds nothing; a description without a pattern
// after it is dropped.
QList<FileFilter> parseFileFilter(const QString &filter);

// The name filter Qt's file dialog is given for an entry: the description,
// then the patterns in parentheses. Patterns are taken as written ("*gif"
// matches every name ending in gif), except that "*.*" means every file
// and ';' separates several patterns.
QString qtNameFilter(const FileFilter &filter);

} // namespace bilan
