#include "app/Colorize.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace parch {

TColor ScaleColor(TColor colour, int percent) {
    const auto value = static_cast<std::uint32_t>(colour);
    std::uint32_t scaled = 0;
    for (const int shift : {0, 8, 16}) {
        const double channel = static_cast<double>((value >> shift) & 0xFF) * percent / 100.0;
        const auto rounded = static_cast<std::uint32_t>(std::clamp(std::nearbyint(channel), 0.0, 255.0));
        scaled |= rounded << shift;
    }
    return static_cast<TColor>(scaled);
}

}  // namespace parch
