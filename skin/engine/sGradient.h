#pragma once
// Multi-stop gradients of skin sections: the text form "c1;c2;percent;mode;x;..." and its
// parsed stops.

#include <string_view>

#include "skin/engine/sConst.h"

namespace parch {

// Fills Data from the text: the non-empty ";"-separated fields, five per stop, an incomplete
// last group dropped. A field that is no number raises EConvertError; Data then keeps the
// stops read so far.
void ParseGradientData(std::string_view text, TsGradArray& data);

}  // namespace parch
