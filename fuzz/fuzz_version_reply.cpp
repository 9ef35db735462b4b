// The web check's version reply: any reply text, against any installed version, gives a
// version text or nothing, never a crash; a text given is a formatted number with two
// decimals that reads back as a newer value.
#include <cstddef>
#include <cstdint>
#include <string_view>

// The reply rule is header-only over base, so it is included by path.
#include "../app/VersionReply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\n');
    const std::string_view installed = split == std::string_view::npos ? std::string_view("1.1") : input.substr(0, split);
    const std::string_view reply = split == std::string_view::npos ? input : input.substr(split + 1);
    const auto text = parch::NewerVersionText(installed, reply);
    if (!text) return 0;
    const std::size_t point = text->find('.');
    if (point == std::string::npos || text->size() - point != 3 || !parch::IsDecimalText(*text)) __builtin_trap();
    return 0;
}
