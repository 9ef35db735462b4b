#pragma once
// TsHintManager replaces the application's hint window with its own classes and holds the look
// (TsHintKind) they all read. TsCustomHintWindow measures a hint, places it at the mouse point
// inside the monitor, builds its picture (body, text, border, shadow and shape) and shows it as
// a layered window that fades in; with UseSkinData the body comes from a skin section. The four
// shaped styles derive from it.

#include <functional>
#include <memory>
#include <string>

#include "framework/Application.h"
#include "framework/HintWindow.h"
#include "framework/Scrolling.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Picture.h"
#include "skin/engine/sConst.h"

namespace parch {

class TsHintManager;
class TsSkinManager;

// Which corner of the hint sits at the mouse point.
enum TsMousePosition { mpLeftTop, mpLeftBottom, mpRightTop, mpRightBottom };

// OnShowHint of the manager: the application's event plus a frame that, when set, is shown as
// the hint's picture and then belongs to the hint window.
using TacShowHintEvent = std::function<void(std::string& hintStr, bool& canShow, THintInfo& hintInfo, TFrame*& frame)>;

// The look of the unskinned hints.
class TsHintKind {
public:
    explicit TsHintKind(TsHintManager* owner);
    TsHintKind(const TsHintKind&) = delete;
    TsHintKind& operator=(const TsHintKind&) = delete;

    TsHintStyle Style() const { return style_; }
    // Stores the style and makes the manager install its window class.
    void SetStyle(TsHintStyle style);
    int Blur() const { return 0; }
    void SetBlur(int) {}  // has no effect
    TColor ShadowColor() const { return clBlack; }
    void SetShadowColor(TColor) {}  // has no effect
    // False whenever the manager draws from the skin.
    bool ShadowEnabled() const;
    void SetShadowEnabled(bool value) { shadowEnabled_ = value; }
    TPicture& Texture() { return texture_; }
    TFont& Font() { return font_; }
    void SetFont(const TFont& font) { font_.Assign(font); }

    int Radius = 20;
    int BevelWidth = 1;
    int ExOffset = 32;  // height of the tail zone
    std::string GradientData;
    std::string TextureFile;  // stored only
    int GradientPercent = 0;
    int TexturePercent = 0;
    int Bevel = 0;  // stored only
    TColor Color = 0;
    TColor ColorBorderTop = 0;
    TColor ColorBorderBottom = 0;
    int Transparency = 0;  // percent
    int ShadowBlur = 0;
    int ShadowOffset = 0;
    int ShadowTransparency = 0;  // percent
    int MarginH = 15;
    int MarginV = 10;
    int MaxWidth = 200;

private:
    TsHintManager* owner_;
    TsHintStyle style_ = hsEllipse;
    bool shadowEnabled_ = false;
    TPicture texture_;
    TFont font_;
};

class TsHintManager : public TComponent {
public:
    explicit TsHintManager(TComponent* owner);
    ~TsHintManager() override;

    // The manager whose look every hint window uses; null when none.
    static TsHintManager* Current();

    void Loaded() override;
    // Installs the hint-window class of the style; hsSimply to hsBalloon make this manager the
    // current one, hsStandard and hsNone clear it (hsNone keeps a class that shows nothing).
    void SetStyleClass(TsHintStyle style);
    void ApplyPredefinitions();
    // True when hints are drawn from the default skin manager's section named SkinSection.
    bool SkinUsed() const;
    // The body fill of the unskinned styles: colour, texture, gradient and their mixing.
    void PaintBackground(TBitmap& bitmap, const RECT& rect);
    // Installed as the application's OnShowHint.
    void ShowHintHandler(std::string& hintStr, bool& canShow, THintInfo& hintInfo);

    TsHintKind& HintKind() { return *hintKind_; }
    TBitmap& ScratchBitmap() { return *scratch_; }
    bool UseSkinData() const { return useSkinData_; }
    void SetUseSkinData(bool value);
    int PauseHide() const { return pauseHide_; }
    void SetPauseHide(int value);
    TsHintsPredefinitions Predefinitions() const { return predefinitions_; }
    void SetPredefinitions(TsHintsPredefinitions value) { predefinitions_ = value; }
    const std::string& SkinSection() const { return skinSection_; }
    void SetSkinSection(const std::string& value) { skinSection_ = value; }
    // The point a hint is shown at instead of the cursor; X = -1: the cursor. Reset after each
    // shown hint.
    POINT HintPos() const { return hintPos_; }
    void SetHintPos(POINT p) { hintPos_ = p; }

    TacShowHintEvent OnShowHint;
    bool Animated = true;
    TsMousePosition DefaultMousePos = mpLeftTop;
    bool HTMLMode = false;

private:
    std::unique_ptr<TsHintKind> hintKind_;
    std::unique_ptr<TBitmap> scratch_;
    std::string skinSection_ = "HINT";
    bool useSkinData_ = false;
    int pauseHide_ = 5000;
    TsHintsPredefinitions predefinitions_ = shEllipse;
    POINT hintPos_{-1, -1};
};

// The frame the manager's OnShowHint handed out for the next hint, until a hint window takes
// it over.
TFrame*& PendingHintFrame();

class TsCustomHintWindow : public THintWindow {
public:
    explicit TsCustomHintWindow(TComponent* owner);
    ~TsCustomHintWindow() override;

    RECT CalcHintRect(int maxWidth, const std::string& hint) override;
    void ActivateHint(const RECT& rect, const std::string& hint) override;

    // Where the hint goes instead of the mouse point; (0, 0): none.
    void SetPresetPosition(POINT p) { presetPos_ = p; }
    // The corner at the mouse point: 0 left-top, 1 left-bottom, 2 right-top, 3 right-bottom.
    int Corner() const { return corner_; }

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void Dispatch(TMessage& message) override;

    virtual void GetMousePosition(POINT& p);
    virtual void PaintShadow(TBitmap* bitmap);
    virtual void GetBody(RECT& rect);
    virtual std::unique_ptr<TBitmap> MakeMask();
    virtual std::unique_ptr<TBitmap> MakeBody();
    virtual void PaintBackground(TBitmap& bitmap, const RECT& rect);
    virtual void PaintBorder(TBitmap& bitmap);
    virtual void PaintText(TBitmap& bitmap);

    // The manager in charge, when it draws hints in a shaped style of its own (not the skin).
    TsHintManager* UnskinnedManager() const;
    bool SkinUsed() const;
    // ShadowOffset when the shadow is on, else 0.
    int ShadowSize() const;
    int HintWidth() const { return size_.cx; }
    int HintHeight() const { return size_.cy; }
    // The tail point of the tail styles for the corner at the mouse point.
    POINT TailPoint() const;
    // Width and height the ellipse styles add so the ellipse holds the text.
    int extraWidth_ = 0;
    int extraHeight_ = 0;
    // The frame shown as this hint's picture, owned until it was painted once.
    std::unique_ptr<TFrame> frame_;

private:
    void ResolveSkinSection(TsSkinManager* skin, const std::string& sectionName);
    void AddSkinBorders(RECT& r) const;
    void SkinBorderWidths(int& left, int& top, int& right, int& bottom) const;
    RECT PlaceAtPoint(const RECT& rect, POINT p);
    void ShowLayered(const RECT& rect, bool wasVisible);
    void ShowOverScreenCopy(const RECT& rect);
    std::unique_ptr<TBitmap> PrepareLayeredImage();
    bool SectionFullyTransparent() const;
    std::unique_ptr<TBitmap> MakeSkinnedMask();
    std::unique_ptr<TBitmap> MakeSkinnedBody();
    void PaintSkinnedText(TBitmap& bitmap, const RECT& body);
    void PaintUnskinnedText(TBitmap& bitmap, RECT body);
    void PaintFrame(TBitmap& bitmap, const RECT& body);

    POINT presetPos_{0, 0};
    SIZE size_{0, 0};
    int sectionIndex_ = -1;
    int maskIndex_ = -1;
    int textureIndex_ = -1;
    int corner_ = 0;
    std::unique_ptr<TBitmap> screenCopy_;
    // The last body picture, what controls on a frame hint see behind them.
    std::unique_ptr<TBitmap> lastBody_;
};

// A rectangle with a 3-D bevel and a soft shadow.
class TsSimplyHintWindow : public TsCustomHintWindow {
public:
    using TsCustomHintWindow::TsCustomHintWindow;

protected:
    void GetMousePosition(POINT& p) override;
    void PaintShadow(TBitmap* bitmap) override;
    std::unique_ptr<TBitmap> MakeMask() override;
    std::unique_ptr<TBitmap> MakeBody() override;
    void PaintBorder(TBitmap& bitmap) override;
};

// What the three styles with a tail toward the mouse point share.
class TsTailHintWindow : public TsCustomHintWindow {
public:
    using TsCustomHintWindow::TsCustomHintWindow;
    RECT CalcHintRect(int maxWidth, const std::string& hint) override;

protected:
    void GetBody(RECT& rect) override;
    std::unique_ptr<TBitmap> MakeMask() override;
    std::unique_ptr<TBitmap> MakeBody() override;
    void PaintBorder(TBitmap& bitmap) override;
    void PaintShadow(TBitmap* bitmap) override;
    // The body's outline (rounded rectangle or ellipse) in the canvas's brush.
    virtual void DrawOutlineShape(TCanvas& canvas, const RECT& r) = 0;
    // Whether the box grows so that an ellipse holds the text.
    virtual bool GrowsToEllipse() const { return false; }
    // The shape in the given grey: the whole mask (transparency as the mask's grey level) or
    // the shadow's rings.
    void DrawTailShape(TCanvas& canvas, const RECT& body, int inset, int tailHalfWidth, int baseShift);
};

// A rounded rectangle with a triangular tail.
class TsComicsHintWindow : public TsTailHintWindow {
public:
    using TsTailHintWindow::TsTailHintWindow;

protected:
    void DrawOutlineShape(TCanvas& canvas, const RECT& r) override;
};

// An ellipse with a tail, grown to hold its text.
class TsEllipseHintWindow : public TsTailHintWindow {
public:
    using TsTailHintWindow::TsTailHintWindow;

protected:
    void GetBody(RECT& rect) override;
    void DrawOutlineShape(TCanvas& canvas, const RECT& r) override;
    bool GrowsToEllipse() const override;
};

// A thought balloon: an ellipse with a chain of shrinking ellipses toward the mouse point.
class TsBalloonHintWindow : public TsTailHintWindow {
public:
    explicit TsBalloonHintWindow(TComponent* owner);

protected:
    std::unique_ptr<TBitmap> MakeMask() override;
    void PaintShadow(TBitmap* bitmap) override;
    void DrawOutlineShape(TCanvas& canvas, const RECT& r) override;
    bool GrowsToEllipse() const override { return true; }

private:
    // The balloon in grey levels: the mask (no rings) or the shadow's rings.
    std::unique_ptr<TBitmap> BalloonShape(bool shadow);

    int smallEllipses_ = 5;
    int sizeDivisor_ = 4;
};

}  // namespace parch
