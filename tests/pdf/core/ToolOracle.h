#pragma once
// Outside tools (openssl, python3, qpdf) run as test oracles, and small byte helpers.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

#include <sys/wait.h>
#include <unistd.h>

namespace parch::oracle {

inline std::string FromHex(std::string_view hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return bytes;
}

inline std::string ToHex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

inline std::string RandomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

// A scratch folder of its own for each test process, removed when the process ends.
class ScratchFolderHolder {
public:
    ScratchFolderHolder()
        : path_(std::filesystem::temp_directory_path() / ("parch-oracle-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolderHolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline const std::filesystem::path& ScratchFolder() {
    static const ScratchFolderHolder folder;
    return folder.Path();
}

inline std::string WriteScratchFile(const std::string& name, std::string_view bytes) {
    const auto path = ScratchFolder() / name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

struct ToolResult {
    int ExitCode = -1;  // -1 when the command could not run or did not exit
    std::string Output;
};

// The exit code and standard output of a command, whatever it answers.
inline ToolResult RunCommand(const std::string& command) {
    ToolResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[65536];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.Output.append(buffer, count);
    const int status = ::pclose(pipe);
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The standard output of a command; a failing command fails the test.
inline std::string RunTool(const std::string& command) {
    const ToolResult result = RunCommand(command);
    EXPECT_EQ(result.ExitCode, 0) << "failed: " << command;
    return result.Output;
}

// A shell word that stands for the text as it is.
inline std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The pages qpdf finds by walking the page tree (--show-npages only repeats the root's /Count,
// which damaged files get wrong); -1 when qpdf cannot read the file (exit code 2).
inline int QpdfPages(const std::string& path, const std::string& password = "") {
    const ToolResult result = RunCommand("qpdf --show-pages " +
                                         (password.empty() ? std::string() : "--password=" + Quote(password) + " ") +
                                         Quote(path) + " 2>/dev/null");
    if (result.ExitCode != 0 && result.ExitCode != 3) return -1;
    int pages = 0;
    for (std::size_t at = 0; (at = result.Output.find("page ", at)) != std::string::npos; at += 5)
        if (at == 0 || result.Output[at - 1] == '\n') ++pages;
    return pages;
}

}  // namespace parch::oracle
