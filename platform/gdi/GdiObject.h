#pragma once
// The handle model. Every graphics object (bitmap, pen, brush, font, region, palette, device
// context) derives from GdiObject and is owned by one process-wide handle table; a handle is the
// object's address. Every public call first resolves its handle through the table, so a stale or
// foreign handle fails cleanly (returns 0) instead of touching freed memory.
//
// Objects selected into a device context are not freed by DeleteObject while selected: the
// deletion waits until the last device context lets go of the object, so no context ever
// points at a freed object. Stock objects are never freed.

#include <array>
#include <cstddef>
#include <memory>

#include "platform/gdi/GdiTypes.h"

namespace parch {

enum class GdiObjectKind { Pen, Brush, Font, Bitmap, Region, Palette, DeviceContext };
constexpr std::size_t kGdiObjectKindCount = 7;

class GdiObject {
public:
    explicit GdiObject(GdiObjectKind kind) : kind_(kind) {}
    virtual ~GdiObject() = default;
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    GdiObjectKind Kind() const { return kind_; }
    // The GetObjectType answer.
    virtual DWORD ObjectType() const = 0;
    // GetObject: with a null buffer the size of the full description; otherwise copies at most
    // `size` bytes of the description (LOGPEN, BITMAP, LOGFONT...) and returns the bytes copied,
    // 0 when the size is too small for the object's record.
    virtual int Describe(int size, void* buffer) const = 0;

    bool IsStock() const { return stock_; }

private:
    friend class GdiHandleTable;
    GdiObjectKind kind_;
    bool stock_ = false;
    bool deletePending_ = false;
    int selections_ = 0;
};

// Takes ownership of a new object and returns its handle. Code that defines further object
// classes (fonts) creates them through this, e.g. `return AdoptGdiObject(std::make_unique<GdiFont>(lf));`.
GdiObject* AdoptGdiObjectBase(std::unique_ptr<GdiObject> object);
template <class T>
T* AdoptGdiObject(std::unique_ptr<T> object) {
    return static_cast<T*>(AdoptGdiObjectBase(std::move(object)));
}

// The live object behind a handle, or nullptr when the handle is 0, stale or of another kind.
GdiObject* ResolveGdiObject(const void* handle);
GdiObject* ResolveGdiObject(const void* handle, GdiObjectKind kind);
template <class T>
T* ResolveHandle(T* handle) {
    return static_cast<T*>(ResolveGdiObject(handle, T::kKind));
}

// Selection bookkeeping for device contexts: a selected object survives DeleteObject until its
// last selection is released.
void RetainSelection(GdiObject* object);
void ReleaseSelection(GdiObject* object);

// Frees an object now, or once no context holds it any more; stock objects stay.
bool DestroyGdiObject(GdiObject* object);

// Makes a freshly adopted object a stock object (never deleted, shared by all contexts).
void MarkStockObject(GdiObject* object);

// How many objects live now, stock objects left out, per kind (indexed by the kind's value):
// leak checks compare them before and after some work. An object whose deletion waits for its
// last selection still counts.
using GdiObjectCounts = std::array<std::size_t, kGdiObjectKindCount>;
GdiObjectCounts LiveGdiObjectCounts();
std::size_t LiveGdiObjectCount(GdiObjectKind kind);

// Win32 calls.
BOOL DeleteObject(HGDIOBJ object);
int GetObject(HGDIOBJ object, int size, void* buffer);
DWORD GetObjectType(HGDIOBJ object);
HGDIOBJ GetStockObject(int index);

// The stock fonts (SYSTEM_FONT, DEFAULT_GUI_FONT...), created by the text code when first asked
// for (already adopted); nullptr for an index that is not a font.
HGDIOBJ CreateStockFont(int index);

}  // namespace parch
