#include "skin/controls/sGlyphUtils.h"

#include <algorithm>

#include "framework/Controls.h"
#include "platform/gdi/Blits.h"
#include "skin/engine/acAlphaImageList.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sColorTransforms.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sMaskData.h"
#include "skin/engine/sPixelBlend.h"

namespace parch {
namespace {

constexpr int kDisabledGlyphBlend = 50;

bool Has(TsDisabledGlyphKind kinds, TsDisabledGlyphKindItem item) { return (kinds & (1u << item)) != 0; }

// A 32-bit glyph counts as one with alpha only when some pixel is opaque.
bool GlyphHasAlpha(TBitmap& glyph) {
    if (glyph.PixelFormat() != pf32bit) return false;
    for (int y = 0; y < glyph.Height(); ++y) {
        auto* row = reinterpret_cast<const std::uint32_t*>(glyph.ScanLine(y));
        for (int x = 0; x < glyph.Width(); ++x)
            if ((row[x] >> 24) == 0xFF) return true;
    }
    return false;
}

void DrawGlyphBitmap(const TsButtonGlyphInputs& in, bool enabled, TColor grey, bool intoCache, TBitmap& target) {
    TBitmap& glyph = *in.Glyph;
    const int frameWidth = RectWidth(in.GlyphRect);
    if (GlyphHasAlpha(glyph)) {
        int frame = std::min(in.State, std::max(in.FrameCount - 1, 0));
        RECT source{frame * frameWidth, 0, (frame + 1) * frameWidth, glyph.Height()};
        int blend = in.State == 0 ? in.Blend : 0;
        // Drawn for another canvas, a disabled glyph is at least half transparent.
        if (!intoCache && !enabled && Has(in.DisabledGlyphKind, dgBlended)) blend = std::max(blend, kDisabledGlyphBlend);
        DrawAlphaImage(in.GlyphRect, source, target, glyph, EmptyBackdrop, false, grey, blend, in.Reflected);
        return;
    }
    DrawTransparentGlyph(glyph, target, in.GlyphRect, in.FrameCount, enabled, in.DisabledGlyphKind, in.State, in.Blend,
                         in.Down ? 1 : 0);
}

void DrawListGlyph(const TsButtonGlyphInputs& in, bool enabled, TColor grey, TBitmap& target) {
    int blend = std::max(in.State == 0 ? in.Blend : 0,
                         !enabled && Has(in.DisabledGlyphKind, dgBlended) ? kDisabledGlyphBlend : 0);
    SIZE size{};
    DrawImageListGlyph(*in.Images, target, in.GlyphRect.left, in.GlyphRect.top, in.ImageIndex,
                       in.State + (in.Down ? 1 : 0), in.FrameCount, in.Reflected, blend, grey, size);
}

}  // namespace

TColor GlyphGreyColor(const TsButtonGlyphInputs& inputs, bool enabled, const TsCommonData& data) {
    bool grey = (inputs.State == 0 && inputs.Grayed) || (!enabled && Has(inputs.DisabledGlyphKind, dgGrayed));
    if (!grey) return clNone;
    if (const TsGeneralData* section = data.Section(); section != nullptr && data.IsSkinned())
        return static_cast<TColor>(section->Color);
    return static_cast<TColor>(ColorToRGB(clBtnFace));
}

void DrawButtonGlyph(TControl& control, TCanvas* canvas) {
    auto* source = dynamic_cast<IsButtonGlyphSource*>(&control);
    if (source == nullptr) return;
    const TsButtonGlyphInputs in = source->ButtonGlyphInputs();
    TsCommonData& data = source->ButtonSkinData();
    const bool enabled = control.Enabled();
    const TColor grey = GlyphGreyColor(in, enabled, data);
    const bool hasGlyph = in.Glyph != nullptr && !in.Glyph->Empty();
    const bool hasImage = in.Images != nullptr && in.ImageIndex >= 0 && in.ImageIndex < in.Images->Count();
    if (!hasGlyph && !hasImage) return;

    // The cache is drawn into directly; another canvas through a copy of the control's area.
    const bool intoCache = canvas == nullptr;
    std::unique_ptr<TBitmap> work;
    TBitmap* target = data.CacheBitmap.get();
    if (!intoCache) {
        work = NewPf32Bitmap(control.Width(), control.Height());
        BitBlt(work->Canvas().Handle(), 0, 0, control.Width(), control.Height(), canvas->Handle(), 0, 0, SRCCOPY);
        target = work.get();
    }
    if (target == nullptr || target->Empty()) return;
    if (hasGlyph)
        DrawGlyphBitmap(in, enabled, grey, intoCache, *target);
    else
        DrawListGlyph(in, enabled, grey, *target);
    if (!intoCache)
        BitBlt(canvas->Handle(), 0, 0, control.Width(), control.Height(), work->Canvas().Handle(), 0, 0, SRCCOPY);
}

}  // namespace parch
