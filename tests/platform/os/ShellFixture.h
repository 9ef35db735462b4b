#pragma once
// The shell fixture folder, made once per test program by tools/make_shell_fixtures.py.

#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "ScratchDir.h"

namespace parch::test {

inline const std::string& ShellFixtureFolder() {
    // Removed with everything in it when the test program ends.
    static ScratchDir scratch;
    static const std::string folder = [] {
        std::string command = "python3 '" PARCH_SOURCE_DIR "/tools/make_shell_fixtures.py' '" + scratch.Path() + "fx'";
        if (std::system(command.c_str()) != 0) scratch.Write("fixture-failed", "");
        return scratch.Path() + "fx/";
    }();
    return folder;
}

// Runs a command and returns its standard output.
inline std::string CommandOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t got = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
        pclose(pipe);
    }
    return output;
}

inline std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// What gio says of a path: its content type and icon names, in gio's order.
struct GioAnswer {
    std::string contentType;
    std::vector<std::string> icons;
};

inline GioAnswer AskGio(const std::string& path) {
    std::istringstream lines(
        CommandOutput("gio info -a standard::content-type,standard::icon " + ShellQuote(path) + " 2>/dev/null"));
    GioAnswer answer;
    for (std::string line; std::getline(lines, line);) {
        auto value = [&](std::string_view key) -> std::optional<std::string> {
            std::size_t at = line.find(key);
            if (at == std::string::npos) return std::nullopt;
            return line.substr(at + key.size());
        };
        if (auto type = value("standard::content-type: ")) answer.contentType = *type;
        if (auto icons = value("standard::icon: ")) {
            std::istringstream names(*icons);
            for (std::string name; std::getline(names, name, ',');)
                answer.icons.push_back(name.substr(name.find_first_not_of(' ')));
        }
    }
    return answer;
}

// Sets (or, given null, removes) an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string* value) : name_(name) {
        if (const char* old = getenv(name)) saved_ = old;
        if (value) setenv(name, value->c_str(), 1);
        else unsetenv(name);
    }
    ~ScopedEnv() {
        if (saved_) setenv(name_, saved_->c_str(), 1);
        else unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> saved_;
};

}  // namespace parch::test
