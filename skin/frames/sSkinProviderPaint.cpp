// The skinned frame of a form: painted once into the skin data's cache and copied around the
// client area on every non-client paint.

#include <algorithm>
#include <cstring>
#include <memory>

#include "framework/Application.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/IconObjects.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/TextLayout.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/SystemIcons.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WindowPos.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinTables.h"
#include "skin/engine/sSkinText.h"
#include "skin/frames/sSkinProvider.h"

namespace parch {

namespace {

constexpr UINT kFrameCaptionFormat = DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;

int FrameStateFor(const TsSkinManager& manager, int sectionIndex, bool active) {
    if (!IsValidSectionIndex(manager.Tables(), sectionIndex)) return 0;
    int states = manager.Tables().Sections[static_cast<size_t>(sectionIndex)].StateCount;
    return std::max(0, std::min(active ? 1 : 0, states - 1));
}

std::uint32_t& FramePixel(TBitmap& image, int x, int y) { return reinterpret_cast<std::uint32_t*>(image.ScanLine(y))[x]; }

// The icon the title shows when the provider has no glyph of its own: the form's, else the
// application's small one, else the system's application icon. The form keeps ownership.
HICON FrameIconFor(TCustomForm& form) {
    if (!form.Icon().Empty()) return form.Icon().Handle();
    if (Application) {
        auto small = reinterpret_cast<HICON>(SendMessage(Application->Handle(), WM_GETICON, ICON_SMALL2, 0));
        if (small) return small;
    }
    return LoadIcon(nullptr, IDI_APPLICATION);
}

// The top rows of the image (the title band), same width.
std::unique_ptr<TBitmap> FrameBandCopy(TBitmap& image, int rows) {
    rows = std::min(rows, image.Height());
    auto copy = NewPf32Bitmap(image.Width(), std::max(rows, 1));
    for (int y = 0; y < rows; ++y)
        std::memcpy(copy->ScanLine(y), image.ScanLine(y), static_cast<size_t>(image.Width()) * 4);
    return copy;
}

std::unique_ptr<TBitmap> FrameImageCopy(TBitmap& image) {
    auto copy = NewPf32Bitmap(image.Width(), image.Height());
    for (int y = 0; y < image.Height(); ++y)
        std::memcpy(copy->ScanLine(y), image.ScanLine(y), static_cast<size_t>(image.Width()) * 4);
    return copy;
}

}  // namespace

void DrawTitleButtonGlyph(TBitmap& target, TsTitleButton& button, RECT rect, bool pressed) {
    TBitmap& glyph = button.Glyph();
    if (glyph.Empty() || rect.right <= rect.left) return;
    int shift = pressed ? 1 : 0;
    int x = rect.left + (rect.right - rect.left - glyph.Width()) / 2 + shift;
    int y = rect.top + (rect.bottom - rect.top - glyph.Height()) / 2 + shift;
    if (glyph.PixelFormat() == pf32bit) {
        RECT to{x, y, x + glyph.Width(), y + glyph.Height()};
        BlendAlphaRect(to, RECT{0, 0, glyph.Width(), glyph.Height()}, target, glyph, TsBackgroundSource{}, false);
        return;
    }
    // Other glyphs leave out the colour of their bottom-left pixel.
    COLORREF key = GetPixel(glyph.Canvas().Handle(), 0, glyph.Height() - 1);
    std::uint32_t keyPixel = ((key & 0xFF) << 16) | (key & 0xFF00) | ((key >> 16) & 0xFF);
    CopyKeyedOpaque(target, glyph, x, y, keyPixel);
}

int TsSkinProvider::TopAreaHeight() const {
    if (!form_->HandleAllocated()) return 0;
    RECT client{};
    GetClientRect(form_->Handle(), &client);
    int side = GetFrameWidth(form_->Handle());
    return std::max(0, form_->Height() - client.bottom - side);
}

void TsSkinProvider::PaintAll() {
    TsSkinManager* manager = skinData_->GetSkinManager();
    if (!manager || !form_->HandleAllocated()) return;
    int width = form_->Width();
    int height = form_->Height();
    auto& image = skinData_->CacheBitmap;
    if (!image || image->Width() != width || image->Height() != height) image = NewPf32Bitmap(width, height);

    int formState = FrameStateFor(*manager, skinData_->SectionIndex, activeLook_);
    PaintSkinSection(skinData_->SectionIndex, skinData_->SkinSection(), EmptyBackdrop, formState,
                     RECT{0, 0, width, height}, POINT{0, 0}, *image, manager);

    int top = TopAreaHeight();
    int titleIndex = GetSectionIndex(manager, "FORMTITLE");
    if (CaptionHeight() > 0 && top > 0 && IsValidSectionIndex(manager->Tables(), titleIndex)) {
        // The title is laid over a copy of the form's picture, so its transparent parts show it.
        auto under = FrameImageCopy(*image);
        TsBackgroundSource backdrop{under.get(), 0, 0, TransparentKey, true};
        PaintSkinSection(titleIndex, "FORMTITLE", backdrop, FrameStateFor(*manager, titleIndex, activeLook_),
                         RECT{0, 0, width, top}, POINT{0, 0}, *image, manager);
        LayOutTitleButtons();
        PaintTitleIcon(*image);
        PaintCaptionText(*image, titleIndex);
        titleBackground_ = FrameBandCopy(*image, top);
        auto drawButton = [&](const TsTitleButtonRecord& button, bool enabled) {
            if (button.Rect.right <= button.Rect.left || !IsValidMaskIndex(manager->Tables(), button.ImageIndex)) return;
            // A running animation shows the state over the button; the frame keeps it normal.
            int state = button.Animation ? 0 : button.State;
            bool dimmed = !enabled || (state == 0 && !activeLook_);
            TsBackgroundSource behind{image.get(), 0, 0, TransparentKey, true};
            DrawMaskGlyph(*image, POINT{button.Rect.left, button.Rect.top}, state, dimmed ? 2 : 1,
                          manager->Tables().Masks[static_cast<size_t>(button.ImageIndex)], behind);
        };
        if (SystemMenuRemoved()) {
            drawButton(buttons_.Close, VisibleClose());
            if (VisibleMax()) drawButton(buttons_.Max, form_->WindowState() == wsMaximized ? EnabledRestore() : EnabledMax());
            if (VisibleMin()) drawButton(buttons_.Min, EnabledMin());
            if (form_->BorderIcons() & biHelp) drawButton(buttons_.Help, true);
        }
        for (int i = 0; i < titleButtons_.Count(); ++i) {
            TsTitleButton& user = titleButtons_.Items(i);
            if (!user.Visible()) continue;
            drawButton(user.Button, user.Enabled);
            if (!user.Button.Animation) DrawTitleButtonGlyph(*image, user, user.Button.Rect, user.Button.State == 2);
        }
    }
    PaintMenuLine(*image);
    skinData_->BackgroundDirty = false;
}

void TsSkinProvider::PaintCaptionText(TBitmap& image, int titleIndex) {
    TsSkinManager* manager = skinData_->GetSkinManager();
    int frame = GetFrameWidth(form_->Handle());
    int left = frame + (ShowsIcon() ? IconWidth() : 0) + manager->SkinData().BILeft + 4;
    int right = image.Width() - frame - 8;
    auto stopAt = [&](const TsTitleButtonRecord& button) {
        if (button.Rect.right > button.Rect.left) right = std::min(right, static_cast<int>(button.Rect.left) - 4);
    };
    for (const auto* button : {&buttons_.Close, &buttons_.Max, &buttons_.Min, &buttons_.Help}) stopAt(*button);
    for (int i = 0; i < titleButtons_.Count(); ++i) stopAt(titleButtons_.Items(i).Button);
    RECT text{left, frame, right, frame + CaptionHeight()};
    if (text.right <= text.left) return;
    if (!addedTitle_.ShowMainCaption()) {
        PaintAddedTitle(image, RECT{text.left - 4, text.top, text.right, text.bottom}, titleIndex);
        return;
    }
    if (!form_->Caption().empty()) {
        WriteSectionTextOnBitmap(image, form_->Caption(), false, text, kFrameCaptionFormat, titleIndex, activeLook_, manager);
        // The added title continues where the caption ends.
        text.left = std::min<LONG>(text.right, text.left + image.Canvas().TextWidth(form_->Caption()));
    }
    PaintAddedTitle(image, text, titleIndex);
}

// The added title in its own font; clNone (or clWindowText) takes the title's text colour, an
// inactive form's half mixed with the font's own.
void TsSkinProvider::PaintAddedTitle(TBitmap& image, RECT text, int titleIndex) {
    if (addedTitle_.Text().empty()) return;
    TsSkinManager* manager = skinData_->GetSkinManager();
    text.left += 4;
    if (text.right - text.left <= 4) return;
    TColor sectionColor = image.Canvas().Font().Color();
    if (IsValidSectionIndex(manager->Tables(), titleIndex)) {
        const TsGeneralData& section = manager->Tables().Sections[static_cast<size_t>(titleIndex)];
        sectionColor = static_cast<TColor>(activeLook_ && section.StateCount > 0 ? section.HotFontColor : section.FontColor);
    }
    TColor fontColor = addedTitle_.Font().Color();
    TColor color = fontColor;
    if (fontColor == clNone || fontColor == clWindowText) color = sectionColor;
    else if (!activeLook_) color = MixColorsByFactor(ColorToRGB(fontColor), sectionColor, 0.5);
    TFont captionFont;
    captionFont.Assign(image.Canvas().Font());
    image.Canvas().SetFont(addedTitle_.Font());
    WriteTextPassOnBitmap(image, addedTitle_.Text(), text, kFrameCaptionFormat, color);
    image.Canvas().SetFont(captionFont);
}

// The form's icon at the left of the title. Pixels the icon leaves unchanged keep the title's
// picture; changed ones become opaque.
void TsSkinProvider::PaintTitleIcon(TBitmap& image) {
    if (!ShowsIcon()) return;
    RECT rect = IconRect();
    rect.left = std::max<LONG>(0, rect.left);
    rect.top = std::max<LONG>(0, rect.top);
    rect.right = std::min<LONG>(image.Width(), rect.right);
    rect.bottom = std::min<LONG>(image.Height(), rect.bottom);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;
    TBitmap& glyph = titleIcon_.Glyph();
    if (!glyph.Empty()) {
        if (glyph.PixelFormat() == pf32bit) {
            int w = std::min(glyph.Width(), width);
            int h = std::min(glyph.Height(), height);
            BlendAlphaRect(RECT{rect.left, rect.top, rect.left + w, rect.top + h}, RECT{0, 0, w, h}, image, glyph,
                           TsBackgroundSource{}, false);
            return;
        }
        // Other glyphs are stretched into the icon square; the magenta key stays transparent.
        TBitmap stretched(width, height, pf24bit);
        StretchBlt(stretched.Canvas().Handle(), 0, 0, width, height, glyph.Canvas().Handle(), 0, 0, glyph.Width(),
                   glyph.Height(), SRCCOPY);
        CopyKeyedOpaque(image, stretched, rect.left, rect.top, TransparentKey);
        return;
    }
    std::vector<std::uint32_t> saved;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) saved.push_back(FramePixel(image, x, y));
    HICON icon = FrameIconFor(*form_);
    DrawIconEx(image.Canvas().Handle(), rect.left, rect.top, icon, width, height, 0, nullptr, DI_NORMAL);
    size_t i = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x, ++i) {
            std::uint32_t& pixel = FramePixel(image, x, y);
            pixel = pixel == saved[i] ? saved[i] : (pixel | 0xFF000000u);
        }
}

void TsSkinProvider::PaintFrameToWindow() {
    if (skinData_->BackgroundDirty || !skinData_->CacheBitmap || skinData_->CacheBitmap->Width() != form_->Width() ||
        skinData_->CacheBitmap->Height() != form_->Height())
        PaintAll();
    TBitmap* image = skinData_->CacheBitmap.get();
    if (!image || image->Width() == 0) return;
    HWND window = form_->Handle();
    RECT client{};
    GetClientRect(window, &client);
    int width = image->Width();
    int height = image->Height();
    int top = TopAreaHeight();
    int side = ClientOffsetX();
    int bottom = std::max(0, height - top - client.bottom);

    HDC target = GetWindowDC(window);
    // The image's own canvas: the bitmap may already be selected there (icon drawing).
    HDC source = image->Canvas().Handle();
    BitBlt(target, 0, 0, width, top, source, 0, 0, SRCCOPY);
    BitBlt(target, 0, top, side, height - top, source, 0, top, SRCCOPY);
    BitBlt(target, width - side, top, side, height - top, source, width - side, top, SRCCOPY);
    BitBlt(target, 0, height - bottom, width, bottom, source, 0, height - bottom, SRCCOPY);
    ReleaseDC(window, target);
}

}  // namespace parch
