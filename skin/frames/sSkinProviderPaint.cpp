// The skinned frame of a form: painted once into the skin data's cache and copied around the
// client area on every non-client paint.

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/TextLayout.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowPos.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sMaskPaint.h"
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

std::unique_ptr<TBitmap> FrameImageCopy(TBitmap& image) {
    auto copy = NewPf32Bitmap(image.Width(), image.Height());
    for (int y = 0; y < image.Height(); ++y)
        std::memcpy(copy->ScanLine(y), image.ScanLine(y), static_cast<size_t>(image.Width()) * 4);
    return copy;
}

}  // namespace

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
        PaintCaptionText(*image, titleIndex);
        auto drawButton = [&](const TsTitleButtonRecord& button, bool enabled) {
            if (button.Rect.right <= button.Rect.left || !IsValidMaskIndex(manager->Tables(), button.ImageIndex)) return;
            bool dimmed = !enabled || (button.State == 0 && !activeLook_);
            TsBackgroundSource behind{image.get(), 0, 0, TransparentKey, true};
            DrawMaskGlyph(*image, POINT{button.Rect.left, button.Rect.top}, button.State, dimmed ? 2 : 1,
                          manager->Tables().Masks[static_cast<size_t>(button.ImageIndex)], behind);
        };
        if (SystemMenuRemoved()) {
            drawButton(buttons_.Close, VisibleClose());
            if (VisibleMax()) drawButton(buttons_.Max, form_->WindowState() == wsMaximized ? EnabledRestore() : EnabledMax());
            if (VisibleMin()) drawButton(buttons_.Min, EnabledMin());
            if (form_->BorderIcons() & biHelp) drawButton(buttons_.Help, true);
        }
        for (int i = 0; i < titleButtons_.Count(); ++i) {
            const TsTitleButton& user = titleButtons_.Items(i);
            if (user.Visible()) drawButton(user.Button, user.Enabled);
        }
    }
    PaintMenuLine(*image);
    skinData_->BackgroundDirty = false;
}

void TsSkinProvider::PaintCaptionText(TBitmap& image, int titleIndex) {
    TsSkinManager* manager = skinData_->GetSkinManager();
    int frame = GetFrameWidth(form_->Handle());
    int left = frame + manager->SkinData().BILeft + 4;
    int right = image.Width() - frame - 8;
    auto stopAt = [&](const TsTitleButtonRecord& button) {
        if (button.Rect.right > button.Rect.left) right = std::min(right, static_cast<int>(button.Rect.left) - 4);
    };
    for (const auto* button : {&buttons_.Close, &buttons_.Max, &buttons_.Min, &buttons_.Help}) stopAt(*button);
    for (int i = 0; i < titleButtons_.Count(); ++i) stopAt(titleButtons_.Items(i).Button);
    RECT text{left, frame, right, frame + CaptionHeight()};
    if (text.right <= text.left || form_->Caption().empty()) return;
    WriteSectionTextOnBitmap(image, form_->Caption(), false, text, kFrameCaptionFormat, titleIndex, activeLook_, manager);
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
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, image->Handle());
    BitBlt(target, 0, 0, width, top, source, 0, 0, SRCCOPY);
    BitBlt(target, 0, top, side, height - top, source, 0, top, SRCCOPY);
    BitBlt(target, width - side, top, side, height - top, source, width - side, top, SRCCOPY);
    BitBlt(target, 0, height - bottom, width, bottom, source, 0, height - bottom, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    ReleaseDC(window, target);
}

}  // namespace parch
