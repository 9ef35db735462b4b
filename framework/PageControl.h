#pragma once
// Tabs over the "SysTabControl32" window class: TCustomTabControl keeps the tabs and the
// selection (a user's change is asked through OnChanging, which may refuse it, then told through
// OnChange); TTabControl holds plain tab texts, TPageControl one TTabSheet per tab and shows only
// the sheet of the selected tab. A single row that overflows scrolls with the window class's
// arrows.

#include <memory>
#include <string>
#include <vector>

#include "base/StringList.h"
#include "framework/CustomControls.h"
#include "framework/ImageListSlot.h"

namespace parch {

enum class TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
using enum TTabPosition;
enum class TTabStyle { tsTabs, tsButtons, tsFlatButtons };
using enum TTabStyle;

using TTabChangingEvent = std::function<void(TObject* sender, bool& allowChange)>;
using TDrawTabEvent = std::function<void(TObject* control, int tabIndex, const RECT& rect, bool active)>;
using TTabGetImageEvent = std::function<void(TObject* sender, int tabIndex, int& imageIndex)>;

// The row (1 nearest the client edge the tabs stand on) of a tab from its rectangle, the
// rectangle of the tab strip and the row count, for tabs on the given side. An empty rectangle
// (no such tab, or a window that answered nothing) is in row 1.
int TabRowFromRect(TTabPosition position, int rowCount, const RECT& tab, const RECT& tabsArea);

class TCustomTabControl : public TWinControl {
public:
    explicit TCustomTabControl(TComponent* owner);
    ~TCustomTabControl() override;

    // The selected tab, -1 for none. Setting it asks no one and tells no one.
    int TabIndex();
    virtual void SetTabIndex(int value);
    int TabCount() const { return static_cast<int>(tabs_.size()); }

    TTabPosition TabPosition() const { return tabPosition_; }
    void SetTabPosition(TTabPosition value);
    TTabStyle Style() const { return style_; }
    void SetStyle(TTabStyle value);
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool value);
    bool HotTrack() const { return hotTrack_; }
    void SetHotTrack(bool value);
    // Tabs drawn by OnDrawTab.
    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool value);
    // A fixed tab size; 0 lets the window size the tabs by their texts.
    int TabHeight() const { return tabHeight_; }
    void SetTabHeight(int value);
    int TabWidth() const { return tabWidth_; }
    void SetTabWidth(int value);

    // The pictures of the tabs (not owned; cleared when the list goes away).
    TCustomImageList* Images() const { return images_.List(); }
    void SetImages(TCustomImageList* images);

    // Client rectangle of a tab (empty when there is no such tab), the tab at a client point
    // (-1 for none), the rows the tabs take, and the part left to the content.
    RECT TabRect(int index);
    int IndexOfTabAt(int x, int y);
    int RowCount();
    RECT DisplayRect();
    // The row of a tab, 1 nearest the strip's outer edge as TabRowFromRect counts.
    int TabRow(int index);
    TCanvas& Canvas() { return *canvas_; }

    void AdjustClientRect(RECT& rect) override;
    void SetPropertyText(const std::string& name, const std::string& value) override;
    void SetEvent(const std::string& name, const std::any& handler) override;

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;
    TDrawTabEvent OnDrawTab;
    TTabGetImageEvent OnGetImageIndex;

protected:
    // Whether the selection may move away from the present tab.
    virtual bool CanChange();
    virtual void Change();
    virtual void DrawTab(int tabIndex, const RECT& rect, bool active);
    virtual int GetImageIndex(int tabIndex);
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Dispatch(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;

    // The tabs as the window shows them; derived classes say what they are.
    void SetTabs(std::vector<std::string> captions);
    void SetTabCaption(int index, const std::string& caption);
    // The pictures of every tab are read again.
    void UpdateTabImages();

private:
    void SendTabsToWindow();
    void ImageListChange();
    void ApplyTabSize();
    void DrawItemMessage(TMessage& message);

    std::vector<std::string> tabs_;
    int savedTabIndex_ = -1;
    TTabPosition tabPosition_ = tpTop;
    TTabStyle style_ = tsTabs;
    bool multiLine_ = false;
    bool hotTrack_ = false;
    bool ownerDraw_ = false;
    int tabHeight_ = 0;
    int tabWidth_ = 0;
    TImageListSlot images_;
    std::unique_ptr<TCanvas> canvas_;
};

// A tab control whose tabs are texts; the content under them is the caller's.
class TTabControl : public TCustomTabControl {
public:
    explicit TTabControl(TComponent* owner);
    ~TTabControl() override;
    TStrings& Tabs() { return *tabList_; }
    void SetPropertyText(const std::string& name, const std::string& value) override;

private:
    std::unique_ptr<TStringList> tabList_;
};

class TPageControl;

// One page of a page control: a container shown while its tab is the selected one.
class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return pageControl_; }
    // Moves the sheet into a page control (nullptr: out of its own), at the end.
    void SetPageControl(TPageControl* pageControl);
    // The position among the page control's pages; setting it moves the page.
    int PageIndex() const;
    void SetPageIndex(int value);
    // The position of its tab among the shown tabs; -1 while its tab is hidden.
    int TabIndex() const;
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    // A sheet placed on a page control becomes one of its pages.
    void SetParent(TWinControl* parent) override;
    void SetText(const std::string& text) override;
    void SetPropertyText(const std::string& name, const std::string& value) override;

    TNotifyEvent OnShow;
    TNotifyEvent OnHide;

protected:
    void Dispatch(TMessage& message) override;

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
    bool tabVisible_ = true;
    int imageIndex_ = -1;
};

class TPageControl : public TCustomTabControl {
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
    TTabSheet* ActivePage() const { return activePage_; }
    // Shows the page and selects its tab; nullptr hides every page. Nobody is asked or told.
    virtual void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const { return activePage_ ? activePage_->PageIndex() : -1; }
    void SetActivePageIndex(int value);
    // The page after (or before) current with, when checkTabVisible, a shown tab; wraps
    // around. nullptr without pages.
    TTabSheet* FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const;
    // Selects the next page as the user would: OnChanging may refuse, OnChange is told.
    void SelectNextPage(bool goForward, bool checkTabVisible = true);
    // The page of a shown tab; nullptr for none.
    TTabSheet* PageForTab(int tabIndex) const;
    void SetTabIndex(int value) override;

protected:
    // The active page changed: its tab becomes the selected one.
    virtual void UpdateActivePage();
    void Change() override;
    int GetImageIndex(int tabIndex) override;
    void CreateWnd() override;
    void Dispatch(TMessage& message) override;
    void Loaded() override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void MovePage(TTabSheet* page, int index);
    // The tabs follow the pages (after a page came, went, moved or changed its tab).
    void PagesChanged();
    void ChangeActivePage(TTabSheet* page);

    std::vector<TTabSheet*> pages_;
    TTabSheet* activePage_ = nullptr;
};

}  // namespace parch
