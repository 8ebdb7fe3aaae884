#pragma once

namespace bilan {

// Gives the manuscript and the reference text area an accessible text of
// their own. The toolkit's one hands a screen reader the document's raw
// characters, table cells still framed by invisible markers (U+FDD0,
// U+FDD1) and paragraphs ending in U+2029; ours reads every such mark as
// the line feed the plain text has, position for position, so offsets and
// the caret still line up. Installed once, before the first window.
void installTextAccessibility();

} // namespace bilan
