#pragma once
// The 32-bit bitmap: a width x height array of ARGB pixels with clipping, change notification,
// a per-object lock, drawing properties and a resampler that scales it into another bitmap;
// and the persistent classes beneath it that the back ends, resamplers and layers share.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "base/Classes.h"
#include "bitmap32/PropertyTable.h"
#include "framework/graphics/Graphics.h"
#include "platform/gdi/WinTypes.h"

namespace parch {

class TStream;
class TCanvas;
class TGraphic;
class TBitmap;
class TPicture;
class TCustomBackend;
class TCustomResampler;  // the resampling units define it
class TCustomBitmap32;

// Alpha in bits 24-31, red 16-23, green 8-15, blue 0-7 (bytes blue, green, red, alpha).
using TColor32 = std::uint32_t;

// 16.16 fixed point.
using TFixed = std::int32_t;

struct TFixedRect {
    TFixed Left = 0;
    TFixed Top = 0;
    TFixed Right = 0;
    TFixed Bottom = 0;
    friend bool operator==(const TFixedRect&, const TFixedRect&) = default;
};

struct TFloatRect {
    float Left = 0;
    float Top = 0;
    float Right = 0;
    float Bottom = 0;
    friend bool operator==(const TFloatRect&, const TFloatRect&) = default;
};

constexpr TColor32 Color32(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 0xFF) {
    return (TColor32{a} << 24) | (TColor32{r} << 16) | (TColor32{g} << 8) | b;
}
constexpr std::uint8_t AlphaComponent(TColor32 c) { return static_cast<std::uint8_t>(c >> 24); }
constexpr std::uint8_t RedComponent(TColor32 c) { return static_cast<std::uint8_t>(c >> 16); }
constexpr std::uint8_t GreenComponent(TColor32 c) { return static_cast<std::uint8_t>(c >> 8); }
constexpr std::uint8_t BlueComponent(TColor32 c) { return static_cast<std::uint8_t>(c); }

// A framework colour (system colours resolved) as an opaque TColor32.
TColor32 ToColor32(TColor color);

// Rectangle helpers shared by the bitmap units.
RECT BuildRect(int left, int top, int right, int bottom);
// mode 0: every edge rounded; 1: outward; 2: inward (right >= left, bottom >= top kept).
RECT BuildRect(const TFixedRect& rect, int roundingMode);
TFixedRect ToFixedRect(const RECT& rect);
TFixedRect ToFixedRect(TFixed left, TFixed top, TFixed right, TFixed bottom);
TFloatRect ToFloatRect(const RECT& rect);
// The overlap of a and b in dst; an empty overlap gives (0, 0, 0, 0) and false.
bool IntersectRect(RECT& dst, const RECT& a, const RECT& b);
bool EqualRect(const RECT& a, const RECT& b);
TFloatRect GrowArea(const TFloatRect& rect, float dx, float dy);
void OffsetRect(RECT& rect, int dx, int dy);
bool IsRectEmpty(const RECT& rect);
inline TFixed ToFixed(int value) { return static_cast<TFixed>(static_cast<std::uint32_t>(value) << 16); }
TFixed ToFixed(float value);

// Raised by a reference-counted object destroyed while references remain, and by the bitmap
// library's own failures.
class EBitmap32Error : public Exception {
public:
    using Exception::Exception;
};

// A persistent object that may count references: those that do (the back ends) are freed by
// the release of their last reference; the others are freed by their owner and ignore counting.
class TPlainInterfacedPersistent : public TPersistent {
public:
    ~TPlainInterfacedPersistent() override;
    TPlainInterfacedPersistent(const TPlainInterfacedPersistent&) = delete;
    TPlainInterfacedPersistent& operator=(const TPlainInterfacedPersistent&) = delete;

    // The new count, or -1 when this object does not count references.
    int AddRef();
    // Destroys the object when the count reaches 0.
    int Release();
    bool CountsReferences() const { return countsReferences_; }
    int ReferenceCount() const { return referenceCount_.load(); }

protected:
    TPlainInterfacedPersistent() = default;
    void SetCountsReferences(bool counts) { countsReferences_ = counts; }

private:
    bool countsReferences_ = false;
    std::atomic<int> referenceCount_{0};
};

class TNotifiablePersistent : public TPlainInterfacedPersistent {
public:
    // Fires OnChange when no update is running.
    virtual void Changed();
    virtual void BeginUpdate() { ++updateCount_; }
    virtual void EndUpdate() { --updateCount_; }
    int UpdateCount() const { return updateCount_; }

    TNotifyEvent OnChange;

private:
    int updateCount_ = 0;
};

// Adds the per-object lock: an uncontended guard taken around resizing and copying.
class TThreadPersistent : public TNotifiablePersistent {
public:
    void Lock();
    void Unlock();
    int LockDepth() const { return lockDepth_.load(); }
    // The lock itself, so the back end's font can share it.
    std::recursive_mutex& CriticalSection() { return lock_; }

private:
    std::atomic<int> lockDepth_{0};
    std::recursive_mutex lock_;
};

// A width x height map of any kind of cell.
class TCustomMap : public TThreadPersistent {
public:
    int Width() const { return width_; }
    int Height() const { return height_; }
    virtual void SetWidth(int width) { SetSize(width, height_); }
    virtual void SetHeight(int height) { SetSize(width_, height); }
    // Negative sizes become 0; false (and nothing happens) when the size does not change.
    virtual bool SetSize(int newWidth, int newHeight);
    virtual void Delete() { SetSize(0, 0); }
    virtual bool Empty() const { return width_ == 0 || height_ == 0; }

    TNotifyEvent OnResize;

protected:
    virtual void ApplySize(int newWidth, int newHeight);
    virtual void Resized();

    // Back ends write the size they applied straight into these.
    int width_ = 0;
    int height_ = 0;
};

enum TDrawMode { dmOpaque, dmBlend, dmCustom, dmTransparent };
enum TCombineMode { cmBlend, cmMerge };
enum TWrapMode { wmClamp, wmRepeat, wmMirror };

// The info of an area report that carries a rectangle.
constexpr std::uint32_t AreaKindRect = 0x80000000u;

using TPixelCombineEvent = std::function<void(TColor32 foreground, TColor32& background, std::uint32_t master)>;
using TAreaChangedEvent = std::function<void(TObject* sender, const RECT& area, std::uint32_t info)>;
// A coordinate brought into Min .. Max.
using TWrapProc = int (*)(int value, int min, int max);

// Storage of a bitmap's pixels; owned through references (see TPlainInterfacedPersistent).
class TCustomBackend : public TThreadPersistent {
public:
    // A new back end holds one reference; with an owner it installs itself there.
    explicit TCustomBackend(TCustomBitmap32* owner = nullptr);
    ~TCustomBackend() override;

    TColor32* Bits() const { return bits_; }
    TCustomBitmap32* Owner() const { return owner_; }
    void SetOwner(TCustomBitmap32* owner) { owner_ = owner; }

    // Frees the surface and allocates one of the new size (none when a side is 0), storing
    // the size in width and height; OnChanging before, OnChange after, on every path.
    virtual void ApplySize(int& width, int& height, int newWidth, int newHeight, bool clearBuffer);
    virtual void Clear();
    virtual bool Empty() const { return false; }
    void Assign(const TPersistent* source) override;

    TNotifyEvent OnChanging;

protected:
    virtual void Changing();
    virtual void CreateSurface(int newWidth, int newHeight, bool clearBuffer) = 0;
    virtual void DestroySurface() = 0;
    void SetBits(TColor32* bits) { bits_ = bits; }
    // The destructors of derived back ends free their surface through this.
    void ReleaseSurface();

private:
    TColor32* bits_ = nullptr;
    TCustomBitmap32* owner_ = nullptr;
};

class TCustomBitmap32 : public TCustomMap, public IPublishedProperties {
public:
    TCustomBitmap32();
    ~TCustomBitmap32() override;

    // DrawMode, CombineMode, WrapMode, MasterAlpha, OuterColor, ResamplerClassName and the
    // Resampler object, in this order (the class name before the object it creates).
    const TPropertyTable& PublishedProperties() const override;

    // Change notification: the whole bitmap, or an area; PropertyChanged only fires OnChange.
    void Changed() override;
    virtual void Changed(const RECT& area, std::uint32_t info = AreaKindRect);
    virtual void PropertyChanged();

    bool Empty() const override;
    void Delete() override { SetSize(0, 0); }

    TColor32* Bits() const { return bits_; }
    RECT BoundsRect() const { return RECT{0, 0, Width(), Height()}; }
    TColor32* ScanLine(int y) const { return bits_ + static_cast<std::ptrdiff_t>(y) * Width(); }
    TColor32* PixelAddress(int x, int y) const { return ScanLine(y) + x; }

    // Fills with opaque black, or with the colour; only the clip rectangle when one is set.
    void Clear() { Clear(0xFF000000u); }
    void Clear(TColor32 fillColor);
    void FillRect(int x1, int y1, int x2, int y2, TColor32 value);
    void FillRectClipped(int x1, int y1, int x2, int y2, TColor32 value);
    void MakeOpaque() { MakeOpaque(0xFF); }
    void MakeOpaque(std::uint8_t alpha);

    const RECT& ClipArea() const { return clipArea_; }
    const TFixedRect& FixedClipRect() const { return fixedClipRect_; }
    const RECT& Clip256() const { return clip256_; }
    bool ClipActive() const { return clipActive_; }
    void SetClipArea(const RECT& value);
    void ResetClipArea() { SetClipArea(BoundsRect()); }

    // Measuring: drawing reports its areas to the callback but leaves the pixels alone.
    void StartMeasuring(TAreaChangedEvent callback);
    void StopMeasuring();
    bool MeasureOnly() const { return measureOnly_; }

    // Pixel reads.
    TColor32 GetPixel(int x, int y) const { return bits_[x + static_cast<std::ptrdiff_t>(y) * Width()]; }
    void SetPixel(int x, int y, TColor32 value) { bits_[x + static_cast<std::ptrdiff_t>(y) * Width()] = value; }
    TColor32 GetPixelClipped(int x, int y) const;
    TColor32 GetPixelWrapped(int x, int y) const;
    // 24.8 and 16.16 interpolated reads, and the transfer into another bitmap, belong to the
    // resampling units, which define them.
    TColor32 GetPixel256(int x, int y) const;
    TColor32 GetPixel256Clipped(int x, int y) const;
    TColor32 GetPixelFixed(TFixed x, TFixed y) const;
    TColor32 GetPixelFixedClipped(TFixed x, TFixed y) const;
    TColor32 GetPixelFixedWrapped(TFixed x, TFixed y) const;
    void DrawOnto(TCustomBitmap32* dst, const RECT& dstRect);

    // Drawing properties.
    TDrawMode DrawMode() const { return drawMode_; }
    void SetDrawMode(TDrawMode mode);
    TCombineMode CombineMode() const { return combineMode_; }
    void SetCombineMode(TCombineMode mode);
    TWrapMode WrapMode() const { return wrapMode_; }
    void SetWrapMode(TWrapMode mode);
    std::uint32_t MasterAlpha() const { return masterAlpha_; }
    void SetMasterAlpha(std::uint32_t alpha);
    TColor32 OuterColor() const { return outerColor_; }
    void SetOuterColor(TColor32 color) { outerColor_ = color; }
    TColor32 LineColor() const { return lineColor_; }
    void SetLineColor(TColor32 color) { lineColor_ = color; }
    float StippleIncrement() const { return stippleIncrement_; }
    void SetStippleIncrement(float increment) { stippleIncrement_ = increment; }
    TWrapProc WrapRoutineX() const { return wrapRoutineX_; }
    TWrapProc WrapRoutineY() const { return wrapRoutineY_; }

    // The resampler (owned). A resampler constructed with this bitmap installs itself here;
    // nil and the current one are ignored, any other replaces and frees the current one.
    TCustomResampler* Resampler() const { return resampler_; }
    template <class Resampler>
    void SetResampler(Resampler* resampler) {
        InstallResampler(resampler, resampler);
    }
    // The class name of the resampler; setting a known name from the resampler class list
    // installs a new one of that class, unknown and empty names are ignored.
    std::string ResamplerClassName() const;
    void SetResamplerClassName(const std::string& name);

    // Back ends.
    TCustomBackend* Backend() const { return backend_; }
    // Takes over backend (its reference): its surface gets this bitmap's size and pixels and
    // the old back end is dropped.
    virtual void ReplaceBackend(TCustomBackend* backend);
    // Adds a reference to the back end and returns it, so a later DropBackend does not free it.
    TCustomBackend* DetachBackend();
    // The back end that answers for the interface, or nullptr.
    template <class Interface>
    Interface* BackendAs() const {
        return dynamic_cast<Interface*>(backend_);
    }

    // Copying, streams and files. Assign(nullptr) empties the bitmap; framework pictures are
    // drawn in (alpha kept from 32-bit bitmaps, derived from two renderings for icons without
    // alpha); one OnChange per Assign.
    void Assign(const TPersistent* source) override;
    void Assign(TGraphic& source);
    void Assign(const TPicture& source);
    // Into a framework bitmap (32-bit DIB with all four bytes) or picture.
    void AssignTo(TBitmap& dest) const;
    void AssignTo(TPicture& dest) const;
    virtual void CopySizeTo(TCustomBitmap32* dst) const;
    virtual void CopySettingsTo(TCustomBitmap32* dst) const;
    virtual void LoadFromStream(TStream& stream);
    virtual void SaveToStream(TStream& stream, bool bottomUp = false) const;
    virtual void LoadFromFile(const std::string& fileName);
    virtual void SaveToFile(const std::string& fileName, bool bottomUp = false) const;
    // The streamed "Data" property: width, height and the pixels.
    virtual void ReadPixelData(TStream& stream);
    virtual void WritePixelData(TStream& stream) const;
    // Whether "Data" must be written, given the ancestor's bitmap (nullptr for none).
    bool PixelDataDiffers(const TPersistent* ancestor) const;
    bool Equal(const TCustomBitmap32* other) const;

    TPixelCombineEvent OnPixelCombine;
    TAreaChangedEvent OnAreaChanged;

protected:
    // For derived classes that install their own back end (a base constructor cannot reach
    // the override of CreateDefaultBackend).
    struct TOwnBackend {};
    explicit TCustomBitmap32(TOwnBackend);
    // Installs the back end of this class, then the default resampler.
    virtual void CreateDefaultBackend();
    void CreateDefaultResampler();
    void ApplySize(int newWidth, int newHeight) override;
    virtual void DropBackend();
    virtual void BackendSwitchedHandler(TObject* sender);
    virtual void BackendSwitchingHandler(TObject* sender) {}
    void AssignTo(TPersistent* dest) const override;
    // Destructors drop every event handler first.
    void SilenceNotifications();

private:
    friend class TCustomBackend;
    void InstallResampler(TCustomResampler* resampler, TNotifiablePersistent* asPersistent);
    void SetBackend(TCustomBackend* backend) { backend_ = backend; }
    void SelectWrapRoutines();

    TCustomBackend* backend_ = nullptr;  // one reference held
    TColor32* bits_ = nullptr;
    RECT clipArea_{};
    TFixedRect fixedClipRect_{};
    RECT clip256_{};
    bool clipActive_ = false;
    TDrawMode drawMode_ = dmOpaque;
    TCombineMode combineMode_ = cmBlend;
    TWrapMode wrapMode_ = wmClamp;
    std::uint32_t masterAlpha_ = 255;
    TColor32 outerColor_ = 0;
    TColor32 lineColor_ = 0xFFFFFFFFu;
    float stippleIncrement_ = 1.0f;
    TAreaChangedEvent savedOnAreaChanged_;
    bool measureOnly_ = false;
    TCustomResampler* resampler_ = nullptr;
    std::unique_ptr<TNotifiablePersistent> resamplerObject_;  // the same object, owning
    TWrapProc wrapRoutineX_ = nullptr;
    TWrapProc wrapRoutineY_ = nullptr;
};

// The bitmap on the graphics layer's back end: a DIB section with a device context, canvas,
// font and text output.
class TBitmap32 : public TCustomBitmap32 {
public:
    TBitmap32();
    ~TBitmap32() override;

    void ReplaceBackend(TCustomBackend* backend) override;
    void CopySettingsTo(TCustomBitmap32* dst) const override;

    // The back end's services; nullptr (or a null handle) when the back end lacks them.
    TCanvas* Canvas() const;
    HDC Handle() const;
    TFont* Font() const;
    void SetFont(const TFont& font);

    TNotifyEvent OnHandleChanged;

protected:
    void CreateDefaultBackend() override;
    void DropBackend() override;
    void BackendSwitchedHandler(TObject* sender) override;
    void BackendSwitchingHandler(TObject* sender) override;
    virtual void HandleChanged();
};

// The resampler classes by name, constructed with their bitmap; the resampling units fill
// the list when they start.
struct TResamplerClass {
    std::string ClassName;
    std::function<void(TCustomBitmap32* bitmap)> CreateFor;  // installs itself in the bitmap
};
const TResamplerClass* FindResamplerClass(const std::string& className);
void RegisterResamplerClass(TResamplerClass resamplerClass);
// The resampling units' own classes, put into the list before its first search.
void RegisterStandardResamplers();

}  // namespace parch
