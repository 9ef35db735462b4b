#pragma once
// Reading the data files built into the library (glyph list, CMaps, the dingbats font).

#include <string>

#include "base/SysUtils.h"

namespace parch {

// A resource that the program does not carry.
class EResNotFound : public Exception {
public:
    using Exception::Exception;
};

// The inflated bytes of built-in resource `number`; EResNotFound when the program lacks it.
std::string ReadBuiltInResource(int number);

}  // namespace parch
