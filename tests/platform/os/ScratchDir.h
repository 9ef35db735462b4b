#pragma once
// A fresh folder under /tmp for one test, removed with everything in it afterwards.

#include <filesystem>
#include <fstream>
#include <string>

#include <stdlib.h>

namespace parch::test {

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "parch-os-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? pattern + "/" : std::string();
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string Write(const std::string& name, const std::string& content) const {
        std::ofstream(path_ + name, std::ios::binary) << content;
        return path_ + name;
    }

private:
    std::string path_;
};

}  // namespace parch::test
