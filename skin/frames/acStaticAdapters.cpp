#include "skin/frames/acStaticAdapters.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "framework/graphics/Bitmap.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/Rects.h"
#include "platform/win/ImageLists.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/WindowLife.h"
#include "platform/win/Painting.h"
#include "platform/win/StaticClass.h"
#include "platform/win/ToolBarClass.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sControlPaint.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sVclUtils.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinTables.h"
#include "skin/engine/sSkinText.h"

namespace parch {
namespace {

constexpr DWORD kStaticUnskinnedStyle = 0x10000;
constexpr UINT kStaticTextFlags = 0x150;  // word break, expand tabs, no clip
constexpr UINT kStaticRedraw = RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE;
constexpr int kStaticMustWait = 10;
constexpr int kStaticResume = 6;
constexpr int kStaticRebuildCache = 23;

DWORD StaticStyle(HWND window) { return static_cast<DWORD>(GetWindowLongPtr(window, GWL_STYLE)); }
DWORD StaticExStyle(HWND window) { return static_cast<DWORD>(GetWindowLongPtr(window, GWL_EXSTYLE)); }

const TsMaskData* StaticGlobalMask(const TsCommonData& data, const char* name) {
    const TsSkinManager* manager = data.GetSkinManager();
    if (!manager) return nullptr;
    const int info = GetSectionIndex(manager->Tables(), "GLOBALINFO");
    const int index = manager->GetMaskIndex(info, "GLOBALINFO", name);
    if (index < 0 || index >= static_cast<int>(manager->Tables().Masks.size())) return nullptr;
    return &manager->Tables().Masks[static_cast<size_t>(index)];
}

void StaticRemoveAll(std::string& text, const std::string& tag) {
    for (size_t at = text.find(tag); at != std::string::npos; at = text.find(tag, at)) text.erase(at, tag.size());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TacPaintedWnd

TacPaintedWnd::TacPaintedWnd(HWND handle, TsSkinManager* manager, const std::string& section,
                             const char* defaultSection, TWinControl* ownerControl)
    : TacMainWnd(handle, manager, section.empty() ? std::string(defaultSection) : section, ownerControl) {
    InitAdapterSkinData(skinData_, manager, Section(), defaultSection);
    text_ = ReadWindowText(handle);
    Attach();
}

TacPaintedWnd::~TacPaintedWnd() {
    const bool wasAttached = !Destroyed();
    Detach();
    if (wasAttached && IsWindow(Handle()) && IsWindowVisible(Handle()))
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

bool TacPaintedWnd::Skinned() const { return !Destroyed() && SkinActive() && skinData_.IsSkinned(true); }

void TacPaintedWnd::RedrawNow() { RedrawWindow(Handle(), nullptr, nullptr, kStaticRedraw); }

// ---------------------------------------------------------------------------------------------
// TacStaticWnd

TacStaticWnd::TacStaticWnd(HWND handle, TsSkinManager* manager, const std::string& section, TWinControl* ownerControl)
    : TacPaintedWnd(handle, manager, section, "CHECKBOX", ownerControl) {
    if (IsWindowVisible(handle) && !KeepsSystemLook()) InvalidateRect(handle, nullptr, 1);
}

bool TacStaticWnd::KeepsSystemLook() const {
    return (StaticStyle(Handle()) & kStaticUnskinnedStyle) || (StaticExStyle(Handle()) & WS_EX_STATICEDGE);
}

LRESULT TacStaticWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) { return StaticWndProc(msg, wParam, lParam); }

LRESULT TacStaticWnd::StaticWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!Skinned() || KeepsSystemLook()) return TacMainWnd::WndProc(msg, wParam, lParam);
    const HWND h = Handle();
    const bool visible = IsWindowVisible(h);
    switch (msg) {
        case WM_MOVE:
        case WM_ENABLE: {
            if (!visible) break;
            skinData_.BackgroundDirty = true;
            const LRESULT result = CallPrevWndProc(msg, wParam, lParam);
            if (!Destroyed()) RedrawNow();
            return result;
        }
        case WM_SETTEXT: {
            if (!visible) break;
            SendMessage(h, WM_SETREDRAW, 0, 0);
            const LRESULT result = CallPrevWndProc(msg, wParam, lParam);
            if (Destroyed()) return result;
            text_ = ReadWindowText(h);
            skinData_.BackgroundDirty = true;
            SendMessage(h, WM_SETREDRAW, 1, 0);
            RedrawNow();
            return result;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC paintDc = BeginPaint(h, &paint);
            if (visible) PaintToDC(wParam ? reinterpret_cast<HDC>(wParam) : paintDc);
            EndPaint(h, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            if (!visible) break;
            return 1;
        case WM_NCPAINT: return 0;
        case WM_PRINT: PaintToDC(reinterpret_cast<HDC>(wParam)); return 0;
        default: break;
    }
    return TacMainWnd::WndProc(msg, wParam, lParam);
}

void TacStaticWnd::PaintToDC(HDC given) {
    const HWND h = Handle();
    HDC dc = given ? given : GetWindowDC(h);
    if (!dc) return;
    const int saved = SaveDC(dc);
    skinData_.BackgroundDirty = true;
    UpdateWndCache(skinData_, h, false, 0);
    if (DrawFace()) CopyCacheToDC(skinData_, dc);
    RestoreDC(dc, saved);
    if (!given) ReleaseDC(h, dc);
}

bool TacStaticWnd::DrawFace() {
    if (text_.empty() || !skinData_.CacheBitmap) return true;
    TBitmap& cache = *skinData_.CacheBitmap;
    if (TFont* font = messageFont_.Font()) cache.Canvas().Font().Assign(*font);
    UINT flags = kStaticTextFlags;
    if (StaticStyle(Handle()) & SS_NOPREFIX) flags |= DT_NOPREFIX;
    if (StaticExStyle(Handle()) & WS_EX_RIGHT) flags |= DT_RIGHT;
    WriteSectionTextOnBitmap(cache, text_, false, RECT{0, 0, cache.Width(), cache.Height()}, flags,
                             skinData_.SectionIndex, false, skinData_.GetSkinManager());
    return true;
}

// ---------------------------------------------------------------------------------------------
// TacLinkWnd

std::string StripLinkTags(const std::string& text) {
    std::string result = text;
    StaticRemoveAll(result, "<A>");
    StaticRemoveAll(result, "</A>");
    return result;
}

TacLinkWnd::TacLinkWnd(HWND handle, TsSkinManager* manager, const std::string& section, TWinControl* ownerControl)
    : TacStaticWnd(handle, manager, section, ownerControl) {}

LRESULT TacLinkWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!Skinned() || (StaticExStyle(Handle()) & WS_EX_STATICEDGE)) return StaticWndProc(msg, wParam, lParam);
    const HWND h = Handle();
    switch (msg) {
        case WM_MOVE:
        case WM_SETTEXT: {
            const LRESULT result = CallPrevWndProc(msg, wParam, lParam);
            if (Destroyed()) return result;
            if (msg == WM_SETTEXT) text_ = ReadWindowText(h);
            skinData_.BackgroundDirty = true;
            RedrawNow();
            return result;
        }
        case WM_PAINT: {
            // The text is drawn with the background.
            PAINTSTRUCT paint{};
            BeginPaint(h, &paint);
            EndPaint(h, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            if (!IsWindowVisible(h)) break;
            PaintToDC(reinterpret_cast<HDC>(wParam));
            return 1;
        case WM_NCPAINT: return 0;
        default: break;
    }
    return StaticWndProc(msg, wParam, lParam);
}

bool TacLinkWnd::DrawFace() {
    if (text_.empty() || !skinData_.CacheBitmap) return true;
    TBitmap& cache = *skinData_.CacheBitmap;
    if (TFont* font = linkFont_.Font()) cache.Canvas().Font().Assign(*font);
    WriteSectionTextOnBitmap(cache, StripLinkTags(text_), false, RECT{0, 0, cache.Width() + 4, cache.Height()},
                             kStaticTextFlags, skinData_.SectionIndex, false, skinData_.GetSkinManager());
    return true;
}

// ---------------------------------------------------------------------------------------------
// TacToolBarWnd

TacToolCaption SplitToolCaption(const std::string& text, int maxWidth,
                                const std::function<int(const std::string&)>& widthOf) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;) words.push_back(word);
    const int n = static_cast<int>(words.size());
    // The words from..to-1 joined by single blanks.
    auto join = [&words](int from, int to) {
        std::string out;
        for (int k = from; k < to; ++k) out += (k > from ? " " : "") + words[static_cast<size_t>(k)];
        return out;
    };
    TacToolCaption caption;
    for (int i = 1; i <= n; ++i) {
        // Word i (1-based) is words[i - 1]; the text before it is words[0..i-2].
        if (widthOf(join(0, i - 1)) > maxWidth || i == n) {
            const int split = std::max(0, i - 2);
            caption.first = join(0, split);
            caption.second = join(split, n);
            break;
        }
    }
    if (!caption.TwoLines()) caption = TacToolCaption{"", text};
    return caption;
}

TacToolBarWnd::TacToolBarWnd(HWND handle, TsSkinManager* manager, const std::string& section, TWinControl* ownerControl)
    : TacPaintedWnd(handle, manager, section, "CHECKBOX", ownerControl) {
    if (IsWindowVisible(handle)) RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
}

void TacToolBarWnd::PrepareCache() {
    if (!skinData_.BackgroundDirty && skinData_.CacheBitmap && skinData_.CacheBitmap->Width() > 0) return;
    GetClientRect(Handle(), &clientRect_);
    UpdateWndCache(skinData_, Handle(), false, 0);
    const SIZE size = GetWindowGeometry(Handle()).size;
    borderWidth_ = std::max<int>(0, (size.cy - (clientRect_.bottom - clientRect_.top)) / 2);
    skinData_.BackgroundDirty = false;
}

bool TacToolBarWnd::PaintingWaits() {
    HWND parent = GetParent(Handle());
    const bool waits = (parent && SendMessage(parent, SkinCommandMessage, MAKEWPARAM(0, kStaticMustWait), 0) == 1) ||
                       skinData_.CheckUpdating();
    skinData_.SetUpdating(waits);
    return waits;
}

int TacToolBarWnd::ButtonPaintState(int index) {
    TBBUTTON button{};
    if (!SendMessage(Handle(), TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button))) return 0;
    if (!(button.fsState & TBSTATE_ENABLED)) return 0;
    if (button.fsState & TBSTATE_PRESSED) return 2;
    RECT r{};
    SendMessage(Handle(), TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(Handle(), &cursor);
    return PtInRect(&r, cursor) ? 1 : 0;
}

void TacToolBarWnd::PaintButton(TBitmap& target, int index) {
    TBBUTTON button{};
    if (!SendMessage(Handle(), TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button))) return;
    if (button.fsState & TBSTATE_HIDDEN) return;
    RECT item{};
    if (!SendMessage(Handle(), TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item))) return;
    OffsetRect(&item, borderWidth_, borderWidth_);
    const int width = item.right - item.left, height = item.bottom - item.top;
    if (width <= 0 || height <= 0) return;
    TsSkinManager* manager = skinData_.GetSkinManager();
    const TsBackgroundSource behind{&target, item.left, item.top, TransparentKey, true};
    TBitmap picture(width, height, pf32bit);
    BitBlt(picture.Canvas().Handle(), 0, 0, width, height, target.Canvas().Handle(), item.left, item.top, SRCCOPY);

    if (button.fsStyle & BTNS_SEP) {
        const int divider = GetSectionIndex(manager->Tables(), "DIVIDER");
        if (divider < 0 || manager->GetMaskIndex(divider, "DIVIDER", "BORDERSMASK") < 0) return;
        const int left = width / 2 - 1;
        PaintSkinSection(divider, "DIVIDER", behind, 0, RECT{left, 2, left + 4, height - 2}, POINT{0, 0}, picture,
                         manager);
        BitBlt(target.Canvas().Handle(), item.left, item.top, width, height, picture.Canvas().Handle(), 0, 0, SRCCOPY);
        return;
    }
    const int state = ButtonPaintState(index);
    const int shift = state == 2 ? 1 : 0;
    const int section = GetSectionIndex(manager->Tables(), "TOOLBUTTON");
    PaintSkinSection(section, "TOOLBUTTON", behind, state, RECT{0, 0, width, height}, POINT{0, 0}, picture, manager);

    int imageHeight = -1;
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessage(Handle(), TB_GETIMAGELIST, 0, 0));
    if (button.iBitmap != 0 && images) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(images, &cx, &cy);
        ImageList_SetBkColor(images, CLR_NONE);
        const int y = shift + 4;
        int x = (width - cx) / 2 + shift;
        const TsMaskData* arrow = nullptr;
        if (button.fsStyle & BTNS_WHOLEDROPDOWN) {
            const int arrowSection = GetSectionIndex(manager->Tables(), "SCROLLBTNBOTTOM");
            const int arrowMask = manager->GetMaskIndex(arrowSection, "SCROLLBTNBOTTOM", "GLYPHMASK");
            if (arrowMask >= 0) arrow = &manager->Tables().Masks[static_cast<size_t>(arrowMask)];
        }
        if (arrow) {
            const int arrowWidth = MaskFrameWidth(*arrow);
            DrawMaskGlyph(picture,
                          POINT{width + shift - arrowWidth - 2, (height - MaskStateHeight(*arrow)) / 2 + shift}, state,
                          1, *arrow, InitBackgroundSource(&picture, 0, 0));
            x = (width - arrowWidth - 2 - cx) / 2 + shift;
        }
        ImageList_Draw(images, button.iBitmap, picture.Canvas().Handle(), x, y, ILD_NORMAL);
        imageHeight = cy;
    }

    char text[260] = {};
    const LRESULT length = button.idCommand != -1
                               ? SendMessage(Handle(), TB_GETBUTTONTEXTA, static_cast<WPARAM>(button.idCommand),
                                             reinterpret_cast<LPARAM>(text))
                               : -1;
    if (length > 0 && text[0]) {
        HFONT font = reinterpret_cast<HFONT>(SendMessage(Handle(), WM_GETFONT, 0, 0));
        TCanvas& canvas = picture.Canvas();
        if (font) {
            LOGFONT description{};
            if (GetObject(font, sizeof(description), &description))
                canvas.Font().SetHandle(CreateFontIndirect(&description));
        }
        RECT r{shift + 2, (imageHeight >= 0 ? imageHeight + 2 : 0) + shift + 2, width + shift - 2, shift + height - 2};
        const std::string caption(text);
        const TacToolCaption lines = SplitToolCaption(caption, r.right - r.left,
                                                      [&canvas](const std::string& s) { return canvas.TextWidth(s); });
        int colourSection = section;
        if (state == 0 && skinData_.Section() && skinData_.Section()->GiveOwnFont)
            colourSection = skinData_.SectionIndex;
        if (lines.TwoLines()) {
            const int lineHeight = std::max(1, canvas.TextHeight("Wg"));
            WriteSectionTextOnBitmap(picture, lines.first, false, RECT{r.left, r.top, r.right, r.top + lineHeight},
                                     DT_CENTER, colourSection, state != 0, manager);
            WriteSectionTextOnBitmap(picture, lines.second, false, RECT{r.left, r.top + lineHeight, r.right, r.bottom},
                                     DT_CENTER | DT_END_ELLIPSIS, colourSection, state != 0, manager);
        } else {
            WriteSectionTextOnBitmap(picture, caption, false, r, 0x8015, colourSection, state != 0, manager);
        }
    }
    if (!(button.fsState & TBSTATE_ENABLED))
        BlendKeyedRect(picture, 0, 0, target, RECT{item.left, item.top, item.right - 1, item.bottom - 1}, 0.4,
                       TransparentKey);
    BitBlt(target.Canvas().Handle(), item.left, item.top, width, height, picture.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TacToolBarWnd::PaintClient(HDC dc) {
    PrepareCache();
    if (!skinData_.CacheBitmap || !dc) return;
    TBitmap& cache = *skinData_.CacheBitmap;
    TBitmap work(std::max(1, cache.Width()), std::max(1, cache.Height()), pf32bit);
    BitBlt(work.Canvas().Handle(), 0, 0, cache.Width(), cache.Height(), cache.Canvas().Handle(), 0, 0, SRCCOPY);
    const int count = static_cast<int>(SendMessage(Handle(), TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) PaintButton(work, i);
    BitBlt(dc, 0, 0, cache.Width() - 2 * borderWidth_, cache.Height() - 2 * borderWidth_, work.Canvas().Handle(),
           borderWidth_, borderWidth_, SRCCOPY);
}

LRESULT TacToolBarWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!Skinned()) return TacMainWnd::WndProc(msg, wParam, lParam);
    const HWND h = Handle();
    switch (msg) {
        case WM_SIZE:
        case WM_WINDOWPOSCHANGED: {
            skinData_.BackgroundDirty = true;
            const LRESULT result = TacMainWnd::WndProc(msg, wParam, lParam);
            if (!Destroyed()) SendMessage(h, WM_NCPAINT, 0, 0);
            return result;
        }
        case WM_ERASEBKGND: return 1;
        case WM_NCPAINT:
            if ((StaticExStyle(h) & WS_EX_CLIENTEDGE) && !PaintingWaits()) {
                PrepareCache();
                if (HDC dc = GetWindowDC(h)) {
                    TBitmap& cache = *skinData_.CacheBitmap;
                    CopyFrameStrips(dc, 0, 0, cache.Width(), cache.Height(), cache.Canvas().Handle(), 0, 0,
                                    (cache.Width() - (clientRect_.right - clientRect_.left)) / 2);
                    ReleaseDC(h, dc);
                }
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC paintDc = BeginPaint(h, &paint);
            if (IsWindowVisible(h) && !PaintingWaits()) PaintClient(wParam ? reinterpret_cast<HDC>(wParam) : paintDc);
            EndPaint(h, &paint);
            return 0;
        }
        case WM_PRINT: PaintClient(reinterpret_cast<HDC>(wParam)); return 0;
        case SkinCommandMessage:
            if (HIWORD(static_cast<DWORD>(wParam)) == kStaticResume && skinData_.PaintSuspended) {
                skinData_.SetUpdating(false);
                RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_INVALIDATE);
                return 0;
            }
            break;
        case WM_MOUSEMOVE:
        case WM_MOUSELEAVE: {
            // The hot button follows the cursor.
            const LRESULT result = TacMainWnd::WndProc(msg, wParam, lParam);
            if (!Destroyed()) {
                if (msg == WM_MOUSEMOVE) {
                    TRACKMOUSEEVENT track{};
                    track.cbSize = sizeof(track);
                    track.dwFlags = TME_LEAVE;
                    track.hwndTrack = h;
                    TrackMouseEvent(&track);
                }
                InvalidateRect(h, nullptr, 0);
            }
            return result;
        }
        default: break;
    }
    return TacMainWnd::WndProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// TacSizerWnd

TacSizerWnd::TacSizerWnd(HWND handle, TsSkinManager* manager, const std::string& section, TWinControl* ownerControl)
    : TacPaintedWnd(handle, manager, section, "CHECKBOX", ownerControl) {
    if (IsWindowVisible(handle)) InvalidateRect(handle, nullptr, 1);
}

void TacSizerWnd::Paint() {
    const HWND h = Handle();
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(h, &paint);
    const SIZE size = GetWindowGeometry(h).size;
    if (const TsMaskData* grip = StaticGlobalMask(skinData_, "GRIPIMAGE"); grip && size.cx > 0 && size.cy > 0) {
        TBitmap picture(size.cx, size.cy, pf32bit);
        CopyParentBackdrop(picture, h, RECT{0, 0, size.cx, size.cy});
        const POINT at{std::max(size.cx - MaskFrameWidth(*grip), 0), std::max(size.cy - MaskStateHeight(*grip), 0)};
        DrawMaskGlyph(picture, at, 0, 1, *grip, InitBackgroundSource(&picture, 0, 0));
        BitBlt(dc, 0, 0, size.cx, size.cy, picture.Canvas().Handle(), 0, 0, SRCCOPY);
    }
    EndPaint(h, &paint);
}

LRESULT TacSizerWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!Skinned()) return TacMainWnd::WndProc(msg, wParam, lParam);
    switch (msg) {
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND:
        case WM_NCPAINT: return 1;
        case WM_NCHITTEST: TacMainWnd::WndProc(msg, wParam, lParam); return HTBOTTOMRIGHT;
        default: return TacMainWnd::WndProc(msg, wParam, lParam);
    }
}

// ---------------------------------------------------------------------------------------------
// TacTransPanelWnd

TacTransPanelWnd::TacTransPanelWnd(HWND handle, TsSkinManager* manager, const std::string& section,
                                   TWinControl* ownerControl)
    : TacPaintedWnd(handle, manager, section, "CHECKBOX", ownerControl) {
    if (IsWindowVisible(handle)) InvalidateRect(handle, nullptr, 1);
}

void TacTransPanelWnd::PaintBackground(HDC given) {
    const HWND h = Handle();
    const SIZE size = GetWindowGeometry(h).size;
    HDC dc = given ? given : GetWindowDC(h);
    if (!dc) return;
    skinData_.BackgroundDirty = true;
    SendMessage(h, SkinCommandMessage, MAKEWPARAM(0, kStaticRebuildCache), 0);
    if (skinData_.CacheBitmap)
        PaintChildWindows(h, skinData_, RECT{0, 0, size.cx, size.cy}, RECT{0, 0, size.cx, size.cy}, dc, false, 0, 0);
    if (!given) ReleaseDC(h, dc);
}

LRESULT TacTransPanelWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!Skinned()) return TacMainWnd::WndProc(msg, wParam, lParam);
    switch (msg) {
        case WM_ERASEBKGND: PaintBackground(reinterpret_cast<HDC>(wParam)); return 1;
        case WM_NCPAINT: return 0;
        case SkinCommandMessage:
            if (HIWORD(static_cast<DWORD>(wParam)) == kStaticRebuildCache) {
                // The page shows what lies behind it: its parent's picture, nothing of its own.
                skinData_.PrepareCacheBitmap();
                const SIZE size = GetWindowGeometry(Handle()).size;
                skinData_.CacheBitmap->SetSize(std::max<int>(0, size.cx), std::max<int>(0, size.cy));
                if (size.cx > 0 && size.cy > 0)
                    CopyParentBackdrop(*skinData_.CacheBitmap, Handle(), RECT{0, 0, size.cx, size.cy});
                skinData_.BackgroundDirty = false;
                return 0;
            }
            break;
        default: break;
    }
    return TacMainWnd::WndProc(msg, wParam, lParam);
}

}  // namespace parch
