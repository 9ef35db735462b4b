#include "pdf/core/ScrivletEncrypt.h"

#include <array>
#include <cstdint>
#include <numeric>
#include <utility>

namespace parch {

std::string RC4Crypt(std::string_view key, std::string_view data) {
    std::string result(data);
    // The key schedule would divide by the key length.
    if (key.empty() || data.empty()) return result;

    std::array<std::uint8_t, 256> state;
    std::iota(state.begin(), state.end(), 0);
    std::uint8_t j = 0;
    for (std::size_t i = 0; i < state.size(); ++i) {
        j = static_cast<std::uint8_t>(j + state[i] + static_cast<std::uint8_t>(key[i % key.size()]));
        std::swap(state[i], state[j]);
    }

    std::uint8_t x = 0, y = 0;
    for (char& byte : result) {
        x = static_cast<std::uint8_t>(x + 1);
        y = static_cast<std::uint8_t>(y + state[x]);
        std::swap(state[x], state[y]);
        byte = static_cast<char>(static_cast<std::uint8_t>(byte) ^
                                 state[static_cast<std::uint8_t>(state[x] + state[y])]);
    }
    return result;
}

}  // namespace parch
