#pragma once

#include "services.h"

#include <optional>

class QWidget;

namespace bilan {

// Qt's font dialog as the shared dialog's font dialog: it opens on exactly
// the font it is given (family, size, bold, italic), offers the Chinese
// family names the editor draws through stand-in faces (宋体, 黑体 …) beside
// the installed families, takes a family name typed into its family box,
// always offers bold and italic (the editor draws them for any face), and
// shows no underline, strikethrough or writing-system choices, which the
// command would not apply. Nothing when the user cancels.
std::optional<FontChoice> chooseFontWithQt(QWidget *parent, const FontChoice &initial);

} // namespace bilan
