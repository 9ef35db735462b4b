#pragma once
// Controls: TControl, a rectangle on a parent with alignment, anchors, constraints, colour,
// font, hints and mouse and key events; the control with a window of its own is TWinControl
// (WinControls.h).
//
// Every message a control gets goes through its replaceable WindowProc (WndProc by default),
// then Dispatch, which hands it to the handler for its number; what no handler takes goes to
// DefaultHandler (for windowed controls the window's default procedure).

#include <any>
#include <functional>
#include <memory>
#include <string>

#include "base/Classes.h"
#include "framework/graphics/Graphics.h"
#include "framework/Messages.h"
#include "framework/Screen.h"
#include "framework/UtilWindow.h"
#include "framework/WindowProcChain.h"
#include "platform/gdi/TextLayout.h"
#include "platform/win/WinUser.h"

namespace parch {

// The state of an owner-drawn item: the ODS_ bits of DRAWITEMSTRUCT.
using TOwnerDrawState = unsigned;
constexpr TOwnerDrawState odSelected = ODS_SELECTED;
constexpr TOwnerDrawState odGrayed = ODS_GRAYED;
constexpr TOwnerDrawState odDisabled = ODS_DISABLED;
constexpr TOwnerDrawState odChecked = ODS_CHECKED;
constexpr TOwnerDrawState odFocused = ODS_FOCUS;
constexpr TOwnerDrawState odDefault = ODS_DEFAULT;
constexpr TOwnerDrawState odHotLight = ODS_HOTLIGHT;
constexpr TOwnerDrawState odInactive = ODS_INACTIVE;
constexpr TOwnerDrawState odNoAccel = ODS_NOACCEL;
constexpr TOwnerDrawState odNoFocusRect = ODS_NOFOCUSRECT;
constexpr TOwnerDrawState odComboBoxEdit = ODS_COMBOBOXEDIT;


class TWinControl;
class TCustomForm;
class TPopupMenu;
class TBasicAction;
class TControlActionLink;
class TDragObject;
class TDragDockObject;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
using enum TAlign;

using TAnchors = unsigned;
constexpr TAnchors akLeft = 1;
constexpr TAnchors akTop = 2;
constexpr TAnchors akRight = 4;
constexpr TAnchors akBottom = 8;

using TControlStyle = unsigned;
constexpr TControlStyle csAcceptsControls = 0x0001;
constexpr TControlStyle csCaptureMouse = 0x0002;
constexpr TControlStyle csDesignInteractive = 0x0004;
constexpr TControlStyle csClickEvents = 0x0008;
constexpr TControlStyle csFramed = 0x0010;
constexpr TControlStyle csSetCaption = 0x0020;
constexpr TControlStyle csOpaque = 0x0040;
constexpr TControlStyle csDoubleClicks = 0x0080;
constexpr TControlStyle csFixedWidth = 0x0100;
constexpr TControlStyle csFixedHeight = 0x0200;
constexpr TControlStyle csNoDesignVisible = 0x0400;
constexpr TControlStyle csReplicatable = 0x0800;
constexpr TControlStyle csNoStdEvents = 0x1000;
constexpr TControlStyle csParentBackground = 0x2000;
constexpr TControlStyle csNeedsBorderPaint = 0x4000;

using TControlState = unsigned;
constexpr TControlState csLButtonDown = 0x0001;
constexpr TControlState csClicked = 0x0002;
constexpr TControlState csPalette = 0x0004;
constexpr TControlState csReadingState = 0x0008;
constexpr TControlState csAlignmentNeeded = 0x0010;
constexpr TControlState csFocusing = 0x0020;
constexpr TControlState csCreating = 0x0040;
constexpr TControlState csPaintCopy = 0x0080;
constexpr TControlState csCustomPaint = 0x0100;
constexpr TControlState csDestroyingHandle = 0x0200;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
using enum TMouseButton;

using TShiftState = unsigned;
constexpr TShiftState ssShift = 0x01;
constexpr TShiftState ssAlt = 0x02;
constexpr TShiftState ssCtrl = 0x04;
constexpr TShiftState ssLeft = 0x08;
constexpr TShiftState ssRight = 0x10;
constexpr TShiftState ssMiddle = 0x20;
constexpr TShiftState ssDouble = 0x40;

// The keyboard's shift state of this moment.
TShiftState KeyboardShiftState();

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using enum TFormBorderStyle;
// The border of a control: bsNone or bsSingle.
using TBorderStyle = TFormBorderStyle;

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
using enum TAlignment;

enum class TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
using enum TBiDiMode;

enum class TDragMode { dmManual, dmAutomatic };
using enum TDragMode;
enum class TDragKind { dkDrag, dkDock };
using enum TDragKind;
enum class TDragState { dsDragEnter, dsDragLeave, dsDragMove };
using enum TDragState;

using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char16_t& key)>;
// Wheel turns: handled set to true stops the turn from going on to the parent.
using TMouseWheelEvent =
    std::function<void(TObject* sender, TShiftState shift, int wheelDelta, POINT mousePos, bool& handled)>;
using TMouseWheelUpDownEvent = std::function<void(TObject* sender, TShiftState shift, POINT mousePos, bool& handled)>;
// mousePos is (-1, -1) when the menu was asked for from the keyboard.
using TContextPopupEvent = std::function<void(TObject* sender, POINT mousePos, bool& handled)>;
using TDragDropEvent = std::function<void(TObject* sender, TObject* source, int x, int y)>;
using TDragOverEvent =
    std::function<void(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept)>;
using TEndDragEvent = std::function<void(TObject* sender, TObject* target, int x, int y)>;
using TStartDragEvent = std::function<void(TObject* sender, TDragObject*& dragObject)>;
using TStartDockEvent = std::function<void(TObject* sender, TDragDockObject*& dragObject)>;

// The wheel message's parts as CM_MOUSEWHEEL carries them: WParam holds the shift state in
// its low word and the delta in its high word, LParam the screen position.
inline WPARAM MouseWheelWParam(TShiftState shift, int delta) {
    return MAKELONG(static_cast<WORD>(shift), static_cast<WORD>(static_cast<SHORT>(delta)));
}
inline int MouseWheelDelta(WPARAM wParam) { return static_cast<SHORT>(HIWORD(wParam)); }

// Size limits of a control; 0 means no limit.
class TSizeConstraints {
public:
    int MinWidth = 0;
    int MinHeight = 0;
    int MaxWidth = 0;
    int MaxHeight = 0;
    // Width and height brought inside the limits.
    void Apply(int& width, int& height) const;
};

// Thrown when a description names an unknown property or event, or a value does not fit.
class EPropertyError : public Exception {
public:
    using Exception::Exception;
};

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    RECT BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
    void SetBoundsRect(const RECT& r) { SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); }
    // Places the control; the size is kept inside the constraints and the parent realigns.
    virtual void SetBounds(int left, int top, int width, int height);
    virtual RECT ClientRect() const { return {0, 0, width_, height_}; }
    int ClientWidth() const { return ClientRect().right; }
    int ClientHeight() const { return ClientRect().bottom; }
    void SetClientSize(int width, int height);
    POINT ClientOrigin() const;
    POINT ClientToScreen(POINT point) const;
    POINT ScreenToClient(POINT point) const;

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors anchors);
    TSizeConstraints& Constraints() { return constraints_; }
    void SetConstraints(const TSizeConstraints& constraints);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);

    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and every parent up to a top-level window showing as well.
    virtual bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool value);

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    TFont& Font() { return *font_; }
    void SetFont(const TFont& font) { font_->Assign(font); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);

    const std::string& Caption() const { return text_; }
    void SetCaption(const std::string& text) { SetText(text); }
    const std::string& Text() const { return text_; }
    virtual void SetText(const std::string& text);

    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint) { hint_ = hint; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool value);
    // The context menu (not owned; cleared when it is freed), shown by the context-menu
    // request when it is AutoPopup; its shortcuts work while the control has the key.
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);

    // Right-to-left: the mode, taken from the parent while ParentBiDiMode is on.
    TBiDiMode BiDiMode() const { return biDiMode_; }
    void SetBiDiMode(TBiDiMode mode);
    bool ParentBiDiMode() const { return parentBiDiMode_; }
    void SetParentBiDiMode(bool value);
    bool IsRightToLeft() const { return biDiMode_ != bdLeftToRight; }
    virtual bool UseRightToLeftAlignment() const { return biDiMode_ == bdRightToLeft; }
    virtual bool UseRightToLeftReading() const { return biDiMode_ != bdLeftToRight; }
    virtual bool UseRightToLeftScrollBar() const {
        return biDiMode_ != bdLeftToRight && biDiMode_ != bdRightToLeftReadingOnly;
    }
    // DrawText flags turned for the mode: left and right swap with right-to-left alignment,
    // DT_RTLREADING with right-to-left reading.
    UINT DrawTextBiDiModeFlags(UINT flags) const;
    UINT DrawTextBiDiModeFlagsReadingOnly() const { return UseRightToLeftReading() ? DT_RTLREADING : 0; }

    // The action whose Caption, Enabled, Visible, Hint and Checked the control shows and
    // whose OnExecute a click runs (not owned; nullptr for none).
    TBasicAction* Action() const;
    void SetAction(TBasicAction* action);
    // Lets the action update itself (OnUpdate) and so the control.
    void InitiateAction();

    // Drag and dock settings, kept for the controls that use them.
    TDragMode DragMode() const { return dragMode_; }
    void SetDragMode(TDragMode mode) { dragMode_ = mode; }
    TDragKind DragKind() const { return dragKind_; }
    void SetDragKind(TDragKind kind) { dragKind_ = kind; }
    TCursor DragCursor() const { return dragCursor_; }
    void SetDragCursor(TCursor cursor) { dragCursor_ = cursor; }

    TControlStyle ControlStyle() const { return controlStyle_; }
    void SetControlStyle(TControlStyle style) { controlStyle_ = style; }
    TControlState ControlState() const { return controlState_; }
    void SetControlState(TControlState state) { controlState_ = state; }

    // Where messages go after the members of the window procedure chain; replace it to
    // subclass the control, calling the one it had.
    TWndMethod WindowProc;
    // Objects that subclass a control they do not own join here rather than replacing
    // WindowProc: they can leave in any order without putting back a stale procedure.
    TWindowProcChain& WindowProcChain() { return windowProcChain_; }
    // Runs a message through the chain and then WindowProc: how every message reaches the control.
    void CallWindowProcChain(TMessage& message) { windowProcChain_.Call(message, WindowProc); }
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    virtual void Invalidate();
    virtual void Update();
    void Repaint();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();
    // The form the control sits on (nullptr when none).
    TCustomForm* ParentForm() const;

    // Reading from a description: a property given as text, an event handler by type.
    virtual void SetPropertyText(const std::string& name, const std::string& value);
    virtual void SetEvent(const std::string& name, const std::any& handler);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;
    TContextPopupEvent OnContextPopup;
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TEndDragEvent OnEndDrag;
    TStartDragEvent OnStartDrag;
    TEndDragEvent OnEndDock;
    TStartDockEvent OnStartDock;

    // The wheel message of a window: by default the form gives it to its active control,
    // from where CM_MOUSEWHEEL goes up the parents until one handles it.
    virtual void MouseWheelHandler(TMessage& message);

    // Framework internals used by the parent's layout.
    void UpdateAnchorRules();
    bool MouseCapture() const;
    void SetMouseCapture(bool capture);

protected:
    virtual void WndProc(TMessage& message);
    // Hands the message to the handler for its number.
    virtual void Dispatch(TMessage& message);
    virtual void DefaultHandler(TMessage& message);

    virtual void Click();
    virtual void DblClick();
    virtual void Resize();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    // A wheel turn: OnMouseWheel first, then whole WHEEL_DELTA steps of what the control
    // collected go to DoMouseWheelDown/Up; the part below a step waits for the next turn.
    // True when the turn was handled.
    virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos);
    virtual bool DoMouseWheelDown(TShiftState shift, POINT mousePos);
    virtual bool DoMouseWheelUp(TShiftState shift, POINT mousePos);
    // WM_CONTEXTMENU for this control; handled stops the request.
    virtual void DoContextPopup(POINT mousePos, bool& handled);
    // The action changed: the control takes its values (checkDefaults: only where the
    // control still has its own defaults).
    virtual void ActionChange(TBasicAction* sender, bool checkDefaults);
    TControlActionLink* ActionLink() const { return actionLink_.get(); }
    // The size the content needs, for AutoSize; false when the control has no preference.
    virtual bool CanAutoSize(int& width, int& height);
    void AdjustSize();
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    // The control changed in a way its parent's layout must follow.
    virtual void RequestAlign();
    // Changes the stored bounds without telling anyone (for the parent's layout).
    void StoreBounds(int left, int top, int width, int height);
    // Takes new bounds as they are and lets the layout and OnResize follow.
    void ChangeBounds(int left, int top, int width, int height);

    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;

private:
    friend class TWinControl;
    friend class TBasicAction;
    void HandleMouseMessage(TMessage& message);
    void HandleMouseWheel(TMessage& message);
    void ApplyParentBiDiMode();
    void ApplyParentColor();
    void ApplyParentFont();
    void FontChanged();

    TWindowProcChain windowProcChain_;
    TWinControl* parent_ = nullptr;
    TAlign align_ = alNone;
    TAnchors anchors_ = akLeft | akTop;
    // Distances kept by anchors: to the right and bottom of the parent's client area.
    int anchorRight_ = 0;
    int anchorBottom_ = 0;
    bool anchorsKnown_ = false;
    TSizeConstraints constraints_;
    bool autoSize_ = false;
    bool visible_ = true;
    bool enabled_ = true;
    TColor color_ = clWindow;
    bool parentColor_ = false;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = true;
    std::string text_;
    std::string hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TPopupMenu* popupMenu_ = nullptr;
    TCursor cursor_ = crDefault;
    TControlStyle controlStyle_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    TControlState controlState_ = 0;
    TBiDiMode biDiMode_ = bdLeftToRight;
    bool parentBiDiMode_ = true;
    int wheelAccumulator_ = 0;
    std::unique_ptr<TControlActionLink> actionLink_;
    TDragMode dragMode_ = dmManual;
    TDragKind dragKind_ = dkDrag;
    TCursor dragCursor_ = crDrag;
};

// A control's long hint: the part after '|' (the whole text without one).
std::string GetLongHint(const std::string& hint);
std::string GetShortHint(const std::string& hint);

}  // namespace parch
