#include "bitmap32/Bitmap32.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "bitmap32/Bitmap32Backends.h"
#include "bitmap32/LowLevel.h"

namespace parch {

TColor32 ToColor32(TColor color) {
    const COLORREF rgb = ColorToRGB(color);
    return 0xFF000000u | ((rgb & 0xFFu) << 16) | (rgb & 0xFF00u) | ((rgb >> 16) & 0xFFu);
}

RECT BuildRect(int left, int top, int right, int bottom) { return RECT{left, top, right, bottom}; }

RECT BuildRect(const TFixedRect& rect, int roundingMode) {
    switch (roundingMode) {
    case 1:
        return RECT{rect.Left >> 16, rect.Top >> 16, static_cast<LONG>((std::int64_t{rect.Right} + 0xFFFF) >> 16),
                    static_cast<LONG>((std::int64_t{rect.Bottom} + 0xFFFF) >> 16)};
    case 2: {
        RECT r{static_cast<LONG>((std::int64_t{rect.Left} + 0xFFFF) >> 16),
               static_cast<LONG>((std::int64_t{rect.Top} + 0xFFFF) >> 16), rect.Right >> 16, rect.Bottom >> 16};
        r.right = std::max(r.right, r.left);
        r.bottom = std::max(r.bottom, r.top);
        return r;
    }
    default:
        return RECT{static_cast<LONG>((std::int64_t{rect.Left} + 0x7FFF) >> 16),
                    static_cast<LONG>((std::int64_t{rect.Top} + 0x7FFF) >> 16),
                    static_cast<LONG>((std::int64_t{rect.Right} + 0x7FFF) >> 16),
                    static_cast<LONG>((std::int64_t{rect.Bottom} + 0x7FFF) >> 16)};
    }
}

TFixedRect ToFixedRect(const RECT& rect) {
    return TFixedRect{ToFixed(rect.left), ToFixed(rect.top), ToFixed(rect.right), ToFixed(rect.bottom)};
}

TFixedRect ToFixedRect(TFixed left, TFixed top, TFixed right, TFixed bottom) {
    return TFixedRect{ToFixed(left), ToFixed(top), ToFixed(right), ToFixed(bottom)};
}

TFloatRect ToFloatRect(const RECT& rect) {
    return TFloatRect{static_cast<float>(rect.left), static_cast<float>(rect.top), static_cast<float>(rect.right),
                      static_cast<float>(rect.bottom)};
}

bool IntersectRect(RECT& dst, const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.right < r.left || r.bottom < r.top) r = RECT{};
    dst = r;
    return !IsRectEmpty(r);
}

bool EqualRect(const RECT& a, const RECT& b) { return a == b; }

TFloatRect GrowArea(const TFloatRect& rect, float dx, float dy) {
    return TFloatRect{rect.Left - dx, rect.Top - dy, rect.Right + dx, rect.Bottom + dy};
}

void OffsetRect(RECT& rect, int dx, int dy) {
    rect.left += dx;
    rect.right += dx;
    rect.top += dy;
    rect.bottom += dy;
}

bool IsRectEmpty(const RECT& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

TFixed ToFixed(float value) { return static_cast<TFixed>(std::nearbyint(static_cast<double>(value) * 65536.0)); }

// ---------------------------------------------------------------------------------------------

TPlainInterfacedPersistent::~TPlainInterfacedPersistent() = default;

int TPlainInterfacedPersistent::AddRef() {
    if (!countsReferences_) return -1;
    return ++referenceCount_;
}

int TPlainInterfacedPersistent::Release() {
    if (!countsReferences_) return -1;
    const int count = --referenceCount_;
    if (count == 0) delete this;
    return count;
}

void TNotifiablePersistent::Changed() {
    if (updateCount_ == 0 && OnChange) OnChange(this);
}

void TThreadPersistent::Lock() {
    ++lockDepth_;
    lock_.lock();
}

void TThreadPersistent::Unlock() {
    lock_.unlock();
    --lockDepth_;
}

bool TCustomMap::SetSize(int newWidth, int newHeight) {
    newWidth = std::max(newWidth, 0);
    newHeight = std::max(newHeight, 0);
    if (newWidth == width_ && newHeight == height_) return false;
    ApplySize(newWidth, newHeight);
    Changed();
    Resized();
    return true;
}

void TCustomMap::ApplySize(int newWidth, int newHeight) {
    width_ = newWidth;
    height_ = newHeight;
}

void TCustomMap::Resized() {
    if (OnResize) OnResize(this);
}

// ---------------------------------------------------------------------------------------------

TCustomBackend::TCustomBackend(TCustomBitmap32* owner) : owner_(owner) {
    SetCountsReferences(true);
    AddRef();
}

TCustomBackend::~TCustomBackend() = default;

void TCustomBackend::Changing() {
    if (OnChanging) OnChanging(this);
}

void TCustomBackend::ApplySize(int& width, int& height, int newWidth, int newHeight, bool clearBuffer) {
    struct ReportChanged {
        TCustomBackend& backend;
        ~ReportChanged() { backend.Changed(); }
    } reportOnEveryPath{*this};
    Changing();
    DestroySurface();
    width = 0;
    height = 0;
    if (newWidth > 0 && newHeight > 0) CreateSurface(newWidth, newHeight, clearBuffer);
    width = newWidth;
    height = newHeight;
}

void TCustomBackend::Clear() {
    if (owner_) {
        ApplySize(owner_->width_, owner_->height_, 0, 0, false);
    } else {
        int width = 0;
        int height = 0;
        ApplySize(width, height, 0, 0, false);
    }
}

void TCustomBackend::ReleaseSurface() {
    // The owner's size goes with the surface, as Clear does, but without notifications: the
    // back end is going away.
    OnChange = nullptr;
    OnChanging = nullptr;
    DestroySurface();
    bits_ = nullptr;
}

void TCustomBackend::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TCustomBackend*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (!owner_) return;
    const int width = other->owner_ ? other->owner_->Width() : 0;
    const int height = other->owner_ ? other->owner_->Height() : 0;
    ApplySize(owner_->width_, owner_->height_, width, height, false);
    if (!other->Empty() && other->bits_ && bits_)
        MoveWords(other->bits_, bits_, width * height);
}

// ---------------------------------------------------------------------------------------------

namespace {
std::vector<TResamplerClass>& ResamplerClassList() {
    static std::vector<TResamplerClass> list;
    return list;
}
}  // namespace

const TResamplerClass* FindResamplerClass(const std::string& className) {
    RegisterStandardResamplers();
    for (const TResamplerClass& entry : ResamplerClassList())
        if (entry.ClassName == className) return &entry;
    return nullptr;
}

void RegisterResamplerClass(TResamplerClass resamplerClass) {
    ResamplerClassList().push_back(std::move(resamplerClass));
}

TCustomBitmap32::TCustomBitmap32() : TCustomBitmap32(TOwnBackend{}) { CreateDefaultBackend(); }

TCustomBitmap32::TCustomBitmap32(TOwnBackend) { SelectWrapRoutines(); }

TCustomBitmap32::~TCustomBitmap32() {
    // No notification from here on: handlers may belong to objects already gone.
    SilenceNotifications();
    BeginUpdate();
    Lock();
    try {
        SetSize(0, 0);
    } catch (...) {
        // Shrinking to nothing frees memory and does not fail; nothing can be done here if it did.
    }
    resampler_ = nullptr;
    resamplerObject_.reset();
    DropBackend();
    Unlock();
}

void TCustomBitmap32::SilenceNotifications() {
    OnChange = nullptr;
    OnResize = nullptr;
    OnAreaChanged = nullptr;
    OnPixelCombine = nullptr;
}

void TCustomBitmap32::CreateDefaultBackend() {
    ReplaceBackend(new TMemoryBackend());
    CreateDefaultResampler();
}

void TCustomBitmap32::CreateDefaultResampler() {
    if (const TResamplerClass* nearest = FindResamplerClass("TNearestResampler")) nearest->CreateFor(this);
}

void TCustomBitmap32::Changed() {
    if ((UpdateCount() == 0 || measureOnly_) && OnAreaChanged) OnAreaChanged(this, BoundsRect(), AreaKindRect);
    if (!measureOnly_) TCustomMap::Changed();
}

void TCustomBitmap32::Changed(const RECT& area, std::uint32_t info) {
    if ((UpdateCount() == 0 || measureOnly_) && OnAreaChanged) OnAreaChanged(this, area, info);
    if (!measureOnly_) TCustomMap::Changed();
}

void TCustomBitmap32::PropertyChanged() { TCustomMap::Changed(); }

bool TCustomBitmap32::Empty() const {
    return (backend_ && backend_->Empty()) || Width() == 0 || Height() == 0;
}

void TCustomBitmap32::ApplySize(int newWidth, int newHeight) {
    if (backend_) backend_->ApplySize(width_, height_, newWidth, newHeight, true);
    else TCustomMap::ApplySize(newWidth, newHeight);
}

void TCustomBitmap32::Clear(TColor32 fillColor) {
    if (Empty()) return;
    if (!measureOnly_) {
        if (clipActive_)
            FillRect(clipArea_.left, clipArea_.top, clipArea_.right, clipArea_.bottom, fillColor);
        else
            FillWords(bits_, Width() * Height(), fillColor);
    }
    Changed();
}

void TCustomBitmap32::FillRect(int x1, int y1, int x2, int y2, TColor32 value) {
    if (bits_)
        for (int y = y1; y < y2; ++y) FillWords(PixelAddress(x1, y), x2 - x1, value);
    Changed(RECT{x1, y1, x2, y2});
}

void TCustomBitmap32::FillRectClipped(int x1, int y1, int x2, int y2, TColor32 value) {
    if (!measureOnly_ && x1 < x2 && y1 < y2 && x1 < clipArea_.right && y1 < clipArea_.bottom &&
        x2 > clipArea_.left && y2 > clipArea_.top) {
        x1 = std::max<int>(x1, clipArea_.left);
        y1 = std::max<int>(y1, clipArea_.top);
        x2 = std::min<int>(x2, clipArea_.right);
        y2 = std::min<int>(y2, clipArea_.bottom);
        FillRect(x1, y1, x2, y2, value);
    }
    Changed(RECT{x1, y1, x2, y2});
}

void TCustomBitmap32::MakeOpaque(std::uint8_t alpha) {
    if (!measureOnly_ && bits_) {
        const std::int64_t count = std::int64_t{Width()} * Height();
        const TColor32 alphaBits = TColor32{alpha} << 24;
        for (std::int64_t i = 0; i < count; ++i) bits_[i] = (bits_[i] & 0x00FFFFFFu) | alphaBits;
    }
    Changed();
}

void TCustomBitmap32::SetClipArea(const RECT& value) {
    IntersectRect(clipArea_, value, BoundsRect());
    if (clipArea_.right < clipArea_.left || clipArea_.bottom < clipArea_.top) clipArea_ = RECT{};
    fixedClipRect_ = ToFixedRect(clipArea_);
    clip256_ = RECT{clipArea_.left << 8, clipArea_.top << 8, clipArea_.right << 8, clipArea_.bottom << 8};
    clipActive_ = !EqualRect(clipArea_, BoundsRect());
    SelectWrapRoutines();
}

void TCustomBitmap32::SelectWrapRoutines() {
    wrapRoutineX_ = SelectWrapProcRange(wrapMode_, clipArea_.left, clipArea_.right - 1);
    wrapRoutineY_ = SelectWrapProcRange(wrapMode_, clipArea_.top, clipArea_.bottom - 1);
}

void TCustomBitmap32::StartMeasuring(TAreaChangedEvent callback) {
    measureOnly_ = true;
    savedOnAreaChanged_ = std::move(OnAreaChanged);
    OnAreaChanged = std::move(callback);
}

void TCustomBitmap32::StopMeasuring() {
    measureOnly_ = false;
    OnAreaChanged = std::move(savedOnAreaChanged_);
    savedOnAreaChanged_ = nullptr;
}

TColor32 TCustomBitmap32::GetPixelClipped(int x, int y) const {
    if (x < clipArea_.left || x >= clipArea_.right || y < clipArea_.top || y >= clipArea_.bottom)
        return outerColor_;
    return GetPixel(x, y);
}

// An empty clip rectangle has no pixel to wrap onto: it reads as the outer colour.
TColor32 TCustomBitmap32::GetPixelWrapped(int x, int y) const {
    if (IsRectEmpty(clipArea_)) return outerColor_;
    return GetPixel(wrapRoutineX_(x, clipArea_.left, clipArea_.right - 1),
                    wrapRoutineY_(y, clipArea_.top, clipArea_.bottom - 1));
}

void TCustomBitmap32::SetDrawMode(TDrawMode mode) {
    if (drawMode_ == mode) return;
    drawMode_ = mode;
    Changed();
}

void TCustomBitmap32::SetCombineMode(TCombineMode mode) {
    if (combineMode_ == mode) return;
    combineMode_ = mode;
    Changed();
}

void TCustomBitmap32::SetWrapMode(TWrapMode mode) {
    if (wrapMode_ == mode) return;
    wrapMode_ = mode;
    SelectWrapRoutines();
    Changed();
}

void TCustomBitmap32::SetMasterAlpha(std::uint32_t alpha) {
    if (masterAlpha_ == alpha) return;
    masterAlpha_ = alpha;
    Changed();
}

void TCustomBitmap32::InstallResampler(TCustomResampler* resampler, TNotifiablePersistent* asPersistent) {
    if (!resampler || resampler == resampler_) return;
    resamplerObject_.reset(asPersistent);
    resampler_ = resampler;
    Changed();
}

std::string TCustomBitmap32::ResamplerClassName() const {
    return resamplerObject_ ? resamplerObject_->ClassName() : std::string();
}

void TCustomBitmap32::SetResamplerClassName(const std::string& name) {
    if (name.empty() || name == ResamplerClassName()) return;
    if (const TResamplerClass* found = FindResamplerClass(name)) found->CreateFor(this);
}

void TCustomBitmap32::ReplaceBackend(TCustomBackend* backend) {
    if (!backend || backend == backend_) return;
    {
        TUpdateGuard<TCustomBitmap32> update(*this);
        backend->SetOwner(this);
        if (backend_) {
            try {
                backend->Assign(backend_);
            } catch (...) {
                // The new back end was handed over with its reference: it is not kept.
                backend->SetOwner(nullptr);
                backend->Release();
                throw;
            }
            DropBackend();
        }
        backend_ = backend;
        backend->OnChange = [this](TObject* sender) { BackendSwitchedHandler(sender); };
        backend->OnChanging = [this](TObject* sender) { BackendSwitchingHandler(sender); };
    }
    backend->Changed();
    Changed();
}

void TCustomBitmap32::DropBackend() {
    if (!backend_) return;
    TCustomBackend* backend = backend_;
    backend_ = nullptr;
    backend->SetOwner(nullptr);
    backend->OnChange = nullptr;
    backend->OnChanging = nullptr;
    backend->Release();
}

TCustomBackend* TCustomBitmap32::DetachBackend() {
    if (backend_) backend_->AddRef();
    return backend_;
}

void TCustomBitmap32::BackendSwitchedHandler(TObject*) {
    bits_ = backend_ ? backend_->Bits() : nullptr;
    ResetClipArea();
}

namespace {

TCustomBitmap32& PublishedBitmap(TObject& object) { return static_cast<TCustomBitmap32&>(object); }
const TCustomBitmap32& PublishedBitmap(const TObject& object) { return static_cast<const TCustomBitmap32&>(object); }

template <class Enum>
TPropertyInfo BitmapEnumProperty(const char* name, std::initializer_list<const char*> names, Enum (TCustomBitmap32::*get)() const,
                           void (TCustomBitmap32::*set)(Enum)) {
    std::vector<std::string> texts(names.begin(), names.end());
    return TPropertyInfo{
        name, TTypeKind::tkEnumeration,
        [texts, get](const TObject& o) { return texts.at(static_cast<std::size_t>((PublishedBitmap(o).*get)())); },
        [name, texts, set](TObject& o, const std::string& text) {
            (PublishedBitmap(o).*set)(static_cast<Enum>(EnumPropertyValue(name, text, texts)));
        },
        nullptr};
}

}  // namespace

const TPropertyTable& TCustomBitmap32::PublishedProperties() const {
    static const TPropertyTable table = {
        BitmapEnumProperty<TDrawMode>("DrawMode", {"dmOpaque", "dmBlend", "dmCustom", "dmTransparent"},
                                &TCustomBitmap32::DrawMode, &TCustomBitmap32::SetDrawMode),
        BitmapEnumProperty<TCombineMode>("CombineMode", {"cmBlend", "cmMerge"}, &TCustomBitmap32::CombineMode,
                                   &TCustomBitmap32::SetCombineMode),
        BitmapEnumProperty<TWrapMode>("WrapMode", {"wmClamp", "wmRepeat", "wmMirror"}, &TCustomBitmap32::WrapMode,
                                &TCustomBitmap32::SetWrapMode),
        TPropertyInfo{"MasterAlpha", TTypeKind::tkInteger,
                      [](const TObject& o) { return IntToStr(PublishedBitmap(o).MasterAlpha()); },
                      [](TObject& o, const std::string& text) {
                          PublishedBitmap(o).SetMasterAlpha(static_cast<std::uint32_t>(IntegerPropertyValue("MasterAlpha", text)));
                      },
                      nullptr},
        TPropertyInfo{"OuterColor", TTypeKind::tkInteger,
                      [](const TObject& o) { return IntToStr(static_cast<std::int32_t>(PublishedBitmap(o).OuterColor())); },
                      [](TObject& o, const std::string& text) {
                          PublishedBitmap(o).SetOuterColor(static_cast<TColor32>(IntegerPropertyValue("OuterColor", text)));
                      },
                      nullptr},
        TPropertyInfo{"ResamplerClassName", TTypeKind::tkString,
                      [](const TObject& o) { return PublishedBitmap(o).ResamplerClassName(); },
                      [](TObject& o, const std::string& text) { PublishedBitmap(o).SetResamplerClassName(text); }, nullptr},
        TPropertyInfo{"Resampler", TTypeKind::tkClass, nullptr, nullptr,
                      [](const TObject& o) -> TPersistent* { return PublishedBitmap(o).resamplerObject_.get(); }},
    };
    return table;
}

// ---------------------------------------------------------------------------------------------

TBitmap32::TBitmap32() : TCustomBitmap32(TOwnBackend{}) { CreateDefaultBackend(); }

TBitmap32::~TBitmap32() {
    // Drop the back end here, while this class's DropBackend still unhooks its events.
    SilenceNotifications();
    OnHandleChanged = nullptr;
    BeginUpdate();
    Lock();
    try {
        SetSize(0, 0);
    } catch (...) {
    }
    DropBackend();
    Unlock();
    EndUpdate();
}

void TBitmap32::CreateDefaultBackend() {
    ReplaceBackend(new TGDIBackend());
    CreateDefaultResampler();
}

void TBitmap32::ReplaceBackend(TCustomBackend* backend) {
    if (auto* fontSupport = dynamic_cast<IFontSupport*>(backend))
        fontSupport->OnFontChange() = [](TObject*) {};
    if (auto* canvasSupport = dynamic_cast<ICanvasSupport*>(backend))
        canvasSupport->OnCanvasChange() = [this](TObject*) { Changed(); };
    TCustomBitmap32::ReplaceBackend(backend);
}

void TBitmap32::DropBackend() {
    if (auto* fontSupport = BackendAs<IFontSupport>()) fontSupport->OnFontChange() = nullptr;
    if (auto* canvasSupport = BackendAs<ICanvasSupport>()) canvasSupport->OnCanvasChange() = nullptr;
    TCustomBitmap32::DropBackend();
}

void TBitmap32::BackendSwitchedHandler(TObject* sender) {
    TCustomBitmap32::BackendSwitchedHandler(sender);
    HandleChanged();
}

void TBitmap32::BackendSwitchingHandler(TObject*) {
    if (auto* canvasSupport = BackendAs<ICanvasSupport>()) canvasSupport->FreeCanvas();
}

void TBitmap32::HandleChanged() {
    if (OnHandleChanged) OnHandleChanged(this);
}

TCanvas* TBitmap32::Canvas() const {
    auto* canvasSupport = BackendAs<ICanvasSupport>();
    return canvasSupport ? canvasSupport->GetCanvas() : nullptr;
}

HDC TBitmap32::Handle() const {
    auto* dcSupport = BackendAs<IDeviceContextSupport>();
    return dcSupport ? dcSupport->DCHandle() : nullptr;
}

TFont* TBitmap32::Font() const {
    auto* fontSupport = BackendAs<IFontSupport>();
    return fontSupport ? fontSupport->GetFont() : nullptr;
}

void TBitmap32::SetFont(const TFont& font) {
    if (auto* fontSupport = BackendAs<IFontSupport>()) fontSupport->SetFont(font);
}

void TBitmap32::CopySettingsTo(TCustomBitmap32* dst) const {
    TCustomBitmap32::CopySettingsTo(dst);
    auto* target = dynamic_cast<TBitmap32*>(dst);
    if (target && Font() && target->Font()) target->SetFont(*Font());
}

}  // namespace parch
