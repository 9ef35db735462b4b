#include "skin/engine/sCommonData.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/GraphicControls.h"
#include "framework/Buttons.h"
#include "framework/Menus.h"
#include "framework/PageControl.h"
#include "framework/Scrolling.h"
#include "framework/StdCtrls.h"
#include "framework/WinControls.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/win/Focus.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sBackdrop.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sColorTransforms.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sFormServices.h"
#include "skin/engine/sGlow.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

bool GraphicsPaintedInCache = false;
bool ReleaseCacheOnHide = true;
std::string SectionToRepaint;

namespace {

struct KindRange {
    int first;
    int last;
};

template <size_t N>
bool KindInRanges(int kind, const KindRange (&ranges)[N]) {
    for (const KindRange& range : ranges)
        if (kind >= range.first && kind <= range.last) return true;
    return false;
}

constexpr KindRange kEditKindRanges[] = {{2, 18}, {41, 41}, {76, 84}, {96, 96}, {131, 140}};
constexpr KindRange kNoHoverKindRanges[] = {{19, 19}, {51, 74}, {110, 110}, {141, 161}};
constexpr KindRange kNoGlowKindRanges[] = {{51, 52}, {54, 54}, {56, 60}, {68, 68},   {73, 74},
                                           {110, 110}, {141, 141}, {143, 143}, {151, 151}, {161, 161}, {226, 226}};

struct KindSection {
    KindRange kinds;
    const char* section;
};

constexpr KindSection kDefaultSections[] = {
    {{2, 8}, "EDIT"},          {{10, 10}, "EDIT"},         {{41, 41}, "EDIT"},       {{76, 76}, "EDIT"},
    {{78, 78}, "EDIT"},        {{83, 85}, "EDIT"},         {{96, 96}, "EDIT"},       {{131, 131}, "EDIT"},
    {{140, 140}, "EDIT"},      {{227, 227}, "EDIT"},       {{11, 18}, "COMBOBOX"},   {{81, 82}, "COMBOBOX"},
    {{19, 19}, "BAR"},         {{20, 20}, "BARTITLE"},     {{32, 32}, "CHECKBOX"},   {{152, 152}, "CHECKBOX"},
    {{33, 33}, "RADIOBUTTON"}, {{51, 51}, "PANEL"},        {{59, 59}, "PANEL"},      {{68, 68}, "PANEL"},
    {{73, 73}, "PANEL"},       {{52, 52}, "PANEL_LOW"},    {{58, 58}, "PANEL_LOW"},  {{53, 54}, "TOOLBAR"},
    {{60, 60}, "TOOLBAR"},     {{56, 56}, "DRAGBAR"},      {{57, 57}, "TABSHEET"},   {{74, 74}, "GROUPBOX"},
    {{226, 226}, "GROUPBOX"},  {{75, 75}, "SPLITTER"},     {{92, 92}, "SPEEDBUTTON"}, {{95, 95}, "SPEEDBUTTON"},
    {{93, 94}, "BUTTON"},      {{98, 98}, "TOOLBUTTON"},   {{141, 141}, "PAGECONTROL"}, {{143, 143}, "PAGECONTROL"},
    {{151, 151}, "STATUSBAR"}, {{161, 161}, "GAUGE"},      {{165, 165}, "TRACKBAR"},
};

std::string UpperCased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool ComponentGoing(const TObject* object, TComponentState states) {
    auto* component = dynamic_cast<const TComponent*>(object);
    return component != nullptr && (component->ComponentState() & states) != 0;
}

bool IsGoing(const TObject* object) { return ComponentGoing(object, csDestroying); }
bool IsLoading(const TObject* object) { return ComponentGoing(object, csLoading); }

TWinControl* AsWindowed(TControl* control) { return dynamic_cast<TWinControl*>(control); }

HWND HandleIfAllocated(TControl* control) {
    TWinControl* windowed = AsWindowed(control);
    return windowed != nullptr && windowed->HandleAllocated() ? windowed->Handle() : nullptr;
}

// The control's own answer to a skin command, through its window when it has one.
LRESULT AskControl(TControl* control, int command, LPARAM lParam = 0, int subArgument = 0) {
    if (HWND window = HandleIfAllocated(control))
        return SendMessage(window, SkinCommandMessage, SkinCommandWParam(command, subArgument), lParam);
    if (AsWindowed(control) != nullptr) return 0;
    return control->Perform(SkinCommandMessage, SkinCommandWParam(command, subArgument), lParam);
}

bool ParentAnswers(const TControl* control, int command) {
    if (control == nullptr || control->Parent() == nullptr || !control->Parent()->HandleAllocated()) return false;
    return AskControl(control->Parent(), command) != 0;
}

// One mix of a colour with what lies behind it: T percent of the backdrop shows through.
TColor MixWithBackdrop(TColor own, TColor behind, int transparency) {
    return MixColorsByFactor(behind, own, transparency / 100.0);
}

void ChildCommandToEvery(TWinControl& parent, int command, int subArgument, LPARAM lParam, bool skipAnchoredRightOrBottom) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
        TControl* child = parent.Controls(i);
        if (IsGoing(child)) continue;
        if (skipAnchoredRightOrBottom && (child->Anchors() & (akRight | akBottom)) != 0) continue;
        child->Perform(SkinCommandMessage, SkinCommandWParam(command, subArgument), lParam);
    }
}

}  // namespace

bool InEditKinds(int kind) { return KindInRanges(kind, kEditKindRanges); }
bool InNoHoverKinds(int kind) { return KindInRanges(kind, kNoHoverKindRanges); }
bool InNoGlowKinds(int kind) { return KindInRanges(kind, kNoGlowKindRanges); }

std::string DefaultSectionOfKind(int kind) {
    for (const KindSection& entry : kDefaultSections)
        if (kind >= entry.kinds.first && kind <= entry.kinds.last) return entry.section;
    return {};
}

// ----- creation and properties -----

TsCommonData::TsCommonData(TObject* owner, bool createCache)
    : HostControl(dynamic_cast<TControl*>(owner)), HostObject(owner) {
    FrameRect1.right = 0;
    FrameRect2.bottom = 0;
    if (createCache) CacheBitmap = NewPf32Bitmap(0, 0);
}

TsCommonData::~TsCommonData() {
    SectionIndex = BordersMaskIndex = PatternIndex = HotPatternIndex = -1;
    if (GlowSlot != -1) RemoveGlow();
}

void TsCommonData::ChangeHueOrSaturation(int& field, int value) {
    if (field == value) return;
    field = value;
    Loaded();
    Invalidate();
}

const TPropertyTable& TsCommonData::PublishedProperties() const {
    static const TPropertyTable table = {
        {"SkinSection", TTypeKind::tkString,
         [](const TObject& o) { return static_cast<const TsCommonData&>(o).SkinSection(); },
         [](TObject& o, const std::string& text) { static_cast<TsCommonData&>(o).SetSkinSection(text); }, {}},
        {"CustomColor", TTypeKind::tkEnumeration,
         [](const TObject& o) { return std::string(static_cast<const TsCommonData&>(o).CustomColor() ? "True" : "False"); },
         [](TObject& o, const std::string& text) {
             static_cast<TsCommonData&>(o).SetCustomColor(EnumPropertyValue("CustomColor", text, {"False", "True"}) == 1);
         },
         {}},
        {"CustomFont", TTypeKind::tkEnumeration,
         [](const TObject& o) { return std::string(static_cast<const TsCommonData&>(o).CustomFont() ? "True" : "False"); },
         [](TObject& o, const std::string& text) {
             static_cast<TsCommonData&>(o).SetCustomFont(EnumPropertyValue("CustomFont", text, {"False", "True"}) == 1);
         },
         {}},
    };
    return table;
}

const TPropertyTable& TsCtrlSkinData::PublishedProperties() const {
    static const TPropertyTable table = [] {
        TPropertyTable all = TsCommonData(nullptr, false).TsCommonData::PublishedProperties();
        all.push_back({"HUEOffset", TTypeKind::tkInteger,
                       [](const TObject& o) { return std::to_string(static_cast<const TsCtrlSkinData&>(o).HUEOffset); },
                       [](TObject& o, const std::string& text) {
                           static_cast<TsCtrlSkinData&>(o).SetHUEOffset(IntegerPropertyValue("HUEOffset", text));
                       },
                       {}});
        all.push_back({"Saturation", TTypeKind::tkInteger,
                       [](const TObject& o) { return std::to_string(static_cast<const TsCtrlSkinData&>(o).Saturation); },
                       [](TObject& o, const std::string& text) {
                           static_cast<TsCtrlSkinData&>(o).SetSaturation(IntegerPropertyValue("Saturation", text));
                       },
                       {}});
        return all;
    }();
    return table;
}

TsSkinManager* TsCommonData::GetSkinManager() const {
    return skinManager_ != nullptr ? skinManager_ : TsSkinManager::DefaultManager();
}

IFormSkinProvider* TsCommonData::Provider() const { return dynamic_cast<IFormSkinProvider*>(HostObject); }

bool TsCommonData::HostIsGoing() const { return IsGoing(HostObject); }

const TsGeneralData* TsCommonData::Section() const {
    TsSkinManager* manager = GetSkinManager();
    if (manager == nullptr || !IsValidSectionIndex(manager->Tables(), SectionIndex)) return nullptr;
    return &manager->Tables().Sections[static_cast<size_t>(SectionIndex)];
}

// Commands 3 or 2 tell the host whether it has a skin now.
void TsCommonData::TellHostOfSkinState(TsSkinManager* manager) {
    bool hasSkin = manager != nullptr && !manager->Tables().Sections.empty() &&
                   IsValidSectionIndex(manager->Tables(), SectionIndex);
    HostControl->Perform(SkinCommandMessage, SkinCommandWParam(hasSkin ? scRefreshFromSkin : scSkinRemoved),
                         reinterpret_cast<LPARAM>(manager));
}

void TsCommonData::SetSkinSection(const std::string& value) {
    if (skinSection_ == value) return;
    skinSection_ = value.empty() ? std::string("UNKNOWN") : UpperCased(value);
    TsSkinManager* manager = GetSkinManager();
    if (manager == nullptr || manager->Tables().Sections.empty())
        SectionIndex = -1;
    else
        UpdateIndexes();
    bool hostReady = HostControl != nullptr && !ComponentGoing(HostControl, csLoading | csReading | csDestroying) &&
                     HostControl->Parent() != nullptr;
    if (hostReady) {
        if (!PaintSuspended) TellHostOfSkinState(manager);
        RemoveGlow();
    } else if (Provider() != nullptr) {
        BackgroundDirty = true;
    }
}

void TsCommonData::SetSkinManager(TsSkinManager* value) {
    if (skinManager_ == value) return;
    skinManager_ = value == TsSkinManager::DefaultManager() ? nullptr : value;
    if (IsLoading(HostControl)) return;
    if (value != nullptr && !value->Tables().Sections.empty())
        UpdateIndexes();
    else
        SectionIndex = -1;
    if (Provider() != nullptr) return;
    if (HostControl != nullptr && HostControl->Parent() != nullptr && !IsGoing(HostControl)) TellHostOfSkinState(value);
}

void TsCommonData::SetCustomColor(bool value) {
    if (customColor_ == value) return;
    customColor_ = value;
    if (HostControl != nullptr && !IsLoading(HostControl)) UpdateControlColors(true);
}

void TsCommonData::SetCustomFont(bool value) {
    if (customFont_ == value) return;
    customFont_ = value;
    if (HostControl != nullptr && !IsLoading(HostControl)) UpdateControlColors(true);
}

// ----- state questions -----

bool TsCommonData::IsSkinned(bool checkActive) const {
    TsSkinManager* manager = GetSkinManager();
    if (skinSection_.empty() || manager == nullptr) return false;
    if (!IsValidSectionIndex(manager->Tables(), SectionIndex)) return false;
    if (HostObject != nullptr && HostIsGoing()) return false;
    return !checkActive || manager->SkinData().SkinActive;
}

bool TsCommonData::NeedsSkinPainting() const { return (StateFlags & sfPlainBackground) == 0 || IsHotOrFocused(); }

bool TsCommonData::IsHotOrFocused() const {
    if (HostControl == nullptr || IsGoing(HostControl) || !HostControl->Enabled() ||
        ComponentGoing(HostControl, csDesigning))
        return false;
    if (HasFocus) return true;
    if (HWND window = HandleIfAllocated(HostControl); window != nullptr && GetFocus() == window)
        return dynamic_cast<TCustomPanel*>(HostControl) == nullptr;
    return MouseInside && !InNoHoverKinds(ControlKind);
}

bool TsCommonData::CheckUpdating() const {
    TsSkinManager* manager = GetSkinManager();
    if (manager == nullptr) return false;
    if (!NeedsSkinPainting()) return PaintSuspended;
    if (HostControl != nullptr && IsGoing(HostControl)) return PaintSuspended;
    if (PaintSuspended) return true;
    if (HostControl != nullptr) return HostControl->Parent() != nullptr && ParentAnswers(HostControl, scMustPaintingWait);
    if (IFormSkinProvider* provider = Provider(); provider != nullptr && provider->ProvidedForm() != nullptr)
        return ParentAnswers(provider->ProvidedForm(), scMustPaintingWait);
    return false;
}

// ----- updates and repainting -----

void TsCommonData::BeginUpdate() {
    ++UpdateLevel;
    PaintSuspended = true;
    StateFlags |= sfUpdating;
    if (HostControl != nullptr)
        HostControl->Perform(SkinCommandMessage, SkinCommandWParam(scUpdateBegins), 0);
    else if (IFormSkinProvider* provider = Provider(); provider != nullptr && provider->ProvidedForm() != nullptr)
        SendSkinCommandToWnd(provider->ProvidedForm()->Handle(), scUpdateBegins, 0);
}

void TsCommonData::EndUpdate(bool repaint) {
    --UpdateLevel;
    PaintSuspended = false;
    StateFlags &= static_cast<std::uint16_t>(~sfUpdating);
    if (UpdateLevel > 0) return;
    if (HostControl != nullptr)
        HostControl->Perform(SkinCommandMessage, SkinCommandWParam(scUpdateEnds), 0);
    else if (IFormSkinProvider* provider = Provider(); provider != nullptr && provider->ProvidedForm() != nullptr)
        SendSkinCommandToWnd(provider->ProvidedForm()->Handle(), scUpdateEnds, 0);
    if (repaint) Invalidate();
}

void TsCommonData::Invalidate() {
    constexpr UINT kRedrawAll = RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE;
    if (HostControl != nullptr) {
        if (ComponentGoing(HostControl, csDestroying | csLoading)) return;
        BackgroundDirty = true;
        if (!ControlCanPaint(HostControl)) return;
        if (AsWindowed(HostControl) == nullptr)
            HostControl->Repaint();
        else if (HWND window = HandleIfAllocated(HostControl))
            RedrawWindow(window, nullptr, nullptr, kRedrawAll);
        return;
    }
    if (IFormSkinProvider* provider = Provider()) {
        BackgroundDirty = true;
        TCustomForm* form = provider->ProvidedForm();
        if (form != nullptr && form->HandleAllocated()) RedrawWindow(form->Handle(), nullptr, nullptr, kRedrawAll);
    }
}

void TsCommonData::Loaded() {
    SelectDefaultSection();
    if (!IsSkinned() || HostControl == nullptr || HostControl->Parent() == nullptr || IsLoading(HostControl)) return;
    if (AsWindowed(HostControl) != nullptr) RequestControlAdapter(HostControl);
    UpdateControlColors(false);
}

void TsCommonData::SelectDefaultSection() {
    if (!skinSection_.empty()) {
        UpdateIndexes();
        return;
    }
    std::string section = DefaultSectionOfKind(ControlKind);
    if (section.empty() && HostObject != nullptr) section = UpperCased(HostObject->ClassName());
    SetSkinSection(section);
}

void TsCommonData::UpdateIndexes() {
    if (ComponentGoing(HostObject, csDesigning) && FindOwnerFrame(dynamic_cast<TComponent*>(HostObject)) != nullptr) {
        SectionIndex = PatternIndex = HotPatternIndex = -1;
        return;
    }
    BackgroundDirty = true;
    TsSkinManager* manager = GetSkinManager();
    SectionIndex = manager != nullptr && manager->SkinData().SkinActive ? GetSectionIndex(manager, skinSection_) : -1;
    UpdateBackgroundFlags();
    StateFlags = 0;
    if (SectionIndex >= 0) {
        BordersMaskIndex = manager->Tables().Sections[static_cast<size_t>(SectionIndex)].BordersMaskIdx;
        PatternIndex = manager->GetTextureIndex(SectionIndex, skinSection_, "PATTERN");
        HotPatternIndex = manager->GetTextureIndex(SectionIndex, skinSection_, "HOTPATTERN");
        UpdateBackgroundKind(false);
    } else {
        PatternIndex = HotPatternIndex = -1;
    }
}

void TsCommonData::UpdateControlColors(bool repaint) {
    if (!IsSkinned() || !InEditKinds(ControlKind) || HandleIfAllocated(HostControl) == nullptr) return;
    const TsGeneralData& section = *Section();
    auto shifted = [this](std::uint32_t color) {
        return AdjustColorSaturation(ShiftColorHue(HUEOffset, static_cast<TColor>(color)), Saturation);
    };
    if (!customColor_) {
        TColor color = shifted(section.Color);
        if (color != HostControl->Color()) HostControl->SetColor(color);
    }
    if (!customFont_) {
        TColor color = shifted(section.StateProps[0].FontColor);
        if (color != HostControl->Font().Color()) HostControl->Font().SetColor(color);
    }
    if (repaint) Invalidate();
}

void TsCommonData::UpdateBackgroundFlags() {
    BackgroundKind = 0;
    const TsGeneralData* section = Section();
    if (section == nullptr) return;
    if (section->ImagePercent != 0) BackgroundKind |= bkTextured;
    if (section->GradientPercent == 0 || section->GradientArray.empty()) return;
    switch (section->GradientArray.front().Mode) {
        case 0: BackgroundKind |= bkChangesWithHeight; break;
        case 1: BackgroundKind |= bkChangesWithWidth; break;
        case 2: BackgroundKind |= bkChangesWithWidth | bkChangesWithHeight; break;
        default: break;
    }
}

void TsCommonData::UpdateBackgroundKind(bool passOn) {
    StateFlags &= static_cast<std::uint16_t>(~sfPlainBackground);
    if (HostControl != nullptr) {
        bool container = dynamic_cast<TFrame*>(HostControl) != nullptr || dynamic_cast<TPanel*>(HostControl) != nullptr ||
                         dynamic_cast<TScrollingWinControl*>(HostControl) != nullptr ||
                         dynamic_cast<TPageControl*>(HostControl) != nullptr;
        if (container && !NeedsParentBackground()) StateFlags |= sfPlainBackground;
        if (TWinControl* windowed = AsWindowed(HostControl); passOn && windowed != nullptr)
            ChildCommandToEvery(*windowed, scBackgroundKind, 0, 1, false);
        return;
    }
    if (IFormSkinProvider* provider = Provider()) {
        TCustomForm* form = provider->ProvidedForm();
        if (!NeedsParentBackground() && (form == nullptr || form->FormStyle() != fsMDIForm))
            StateFlags |= sfPlainBackground;
    }
}

bool TsCommonData::NeedsParentBackground() const {
    const TsGeneralData* section = Section();
    if (section == nullptr) return false;
    TsSkinManager* manager = GetSkinManager();
    if (BordersMaskIndex >= 0 && IsValidMaskIndex(manager->Tables(), BordersMaskIndex)) {
        const TsMaskData& mask = manager->Tables().Masks[static_cast<size_t>(BordersMaskIndex)];
        if ((mask.DrawFlags & 0x4) != 0 || mask.LeftWidth + mask.RightWidth > 20 || mask.TopWidth + mask.BottomWidth > 20)
            return true;
    }
    if (section->Transparency == 100) {
        int pattern = section->PatternIdx;
        if (IsValidMaskIndex(manager->Tables(), pattern) &&
            manager->Tables().Masks[static_cast<size_t>(pattern)].DrawFlags == 10)
            return true;
        if (HostControl == nullptr || HostControl->Parent() == nullptr) return true;
        if ((AskControl(HostControl->Parent(), scBackgroundKind) & sfPlainBackground) == 0) return true;
    } else if (section->Transparency != 0) {
        return true;
    }
    return section->ImagePercent != 0 || section->GradientPercent != 0;
}

bool TsCommonData::DependsOnParentBackground() const {
    if (PaintUrgent || !IsSkinned() || HostControl == nullptr || !HostControl->Enabled()) return true;
    if (dynamic_cast<TTabSheet*>(HostControl) != nullptr) return true;
    if (Section()->Transparency <= 0) return false;
    return ParentAnswers(HostControl, scDependsOnParentBackground);
}

// ----- colours and backdrops -----

TColor TsCommonData::FallbackColor() const {
    if (HostControl != nullptr) return HostControl->Color();
    if (IFormSkinProvider* provider = Provider(); provider != nullptr && provider->ProvidedForm() != nullptr)
        return provider->ProvidedForm()->Color();
    return clBtnFace;
}

TColor TsCommonData::ParentColor(HWND window, bool btnFaceWithoutParent) const {
    if (HostControl != nullptr) return GetControlBgColor(HostControl->Parent());
    if (window != nullptr) return GetWndBgColor(GetParent(window));
    (void)btnFaceWithoutParent;
    return clBtnFace;
}

TColor TsCommonData::GetBackgroundColor(int state, HWND window) const {
    if (!IsSkinned()) return FallbackColor();
    const TsGeneralData& section = *Section();
    bool hot = state > 0 && section.StateCount > 1;
    int transparency = hot ? section.HotTransparency : section.Transparency;
    auto color = static_cast<TColor>(hot ? section.HotColor : section.Color);
    if (transparency == 0) return customColor_ ? FallbackColor() : color;
    TColor behind = ParentColor(window, true);
    if (transparency == 100) return behind;
    if (HostControl == nullptr && window == nullptr) return clBtnFace;
    return MixWithBackdrop(color, behind, transparency);
}

void TsCommonData::AnswerFromCache(TsBackgroundRequest& request) {
    if (CacheBitmap == nullptr) {
        request.Color = TransparentKey;
        request.Kind = 1;
        return;
    }
    request.Kind = 2;
    if (request.PaintIt != 0) {
        BitBlt(request.DC, request.R.left, request.R.top, RectWidth(request.R), RectHeight(request.R),
               CacheBitmap->Canvas().Handle(), request.X, request.Y, SRCCOPY);
        return;
    }
    request.Bmp = CacheBitmap.get();
    request.X = 0;
    request.Y = 0;
}

void TsCommonData::PassBackgroundRequestOn(TsBackgroundRequest& request, HWND window) {
    TControl* parent = nullptr;
    POINT offset{0, 0};
    if (HostControl != nullptr) {
        parent = HostControl->Parent();
        offset = POINT{HostControl->Left(), HostControl->Top()};
    } else if (IFormSkinProvider* provider = Provider(); provider != nullptr && provider->ProvidedForm() != nullptr) {
        parent = provider->ProvidedForm()->Parent();
        offset = POINT{provider->ProvidedForm()->Left(), provider->ProvidedForm()->Top()};
    }
    if (parent != nullptr) {
        GetControlBackdrop(request, *parent, request.PaintIt != 0);
        if (request.Kind == 2) {
            request.X += offset.x;
            request.Y += offset.y;
        }
        return;
    }
    if (window != nullptr && GetParent(window) != nullptr) {
        HWND parentWindow = GetParent(window);
        GetWndBackdrop(request, parentWindow, false);
        if (request.Kind == 2) {
            RECT bounds{};
            GetWindowRect(window, &bounds);
            POINT topLeft{bounds.left, bounds.top};
            ScreenToClient(parentWindow, &topLeft);
            request.X += topLeft.x;
            request.Y += topLeft.y;
        }
        return;
    }
    request.Kind = 1;
    TsSkinManager* manager = TsSkinManager::DefaultManager();
    request.Color = manager != nullptr ? manager->GetGlobalColor() : clBtnFace;
}

void TsCommonData::FillBackgroundRequest(TsBackgroundRequest& request, int state, HWND window) {
    if (!IsSkinned() || customColor_) {
        request.Kind = 1;
        request.Color = FallbackColor();
        return;
    }
    const TsGeneralData& section = *Section();
    bool hot = state != 0;
    int transparency = hot ? section.HotTransparency : section.Transparency;
    int gradient = hot ? section.HotGradientPercent : section.GradientPercent;
    int image = hot ? section.HotImagePercent : section.ImagePercent;
    if (transparency == 0 && gradient <= 0 && image <= 0) {
        request.Kind = 1;
        request.Bmp = CacheBitmap.get();
        request.Color = GetBackgroundColor(state, nullptr);
        if (request.PaintIt != 0 && request.DC != nullptr) {
            HBRUSH brush = CreateSolidBrush(ColorToRGB(static_cast<TColor>(request.Color)));
            FillRect(request.DC, &request.R, brush);
            DeleteObject(brush);
        }
        return;
    }
    if (transparency == 0) {
        request.Color = GetSkinManager()->GetGlobalColor();
    } else if (transparency == 100) {
        bool ownCacheHoldsBackdrop = (StateFlags & sfPlainBackground) == 0 && CacheBitmap != nullptr && !BackgroundDirty;
        if (!ownCacheHoldsBackdrop) {
            PassBackgroundRequestOn(request, window);
            return;
        }
    }
    AnswerFromCache(request);
}

TsBackgroundSource TsCommonData::GetParentBackground() const {
    if (IsSkinned() && HostControl != nullptr) {
        TsBackgroundRequest request;
        if (HostControl->Parent() != nullptr)
            GetControlBackdrop(request, *HostControl->Parent(), false);
        else if (HWND window = HandleIfAllocated(HostControl); window != nullptr && GetParent(window) != nullptr)
            GetWndBackdrop(request, GetParent(window), false);
        else
            request.Color = ColorToRGB(GetBackgroundColor(0, nullptr));
        return BackdropFromQuery(request);
    }
    TsBackgroundSource source;
    source.Color = GetBackgroundColor(0, nullptr);
    return source;
}

TsBackgroundSource GetWindowParentBackground(HWND window) {
    HWND parent = window != nullptr ? GetParent(window) : nullptr;
    if (parent == nullptr) return EmptyBackdrop;
    TsBackgroundRequest request;
    GetWndBackdrop(request, parent, false);
    TsBackgroundSource source = BackdropFromQuery(request);
    source.Valid = request.Kind == 2;
    return source;
}

void TsCommonData::PrepareCacheBitmap() {
    if (CacheBitmap == nullptr) CacheBitmap = NewPf32Bitmap(0, 0);
    if (CacheBitmap->PixelFormat() != pf32bit) CacheBitmap->SetPixelFormat(pf32bit);
    if (HostControl == nullptr) return;
    int width = std::max(HostControl->Width(), 0);
    int height = std::max(HostControl->Height(), 0);
    if (CacheBitmap->Width() != width || CacheBitmap->Height() != height) CacheBitmap->SetSize(width, height);
}

int TsCommonData::MaxBorderWidth() const {
    TsSkinManager* manager = GetSkinManager();
    if (BordersMaskIndex < 0 || manager == nullptr || !IsValidMaskIndex(manager->Tables(), BordersMaskIndex)) return 0;
    const TsMaskData& mask = manager->Tables().Masks[static_cast<size_t>(BordersMaskIndex)];
    if ((mask.DrawFlags & 0x2) != 0) return 0;
    return std::max({mask.LeftWidth, mask.TopWidth, mask.RightWidth, mask.BottomWidth});
}

// ----- glow -----

void TsCommonData::RemoveGlow() {
    RemoveGlowEffect(GlowSlot);
    GlowSlot = -1;
}

void TsCommonData::UpdateGlow(bool hideIfShown, HWND window) {
    TsSkinManager* manager = GetSkinManager();
    const TsGeneralData* section = Section();
    if (manager == nullptr || !manager->Effects.AllowGlowing || section == nullptr || section->Glow < 1) return;
    RECT bounds{};
    RECT visible{};
    HWND owner = nullptr;
    if (HostControl != nullptr) {
        if (!MouseInside || (HostControl->ControlState() & csLButtonDown) != 0 || (hideIfShown && GlowSlot != -1)) {
            RemoveGlow();
            return;
        }
        TCustomForm* form = HostControl->ParentForm();
        if (form == nullptr) return;
        owner = form->Parent() != nullptr ? HandleIfAllocated(form->Parent()) : form->Handle();
        if (HWND own = HandleIfAllocated(HostControl)) {
            GetWindowRect(own, &bounds);
            HDC dc = GetWindowDC(own);
            GetClipBox(dc, &visible);
            ReleaseDC(own, dc);
        } else {
            POINT origin = HostControl->ClientOrigin();
            bounds = RECT{origin.x, origin.y, origin.x + HostControl->Width(), origin.y + HostControl->Height()};
            RECT parentBox{0, 0, HostControl->Width(), HostControl->Height()};
            if (HWND parentWindow = HandleIfAllocated(HostControl->Parent())) {
                HDC dc = GetDC(parentWindow);
                GetClipBox(dc, &parentBox);
                ReleaseDC(parentWindow, dc);
            }
            int left = HostControl->Left();
            int top = HostControl->Top();
            visible.left = left < 0 ? -left : 0;
            visible.top = top < 0 ? -top : 0;
            visible.right = parentBox.right < left + HostControl->Width() ? parentBox.right - left : HostControl->Width();
            visible.bottom = parentBox.bottom < top + HostControl->Height() ? parentBox.bottom - top : HostControl->Height();
        }
    } else {
        if (window == nullptr) return;
        GetWindowRect(window, &bounds);
        HDC dc = GetWindowDC(window);
        GetClipBox(dc, &visible);
        ReleaseDC(window, dc);
        owner = GetTopParentWindow(window);
    }
    RemoveGlowEffect(GlowSlot);
    GlowSlot = ShowGlowEffect(bounds, visible, skinSection_, manager, owner, 255, section->GlowMargin, "GLOW");
}

// ----- font sections -----

namespace {

int StateTransparency(const TsGeneralData& section, int state) {
    int k = std::min(state > 0 ? 1 : 0, section.StateCount - 1);
    return k > 0 ? section.HotTransparency : section.Transparency;
}

}  // namespace

int FindFontSectionIndex(TControl* control, int defaultIndex, TsSkinManager* manager, int state) {
    if (control == nullptr || control->Parent() == nullptr || manager == nullptr) return defaultIndex;
    TWinControl* parent = control->Parent();
    const TsSkinTables& tables = manager->Tables();
    int index = -1;
    if (const TPropertyInfo* property = FindPublishedProperty(*parent, "SkinData");
        property != nullptr && property->GetObject) {
        auto* data = dynamic_cast<TsCommonData*>(property->GetObject(*parent));
        if (data == nullptr || data->SectionIndex < 0 || !IsValidSectionIndex(tables, data->SectionIndex))
            return defaultIndex;
        index = data->SectionIndex;
        const TsGeneralData& section = tables.Sections[static_cast<size_t>(index)];
        if (StateTransparency(section, state) > 50 && parent->Parent() != nullptr)
            return FindFontSectionIndex(parent, defaultIndex, manager, 0);
        return section.GiveOwnFont ? index : defaultIndex;
    }
    TacSectionInfo info;
    if (HWND window = HandleIfAllocated(parent))
        SendMessage(window, SkinCommandMessage, SkinCommandWParam(scGetSection), reinterpret_cast<LPARAM>(&info));
    if (!IsValidSectionIndex(tables, info.Index)) return defaultIndex;
    const TsGeneralData& section = tables.Sections[static_cast<size_t>(info.Index)];
    if (StateTransparency(section, state) > 50) return FindFontSectionIndex(parent, defaultIndex, manager, 0);
    return section.GiveOwnFont ? info.Index : defaultIndex;
}

bool ParentBackgroundKind(const TsCommonData& data) { return ParentAnswers(data.HostControl, scDependsOnParentBackground); }

// ----- skin commands -----

namespace {

void ForgetSkin(TsCommonData& data) {
    data.BordersMaskIndex = data.SectionIndex = data.PatternIndex = data.HotPatternIndex = -1;
    data.PaintSuspended = true;
    if (data.CacheBitmap != nullptr) data.CacheBitmap->SetSize(0, 0);
    if (auto* edit = dynamic_cast<TCustomEdit*>(data.HostControl)) {
        if (!data.CustomColor()) edit->SetColor(clWindow);
        if (!data.CustomFont()) edit->Font().SetColor(clWindowText);
        if (edit->HandleAllocated()) RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    } else if (TWinControl* windowed = AsWindowed(data.HostControl)) {
        for (int i = 0; i < windowed->ControlCount(); ++i)
            if (auto* label = dynamic_cast<TLabel*>(windowed->Controls(i))) label->Font().SetColor(clWindowText);
    }
}

LRESULT AnswerDependsOnParent(TsCommonData& data) {
    const TsGeneralData& section = *data.Section();
    if (section.Transparency == 100 && data.HostControl != nullptr && data.HostControl->Parent() != nullptr)
        return ParentBackgroundKind(data) ? 1 : 0;
    return section.GradientPercent + section.ImagePercent > 0 || data.DependsOnParentBackground() ? 1 : 0;
}

void BackgroundBehindChanged(TsCommonData& data, bool redraw) {
    bool depends = data.DependsOnParentBackground();
    data.BackgroundDirty = data.BackgroundDirty || depends;
    TWinControl* windowed = AsWindowed(data.HostControl);
    if (windowed == nullptr) return;
    if (redraw && windowed->HandleAllocated())
        RedrawWindow(windowed->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_NOINTERNALPAINT | RDW_NOERASE | RDW_ALLCHILDREN);
    if (depends) ChildCommandToEvery(*windowed, scParentBackgroundChanged, 0, 0, false);
}

// The parent's colour as command 21 gives it: its answer, else its Color property.
TColor ParentAnswerColor(TControl& host) {
    TWinControl* parent = host.Parent();
    if (parent == nullptr) return static_cast<TColor>(ColorToRGB(host.Color()));
    auto answer = static_cast<TColor>(AskControl(parent, scGetBackgroundColor));
    return answer == static_cast<TColor>(TransparentKey) ? parent->Color() : answer;
}

LRESULT AnswerBackgroundColor(TsCommonData& data) {
    TControl& host = *data.HostControl;
    if (!data.IsSkinned()) return static_cast<LRESULT>(ColorToRGB(host.Color()));
    const TsGeneralData& section = *data.Section();
    if (section.Transparency == 0) return static_cast<LRESULT>(section.Color);
    TColor behind = ParentAnswerColor(host);
    if (section.Transparency == 100) return static_cast<LRESULT>(behind);
    // The same mix as painting: T percent of what lies behind shows through the section colour.
    return static_cast<LRESULT>(MixWithBackdrop(static_cast<TColor>(section.Color), behind, section.Transparency));
}

void DropCaches(TsCommonData& data) {
    if (data.CacheBitmap == nullptr) return;
    if (TWinControl* windowed = AsWindowed(data.HostControl)) {
        for (int i = 0; i < windowed->ControlCount(); ++i)
            if (HWND child = HandleIfAllocated(windowed->Controls(i)))
                SendSkinCommandToWnd(child, scDropCaches, 0);
    }
    data.CacheBitmap->SetSize(0, 0);
    data.BackgroundDirty = true;
    data.PaintSuspended = true;
}

}  // namespace

bool HandleSkinCommand(TMessage& message, TsCommonData* data) {
    if (data == nullptr || message.Msg != SkinCommandMessage) return false;
    int subArgument = SkinSubArgumentOf(message.WParam);
    auto* manager = reinterpret_cast<TsSkinManager*>(message.LParam);
    bool ownManager = manager != nullptr && manager == data->GetSkinManager();
    switch (SkinCommandOf(message.WParam)) {
        case scSkinLoaded:
            if (ownManager) {
                data->UpdateIndexes();
                data->UpdateBackgroundKind(false);
                SkinApplying = false;
            }
            return false;
        case scSkinRemoved:
            if (ownManager) ForgetSkin(*data);
            return false;
        case scRefreshFromSkin:
            if (ownManager) {
                data->BackgroundDirty = true;
                data->PaintSuspended = false;
                data->UpdateControlColors(true);
                data->UpdateBackgroundKind(false);
            }
            return false;
        case scIsSkinned:
            message.Result = 1;
            return true;
        case scSetUpdating:
            data->PaintSuspended = subArgument == 1;
            return false;
        case scSetUrgentPainting:
            data->PaintUrgent = subArgument == 1;
            return false;
        case scMustPaintingWait:
            message.Result = data->BackgroundDirty || data->PaintSuspended ? 1 : 0;
            return true;
        case scIsPartlyOutside:
            message.Result = data->PartlyVisible ? 1 : 0;
            return true;
        case scRepaintNamedSection:
            if (UpperCased(data->SkinSection()) == SectionToRepaint) {
                SkinApplying = false;
                data->Invalidate();
            }
            return false;
        case scTakeSection:
            if (auto* info = reinterpret_cast<TacSectionInfo*>(message.LParam)) data->SetSkinSection(info->Name);
            return false;
        case scBackgroundChanged:
            data->BackgroundDirty = true;
            return false;
        case scDependsOnParentBackground:
            if (data->SectionIndex < 0 || data->Section() == nullptr) return false;
            message.Result = AnswerDependsOnParent(*data);
            message.LParam = message.Result;
            return true;
        case scParentBackgroundChanged:
            BackgroundBehindChanged(*data, subArgument == 1);
            return false;
        case scGetBackgroundColor:
            if (data->HostControl == nullptr) return false;
            message.Result = AnswerBackgroundColor(*data);
            return true;
        case scSetPartlyOutside:
            data->PartlyVisible = true;
            return false;
        case scGetSection:
            if (auto* info = reinterpret_cast<TacSectionInfo*>(message.LParam)) info->Index = data->SectionIndex;
            return true;
        case scDropCaches:
            DropCaches(*data);
            return false;
        case scGetBackground:
            if (auto* request = reinterpret_cast<TsBackgroundRequest*>(message.LParam))
                data->FillBackgroundRequest(*request, 0, nullptr);
            return true;
        case scBackgroundKind:
            if (message.LParam == 1)
                data->UpdateBackgroundKind(true);
            else
                message.Result = data->StateFlags;
            return true;
        case scGetCommonData:
            message.Result = reinterpret_cast<LRESULT>(data);
            return true;
        case scPrinting:
            if (message.LParam != 0)
                data->StateFlags |= sfPrinting;
            else
                data->StateFlags &= static_cast<std::uint16_t>(~sfPrinting);
            data->PrintTarget = reinterpret_cast<HDC>(message.LParam);
            return true;
        case scGetApplication:
            message.Result = reinterpret_cast<LRESULT>(Application);
            return false;
        default:
            return false;
    }
}

// ----- the messages every skinned control shares -----

namespace {

bool AtDesignTime(const TsCommonData& data) { return ComponentGoing(data.HostObject, csDesigning); }

bool SectionHasStates(const TsCommonData& data) {
    const TsGeneralData* section = data.Section();
    return section != nullptr && section->StateCount > 1;
}

void SendNcPaint(TControl* control) {
    if (HWND window = HandleIfAllocated(control)) SendMessage(window, WM_NCPAINT, 0, 0);
}

void OnMoved(TsCommonData& data) {
    if (!data.DependsOnParentBackground()) return;
    data.BackgroundDirty = true;
    if (data.HostControl != nullptr)
        data.HostControl->Perform(SkinCommandMessage, SkinCommandWParam(scParentBackgroundChanged, 1), 0);
    data.RemoveGlow();
}

void OnSized(TsCommonData& data) {
    if (!data.IsSkinned()) return;
    data.BackgroundDirty = true;
    TWinControl* windowed = AsWindowed(data.HostControl);
    if (windowed != nullptr && data.Section()->GradientPercent > 0)
        ChildCommandToEvery(*windowed, scParentBackgroundChanged, 1, 0, true);
    data.RemoveGlow();
}

void OnFocusChanged(TsCommonData& data, bool gained) {
    TWinControl* windowed = AsWindowed(data.HostControl);
    if (windowed == nullptr || !windowed->CanFocus() || !windowed->TabStop()) return;
    data.BackgroundDirty = true;
    data.HasFocus = gained;
    bool redraw = gained ? data.IsSkinned() && InEditKinds(data.ControlKind) && SectionHasStates(data)
                         : InEditKinds(data.ControlKind) && windowed->Visible();
    if (redraw && windowed->HandleAllocated())
        RedrawWindow(windowed->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

void OnVisibilityChanged(TsCommonData& data, bool becomesVisible) {
    if (!ReleaseCacheOnHide || data.HostControl == nullptr || IsGoing(data.HostControl) || data.CacheBitmap == nullptr)
        return;
    if (becomesVisible) {
        data.PaintSuspended = false;
    } else {
        data.CacheBitmap->SetSize(0, 0);
        if (TWinControl* windowed = AsWindowed(data.HostControl)) {
            for (int i = 0; i < windowed->ControlCount(); ++i) {
                TControl* child = windowed->Controls(i);
                if (HWND window = HandleIfAllocated(child))
                    SendSkinCommandToWnd(window, scDropCaches, 0);
                else
                    child->Perform(SkinCommandMessage, SkinCommandWParam(scDropCaches), 0);
            }
        }
    }
    data.BackgroundDirty = true;
}

bool GlowsOnHover(int kind) { return !InNoGlowKinds(kind) && !(kind >= 92 && kind <= 94); }

void OnMouseEnter(TsCommonData& data, LPARAM lParam) {
    if (AtDesignTime(data) || !data.IsSkinned()) return;
    TsSkinManager* defaultManager = TsSkinManager::DefaultManager();
    TWinControl* windowed = AsWindowed(data.HostControl);
    if (windowed != nullptr && defaultManager != nullptr) {
        for (int i = 0; i < windowed->ControlCount(); ++i) {
            auto* button = dynamic_cast<TSpeedButton*>(windowed->Controls(i));
            if (button == nullptr || button == data.HostControl || reinterpret_cast<LPARAM>(button) == lParam) continue;
            if (button->MouseInControl()) button->Perform(CM_MOUSELEAVE, 0, 0);
        }
    }
    if (!InNoHoverKinds(data.ControlKind)) data.MouseInside = true;
    if (windowed == nullptr || defaultManager == nullptr) return;
    defaultManager->SetActiveControl(windowed);
    if (GlowsOnHover(data.ControlKind)) data.UpdateGlow(false, nullptr);
    if (InEditKinds(data.ControlKind) && SectionHasStates(data)) {
        data.BackgroundDirty = true;
        SendNcPaint(windowed);
    }
}

void OnMouseLeave(TsCommonData& data) {
    if (AtDesignTime(data) || !data.IsSkinned()) return;
    if (!InNoHoverKinds(data.ControlKind)) data.MouseInside = false;
    if (GlowsOnHover(data.ControlKind)) {
        FreeAllGlowEffects(false);
        data.GlowSlot = -1;
    }
    if (data.HostControl != nullptr && data.HostControl->Visible() && InEditKinds(data.ControlKind)) {
        data.BackgroundDirty = true;
        SendNcPaint(data.HostControl);
    }
}

}  // namespace

bool SharedControlMessageHandler(TMessage& message, TsCommonData* data) {
    if (data == nullptr) return false;
    if (message.Msg == SkinCommandMessage) return HandleSkinCommand(message, data);
    switch (message.Msg) {
        case WM_MOVE:
            OnMoved(*data);
            return false;
        case WM_SIZE:
            OnSized(*data);
            return false;
        case WM_SETFOCUS:
            OnFocusChanged(*data, true);
            return false;
        case WM_KILLFOCUS:
            OnFocusChanged(*data, false);
            return false;
        case WM_FONTCHANGE:
        case CM_ENABLEDCHANGED:
            data->MouseInside = false;
            data->HasFocus = false;
            if (data->HostControl != nullptr && !data->HostControl->Enabled() && data->GlowSlot != -1) data->RemoveGlow();
            return false;
        case WM_CONTEXTMENU:
            // Popup menus follow the manager's skin through form skinning's menu support.
            if (data->HostControl != nullptr && data->HostControl->PopupMenu() != nullptr)
                if (TsSkinManager* manager = data->GetSkinManager())
                    if (TsFormSkinningServices* services = FormSkinningServices()) services->ApplyMenuSkinState(*manager);
            return false;
        case WM_UPDATEUISTATE:
            if (data->IsSkinned()) return true;
            if (SetWindowThemeFunction setTheme = BoundSetWindowTheme())
                if (HWND window = HandleIfAllocated(data->HostControl)) setTheme(window, nullptr, nullptr);
            return false;
        case WM_PARENTNOTIFY:
            if (AsWindowed(data->HostControl) != nullptr && LOWORD(message.WParam) == WM_CREATE)
                RequestControlAdapter(data->HostControl);
            return false;
        case CM_VISIBLECHANGED:
            OnVisibilityChanged(*data, message.WParam != 0);
            return false;
        case CM_MOUSEENTER:
            OnMouseEnter(*data, message.LParam);
            return false;
        case CM_MOUSELEAVE:
            OnMouseLeave(*data);
            return false;
        case CM_SHOWINGCHANGED:
            if (data->HostControl != nullptr && data->HostControl->Visible()) data->Loaded();
            return false;
        default:
            return false;
    }
}

}  // namespace parch
