#pragma once
// A run's private folder inside the program folder's "Temp": the image engine writes its
// files there, and nothing of another run (of either program) is touched when it is cleaned.

#include <memory>
#include <string>

namespace parch {

class ScratchFolder {
public:
    // Creates "Temp" when missing, then a new folder of this run inside it. Raises Exception
    // when that fails.
    explicit ScratchFolder(const std::string& programFolder);
    ~ScratchFolder();  // deletes the folder with every file in it
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }  // absolute, with a trailing "/"
    std::string ImageRoot() const { return path_ + "tmp"; }

private:
    std::string path_;
};

}  // namespace parch
