#include "skin/engine/sSkinManager.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "base/NumberText.h"
#include "base/SysUtils.h"
#include "framework/Application.h"
#include "framework/graphics/Graphics.h"
#include "platform/win/WinMessages.h"
#include "platform/os/Files.h"
#include "platform/win/SystemValues.h"
#include "resources/EmbeddedResources.h"
#include "skin/engine/acPNG.h"
#include "skin/engine/acSkinPack.h"

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

void LoadShadowPicture(int resource, TBitmap& picture) {
    std::optional<std::string> bytes = ReadEmbeddedResource(resource);
    if (!bytes) return;
    TStringStream stream(*bytes);
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

TsSkinManager::TsSkinManager() : internalSkins_(this) {
    if (defaultManager != nullptr) return;
    defaultManager = this;
    if (Application != nullptr)
        applicationHookId_ = Application->HookMainWindow([this](TMessage& message) { return ApplicationHook(message); });
}

TsSkinManager::~TsSkinManager() {
    if (tables_.SkinData.SkinActive) RemoveSkin();
    if (applicationHookId_ >= 0 && Application != nullptr) Application->UnhookMainWindow(applicationHookId_);
    if (defaultManager == this) defaultManager = nullptr;
}

bool TsSkinManager::ApplicationHook(TMessage& message) {
    constexpr UINT kThemeChanged = 0x031A;
    constexpr WPARAM kMinimize = 0xF020, kRestore = 0xF120;
    switch (message.Msg) {
        case WM_SYSCOMMAND:
            if (!tables_.SkinData.SkinActive) return false;
            switch (message.WParam & 0xFFF0) {
                case kMinimize: sysCommandState_ = 2; break;
                case kRestore: sysCommandState_ = 1; break;
                default: sysCommandState_ = 0;
            }
            return false;
        case kThemeChanged:
            return true;
        default:
            return false;
    }
}

TsSkinManager* TsSkinManager::DefaultManager() { return defaultManager; }

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
    InitConstIndexes(tables_);
}

void TsSkinManager::SetSkinName(const std::string& value) {
    std::string oldName = skinName_;
    skinName_ = value;
    if (!active_) return;
    if (OnBeforeChange) OnBeforeChange(*this);
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

TsSkinTables TsSkinManager::ReadTables(const TMemIniFile* ini, const TsSkinFiles* files) {
    TsSkinReadContext context;
    context.Ini = ini;
    context.Files = files;
    context.Owner = this;
    return ReadSkinTables(context);
}

std::optional<TsSkinTables> TsSkinManager::LoadSkinPackFile(const std::string& packFile) {
    std::unique_ptr<TacSkinConvertor> pack;
    ReadPackFile(packFile, pack, true);
    if (!pack) return std::nullopt;
    TMemIniFile ini(pack->Options ? pack->Options->Bytes() : std::string());
    TsPackFiles files(*pack);
    TsSkinTables tables = ReadTables(&ini, &files);
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
        TsSkinTables tables = ReadTables(&ini, &files);
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
    if (stored.Data.empty()) return ReadTables(nullptr, nullptr);
    std::unique_ptr<TacSkinConvertor> pack = UnpackBytes(stored.Data);
    TMemIniFile ini(pack->Options ? pack->Options->Bytes() : std::string());
    TsPackFiles files(*pack);
    return ReadTables(&ini, &files);
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

void TsSkinManager::EndUpdate(bool freeze) {
    autoUpdate_ = true;
    if (active_) UpdateSkin(freeze);
}

void TsSkinManager::UpdateSkin(bool freeze) {
    tables_.SkinData.SkinActive = false;
    {
        FlagScope applying(SkinApplying);
        InitConstIndexes(tables_);
    }
    tables_.SkinData.SkinActive = true;
    if (Windows != nullptr) Windows->SkinApplied(*this, freeze);
}

void TsSkinManager::RemoveSkin() {
    tables_.SkinData.SkinActive = false;
    if (Windows != nullptr) Windows->SkinRemoved(*this);
    tables_.Masks.clear();
    tables_.Patterns.clear();
    tables_.Sections.clear();
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
