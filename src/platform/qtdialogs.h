#pragma once

#include "services.h"

#include <QFileDialog>

namespace bilan {

// Sets Qt's file dialog up for a request of the shared dialog: title,
// filters (shown exactly as described, filtering by their patterns), the
// selected filter, the preselected file name, and the overwrite question
// only when the flags ask for it.
void configureFileDialog(QFileDialog &dialog, const FileDialogRequest &request, QFileDialog::AcceptMode mode);

// The 1-based index of the filter the user left selected.
int selectedFilterIndex(const QFileDialog &dialog, const FileDialogRequest &request);

} // namespace bilan
