#include <gtest/gtest.h>

#include "bitmap32/Bitmap32.h"
#include "bitmap32/Bitmap32Backends.h"

namespace parch {
namespace {

TEST(Bitmap32, FreshBitmapsStartBlackOnMemoryAndTransparentOnGdi) {
    TCustomBitmap32 memory;
    memory.SetSize(2, 2);
    TBitmap32 gdi;
    gdi.SetSize(2, 2);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(memory.Bits()[i], 0xFF000000u);
        EXPECT_EQ(gdi.Bits()[i], 0x00000000u);
    }
}

}  // namespace
}  // namespace parch
