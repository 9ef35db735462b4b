#pragma once
// TWinControl: a control with a window of its own and child controls. It lays out its
// children, keeps their tab order and the focus, paints its windowless children and routes
// the mouse to them, tracking which one the mouse is over and which holds the capture.

#include <any>
#include <string>
#include <vector>

#include "framework/Controls.h"

namespace parch {

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
    void AlignControls(TControl* control, RECT& rect);
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
};

}  // namespace parch
