#include "pdf/core/ScrivletResource.h"

#include "resources/EmbeddedResources.h"

namespace parch {

std::string ReadBuiltInResource(int number) {
    std::optional<std::string> bytes = ReadEmbeddedResource(number);
    if (!bytes) throw EResNotFound("Resource " + IntToStr(number) + " not found");
    return std::move(*bytes);
}

}  // namespace parch
