// JPEG 2000 data (/JPXDecode). Until the JPEG 2000 decoder is part of the library the image
// stays undrawn.

#include "pdf/images/ScrivletImageDecoder.h"

namespace parch {

void TPDFImageDecoder::DecodeJPX() { Drawable = false; }

}  // namespace parch
