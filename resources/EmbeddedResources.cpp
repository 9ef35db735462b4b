#include "resources/EmbeddedResources.h"

namespace parch {

std::optional<std::string_view> FindEmbeddedResource(int number) {
    for (const EmbeddedResource& resource : EmbeddedResourceTable())
        if (resource.Number == number) return resource.CompressedBytes;
    return std::nullopt;
}

}  // namespace parch
