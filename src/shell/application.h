#pragma once

class QApplication;

namespace bilan {

// What the program sets up before its first window: Qt's own Chinese texts
// (standard buttons, file, font and colour dialogs) whatever the system
// locale, the CJK font substitutes, the guard that keeps Qt's own pastes
// from freezing the window on X, and the code-page converters it cannot
// work without. Returns false, after saying why on stderr, when the
// platform lacks the GBK converter.
bool prepareApplication(QApplication &app);

} // namespace bilan
