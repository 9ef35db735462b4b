#include "resources/EmbeddedResources.h"

#include <zlib.h>

#include <new>
#include <stdexcept>

namespace parch {
namespace {

std::string Inflate(std::string_view compressed) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) throw std::bad_alloc();
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    zs.avail_in = static_cast<uInt>(compressed.size());
    std::string out;
    char buffer[65536];
    int status = Z_OK;
    while (status == Z_OK) {
        zs.next_out = reinterpret_cast<Bytef*>(buffer);
        zs.avail_out = sizeof buffer;
        status = inflate(&zs, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - zs.avail_out);
    }
    inflateEnd(&zs);
    // The data is made by the build, so anything but a clean end is a broken build.
    if (status != Z_STREAM_END) throw std::runtime_error("damaged embedded resource");
    return out;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

std::optional<std::string_view> FindEmbeddedResource(int number) {
    if (number == 0) return std::nullopt;
    for (const EmbeddedResource& resource : EmbeddedResourceTable())
        if (resource.Number == number) return resource.CompressedBytes;
    return std::nullopt;
}

std::optional<std::string> ReadEmbeddedResource(int number) {
    std::optional<std::string_view> compressed = FindEmbeddedResource(number);
    if (!compressed) return std::nullopt;
    return Inflate(*compressed);
}

std::optional<std::string_view> FindEmbeddedResource(std::string_view name) {
    if (name.empty()) return std::nullopt;
    for (const EmbeddedResource& resource : EmbeddedResourceTable())
        if (SameNameIgnoringCase(resource.Name, name)) return resource.CompressedBytes;
    return std::nullopt;
}

std::optional<std::string> ReadEmbeddedResource(std::string_view name) {
    std::optional<std::string_view> compressed = FindEmbeddedResource(name);
    if (!compressed) return std::nullopt;
    return Inflate(*compressed);
}

}  // namespace parch
