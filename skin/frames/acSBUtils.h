#pragma once
// Window adapters and skinned scroll bars. An adapter joins a window's subclass chain, keeps
// itself in the window property "ACSBSC", and draws the window from the skin; the scroll
// adapter takes over the window's two standard bars: it reserves their room in the non-client
// area, paints them from the skin's sections and operates them (arrows with auto-repeat, page
// areas, thumb drags, hover) by sending WM_HSCROLL and WM_VSCROLL as the system would. Range
// and position stay in the window's own scroll data.
#include <cstdint>
#include <memory>
#include <string>
#include "framework/WindowProcChain.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/WinUser.h"

namespace parch {

class TsSkinManager;
class TsCommonData;
class TBitmap;
class TWinControl;

// Name of the window property that holds a window's adapter.
inline constexpr const char* kAdapterProperty = "ACSBSC";

// Skin commands the adapters send and answer.
inline constexpr int kCmdSkinLoaded = 1;
inline constexpr int kCmdSkinRemoved = 2;
inline constexpr int kCmdRefresh = 3;
inline constexpr int kCmdIsSkinned = 7;
inline constexpr int kCmdBeforeScroll = 51;
inline constexpr int kCmdAfterScroll = 52;

// Timer identifiers taken from the adapted window's timer space.
inline constexpr UINT_PTR kHoverTimerId = 0xFFF2;
inline constexpr UINT_PTR kRepeatDelayTimerId = 0xFFFD;
inline constexpr UINT_PTR kRepeatTimerId = 0xFFFE;
inline constexpr UINT kHoverCheckMs = 20;
inline constexpr UINT kRepeatDelayMs = 300;
inline constexpr UINT kRepeatMs = 55;

// Parts of a bar, numbered as the scroll requests they make.
inline constexpr int kPartNone = -1;
inline constexpr int kPartFirstArrow = 0;
inline constexpr int kPartSecondArrow = 1;
inline constexpr int kPartPageBefore = 2;
inline constexpr int kPartPageAfter = 3;
inline constexpr int kPartThumb = 5;

class TacScrollWnd;

// One of the two bars of an adapted window.
struct TacScrollBar {
    std::uint16_t flags = 0;  // 8 when the window's style has this bar
    bool shown = false;       // the bar occupies non-client room now
    SCROLLINFO info;
    int ownArrowLength = -1;  // >= 0 used as it is; -k means k times the default
    int ownThickness = -1;
    int barKind = SB_HORZ;
    int minThumbLength = 10;
    TacScrollWnd* owner = nullptr;
};

// Which 0: arrow length; Which 1: thickness. With useSkin the skin's larger arrow image may
// lengthen the arrows. A bar kind other than horizontal or vertical gives 0.
int GetScrollBarMetric(const TacScrollBar& bar, int which, bool useSkin, const TsSkinManager* manager);

// Where the parts of one bar lie along it. Painting and hit-testing both use this, so the part
// found under a pixel is always the part painted there.
struct TacBarGeometry {
    int length = 0;         // along the bar
    int firstArrow = 0;     // pixels of the first arrow from the start
    int secondArrow = 0;    // pixels of the second arrow at the end
    int thumbStart = 0;     // from the bar's start
    int thumbLength = 0;    // 0: no thumb
    int Track() const { return length - firstArrow - secondArrow; }
    int FreeTrack() const { return Track() - thumbLength; }
    bool HasThumb() const { return thumbLength > 0; }
};

// The layout of a bar of the given length with arrows of arrowLength: arrows that do not fit
// share the bar in halves and leave no thumb; a thumb that would fill the whole track (or a
// range that is empty) is not shown, and neither is one of a disabled bar.
TacBarGeometry GetBarGeometry(const SCROLLINFO& info, int length, int arrowLength, int minThumbLength, bool enabled);

// The part at offset along the bar (-1 outside it, and on the track when there is no thumb).
int ScrollPartAt(const TacBarGeometry& geometry, int offset);

// The position a thumb dragged to thumbOffset (from the track's start) stands for: the first
// position at the start, the last one (nMax - max(nPage, 1) + 1) at the end, linear between.
int ThumbDragPosition(const SCROLLINFO& info, const TacBarGeometry& geometry, int thumbOffset);

// Sends one scroll request to the window as the system would, between skin commands 51 and 52.
// A window answering 51 with 1 gets the full 32-bit position in LParam.
void SendScrollCommand(HWND wnd, UINT msg, int code, int pos);

// The state of the one bar interaction that can run at a time, over every adapter.
struct TacScrollTracking {
    HWND trackedWindow = nullptr;
    int pressedBar = -1;
    int clickedPart = kPartNone;
    int pressedPart = kPartNone;
    UINT scrollMessage = 0;
    UINT_PTR repeatTimer = 0;
    int hoverBar = -1;
    int hoverPart = kPartNone;
    int lastHoverPart = kPartNone;
    UINT_PTR hoverTimer = 0;
    RECT hoverRect{};
    // Drag data, taken when the thumb is grabbed.
    int dragThumbLength = 0;
    int dragThumbStart = 0;
    RECT dragBarRect{};
    int dragGrabOffset = 0;
    int lastPosition = 0;
    bool thumbTracking = false;
};
TacScrollTracking& ScrollTracking();

// Base of every window adapter: joins the window's subclass chain (a framework control's window
// procedure chain when it has an owner control) and holds the window property "ACSBSC" while
// attached. Leaving takes the adapter out of the chain wherever it stands in it, so later
// subclassers keep working and nothing calls a freed adapter.
class TacMainWnd {
public:
    TacMainWnd(HWND handle, TsSkinManager* manager, std::string section, TWinControl* ownerControl = nullptr);
    virtual ~TacMainWnd();
    TacMainWnd(const TacMainWnd&) = delete;
    TacMainWnd& operator=(const TacMainWnd&) = delete;

    HWND Handle() const { return handle_; }
    TsSkinManager* SkinManager() const { return manager_; }
    const std::string& Section() const { return section_; }
    // Detached, or its control went (and the chain with it).
    bool Destroyed() const { return destroyed_ || (ownerControl_ && !ownerLink_.Joined()); }
    bool Sending() const { return sending_; }
    // The framework control the adapter works for; null for a plain window and once the control
    // is gone (its chain goes with it).
    TWinControl* OwnerControl() const { return ownerLink_.Joined() ? ownerControl_ : nullptr; }
    // Leaves the window: out of the chain, property removed. Safe to call more than once.
    void Detach();
    // Leaves the window and frees the adapter: now, or, when a control drops its adapter from
    // inside a message the adapter is handling, once that message is done.
    void Release();

protected:
    // Joins the chain; descendants call it once they are fully built.
    void Attach();
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT CallPrevWndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Whether a skin is there to draw with.
    bool SkinActive() const;
    // Answers the commands every adapter answers; false when the command is not one of them.
    bool HandleSkinCommand(WPARAM wParam, LPARAM lParam, LRESULT& result);
    virtual void WindowGone() {}

    bool sending_ = false;

private:
    static LRESULT SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR refData);
    void HandleChainMessage(TMessage& message, const TWndMethod& inherited);
    // Runs WndProc with `inherited` as what hands the message on.
    void Dispatch(TMessage& message, const TWndMethod* inherited);

    HWND handle_;
    TsSkinManager* manager_;
    std::string section_;
    TWinControl* ownerControl_;
    TWindowProcChain::Link ownerLink_;
    // What hands a message on while the adapter runs inside a control's chain; null inside a
    // window subclass chain.
    const TWndMethod* inherited_ = nullptr;
    bool attached_ = false;
    bool destroyed_ = false;
    // Messages the adapter is inside of, and whether it is to be freed when they are done.
    int dispatchDepth_ = 0;
    bool releaseWhenDone_ = false;
};

// Releases the adapter a control owns, if any.
template <class Adapter>
void ReleaseAdapter(std::unique_ptr<Adapter>& adapter) {
    if (adapter) adapter.release()->Release();
}

// The adapter of the window that holds "ACSBSC", or null.
TacMainWnd* GetAdapterOfWnd(HWND handle);

// SetWindowPos with SWP_FRAMECHANGED when full, else WM_NCPAINT with WParam 1.
void RefreshWindowFrame(HWND handle, bool full);

// The adapter that draws and operates a window's standard scroll bars from the skin.
class TacScrollWnd : public TacMainWnd {
public:
    TacScrollWnd(HWND handle, TsSkinManager* manager, std::string section, bool repaint,
                 TWinControl* ownerControl = nullptr);
    ~TacScrollWnd() override;

    const TacScrollBar& HorzBar() const { return horz_; }
    const TacScrollBar& VertBar() const { return vert_; }
    bool LeftScrollBar() const { return leftScrollBar_; }
    // Screen rectangles of the bars (empty bands when a bar is not shown).
    RECT GetHorzBarRect() const;
    RECT GetVertBarRect() const;
    RECT GetCornerRect() const;
    // The layout both painting and hit-testing use, for the bar of that kind.
    TacBarGeometry Geometry(int barKind) const;
    // Re-reads both bars' scroll data; with repaint the bars are painted again.
    void UpdateScrollInfo(bool repaint);
    // Paints both bars and the corner; dc null means the window DC.
    void PaintScrollBars(HDC dc);
    // Paints one bar into a bitmap of the bar's size (exposed for the pixel tests).
    bool PaintBar(int barKind, TBitmap& bitmap);
    // Whether the bar can be operated: the window has it and it is not disabled.
    bool IsScrollBarEnabled(int barKind) const;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void WindowGone() override;

private:
    TacScrollBar& Bar(int kind) { return kind == SB_VERT ? vert_ : horz_; }
    const TacScrollBar& Bar(int kind) const { return kind == SB_VERT ? vert_ : horz_; }
    RECT BarRect(int kind) const;
    int PartAtScreenPoint(int kind, POINT screen) const;
    int ArrowLength(int kind) const;
    void ReadScrollInfo(TacScrollBar& bar);
    void PaintBarToWindow(int kind, HDC dc);
    int BarState(int kind, int part) const;
    void PaintSection(TBitmap& bitmap, const char* section, RECT r, int state, int kind);
    // band: along the bar (left/right) and across it (top/bottom).
    void PaintGlyph(TBitmap& bitmap, const char* section, RECT band, int state, int kind);

    LRESULT OnNcCalcSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcHitTest(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcMouseMove(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonUp(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnHoverTick();
    void OnRepeatTick();
    void DragThumbTo(POINT screen);
    void SendTracked(int code, int pos);
    // Ends a click or drag that lost its mouse (capture taken, mode cancelled, window gone).
    void CancelTracking();
    void StopHover();

    TacScrollBar horz_;
    TacScrollBar vert_;
    bool leftScrollBar_ = false;
    int leftEdge_ = 0, topEdge_ = 0, rightEdge_ = 0, bottomEdge_ = 0;
    bool preventStyleChange_ = false;
    bool releasingCapture_ = false;
};

}  // namespace parch

namespace parch {

// For a skinned control with scroll bars: while the control is skinned its window has a live
// scroll adapter (a detached one is replaced); otherwise the adapter is freed and the system
// draws the bars again. Nothing while the control is loading or going.
void RefreshScrollWnd(TsCommonData& skinData, std::unique_ptr<TacScrollWnd>& adapter);

// Frees the control's scroll adapter: it leaves the chain first and gives the bars back to the
// system.
void RemoveScrollWnd(std::unique_ptr<TacScrollWnd>& adapter);

}  // namespace parch
