// An engine package: run with -ptelmova, it puts its engine into the folder it lives in (the
// program folder). The engine is the poppler tool named at build time, taken from PATH.
// It appears under a temporary name and is renamed, so a run never starts half an engine.
//
// Every run starts a package before its first engine, so a package does as little as it can:
// no heap, no C++ runtime beyond the language, and the engine is a hard link to the tool where
// the file system allows one (nothing copied, its pages already cached), else a copy made by
// the kernel.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string_view>

namespace {

constexpr std::string_view kEngineFile = PARCH_ENGINE_FILE;
constexpr std::string_view kEngineTool = PARCH_ENGINE_TOOL;

// A path built in place; a piece that does not fit leaves it unusable.
class PathText {
public:
    PathText() { text_[0] = '\0'; }

    PathText& Append(std::string_view piece) {
        if (!fits_ || piece.size() >= sizeof text_ - length_) {
            fits_ = false;
            return *this;
        }
        std::memcpy(text_ + length_, piece.data(), piece.size());
        length_ += piece.size();
        text_[length_] = '\0';
        return *this;
    }
    void Clear() {
        length_ = 0;
        text_[0] = '\0';
        fits_ = true;
    }
    bool Fits() const { return fits_; }
    const char* CStr() const { return text_; }
    char* Data() { return text_; }  // for mkostemp, which fills in the template

private:
    char text_[PATH_MAX];  // not cleared: a page of it is touched only when used
    std::size_t length_ = 0;
    bool fits_ = true;
};

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    bool Close() {
        const bool closed = fd_ < 0 || ::close(fd_) == 0;
        fd_ = -1;
        return closed;
    }

private:
    int fd_;
};

int Fail(std::initializer_list<std::string_view> pieces) {
    for (const std::string_view piece : pieces) std::fwrite(piece.data(), 1, piece.size(), stderr);
    std::fputc('\n', stderr);
    return 1;
}

// The folder of this program, with its trailing "/".
bool ProgramFolder(PathText& folder) {
    char link[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", link, sizeof link);
    if (length <= 0 || length == sizeof link) return false;
    const std::string_view path(link, static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    return slash != std::string_view::npos && folder.Append(path.substr(0, slash + 1)).Fits();
}

bool IsExecutableFile(const char* path) {
    struct stat info;
    return ::stat(path, &info) == 0 && S_ISREG(info.st_mode) && ::access(path, X_OK) == 0;
}

// The tool along PATH only: the program folder holds no tool of that name, and is not searched.
bool FindTool(PathText& tool) {
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "/usr/local/bin:/usr/bin:/bin";
    for (;;) {
        const std::size_t colon = rest.find(':');
        const std::string_view entry = rest.substr(0, colon);
        if (!entry.empty() && entry.front() == '/') {
            tool.Clear();
            tool.Append(entry);
            if (entry.back() != '/') tool.Append("/");
            if (tool.Append(kEngineTool).Fits() && IsExecutableFile(tool.CStr())) return true;
        }
        if (colon == std::string_view::npos) return false;
        rest.remove_prefix(colon + 1);
    }
}

bool CopyFileInKernel(int target, int source) {
    for (;;) {
        const ssize_t n = ::copy_file_range(source, nullptr, target, nullptr, 1 << 30, 0);
        if (n == 0) return true;
        if (n < 0 && errno != EINTR) return false;
    }
}

// Without copy_file_range (an old kernel, some file systems): through a small buffer.
bool CopyFileThroughBuffer(int target, int source) {
    if (::lseek(source, 0, SEEK_SET) != 0 || ::ftruncate(target, 0) != 0 || ::lseek(target, 0, SEEK_SET) != 0)
        return false;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(source, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n == 0;
        for (ssize_t done = 0; done < n;) {
            const ssize_t written = ::write(target, buffer + done, static_cast<std::size_t>(n - done));
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return false;
            done += written;
        }
    }
}

// A copy of the tool under a temporary name beside the engine, then renamed to the engine.
bool CopyEngine(const PathText& tool, const PathText& engine, std::string_view folder) {
    PathText temporary;
    temporary.Append(folder).Append(".").Append(kEngineFile).Append("-XXXXXX");
    const Descriptor source(::open(tool.CStr(), O_RDONLY | O_CLOEXEC));
    if (!temporary.Fits() || source.Get() < 0) return false;
    Descriptor target(::mkostemp(temporary.Data(), O_CLOEXEC));
    if (target.Get() < 0) return false;
    const bool copied = (CopyFileInKernel(target.Get(), source.Get()) ||
                         CopyFileThroughBuffer(target.Get(), source.Get())) &&
                        ::fchmod(target.Get(), 0755) == 0;
    if (target.Close() && copied && ::rename(temporary.CStr(), engine.CStr()) == 0) return true;
    ::unlink(temporary.CStr());
    return false;
}

// The engine as a hard link to the tool: the tool's own file, whole from the start. When the
// engine exists already, another run's package made it meanwhile.
bool LinkEngine(const PathText& tool, const PathText& engine) {
    return ::link(tool.CStr(), engine.CStr()) == 0 || errno == EEXIST;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "-ptelmova") != 0)
        return Fail({"Usage: ", argc > 0 ? argv[0] : "package", " -ptelmova"});

    PathText engine, tool;
    if (!ProgramFolder(engine)) return Fail({"Cannot find the program folder"});
    const std::string_view folder(engine.CStr());  // stays the folder part as the name is added
    if (!engine.Append(kEngineFile).Fits()) return Fail({"The program folder's path is too long"});
    if (!FindTool(tool)) return Fail({kEngineTool, " is not installed"});
    if (!LinkEngine(tool, engine) && !CopyEngine(tool, engine, folder)) return Fail({"Cannot write ", engine.CStr()});
    return 0;
}
