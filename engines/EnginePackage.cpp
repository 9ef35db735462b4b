// An engine package: run with -ptelmova, it puts its engine into the folder it lives in (the
// program folder). The engine is the poppler tool named at build time, taken from PATH.
//
// The engine is a hard link to the tool where the file system allows one: nothing is copied,
// and the file is whole from its first moment. Elsewhere it is copied under a temporary name
// and renamed, so a run never starts half an engine. No heap: paths are built in place.

#include "engines/PackageSystem.h"

#include <cerrno>
#include <climits>
#include <cstddef>
#include <initializer_list>
#include <string_view>

namespace parch::package {

namespace {

constexpr std::string_view kEngineFile = PARCH_ENGINE_FILE;
constexpr std::string_view kEngineTool = PARCH_ENGINE_TOOL;
constexpr std::string_view kDefaultPath = "/usr/local/bin:/usr/bin:/bin";
constexpr int kStandardError = 2;

// A path built in place; a piece that does not fit leaves it unusable.
class PathText {
public:
    PathText() { text_[0] = '\0'; }

    PathText& Append(std::string_view piece) {
        if (!fits_ || piece.size() >= sizeof text_ - length_) {
            fits_ = false;
            return *this;
        }
        for (const char c : piece) text_[length_++] = c;
        text_[length_] = '\0';
        return *this;
    }
    void Clear() {
        length_ = 0;
        text_[0] = '\0';
        fits_ = true;
    }
    bool Fits() const { return fits_; }
    std::string_view View() const { return {text_, length_}; }
    const char* CStr() const { return text_; }

private:
    char text_[PATH_MAX];  // not cleared: a page of it is touched only when used
    std::size_t length_ = 0;
    bool fits_ = true;
};

// Owns a descriptor; a negative one is an error number and owns nothing.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { CloseNow(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    bool CloseNow() {
        const bool closed = fd_ < 0 || Close(fd_) == 0;
        fd_ = -1;
        return closed;
    }

private:
    int fd_;
};

int Fail(std::initializer_list<std::string_view> pieces) {
    for (std::string_view piece : pieces) {
        while (!piece.empty()) {
            const long written = Write(kStandardError, piece.data(), piece.size());
            if (written == -EINTR) continue;
            if (written <= 0) return 1;
            piece.remove_prefix(static_cast<std::size_t>(written));
        }
    }
    Write(kStandardError, "\n", 1);
    return 1;
}

// The value of an environment variable; a null view when it is not set.
std::string_view Variable(char** environment, std::string_view name) {
    for (char** entry = environment; entry && *entry; ++entry) {
        const std::string_view text(*entry);
        if (text.size() > name.size() && text.substr(0, name.size()) == name && text[name.size()] == '=')
            return text.substr(name.size() + 1);
    }
    return {};
}

// The folder of this program, with its trailing "/".
bool AppendProgramFolder(PathText& path) {
    char link[PATH_MAX];
    const long length = ReadLink("/proc/self/exe", link, sizeof link);
    if (length <= 0 || length == sizeof link) return false;
    const std::string_view program(link, static_cast<std::size_t>(length));
    const std::size_t slash = program.rfind('/');
    return slash != std::string_view::npos && path.Append(program.substr(0, slash + 1)).Fits();
}

// The tool along PATH only: the program folder holds no tool of that name, and is not searched.
bool FindTool(char** environment, PathText& tool) {
    const std::string_view path = Variable(environment, "PATH");
    std::string_view rest = path.data() ? path : kDefaultPath;
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

bool CopyInKernel(int source, int target) {
    for (;;) {
        const long n = CopyFileRange(source, target, 1UL << 30);
        if (n == 0) return true;
        if (n < 0 && n != -EINTR) return false;
    }
}

// Where copy_file_range cannot serve (an old kernel, two kinds of file system): a small buffer.
bool CopyThroughBuffer(int source, int target) {
    if (Rewind(source) != 0 || TruncateToEmpty(target) != 0 || Rewind(target) != 0) return false;
    char buffer[8192];
    for (;;) {
        const long n = Read(source, buffer, sizeof buffer);
        if (n == -EINTR) continue;
        if (n <= 0) return n == 0;
        for (long done = 0; done < n;) {
            const long written = Write(target, buffer + done, static_cast<unsigned long>(n - done));
            if (written == -EINTR) continue;
            if (written <= 0) return false;
            done += written;
        }
    }
}

// ".<engine>-<hex>" beside the engine, created new; the process id makes the name unique
// among running packages, the attempt number among files left by killed ones.
int CreateTemporary(std::string_view folder, PathText& temporary) {
    for (unsigned attempt = 0; attempt < 64; ++attempt) {
        char hex[8];
        unsigned value = static_cast<unsigned>(ProcessId()) * 64 + attempt;
        for (std::size_t i = sizeof hex; i-- > 0; value /= 16) hex[i] = "0123456789abcdef"[value % 16];
        temporary.Clear();
        temporary.Append(folder).Append(".").Append(kEngineFile).Append("-").Append({hex, sizeof hex});
        if (!temporary.Fits()) return -ENAMETOOLONG;
        const int fd = CreateNewFile(temporary.CStr());
        if (fd != -EEXIST) return fd;
    }
    return -EEXIST;
}

// A copy of the tool under a temporary name, then renamed to the engine.
bool CopyEngine(const PathText& tool, const PathText& engine, std::string_view folder) {
    const Descriptor source(OpenForReading(tool.CStr()));
    if (source.Get() < 0) return false;
    PathText temporary;
    Descriptor target(CreateTemporary(folder, temporary));
    if (target.Get() < 0) return false;
    const bool copied = (CopyInKernel(source.Get(), target.Get()) || CopyThroughBuffer(source.Get(), target.Get())) &&
                        MakeExecutable(target.Get()) == 0;
    if (target.CloseNow() && copied && Rename(temporary.CStr(), engine.CStr()) == 0) return true;
    Unlink(temporary.CStr());
    return false;
}

// An engine that exists already was made meanwhile by another run's package.
bool LinkEngine(const PathText& tool, const PathText& engine) {
    const int result = Link(tool.CStr(), engine.CStr());
    return result == 0 || result == -EEXIST;
}

}  // namespace

int RunPackage(int argc, char** argv, char** environment) {
    if (argc != 2 || std::string_view(argv[1]) != "-ptelmova")
        return Fail({"Usage: ", argc > 0 ? argv[0] : "package", " -ptelmova"});

    PathText engine, tool;
    if (!AppendProgramFolder(engine)) return Fail({"Cannot find the program folder"});
    const std::string_view folder = engine.View();  // the folder part, as the name is added
    if (!engine.Append(kEngineFile).Fits()) return Fail({"The program folder's path is too long"});
    if (!FindTool(environment, tool)) return Fail({kEngineTool, " is not installed"});
    if (!LinkEngine(tool, engine) && !CopyEngine(tool, engine, folder)) return Fail({"Cannot write ", engine.CStr()});
    return 0;
}

}  // namespace parch::package
