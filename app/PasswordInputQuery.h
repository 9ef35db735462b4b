#pragma once
// The password prompt: the framework's one-line input query with every typed character shown
// as "*".

#include <string>

namespace parch {

class TMyInputQuery {
public:
    // True with value set when confirmed with OK.
    bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);
};

}  // namespace parch
