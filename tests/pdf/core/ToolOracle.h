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

// The standard output of a command; a failing command fails the test.
inline std::string RunTool(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot start: " << command;
        return output;
    }
    char buffer[65536];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, count);
    const int status = ::pclose(pipe);
    EXPECT_EQ(status, 0) << "failed: " << command;
    return output;
}

}  // namespace parch::oracle
