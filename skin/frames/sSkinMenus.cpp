#include "skin/frames/sSkinMenus.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "framework/Application.h"
#include "framework/Screen.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/Regions.h"
#include "platform/gdi/TextLayout.h"
#include "platform/win/MenuBar.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/SysCommand.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WindowLong.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinTables.h"
#include "skin/engine/sSkinText.h"
#include "skin/frames/sSkinProvider.h"

namespace parch {

namespace {

constexpr UINT kMenuBorderOfItemMessage = 0xBCB3;
constexpr UINT kMenuBorderOfWindowMessage = 0xBCB4;
constexpr int kCmdHasRegion = 8;
constexpr int kCmdSetRegion = 14;
constexpr int kCmdMouseLeft = 675;
// The popup window's own frame: client (x, y) lies at (x + 3, y + 3) of the background.
constexpr int kPopupFrame = 3;
constexpr const char* kSkinSelectItemName = "SkinSelectItem";
constexpr const char* kDefaultExtraLineCaption = "Use OnGetExtraLineData event";

// The cache of prepared popup backgrounds.
struct MenuBgRecord {
    TMenuItem* FirstItem = nullptr;
    std::unique_ptr<TBitmap> Background;
    HWND Wnd = nullptr;
    bool HaveExtraLine = false;
};

std::vector<MenuBgRecord>& MenuBgCache() {
    static std::vector<MenuBgRecord> cache;
    return cache;
}

TacMenuBgInfo InfoOf(const MenuBgRecord& record) {
    return TacMenuBgInfo{record.FirstItem, record.Background.get(), record.Wnd, record.HaveExtraLine};
}

bool menusInUse = false;
TsMenuItemType lastMenuItemType = smNormal;
int lastGlyphWidth = 0;
int lastIconLineWidth = 0;

std::map<const TsSkinManager*, std::unique_ptr<TsSkinableMenus>>& MenusRegistry() {
    static std::map<const TsSkinManager*, std::unique_ptr<TsSkinableMenus>> registry;
    return registry;
}

// The handlers are small callable types so that an item's event can be asked whether it holds
// this object's handler (an application's own handler is never touched).
struct SkinMenuDrawHandler {
    TsSkinableMenus* Menus;
    void operator()(TObject* sender, TCanvas& canvas, RECT rect, TOwnerDrawState state) const {
        Menus->DrawItem(sender, canvas, rect, state);
    }
};
struct SkinMenuMeasureHandler {
    TsSkinableMenus* Menus;
    void operator()(TObject* sender, TCanvas& canvas, int& width, int& height) const {
        Menus->MeasureItem(sender, canvas, width, height);
    }
};
struct SkinLineDrawHandler {
    TsSkinableMenus* Menus;
    void operator()(TObject* sender, TCanvas& canvas, RECT rect, TOwnerDrawState state) const {
        Menus->DrawMenuLineItem(sender, canvas, rect, state);
    }
};
struct SkinLineMeasureHandler {
    TsSkinableMenus* Menus;
    void operator()(TObject* sender, TCanvas& canvas, int& width, int& height) const {
        Menus->MeasureMenuLineItem(sender, canvas, width, height);
    }
};

template <typename Handler, typename Event>
bool HoldsHandlerOf(const Event& event, const TsSkinableMenus* menus) {
    const Handler* handler = event.template target<Handler>();
    return handler != nullptr && handler->Menus == menus;
}

std::string WithoutAmpersands(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
    return text;
}

std::string FirstDashWord(const std::string& caption) {
    std::size_t start = caption.find_first_not_of('-');
    if (start == std::string::npos) return {};
    std::size_t end = caption.find('-', start);
    return caption.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

int MenuRoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

int SectionIndexOf(TsSkinManager& manager, const std::string& name) { return GetSectionIndex(&manager, name); }

bool SectionExists(TsSkinManager& manager, const std::string& name) {
    return IsValidSectionIndex(manager.Tables(), SectionIndexOf(manager, name));
}

void CopyBitmapRect(HDC target, int x, int y, int width, int height, TBitmap& source, int sx, int sy) {
    if (width <= 0 || height <= 0) return;
    BitBlt(target, x, y, width, height, source.Canvas().Handle(), sx, sy, SRCCOPY);
}

// Pixel copy between 32-bit bitmaps, clipped to both; no device context is involved, so a
// bitmap that is selected elsewhere (the provider's frame picture) can take part.
void CopyPixels32(TBitmap& dst, int x, int y, TBitmap& src, int sx, int sy, int width, int height) {
    if (sx < 0) { x -= sx; width += sx; sx = 0; }
    if (sy < 0) { y -= sy; height += sy; sy = 0; }
    if (x < 0) { sx -= x; width += x; x = 0; }
    if (y < 0) { sy -= y; height += y; y = 0; }
    width = std::min({width, dst.Width() - x, src.Width() - sx});
    height = std::min({height, dst.Height() - y, src.Height() - sy});
    if (width <= 0 || height <= 0) return;
    for (int row = 0; row < height; ++row)
        std::memcpy(reinterpret_cast<std::uint32_t*>(dst.ScanLine(y + row)) + x,
                    reinterpret_cast<const std::uint32_t*>(src.ScanLine(sy + row)) + sx, static_cast<size_t>(width) * 4);
}

std::unique_ptr<TBitmap> NewItemBitmap(int width, int height) {
    auto bitmap = std::make_unique<TBitmap>(std::max(width, 0), std::max(height, 0), pf32bit);
    return bitmap;
}

TMenuItem* NextSibling(TMenuItem* item) {
    TMenuItem* parent = item->Parent();
    int index = parent->IndexOf(item);
    return index + 1 < parent->Count() ? parent->Items(index + 1) : nullptr;
}

bool IsFirstVisible(TMenuItem* item) {
    TMenuItem* parent = item->Parent();
    for (int i = 0; i < parent->Count(); ++i)
        if (parent->Items(i)->Visible()) return parent->Items(i) == item;
    return false;
}

bool IsLastVisible(TMenuItem* item) {
    TMenuItem* parent = item->Parent();
    for (int i = parent->Count() - 1; i >= 0; --i)
        if (parent->Items(i)->Visible()) return parent->Items(i) == item;
    return false;
}

// The glyph of the skinned system menu's items, from the "Webdings" stand-in font.
const char* SystemMenuGlyph(int tag) {
    switch (static_cast<UINT>(tag)) {
        case SC_MINIMIZE: return "0";
        case SC_MAXIMIZE: return "1";
        case SC_CLOSE: return "r";
        case SC_RESTORE: return "2";
        default: return nullptr;
    }
}

bool InSystemMenu(const TMenuItem& item) {
    const TMenu* menu = item.GetParentMenu();
    return menu != nullptr && menu->Name().rfind("acSysMenu", 0) == 0;
}

// Magenta runs of a mask's first frame rows, as rectangles at the given y of the target.
void CollectMaskHoles(const TsMaskData& mask, int sourceRow, int rows, int targetY, int targetWidth,
                      std::vector<RECT>& holes) {
    TBitmap* picture = MaskImage(mask);
    if (picture == nullptr) return;
    int frameWidth = MaskFrameWidth(mask);
    int left = std::max<int>(mask.LeftWidth, mask.CommonBorderWidth);
    int right = std::max<int>(mask.RightWidth, mask.CommonBorderWidth);
    for (int row = 0; row < rows; ++row) {
        int sy = mask.SourceRect.top + sourceRow + row;
        if (sy < 0 || sy >= picture->Height()) continue;
        auto* line = reinterpret_cast<const std::uint32_t*>(picture->ScanLine(sy));
        auto scan = [&](int from, int to, int targetX) {
            int run = -1;
            for (int x = from; x <= to; ++x) {
                bool key = x < to && IsSkinKeyPixel(line[mask.SourceRect.left + x]);
                if (key && run < 0) run = x;
                if (!key && run >= 0) {
                    holes.push_back(RECT{targetX + run - from, targetY + row, targetX + x - from, targetY + row + 1});
                    run = -1;
                }
            }
        };
        scan(0, std::min(left, frameWidth), 0);
        scan(std::max(0, frameWidth - right), frameWidth, targetWidth - std::min(right, frameWidth));
    }
}

}  // namespace

// ---- Unit state

struct TsSkinableMenus::ExtraLineRequest {
    std::string Section = "EXTRALINE";
    std::string Caption = kDefaultExtraLineCaption;
    std::unique_ptr<TBitmap> Glyph;
    bool LineVisible = true;
};

void ClearMenuBgCache() { MenuBgCache().clear(); }
int MenuBgCacheCount() { return static_cast<int>(MenuBgCache().size()); }
bool MenusInUse() { return menusInUse; }
void SetMenusInUse(bool value) { menusInUse = value; }

TsSkinableMenus& SkinableMenusOf(TsSkinManager& manager) {
    auto& slot = MenusRegistry()[&manager];
    if (!slot) slot = std::make_unique<TsSkinableMenus>(&manager);
    return *slot;
}

void ForgetSkinableMenus(TsSkinManager& manager) { MenusRegistry().erase(&manager); }

// ---- Item classification

bool IsCaptionItem(const TMenuItem& item) {
    const std::string& caption = item.Caption();
    return !item.IsLine() && caption.size() >= 2 && caption.front() == '-' && caption.back() == '-';
}

bool IsMenuLineItem(const TMenuItem& item) {
    const TMenu* menu = item.GetParentMenu();
    return dynamic_cast<const TMainMenu*>(menu) != nullptr && item.Parent() == menu->Items();
}

bool IsInLaterColumn(const TMenuItem& item) {
    TMenuItem* parent = item.Parent();
    if (parent == nullptr) return false;
    for (int i = 0; i < parent->Count(); ++i) {
        if (parent->Items(i)->Break() != mbNone) return true;
        if (parent->Items(i) == &item) break;
    }
    return false;
}

SIZE GetGlyphSize(const TMenuItem& item, bool bitmapOnly) {
    auto& self = const_cast<TMenuItem&>(item);
    if (!self.Bitmap().Empty()) return SIZE{self.Bitmap().Width(), self.Bitmap().Height()};
    if (bitmapOnly) return SIZE{0, 0};
    const TMenu* menu = item.GetParentMenu();
    if (menu != nullptr && menu->Images() != nullptr) return SIZE{menu->Images()->Width(), menu->Images()->Height()};
    return SIZE{16, 16};
}

// ---- TsSkinableMenus

TsSkinableMenus::TsSkinableMenus(TsSkinManager* owner) : manager_(owner), captionFont_(std::make_unique<TFont>()) {}

TsSkinableMenus::~TsSkinableMenus() { manager_ = nullptr; }

bool TsSkinableMenus::Skinned() const { return manager_ != nullptr && manager_->Active() && manager_->SkinData().SkinActive; }

void TsSkinableMenus::ApplySkinState() { SetActive(manager_ != nullptr && manager_->SkinData().SkinActive); }

void TsSkinableMenus::SetActive(bool value) {
    if (value == menusActive_) return;
    menusActive_ = value;
    UpdateMenus(value);
}

void TsSkinableMenus::UpdateMenus(bool value) {
    menusActive_ = value;
    if (Application == nullptr) return;
    HookComponentTree(*Application, value);
}

void TsSkinableMenus::HookComponentTree(TComponent& component, bool value) {
    bool popups = manager_ != nullptr && manager_->SkinnedPopups();
    for (int i = 0; i < component.ComponentCount(); ++i) {
        TComponent* child = component.Components(i);
        if (auto* mainMenu = dynamic_cast<TMainMenu*>(child)) {
            HookMainMenu(mainMenu, value);
            for (int k = 0; k < mainMenu->Items()->Count(); ++k)
                HookItemTree(mainMenu->Items()->Items(k), value && popups);
        } else if (auto* popupMenu = dynamic_cast<TPopupMenu*>(child)) {
            HookPopupMenu(popupMenu, value && popups);
        } else if (auto* item = dynamic_cast<TMenuItem*>(child)) {
            if (dynamic_cast<TMainMenu*>(item->GetParentMenu()) == nullptr) HookItemTree(item, value && popups);
        }
        HookComponentTree(*child, value);
    }
}

bool TsSkinableMenus::HasPopupHandlers(const TMenuItem& item) const {
    return HoldsHandlerOf<SkinMenuDrawHandler>(item.OnAdvancedDrawItem, this) &&
           HoldsHandlerOf<SkinMenuMeasureHandler>(item.OnMeasureItem, this);
}

bool TsSkinableMenus::HasMenuLineHandlers(const TMenuItem& item) const {
    return HoldsHandlerOf<SkinLineDrawHandler>(item.OnAdvancedDrawItem, this) &&
           HoldsHandlerOf<SkinLineMeasureHandler>(item.OnMeasureItem, this);
}

void TsSkinableMenus::SetPopupHandlers(TMenuItem& item, bool value) {
    if (value) {
        if (!item.OnAdvancedDrawItem) item.OnAdvancedDrawItem = SkinMenuDrawHandler{this};
        if (!item.OnMeasureItem) item.OnMeasureItem = SkinMenuMeasureHandler{this};
        return;
    }
    if (HoldsHandlerOf<SkinMenuDrawHandler>(item.OnAdvancedDrawItem, this)) item.OnAdvancedDrawItem = nullptr;
    if (HoldsHandlerOf<SkinMenuMeasureHandler>(item.OnMeasureItem, this)) item.OnMeasureItem = nullptr;
}

void TsSkinableMenus::SetMenuLineHandlers(TMenuItem& item, bool value) {
    if (value) {
        item.OnAdvancedDrawItem = SkinLineDrawHandler{this};
        item.OnMeasureItem = SkinLineMeasureHandler{this};
        return;
    }
    if (HoldsHandlerOf<SkinLineDrawHandler>(item.OnAdvancedDrawItem, this)) item.OnAdvancedDrawItem = nullptr;
    if (HoldsHandlerOf<SkinLineMeasureHandler>(item.OnMeasureItem, this)) item.OnMeasureItem = nullptr;
}

void TsSkinableMenus::HookPopupMenu(TPopupMenu* menu, bool value) {
    if (menu == nullptr) return;
    bool on = value && manager_ != nullptr && manager_->SkinnedPopups();
    menu->SetOwnerDraw(on);
    std::function<void(TMenuItem*)> walk = [&](TMenuItem* parent) {
        for (int i = 0; i < parent->Count(); ++i) {
            SetPopupHandlers(*parent->Items(i), value);
            walk(parent->Items(i));
        }
    };
    walk(menu->Items());
}

void TsSkinableMenus::HookItemTree(TMenuItem* item, bool value) {
    if (item == nullptr) return;
    for (int i = 0; i < item->Count(); ++i) {
        TMenuItem* child = item->Items(i);
        if (!(value && IsMenuLineItem(*child))) SetPopupHandlers(*child, value);
        HookItemTree(child, value);
    }
}

void TsSkinableMenus::HookMainMenu(TMainMenu* menu, bool value) {
    if (menu == nullptr) return;
    TMenuItem* root = menu->Items();
    for (int i = 0; i < root->Count(); ++i) {
        TMenuItem* item = root->Items(i);
        if (value && manager_ != nullptr && manager_->Active()) {
            if (!manager_->SkinnedPopups()) return;
            SetMenuLineHandlers(*item, true);
        } else if (!value) {
            SetMenuLineHandlers(*item, false);
        }
    }
    if (!(menu->ComponentState() & csDestroying) && root->Count() > 0) menu->SetOwnerDraw(value);
}

void TsSkinableMenus::HookItem(TMenuItem* item, bool value) {
    if (item == nullptr) return;
    if (!value) {
        SetPopupHandlers(*item, false);
    } else if (IsMenuLineItem(*item)) {
        SetMenuLineHandlers(*item, true);
    } else if (manager_ != nullptr && manager_->SkinnedPopups()) {
        SetPopupHandlers(*item, true);
    }
}

// ---- Measuring

void TsSkinableMenus::UseMenuFont(TCanvas& canvas, TMenuItem* item, bool bold) {
    if (Screen != nullptr) canvas.Font().Assign(Screen->MenuFont());
    if (item != nullptr) {
        const TMenu* menu = item->GetParentMenu();
        if (TCustomForm* form = FindOwnerForm(const_cast<TMenu*>(menu))) canvas.Font().SetCharset(form->Font().Charset());
    }
    TFontStyles style = canvas.Font().Style();
    canvas.Font().SetStyle(bold ? (style | fsBold) : (style & ~fsBold));
}

int TsSkinableMenus::GetSkinBorderWidth() {
    if (SkinBorderWidth >= 0) return SkinBorderWidth;
    if (manager_ == nullptr) return 0;
    int index = manager_->FindOwnMaskIndex("MAINMENU", "BORDERSMASK");
    if (!IsValidMaskIndex(manager_->Tables(), index)) {
        SkinBorderWidth = 0;
    } else {
        int width = manager_->Tables().Masks[static_cast<size_t>(index)].CommonBorderWidth;
        SkinBorderWidth = width <= 0 ? 3 : width;
    }
    return SkinBorderWidth;
}

int TsSkinableMenus::ExtraLineWidth(const TacMenuBgInfo& info) const {
    if (manager_ == nullptr || !manager_->MenuSupport.UseExtraLine || !info.HaveExtraLine) return 0;
    return manager_->MenuSupport.ExtraLineWidth;
}

int TsSkinableMenus::ItemHeight(TCanvas& canvas, TMenuItem* item) {
    if (Screen != nullptr) canvas.Font().Assign(Screen->MenuFont());
    if (item->IsLine()) return 2;
    int text = MenuRoundHalfEven(canvas.TextHeight("W") * 1.25);
    if (IsCaptionItem(*item)) return text + 2 * Margin;
    return std::max(text, static_cast<int>(GetGlyphSize(*item, false).cy)) + 2 * Margin;
}

void TsSkinableMenus::RequestExtraLine(TMenuItem* firstItem, ExtraLineRequest& request) {
    request = ExtraLineRequest{};
    if (firstItem != nullptr && firstItem->Name() == kSkinSelectItemName) {
        request.LineVisible = false;
        return;
    }
    if (!OnGetMenuExtraLineData) return;
    OnGetMenuExtraLineData(firstItem, request.Section, request.Caption, request.Glyph, request.LineVisible);
    request.Caption = WithoutAmpersands(request.Caption);
    if (!request.LineVisible) request.Glyph.reset();
}

void TsSkinableMenus::MeasureItem(TObject* sender, TCanvas& canvas, int& width, int& height) {
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (item == nullptr || (item->ComponentState() & csDestroying) || item->Parent() == nullptr) return;
    menusInUse = true;
    TacMenuBgInfo info = GetMenuBgInfo(item, 0, 0, nullptr);
    lastMenuItemType = item->IsLine() ? smDivider : IsCaptionItem(*item) ? smCaption : smNormal;

    bool lineVisible = info.HaveExtraLine;
    if (info.FirstItem == nullptr && !requestingExtraLine_) {
        requestingExtraLine_ = true;
        ExtraLineRequest request;
        RequestExtraLine(item->Parent()->Items(0), request);
        lineVisible = request.LineVisible;
        requestingExtraLine_ = false;
    }

    UseMenuFont(canvas, item, item->Default());
    std::string text = lastMenuItemType == smCaption   ? "-" + item->Caption() + "-"
                       : lastMenuItemType == smDivider ? std::string()
                                                       : item->Caption() + ShortCutToText(item->ShortCut());
    RECT r{0, 0, 0, 0};
    if (!text.empty()) DrawText(canvas.Handle(), text.c_str(), static_cast<int>(text.size()), &r,
                                DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_SINGLELINE);
    int glyphWidth = GetGlyphSize(*item, false).cx;
    width = 2 * glyphWidth + (r.right - r.left) + 3 * Margin + Spacing;
    bool useLine = manager_ != nullptr && manager_->MenuSupport.UseExtraLine && lineVisible;
    if (useLine && !IsInLaterColumn(*item)) width += manager_->MenuSupport.ExtraLineWidth;
    height = ItemHeight(canvas, item);
}

int TsSkinableMenus::MenuHeight(TCanvas& canvas, TMenuItem* item) {
    TMenuItem* parent = item->Parent();
    int best = 0;
    int column = 0;
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* child = parent->Items(i);
        if (!child->Visible()) continue;
        if (child->Break() != mbNone) column = 0;
        column += ItemHeight(canvas, child);
        best = std::max(best, column);
    }
    return best;
}

int TsSkinableMenus::MenuWidth(TCanvas& canvas, TMenuItem* item) {
    TMenuItem* parent = item->Parent();
    int finished = 0;
    int column = 0;
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* child = parent->Items(i);
        if (!child->Visible()) continue;
        if (child->Break() != mbNone) {
            finished += column + 4;
            column = 0;
        }
        int width = 0, height = 0;
        MeasureItem(child, canvas, width, height);
        column = std::max(column, width + 12);
    }
    return finished + column;
}

// ---- Backgrounds

TacMenuBgInfo TsSkinableMenus::GetMenuBgInfo(TMenuItem* item, int width, int height, HWND window) {
    auto& cache = MenuBgCache();
    if (item == nullptr) {
        if (window == nullptr) return {};
        for (const auto& record : cache)
            if (record.Wnd == window) return InfoOf(record);
        return {};
    }
    TMenuItem* parent = item->Parent();
    if (parent == nullptr || parent->Count() == 0) return {};
    TMenuItem* first = parent->Items(0);
    for (const auto& record : cache)
        if (record.FirstItem == first) return InfoOf(record);
    if (width <= 0 || height <= 0) return {};
    BuildMenuBg(first, width, height, window);
    for (const auto& record : cache)
        if (record.FirstItem == first) return InfoOf(record);
    return {};
}

void TsSkinableMenus::PaintExtraLine(TBitmap& target, int height, const ExtraLineRequest& request, TMenuItem* firstItem) {
    int sectionIndex = SectionIndexOf(*manager_, request.Section);
    if (!IsValidSectionIndex(manager_->Tables(), sectionIndex)) return;
    int sbw = GetSkinBorderWidth();
    int stripWidth = manager_->MenuSupport.ExtraLineWidth;
    int stripHeight = height - 2 * sbw;
    if (stripWidth <= 0 || stripHeight <= 0) return;
    TBitmap strip(stripWidth, stripHeight, pf32bit);
    TsBackgroundSource backdrop{&target, sbw, sbw, TransparentKey, true};
    PaintSkinSection(sectionIndex, request.Section, backdrop, 0, RECT{0, 0, stripWidth, stripHeight}, POINT{0, 0}, strip,
                     manager_);
    int textBottom = 12;
    if (request.Glyph && !request.Glyph->Empty()) {
        int gx = (stripWidth - request.Glyph->Width()) / 2;
        int gy = stripHeight - 12 - request.Glyph->Height();
        strip.Canvas().Draw(gx, gy, request.Glyph.get());
        textBottom = request.Glyph->Height() + 20;
    }
    if (!request.Caption.empty()) {
        // The rotated font lives only for this strip: its handle goes with it.
        const TFont& source = manager_->MenuSupport.ExtraLineFont();
        TFont rotated;
        rotated.SetName(source.Name());
        TCustomForm* form = FindOwnerForm(firstItem ? firstItem->GetParentMenu() : nullptr);
        rotated.SetCharset(form ? form->Font().Charset() : source.Charset());
        rotated.SetStyle(source.Style() & ~fsBold);
        rotated.SetHeight(source.Size());
        rotated.SetOrientation(-2700);
        const auto& section = manager_->Tables().Sections[static_cast<size_t>(sectionIndex)];
        rotated.SetColor(static_cast<TColor>(section.FontColor));
        TCanvas& canvas = strip.Canvas();
        canvas.Font().Assign(rotated);
        canvas.Brush().SetStyle(bsClear);
        int x = (stripWidth - canvas.TextHeight(request.Caption)) / 2;
        canvas.TextRect(RECT{0, 0, stripWidth, stripHeight}, x, stripHeight - textBottom, request.Caption);
        canvas.Font().Assign(TFont());
    }
    CopyBitmapRect(target.Canvas().Handle(), sbw, sbw, stripWidth, stripHeight, strip, 0, 0);
}

void TsSkinableMenus::BuildMenuBg(TMenuItem* firstItem, int width, int height, HWND window) {
    if (manager_ == nullptr || firstItem == nullptr || width <= 0 || height <= 0) return;
    ExtraLineRequest request;
    RequestExtraLine(firstItem, request);

    auto background = std::make_unique<TBitmap>(width, height, pf32bit);
    background->Canvas().Lock();
    lastGlyphWidth = GetGlyphSize(*firstItem, false).cx;
    lastIconLineWidth = Margin + lastGlyphWidth + Spacing;
    int sbw = GetSkinBorderWidth();
    int extraLine = manager_->MenuSupport.UseExtraLine && request.LineVisible ? manager_->MenuSupport.ExtraLineWidth : 0;

    int menuIndex = SectionIndexOf(*manager_, "MAINMENU");
    if (IsValidSectionIndex(manager_->Tables(), menuIndex)) {
        RECT all{0, 0, width, height};
        PaintSectionBackground(menuIndex, "MAINMENU", EmptyBackdrop, 0, all, POINT{0, 0}, *background, manager_);

        const TMenu* menu = firstItem->GetParentMenu();
        HWND owner = menu ? menu->WindowHandle() : nullptr;
        bool rightAligned = owner != nullptr && (GetWindowLongPtr(owner, GWL_EXSTYLE) & WS_EX_RIGHT);
        const std::string& icoLine = manager_->MenuSupport.IcoLineSkin;
        int icoIndex = SectionIndexOf(*manager_, icoLine);
        int icoHeight = height - 2 * sbw;
        if (!rightAligned && IsValidSectionIndex(manager_->Tables(), icoIndex) && lastIconLineWidth > 0 && icoHeight > 0) {
            TBitmap column(lastIconLineWidth, icoHeight, pf32bit);
            TsBackgroundSource backdrop{background.get(), extraLine + sbw, sbw, TransparentKey, true};
            PaintSkinSection(icoIndex, icoLine, backdrop, 0, RECT{0, 0, lastIconLineWidth, icoHeight}, POINT{0, 0}, column,
                             manager_);
            CopyBitmapRect(background->Canvas().Handle(), extraLine + sbw, sbw, lastIconLineWidth, icoHeight, column, 0, 0);
        }

        int maskIndex = manager_->GetMaskIndex(menuIndex, "MAINMENU", "BORDERSMASK");
        if (IsValidMaskIndex(manager_->Tables(), maskIndex)) {
            TsBackgroundSource behind{background.get(), 0, 0, TransparentKey, true};
            DrawBordersMask(*background, all, behind, manager_->Tables().Masks[static_cast<size_t>(maskIndex)], 0, true);
        }

        if (extraLine > 0) PaintExtraLine(*background, height, request, firstItem);

        CornerRects.clear();
        if (IsValidMaskIndex(manager_->Tables(), maskIndex)) {
            const TsMaskData& mask = manager_->Tables().Masks[static_cast<size_t>(maskIndex)];
            int top = std::max<int>(mask.TopWidth, mask.CommonBorderWidth);
            int bottom = std::max<int>(mask.BottomWidth, mask.CommonBorderWidth);
            int stateHeight = MaskStateHeight(mask);
            CollectMaskHoles(mask, 0, top, 0, width, CornerRects);
            CollectMaskHoles(mask, stateHeight - bottom, bottom, height - bottom, width, CornerRects);
        }
        if (window != nullptr) PaintMenuBorder(window, background.get());
    }
    background->Canvas().Unlock();
    MenuBgCache().push_back(MenuBgRecord{firstItem, std::move(background), window, request.LineVisible});
}

void TsSkinableMenus::PaintMenuBorder(HWND window, TBitmap* background) {
    if (paintingBorder_ || background == nullptr || window == nullptr) return;
    paintingBorder_ = true;
    WPARAM hasRegion = static_cast<WPARAM>(kCmdHasRegion) << 16;
    if (SendMessage(window, SkinCommandMessage, hasRegion, 0) == 0) {
        SendMessage(window, SkinCommandMessage, static_cast<WPARAM>(kCmdSetRegion) << 16, 0);
        int width = background->Width();
        int height = background->Height();
        HRGN region = CreateRectRgn(0, 0, width, height);
        auto cut = [&](const RECT& r) {
            HRGN piece = CreateRectRgn(r.left, r.top, r.right, r.bottom);
            CombineRgn(region, region, piece, RGN_DIFF);
            DeleteObject(piece);
        };
        if (CornerRects.empty())
            cut(RECT{0, 0, 1, 1});
        else
            for (const RECT& r : CornerRects) cut(r);
        // The window owns the region from here on.
        SetWindowRgn(window, region, 1);
        HDC dc = GetWindowDC(window);
        if (dc != nullptr) {
            CopyBitmapRect(dc, 0, 0, kPopupFrame, height, *background, 0, 0);
            CopyBitmapRect(dc, 0, 0, width, kPopupFrame, *background, 0, 0);
            CopyBitmapRect(dc, width - kPopupFrame, 0, kPopupFrame, height, *background, width - kPopupFrame, 0);
            CopyBitmapRect(dc, 0, height - kPopupFrame, width, kPopupFrame, *background, 0, height - kPopupFrame);
            ReleaseDC(window, dc);
        }
    }
    paintingBorder_ = false;
}

// ---- Popup items

void TsSkinableMenus::CopyPopupBorders(HWND window, TBitmap& background, TMenuItem* item, RECT rect, int extraLine) {
    HDC dc = GetWindowDC(window);
    if (dc == nullptr) return;
    int bw = BorderWidth;
    int width = background.Width();
    int height = background.Height();
    int fc = IsInLaterColumn(*item) ? 0 : 1;
    if (IsFirstVisible(item)) {
        CopyBitmapRect(dc, 0, 0, width, bw, background, 0, 0);
        int left = extraLine * fc + std::max(GetSkinBorderWidth(), bw);
        CopyBitmapRect(dc, 0, 0, left, height, background, 0, 0);
    }
    if (IsLastVisible(item)) CopyBitmapRect(dc, 0, height - bw, width, bw, background, 0, height - bw);
    CopyBitmapRect(dc, width - bw, bw + rect.top, bw, rect.bottom - rect.top, background, width - bw, bw + rect.top);
    ReleaseDC(window, dc);
}

void TsSkinableMenus::DrawItem(TObject* sender, TCanvas& canvas, RECT rect, TOwnerDrawState state) {
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (item == nullptr || item->Parent() == nullptr || !Skinned()) return;
    int fc = IsInLaterColumn(*item) ? 0 : 1;

    canvas.Lock();
    HDC canvasDC = canvas.Handle();
    HWND window = WindowFromDC(canvasDC);
    int width, height;
    if (window != nullptr) {
        RECT bounds{};
        GetWindowRect(window, &bounds);
        width = bounds.right - bounds.left;
        height = bounds.bottom - bounds.top;
    } else {
        width = MenuWidth(canvas, item) + 2 * BorderWidth;
        height = MenuHeight(canvas, item) + 2 * BorderWidth;
    }
    TacMenuBgInfo info = GetMenuBgInfo(item, width, height, window);
    TBitmap* bg = info.Background;
    int extraLine = ExtraLineWidth(info);

    if (window != nullptr && bg != nullptr) {
        CopyPopupBorders(window, *bg, item, rect, extraLine);
    } else if (window == nullptr && Application != nullptr) {
        MSG pending{};
        HWND app = Application->Handle();
        if (!PeekMessage(&pending, app, kMenuBorderOfItemMessage, kMenuBorderOfWindowMessage, PM_NOREMOVE))
            PostMessage(app, kMenuBorderOfItemMessage, 0, reinterpret_cast<LPARAM>(item));
    }

    auto finish = [&] {
        if (item->OnDrawItem) item->OnDrawItem(item, canvas, rect, (state & odSelected) != 0);
        canvas.Unlock();
    };
    if (bg == nullptr) {
        finish();
        return;
    }
    if (item->IsLine()) {
        lastMenuItemType = smDivider;
        DrawDivider(canvas, rect, *bg, item, extraLine);
        finish();
        return;
    }
    if (IsCaptionItem(*item)) {
        lastMenuItemType = smCaption;
        DrawCaption(canvas, rect, *bg, item, extraLine);
        finish();
        return;
    }
    lastMenuItemType = smNormal;

    // The rest of a column below its last item, and the gap left of a column break.
    TMenuItem* next = NextSibling(item);
    int rectWidth = rect.right - rect.left;
    int rectHeight = rect.bottom - rect.top;
    if ((next != nullptr && next->Break() != mbNone) ||
        (next == nullptr && bg->Height() - 2 * kPopupFrame > rect.bottom))
        CopyBitmapRect(canvasDC, rect.left, rect.bottom, rectWidth, bg->Height() - 2 * kPopupFrame - rect.bottom, *bg,
                       rect.left + kPopupFrame, rect.bottom + kPopupFrame);
    if (item->Break() != mbNone)
        CopyBitmapRect(canvasDC, rect.left - 4, rect.top, 4, bg->Height() - 2 * kPopupFrame, *bg, rect.left - 1,
                       rect.top + kPopupFrame);

    int shift = extraLine * fc;
    auto itemBitmap = NewItemBitmap(rectWidth - shift, rectHeight);
    TBitmap& ib = *itemBitmap;
    int ibWidth = ib.Width();
    bool selected = item->Enabled() && (state & odSelected);
    bool hot = item->Enabled() && (state & (odSelected | odHotLight));
    int itemIndex = SectionIndexOf(*manager_, "MENUITEM");
    TsBackgroundSource behind{bg, shift + rect.left + kPopupFrame, rect.top + kPopupFrame, TransparentKey, true};
    if (IsValidSectionIndex(manager_->Tables(), itemIndex))
        PaintSkinSection(itemIndex, "MENUITEM", behind, selected ? 1 : 0, RECT{0, 0, ibWidth, rectHeight}, POINT{0, 0},
                         ib, manager_);
    else
        CopyBitmapRect(ib.Canvas().Handle(), 0, 0, ibWidth, rectHeight, *bg, behind.X, behind.Y);

    // Check mark of an item without a picture.
    const TMenu* menu = item->GetParentMenu();
    bool hasImage = menu != nullptr && menu->Images() != nullptr && item->ImageIndex() >= 0;
    if ((state & odChecked) && item->Bitmap().Empty() && !hasImage) {
        int checkIndex = manager_->FindOwnMaskIndex("GLOBALINFO", item->RadioItem() ? "RADIOCHECKED" : "CHECK");
        if (!IsValidMaskIndex(manager_->Tables(), checkIndex)) checkIndex = manager_->FindOwnMaskIndex("GLOBALINFO", "BOXCHECKED");
        if (IsValidMaskIndex(manager_->Tables(), checkIndex)) {
            const TsMaskData& mask = manager_->Tables().Masks[static_cast<size_t>(checkIndex)];
            TsBackgroundSource glyphBehind{&ib, 0, 0, TransparentKey, true};
            DrawMaskGlyph(ib, POINT{Margin, (rectHeight - MaskStateHeight(mask)) / 2}, selected ? 1 : 0, 1, mask, glyphBehind);
        }
    }

    // Picture: an image of the menu's list, the system menu's glyph, or the item's bitmap.
    SIZE glyph = GetGlyphSize(*item, false);
    auto checkedFrame = [&](RECT r) {
        int speedIndex = SectionIndexOf(*manager_, "SPEEDBUTTON_SMALL");
        if (!(state & odChecked) || !IsValidSectionIndex(manager_->Tables(), speedIndex)) return;
        InflateRect(&r, 1, 1);
        TsBackgroundSource frameBehind{&ib, 0, 0, TransparentKey, true};
        PaintSkinSection(speedIndex, "SPEEDBUTTON_SMALL", frameBehind, 2, r, POINT{r.left, r.top}, ib, manager_);
    };
    if (hasImage) {
        int top = (rectHeight - menu->Images()->Height()) / 2;
        checkedFrame(RECT{top, top, top + menu->Images()->Width(), top + menu->Images()->Height()});
        menu->Images()->Draw(ib.Canvas(), top, top, item->ImageIndex(), true);
    } else if (InSystemMenu(*item)) {
        if (const char* symbol = SystemMenuGlyph(static_cast<int>(item->Tag))) {
            ib.Canvas().Font().SetName("Webdings");
            ib.Canvas().Font().SetSize(10);
            int textHeight = ib.Canvas().TextHeight(symbol);
            int top = (rectHeight - textHeight) / 2;
            RECT r{4, top, textHeight + 14, top + textHeight};
            WriteSectionTextOnBitmap(ib, symbol, false, r, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX, itemIndex, hot, manager_);
        }
    } else if (!item->Bitmap().Empty()) {
        TBitmap& picture = item->Bitmap();
        int top = (rectHeight - picture.Height()) / 2;
        checkedFrame(RECT{top, top, top + picture.Width(), top + picture.Height()});
        if (picture.PixelFormat() == pf32bit) {
            TsBackgroundSource pictureBehind{&ib, 0, 0, TransparentKey, true};
            BlendAlphaRect(RECT{top, top, top + picture.Width(), top + picture.Height()},
                           RECT{0, 0, picture.Width(), picture.Height()}, ib, picture, pictureBehind, false);
        } else {
            ib.Canvas().Draw(top, top, &picture);
        }
    }

    // Caption and shortcut.
    UseMenuFont(ib.Canvas(), item, (state & odDefault) != 0);
    std::string caption = item->Caption();
    RECT textRect{glyph.cx + 2 * Margin + Spacing, 0, ibWidth, rectHeight};
    UINT format = DT_EXPANDTABS | DT_SINGLELINE | DT_VCENTER | DT_NOCLIP;
    if (!caption.empty() && caption.front() == '\x08') {
        caption = caption.substr(1) + "      ";
        format |= DT_RIGHT;
    } else {
        format |= Alignment == taRightJustify ? DT_RIGHT : Alignment == taCenter ? DT_CENTER : DT_LEFT;
    }
    if (state & odNoAccel) format |= DT_HIDEPREFIX;
    WriteSectionTextOnBitmap(ib, caption, false, textRect, format, itemIndex, hot, manager_);
    std::string shortcut = ShortCutToText(item->ShortCut());
    if (!shortcut.empty()) {
        int textWidth = ib.Canvas().TextWidth(shortcut);
        int right = rectWidth - 8 - shift;
        RECT r{right - textWidth, 0, right, rectHeight};
        WriteSectionTextOnBitmap(ib, shortcut, false, r, DT_VCENTER | DT_SINGLELINE, itemIndex, hot, manager_);
    }

    if (OnDrawItem) OnDrawItem(item, ib.Canvas(), RECT{0, 0, ibWidth, rectHeight}, state, lastMenuItemType);

    if (!item->Enabled())
        BlendKeyedRect(ib, 0, 0, *bg, RECT{shift + BorderWidth + rect.left, BorderWidth + rect.top,
                                           shift + BorderWidth + rect.left + ibWidth, BorderWidth + rect.top + rectHeight},
                       0.4, TransparentKey);
    CopyBitmapRect(canvasDC, shift + rect.left, rect.top, ibWidth, rectHeight, ib, 0, 0);
    if (item->Parent()->Items(0) == item && shift > 0)
        CopyBitmapRect(canvasDC, 0, 0, shift, bg->Height(), *bg, kPopupFrame, kPopupFrame);
    itemBitmap.reset();
    finish();
}

void TsSkinableMenus::DrawDivider(TCanvas& canvas, RECT rect, TBitmap& background, TMenuItem* item, int extraLine) {
    (void)item;
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int from = extraLine + Margin + Spacing;
    if (from < extraLine + lastIconLineWidth) from = extraLine + lastIconLineWidth + 2;
    int to = width - Margin;
    int dividerIndex = SectionIndexOf(*manager_, "DIVIDERV");
    int maskIndex = IsValidSectionIndex(manager_->Tables(), dividerIndex)
                        ? manager_->GetMaskIndex(dividerIndex, "DIVIDERV", "BORDERSMASK")
                        : -1;
    if (IsValidMaskIndex(manager_->Tables(), maskIndex) && to > from && height > 0) {
        TBitmap line(width, height, pf32bit);
        CopyBitmapRect(line.Canvas().Handle(), 0, 0, width, height, background, rect.left + kPopupFrame, rect.top + kPopupFrame);
        TsBackgroundSource behind{&line, 0, 0, TransparentKey, true};
        DrawBordersMask(line, RECT{from, 0, to, height}, behind, manager_->Tables().Masks[static_cast<size_t>(maskIndex)], 0,
                        true);
        CopyBitmapRect(canvas.Handle(), rect.left, rect.top, width, height, line, 0, 0);
        return;
    }
    CopyBitmapRect(canvas.Handle(), rect.left, rect.top, width, height, background, rect.left + kPopupFrame,
                   rect.top + kPopupFrame);
    if (to <= from) return;
    TColor colour = static_cast<TColor>(manager_->SkinData().BorderColor);
    if (static_cast<std::uint32_t>(colour) == TransparentKey) colour = clBtnShadow;
    canvas.Pen().SetColor(colour);
    canvas.Pen().SetWidth(1);
    canvas.MoveTo(rect.left + from, rect.top);
    canvas.LineTo(rect.left + to, rect.top);
}

void TsSkinableMenus::DrawCaption(TCanvas& canvas, RECT rect, TBitmap& background, TMenuItem* item, int extraLine) {
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;
    TBitmap heading(width, height, pf32bit);
    HDC dc = heading.Canvas().Handle();
    CopyBitmapRect(dc, 0, 0, width, height, background, rect.left + kPopupFrame, rect.top + kPopupFrame);
    if (extraLine > 0) CopyBitmapRect(dc, 0, 0, extraLine + 1, height, background, kPopupFrame, rect.top + kPopupFrame);
    std::string section = SectionExists(*manager_, "MENUCAPTION") ? "MENUCAPTION" : "TOOLBAR";
    int sectionIndex = SectionIndexOf(*manager_, section);
    if (IsValidSectionIndex(manager_->Tables(), sectionIndex) && width - 1 > extraLine + 1 && height > 2) {
        TsBackgroundSource behind{&background, extraLine + rect.left + 4, rect.top + 4, TransparentKey, true};
        PaintSkinSection(sectionIndex, section, behind, 0, RECT{extraLine + 1, 1, width - 1, height - 1},
                         POINT{-(extraLine + 1), -1}, heading, manager_);
    }
    heading.Canvas().Font().Assign(*captionFont_);
    WriteSectionTextOnBitmap(heading, FirstDashWord(item->Caption()), false, RECT{extraLine, 0, width, height},
                             DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_HIDEPREFIX, sectionIndex, false, manager_);
    CopyBitmapRect(canvas.Handle(), rect.left, rect.top, width, height, heading, 0, 0);
}

// ---- Menu-line items

void TsSkinableMenus::MeasureMenuLineItem(TObject* sender, TCanvas& canvas, int& width, int& height) {
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (item == nullptr) return;
    height = GetSystemMetrics(SM_CYMENU) - 1;
    UseMenuFont(canvas, item, item->Default());
    width = canvas.TextWidth(WithoutAmpersands(item->Caption()));
    const TMenu* menu = item->GetParentMenu();
    if (menu != nullptr && menu->Images() != nullptr && item->ImageIndex() >= 0)
        width += menu->Images()->Width() + 6;
    else if (!item->Bitmap().Empty())
        width += item->Bitmap().Width() + 6;
}

void TsSkinableMenus::DrawMenuLineItem(TObject* sender, TCanvas& canvas, RECT rect, TOwnerDrawState state) {
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (item == nullptr || !Skinned()) return;
    const TMenu* menu = item->GetParentMenu();
    HWND window = menu != nullptr ? menu->WindowHandle() : nullptr;
    if (window == nullptr || !IsWindow(window)) return;
    auto* provider = reinterpret_cast<TsSkinProvider*>(
        SendMessage(window, SkinCommandMessage, static_cast<WPARAM>(scGetProvider) << 16, 0));
    if (provider == nullptr || provider->MenuLineImage() == nullptr) return;
    TBitmap& line = *provider->MenuLineImage();

    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;
    // On the window's own DC the rectangle is in window coordinates and the line image starts
    // where the menu bar lies; on the provider's line picture it is in the line's coordinates.
    int offsetX = rect.left;
    int offsetY = rect.top;
    if (WindowFromDC(canvas.Handle()) == window) {
        RECT bar = win::MenuBarRect(window);
        offsetX -= bar.left;
        offsetY -= bar.top;
    }

    TBitmap ib(width, height, pf32bit);
    bool hot = item->Enabled() && (state & (odSelected | odHotLight));
    int itemIndex = SectionIndexOf(*manager_, "MENUITEM");
    TsBackgroundSource behind{&line, offsetX, offsetY, TransparentKey, true};
    if (IsValidSectionIndex(manager_->Tables(), itemIndex))
        PaintSkinSection(itemIndex, "MENUITEM", behind, hot ? 1 : 0, RECT{0, 0, width, height}, POINT{0, 0}, ib, manager_);
    else
        CopyBitmapRect(ib.Canvas().Handle(), 0, 0, width, height, line, offsetX, offsetY);

    RECT glyphRect{0, 0, 0, height};
    bool hasImage = menu->Images() != nullptr && item->ImageIndex() >= 0;
    if (!item->Bitmap().Empty()) {
        TBitmap& picture = item->Bitmap();
        int top = item->Enabled() ? (height - picture.Height()) / 2 : 1;
        ib.Canvas().Draw(3, top, &picture);
        glyphRect = RECT{3, top, 3 + picture.Width() + 3, height};
    } else if (hasImage) {
        int top = (height - menu->Images()->Height()) / 2;
        menu->Images()->Draw(ib.Canvas(), 3, top, item->ImageIndex(), true);
        glyphRect = RECT{3, top, 3 + menu->Images()->Width() + 3, height};
    }
    int glyphColumn = glyphRect.right > 0 ? glyphRect.right - 3 : 0;

    RECT textRect{2 + glyphColumn, 0, width - 2 * Margin + 2, height};
    UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS | DT_NOCLIP;
    if (state & odNoAccel) format |= DT_HIDEPREFIX;
    UseMenuFont(ib.Canvas(), item, (state & odDefault) != 0);
    WriteSectionTextOnBitmap(ib, item->Caption(), false, textRect, format, SectionIndexOf(*manager_, "MENULINE"), hot,
                             manager_);

    if (OnDrawItem) OnDrawItem(item, ib.Canvas(), glyphRect, state, smTopLine);
    if (!item->Enabled()) BlendRectAt(ib, line, 102, RECT{offsetX, offsetY, offsetX + width, offsetY + height}, POINT{0, 0});
    CopyBitmapRect(canvas.Handle(), rect.left, rect.top, width, height, ib, 0, 0);
}

// ---- The form's menu line

void PaintSkinnedMenuLine(TsSkinManager& manager, HWND window, TBitmap& frameImage, TBitmap& lineImage) {
    HMENU bar = GetMenu(window);
    RECT band = win::MenuBarRect(window);
    int width = band.right - band.left;
    int height = band.bottom - band.top;
    if (bar == nullptr || width <= 0 || height <= 0) return;
    int lineIndex = GetSectionIndex(&manager, "MENULINE");
    lineImage.SetPixelFormat(pf32bit);
    lineImage.SetSize(width, height);
    CopyPixels32(lineImage, 0, 0, frameImage, band.left, band.top, width, height);
    if (IsValidSectionIndex(manager.Tables(), lineIndex)) {
        TsBackgroundSource behind{&frameImage, band.left, band.top, TransparentKey, true};
        PaintSkinSection(lineIndex, "MENULINE", behind, 0, RECT{0, 0, width, height}, POINT{0, 0}, lineImage, &manager);
    }

    // The items are drawn onto a copy of the line, then the whole line goes into the frame.
    TBitmap work(width, height, pf32bit);
    CopyPixels32(work, 0, 0, lineImage, 0, 0, width, height);
    std::vector<RECT> items = win::MenuBarItemRects(window, band);
    TCanvas& canvas = work.Canvas();
    for (std::size_t i = 0; i < items.size(); ++i) {
        UINT id = GetMenuItemID(bar, static_cast<int>(i));
        HMENU sub = GetSubMenu(bar, static_cast<int>(i));
        TMenuItem* item = sub != nullptr ? TMenuItem::FromHandle(sub) : TMenuItem::FromCommand(id);
        if (item == nullptr) continue;
        UINT flags = GetMenuState(bar, static_cast<UINT>(i), MF_BYPOSITION);
        TOwnerDrawState state = 0;
        if (flags & MF_HILITE) state |= odSelected;
        if (flags & (MF_GRAYED | MF_DISABLED)) state |= odGrayed | odDisabled;
        RECT local = items[i];
        OffsetRect(&local, -band.left, -band.top);
        canvas.Lock();
        item->DrawItem(canvas, local, state);
        canvas.Unlock();
    }
    CopyPixels32(frameImage, band.left, band.top, work, 0, 0, width, height);
}

}  // namespace parch
