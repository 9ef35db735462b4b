#include "skin/engine/sGradient.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/SysUtils.h"

namespace parch {

namespace {

std::vector<std::string_view> NonEmptyGradientFields(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

}  // namespace

void ParseGradientData(std::string_view text, TsGradArray& data) {
    data.clear();
    std::vector<std::string_view> fields = NonEmptyGradientFields(text);
    size_t stops = fields.size() / 5;
    data.reserve(stops);
    for (size_t i = 0; i < stops; ++i) {
        TsGradStop& stop = data.emplace_back();
        const std::string_view* group = &fields[i * 5];
        stop.Color1 = static_cast<std::uint32_t>(std::max(0, StrToInt(group[0])));
        stop.Color2 = static_cast<std::uint32_t>(std::max(0, StrToInt(group[1])));
        stop.Percent = static_cast<std::uint8_t>(std::clamp(StrToInt(group[2]), 0, 100));
        stop.Mode = StrToInt(group[3]);
    }
}

}  // namespace parch
