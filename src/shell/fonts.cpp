#include "fonts.h"

namespace bilan {

void installFontSubstitutes()
{
}

} // namespace bilan
