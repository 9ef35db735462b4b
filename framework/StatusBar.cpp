#include "framework/StatusBar.h"

#include <vector>

#include "framework/ControlInternals.h"
#include "framework/PropertyText.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/win/StatusBarClass.h"
#include "platform/win/WinApi.h"

namespace parch {

namespace statusbar {

// The window's text of a panel: a tab before the text centres it, two put it on the right.
std::string AlignedPanelText(const std::string& text, TAlignment alignment) {
    switch (alignment) {
        case taCenter: return "\t" + text;
        case taRightJustify: return "\t\t" + text;
        default: return text;
    }
}

WPARAM PanelDrawType(const TStatusPanel& panel) {
    WPARAM type = 0;
    if (panel.Bevel() == pbNone) type |= SBT_NOBORDERS;
    if (panel.Bevel() == pbRaised) type |= SBT_POPOUT;
    if (panel.Style() == psOwnerDraw) type |= SBT_OWNERDRAW;
    return type;
}

}  // namespace statusbar

// ---- TStatusPanel

TStatusPanel::TStatusPanel(TCollection* collection) : TCollectionItem(collection) {}

void TStatusPanel::SetText(const std::string& value) {
    if (value == text_) return;
    text_ = value;
    Changed(false);
}

void TStatusPanel::SetWidth(int value) {
    if (value == width_) return;
    width_ = std::max(value, 0);
    Changed(true);
}

void TStatusPanel::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel value) {
    if (value == bevel_) return;
    bevel_ = value;
    Changed(false);
}

void TStatusPanel::SetStyle(TStatusPanelStyle value) {
    if (value == style_) return;
    style_ = value;
    Changed(false);
}

void TStatusPanel::Assign(const TPersistent* source) {
    auto* other = dynamic_cast<const TStatusPanel*>(source);
    if (!other) return TCollectionItem::Assign(source);
    text_ = other->text_;
    width_ = other->width_;
    alignment_ = other->alignment_;
    bevel_ = other->bevel_;
    style_ = other->style_;
    Changed(true);
}

// ---- TStatusPanels

TStatusPanels::TStatusPanels(TStatusBar* statusBar)
    : TCollection(ItemClass<TStatusPanel>(), statusBar), statusBar_(statusBar) {}

TStatusPanel* TStatusPanels::Add() {
    TUpdateGuard held(*this);
    return static_cast<TStatusPanel*>(TCollection::Add());
}

TStatusPanel* TStatusPanels::Insert(int index) {
    TUpdateGuard held(*this);
    return static_cast<TStatusPanel*>(TCollection::Insert(index));
}

void TStatusPanels::Update(TCollectionItem* item) {
    if (item)
        statusBar_->UpdatePanel(item->Index());
    else
        statusBar_->UpdatePanels();
}

// ---- TStatusBar

TStatusBar::TStatusBar(TComponent* owner)
    : TWinControl(owner), panels_(std::make_unique<TStatusPanels>(this)), canvas_(std::make_unique<TCanvas>()) {
    SetControlStyle(csCaptureMouse | csClickEvents | csDoubleClicks | csOpaque);
    SetColor(clBtnFace);
    SetParentColor(false);
    StoreBounds(0, 0, 150, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() {
    // The panels go before the window; their removal must not reach a half-destroyed bar.
    panels_->BeginUpdate();
    panels_.reset();
}

void TStatusBar::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, STATUSCLASSNAME);
    // The framework places the bar (Align), not the window class.
    params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (sizeGrip_) params.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessage(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 0);
    UpdatePanels();
    UpdateSimpleText();
    if (simplePanel_) SendMessage(Handle(), SB_SIMPLE, 1, 0);
}

void TStatusBar::UpdatePanels() {
    if (!panels_ || !HandleAllocated()) return;
    // A panel that is still being made (or unmade) is not one yet.
    std::vector<TStatusPanel*> panels;
    for (int i = 0; i < panels_->Count(); ++i)
        if (auto* panel = dynamic_cast<TStatusPanel*>(panels_->TCollection::Items(i))) panels.push_back(panel);
    std::vector<int> rights;
    int right = 0;
    for (std::size_t i = 0; i < panels.size() && i < static_cast<std::size_t>(kStatusBarMaxParts); ++i) {
        right += panels[i]->Width();
        rights.push_back(i + 1 == panels.size() ? -1 : right);
    }
    if (rights.empty()) rights.push_back(-1);
    SendMessage(Handle(), SB_SETPARTS, rights.size(), reinterpret_cast<LPARAM>(rights.data()));
    for (int i = 0; i < static_cast<int>(panels.size()) && i < kStatusBarMaxParts; ++i) UpdatePanel(i);
}

void TStatusBar::UpdatePanel(int index) {
    if (!panels_ || !HandleAllocated() || index < 0 || index >= panels_->Count() || index >= kStatusBarMaxParts) return;
    auto* panel = dynamic_cast<TStatusPanel*>(panels_->TCollection::Items(index));
    if (!panel) return;
    const std::string text = statusbar::AlignedPanelText(panel->Text(), panel->Alignment());
    const WPARAM type = statusbar::PanelDrawType(*panel);
    // An owner-drawn part carries its panel's index as its value.
    const LPARAM value = panel->Style() == psOwnerDraw ? static_cast<LPARAM>(index) : reinterpret_cast<LPARAM>(text.c_str());
    SendMessage(Handle(), SB_SETTEXTA, static_cast<WPARAM>(index) | type, value);
}

void TStatusBar::UpdateSimpleText() {
    if (HandleAllocated())
        SendMessage(Handle(), SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
}

void TStatusBar::SetSimplePanel(bool value) {
    if (value == simplePanel_) return;
    simplePanel_ = value;
    if (HandleAllocated()) SendMessage(Handle(), SB_SIMPLE, value ? 1 : 0, 0);
}

void TStatusBar::SetSimpleText(const std::string& value) {
    if (value == simpleText_) return;
    simpleText_ = value;
    UpdateSimpleText();
}

void TStatusBar::SetSizeGrip(bool value) {
    if (value == sizeGrip_) return;
    sizeGrip_ = value;
    RecreateWnd();
}

RECT TStatusBar::PanelRect(int index) {
    RECT r{};
    if (index < 0 || index >= panels_->Count()) return r;
    if (!SendMessage(Handle(), SB_GETRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r))) return RECT{};
    return r;
}

void TStatusBar::DrawPanel(TStatusPanel* panel, const RECT& rect) {
    if (OnDrawPanel) {
        OnDrawPanel(this, panel, rect);
        return;
    }
    canvas_->FillRect(rect);
}

void TStatusBar::DrawItemMessage(TMessage& message) {
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
    const auto index = static_cast<int>(item.itemID);
    message.Result = 1;
    if (index < 0 || index >= panels_->Count()) return;
    const int saved = SaveDC(item.hDC);
    PaintOnCanvas(*canvas_, item.hDC, Font(), [&] {
        canvas_->Brush().SetColor(Color());
        DrawPanel(panels_->Items(index), item.rcItem);
    });
    RestoreDC(item.hDC, saved);
}

void TStatusBar::Dispatch(TMessage& message) {
    switch (message.Msg) {
        case CN_DRAWITEM:
            DrawItemMessage(message);
            return;
        case CM_FONTCHANGED:
            if (HandleAllocated()) SendMessage(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 1);
            TWinControl::Dispatch(message);
            return;
        case WM_SIZE:
            // The last panel and the grip follow the right edge.
            TWinControl::Dispatch(message);
            if (HandleAllocated()) InvalidateRect(Handle(), nullptr, 1);
            return;
        default:
            TWinControl::Dispatch(message);
    }
}

void TStatusBar::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "SimplePanel")) return SetSimplePanel(PropertyBool(name, value));
    if (SameText(name, "SimpleText")) return SetSimpleText(value);
    if (SameText(name, "SizeGrip")) return SetSizeGrip(PropertyBool(name, value));
    TWinControl::SetPropertyText(name, value);
}

void TStatusBar::SetEvent(const std::string& name, const std::any& handler) {
    if (SameText(name, "OnDrawPanel")) return AssignEvent(OnDrawPanel, name, handler);
    TWinControl::SetEvent(name, handler);
}

}  // namespace parch
