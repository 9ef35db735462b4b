#include "skin/frames/sSkinProvider.h"

#include <algorithm>

#include "base/Exceptions.h"
#include "platform/win/Focus.h"
#include "platform/win/Messages.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinTables.h"
#include "skin/engine/sSkinnedForms.h"
#include "skin/frames/sSystemMenu.h"

namespace parch {

namespace {

constexpr int kProviderControlKind = 224;
constexpr UINT kProviderScContextHelp = 0xF180;
constexpr int kProviderDefaultButtonSize = 21;

POINT ProviderPointOf(LPARAM lParam) {
    return POINT{static_cast<short>(lParam & 0xFFFF), static_cast<short>((lParam >> 16) & 0xFFFF)};
}

DWORD ProviderStyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongPtr(window, GWL_STYLE)); }

bool ProviderIsButtonCode(int code) {
    return code == HTMINBUTTON || code == HTMAXBUTTON || code == HTCLOSE || code == HTHELP ||
           code >= kUserTitleButtonHitBase;
}

bool ProviderContains(const RECT& rect, POINT point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

}  // namespace

// ---- Title buttons

TsTitleButton::TsTitleButton() : name_("TsTitleButton") {
    glyph_.OnChange = [this] { GlyphChanged(); };
}

TsTitleButton::~TsTitleButton() { Button.Animation.reset(); }

void TsTitleButton::SetGlyph(TBitmap* value) {
    glyph_.Assign(value);
    GlyphChanged();
}

// The hover pictures hold the old glyph: they are made again on the next hover.
void TsTitleButton::GlyphChanged() { Button.Animation.reset(); }

void TsTitleButton::AssignTo(TsTitleButton& dest) const {
    dest.Enabled = Enabled;
    dest.SetGlyph(const_cast<TBitmap*>(&glyph_));
    dest.Hint = Hint;
    dest.SetName(name_);
    dest.UseSkinData = UseSkinData;
    dest.OnMouseDown = OnMouseDown;
    dest.OnMouseUp = OnMouseUp;
}

void TsTitleButton::SetVisible(bool value) {
    if (visible_ == value) return;
    visible_ = value;
    if (provider_) provider_->RedrawFrameNow();
}

void TsTitleButton::DoMouseDown(int x, int y) {
    if (OnMouseDown) OnMouseDown(*this, x, y);
}

void TsTitleButton::DoMouseUp(int x, int y) {
    if (OnMouseUp) OnMouseUp(*this, x, y);
}

// ---- Added title

TacAddedTitle::TacAddedTitle(TsSkinProvider* provider) : provider_(provider) { font_.SetColor(clNone); }

void TacAddedTitle::SetFont(const TFont& value) {
    font_.Assign(value);
    Repaint();
}

void TacAddedTitle::SetText(const std::string& value) {
    if (text_ == value) return;
    text_ = value;
    Repaint();
}

void TacAddedTitle::SetShowMainCaption(bool value) {
    if (showMainCaption_ == value) return;
    showMainCaption_ = value;
    Repaint();
}

void TacAddedTitle::Repaint() {
    if (provider_ && !(provider_->ComponentState() & csLoading)) provider_->RedrawFrameNow();
}

TsTitleButton& TsTitleButtons::Add() {
    items_.push_back(std::make_unique<TsTitleButton>());
    items_.back()->provider_ = provider_;
    return *items_.back();
}

// ---- Frame measures

int GetFrameWidth(HWND window) {
    DWORD style = ProviderStyleOf(window);
    if (style & WS_THICKFRAME) return GetSystemMetrics(SM_CXFRAME);
    if (style & WS_BORDER) return GetSystemMetrics(SM_CXDLGFRAME);
    return 0;
}

int GetSysCaptionHeight(const TCustomForm& form) {
    bool toolWindow = form.BorderStyle() == bsToolWindow || form.BorderStyle() == bsSizeToolWin;
    return GetSystemMetrics(toolWindow && form.WindowState() != wsMinimized ? SM_CYSMCAPTION : SM_CYCAPTION);
}

int IconSizeForCaption(int height) {
    if (height <= 8) return 1;
    return height <= 16 ? 8 : 16;
}

// ---- Construction and destruction

TsSkinProvider::TsSkinProvider(TComponent* owner) : TComponent(nullptr) {
    form_ = dynamic_cast<TCustomForm*>(owner);
    if (!form_) throw EAbort("TsSkinProvider component may be used with forms only!");
    auto* existing = reinterpret_cast<TsSkinProvider*>(form_->Perform(SkinCommandMessage, static_cast<WPARAM>(scGetProvider) << 16, 0));
    if (existing && existing->runTimeCreated_)
        delete existing;
    else if (existing)
        passive_ = true;
    owner->InsertComponent(this);

    skinData_ = std::make_unique<TsCommonData>(this, true);
    skinData_->SetSkinSection("FORM");
    skinData_->ControlKind = kProviderControlKind;
    if (passive_) return;

    link_ = form_->WindowProcChain().Join(
        [this](TMessage& message, const TWndMethod& inherited) { FormWndProc(message, inherited); });
    AddSkinnedForm(form_);
    registered_ = true;
    PrepareForm();
}

TsSkinProvider* TsSkinProvider::CreateRunTime(TCustomForm* form) {
    auto* provider = new TsSkinProvider(form);
    provider->runTimeCreated_ = true;
    return provider;
}

TsSkinProvider::~TsSkinProvider() {
    if (pressedCode_ != 0 && form_->HandleAllocated() && GetCapture() == form_->Handle()) {
        pressedCode_ = 0;
        ReleaseCapture();
    }
    if (drag_.Dragging && form_->HandleAllocated()) EndBorderDrag(false);
    StopButtonAnimations();
    link_.Leave();
    if (registered_) RemoveSkinnedForm(form_);
    if (!(form_->ComponentState() & csDestroying)) {
        if (systemMenuRemoved_) UpdateSysMenuStyle(false);
        if (!passive_) DropRegion();
    }
}

// ---- Window procedure

bool TsSkinProvider::IsSkinnedNow() const {
    return !(form_->ComponentState() & csDestroying) && skinData_->IsSkinned(true);
}

bool TsSkinProvider::OwnManager(const TMessage& message) const {
    auto* manager = reinterpret_cast<TsSkinManager*>(message.LParam);
    return manager == nullptr || manager == skinData_->GetSkinManager();
}

void TsSkinProvider::FormWndProc(TMessage& message, const TWndMethod& inherited) {
    TakePendingIndexes();
    if (message.Msg == SkinCommandMessage && HandleSkinCommand(message)) return;
    if (!IsSkinnedNow() || !drawNonClientArea_) {
        inherited(message);
        return;
    }
    switch (message.Msg) {
        case WM_CREATE:
            inherited(message);
            PrepareForm();
            return;
        case WM_NCPAINT:
            if (regionChanged_ && !settingRegion_) RefreshRegion();
            PaintFrameToWindow();
            firstPainted_ = true;
            message.Result = 0;
            return;
        case WM_NCACTIVATE:
            activeLook_ = message.WParam != 0;
            skinData_->BackgroundDirty = true;
            inherited(message);
            PaintFrameToWindow();
            return;
        case WM_SETTEXT:
        case WM_SIZE:
            inherited(message);
            skinData_->BackgroundDirty = true;
            if (message.Msg == WM_SIZE) {
                regionChanged_ = true;
                // A new size or state changes the shape now, not only at the next frame paint.
                if (!settingRegion_) RefreshRegion();
            }
            if (message.Msg == WM_SETTEXT) PaintFrameToWindow();
            return;
        case WM_NCHITTEST: {
            int code = HitTest(ProviderPointOf(message.LParam));
            if (code == HTNOWHERE || code == HTCLIENT || code == HTCAPTION || code == HTMENU) {
                inherited(message);
                return;
            }
            message.Result = code;
            return;
        }
        default:
            if (HandleSizing(message, inherited)) return;
            if (HandleMenuMessage(message, inherited)) return;
            if (HandleMouse(message, inherited)) return;
            inherited(message);
    }
}

bool TsSkinProvider::HandleSkinCommand(TMessage& message) {
    int command = static_cast<int>(message.WParam >> 16);
    switch (command) {
        case scGetProvider:
            message.Result = reinterpret_cast<LRESULT>(this);
            return true;
        case scIsSkinned:
            message.Result = 1;
            return true;
        case 36:
            message.Result = skinData_->StateFlags;
            return true;
        case 61:
            message.Result = static_cast<LRESULT>((ClientOffsetX() & 0xFFFF) | ((ClientOffsetY() & 0xFFFF) << 16));
            return true;
        case scSkinLoaded:
            if (!OwnManager(message)) return true;
            parch::HandleSkinCommand(message, skinData_.get());
            ApplyLoadedSkin();
            return true;
        case scSkinRemoved:
            if (!OwnManager(message)) return true;
            CancelPress();
            EndBorderDrag(false);
            parch::HandleSkinCommand(message, skinData_.get());
            StopButtonAnimations();
            if (!(form_->ComponentState() & csDestroying)) {
                UpdateSysMenuStyle(false);
                HookFormMenus(false);
                DropRegion();
            }
            hotCode_ = -1;
            return true;
        default:
            if (!IsSkinnedNow()) return false;
            parch::HandleSkinCommand(message, skinData_.get());
            return true;
    }
}

void TsSkinProvider::PrepareForm() {
    if (passive_ || runTimeCreated_ || !form_->HandleAllocated()) return;
    TsSkinManager* manager = skinData_->GetSkinManager();
    if (!manager || !manager->Active() || !manager->SkinData().SkinActive) return;
    skinData_->Loaded();
    skinData_->UpdateIndexes();
    if (!skinData_->IsSkinned(true)) return;
    UpdateSysMenuStyle(true);
    UpdateButtonImages();
    regionChanged_ = true;
    HookFormMenus(true);
    // A form already on screen shows its skinned frame at once.
    if (form_->Showing()) RedrawFrameNow();
}

void TsSkinProvider::TakePendingIndexes() {
    if (!indexesPending_) return;
    TsSkinManager* manager = skinData_->GetSkinManager();
    if (!manager || !manager->SkinData().SkinActive) return;
    indexesPending_ = false;
    skinData_->UpdateIndexes();
    skinData_->BackgroundDirty = true;
    HookFormMenus(true);
}

// The manager sends the new skin before it marks it active: the form takes its sections and
// leaves the caption buttons to the provider now, and is painted when the manager repaints.
void TsSkinProvider::ApplyLoadedSkin() {
    if (passive_ || (form_->ComponentState() & csDestroying)) return;
    TsSkinManager* manager = skinData_->GetSkinManager();
    if (!manager || !manager->Active()) return;
    if (!IsValidSectionIndex(manager->Tables(), GetSectionIndex(manager, skinData_->SkinSection()))) return;
    // The skin data takes its indexes once the manager marks the skin active.
    indexesPending_ = true;
    regionChanged_ = true;
    StopButtonAnimations();
    UpdateSysMenuStyle(true);
    UpdateButtonImages();
    hotCode_ = -1;
    skinData_->BackgroundDirty = true;
    RedrawFrameNow();
}

void TsSkinProvider::UpdateSysMenuStyle(bool on) {
    if (!form_->HandleAllocated()) return;
    HWND window = form_->Handle();
    DWORD style = ProviderStyleOf(window);
    if (on && ((style & WS_SYSMENU) || systemMenuRemoved_)) {
        DWORD wanted = drawNonClientArea_ ? (style & ~WS_SYSMENU) : (style | WS_SYSMENU);
        if (wanted != style) SetWindowLongPtr(window, GWL_STYLE, static_cast<LONG_PTR>(wanted));
        systemMenuRemoved_ = true;
    } else if (!on && systemMenuRemoved_) {
        SetWindowLongPtr(window, GWL_STYLE, static_cast<LONG_PTR>(style | WS_SYSMENU));
        systemMenuRemoved_ = false;
    }
}

void TsSkinProvider::RedrawFrameNow() { RepaintButtons(); }

// ---- Frame measures of the form

bool TsSkinProvider::HasBorder() const {
    if (form_->BorderStyle() != bsNone || form_->FormStyle() == fsMDIChild) return true;
    return form_->HandleAllocated() && (ProviderStyleOf(form_->Handle()) & WS_CHILD);
}

int TsSkinProvider::CaptionHeight() const {
    if (!form_->HandleAllocated()) return 0;
    bool minimized = form_->WindowState() == wsMinimized;
    if (!minimized && (!HasBorder() || (ProviderStyleOf(form_->Handle()) & WS_CAPTION) != WS_CAPTION)) return 0;
    return GetSysCaptionHeight(*form_);
}

int TsSkinProvider::ClientOffsetX() const {
    if (!form_->HandleAllocated()) return 0;
    RECT client{};
    GetClientRect(form_->Handle(), &client);
    return (form_->Width() - client.right) / 2;
}

int TsSkinProvider::ClientOffsetY() const {
    if (!form_->HandleAllocated()) return 0;
    RECT client{};
    GetClientRect(form_->Handle(), &client);
    int frame = (ProviderStyleOf(form_->Handle()) & WS_BORDER) ? GetFrameWidth(form_->Handle()) : 0;
    return form_->Height() - client.bottom - frame;
}

// ---- Title icon

void TsSkinProvider::SetShowAppIcon(bool value) {
    if (showAppIcon_ == value) return;
    showAppIcon_ = value;
    skinData_->BackgroundDirty = true;
    if (form_->HandleAllocated() && form_->Visible()) SendMessage(form_->Handle(), WM_NCPAINT, 1, 0);
}

bool TsSkinProvider::ShowsIcon() const {
    bool style = form_->BorderStyle() == bsSingle || form_->BorderStyle() == bsSizeable;
    return style && showAppIcon_ && (form_->BorderIcons() & biSystemMenu);
}

int TsSkinProvider::IconWidth() const {
    if (!ShowsIcon()) return 0;
    return titleIcon_.Width != 0 ? titleIcon_.Width : IconSizeForCaption(CaptionHeight());
}

int TsSkinProvider::IconHeight() const {
    if (!ShowsIcon()) return 0;
    return titleIcon_.Height != 0 ? titleIcon_.Height : IconSizeForCaption(CaptionHeight());
}

RECT TsSkinProvider::IconRect() const {
    if (!form_->HandleAllocated()) return RECT{};
    TsSkinManager* manager = skinData_->GetSkinManager();
    int frame = GetFrameWidth(form_->Handle());
    RECT rect{};
    rect.left = frame + (manager ? manager->SkinData().BILeft : 0);
    rect.right = rect.left + IconWidth();
    rect.top = frame / 2 - 1;
    rect.top += (frame + CaptionHeight() - rect.top - IconHeight()) / 2;
    rect.bottom = rect.top + IconHeight();
    return rect;
}

// ---- What the system menu allows

bool TsSkinProvider::VisibleClose() const { return const_cast<TsSkinProvider*>(this)->SystemMenu().VisibleClose(); }
bool TsSkinProvider::VisibleMax() const { return const_cast<TsSkinProvider*>(this)->SystemMenu().VisibleMax(); }
bool TsSkinProvider::VisibleMin() const { return const_cast<TsSkinProvider*>(this)->SystemMenu().VisibleMin(); }
bool TsSkinProvider::EnabledMax() const { return const_cast<TsSkinProvider*>(this)->SystemMenu().EnabledMax(); }
bool TsSkinProvider::EnabledMin() const { return const_cast<TsSkinProvider*>(this)->SystemMenu().EnabledMin(); }
bool TsSkinProvider::EnabledRestore() const { return const_cast<TsSkinProvider*>(this)->SystemMenu().EnabledRestore(); }

// ---- Layout of the title buttons

bool TsSkinProvider::HasBigButtons() const {
    return form_->BorderStyle() == bsSingle || form_->BorderStyle() == bsSizeable;
}

void TsSkinProvider::UpdateButtonImages() {
    TsSkinManager* manager = skinData_->GetSkinManager();
    if (!manager || manager->ConstData().GlobalInfo < 0) return;
    int global = manager->ConstData().GlobalInfo;
    auto image = [&](const char* name) { return manager->GetMaskIndex(global, "GLOBALINFO", name); };
    buttons_.Min.HitCode = HTMINBUTTON;
    buttons_.Max.HitCode = HTMAXBUTTON;
    buttons_.Close.HitCode = HTCLOSE;
    buttons_.Help.HitCode = HTHELP;
    bool big = HasBigButtons();
    if (big) {
        buttons_.Min.ImageIndex = image("BICONMIN");
        buttons_.Max.ImageIndex = image("BICONMAX");
        bool closeAlone = !VisibleMax() || !(form_->BorderIcons() & biSystemMenu);
        buttons_.Close.ImageIndex = closeAlone ? image("BICLOSEALONE") : -1;
        if (!IsValidMaskIndex(manager->Tables(), buttons_.Close.ImageIndex)) buttons_.Close.ImageIndex = image("BICONCLOSE");
        buttons_.Help.ImageIndex = image("BICONHELP");
    } else {
        buttons_.Close.ImageIndex = image("SICONCLOSE");
        buttons_.Min.ImageIndex = image("SICONMIN");
        buttons_.Max.ImageIndex = image("SICONMAX");
        buttons_.Help.ImageIndex = image("SICONHELP");
        if (!IsValidMaskIndex(manager->Tables(), buttons_.Help.ImageIndex)) buttons_.Help.ImageIndex = image("BICONHELP");
    }
    buttons_.Min.Aligned = buttons_.Max.Aligned = buttons_.Close.Aligned = big;
    buttons_.Help.Aligned = false;
    if (!IsValidMaskIndex(manager->Tables(), buttons_.Close.ImageIndex)) {
        buttons_.Close.ImageIndex = image("BICONCLOSE");
        buttons_.Min.ImageIndex = image("BICONMIN");
        buttons_.Max.ImageIndex = image("BICONMAX");
        buttons_.Help.ImageIndex = image("BICONHELP");
        buttons_.Min.Aligned = buttons_.Max.Aligned = buttons_.Close.Aligned = buttons_.Help.Aligned = true;
    }
    int userImage = image("TITLEBUTTON");
    for (int i = 0; i < titleButtons_.Count(); ++i) {
        TsTitleButton& user = titleButtons_.Items(i);
        user.Button.ImageIndex = user.UseSkinData ? userImage : -1;
    }
}

int TsSkinProvider::ButtonWidth(const TsTitleButtonRecord& button) const {
    TsSkinManager* manager = skinData_->GetSkinManager();
    if (!manager || !IsValidMaskIndex(manager->Tables(), button.ImageIndex)) return kProviderDefaultButtonSize;
    return MaskFrameWidth(manager->Tables().Masks[static_cast<size_t>(button.ImageIndex)]);
}

int TsSkinProvider::ButtonHeight() const {
    TsSkinManager* manager = skinData_->GetSkinManager();
    if (!manager || !IsValidMaskIndex(manager->Tables(), buttons_.Close.ImageIndex)) return kProviderDefaultButtonSize;
    return MaskStateHeight(manager->Tables().Masks[static_cast<size_t>(buttons_.Close.ImageIndex)]);
}

void TsSkinProvider::PlaceButton(TsTitleButtonRecord& button, int& right, int width) {
    TsSkinManager* manager = skinData_->GetSkinManager();
    const TsSkinData& skin = manager->SkinData();
    bool maximized = form_->WindowState() == wsMaximized;
    int height = ButtonHeight();
    int top;
    if (!button.Aligned || skin.BIVerticalAlign != 1) {
        top = (GetFrameWidth(form_->Handle()) + CaptionHeight() - height) / 2;
        if (HasBigButtons() && height < 16) top += 2;
    } else {
        top = maximized ? 3 : 0;
    }
    button.Rect = RECT{right - width, top, right, top + height};
    right = button.Rect.left - (HasBigButtons() ? skin.BISpace : 0);
}

void TsSkinProvider::LayOutTitleButtons() {
    for (auto* button : {&buttons_.Close, &buttons_.Max, &buttons_.Min, &buttons_.Help}) button->Rect = RECT{};
    TsSkinManager* manager = skinData_->GetSkinManager();
    if (!manager || !form_->HandleAllocated() || !HasBorder()) return;
    UpdateButtonImages();
    const TsSkinTables& tables = manager->Tables();
    int right = form_->Width() - manager->SkinData().BIRight - GetFrameWidth(form_->Handle());
    if (systemMenuRemoved_) {
        auto place = [&](TsTitleButtonRecord& button) {
            if (IsValidMaskIndex(tables, button.ImageIndex)) PlaceButton(button, right, ButtonWidth(button));
        };
        place(buttons_.Close);
        if (VisibleMax()) place(buttons_.Max);
        if (VisibleMin()) place(buttons_.Min);
        if (form_->BorderIcons() & biHelp) {
            right -= 6;
            place(buttons_.Help);
        }
    }
    right -= 8;
    for (int i = 0; i < titleButtons_.Count(); ++i) {
        TsTitleButton& user = titleButtons_.Items(i);
        user.Button.HitCode = kUserTitleButtonHitBase + i;
        if (!user.Visible()) {
            user.Button.Rect = RECT{};
            continue;
        }
        PlaceButton(user.Button, right, ButtonWidth(user.Button));
    }
}

const TsTitleButtonRecord& TsSkinProvider::CaptionButton(int hitCode) const {
    switch (hitCode) {
        case HTMINBUTTON: return buttons_.Min;
        case HTMAXBUTTON: return buttons_.Max;
        case HTHELP: return buttons_.Help;
        default: return buttons_.Close;
    }
}

TsTitleButtonRecord* TsSkinProvider::ButtonByCode(int code) {
    switch (code) {
        case HTMINBUTTON: return &buttons_.Min;
        case HTMAXBUTTON: return &buttons_.Max;
        case HTCLOSE: return &buttons_.Close;
        case HTHELP: return &buttons_.Help;
        default: break;
    }
    int index = code - kUserTitleButtonHitBase;
    if (index >= 0 && index < titleButtons_.Count()) return &titleButtons_.Items(index).Button;
    return nullptr;
}

// ---- Hit-testing

POINT TsSkinProvider::ScreenToFrame(POINT screen) const {
    RECT window{};
    GetWindowRect(form_->Handle(), &window);
    return POINT{screen.x - window.left, screen.y - window.top};
}

// The 1-based position of the button under the point: the caption buttons in their order,
// then the visible user buttons; 0 for none.
int TsSkinProvider::ButtonAtPosition(POINT frame) const {
    int position = 0;
    if (systemMenuRemoved_) {
        auto test = [&](const TsTitleButtonRecord& button) {
            ++position;
            return ProviderContains(button.Rect, frame);
        };
        if (test(buttons_.Close)) return position;
        if (VisibleMax() && test(buttons_.Max)) return position;
        if (VisibleMin() && test(buttons_.Min)) return position;
        if ((form_->BorderIcons() & biHelp) && test(buttons_.Help)) return position;
    }
    for (int i = 0; i < titleButtons_.Count(); ++i) {
        ++position;
        const TsTitleButton& user = titleButtons_.Items(i);
        if (user.Visible() && ProviderContains(user.Button.Rect, frame)) return position;
    }
    return 0;
}

int TsSkinProvider::CodeForPosition(int position) const {
    if (position <= 0) return HTCLIENT;
    bool minimized = form_->WindowState() == wsMinimized;
    bool minShown = VisibleMin() || minimized;
    int captionPositions = 0;
    if (systemMenuRemoved_)
        captionPositions = 1 + (VisibleMax() ? 1 : 0) + (minShown ? 1 : 0) + ((form_->BorderIcons() & biHelp) ? 1 : 0);
    if (position > captionPositions) {
        int index = position - captionPositions - 1;
        if (index < titleButtons_.Count() && titleButtons_.Items(index).Enabled) return kUserTitleButtonHitBase + index;
        return HTCLIENT;
    }
    bool help = (form_->BorderIcons() & biHelp) != 0;
    switch (position) {
        case 1:
            return systemMenuRemoved_ ? HTCLOSE : HTCLIENT;
        case 2:
            if (VisibleMax()) {
                if (EnabledMax() || (EnabledRestore() && !minimized)) return HTMAXBUTTON;
                return HTCAPTION;
            }
            if (minShown) return EnabledMin() ? HTMINBUTTON : HTCAPTION;
            return help ? HTHELP : HTCLIENT;
        case 3:
            if (minShown) return (minimized || EnabledMin()) ? HTMINBUTTON : HTCAPTION;
            return help ? HTHELP : HTCLIENT;
        case 4:
            return help && VisibleMax() ? HTHELP : HTCLIENT;
        default:
            return HTCLIENT;
    }
}

int TsSkinProvider::ButtonCodeAt(POINT frame) {
    LayOutTitleButtons();
    int code = CodeForPosition(ButtonAtPosition(frame));
    return ProviderIsButtonCode(code) ? code : 0;
}

int TsSkinProvider::HitTest(POINT screen) {
    if (!form_->HandleAllocated()) return HTNOWHERE;
    POINT frame = ScreenToFrame(screen);
    LayOutTitleButtons();
    int code = CodeForPosition(ButtonAtPosition(frame));
    if (code != HTCLIENT) return code;

    HWND window = form_->Handle();
    int width = form_->Width();
    int height = form_->Height();
    if (form_->WindowState() != wsMaximized && (ProviderStyleOf(window) & WS_THICKFRAME)) {
        int border = GetFrameWidth(window);
        int sizing = 0;
        if (frame.y > height - border) sizing = HTBOTTOM;
        else if (frame.y < border) sizing = HTTOP;
        if (frame.x < border) sizing = sizing == HTBOTTOM ? HTBOTTOMLEFT : sizing == HTTOP ? HTTOPLEFT : HTLEFT;
        else if (frame.x > width - border)
            sizing = sizing == HTBOTTOM ? HTBOTTOMRIGHT : sizing == HTTOP ? HTTOPRIGHT : HTRIGHT;
        if (sizing != 0) return sizing;
    }
    int titleBottom = GetSysCaptionHeight(*form_) + GetFrameWidth(window);
    if (CaptionHeight() > 0 && frame.y >= 0 && frame.y < titleBottom)
        return ShowsIcon() && ProviderContains(IconRect(), frame) ? HTSYSMENU : HTCAPTION;
    return HTCLIENT;
}

// ---- Mouse on the title buttons

bool TsSkinProvider::HandleMouse(TMessage& message, const TWndMethod& inherited) {
    switch (message.Msg) {
        case WM_NCMOUSEMOVE: {
            int code = ButtonCodeAt(ScreenToFrame(ProviderPointOf(message.LParam)));
            SetHotButton(code);
            if (code != 0) return true;
            inherited(message);
            return true;
        }
        case WM_NCLBUTTONDOWN: {
            int code = static_cast<int>(message.WParam);
            if (!ProviderIsButtonCode(code)) {
                SetHotButton(0);
                return false;
            }
            PressButton(code);
            if (code >= kUserTitleButtonHitBase && pressedCode_ == code) {
                POINT frame = ScreenToFrame(ProviderPointOf(message.LParam));
                titleButtons_.Items(code - kUserTitleButtonHitBase).DoMouseDown(frame.x, frame.y);
            }
            return true;
        }
        case WM_NCLBUTTONUP:
        case WM_LBUTTONUP: {
            if (pressedCode_ == 0) return false;
            POINT screen = ProviderPointOf(message.LParam);
            if (message.Msg == WM_LBUTTONUP) screen = form_->ClientToScreen(screen);
            ReleaseButton(pressedCode_, screen);
            return true;
        }
        case WM_NCLBUTTONDBLCLK:
            if (message.WParam == static_cast<WPARAM>(HTSYSMENU)) {
                // A double click on the title icon closes the form, which may free it and this
                // provider: nothing may follow.
                message.Result = 0;
                form_->Close();
                return true;
            }
            if (message.WParam != static_cast<WPARAM>(HTCAPTION)) return false;
            DoubleClickCaption();
            message.Result = 0;
            return true;
        case WM_CAPTURECHANGED:
            if (!releasing_) CancelPress();
            return false;
        case WM_CANCELMODE:
            CancelPress();
            return false;
        case WM_MOUSEMOVE:
        case WM_MOUSELEAVE:
            // The mouse went into the client area or away: no title button is hot any more.
            if (pressedCode_ == 0) SetHotButton(0);
            return false;
        default:
            return false;
    }
}

void TsSkinProvider::SetHotButton(int code) {
    if (code == hotCode_ || (code == 0 && hotCode_ == -1)) return;
    int oldCode = hotCode_;
    bool oldChanged = false;
    if (TsTitleButtonRecord* old = ButtonByCode(oldCode); old && old->State != 2) {
        oldChanged = old->State != 0;
        old->State = 0;
    }
    hotCode_ = code;
    bool newChanged = false;
    if (pressedCode_ == 0)
        if (TsTitleButtonRecord* hot = ButtonByCode(code)) {
            newChanged = hot->State != 1;
            hot->State = 1;
        }
    if (!AnimatesButtons()) {
        RepaintButtons();
        return;
    }
    if (oldChanged) RepaintButton(oldCode);
    if (newChanged) RepaintButton(code);
}

void TsSkinProvider::RepaintButtons() {
    if (!form_->HandleAllocated() || !IsSkinnedNow()) return;
    skinData_->BackgroundDirty = true;
    PaintFrameToWindow();
}

void TsSkinProvider::PressButton(int code) {
    bool maximized = form_->WindowState() == wsMaximized;
    if (code == HTMAXBUTTON && !(EnabledMax() || (maximized && EnabledRestore()))) {
        hotCode_ = 0;
        return;
    }
    int oldCode = hotCode_;
    TsTitleButtonRecord* old = ButtonByCode(oldCode);
    if (old && oldCode != code) old->State = 0;
    hotCode_ = code;
    TsTitleButtonRecord* button = ButtonByCode(code);
    if (!button) return;
    button->State = 2;
    pressedCode_ = code;
    SetCapture(form_->Handle());
    if (!AnimatesButtons()) {
        RepaintButtons();
        return;
    }
    if (old && oldCode != code) RepaintButton(oldCode);
    RepaintButton(code);
}

void TsSkinProvider::CancelPress() {
    if (pressedCode_ == 0) return;
    int code = pressedCode_;
    if (TsTitleButtonRecord* button = ButtonByCode(code)) button->State = 0;
    pressedCode_ = 0;
    hotCode_ = 0;
    if (form_->HandleAllocated() && GetCapture() == form_->Handle()) {
        releasing_ = true;
        ReleaseCapture();
        releasing_ = false;
    }
    RepaintButton(code);
}

void TsSkinProvider::ReleaseButton(int code, POINT screen) {
    POINT frame = ScreenToFrame(screen);
    bool overPressed = ButtonCodeAt(frame) == code;
    CancelPress();
    if (!overPressed) return;
    bool maximized = form_->WindowState() == wsMaximized;
    bool minimized = form_->WindowState() == wsMinimized;
    switch (code) {
        case HTMINBUTTON:
            SendSysCommand(minimized ? SC_RESTORE : SC_MINIMIZE);
            return;
        case HTMAXBUTTON:
            if (maximized && EnabledRestore()) SendSysCommand(SC_RESTORE);
            else if (EnabledMax()) SendSysCommand(SC_MAXIMIZE);
            return;
        case HTCLOSE:
            SendSysCommand(SC_CLOSE);
            return;
        case HTHELP:
            SendSysCommand(kProviderScContextHelp);
            return;
        default:
            titleButtons_.Items(code - kUserTitleButtonHitBase).DoMouseUp(frame.x, frame.y);
    }
}

// Without WS_SYSMENU Windows would not maximize on a caption double click: the provider does.
void TsSkinProvider::DoubleClickCaption() {
    TWindowState state = form_->WindowState();
    bool canToggle = EnabledMax() || (state != wsNormal && EnabledRestore());
    if (systemMenuRemoved_ && canToggle)
        SendSysCommand(state == wsNormal ? SC_MAXIMIZE : SC_RESTORE);
    else if (state == wsMinimized)
        SendSysCommand(SC_RESTORE);
}

// The command may free the form and this provider with it: nothing may follow it.
void TsSkinProvider::SendSysCommand(UINT command) { SendMessage(form_->Handle(), WM_SYSCOMMAND, command, 0); }

}  // namespace parch
