// JPEG data (/DCTDecode). Until the JPEG decoder is part of the library the image stays
// undrawn.

#include "pdf/images/ScrivletImageDecoder.h"

namespace parch {

void TPDFImageDecoder::DecodeDCT() { Drawable = false; }

}  // namespace parch
