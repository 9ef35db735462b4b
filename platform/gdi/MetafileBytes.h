#pragma once
// Little-endian record bytes of the metafile formats: a growing writer, and a bounds-checked
// reader over bytes that may come from an untrusted file.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace parch {

class MetafileByteWriter {
public:
    std::vector<BYTE>& Bytes() { return bytes_; }
    const std::vector<BYTE>& Bytes() const { return bytes_; }
    std::size_t Size() const { return bytes_.size(); }

    void U8(std::uint8_t v) { bytes_.push_back(v); }
    void U16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
    void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void F32(float v) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        U32(bits);
    }
    void Rect(const RECT& r) {
        I32(r.left);
        I32(r.top);
        I32(r.right);
        I32(r.bottom);
    }
    void Point(POINT p) {
        I32(p.x);
        I32(p.y);
    }
    void Raw(const void* data, std::size_t size) {
        const auto* p = static_cast<const BYTE*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    void Zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    // Zero bytes up to the next multiple of `unit`.
    void PadTo(std::size_t unit) {
        while (bytes_.size() % unit != 0) U8(0);
    }
    void PatchU32(std::size_t offset, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_[offset + i] = static_cast<BYTE>(v >> (8 * i));
    }
    void PatchU16(std::size_t offset, std::uint16_t v) {
        bytes_[offset] = static_cast<BYTE>(v);
        bytes_[offset + 1] = static_cast<BYTE>(v >> 8);
    }

private:
    std::vector<BYTE> bytes_;
};

// Reads values at offsets inside [data, data + size); a read past the end answers false and
// leaves the value 0, so callers test once after a group of reads with Ok().
class MetafileByteReader {
public:
    MetafileByteReader(const BYTE* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t Size() const { return size_; }
    const BYTE* Data() const { return data_; }
    bool Ok() const { return ok_; }
    bool Has(std::size_t offset, std::size_t count) const { return offset <= size_ && count <= size_ - offset; }

    std::uint8_t U8(std::size_t offset) { return Has(offset, 1) ? data_[offset] : Fail<std::uint8_t>(); }
    std::uint16_t U16(std::size_t offset) {
        if (!Has(offset, 2)) return Fail<std::uint16_t>();
        return static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
    }
    std::int16_t I16(std::size_t offset) { return static_cast<std::int16_t>(U16(offset)); }
    std::uint32_t U32(std::size_t offset) {
        if (!Has(offset, 4)) return Fail<std::uint32_t>();
        return static_cast<std::uint32_t>(data_[offset]) | (static_cast<std::uint32_t>(data_[offset + 1]) << 8) |
               (static_cast<std::uint32_t>(data_[offset + 2]) << 16) | (static_cast<std::uint32_t>(data_[offset + 3]) << 24);
    }
    std::int32_t I32(std::size_t offset) { return static_cast<std::int32_t>(U32(offset)); }
    float F32(std::size_t offset) {
        const std::uint32_t bits = U32(offset);
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    RECT Rect(std::size_t offset) { return RECT{I32(offset), I32(offset + 4), I32(offset + 8), I32(offset + 12)}; }
    POINT Point(std::size_t offset) { return POINT{I32(offset), I32(offset + 4)}; }

private:
    template <class T>
    T Fail() {
        ok_ = false;
        return T{};
    }
    const BYTE* data_;
    std::size_t size_;
    bool ok_ = true;
};

}  // namespace parch
