#pragma once

namespace bilan {

// Maps the Chinese font names the design uses (宋体, 黑体, 楷体, 仿宋 …) to
// installed CJK fonts where the system lacks them, so Chinese renders well
// while the font names themselves stay as they are.
void installFontSubstitutes();

} // namespace bilan
