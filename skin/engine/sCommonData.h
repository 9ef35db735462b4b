#pragma once
// The skin data every skinned window keeps (TsCommonData): its section and the section's table
// indexes, hover, focus and update state, and the 32-bit cache it paints through. Skinned
// windows talk through one message, SkinCommandMessage; this unit names its commands, answers
// them for a TsCommonData and handles the messages every skinned control shares.

#include <cstdint>
#include <memory>
#include <string>

#include "base/Classes.h"
#include "bitmap32/PropertyTable.h"
#include "framework/Messages.h"
#include "framework/graphics/Bitmap.h"
#include "skin/engine/sConst.h"

namespace parch {

class TControl;
class TCustomForm;
class TsSkinManager;
struct TsGeneralData;

// The skin commands: the high word of a SkinCommandMessage's WParam.
enum TacSkinCommand : int {
    scSkinLoaded = 1,               // LParam: the manager
    scSkinRemoved = 2,              // LParam: the manager
    scRefreshFromSkin = 3,          // LParam: the manager
    scGetProvider = 4,
    scAdapterNotify = 5,
    scResumePainting = 6,
    scIsSkinned = 7,
    scSetUpdating = 8,              // low word 1: on
    scSetUrgentPainting = 9,        // low word 1: on
    scMustPaintingWait = 10,
    scIsPartlyOutside = 11,
    scRepaintNamedSection = 13,
    scMenuNotify = 14,
    scTakeSection = 15,             // LParam: TacSectionInfo*
    scNextFadeFrame = 16,
    scBackgroundChanged = 17,
    scAnimationFrameReady = 18,
    scDependsOnParentBackground = 19,
    scParentBackgroundChanged = 20, // low word 1: also redraw
    scGetBackgroundColor = 21,
    scSetPartlyOutside = 22,
    scRebuildCache = 23,
    scPaintIntoBitmap = 24,         // LParam: a bitmap
    scAttachAdapters = 25,          // LParam: the control
    scGetSection = 26,              // LParam: TacSectionInfo*
    scGetSkinManager = 27,
    scGraphicMouseEnter = 29,
    scGraphicMouseLeave = 30,
    scUpdateBegins = 31,
    scUpdateEnds = 32,
    scDropCaches = 33,
    scGetBackground = 34,           // LParam: TsBackgroundRequest*
    scDisabledGlyph = 35,
    scBackgroundKind = 36,          // LParam 1: recompute and pass on; 0: give the state flags
    scGetCommonData = 37,
    scPrinting = 38,                // LParam: the DC, or 0 when printing ends
    scScrollNotify1 = 51,
    scScrollNotify2 = 52,
    scGetApplication = 60,
};

// WParam of a skin command: the command in the high word, the sub-argument in the low word.
constexpr WPARAM SkinCommandWParam(int command, int subArgument = 0) {
    return (static_cast<WPARAM>(static_cast<unsigned>(command)) << 16) | static_cast<WORD>(subArgument);
}
constexpr int SkinCommandOf(WPARAM wParam) { return static_cast<int>((wParam >> 16) & 0xFFFF); }
constexpr int SkinSubArgumentOf(WPARAM wParam) { return static_cast<int>(wParam & 0xFFFF); }

// LParam of commands 15 and 26.
struct TacSectionInfo {
    std::int32_t Index = -1;
    std::string Name;
    std::uint8_t Reserved = 0;
};

// StateFlags bits.
constexpr std::uint16_t sfPlainBackground = 0x0001;
constexpr std::uint16_t sfPrinting = 0x0200;
constexpr std::uint16_t sfUpdating = 0x0800;
// BackgroundKind bits.
constexpr std::uint16_t bkChangesWithWidth = 0x1;
constexpr std::uint16_t bkChangesWithHeight = 0x2;
constexpr std::uint16_t bkTextured = 0x4;

// The control-kind sets; a code outside 0..255 is in none.
bool InEditKinds(int kind);
bool InNoHoverKinds(int kind);
bool InNoGlowKinds(int kind);
// The section a control of the kind draws from when it names none; empty for kinds without
// one (the owner's class name is used then).
std::string DefaultSectionOfKind(int kind);

// Windowless children are painted into their parent's cache (off: they paint themselves).
extern bool GraphicsPaintedInCache;
// A control that is hidden gives its cache back (on by default).
extern bool ReleaseCacheOnHide;

// Form skinning's provider as the skin data sees an owner that is one: the form it skins.
class IFormSkinProvider {
public:
    virtual ~IFormSkinProvider() = default;
    virtual TCustomForm* ProvidedForm() const = 0;
};

class TsCommonData : public TPersistent, public IPublishedProperties {
public:
    // owner: the control, form provider or nothing (adapters of foreign windows). With
    // createCache the cache bitmap (0 x 0, 32-bit) is made at once.
    TsCommonData(TObject* owner, bool createCache);
    ~TsCommonData() override;
    TsCommonData(const TsCommonData&) = delete;
    TsCommonData& operator=(const TsCommonData&) = delete;

    // Published properties.
    const std::string& SkinSection() const { return skinSection_; }
    // Stored upper-cased ("UNKNOWN" for an empty text); an equal text changes nothing.
    void SetSkinSection(const std::string& value);
    // The assigned manager; nullptr means the default one.
    TsSkinManager* SkinManager() const { return skinManager_; }
    void SetSkinManager(TsSkinManager* value);
    bool CustomColor() const { return customColor_; }
    void SetCustomColor(bool value);
    bool CustomFont() const { return customFont_; }
    void SetCustomFont(bool value);
    const TPropertyTable& PublishedProperties() const override;

    // The assigned manager, else the default manager.
    TsSkinManager* GetSkinManager() const;
    // The section record of SectionIndex; nullptr when not skinned.
    const TsGeneralData* Section() const;

    bool IsSkinned(bool checkActive = false) const;
    bool NeedsSkinPainting() const;
    bool IsHotOrFocused() const;
    // Whether painting must wait (for the control itself or its parent).
    bool CheckUpdating() const;
    void SetUpdating(bool value) { PaintSuspended = value; }
    void BeginUpdate();
    void EndUpdate(bool repaint = false);
    void Invalidate();
    void Loaded();
    void SelectDefaultSection();
    void UpdateIndexes();
    void UpdateControlColors(bool repaint);
    void UpdateBackgroundFlags();
    void UpdateBackgroundKind(bool passOn);
    bool NeedsParentBackground() const;
    bool DependsOnParentBackground() const;
    // The background colour of the state; window is used when there is no host control.
    TColor GetBackgroundColor(int state, HWND window) const;
    // The answer to command 34.
    void FillBackgroundRequest(TsBackgroundRequest& request, int state, HWND window);
    TsBackgroundSource GetParentBackground() const;
    void PrepareCacheBitmap();
    int MaxBorderWidth() const;
    // Shows the control's glow, or removes it when the mouse is not over the control.
    void UpdateGlow(bool hideIfShown, HWND window);
    // Removes the control's glow; GlowSlot becomes -1.
    void RemoveGlow();

    // Fields shared with form skinning and the skinned controls.
    int UpdateLevel = 0;
    int HUEOffset = 0;
    int Saturation = 0;
    // The handle of the control's glow (see sGlow.h); -1 none.
    int GlowSlot = -1;
    bool PaintSuspended = false;
    int BordersMaskIndex = -1;
    int SectionIndex = -1;
    int PatternIndex = -1;
    int HotPatternIndex = -1;
    std::int32_t Reserved = 0;
    bool PaintUrgent = false;
    bool BackgroundDirty = true;
    bool PartlyVisible = true;
    TControl* HostControl = nullptr;
    TObject* HostObject = nullptr;
    std::unique_ptr<TBitmap> CacheBitmap;
    HRGN WindowRegion = nullptr;
    int ControlKind = 0;
    bool HasFocus = false;
    bool MouseInside = false;
    std::uint16_t StateFlags = 0;
    std::uint16_t BackgroundKind = 0;
    HDC PrintTarget = nullptr;
    RECT FrameRect1{0, 0, 0, 0};
    RECT FrameRect2{0, 0, 0, 0};

protected:
    void ChangeHueOrSaturation(int& field, int value);

private:
    IFormSkinProvider* Provider() const;
    bool HostIsGoing() const;
    void TellHostOfSkinState(TsSkinManager* manager);
    TColor FallbackColor() const;
    TColor ParentColor(HWND window, bool btnFaceWithoutParent) const;
    void PassBackgroundRequestOn(TsBackgroundRequest& request, HWND window);
    void AnswerFromCache(TsBackgroundRequest& request);

    std::string skinSection_;
    TsSkinManager* skinManager_ = nullptr;
    bool customColor_ = false;
    bool customFont_ = false;
};

// Publishes the hue and saturation change as well.
class TsCtrlSkinData : public TsCommonData {
public:
    using TsCommonData::TsCommonData;
    void SetHUEOffset(int value) { ChangeHueOrSaturation(HUEOffset, value); }
    void SetSaturation(int value) { ChangeHueOrSaturation(Saturation, value); }
    const TPropertyTable& PublishedProperties() const override;
};

// The section whose font a control's text takes: the nearest non-transparent parent section
// that gives its own font, else defaultIndex.
int FindFontSectionIndex(TControl* control, int defaultIndex, TsSkinManager* manager, int state);
// The parent's answer to command 19; false without a parent window.
bool ParentBackgroundKind(const TsCommonData& data);
// The backdrop of a bare window: its parent window's answer, else nothing known.
TsBackgroundSource GetWindowParentBackground(HWND window);

// The answers of a TsCommonData to skin commands; true when handled.
bool HandleSkinCommand(TMessage& message, TsCommonData* data);
// Every skinned control calls it first from its window procedure; true when the message was
// handled and the control's own handling must not run.
bool SharedControlMessageHandler(TMessage& message, TsCommonData* data);

}  // namespace parch
