#pragma once
// The two values the installation leaves under the product's key. An empty text means the
// value is missing.

#include <string>

namespace parch {

std::string ReadVersionValue(const std::string& productName);
std::string ReadWebsiteValue(const std::string& productName);

}  // namespace parch
