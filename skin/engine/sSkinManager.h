#pragma once
// TsSkinManager: the loaded skin, where it comes from (a pack "<name>.vlz" or a folder
// "<name>/Options.dat" in the skin directory, or an internal skin), switching skins by name,
// and the look-ups every skinned window draws through.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Classes.h"
#include "framework/MessageDialogs.h"
#include "framework/Messages.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sMenuSupport.h"
#include "skin/engine/sSkinReader.h"
#include "skin/engine/sSkinTables.h"
#include "skin/engine/sStoredSkin.h"

namespace parch {

class TControl;
class TCustomForm;
class TWinControl;

// True while a skin is read or switched; skinned controls skip animations meanwhile.
extern bool SkinLoading;
// True while the windows are told of a newly applied skin.
extern bool SkinApplying;
// Set by the first skin an editor pushed into the program; from then on a folder of the skin's
// name wins over a pack of that name.
extern bool EditorLinkActive;

// One animation of the manager's effects: on or off, its time in milliseconds and its kind.
struct TacFormAnimation {
    bool Active = true;
    int Time = 0;
    TacAnimType Mode = atAero;
};

struct TacBlendOnMoving {
    bool Active = false;
    int Time = 1000;
    std::uint8_t BlendValue = 170;
};

struct TacBtnEffects {
    TacBtnEvents Events = AllBtnEvents;
};

// The manager's animation settings.
struct TacAnimEffects {
    TacBlendOnMoving BlendOnMoving;
    TacBtnEffects Buttons;
    TacFormAnimation DialogShow;
    TacFormAnimation FormShow;
    TacFormAnimation FormHide;
    TacFormAnimation DialogHide;
    TacFormAnimation Minimizing{true, 200, atAero};
    TacFormAnimation PageChange;
    TacFormAnimation SkinChanging{true, 100, atFading};
};

// Effects the skin may show.
struct TacSkinEffects {
    bool AllowGlowing = true;
    bool AllowAeroBluring = true;
};

// The class names of foreign controls skinned as one of the library's kinds: one text per kind
// (acThirdNames order), names separated by CR LF.
class ThirdPartyList {
public:
    ThirdPartyList();
    // The text of the kind; an index outside the kinds leaves text unchanged.
    void ReadKindList(int index, std::string& text) const;
    // Stores the text of the kind; an index outside the kinds stores nothing.
    void WriteKindList(int index, const std::string& text);

private:
    std::string lists_[ThirdPartyKindCount];
};

enum TacSkinningRule { srStdForms, srStdDialogs, srThirdParty };
using TacSkinningRules = unsigned;  // a set of TacSkinningRule, one bit each
constexpr TacSkinningRules AllSkinningRules = 0x7;

// Where the engine's messages go; the default shows a message dialog.
using TsMessageSink = std::function<void(const std::string& text, TMsgDlgType type)>;

// Start-up of the engine, once before the first form: reads the system values it keeps, loads
// the two default form shadow pictures and, when the program was started with "/acver" (any
// letter case), shows the library's version through the sink (a message dialog when unset).
void StartSkinEngine(const TsMessageSink& sink = {});
// The active and inactive default form shadows (32-bit, straight alpha); empty before start-up.
TBitmap& ActiveShadowPicture();
TBitmap& InactiveShadowPicture();
// The width of a scroll bar's arrow button, read at start-up (16 before).
int ScrollBarArrowWidth();
// The program's arguments (without the program itself).
std::vector<std::string> ProgramArguments();
// True when one argument, lower-cased, equals the switch.
bool HasCommandLineSwitch(const std::vector<std::string>& arguments, std::string_view lowerCaseSwitch);

// The skin directory made absolute against the program folder (with its trailing "/"):
// "../x" from the program folder's parent, "./x" and "x" inside it, "/x" as it is. "\" counts as
// "/". Drive-letter and UNC paths name nothing here: the result is empty.
std::string ResolveSkinDirectoryAgainst(const std::string& skinDirectory, const std::string& programFolder);
// A skin name names one entry of the skin directory: no separators, not "." or "..".
bool IsPlainSkinName(const std::string& name);

enum TacSkinCatalogueKind { sckFolders = 0, sckPacks = 1, sckBoth = 2 };

// A component: a form description creates it, sets its properties (a skin named meanwhile is
// read at once but applied only by Loaded) and frees it with the form.
class TsSkinManager : public TComponent {
public:
    static constexpr const char* kDefaultSkinDirectory = "c:\\Skins";
    static constexpr const char* kVersion = "7.60";

    explicit TsSkinManager(TComponent* owner = nullptr);
    ~TsSkinManager() override;

    // The process-wide default manager: the first one created.
    static TsSkinManager* DefaultManager();
    bool IsDefault() const { return DefaultManager() == this; }
    // true (or no default manager yet): this manager becomes the default and applies its skin
    // (or, inactive, takes it off). false: the default manager stays the default.
    void SetIsDefault(bool value);
    // After the manager's properties were read from a form description: defaults for what was left
    // empty, the class lists rebuilt, and the loaded skin applied without freezing.
    void Loaded() override;

    const std::string& SkinDirectory() const { return skinDirectory_; }
    void SetSkinDirectory(const std::string& value);
    std::string ResolveSkinDirectory() const;
    const std::string& SkinName() const { return skinName_; }
    // Switches to the named skin; a failed load keeps the skin in use and shows why.
    void SetSkinName(const std::string& value);
    bool Active() const { return active_; }
    void SetActive(bool value);

    TsStoredSkins& InternalSkins() { return internalSkins_; }
    // The names SetSkinName accepts, sorted; firstName the first found.
    std::vector<std::string> BuildSkinCatalogue(int kind, std::string& firstName) const;
    // The skin's version while one is applied, else "N/A".
    std::string GetSkinInfo() const;
    static std::string GetVersion() { return kVersion; }

    // Replaces the text of Options.dat in the next loads (a skin editor's preview); empty: none.
    void SetEditorText(std::optional<std::string> text) { editorText_ = std::move(text); }

    void BeginUpdate() { autoUpdate_ = false; }
    // Applies the skin again (when active); with animated false the skin change is not animated.
    void EndUpdate(bool freeze, bool animated = true);
    // The loaded skin goes to every skinned window (skin command 1), the forms frozen meanwhile
    // when asked, then repainted. Nothing while the manager's properties are being read.
    void UpdateSkin(bool freeze);
    // Every skinned window restores its own look (skin command 2); the tables are emptied.
    void RemoveSkin();
    // Skin commands 16 and 3 to every window, then the adapters' windows redrawn.
    void RepaintForms(bool freeze);
    // Stops the skinned forms of this manager from drawing (WM_SETREDRAW 0) during a switch.
    void FreezeForms();
    // Lets them draw again, cross-fading from their snapshots when animated.
    void UnfreezeForms(bool animate);
    // Before a skin is read: the forms keep a picture to fade from.
    void PrepareSkinChangeAnimation();
    bool Removing() const { return removing_; }
    bool CreationHookInstalled() const { return hookInstalled_; }

    TacAnimEffects AnimEffects;
    TacMenuSupport MenuSupport;
    TacSkinEffects Effects;
    TacSkinningRules SkinningRules = AllSkinningRules;
    ThirdPartyList ThirdParty;

    // Extended borders take effect only where layered windows exist.
    bool ExtendedBorders() const;
    void SetExtendedBorders(bool value);
    // With extended borders: how far the form shadow reaches out on each side, and its pictures
    // for active and inactive forms (from the skin's EXBORDER, else the default shadows). Zero
    // and nullptr without extended borders.
    RECT FormShadowSize() const { return shadowSize_; }
    const TBitmap* ActiveShadowTemplate() const { return activeShadow_.get(); }
    const TBitmap* InactiveShadowTemplate() const { return inactiveShadow_.get(); }
    bool SkinnedPopups() const { return skinnedPopups_; }
    // The whole skin re-tinted: hue turned by degrees, saturation changed by percent. A change
    // reads the skin in use again.
    int HueOffset() const { return hueOffset_; }
    void SetHueOffset(int value);
    int Saturation() const { return saturation_; }
    void SetSaturation(int value);
    // INI lines the application adds to every skin: new sections, and pictures and textures
    // from the skin's folder. Lines other than comments lose their blanks; the skin in use is
    // read again.
    const std::vector<std::string>& CommonSections() const { return commonSections_; }
    void SetCommonSections(const std::vector<std::string>& lines);
    // Turning skinned popups on for the default manager makes the menus follow the skin at once.
    void SetSkinnedPopups(bool value);

    // The class lists of the foreign controls, one per kind, built from ThirdParty.
    const std::vector<std::string>& ThirdLists(int index) const { return thirdLists_.at(static_cast<size_t>(index)); }
    // Fills each class list from ThirdParty; reset gives every kind its default text first,
    // otherwise only kinds with an empty text get it.
    void FillThirdLists(bool reset);
    // Writes each class list back into ThirdParty.
    void StoreThirdLists();
    // Watches the application window's messages (installed for the default manager when the
    // application exists): remembers the last system command (0 other, 1 restore, 2 minimize)
    // while a skin is active and swallows theme changes. True: handled.
    bool ApplicationHook(TMessage& message);
    int SysCommandState() const { return sysCommandState_; }

    // The hot (mouse-over) controls: one windowed and one windowless. The one that stops being
    // hot is told with skin command 30, the new one with 29 (the manager in LParam). A control
    // that is destroyed while hot is forgotten.
    TWinControl* ActiveControl() const { return activeControl_; }
    TControl* ActiveGraphControl() const { return activeGraphControl_; }
    // A windowless control that is hot as well is released first; when it refuses, nothing
    // changes.
    void SetActiveControl(TWinControl* control);
    // Releasing (nullptr) is refused while the hot control's skin data still has the mouse
    // inside; a new windowless control releases the windowed one. False when refused.
    bool SetActiveGraphControl(TControl* control);

    // Tables and look-ups.
    const TsSkinTables& Tables() const { return tables_; }
    TsSkinTables& Tables() { return tables_; }
    TsSkinData& SkinData() { return tables_.SkinData; }
    const TsSkinConstIndexes& ConstData() const { return tables_.ConstData; }
    bool Packed() const { return packed_; }
    int GetMaskIndex(int sectionIndex, const std::string& sectionName, const std::string& propName) const {
        return parch::GetMaskIndex(tables_, sectionIndex, sectionName, propName);
    }
    int GetTextureIndex(int sectionIndex, const std::string& sectionName, const std::string& propName) const {
        return parch::GetTextureIndex(tables_, sectionIndex, sectionName, propName);
    }
    int GetPatternIndex(int sectionIndex, const std::string& sectionName, const std::string& propName) const {
        return parch::GetPatternIndex(tables_, sectionIndex, sectionName, propName);
    }
    int FindOwnMaskIndex(const std::string& sectionName, const std::string& propName) const {
        return parch::FindOwnMaskIndex(tables_, sectionName, propName);
    }

    // Colour queries; RGB colours, system colour codes where nothing better is known.
    TColor GetGlobalColor() const;
    TColor GetGlobalFontColor() const;
    TColor GetGlobalHotColor() const;
    // EDIT's font colour; clWindowText without an EDIT section.
    TColor GetEditFontColor() const;
    // SELECTION's colour of the state (hot only with two states or more); else MENUITEM's hot
    // colour; else clHighlight.
    TColor GetSelectionColor(bool hot) const;
    // SELECTION's font colour of the state; else MENUITEM's hot font colour; else clHighlightText.
    TColor GetSelectionFontColor(bool hot) const;

    std::function<void(TsSkinManager&)> OnBeforeChange;
    std::function<void(TsSkinManager&)> OnAfterChange;
    std::function<void(TsSkinManager&)> OnSkinListChanged;
    TsMessageSink MessageSink;

private:
    class HotControlWatch;
    void ReleaseActiveControl();
    // The constant indexes of the tables in use, then the form shadow templates.
    void InitConstData();
    void InitShadowTemplates();
    void ForgetHotControl(const TComponent* component);
    std::optional<TsSkinTables> LoadSkinPackFile(const std::string& packFile);
    std::optional<TsSkinTables> LoadFolderOrStoredSkin(const std::string& directory);
    std::optional<TsSkinTables> LoadStoredSkin();
    TsSkinTables ReadTables(const TMemIniFile* ini, const TsSkinFiles* files, const std::string& folder);
    void RunVersionGate(double version);
    void ShowMessage(const std::string& text, TMsgDlgType type);
    bool MinimizeFromApplication();
    bool RestoreFromApplication();
    void InstallCreationHook();
    void RemoveCreationHook();
    // The skinned top-level forms this manager's switch concerns.
    std::vector<TCustomForm*> FormsOfThisManager(bool needVisibleWindow) const;

    std::string skinDirectory_ = kDefaultSkinDirectory;
    std::string skinName_;
    bool active_ = true;
    bool autoUpdate_ = true;
    bool packed_ = false;
    TsSkinTables tables_;
    TsStoredSkins internalSkins_;
    std::optional<std::string> editorText_;
    int sysCommandState_ = 0;
    bool removing_ = false;
    bool extendedBorders_ = false;
    bool skinnedPopups_ = true;
    int hueOffset_ = 0;
    int saturation_ = 0;
    std::vector<std::string> commonSections_;
    std::vector<std::vector<std::string>> thirdLists_ = std::vector<std::vector<std::string>>(ThirdPartyKindCount);
    bool hookInstalled_ = false;
    int applicationHookId_ = -1;
    TWinControl* activeControl_ = nullptr;
    TControl* activeGraphControl_ = nullptr;
    std::unique_ptr<HotControlWatch> hotWatch_;
    RECT shadowSize_{};
    std::unique_ptr<TBitmap> activeShadow_;
    std::unique_ptr<TBitmap> inactiveShadow_;
};

// The data of a WM_COPYDATA message (its LParam points to one).
struct TacCopyData {
    std::uintptr_t Kind = 0;
    std::uint32_t Size = 0;
    const void* Data = nullptr;
};

// A skin editor's record, 30,646 bytes: marker 0xA400, then the skin name (128 bytes), the skin
// directory (513 bytes) and the text of Options.dat (30,001 bytes), each ended by a zero byte
// when shorter. Acts on WParam 7 and the marker: loads the skin with that text in place of its
// Options.dat and sets the message's result to 1. Each field is read only inside its own bounds
// and inside the data received; shorter data is ignored.
void ReceiveEditorSkin(TMessage& message, TsSkinManager& manager);

// -1 for a nil manager.
int GetSectionIndex(const TsSkinManager* manager, const std::string& name);

}  // namespace parch
