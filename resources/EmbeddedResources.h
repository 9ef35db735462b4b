#pragma once
// Data files built into the program, kept zlib-compressed and found by number or by name.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace parch {

struct EmbeddedResource {
    int Number;             // 0 for a named resource
    std::string_view Name;  // empty for a numbered resource
    std::string_view CompressedBytes;  // a zlib stream
};

// Every resource the build embedded.
std::span<const EmbeddedResource> EmbeddedResourceTable();

// The compressed bytes of resource `number`; nothing when the build embedded no such resource.
std::optional<std::string_view> FindEmbeddedResource(int number);

// The inflated bytes of resource `number`; nothing when the build embedded no such resource.
std::optional<std::string> ReadEmbeddedResource(int number);

// The same for a named resource; names match without ASCII letter case.
std::optional<std::string_view> FindEmbeddedResource(std::string_view name);
std::optional<std::string> ReadEmbeddedResource(std::string_view name);

}  // namespace parch
