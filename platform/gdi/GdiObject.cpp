#include "platform/gdi/GdiObject.h"

#include <mutex>
#include <unordered_map>

namespace parch {

// The process-wide table of live objects. Objects may be created and used on worker threads
// (page rendering), so every access is under one lock.
class GdiHandleTable {
public:
    // Never destroyed: objects in other static storage may still release handles at exit.
    static GdiHandleTable& Instance() {
        static GdiHandleTable* table = new GdiHandleTable;
        return *table;
    }

    GdiObject* Adopt(std::unique_ptr<GdiObject> object) {
        if (!object) return nullptr;
        GdiObject* handle = object.get();
        std::lock_guard lock(mutex_);
        ++live_[KindIndex(handle)];
        objects_.emplace(handle, std::move(object));
        return handle;
    }

    GdiObject* Resolve(const void* handle) {
        if (!handle) return nullptr;
        std::lock_guard lock(mutex_);
        auto it = objects_.find(handle);
        return it == objects_.end() ? nullptr : it->second.get();
    }

    // Frees the object now, or when its last selection goes; stock objects stay.
    bool Delete(const void* handle) {
        std::unique_ptr<GdiObject> doomed;
        {
            std::lock_guard lock(mutex_);
            auto it = objects_.find(handle);
            if (it == objects_.end()) return false;
            GdiObject* object = it->second.get();
            if (object->stock_) return true;
            if (object->selections_ > 0) {
                object->deletePending_ = true;
                return true;
            }
            --live_[KindIndex(object)];
            doomed = std::move(it->second);
            objects_.erase(it);
        }
        return true;  // `doomed` is destroyed outside the lock: a context releases its objects
    }

    void Retain(GdiObject* object) {
        std::lock_guard lock(mutex_);
        ++object->selections_;
    }

    void Release(GdiObject* object) {
        std::unique_ptr<GdiObject> doomed;
        {
            std::lock_guard lock(mutex_);
            if (--object->selections_ > 0 || !object->deletePending_) return;
            auto it = objects_.find(object);
            if (it != objects_.end()) {
                --live_[KindIndex(object)];
                doomed = std::move(it->second);
                objects_.erase(it);
            }
        }
    }

    void MarkStock(GdiObject* object) {
        std::lock_guard lock(mutex_);
        if (!object->stock_) --live_[KindIndex(object)];
        object->stock_ = true;
    }

    GdiObjectCounts LiveCounts() {
        std::lock_guard lock(mutex_);
        return live_;
    }

private:
    static std::size_t KindIndex(const GdiObject* object) { return static_cast<std::size_t>(object->kind_); }

    std::mutex mutex_;
    std::unordered_map<const void*, std::unique_ptr<GdiObject>> objects_;
    GdiObjectCounts live_{};  // stock objects left out
};

GdiObject* AdoptGdiObjectBase(std::unique_ptr<GdiObject> object) {
    return GdiHandleTable::Instance().Adopt(std::move(object));
}

GdiObject* ResolveGdiObject(const void* handle) { return GdiHandleTable::Instance().Resolve(handle); }

GdiObject* ResolveGdiObject(const void* handle, GdiObjectKind kind) {
    GdiObject* object = ResolveGdiObject(handle);
    return object && object->Kind() == kind ? object : nullptr;
}

void RetainSelection(GdiObject* object) {
    if (object) GdiHandleTable::Instance().Retain(object);
}

void ReleaseSelection(GdiObject* object) {
    if (object) GdiHandleTable::Instance().Release(object);
}

void MarkStockObject(GdiObject* object) {
    if (object) GdiHandleTable::Instance().MarkStock(object);
}

GdiObjectCounts LiveGdiObjectCounts() { return GdiHandleTable::Instance().LiveCounts(); }

std::size_t LiveGdiObjectCount(GdiObjectKind kind) { return LiveGdiObjectCounts()[static_cast<std::size_t>(kind)]; }

bool DestroyGdiObject(GdiObject* object) { return GdiHandleTable::Instance().Delete(object); }

BOOL DeleteObject(HGDIOBJ object) {
    GdiObject* live = ResolveGdiObject(object);
    // Contexts go through DeleteDC.
    if (!live || live->Kind() == GdiObjectKind::DeviceContext) return 0;
    return DestroyGdiObject(live) ? 1 : 0;
}

int GetObject(HGDIOBJ object, int size, void* buffer) {
    GdiObject* live = ResolveGdiObject(object);
    if (!live || size < 0) return 0;
    return live->Describe(buffer ? size : 0, buffer);
}

DWORD GetObjectType(HGDIOBJ object) {
    GdiObject* live = ResolveGdiObject(object);
    return live ? live->ObjectType() : 0;
}

}  // namespace parch
