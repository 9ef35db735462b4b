#include "framework/PageControl.h"

#include <algorithm>

#include "framework/ControlInternals.h"
#include "framework/PropertyText.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Rects.h"
#include "platform/win/CommonControls.h"
#include "platform/win/TabControlClass.h"
#include "platform/win/WinApi.h"

namespace parch {

namespace pagecontrol {

bool IsEmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

void SendFont(TWinControl& control) {
    if (control.HandleAllocated())
        SendMessage(control.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(control.Font().Handle()), 1);
}

}  // namespace pagecontrol

int TabRowFromRect(TTabPosition position, int rowCount, const RECT& tab, const RECT& tabsArea) {
    if (rowCount < 2 || pagecontrol::IsEmptyRect(tab)) return 1;
    const int w = tab.right - tab.left;
    const int h = tab.bottom - tab.top;
    int row = 1;
    switch (position) {
        case tpTop: row = (h / 2 + tab.bottom) / h; break;
        case tpLeft: row = (w / 2 + tab.right) / w; break;
        case tpRight: row = rowCount - (tab.right + w / 2 - tabsArea.left) / w + 1; break;
        case tpBottom: row = rowCount - (tab.bottom + h / 2 - tabsArea.top) / h + 1; break;
    }
    return std::clamp(row, 1, rowCount);
}

// ---- TCustomTabControl

TCustomTabControl::TCustomTabControl(TComponent* owner)
    : TWinControl(owner), images_(*this, [this] { ImageListChange(); }), canvas_(std::make_unique<TCanvas>()) {
    SetControlStyle(csDoubleClicks | csOpaque);
    SetTabStop(true);
    SetColor(clBtnFace);
    SetParentColor(false);
    StoreBounds(0, 0, 289, 193);
}

TCustomTabControl::~TCustomTabControl() = default;

void TCustomTabControl::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, "SysTabControl32");
    params.Style |= WS_CLIPCHILDREN;
    static constexpr DWORD kPosition[] = {0, TCS_BOTTOM, TCS_VERTICAL, TCS_VERTICAL | TCS_RIGHT};
    static constexpr DWORD kStyle[] = {TCS_TABS, TCS_BUTTONS, TCS_BUTTONS | TCS_FLATBUTTONS};
    params.Style |= kPosition[static_cast<int>(tabPosition_)] | kStyle[static_cast<int>(style_)];
    if (multiLine_) params.Style |= TCS_MULTILINE;
    if (hotTrack_) params.Style |= TCS_HOTTRACK;
    if (ownerDraw_) params.Style |= TCS_OWNERDRAWFIXED;
}

void TCustomTabControl::CreateWnd() {
    TWinControl::CreateWnd();
    pagecontrol::SendFont(*this);
    SendMessage(Handle(), TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.Handle()));
    ApplyTabSize();
    SendTabsToWindow();
    Realign();
}

void TCustomTabControl::DestroyWnd() {
    if (HandleAllocated()) savedTabIndex_ = TabIndex();
    TWinControl::DestroyWnd();
}

int TCustomTabControl::TabIndex() {
    if (!HandleAllocated()) return savedTabIndex_;
    return static_cast<int>(SendMessage(Handle(), TCM_GETCURSEL, 0, 0));
}

void TCustomTabControl::SetTabIndex(int value) {
    if (value < -1 || value >= TabCount()) value = -1;
    savedTabIndex_ = value;
    if (HandleAllocated()) SendMessage(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(value), 0);
}

void TCustomTabControl::SetTabs(std::vector<std::string> captions) {
    int index = TabIndex();
    tabs_ = std::move(captions);
    savedTabIndex_ = index < TabCount() ? index : -1;
    if (HandleAllocated()) {
        SendTabsToWindow();
        Realign();
    }
}

void TCustomTabControl::SetTabCaption(int index, const std::string& caption) {
    if (index < 0 || index >= TabCount()) return;
    tabs_[static_cast<std::size_t>(index)] = caption;
    if (!HandleAllocated()) return;
    TCITEMA item;
    item.mask = TCIF_TEXT;
    item.pszText = tabs_[static_cast<std::size_t>(index)].data();
    SendMessage(Handle(), TCM_SETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    Realign();
}

void TCustomTabControl::SendTabsToWindow() {
    HWND hwnd = Handle();
    SendMessage(hwnd, TCM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < TabCount(); ++i) {
        TCITEMA item;
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = tabs_[static_cast<std::size_t>(i)].data();
        item.iImage = GetImageIndex(i);
        SendMessage(hwnd, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    if (savedTabIndex_ >= 0 && savedTabIndex_ < TabCount())
        SendMessage(hwnd, TCM_SETCURSEL, static_cast<WPARAM>(savedTabIndex_), 0);
}

void TCustomTabControl::UpdateTabImages() {
    if (!HandleAllocated()) return;
    for (int i = 0; i < TabCount(); ++i) {
        TCITEMA item;
        item.mask = TCIF_IMAGE;
        item.iImage = GetImageIndex(i);
        SendMessage(Handle(), TCM_SETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
}

int TCustomTabControl::GetImageIndex(int tabIndex) {
    int imageIndex = tabIndex;
    if (OnGetImageIndex) OnGetImageIndex(this, tabIndex, imageIndex);
    return imageIndex;
}

void TCustomTabControl::SetImages(TCustomImageList* images) {
    if (images_.Set(images)) ImageListChange();
}

void TCustomTabControl::ImageListChange() {
    if (!HandleAllocated()) return;
    SendMessage(Handle(), TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.Handle()));
    UpdateTabImages();
    Realign();
}

void TCustomTabControl::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    // A freed list left its link already; the window must not keep drawing from it.
    if (operation == TOperation::opRemove && !images_.List() && HandleAllocated() &&
        SendMessage(Handle(), TCM_GETIMAGELIST, 0, 0))
        ImageListChange();
}

void TCustomTabControl::ApplyTabSize() {
    if (HandleAllocated())
        SendMessage(Handle(), TCM_SETITEMSIZE, 0, MAKELONG(static_cast<WORD>(tabWidth_), static_cast<WORD>(tabHeight_)));
}

void TCustomTabControl::SetTabPosition(TTabPosition value) {
    if (value == tabPosition_) return;
    tabPosition_ = value;
    RecreateWnd();
}

void TCustomTabControl::SetStyle(TTabStyle value) {
    if (value == style_) return;
    style_ = value;
    RecreateWnd();
}

void TCustomTabControl::SetMultiLine(bool value) {
    if (value == multiLine_) return;
    multiLine_ = value;
    RecreateWnd();
}

void TCustomTabControl::SetHotTrack(bool value) {
    if (value == hotTrack_) return;
    hotTrack_ = value;
    RecreateWnd();
}

void TCustomTabControl::SetOwnerDraw(bool value) {
    if (value == ownerDraw_) return;
    ownerDraw_ = value;
    RecreateWnd();
}

void TCustomTabControl::SetTabHeight(int value) {
    tabHeight_ = std::clamp(value, 0, 0x7FFF);
    ApplyTabSize();
    if (HandleAllocated()) Realign();
}

void TCustomTabControl::SetTabWidth(int value) {
    tabWidth_ = std::clamp(value, 0, 0x7FFF);
    ApplyTabSize();
    if (HandleAllocated()) Realign();
}

RECT TCustomTabControl::TabRect(int index) {
    RECT r{};
    if (index < 0 || index >= TabCount()) return r;
    if (!SendMessage(Handle(), TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r))) return RECT{};
    return r;
}

int TCustomTabControl::IndexOfTabAt(int x, int y) {
    TCHITTESTINFO info;
    info.pt = POINT{x, y};
    return static_cast<int>(SendMessage(Handle(), TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
}

int TCustomTabControl::RowCount() {
    return static_cast<int>(SendMessage(Handle(), TCM_GETROWCOUNT, 0, 0));
}

RECT TCustomTabControl::DisplayRect() {
    RECT r = TWinControl::ClientRect();
    if (HandleAllocated()) SendMessage(Handle(), TCM_ADJUSTRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r;
}

int TCustomTabControl::TabRow(int index) {
    const RECT client = TWinControl::ClientRect();
    const RECT display = DisplayRect();
    // The strip: the part of the client area on the tabs' side of the display area.
    RECT strip = client;
    switch (tabPosition_) {
        case tpTop: strip.bottom = display.top; break;
        case tpBottom: strip.top = display.bottom; break;
        case tpLeft: strip.right = display.left; break;
        case tpRight: strip.left = display.right; break;
    }
    return TabRowFromRect(tabPosition_, RowCount(), TabRect(index), strip);
}

void TCustomTabControl::AdjustClientRect(RECT& rect) {
    TWinControl::AdjustClientRect(rect);
    if (HandleAllocated()) SendMessage(Handle(), TCM_ADJUSTRECT, 0, reinterpret_cast<LPARAM>(&rect));
}

bool TCustomTabControl::CanChange() {
    bool allowChange = true;
    if (OnChanging) OnChanging(this, allowChange);
    return allowChange;
}

void TCustomTabControl::Change() {
    if (OnChange) OnChange(this);
}

void TCustomTabControl::DrawTab(int tabIndex, const RECT& rect, bool active) {
    if (OnDrawTab) {
        OnDrawTab(this, tabIndex, rect, active);
        return;
    }
    canvas_->FillRect(rect);
}

void TCustomTabControl::DrawItemMessage(TMessage& message) {
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
    const int saved = SaveDC(item.hDC);
    PaintOnCanvas(*canvas_, item.hDC, Font(), [&] {
        canvas_->Brush().SetColor(Color());
        DrawTab(static_cast<int>(item.itemID), item.rcItem, (item.itemState & ODS_SELECTED) != 0);
    });
    RestoreDC(item.hDC, saved);
    message.Result = 1;
}

void TCustomTabControl::Dispatch(TMessage& message) {
    switch (message.Msg) {
        case CN_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(message.LParam);
            if (header && header->code == TCN_SELCHANGING) message.Result = CanChange() ? 0 : 1;
            else if (header && header->code == TCN_SELCHANGE) Change();
            return;
        }
        case CN_DRAWITEM:
            DrawItemMessage(message);
            return;
        case CM_FONTCHANGED:
            pagecontrol::SendFont(*this);
            TWinControl::Dispatch(message);
            Realign();
            return;
        case WM_SIZE:
            TWinControl::Dispatch(message);
            Realign();
            return;
        default:
            TWinControl::Dispatch(message);
    }
}

void TCustomTabControl::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "TabIndex")) return SetTabIndex(PropertyInt(name, value));
    if (SameText(name, "MultiLine")) return SetMultiLine(PropertyBool(name, value));
    if (SameText(name, "HotTrack")) return SetHotTrack(PropertyBool(name, value));
    if (SameText(name, "OwnerDraw")) return SetOwnerDraw(PropertyBool(name, value));
    if (SameText(name, "TabHeight")) return SetTabHeight(PropertyInt(name, value));
    if (SameText(name, "TabWidth")) return SetTabWidth(PropertyInt(name, value));
    if (SameText(name, "TabPosition"))
        return SetTabPosition(PropertyEnum<TTabPosition>(
            name, value, {{"tpTop", tpTop}, {"tpBottom", tpBottom}, {"tpLeft", tpLeft}, {"tpRight", tpRight}}));
    if (SameText(name, "Style"))
        return SetStyle(PropertyEnum<TTabStyle>(
            name, value, {{"tsTabs", tsTabs}, {"tsButtons", tsButtons}, {"tsFlatButtons", tsFlatButtons}}));
    TWinControl::SetPropertyText(name, value);
}

void TCustomTabControl::SetEvent(const std::string& name, const std::any& handler) {
    if (SameText(name, "OnChange")) return AssignEvent(OnChange, name, handler);
    if (SameText(name, "OnChanging")) return AssignEvent(OnChanging, name, handler);
    if (SameText(name, "OnDrawTab")) return AssignEvent(OnDrawTab, name, handler);
    if (SameText(name, "OnGetImageIndex")) return AssignEvent(OnGetImageIndex, name, handler);
    TWinControl::SetEvent(name, handler);
}

// ---- TTabControl

TTabControl::TTabControl(TComponent* owner) : TCustomTabControl(owner), tabList_(std::make_unique<TStringList>()) {
    tabList_->OnChange = [this](TObject*) {
        std::vector<std::string> captions;
        for (int i = 0; i < tabList_->Count(); ++i) captions.push_back(tabList_->Strings(i));
        SetTabs(std::move(captions));
    };
}

TTabControl::~TTabControl() {
    tabList_->OnChange = nullptr;
}

void TTabControl::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Tabs.Text")) return tabList_->SetText(value);
    TCustomTabControl::SetPropertyText(name, value);
}

// ---- TTabSheet

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(csAcceptsControls | csClickEvents | csDoubleClicks | csSetCaption);
    SetAlign(alClient);
    SetVisible(false);
    SetColor(clBtnFace);
    SetParentColor(true);
}

TTabSheet::~TTabSheet() {
    if (pageControl_) pageControl_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
    SetParent(pageControl);
}

void TTabSheet::SetParent(TWinControl* parent) {
    auto* pageControl = dynamic_cast<TPageControl*>(parent);
    if (pageControl_ && pageControl_ != pageControl) pageControl_->RemovePage(this);
    TWinControl::SetParent(parent);
    if (pageControl && pageControl_ != pageControl) pageControl->InsertPage(this);
}

int TTabSheet::PageIndex() const {
    if (!pageControl_) return -1;
    const auto& pages = pageControl_->pages_;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int value) {
    if (pageControl_) pageControl_->MovePage(this, value);
}

int TTabSheet::TabIndex() const {
    if (!pageControl_ || !tabVisible_) return -1;
    int index = 0;
    for (TTabSheet* page : pageControl_->pages_) {
        if (page == this) return index;
        if (page->tabVisible_) ++index;
    }
    return -1;
}

void TTabSheet::SetTabVisible(bool value) {
    if (value == tabVisible_) return;
    tabVisible_ = value;
    if (pageControl_) pageControl_->PagesChanged();
}

void TTabSheet::SetImageIndex(int value) {
    if (value == imageIndex_) return;
    imageIndex_ = value;
    if (pageControl_) pageControl_->UpdateTabImages();
}

void TTabSheet::SetText(const std::string& text) {
    TWinControl::SetText(text);
    if (pageControl_ && TabIndex() >= 0) pageControl_->SetTabCaption(TabIndex(), text);
}

void TTabSheet::Dispatch(TMessage& message) {
    TWinControl::Dispatch(message);
    if (message.Msg != CM_SHOWINGCHANGED) return;
    const TNotifyEvent& event = Showing() ? OnShow : OnHide;
    if (event) event(this);
}

void TTabSheet::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "TabVisible")) return SetTabVisible(PropertyBool(name, value));
    if (SameText(name, "ImageIndex")) return SetImageIndex(PropertyInt(name, value));
    if (SameText(name, "PageIndex")) return SetPageIndex(PropertyInt(name, value));
    TWinControl::SetPropertyText(name, value);
}

// ---- TPageControl

TPageControl::TPageControl(TComponent* owner) : TCustomTabControl(owner) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
}

TPageControl::~TPageControl() {
    // The pages go with the window's children after this part is gone: they must not call back.
    for (TTabSheet* page : pages_) page->pageControl_ = nullptr;
    pages_.clear();
    activePage_ = nullptr;
}

void TPageControl::InsertPage(TTabSheet* page) {
    pages_.push_back(page);
    page->pageControl_ = this;
    PagesChanged();
    // The first page with a tab shows until another is chosen.
    if (!activePage_ && page->tabVisible_) SetActivePage(page);
}

void TPageControl::RemovePage(TTabSheet* page) {
    TTabSheet* next = nullptr;
    if (page == activePage_) {
        next = FindNextPage(page, true, true);
        if (next == page) next = nullptr;
    }
    std::erase(pages_, page);
    page->pageControl_ = nullptr;
    if (page == activePage_) activePage_ = nullptr;
    PagesChanged();
    if (next) SetActivePage(next);
}

void TPageControl::MovePage(TTabSheet* page, int index) {
    auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it == pages_.end()) return;
    pages_.erase(it);
    index = std::clamp(index, 0, PageCount());
    pages_.insert(pages_.begin() + index, page);
    PagesChanged();
}

void TPageControl::PagesChanged() {
    std::vector<std::string> captions;
    for (TTabSheet* page : pages_)
        if (page->tabVisible_) captions.push_back(page->Caption());
    SetTabs(std::move(captions));
    UpdateActivePage();
}

TTabSheet* TPageControl::PageForTab(int tabIndex) const {
    if (tabIndex < 0) return nullptr;
    int index = 0;
    for (TTabSheet* page : pages_) {
        if (!page->tabVisible_) continue;
        if (index++ == tabIndex) return page;
    }
    return nullptr;
}

int TPageControl::GetImageIndex(int tabIndex) {
    TTabSheet* page = PageForTab(tabIndex);
    int imageIndex = page ? page->ImageIndex() : -1;
    if (OnGetImageIndex) OnGetImageIndex(this, tabIndex, imageIndex);
    return imageIndex;
}

void TPageControl::ChangeActivePage(TTabSheet* page) {
    if (page == activePage_) return;
    TTabSheet* previous = activePage_;
    // Focus inside the page that goes moves to the page control.
    if (previous && previous->HandleAllocated() && HandleAllocated() && IsChild(previous->Handle(), GetFocus()) &&
        CanFocus())
        SetFocus();
    activePage_ = page;
    if (page) {
        page->BringToFront();
        page->SetVisible(true);
    }
    if (previous) previous->SetVisible(false);
    // A sheet hidden while the control changed size takes the display area as it shows.
    Realign();
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->PageControl() != this) return;
    ChangeActivePage(page);
    UpdateActivePage();
}

void TPageControl::SetActivePageIndex(int value) {
    SetActivePage(value >= 0 && value < PageCount() ? Pages(value) : nullptr);
}

void TPageControl::UpdateActivePage() {
    TCustomTabControl::SetTabIndex(activePage_ ? activePage_->TabIndex() : -1);
}

void TPageControl::SetTabIndex(int value) {
    TCustomTabControl::SetTabIndex(value);
    ChangeActivePage(PageForTab(TabIndex()));
}

void TPageControl::Change() {
    ChangeActivePage(PageForTab(TabIndex()));
    TCustomTabControl::Change();
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const {
    const int count = PageCount();
    if (count == 0) return nullptr;
    auto it = std::find(pages_.begin(), pages_.end(), current);
    int start = it == pages_.end() ? (goForward ? count - 1 : 0) : static_cast<int>(it - pages_.begin());
    int i = start;
    for (int step = 0; step < count; ++step) {
        i = goForward ? (i + 1) % count : (i + count - 1) % count;
        TTabSheet* page = pages_[static_cast<std::size_t>(i)];
        if (!checkTabVisible || page->TabVisible()) return page;
    }
    return nullptr;
}

void TPageControl::SelectNextPage(bool goForward, bool checkTabVisible) {
    TTabSheet* page = FindNextPage(activePage_, goForward, checkTabVisible);
    if (!page || page == activePage_ || !CanChange()) return;
    SetActivePage(page);
    TCustomTabControl::Change();
}

void TPageControl::CreateWnd() {
    TCustomTabControl::CreateWnd();
    UpdateActivePage();
}

void TPageControl::Loaded() {
    TCustomTabControl::Loaded();
    if (!activePage_ && PageCount() > 0) SetActivePage(FindNextPage(nullptr, true, true));
}

void TPageControl::Dispatch(TMessage& message) {
    if (message.Msg == CM_DIALOGKEY && message.WParam == VK_TAB && (KeyboardShiftState() & ssCtrl) &&
        HandleAllocated() && (Focused() || IsChild(Handle(), GetFocus()))) {
        SelectNextPage(!(KeyboardShiftState() & ssShift));
        message.Result = 1;
        return;
    }
    TCustomTabControl::Dispatch(message);
}

}  // namespace parch
