#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bitmap32/Bitmap32.h"
#include "bitmap32/Bitmap32Backends.h"
#include "bitmap32/Bitmap32Containers.h"
#include "framework/graphics/Bitmap.h"
#include "platform/gdi/SystemColors.h"

namespace parch {
namespace {

struct CoreEvents {
    int changes = 0;
    int resizes = 0;
    std::vector<RECT> areas;

    void Watch(TCustomBitmap32& bitmap) {
        bitmap.OnChange = [this](TObject*) { ++changes; };
        bitmap.OnResize = [this](TObject*) { ++resizes; };
        bitmap.OnAreaChanged = [this](TObject*, const RECT& area, std::uint32_t) { areas.push_back(area); };
    }
};

TEST(Bitmap32, FreshBitmapsStartBlackOnMemoryAndTransparentOnGdi) {
    TCustomBitmap32 memory;
    memory.SetSize(2, 2);
    TBitmap32 gdi;
    gdi.SetSize(2, 2);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(memory.Bits()[i], 0xFF000000u);
        EXPECT_EQ(gdi.Bits()[i], 0x00000000u);
    }
    EXPECT_NE(dynamic_cast<TMemoryBackend*>(memory.Backend()), nullptr);
    EXPECT_NE(dynamic_cast<TGDIBackend*>(gdi.Backend()), nullptr);
    EXPECT_NE(gdi.Handle(), nullptr);
}

TEST(Bitmap32, SizingRulesAndNotifications) {
    TCustomBitmap32 bitmap;
    CoreEvents events;
    events.Watch(bitmap);

    EXPECT_TRUE(bitmap.SetSize(-5, 10));
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 10);
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.Bits(), nullptr);
    EXPECT_EQ(events.resizes, 1);

    bitmap.SetSize(4, 3);
    const int changes = events.changes;
    EXPECT_FALSE(bitmap.SetSize(4, 3));
    EXPECT_EQ(events.changes, changes);
    EXPECT_TRUE(EqualRect(bitmap.ClipArea(), bitmap.BoundsRect()));

    bitmap.Delete();
    const int beforeClear = events.changes;
    bitmap.Clear(0xFF123456u);  // empty: nothing, not even a notification
    EXPECT_EQ(events.changes, beforeClear);
}

TEST(Bitmap32, ResizingAGdiBitmapReportsTheNewHandleAndResetsTheClip) {
    TBitmap32 bitmap;
    int handleChanges = 0;
    bitmap.OnHandleChanged = [&](TObject*) { ++handleChanges; };
    bitmap.SetSize(10, 10);
    bitmap.SetClipArea(RECT{2, 2, 5, 5});
    EXPECT_TRUE(bitmap.ClipActive());
    bitmap.SetSize(20, 8);
    EXPECT_GE(handleChanges, 2);
    EXPECT_TRUE(EqualRect(bitmap.ClipArea(), (RECT{0, 0, 20, 8})));
    EXPECT_FALSE(bitmap.ClipActive());
}

TEST(Bitmap32, ClearAndFillsRespectTheClipAndReportTheirAreas) {
    TCustomBitmap32 bitmap;
    bitmap.SetSize(6, 4);
    bitmap.Clear(0xFF000000u);
    bitmap.SetClipArea(RECT{1, 1, 3, 3});
    bitmap.Clear(0xFFFFFFFFu);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(bitmap.GetPixel(x, y), (x >= 1 && x < 3 && y >= 1 && y < 3) ? 0xFFFFFFFFu : 0xFF000000u);

    CoreEvents events;
    events.Watch(bitmap);
    bitmap.FillRectClipped(4, 0, 6, 4, 0xFF00FF00u);  // outside the clip
    ASSERT_EQ(events.areas.size(), 1u);
    EXPECT_EQ(bitmap.GetPixel(4, 0), 0xFF000000u);

    events.areas.clear();
    bitmap.FillRectClipped(0, 0, 2, 2, 0xFF00FF00u);  // overlaps: cut, filled, reported twice
    ASSERT_EQ(events.areas.size(), 2u);
    EXPECT_EQ(events.areas[0], (RECT{1, 1, 2, 2}));
    EXPECT_EQ(bitmap.GetPixel(1, 1), 0xFF00FF00u);
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0xFF000000u);
}

TEST(Bitmap32, MeasuringReportsAreasButLeavesPixelsAlone) {
    TCustomBitmap32 bitmap;
    bitmap.SetSize(4, 4);
    bitmap.Clear(0xFF000000u);
    int changes = 0;
    bitmap.OnChange = [&](TObject*) { ++changes; };
    std::vector<RECT> measured;
    bitmap.StartMeasuring([&](TObject*, const RECT& area, std::uint32_t) { measured.push_back(area); });
    bitmap.Clear(0xFFFFFFFFu);
    bitmap.FillRectClipped(0, 0, 2, 2, 0xFFFFFFFFu);
    bitmap.MakeOpaque(0x10);
    bitmap.StopMeasuring();
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0xFF000000u);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(measured.size(), 3u);
}

TEST(Bitmap32, UpdatesSuppressNotificationsWithoutQueueing) {
    TCustomBitmap32 bitmap;
    bitmap.SetSize(2, 2);
    CoreEvents events;
    events.Watch(bitmap);
    bitmap.BeginUpdate();
    bitmap.Clear(0xFF112233u);
    bitmap.SetDrawMode(dmBlend);
    bitmap.EndUpdate();
    EXPECT_EQ(events.changes, 0);
    EXPECT_TRUE(events.areas.empty());
    EXPECT_EQ(bitmap.GetPixel(1, 1), 0xFF112233u);
}

TEST(Bitmap32, ClippedAndWrappedReads) {
    TCustomBitmap32 bitmap;
    bitmap.SetSize(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) bitmap.SetPixel(x, y, static_cast<TColor32>(0xFF000000u | (y << 8) | x));
    bitmap.SetOuterColor(0x12345678u);
    bitmap.SetClipArea(RECT{1, 0, 3, 3});
    EXPECT_EQ(bitmap.GetPixelClipped(0, 0), 0x12345678u);
    EXPECT_EQ(bitmap.GetPixelClipped(2, 2), 0xFF000202u);

    bitmap.SetWrapMode(wmRepeat);
    EXPECT_EQ(bitmap.GetPixelWrapped(3, 1), 0xFF000101u);   // columns 1..2 repeat
    bitmap.SetWrapMode(wmMirror);
    EXPECT_EQ(bitmap.GetPixelWrapped(3, -1), 0xFF000002u);  // mirrored at both edges
    bitmap.SetWrapMode(wmClamp);
    EXPECT_EQ(bitmap.GetPixelWrapped(-7, 9), 0xFF000201u);

    bitmap.SetClipArea(RECT{5, 5, 9, 9});  // outside the bitmap: an empty clip reads nothing
    EXPECT_TRUE(IsRectEmpty(bitmap.ClipArea()));
    EXPECT_EQ(bitmap.GetPixelWrapped(0, 0), 0x12345678u);
}

TEST(Bitmap32, SystemColoursResolveToOpaquePixels) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const TColor32 expected = 0xFF000000u | ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF);
    EXPECT_EQ(ToColor32(clBtnFace), expected);
    EXPECT_EQ(ToColor32(clRed), 0xFFFF0000u);
}

TEST(Bitmap32, UnknownResamplerNamesAreIgnored) {
    TCustomBitmap32 bitmap;
    const std::string before = bitmap.ResamplerClassName();
    bitmap.SetResamplerClassName("TNoSuchResampler");
    bitmap.SetResamplerClassName("");
    EXPECT_EQ(bitmap.ResamplerClassName(), before);
}

// ---------------------------------------------------------------------------------------------

TEST(Bitmap32Backends, ADetachedBackendOutlivesItsBitmapUntilReleased) {
    TCustomBackend* kept = nullptr;
    {
        TCustomBitmap32 bitmap;
        bitmap.SetSize(3, 3);
        bitmap.Clear(0xFF445566u);
        kept = bitmap.DetachBackend();
        EXPECT_EQ(kept->ReferenceCount(), 2);
    }
    EXPECT_EQ(kept->ReferenceCount(), 1);
    EXPECT_EQ(kept->Owner(), nullptr);
    EXPECT_EQ(kept->Release(), 0);
}

TEST(Bitmap32Backends, ReplacingTheBackendCarriesSizeAndPixels) {
    TCustomBitmap32 bitmap;
    bitmap.SetSize(3, 2);
    bitmap.Clear(0xFF010203u);
    bitmap.SetPixel(2, 1, 0x80FFFFFFu);
    int changes = 0;
    bitmap.OnChange = [&](TObject*) { ++changes; };
    bitmap.ReplaceBackend(new TGDIBackend());
    EXPECT_EQ(changes, 1);
    ASSERT_NE(bitmap.BackendAs<IDeviceContextSupport>(), nullptr);
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0xFF010203u);
    EXPECT_EQ(bitmap.GetPixel(2, 1), 0x80FFFFFFu);
}

TEST(Bitmap32Backends, TemporaryGdiBackendKeepsWhatWasDrawnWhenRestored) {
    TCustomBitmap32 bitmap;
    bitmap.SetSize(4, 4);
    TCustomBackend* memoryBackend = bitmap.Backend();
    TCustomBackend* saved = nullptr;
    EnsureBackendServices(bitmap, {TBackendService::DeviceContext}, TRequireOperatorMode::romOr, true, saved);
    ASSERT_EQ(saved, memoryBackend);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    ASSERT_NE(bitmap.BackendAs<IDeviceContextSupport>(), nullptr);

    bitmap.SetSize(2, 2);
    bitmap.Clear(0xFFABCDEFu);
    RestorePreviousBackend(bitmap, saved);
    EXPECT_EQ(bitmap.Backend(), memoryBackend);
    EXPECT_EQ(memoryBackend->ReferenceCount(), 1);
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.GetPixel(1, 1), 0xFFABCDEFu);

    // A back end that already offers the service stays.
    TBitmap32 gdi;
    EnsureBackendServices(gdi, {TBackendService::Canvas, TBackendService::Paint}, TRequireOperatorMode::romAnd, false,
                          saved);
    EXPECT_EQ(saved, nullptr);
}

TEST(Bitmap32Backends, TextWhileMeasuringReportsItsBoxAndDrawsNothing) {
    TBitmap32 bitmap;
    bitmap.SetSize(80, 30);
    auto* text = bitmap.BackendAs<ITextSupport>();
    ASSERT_NE(text, nullptr);
    const SIZE extent = text->MeasureText("Hg");
    ASSERT_GT(extent.cx, 0);

    std::vector<RECT> areas;
    bitmap.StartMeasuring([&](TObject*, const RECT& area, std::uint32_t) { areas.push_back(area); });
    text->DrawTextAt(3, 4, "Hg");
    bitmap.StopMeasuring();
    ASSERT_EQ(areas.size(), 1u);
    EXPECT_EQ(areas[0], (RECT{3, 4, 3 + extent.cx + 1, 4 + extent.cy + 1}));
    for (int i = 0; i < 80 * 30; ++i) ASSERT_EQ(bitmap.Bits()[i], 0u);

    bitmap.Font()->SetColor(clWhite);
    text->DrawTextAtW(3, 4, u"Hg");
    int drawn = 0;
    for (int i = 0; i < 80 * 30; ++i) drawn += (bitmap.Bits()[i] & 0xFFFFFF) != 0;
    EXPECT_GT(drawn, 0);
}

TEST(Bitmap32Backends, PaintSurfaceCopiesTheInvalidRectanglesOrTheViewport) {
    TBitmap32 buffer;
    buffer.SetSize(8, 4);
    buffer.Clear(0xFF2040A0u);
    auto* paint = buffer.BackendAs<IPaintSupport>();
    ASSERT_NE(paint, nullptr);
    auto pixel = [](TBitmap& screen, int x, int y) { return reinterpret_cast<std::uint32_t*>(screen.ScanLine(y))[x] & 0xFFFFFF; };

    TBitmap screen(8, 4, pf32bit);
    TRectList invalid;
    invalid.Add(RECT{1, 1, 3, 2});
    paint->PaintSurface(buffer, &invalid, screen.Canvas(), RECT{0, 0, 8, 4});
    EXPECT_EQ(pixel(screen, 1, 1), 0x2040A0u);
    EXPECT_EQ(pixel(screen, 2, 1), 0x2040A0u);
    EXPECT_EQ(pixel(screen, 0, 0), 0u);
    EXPECT_EQ(pixel(screen, 3, 1), 0u);

    TBitmap whole(8, 4, pf32bit);
    TRectList none;
    paint->PaintSurface(buffer, &none, whole.Canvas(), RECT{0, 0, 8, 4});
    EXPECT_EQ(pixel(whole, 0, 0), 0x2040A0u);
    EXPECT_EQ(pixel(whole, 7, 3), 0x2040A0u);
}

TEST(Bitmap32Backends, EmptyGdiBitmapStillMeasuresText) {
    TBitmap32 bitmap;
    auto* text = bitmap.BackendAs<ITextSupport>();
    ASSERT_NE(text, nullptr);
    EXPECT_GT(text->MeasureText("Measure").cx, 0);
    text->DrawTextAt(0, 0, "nothing to draw on");
}

}  // namespace
}  // namespace parch
