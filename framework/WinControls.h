#pragma once
// TWinControl: a control with a window of its own and child controls. It lays out its
// children, keeps their tab order and the focus, paints its windowless children and routes
// the mouse to them, tracking which one the mouse is over and which holds the capture.

#include <any>
#include <string>
#include <vector>

#include "framework/Controls.h"

namespace parch {

// Edges drawn around a windowed control's client area.
enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
using enum TBevelCut;
enum class TBevelKind { bkNone, bkTile, bkSoft, bkFlat };
using enum TBevelKind;
using TBevelEdges = unsigned;
constexpr TBevelEdges beLeft = 1;
constexpr TBevelEdges beTop = 2;
constexpr TBevelEdges beRight = 4;
constexpr TBevelEdges beBottom = 8;
constexpr TBevelEdges beAll = beLeft | beTop | beRight | beBottom;

using TDockDropEvent = std::function<void(TObject* sender, TDragDockObject* source, int x, int y)>;
using TDockOverEvent =
    std::function<void(TObject* sender, TDragDockObject* source, int x, int y, TDragState state, bool& accept)>;
using TUnDockEvent = std::function<void(TObject* sender, TControl* client, TWinControl* newTarget, bool& allow)>;
using TGetSiteInfoEvent = std::function<void(TObject* sender, TControl* dockClient, RECT& influenceRect,
                                             POINT mousePos, bool& canDock)>;

// What a windowed control asks of the window system when its window is made.
struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND WndParent = nullptr;
    void* Param = nullptr;
    WNDCLASSEX WindowClass;
    // The class registered for the control (its own class name by default).
    std::string WinClassName;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    // The window, made first when it does not exist yet.
    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded();
    // Destroys the window and makes it anew with the present CreateParams.
    void RecreateWnd();
    // The control whose window this is (nullptr for a foreign window).
    static TWinControl* FindControl(HWND hwnd);

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<std::size_t>(index)); }
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    // The child under a client point: windowless children first (topmost), then windowed
    // ones; allowDisabled takes disabled children too. nullptr when none.
    TControl* ControlAtPos(POINT point, bool allowDisabled, bool allowWinControls = false) const;
    bool ContainsControl(const TControl* control) const;
    // Sends the message to every child.
    void Broadcast(TMessage& message);

    // The control under the mouse as this window's mouse messages placed it: the window itself
    // or one of its windowless children; nullptr once the mouse left.
    TControl* MouseControl() const { return mouseControl_; }
    // The windowless child that holds this window's mouse capture (nullptr when none).
    TControl* CaptureControl() const { return captureControl_; }

    RECT ClientRect() const override;
    // The part of the client area the aligned children share.
    virtual void AdjustClientRect(RECT& rect);
    void DisableAlign() { ++alignDisabled_; }
    void EnableAlign();
    void Realign();
    virtual void AlignControls(TControl* control, RECT& rect);
    // The children were laid out (aligned and anchored).
    virtual void ControlsAligned() {}
    // Places an alCustom child; the default leaves it where it is.
    virtual void CustomAlignPosition(TControl* control, int& left, int& top, int& width, int& height);

    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value);
    int TabOrder() const;
    void SetTabOrder(int order);
    // Windowed descendants in tab order, each followed by its own.
    void GetTabOrderList(std::vector<TWinControl*>& list) const;
    // The next control that can take the focus after current, among this control's
    // descendants; wraps around.
    TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent) const;
    void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);
    virtual bool CanFocus() const;
    bool Focused() const;
    virtual void SetFocus();

    // Paints the control and its children into dc at (x, y), as WM_PRINT does.
    void PaintTo(HDC dc, int x, int y);
    bool Showing() const override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetEnabled(bool value) override;
    void SetText(const std::string& text) override;
    void Invalidate() override;
    void Update() override;
    void SetPropertyText(const std::string& name, const std::string& value) override;
    void SetEvent(const std::string& name, const std::any& handler) override;

    // The 3-D look of the border; taken from the parent while ParentCtl3D is on.
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);
    bool ParentCtl3D() const { return parentCtl3D_; }
    void SetParentCtl3D(bool value);

    // Edges in the non-client area: BevelKind bkNone draws none; each of BevelInner and
    // BevelOuter that is not bvNone takes BevelWidth on every edge in BevelEdges. BorderWidth
    // is a plain margin inside them.
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    TBevelKind BevelKind() const { return bevelKind_; }
    void SetBevelKind(TBevelKind value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    TBevelEdges BevelEdges() const { return bevelEdges_; }
    void SetBevelEdges(TBevelEdges value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);

    // Paints through a bitmap of its own, so the screen never shows a half-painted face.
    bool DoubleBuffered() const { return doubleBuffered_; }
    void SetDoubleBuffered(bool value) { doubleBuffered_ = value; }

    bool DockSite() const { return dockSite_; }
    void SetDockSite(bool value) { dockSite_ = value; }
    bool UseDockManager() const { return useDockManager_; }
    void SetUseDockManager(bool value) { useDockManager_ = value; }
    TDockDropEvent OnDockDrop;
    TDockOverEvent OnDockOver;
    TUnDockEvent OnUnDock;
    TGetSiteInfoEvent OnGetSiteInfo;

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& params);
    virtual void DestroyWnd();
    virtual void DestroyWindowHandle();
    // The window was made: children get theirs.
    virtual void CreateHandle();
    // Makes the control a subclass of an existing window class ("edit", "button"...).
    void CreateSubClass(TCreateParams& params, const char* controlClassName);
    void WndProc(TMessage& message) override;
    void Dispatch(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;
    void Loaded() override;
    bool CanAutoSize(int& width, int& height) override;

    // Painting: the window's own face, then the windowless children over it.
    virtual void PaintWindow(HDC dc);
    void PaintControls(HDC dc, TControl* first);
    void PaintHandler(TMessage& message);

    // Keys: true when the key was taken.
    virtual bool DoKeyDown(TMessage& message);
    virtual bool DoKeyUp(TMessage& message);
    virtual bool DoKeyPress(TMessage& message);
    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyUp(WORD& key, TShiftState shift);
    virtual void KeyPress(char16_t& key);
    virtual void DoEnter();
    virtual void DoExit();
    // The control is shown or hidden for real (CM_SHOWINGCHANGED).
    virtual void ShowingChanged();
    void UpdateShowing();

private:
    friend class TControl;
    friend LRESULT ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
    void MainWndProc(TMessage& message);
    void RouteMouseToChildren(TMessage& message);
    // Moves the hover, telling the control left and the one entered.
    void SetMouseControl(TControl* control);
    // A child goes: it and the windows below it hold neither hover nor capture any more.
    void ForgetMouseStateOf(TControl* child);
    void ForgetMouseState();
    bool ReflectNotification(TMessage& message);
    void AlignChildren();
    void PlaceAnchored(TControl* control, const RECT& client);
    void UpdateBoundsFromWindow();
    void WMSetFocus();
    void ApplyParentCtl3D();
    void ContextMenu(TMessage& message);
    void MouseWheel(TMessage& message);
    // The frame changed: the window works out its client area again.
    void FrameChanged();
    int NonClientEdge(TBevelEdges edge) const;
    void NonClientCalcSize(TMessage& message);
    void NonClientPaint(TMessage& message);
    void DoubleBufferedPaint(HDC dc);

    HWND handle_ = nullptr;
    WNDPROC defWndProc_ = nullptr;
    std::vector<TControl*> controls_;  // z-order, bottom first
    std::vector<TWinControl*> tabList_;
    bool tabStop_ = false;
    int alignDisabled_ = 0;
    bool aligning_ = false;
    bool showing_ = false;
    TControl* mouseControl_ = nullptr;
    TControl* captureControl_ = nullptr;
    bool ctl3D_ = true;
    bool parentCtl3D_ = true;
    TBevelCut bevelInner_ = bvRaised;
    TBevelCut bevelOuter_ = bvLowered;
    TBevelKind bevelKind_ = bkNone;
    int bevelWidth_ = 1;
    TBevelEdges bevelEdges_ = beAll;
    int borderWidth_ = 0;
    bool doubleBuffered_ = false;
    bool dockSite_ = false;
    bool useDockManager_ = false;
    unsigned lastChildId_ = 0;
};

}  // namespace parch
