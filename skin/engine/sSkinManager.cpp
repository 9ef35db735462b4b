#include "skin/engine/sSkinManager.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>

#include "base/NumberText.h"
#include "base/SysUtils.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/Screen.h"
#include "framework/graphics/Graphics.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/PopupMenus.h"
#include "platform/win/Resources.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WindowTree.h"
#include "platform/os/Files.h"
#include "platform/win/SystemValues.h"
#include "resources/EmbeddedResources.h"
#include "skin/engine/acPNG.h"
#include "skin/engine/acSkinPack.h"
#include "skin/engine/acWindowHelpers.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sControlQueries.h"
#include "skin/engine/sFormServices.h"
#include "skin/engine/sSkinTint.h"
#include "skin/engine/sSkinnedForms.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

bool SkinLoading = false;
bool SkinApplying = false;
bool EditorLinkActive = false;

namespace {

TsSkinManager* defaultManager = nullptr;

const char* const kOptionsFile = "Options.dat";
const char* const kPackExtension = ".vlz";

// Sets a process-wide flag for one scope, whatever leaves it.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = saved_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool saved_;
};

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

std::string ParentFolder(const std::string& folderWithSlash) {
    if (folderWithSlash.size() <= 1) return folderWithSlash;
    size_t cut = folderWithSlash.rfind('/', folderWithSlash.size() - 2);
    return cut == std::string::npos ? folderWithSlash : folderWithSlash.substr(0, cut + 1);
}

bool HasDriveLetter(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

}  // namespace

std::vector<std::string> ProgramArguments() {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> arguments;
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\0', start);
        if (end == std::string::npos) end = all.size();
        arguments.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    if (!arguments.empty()) arguments.erase(arguments.begin());
    return arguments;
}

namespace {

bool TestSwitchGiven() { return HasCommandLineSwitch(ProgramArguments(), "/actest"); }

std::string StripPackExtension(const std::string& name) {
    if (name.size() > 4 && EndsText(kPackExtension, name)) return name.substr(0, name.size() - 4);
    return name;
}

TBitmap& ShadowPicture(int which) {
    static TBitmap active;
    static TBitmap inactive;
    return which == 0 ? active : inactive;
}

int scrollBarArrowWidth = 16;

// The embedded shadow becomes a raw-data resource of the program (where form descriptions find
// it by name) and is read from there.
void LoadShadowPicture(const char* resource, TBitmap& picture) {
    if (ResourceBytes(nullptr, resource, RT_RCDATA).empty()) {
        std::optional<std::string> embedded = ReadEmbeddedResource(std::string_view(resource));
        if (!embedded) return;
        RegisterResource(nullptr, RT_RCDATA, resource, std::move(*embedded));
    }
    std::string_view bytes = ResourceBytes(nullptr, resource, RT_RCDATA);
    if (bytes.empty()) return;
    TStringStream stream{std::string(bytes)};
    TPNGGraphic png;
    png.LoadFromStream(stream);
    picture.Assign(&png);
}

}  // namespace

bool HasCommandLineSwitch(const std::vector<std::string>& arguments, std::string_view lowerCaseSwitch) {
    for (const std::string& argument : arguments)
        if (LowerCase(argument) == lowerCaseSwitch) return true;
    return false;
}

TBitmap& ActiveShadowPicture() { return ShadowPicture(0); }
TBitmap& InactiveShadowPicture() { return ShadowPicture(1); }
int ScrollBarArrowWidth() { return scrollBarArrowWidth; }

void StartSkinEngine(const TsMessageSink& sink) {
    scrollBarArrowWidth = GetSystemMetrics(SM_CXHSCROLL);
    LoadShadowPicture(kActiveShadowResource, ActiveShadowPicture());
    LoadShadowPicture(kInactiveShadowResource, InactiveShadowPicture());
    if (HasCommandLineSwitch(ProgramArguments(), "/acver")) {
        const std::string text = std::string("Velvane v") + TsSkinManager::kVersion;
        if (sink) sink(text, mtInformation);
        else MessageDlg(text, mtInformation, {mbOK}, 0);
    }
}

std::string ResolveSkinDirectoryAgainst(const std::string& skinDirectory, const std::string& programFolder) {
    if (skinDirectory.rfind("\\\\", 0) == 0 || skinDirectory.rfind("//", 0) == 0 || HasDriveLetter(skinDirectory))
        return {};
    std::string directory = skinDirectory;
    std::replace(directory.begin(), directory.end(), '\\', '/');
    std::string program = WithSlash(programFolder);
    if (directory.rfind("..", 0) == 0) return ParentFolder(program) + directory.substr(std::min<size_t>(3, directory.size()));
    if (directory.rfind("./", 0) == 0) return program + directory.substr(2);
    if (!directory.empty() && directory.front() == '/') return directory;
    return program + directory;
}

bool IsPlainSkinName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

// Hears of the hot controls' destruction, so the manager never talks to a control that is gone.
class TsSkinManager::HotControlWatch : public TComponent {
public:
    explicit HotControlWatch(TsSkinManager& manager) : TComponent(nullptr), manager_(manager) {}

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == TOperation::opRemove) manager_.ForgetHotControl(component);
    }

private:
    TsSkinManager& manager_;
};

TsSkinManager::TsSkinManager(TComponent* owner)
    : TComponent(owner), internalSkins_(this), hotWatch_(std::make_unique<HotControlWatch>(*this)) {
    FillThirdLists(false);
    if (defaultManager != nullptr) return;
    defaultManager = this;
    if (Application != nullptr)
        applicationHookId_ = Application->HookMainWindow([this](TMessage& message) { return ApplicationHook(message); });
}

TsSkinManager::~TsSkinManager() {
    hotWatch_.reset();
    if (tables_.SkinData.SkinActive) RemoveSkin();
    if (applicationHookId_ >= 0 && Application != nullptr) Application->UnhookMainWindow(applicationHookId_);
    if (defaultManager == this) defaultManager = nullptr;
}

namespace {

constexpr UINT kFormsRefreshMessage = 0xB000;
constexpr UINT kPopupMenuOfItemMessage = 0xBCB3;
constexpr UINT kPopupMenuWindowMessage = 0xBCB4;
constexpr int kCommandFormRefresh = 18;
constexpr const char* kPopupMenuClass = "#32768";

TCustomForm* VisibleMainForm() {
    if (Application == nullptr) return nullptr;
    TCustomForm* form = Application->MainForm();
    return form != nullptr && form->HandleAllocated() && IsWindowVisible(form->Handle()) ? form : nullptr;
}

// The popup window that shows the menu holding the item: the window at the centre of the
// menu's first item.
HWND PopupWindowOfItem(TMenuItem* item) {
    if (item == nullptr || item->Parent() == nullptr) return nullptr;
    HMENU menu = item->Parent()->Handle();
    RECT rect{};
    if (!GetMenuItemRect(nullptr, menu, 0, &rect)) {
        TMenu* owner = item->GetParentMenu();
        if (owner == nullptr || !GetMenuItemRect(owner->WindowHandle(), menu, 0, &rect)) return nullptr;
    }
    return WindowFromPoint(POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

}  // namespace

bool TsSkinManager::ApplicationHook(TMessage& message) {
    constexpr UINT kThemeChanged = 0x031A;
    switch (message.Msg) {
        case WM_SYSCOMMAND:
            if (!tables_.SkinData.SkinActive) return false;
            switch (message.WParam & 0xFFF0) {
                case SC_MINIMIZE: return MinimizeFromApplication();
                case SC_RESTORE: return RestoreFromApplication();
                default: sysCommandState_ = 0;
            }
            return false;
        case kThemeChanged:
            return true;
        case kFormsRefreshMessage:
            if (Screen != nullptr)
                for (int i = Screen->FormCount() - 1; i >= 0; --i) {
                    if (i >= Screen->FormCount()) break;
                    TCustomForm* form = Screen->Forms(i);
                    if (form->HandleAllocated())
                        SendMessage(form->Handle(), SkinCommandMessage, static_cast<WPARAM>(kCommandFormRefresh) << 16, 0);
                }
            return false;
        case kPopupMenuOfItemMessage:
        case kPopupMenuWindowMessage: {
            if (!skinnedPopups_) return false;
            HWND window = message.Msg == kPopupMenuWindowMessage ? reinterpret_cast<HWND>(message.LParam)
                                                                  : PopupWindowOfItem(reinterpret_cast<TMenuItem*>(message.LParam));
            TsFormSkinningServices* services = FormSkinningServices();
            if (window != nullptr && services != nullptr && GetWindowClassName(window) == kPopupMenuClass)
                services->PaintPopupMenuBorder(*this, window);
            return true;
        }
        default:
            return false;
    }
}

bool TsSkinManager::MinimizeFromApplication() {
    sysCommandState_ = 2;
    TsFormSkinningServices* services = FormSkinningServices();
    TCustomForm* mainForm = VisibleMainForm();
    if (IsIconic(Application->Handle()) || mainForm == nullptr || services == nullptr) return false;
    if (!AnimEffects.Minimizing.Active) {
        services->ReleaseBorderHelper(*mainForm);
        return false;
    }
    if (!services->DrawsNonClientArea(*mainForm)) return false;
    services->StartMinimizeAnimation(*mainForm);
    if (IsCompositionEnabled()) return false;
    // The animation stands in for the window system's own.
    Application->Minimize();
    return true;
}

bool TsSkinManager::RestoreFromApplication() {
    sysCommandState_ = 1;
    TsFormSkinningServices* services = FormSkinningServices();
    if (Application == nullptr || services == nullptr || Application->MainForm() == nullptr) return false;
    TCustomForm& mainForm = *Application->MainForm();
    if (services->TakePreparedPicture(mainForm)) {
        Application->Restore();
        return false;
    }
    if (AnimEffects.Minimizing.Active && mainForm.Visible()) {
        if (!services->DrawsNonClientArea(mainForm)) return false;
        if (!services->StartRestoreAnimation(mainForm)) services->ShowWithoutRestoreAnimation(mainForm);
        if (IsCompositionEnabled()) return false;
        Application->Restore();
        return true;
    }
    if (IsCompositionEnabled()) {
        Application->Restore();
        InvalidateRect(mainForm.Handle(), nullptr, 1);
        return true;
    }
    return false;
}

TsSkinManager* TsSkinManager::DefaultManager() { return defaultManager; }

void TsSkinManager::SetIsDefault(bool value) {
    if (!value && defaultManager != nullptr) return;
    defaultManager = this;
    if (active_) UpdateSkin(true);
    else RemoveSkin();
}

namespace {

constexpr int kCommandMouseEntered = 29;
constexpr int kCommandMouseLeft = 30;
constexpr int kCommandGiveSkinData = 37;

}  // namespace

namespace {

// A copy of the rectangle of a 32-bit picture; what lies outside the picture stays clear.
std::unique_ptr<TBitmap> CopyOfRect(TBitmap& source, RECT r) {
    auto copy = NewPf32Bitmap(std::max(0, RectWidth(r)), std::max(0, RectHeight(r)));
    if (source.PixelFormat() != pf32bit) return copy;
    for (int y = std::max(0, r.top); y < std::min(r.bottom, source.Height()); ++y) {
        const auto* from = reinterpret_cast<const std::uint32_t*>(source.ScanLine(y));
        auto* to = reinterpret_cast<std::uint32_t*>(copy->ScanLine(y - r.top));
        for (int x = std::max(0, r.left); x < std::min(r.right, source.Width()); ++x) to[x - r.left] = from[x];
    }
    return copy;
}

std::unique_ptr<TBitmap> CopyOfPicture(const TBitmap& picture) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(const_cast<TBitmap*>(&picture));
    return copy;
}

}  // namespace

void TsSkinManager::InitConstData() {
    InitConstIndexes(tables_);
    InitShadowTemplates();
}

void TsSkinManager::InitShadowTemplates() {
    shadowSize_ = RECT{};
    activeShadow_.reset();
    inactiveShadow_.reset();
    if (!active_ || !ExtendedBorders()) return;
    const int exBorder = tables_.ConstData.ExBorderMask;
    if (!IsValidMaskIndex(tables_, exBorder)) {
        if (ActiveShadowPicture().Empty() || InactiveShadowPicture().Empty()) return;
        activeShadow_ = CopyOfPicture(ActiveShadowPicture());
        inactiveShadow_ = CopyOfPicture(InactiveShadowPicture());
        shadowSize_ = RECT{9, 9, 9, 9};
        return;
    }
    const TsMaskData& mask = tables_.Masks[static_cast<size_t>(exBorder)];
    const TsSkinData& data = tables_.SkinData;
    // A border narrower than the form's own offset casts no shadow on that side.
    auto beyondOffset = [&](int width) { return std::max(0, width - data.FormOffset); };
    if (data.BorderMode != 0) shadowSize_ = RECT{data.FormOffset, data.FormOffset, data.FormOffset, data.FormOffset};
    else
        shadowSize_ = RECT{beyondOffset(mask.LeftWidth), beyondOffset(mask.TopWidth), beyondOffset(mask.RightWidth),
                           beyondOffset(mask.BottomWidth)};
    // A mask cut from the master bitmap gives its frames from there.
    TBitmap* picture = mask.Picture ? mask.Picture.get() : tables_.MasterBitmap.get();
    if (picture == nullptr) return;
    const int frameWidth = MaskFrameWidth(mask);
    const int bandHeight = MaskStateHeight(mask);
    const RECT inactive{mask.SourceRect.left, mask.SourceRect.top, mask.SourceRect.left + frameWidth,
                        mask.SourceRect.top + bandHeight};
    const RECT active = mask.FrameCount > 1 ? RECT{inactive.left + frameWidth, inactive.top, inactive.right + frameWidth,
                                                   inactive.bottom}
                                            : inactive;
    inactiveShadow_ = CopyOfRect(*picture, inactive);
    activeShadow_ = CopyOfRect(*picture, active);
    BlackenTransparentWhite(*inactiveShadow_);
    BlackenTransparentWhite(*activeShadow_);
}

void TsSkinManager::SetActiveControl(TWinControl* control) {
    if (control == activeControl_) return;
    if (activeControl_ != nullptr && activeGraphControl_ != nullptr && !SetActiveGraphControl(nullptr)) return;
    ReleaseActiveControl();
    activeControl_ = control;
    if (control == nullptr) return;
    hotWatch_->FreeNotification(control);
    SendSkinCommand(control, kCommandMouseEntered, reinterpret_cast<LPARAM>(this));
}

void TsSkinManager::ReleaseActiveControl() {
    TWinControl* previous = activeControl_;
    if (previous == nullptr) return;
    activeControl_ = nullptr;
    hotWatch_->RemoveFreeNotification(previous);
    SendSkinCommand(previous, kCommandMouseLeft, reinterpret_cast<LPARAM>(this));
}

bool TsSkinManager::SetActiveGraphControl(TControl* control) {
    if (control == activeGraphControl_) return true;
    TControl* previous = activeGraphControl_;
    if (control == nullptr) {
        auto* data = reinterpret_cast<TsCommonData*>(
            previous->Perform(SkinCommandMessage, SkinCommandWParam(kCommandGiveSkinData), 0));
        if (data != nullptr && data->MouseInside) return false;
    } else {
        ReleaseActiveControl();
    }
    activeGraphControl_ = control;
    const LPARAM self = reinterpret_cast<LPARAM>(this);
    if (previous != nullptr) {
        hotWatch_->RemoveFreeNotification(previous);
        previous->Perform(SkinCommandMessage, SkinCommandWParam(kCommandMouseLeft), self);
    }
    if (control != nullptr) {
        hotWatch_->FreeNotification(control);
        control->Perform(SkinCommandMessage, SkinCommandWParam(kCommandMouseEntered), self);
    }
    return true;
}

void TsSkinManager::ForgetHotControl(const TComponent* component) {
    if (component == activeControl_) activeControl_ = nullptr;
    if (component == activeGraphControl_) activeGraphControl_ = nullptr;
}

void TsSkinManager::Loaded() {
    TComponent::Loaded();
    if (skinDirectory_.empty()) skinDirectory_ = kDefaultSkinDirectory;
    if (MenuSupport.IcoLineSkin.empty()) MenuSupport.IcoLineSkin = "ICOLINE";
    FillThirdLists(false);
    if (active_ && !skinName_.empty()) UpdateSkin(false);
}

bool TsSkinManager::ExtendedBorders() const { return extendedBorders_ && LayeredWindowsAvailable(); }

void TsSkinManager::SetExtendedBorders(bool value) {
    if (value == extendedBorders_) return;
    extendedBorders_ = value;
    InitShadowTemplates();
    // The skin in use is read again: its form borders and shadows depend on the setting.
    if (tables_.SkinData.SkinActive) SetSkinName(skinName_);
}

void TsSkinManager::SetHueOffset(int value) {
    if (value == hueOffset_) return;
    hueOffset_ = value;
    if (tables_.SkinData.SkinActive) SetSkinName(skinName_);
}

void TsSkinManager::SetSaturation(int value) {
    if (value == saturation_) return;
    saturation_ = value;
    if (tables_.SkinData.SkinActive) SetSkinName(skinName_);
}

void TsSkinManager::SetCommonSections(const std::vector<std::string>& lines) {
    commonSections_.clear();
    for (std::string line : lines) {
        if (!line.empty() && line[0] != ';') line.erase(std::remove_if(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; }), line.end());
        commonSections_.push_back(std::move(line));
    }
    SetSkinName(skinName_);
}

void TsSkinManager::SetSkinnedPopups(bool value) {
    if (value == skinnedPopups_) return;
    skinnedPopups_ = value;
    if (value && IsDefault())
        if (TsFormSkinningServices* services = FormSkinningServices()) services->ApplyMenuSkinState(*this);
}

ThirdPartyList::ThirdPartyList() {
    for (int i = 0; i < ThirdPartyKindCount; ++i) lists_[i] = acThirdDefaults[i];
}

void ThirdPartyList::ReadKindList(int index, std::string& text) const {
    if (index >= 0 && index < ThirdPartyKindCount) text = lists_[index];
}

void ThirdPartyList::WriteKindList(int index, const std::string& text) {
    if (index >= 0 && index < ThirdPartyKindCount) lists_[index] = text;
}

namespace {

std::vector<std::string> ClassNameLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty()) lines.push_back(line);
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
        start = end + 1;
    }
    return lines;
}

}  // namespace

void TsSkinManager::FillThirdLists(bool reset) {
    for (int i = 0; i < ThirdPartyKindCount; ++i) {
        std::string text;
        ThirdParty.ReadKindList(i, text);
        if (reset || text.empty()) {
            text = acThirdDefaults[i];
            ThirdParty.WriteKindList(i, text);
        }
        thirdLists_[static_cast<size_t>(i)] = ClassNameLines(text);
    }
}

void TsSkinManager::StoreThirdLists() {
    for (int i = 0; i < ThirdPartyKindCount; ++i) {
        std::string text;
        for (const std::string& name : thirdLists_[static_cast<size_t>(i)]) text += name + "\r\n";
        ThirdParty.WriteKindList(i, text);
    }
}

void TsSkinManager::SetSkinDirectory(const std::string& value) {
    if (value == skinDirectory_) return;
    skinDirectory_ = value;
    tables_.SkinData.SkinFolder = ResolveSkinDirectory();
    if (OnSkinListChanged) OnSkinListChanged(*this);
}

std::string TsSkinManager::ResolveSkinDirectory() const {
    return ResolveSkinDirectoryAgainst(skinDirectory_, ProgramFolder());
}

void TsSkinManager::SetActive(bool value) {
    if (value == active_) return;
    if (value) {
        active_ = true;
        SetSkinName(skinName_);
    } else {
        active_ = false;
        RemoveSkin();
    }
    InitConstData();
}

void TsSkinManager::SetSkinName(const std::string& value) {
    std::string oldName = skinName_;
    skinName_ = value;
    if (!active_) return;
    if (OnBeforeChange) OnBeforeChange(*this);
    PrepareSkinChangeAnimation();
    {
        FlagScope loading(SkinLoading);
        bool wasActive = tables_.SkinData.SkinActive;
        tables_.SkinData.SkinActive = false;
        skinName_ = StripPackExtension(value);
        // The directory is resolved once: packs and folders are looked for in the same place.
        std::string resolved = ResolveSkinDirectory();
        std::string directory = WithSlash(resolved);
        bool plainName = IsPlainSkinName(skinName_) && !resolved.empty();
        std::string packFile = directory + skinName_ + kPackExtension;
        bool packed = plainName && FileExists(packFile);
        if (EditorLinkActive && plainName && DirectoryExists(directory + skinName_)) packed = false;
        bool replaced = false;
        try {
            std::optional<TsSkinTables> loaded = packed ? LoadSkinPackFile(packFile)
                                                        : LoadFolderOrStoredSkin(plainName ? directory : std::string());
            if (loaded) {
                tables_ = std::move(*loaded);
                replaced = true;
                packed_ = packed;
                RunVersionGate(tables_.SkinData.Version);
            }
        } catch (const Exception& error) {
            // The tables in use stay as they were: a half-read skin is never applied.
            skinName_ = oldName;
            tables_.SkinData.SkinActive = wasActive;
            ShowMessage(error.Message(), mtError);
        }
        // A failed first load leaves the program without a skin rather than with empty tables.
        if (!active_) RemoveSkin();
        else if (autoUpdate_ && (replaced || wasActive)) UpdateSkin(true);
    }
    if (OnAfterChange) OnAfterChange(*this);
}

TsSkinTables TsSkinManager::ReadTables(const TMemIniFile* ini, const TsSkinFiles* files, const std::string& folder) {
    TsSkinReadContext context;
    context.Ini = ini;
    context.Files = files;
    context.Owner = this;
    std::string commonText;
    for (const std::string& line : commonSections_) commonText += line + "\n";
    TMemIniFile common(commonText);
    TsFolderFiles commonFiles(folder);
    if (!common.ReadSections().empty()) {
        context.Common = &common;
        if (!folder.empty()) context.CommonFiles = &commonFiles;
    }
    TsSkinTables tables = ReadSkinTables(context);
    ChangeHue(tables, hueOffset_);
    ChangeSaturation(tables, saturation_);
    return tables;
}

std::optional<TsSkinTables> TsSkinManager::LoadSkinPackFile(const std::string& packFile) {
    std::unique_ptr<TacSkinConvertor> pack;
    ReadPackFile(packFile, pack, true);
    if (!pack) return std::nullopt;
    TMemIniFile ini(pack->Options ? pack->Options->Bytes() : std::string());
    TsPackFiles files(*pack);
    TsSkinTables tables = ReadTables(&ini, &files, WithSlash(ResolveSkinDirectory()));
    tables.SkinData.SkinFolder = WithSlash(ResolveSkinDirectory());
    return tables;
}

std::optional<TsSkinTables> TsSkinManager::LoadFolderOrStoredSkin(const std::string& directory) {
    std::string folder = directory.empty() ? std::string() : directory + skinName_ + "/";
    if (editorText_ || (!folder.empty() && FileExists(folder + kOptionsFile))) {
        TMemoryStream text;
        if (!editorText_) text.LoadFromFile(folder + kOptionsFile);
        TMemIniFile ini(editorText_ ? *editorText_ : text.Bytes());
        TsFolderFiles files(folder);
        TsSkinTables tables = ReadTables(&ini, &files, folder);
        tables.SkinData.SkinFolder = folder;
        return tables;
    }
    return LoadStoredSkin();
}

std::optional<TsSkinTables> TsSkinManager::LoadStoredSkin() {
    int index = internalSkins_.IndexOf(skinName_);
    if (index < 0 && internalSkins_.Count() > 0) {
        index = 0;
        skinName_ = internalSkins_.Items(0).Name;
    }
    if (index < 0) {
        active_ = false;
        return std::nullopt;
    }
    const TsStoredSkin& stored = internalSkins_.Items(index);
    if (stored.Data.empty()) return ReadTables(nullptr, nullptr, std::string());
    std::unique_ptr<TacSkinConvertor> pack = UnpackBytes(stored.Data);
    TMemIniFile ini(pack->Options ? pack->Options->Bytes() : std::string());
    TsPackFiles files(*pack);
    return ReadTables(&ini, &files, std::string());
}

void TsSkinManager::RunVersionGate(double version) {
    if (version > 7.99) {
        ShowMessage("This version of the skin have not complete support by used Velvane package release.\r\n"
                    "Components must be updated up to latest version for using this skin.",
                    mtWarning);
    } else if (version < 7.0 && TestSwitchGiven()) {
        ShowMessage("You are using an old version of the \"" + skinName_ +
                        "\" skin. Please, update a skins to latest or link with the Velvane support for upgrading "
                        "of existing skin.\r\n\r\nThis notification occurs in design-time only for your information "
                        "and will not occur in real-time.",
                    mtInformation);
    }
}

void TsSkinManager::ShowMessage(const std::string& text, TMsgDlgType type) {
    if (MessageSink) MessageSink(text, type);
    else MessageDlg(text, type, {mbOK}, 0);
}

void TsSkinManager::EndUpdate(bool freeze, bool animated) {
    autoUpdate_ = true;
    if (!active_) return;
    bool savedAnimation = AnimEffects.SkinChanging.Active;
    if (!animated) AnimEffects.SkinChanging.Active = false;
    try {
        UpdateSkin(freeze);
    } catch (...) {
        AnimEffects.SkinChanging.Active = savedAnimation;
        throw;
    }
    AnimEffects.SkinChanging.Active = savedAnimation;
}

namespace {

bool ApplicationMinimized() { return Application != nullptr && IsIconic(Application->Handle()); }

// Forms frozen for a switch draw again however the switch ends: an exception that leaves
// UpdateSkin must not leave the program's windows frozen.
class FrozenFormsGuard {
public:
    explicit FrozenFormsGuard(TsSkinManager& manager) : manager_(manager) {}
    ~FrozenFormsGuard() {
        if (std::uncaught_exceptions() > exceptionsAtStart_) manager_.UnfreezeForms(false);
    }
    FrozenFormsGuard(const FrozenFormsGuard&) = delete;
    FrozenFormsGuard& operator=(const FrozenFormsGuard&) = delete;

private:
    TsSkinManager& manager_;
    int exceptionsAtStart_ = std::uncaught_exceptions();
};

constexpr int kCommandSkinLoaded = 1;
constexpr int kCommandSkinRemoved = 2;
constexpr int kCommandRefresh = 3;
constexpr int kCommandBeforeRefresh = 16;

}  // namespace

void TsSkinManager::UpdateSkin(bool freeze) {
    if ((ComponentState() & (csLoading | csReading)) != 0) return;
    TsFormSkinningServices* services = FormSkinningServices();
    FrozenFormsGuard unfreezeOnError(*this);
    if (freeze) FreezeForms();
    if (services != nullptr) services->ResetMenuBorderWidth();
    tables_.SkinData.SkinActive = false;
    {
        FlagScope applying(SkinApplying);
        InitConstData();
        TMessage loaded = MakeSkinCommand(kCommandSkinLoaded, this);
        BroadcastToAllForms(loaded);
    }
    tables_.SkinData.SkinActive = true;
    if (IsDefault() && !hookInstalled_) InstallCreationHook();
    if (freeze) RepaintForms(false);
}

void TsSkinManager::RemoveSkin() {
    FlagScope removing(removing_);
    RemoveCreationHook();
    tables_.SkinData.SkinActive = false;
    TMessage removed = MakeSkinCommand(kCommandSkinRemoved, this);
    BroadcastToAllForms(removed);
    tables_.Masks.clear();
    tables_.Patterns.clear();
    tables_.Sections.clear();
}

void TsSkinManager::RepaintForms(bool freeze) {
    TMessage beforeRefresh = MakeSkinCommand(kCommandBeforeRefresh, this);
    BroadcastToAllForms(beforeRefresh);
    {
        FrozenFormsGuard unfreezeOnError(*this);
        if (freeze) FreezeForms();
        TMessage refresh = MakeSkinCommand(kCommandRefresh, this);
        BroadcastToAllForms(refresh);
        UnfreezeForms(true);
    }
    if (TsFormSkinningServices* services = FormSkinningServices())
        for (HWND window : services->AdapterWindows())
            if (IsWindowVisible(window))
                RedrawWindow(window, nullptr, nullptr,
                             RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}

std::vector<TCustomForm*> TsSkinManager::FormsOfThisManager(bool needVisibleWindow) const {
    std::vector<TCustomForm*> forms;
    TsFormSkinningServices* services = FormSkinningServices();
    if (services == nullptr) return forms;
    for (TCustomForm* form : SkinnedForms) {
        if (form == nullptr || form->FormStyle() == fsMDIChild || form->Parent() != nullptr) continue;
        if (!form->HandleAllocated()) continue;
        if (needVisibleWindow ? !IsWindowVisible(form->Handle()) : !form->Visible()) continue;
        if (services->ProviderUsesManager(*form, *this)) forms.push_back(form);
    }
    return forms;
}

void TsSkinManager::FreezeForms() {
    if (ApplicationMinimized()) return;
    if (IsDefault() && AnimEffects.SkinChanging.Active) AnimationInProgress = true;
    TsFormSkinningServices* services = FormSkinningServices();
    for (TCustomForm* form : FormsOfThisManager(true)) {
        if (form->WindowState() == wsMinimized) continue;
        services->MarkFrozen(*form);
        SendMessage(form->Handle(), WM_SETREDRAW, 0, 0);
    }
}

void TsSkinManager::UnfreezeForms(bool animate) {
    if (ApplicationMinimized()) return;
    if (IsDefault()) AnimationInProgress = false;
    TsFormSkinningServices* services = FormSkinningServices();
    std::vector<TCustomForm*> frozen;
    for (TCustomForm* form : FormsOfThisManager(false))
        if (services->IsFrozen(*form)) frozen.push_back(form);
    for (TCustomForm* form : frozen) SendMessage(form->Handle(), WM_SETREDRAW, 1, 0);
    TsSkinChangeAnimation animation{AnimEffects.SkinChanging.Active, AnimEffects.SkinChanging.Time,
                                    AnimEffects.SkinChanging.Mode == atFading};
    for (TCustomForm* form : frozen) {
        if (form->WindowState() == wsMinimized) continue;
        services->FinishSkinChange(*form, animate, animation);
    }
}

void TsSkinManager::PrepareSkinChangeAnimation() {
    if (ApplicationMinimized()) return;
    if (IsDefault() && AnimEffects.SkinChanging.Active) AnimationInProgress = true;
    TsFormSkinningServices* services = FormSkinningServices();
    for (TCustomForm* form : FormsOfThisManager(false))
        if (form->WindowState() != wsMinimized) services->PrepareSkinChange(*form);
}

void TsSkinManager::InstallCreationHook() {
    if (!IsDefault() || hookInstalled_) return;
    hookInstalled_ = true;
    if (TsFormSkinningServices* services = FormSkinningServices()) services->InstallCreationHook();
}

void TsSkinManager::RemoveCreationHook() {
    if (!IsDefault() || !hookInstalled_) return;
    hookInstalled_ = false;
    if (TsFormSkinningServices* services = FormSkinningServices()) services->RemoveCreationHook();
}

std::vector<std::string> TsSkinManager::BuildSkinCatalogue(int kind, std::string& firstName) const {
    std::vector<std::string> names;
    for (int i = 0; i < internalSkins_.Count(); ++i) names.push_back(internalSkins_.Items(i).Name);
    std::string directory = ResolveSkinDirectory();
    if (kind <= sckBoth && !directory.empty() && DirectoryExists(directory)) {
        directory = WithSlash(directory);
        if (kind == sckFolders || kind == sckBoth)
            for (const std::string& folder : ListFolders(directory, "*"))
                if (folder.front() != '.' && FileExists(directory + folder + "/" + kOptionsFile)) names.push_back(folder);
        if (kind == sckPacks || kind == sckBoth)
            for (const std::string& file : ListFiles(directory, "*"))
                if (file.front() != '.' && file.size() > 4 && file.compare(file.size() - 4, 4, kPackExtension) == 0)
                    names.push_back(file.substr(0, file.find('.')));
    }
    firstName = names.empty() ? std::string() : names.front();
    std::sort(names.begin(), names.end());
    return names;
}

std::string TsSkinManager::GetSkinInfo() const {
    return tables_.SkinData.SkinActive ? FloatToStr(tables_.SkinData.Version) : "N/A";
}

TColor TsSkinManager::GetGlobalColor() const {
    int index = GetSectionIndex(tables_, "GLOBALINFO");
    if (index < 0) return static_cast<TColor>(ColorToRGB(clBtnFace));
    return static_cast<TColor>(tables_.Sections[static_cast<size_t>(index)].Color);
}

TColor TsSkinManager::GetGlobalFontColor() const {
    int index = GetSectionIndex(tables_, "GLOBALINFO");
    if (index < 0) return static_cast<TColor>(TransparentKey);
    return static_cast<TColor>(ColorToRGB(static_cast<TColor>(tables_.Sections[static_cast<size_t>(index)].FontColor)));
}

TColor TsSkinManager::GetGlobalHotColor() const {
    int index = GetSectionIndex(tables_, "GLOBALINFO");
    if (index < 0) return static_cast<TColor>(ColorToRGB(clWindow));
    return static_cast<TColor>(ColorToRGB(static_cast<TColor>(tables_.Sections[static_cast<size_t>(index)].HotColor)));
}

namespace {

const TsGeneralData* SectionNamed(const TsSkinTables& tables, const char* name) {
    int index = GetSectionIndex(tables, name);
    return index < 0 ? nullptr : &tables.Sections[static_cast<size_t>(index)];
}

const TsGenState& StateOf(const TsGeneralData& section, bool hot) {
    return section.StateProps[hot && section.StateCount > 1 ? 1 : 0];
}

bool IsNoColour(std::uint32_t colour) { return colour == 0xFFFFFFFFu || colour == TransparentKey; }

}  // namespace

TColor TsSkinManager::GetEditFontColor() const {
    const TsGeneralData* edit = SectionNamed(tables_, "EDIT");
    if (edit == nullptr) return clWindowText;
    return static_cast<TColor>(ColorToRGB(static_cast<TColor>(edit->StateProps[0].FontColor)));
}

TColor TsSkinManager::GetSelectionColor(bool hot) const {
    if (const TsGeneralData* selection = SectionNamed(tables_, "SELECTION")) {
        std::uint32_t colour = StateOf(*selection, hot).Color;
        if (!IsNoColour(colour)) return static_cast<TColor>(ColorToRGB(static_cast<TColor>(colour)));
    }
    const TsGeneralData* item = SectionNamed(tables_, "MENUITEM");
    if (item == nullptr || IsNoColour(item->HotColor) || item->HotColor == 0xFFFFFF) return clHighlight;
    return static_cast<TColor>(ColorToRGB(static_cast<TColor>(item->HotColor)));
}

TColor TsSkinManager::GetSelectionFontColor(bool hot) const {
    if (const TsGeneralData* selection = SectionNamed(tables_, "SELECTION")) {
        std::uint32_t colour = StateOf(*selection, hot).FontColor;
        if (!IsNoColour(colour)) return static_cast<TColor>(colour);
    }
    const TsGeneralData* item = SectionNamed(tables_, "MENUITEM");
    if (item != nullptr && !IsNoColour(item->HotFontColor))
        return static_cast<TColor>(ColorToRGB(static_cast<TColor>(item->HotFontColor)));
    return clHighlightText;
}

int GetSectionIndex(const TsSkinManager* manager, const std::string& name) {
    return manager == nullptr ? -1 : GetSectionIndex(manager->Tables(), name);
}

}  // namespace parch

namespace parch {

namespace {

constexpr std::uint32_t kEditorMarker = 0xA400;
constexpr size_t kEditorNameAt = 4, kEditorNameSize = 128;
constexpr size_t kEditorDirectoryAt = 132, kEditorDirectorySize = 513;
constexpr size_t kEditorOptionsAt = 645, kEditorOptionsSize = 30001;
constexpr size_t kEditorRecordSize = kEditorOptionsAt + kEditorOptionsSize;

// A zero-ended text field, never read past its own size.
std::string EditorField(const char* record, size_t at, size_t size) {
    const char* field = record + at;
    return std::string(field, strnlen(field, size));
}

}  // namespace

void ReceiveEditorSkin(TMessage& message, TsSkinManager& manager) {
    const auto* copy = reinterpret_cast<const TacCopyData*>(message.LParam);
    if (message.WParam != 7 || copy == nullptr || copy->Data == nullptr || copy->Size < kEditorRecordSize) return;
    const char* record = static_cast<const char*>(copy->Data);
    std::uint32_t marker = static_cast<std::uint8_t>(record[0]) | (static_cast<std::uint8_t>(record[1]) << 8) |
                           (static_cast<std::uint8_t>(record[2]) << 16) |
                           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(record[3])) << 24);
    if (marker != kEditorMarker) return;
    EditorLinkActive = true;
    manager.BeginUpdate();
    manager.SetEditorText(EditorField(record, kEditorOptionsAt, kEditorOptionsSize));
    manager.SetSkinDirectory(EditorField(record, kEditorDirectoryAt, kEditorDirectorySize));
    manager.SetSkinName(EditorField(record, kEditorNameAt, kEditorNameSize));
    manager.EndUpdate(true);
    manager.SetEditorText(std::nullopt);
    message.Result = 1;
}

}  // namespace parch
