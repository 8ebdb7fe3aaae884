#pragma once

#include <QIcon>

namespace bilan {

// The program's icon, a writing brush over a sheet of manuscript paper,
// at 16 × 16 and 32 × 32 pixels. Drawn, not loaded: start-up reads nothing
// from disk.
QIcon windowIcon();

} // namespace bilan
