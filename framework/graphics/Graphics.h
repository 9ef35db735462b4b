#pragma once
// The framework's colour values and its three drawing tools, TFont, TPen and TBrush. Each tool
// keeps its properties, builds the graphics handle from them on demand and reports every change
// through OnChange, so a canvas knows when to select the handle again.

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "platform/gdi/FontTypes.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/SystemColors.h"

namespace parch {

class TBitmap;

// A colour: 0x00BBGGRR; with the top bit set the low byte is a system colour index
// (COLOR_xxx), resolved by ColorToRGB.
using TColor = std::int32_t;

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | static_cast<unsigned>(index)); }

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SystemColor(COLOR_MENU);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SystemColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);
constexpr TColor clHotLight = SystemColor(COLOR_HOTLIGHT);
constexpr TColor clGradientActiveCaption = SystemColor(COLOR_GRADIENTACTIVECAPTION);
constexpr TColor clGradientInactiveCaption = SystemColor(COLOR_GRADIENTINACTIVECAPTION);
constexpr TColor clMenuHighlight = SystemColor(COLOR_MENUHILIGHT);
constexpr TColor clMenuBar = SystemColor(COLOR_MENUBAR);

// A system colour becomes its current value; any other colour is returned as it is.
COLORREF ColorToRGB(TColor color);

using TChangeEvent = std::function<void()>;

// Base of the drawing tools: change notification, and an optional lock of the owner that is
// held while a property changes (a bitmap back end shares its lock with its font).
class TGraphicsObject {
public:
    virtual ~TGraphicsObject() = default;
    TChangeEvent OnChange;
    void SetOwnerLock(std::recursive_mutex* lock) { ownerLock_ = lock; }

protected:
    TGraphicsObject() = default;
    TGraphicsObject(const TGraphicsObject&) = delete;
    TGraphicsObject& operator=(const TGraphicsObject&) = delete;
    void Changed();
    std::unique_lock<std::recursive_mutex> LockOwner();

private:
    std::recursive_mutex* ownerLock_ = nullptr;
};

using TFontStyles = unsigned;
constexpr TFontStyles fsBold = 1;
constexpr TFontStyles fsItalic = 2;
constexpr TFontStyles fsUnderline = 4;
constexpr TFontStyles fsStrikeOut = 8;

enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TFontQuality { fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType, fqClearTypeNatural };

class TFont : public TGraphicsObject {
public:
    TFont();
    ~TFont() override;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name);
    // Points at PixelsPerInch; setting it sets Height.
    int Size() const;
    void SetSize(int points);
    // Pixels: negative = character height, positive = cell height.
    int Height() const { return height_; }
    void SetHeight(int height);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    BYTE Charset() const { return charset_; }
    void SetCharset(BYTE charset);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch);
    // Angle of the baseline in tenths of a degree.
    int Orientation() const { return orientation_; }
    void SetOrientation(int orientation);
    TFontQuality Quality() const { return quality_; }
    void SetQuality(TFontQuality quality);
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int pixelsPerInch);

    // The font handle of the current properties, owned by this object.
    HFONT Handle();
    // Takes over a font handle and the properties it describes.
    void SetHandle(HFONT handle);

    void Assign(const TFont& source);

private:
    void FontChanged();  // a property of the handle changed
    void ReleaseHandle();

    std::string name_ = "Tahoma";
    int height_ = -11;
    TColor color_ = clWindowText;
    TFontStyles style_ = 0;
    BYTE charset_ = DEFAULT_CHARSET;
    TFontPitch pitch_ = fpDefault;
    int orientation_ = 0;
    TFontQuality quality_ = fqDefault;
    int pixelsPerInch_ = 96;
    HFONT handle_ = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// The binary raster operation the pen draws with.
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

class TPen : public TGraphicsObject {
public:
    TPen() = default;
    ~TPen() override;

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Width() const { return width_; }
    void SetWidth(int width);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode mode);

    HPEN Handle();
    void Assign(const TPen& source);

private:
    void PenChanged();
    void ReleaseHandle();

    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
    HPEN handle_ = nullptr;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
public:
    TBrush() = default;
    ~TBrush() override;

    TColor Color() const { return color_; }
    // Setting a colour makes a clear brush solid, as the framework always did.
    void SetColor(TColor color);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);
    // A pattern bitmap (not owned) that replaces colour and style while set.
    TBitmap* Bitmap() const { return bitmap_; }
    void SetBitmap(TBitmap* bitmap);

    HBRUSH Handle();
    void Assign(const TBrush& source);

private:
    void BrushChanged();
    void ReleaseHandle();

    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    TBitmap* bitmap_ = nullptr;
    HBRUSH handle_ = nullptr;
    bool ownsHandle_ = false;
};

}  // namespace parch
