#pragma once
// The component a form places to be drawn in the skin. It joins the form's window procedure
// chain, answers the skin commands for the form, measures the skinned frame and lays out and
// hit-tests the caption buttons and the user's title buttons, turning a completed click into
// the matching system command.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/Timer.h"
#include "framework/WindowProcChain.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Graphics.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sMaskData.h"

namespace parch {

class TsSkinProvider;
struct TsTitleButtonRecord;

// ---- Title-button hover animation
// Fades a title button's hot or pressed look in and out without repainting the frame: the
// button's picture in that state sits in a small click-through layered window over the button,
// whose opacity changes every 12 ms.
class TacSBAnimation : public TTimer {
public:
    static constexpr unsigned kInterval = 12;

    TacSBAnimation(TsSkinProvider& provider, TsTitleButtonRecord& button, int steps);
    ~TacSBAnimation() override;

    // Moves toward the state (0 fades out); nothing when it is already the state shown.
    void SetState(int newState, bool up);
    // A new target for a running animation: the step count and direction, timer running.
    void Retarget(int newState, int steps);
    int StepAlpha() const;

    int Step = 0;
    int State = 0;  // the state shown; -1 once the fade-out ended
    bool Up = false;
    int FadeSteps = 0;  // -1 once a fade-in completed
    HWND Wnd = nullptr;
    TForm* GlowForm() const { return glowForm_.get(); }
    TBitmap* StateBitmap() const { return stateBitmap_.get(); }
    const TsTitleButtonRecord& Button() const { return button_; }

protected:
    void Timer() override;

private:
    void ShowFrame(int alpha);
    void PrepareBitmap();
    void CreateAnimForm();
    RECT GetAnimRect() const;
    int GlowMargin() const;
    int GlowImageIndex() const;
    void CheckMouseLeave();
    void FreePicture();

    TsSkinProvider& provider_;
    TsTitleButtonRecord& button_;
    std::unique_ptr<TForm> glowForm_;
    std::unique_ptr<TBitmap> stateBitmap_;
    int shownMargin_ = 0;  // glow margin of the picture shown, kept while it fades out
};
class TsSystemMenu;

// Hit-test codes of the skinned title bar beyond Windows' own.
constexpr int kUserTitleButtonHitBase = 1000;

// One button of the title bar as laid out in frame coordinates.
struct TsTitleButtonRecord {
    int State = 0;  // 0 normal, 1 hot, 2 pressed
    int ImageIndex = -1;
    RECT Rect{0, 0, 0, 0};
    bool Aligned = false;
    int HitCode = 0;
    // The running state animation; the record owns it.
    std::unique_ptr<TacSBAnimation> Animation;
};

using TTitleButtonMouseEvent = std::function<void(class TsTitleButton& sender, int x, int y)>;

// A user button of the title bar.
class TsTitleButton {
public:
    TsTitleButton();
    TsTitleButton(const TsTitleButton&) = delete;
    TsTitleButton& operator=(const TsTitleButton&) = delete;
    ~TsTitleButton();
    bool Enabled = true;
    bool UseSkinData = true;
    std::string Hint;
    // The picture drawn centred on the button; setting it copies the bitmap and drops the
    // cached hover pictures.
    TBitmap& Glyph() { return glyph_; }
    void SetGlyph(TBitmap* value);
    // Copies the published properties (not the visibility) to another button.
    void AssignTo(TsTitleButton& dest) const;
    const std::string& GetDisplayName() const { return name_; }
    TTitleButtonMouseEvent OnMouseDown;
    TTitleButtonMouseEvent OnMouseUp;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& value) { name_ = value; }
    bool Visible() const { return visible_; }
    // Hiding or showing repaints the title bar at once.
    void SetVisible(bool value);
    void DoMouseDown(int x, int y);
    void DoMouseUp(int x, int y);

    TsTitleButtonRecord Button;

private:
    friend class TsTitleButtons;
    void GlyphChanged();

    TsSkinProvider* provider_ = nullptr;
    std::string name_;
    bool visible_ = true;
    TBitmap glyph_;
};

// The form's own title icon; a size of 0 means automatic.
class TsTitleIcon {
public:
    TBitmap& Glyph() { return glyph_; }
    void SetGlyph(TBitmap* value) { glyph_.Assign(value); }
    int Width = 0;
    int Height = 0;

private:
    TBitmap glyph_;
};

// A second text drawn after the form's caption. A font colour of clNone takes the caption's.
class TacAddedTitle {
public:
    explicit TacAddedTitle(TsSkinProvider* provider);
    TFont& Font() { return font_; }
    void SetFont(const TFont& value);
    const std::string& Text() const { return text_; }
    void SetText(const std::string& value);
    bool ShowMainCaption() const { return showMainCaption_; }
    void SetShowMainCaption(bool value);

private:
    void Repaint();

    TsSkinProvider* provider_;
    TFont font_;
    std::string text_;
    bool showMainCaption_ = true;
};

// The user buttons of a provider, in title-bar order (rightmost first after the caption buttons).
class TsTitleButtons {
public:
    explicit TsTitleButtons(TsSkinProvider* provider) : provider_(provider) {}
    TsTitleButton& Add();
    int Count() const { return static_cast<int>(items_.size()); }
    TsTitleButton& Items(int index) { return *items_.at(static_cast<size_t>(index)); }
    const TsTitleButton& Items(int index) const { return *items_.at(static_cast<size_t>(index)); }

private:
    TsSkinProvider* provider_;
    std::vector<std::unique_ptr<TsTitleButton>> items_;
};

// Frame measures of a window (no border window here: its extended borders are not used).
int GetFrameWidth(HWND window);
int GetSysCaptionHeight(const TCustomForm& form);
int IconSizeForCaption(int height);

// A user button's glyph centred in rect of the target (one pixel right and down while pressed):
// 32-bit glyphs blended by their alpha, others keyed by their bottom-left pixel and opaque.
void DrawTitleButtonGlyph(TBitmap& target, TsTitleButton& button, RECT rect, bool pressed);

// ---- Moving and sizing helpers
// When |value + size - edge| < distance, value becomes edge - size.
void SnapCoordinate(int& value, int edge, int distance, int size);
// The work area of the monitor that holds the form.
RECT GetFormWorkArea(const TCustomForm& form);

enum TacResizeMode { rmStandard, rmBorder };

// ---- Window region helpers
// Appends the key-coloured (magenta, any alpha) runs of a borders mask's corners in its first frame: the
// top rows (or, with bottom, the last rows of the state picture) at vertical offset y, the
// right corner placed against width.
void CollectCornerHoles(TAOR& rects, int width, const TsMaskData& mask, int y, bool bottom);
// The question whether a window keeps its own region, and the answer of such windows.
constexpr UINT kOwnRegionQuery = 48205;
constexpr WPARAM kOwnRegionAnswer = 16802;

class TsSkinProvider : public TComponent, public IFormSkinProvider {
public:
    // The owner must be a form ("TsSkinProvider component may be used with forms only!",
    // EAbort). A second provider on a form stays passive; a provider the creation hook made
    // for the form is freed and replaced.
    explicit TsSkinProvider(TComponent* owner);
    // A provider made by the window-creation hook for a form that placed none.
    static TsSkinProvider* CreateRunTime(TCustomForm* form);
    ~TsSkinProvider() override;

    TCustomForm* ProvidedForm() const override { return form_; }
    TsCommonData& SkinData() { return *skinData_; }
    TsTitleButtons& TitleButtons() { return titleButtons_; }
    bool Passive() const { return passive_; }
    bool RunTimeCreated() const { return runTimeCreated_; }
    bool DrawNonClientArea() const { return drawNonClientArea_; }

    // Frame measures.
    bool HasBorder() const;
    int CaptionHeight() const;
    int ClientOffsetX() const;
    int ClientOffsetY() const;
    bool SystemMenuRemoved() const { return systemMenuRemoved_; }

    // The buttons as laid out for the form's present size, in frame coordinates.
    void LayOutTitleButtons();
    const TsTitleButtonRecord& CaptionButton(int hitCode) const;
    // WM_NCHITTEST's answer for a screen point.
    int HitTest(POINT screen);
    int HotCode() const { return hotCode_; }
    int PressedCode() const { return pressedCode_; }

    // Called by a title button whose visibility changed.
    void RedrawFrameNow();

    // The frame image: the form section, the title band, the caption and the title buttons in
    // the skin, rebuilt into the skin data's cache bitmap.
    void PaintAll();
    // Height of the frame above the client area.
    int TopAreaHeight() const;
    bool ActiveLook() const { return activeLook_; }

    // ---- Window region with the skin's transparent corners
    int FrameImageWidth() const;
    const TAOR& CornerRects() const { return cornerRects_; }
    void UpdateCornerRects();
    // The form's shape at (x, y): its rectangle less the corner holes; the caller owns it.
    HRGN CreateFormRgn(int x, int y) const;
    void UpdateRgn(bool redraw);
    bool RegionChanged() const { return regionChanged_; }

    // ---- Title icon and added title
    bool ShowAppIcon() const { return showAppIcon_; }
    void SetShowAppIcon(bool value);
    TsTitleIcon& TitleIcon() { return titleIcon_; }
    TacAddedTitle& AddedTitle() { return addedTitle_; }
    bool ShowsIcon() const;
    int IconWidth() const;
    int IconHeight() const;
    RECT IconRect() const;

    // ---- Outline resizing, screen snapping and maximized size
    TacResizeMode ResizeMode = rmStandard;
    bool ScreenSnap = false;
    int SnapBuffer = 10;
    bool BorderDragging() const { return drag_.Dragging; }
    RECT DragOutline() const { return drag_.Outline; }

    // ---- Title-button hover animation
    // Frees every running button animation (destroy, hide, skin change).
    void StopButtonAnimations();
    // Frames of a button's state change: animated when the skin allows glowing.
    bool AnimatesButtons() const;
    // The title band as painted before the buttons, for pictures of single buttons.
    TBitmap* TitleBackground() const { return titleBackground_.get(); }
    // ---- Skinned menus: the system menu and the menu line
    // The form's skinned system menu, made on first use and freed with the provider.
    TsSystemMenu& SystemMenu();
    // Pops the system menu up at a screen point: the skinned one with skinned popups, else the
    // window's own with its items enabled for the form.
    void PopupSystemMenu(int x, int y);
    // The menu line's background as last painted (nullptr before the first paint with a menu).
    TBitmap* MenuLineImage() const { return menuLineImage_.get(); }
    // The system menu lists the available skins.
    bool MakeSkinMenu = false;
    // Set while a command runs that must not be animated.
    bool SkipAnimation = false;

private:
    struct CaptionButtons {
        TsTitleButtonRecord Close, Max, Min, Help;
    };

    void FormWndProc(TMessage& message, const TWndMethod& inherited);
    bool HandleSkinCommand(TMessage& message);
    bool HandleMouse(TMessage& message, const TWndMethod& inherited);
    bool IsSkinnedNow() const;
    bool OwnManager(const TMessage& message) const;
    void PrepareForm();
    void ApplyLoadedSkin();
    void TakePendingIndexes();
    void UpdateSysMenuStyle(bool on);

    // What the system menu allows.
    bool VisibleClose() const;
    bool VisibleMax() const;
    bool VisibleMin() const;
    bool EnabledMax() const;
    bool EnabledMin() const;
    bool EnabledRestore() const;
    // ---- Skinned menus
    bool HandleMenuMessage(TMessage& message, const TWndMethod& inherited);
    void PaintMenuLine(TBitmap& image);
    void PopupWindowsSystemMenu(int x, int y);
    // Puts the skinned menus' handlers on the form's menus (or takes them away).
    void HookFormMenus(bool on);

    bool HasBigButtons() const;
    int ButtonWidth(const TsTitleButtonRecord& button) const;
    int ButtonHeight() const;
    void UpdateButtonImages();
    void PlaceButton(TsTitleButtonRecord& button, int& right, int width);
    POINT ScreenToFrame(POINT screen) const;
    int ButtonCodeAt(POINT frame);
    int ButtonAtPosition(POINT frame) const;
    int CodeForPosition(int position) const;
    TsTitleButtonRecord* ButtonByCode(int code);

    void SetHotButton(int code);
    void PressButton(int code);
    void ReleaseButton(int code, POINT screen);
    void CancelPress();
    void DoubleClickCaption();
    void SendSysCommand(UINT command);
    void RepaintButtons();
    // Copies the frame image around the client area into the window.
    void PaintFrameToWindow();
    void PaintCaptionText(TBitmap& image, int titleIndex);
    // Rebuilds the corner list and sets the region (or takes it away for forms without one).
    void RefreshRegion();
    // The form gets Windows' own shape back.
    void DropRegion();
    void PaintAddedTitle(TBitmap& image, RECT text, int titleIndex);
    void PaintTitleIcon(TBitmap& image);
    void RepaintButton(int code);

    TCustomForm* form_ = nullptr;
    std::unique_ptr<TsCommonData> skinData_;
    TsTitleButtons titleButtons_{this};
    TWindowProcChain::Link link_;
    CaptionButtons buttons_;
    bool passive_ = false;
    bool runTimeCreated_ = false;
    bool drawNonClientArea_ = true;
    bool systemMenuRemoved_ = false;
    bool registered_ = false;
    int hotCode_ = -1;
    int pressedCode_ = 0;  // the button held down (with the mouse captured), 0 none
    bool releasing_ = false;
    bool activeLook_ = true;
    bool indexesPending_ = false;

    // Region state.
    TAOR cornerRects_;
    bool regionChanged_ = true;
    bool settingRegion_ = false;
    bool firstPainted_ = false;
    bool ownsRegion_ = false;  // the region in place is ours

    // Title icon and added title.
    bool showAppIcon_ = true;
    TsTitleIcon titleIcon_;
    TacAddedTitle addedTitle_{this};

    // Outline resizing, screen snapping and maximized size. The drag belongs to this form
    // alone and ends with it, with lost capture or with a cancelled mode.
    struct BorderDrag {
        bool Dragging = false;
        bool Moved = false;
        int Kind = 0;  // sizing hit code, 0 for a move
        POINT Anchor{0, 0};
        RECT Outline{0, 0, 0, 0};
        RECT Start{0, 0, 0, 0};
        SIZE MinSize{0, 0};
        SIZE MaxSize{0, 0};
        HDC ScreenDC = nullptr;
        int SavedDC = 0;
    };
    BorderDrag drag_;
    bool HandleSizing(TMessage& message, const TWndMethod& inherited);
    void SnapToWorkArea(WINDOWPOS& position);
    void GetMinMaxInfo(MINMAXINFO& info);
    void BeginBorderDrag(int kind, POINT screen);
    void DrawDragFrame();
    void DragTo(POINT screen);
    // apply: the form takes the outline's place; otherwise it stays where it is.
    void EndBorderDrag(bool apply);

    // Title-button hover animation.
    std::unique_ptr<TBitmap> titleBackground_;
    void AnimateButtonState(TsTitleButtonRecord& button, int state, int steps);
    // ---- Skinned menus
    TsSystemMenu* systemMenu_ = nullptr;  // owned as a component of this provider
    std::unique_ptr<TBitmap> menuLineImage_;
};

}  // namespace parch
