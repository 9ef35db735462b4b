// Bilevel image data: CCITT fax (/CCITTFaxDecode) and JBIG2 (/JBIG2Decode). Until their
// decoders are part of the library the image stays undrawn.

#include "pdf/core/ScrivletExtra.h"
#include "pdf/images/ScrivletImageDecoder.h"

namespace parch {

void TPDFImageDecoder::DecodeCCITT(const TScrivletStringList&) { Drawable = false; }

void TPDFImageDecoder::DecodeJBIG2(TPDFIndRef*) { Drawable = false; }

}  // namespace parch
