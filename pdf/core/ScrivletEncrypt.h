#pragma once
// RC4 over byte strings, the stream cipher of the older security handler revisions.

#include <string>
#include <string_view>

namespace parch {

// Data XOR the RC4 key stream of key: the same call encrypts and decrypts. An empty key gives
// the data unchanged.
std::string RC4Crypt(std::string_view key, std::string_view data);

}  // namespace parch
