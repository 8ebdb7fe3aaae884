#pragma once

class QApplication;

namespace bilan {

// On X, keeps Qt's text controls from freezing the window when they read a
// clipboard whose owner never answers (see pasteguard.cpp and
// stalledread.h). Does nothing on
// any other platform. Called once, before the first window.
void installPasteGuard(QApplication &app);

} // namespace bilan
