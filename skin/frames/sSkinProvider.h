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
#include "framework/WindowProcChain.h"
#include "skin/engine/sCommonData.h"

namespace parch {

class TsSkinProvider;
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
};

using TTitleButtonMouseEvent = std::function<void(class TsTitleButton& sender, int x, int y)>;

// A user button of the title bar.
class TsTitleButton {
public:
    TsTitleButton();
    bool Enabled = true;
    bool UseSkinData = true;
    std::string Hint;
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
    TsSkinProvider* provider_ = nullptr;
    std::string name_;
    bool visible_ = true;
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
    // ---- Skinned menus
    TsSystemMenu* systemMenu_ = nullptr;  // owned as a component of this provider
    std::unique_ptr<TBitmap> menuLineImage_;
};

}  // namespace parch
