#pragma once

#include "services.h"

#include <QFileDialog>

namespace bilan {

// Sets Qt's file dialog up for a request of the shared dialog: title,
// filters (shown exactly as described, filtering by their patterns), the
// selected filter, the preselected file name, and, for a save that asks
// for it, the toolkit's question before an existing file is replaced.
void configureFileDialog(QFileDialog &dialog, const FileDialogRequest &request, QFileDialog::AcceptMode mode);

// The 1-based index of the filter the user left selected.
int selectedFilterIndex(const QFileDialog &dialog, const FileDialogRequest &request);

} // namespace bilan
