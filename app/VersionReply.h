#pragma once
// The web check's version question: whether the server's reply names a newer version than the
// installed one, and that version as the upgrade question shows it.

#include "base/NumberText.h"

#include <optional>
#include <string>
#include <string_view>

namespace parch {

// Both texts are read as decimal numbers with "." as the separator, whatever the locale, and
// compared as singles. The newer version is formatted with "###.00" ("1.20", ".50"). Nothing
// when the reply is not newer or either text is no number.
inline std::optional<std::string> NewerVersionText(std::string_view installed, std::string_view reply) {
    const auto number = [](std::string_view text) -> std::optional<float> {
        const std::string trimmed(text.substr(0, text.find_last_not_of(" \t\r\n") + 1));
        if (trimmed.empty() || trimmed.find_first_of("0123456789") == std::string::npos || !IsDecimalText(trimmed))
            return std::nullopt;
        return static_cast<float>(DecimalStrToFloat(trimmed));
    };
    const std::optional<float> have = number(installed);
    const std::optional<float> offered = number(reply);
    if (!have || !offered || !(*have < *offered)) return std::nullopt;
    std::string text = FormatFloat("###.00", *offered);
    for (char& c : text)
        if (c == ',') c = '.';
    return text;
}

}  // namespace parch
