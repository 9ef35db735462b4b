#include "cli/ParamWrapper.h"

#include "cli/EngineVerdict.h"
#include "cli/ExecuteCMD.h"
#include "base/SysUtils.h"
#include "platform/os/Files.h"

#include <array>
#include <fstream>
#include <optional>

namespace parch {

namespace {

constexpr std::array<std::string_view, 15> kOptionNames = {
    "inp", "etx", "eim", "pas", "out", "sub", "pre", "spa",
    "rng", "lay", "raw", "nbr", "imf", "fil", "dpi"};

constexpr std::array<std::string_view, 6> kImageFormats = {"bmp", "jpg", "jp2", "png", "tif", "tiff"};

// The option name of an argument whose first four characters are "-" and an option name, in
// any case ("-Input" is "inp"), and that holds no blank; empty for any other argument.
std::string OptionNameOf(std::string_view word) {
    if (word.size() < 4 || word.front() != '-') return {};
    if (word.find_first_of(" \t") != std::string_view::npos) return {};
    const std::string name = LowerCase(word.substr(1, 3));
    for (const std::string_view option : kOptionNames)
        if (name == option) return name;
    return {};
}

bool IsImageFormat(std::string_view format) {
    for (const std::string_view known : kImageFormats)
        if (format == known) return true;
    return false;
}

std::string WithoutExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

bool IsOptionWord(std::string_view word) { return !OptionNameOf(word).empty(); }

EngineCommandLine& EngineCommandLine::Add(std::string word) {
    words_.push_back(std::move(word));
    quoted_.push_back(false);
    return *this;
}

EngineCommandLine& EngineCommandLine::AddQuoted(std::string path) {
    words_.push_back(std::move(path));
    quoted_.push_back(true);
    return *this;
}

EngineCommandLine& EngineCommandLine::Append(const EngineCommandLine& other) {
    words_.insert(words_.end(), other.words_.begin(), other.words_.end());
    quoted_.insert(quoted_.end(), other.quoted_.begin(), other.quoted_.end());
    return *this;
}

EngineCommandLine& EngineCommandLine::InsertPageIntoTextPath(std::int32_t page) {
    if (!words_.empty() && words_.back().size() >= 4) {
        std::string& path = words_.back();
        path.insert(path.size() - 4, "-p" + IntToStr(page));
    }
    return *this;
}

std::string EngineCommandLine::Text() const {
    std::string text;
    for (std::size_t i = 0; i < words_.size(); ++i) {
        if (i > 0) text += ' ';
        text += quoted_[i] ? "\"" + words_[i] + "\"" : words_[i];
    }
    return text;
}

std::vector<std::string> SplitText(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    std::string piece;
    for (const char c : text) {
        if (c == separator || c == '\r' || c == '\n') {
            if (!piece.empty()) pieces.push_back(std::move(piece));
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty()) pieces.push_back(std::move(piece));
    return pieces;
}

std::string GetParamValue(const Arguments& arguments, std::string_view name) {
    const std::string wanted = LowerCase(name);
    std::string value;
    bool collecting = false, first = true;
    for (const std::string& argument : arguments) {
        const std::string option = OptionNameOf(argument);
        if (!option.empty()) {
            collecting = option == wanted;
            if (collecting) {
                value.clear();
                first = true;
            }
        } else if (collecting) {
            if (!first) value += ' ';  // where the shell split the words
            value += argument;
            first = false;
        }
    }
    return value;
}

bool CheckParameters(const Arguments& arguments, RunParameters& params) {
    if (arguments.size() < 2) return false;
    for (const std::string& argument : arguments) {
        if (argument.empty() || argument.front() != '-') continue;
        const std::string option = OptionNameOf(argument);
        if (option.empty()) return false;
        if (option == "inp") params.InputPath = GetParamValue(arguments, option);
        else if (option == "etx") params.TextMode = true;
        else if (option == "eim") params.TextMode = false;
        else if (option == "pas") params.Password = GetParamValue(arguments, option);
        else if (option == "out") params.OutputFolder = GetParamValue(arguments, option);
        else if (option == "sub") params.Subfolder = true;
        else if (option == "pre") params.Prefix = GetParamValue(arguments, option);
        else if (option == "spa") params.SeparatePages = true;
        else if (option == "rng") params.RangeText = GetParamValue(arguments, option);
        else if (option == "lay") params.Layout = true;
        else if (option == "raw") params.Layout = false;
        else if (option == "nbr") params.NoPageBreaks = true;
        else if (option == "imf") params.ImageFormat = LowerCase(GetParamValue(arguments, option));
        else if (option == "fil") params.SizeFilter = LowerCase(GetParamValue(arguments, option));
        else if (option == "dpi") params.Dpi = GetParamValue(arguments, option);
    }
    // A format outside the table would name files after arbitrary text.
    return params.ImageFormat.empty() || IsImageFormat(params.ImageFormat);
}

void ParsePageRange(RunParameters& params) {
    if (params.RangeText.empty()) return;
    std::int32_t first = 0, last = 0;
    const std::vector<std::string> pieces = SplitText(params.RangeText, '-');
    if (pieces.size() == 1) {
        if (const auto n = TryStrToInt(pieces[0])) {
            first = *n;
            last = params.RangeText.back() == '-' ? params.PageCount : *n;
        }
    } else if (pieces.size() >= 2) {
        if (const auto a = TryStrToInt(pieces[0])) {
            first = *a;
            last = TryStrToInt(pieces[1]).value_or(0);
        }
    }
    if (first <= 0 || last <= 0 || first > params.PageCount || last > params.PageCount || first > last) {
        first = 1;
        last = params.PageCount;
    }
    params.FirstPage = first;
    params.LastPage = last;
}

std::int32_t PagesCountFromOutput(std::string_view output) {
    const std::vector<std::string> lines = SplitText(Trim(output), '\n');
    // The engine's usage text starts with its name; metadata lines start with their key.
    if (lines.empty() || StartsText("pdfinfo", Trim(lines.front()))) return 0;
    std::string count;
    for (const std::string& line : lines) {
        const std::string trimmed = Trim(line);
        if (trimmed.starts_with("Pages:")) count = Trim(trimmed.substr(6));
    }
    return count.empty() ? 0 : StrToInt(count);
}

PagesCount GetPagesCount(const RunParameters& params, const std::string& programFolder) {
    const ProcessResult run = RunCommandCaptured(PageInfoCommandLine(params).Arguments(), programFolder);
    PagesCount result;
    if (EndedWell(run)) result.Count = PagesCountFromOutput(run.Output);
    if (result.Count <= 0) {
        result.Count = 0;
        result.Cause = PagesCountFailureCause(params, run);
    }
    return result;
}

namespace {

constexpr std::size_t kPdfHeaderWindow = 1024;  // where readers look for "%PDF-"

std::optional<std::string> ReadHead(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string head(kPdfHeaderWindow, '\0');
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(file.gcount()));
    return head;
}

// The engine's own words: its last error line, else its last line.
std::string EngineWords(const std::string& output) {
    const std::vector<std::string> lines = OutputLines(output);
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        if (line->find("Error") != std::string::npos) return Trim(*line);
    return lines.empty() ? std::string() : Trim(lines.back());
}

std::string WithWords(const std::string& cause, const std::string& words) {
    return words.empty() ? cause + "." : cause + " (" + words + ").";
}

}  // namespace

std::string PagesCountFailureCause(const RunParameters& params, const ProcessResult& pageInfo) {
    const std::string& path = params.InputPath;
    const std::string words = EngineWords(pageInfo.Output);
    if (!PathExists(path)) return "No such file.";
    if (DirectoryExists(path)) return "It is a folder, not a file.";
    const std::optional<std::string> head = ReadHead(path);
    if (!head) return WithWords("The file cannot be read", words);
    if (head->empty()) return "The file is empty.";
    if (head->find("%PDF-") == std::string::npos) return "The file is not a PDF document.";
    if (words.find("Incorrect password") != std::string::npos)
        return WithWords(params.Password.empty() ? "The document needs a password (-pas)" : "The password is wrong", words);
    if (!pageInfo.Started || pageInfo.Signal != 0) return EndingText("pdfi.bin", pageInfo) + ".";
    if (pageInfo.ExitCode == 0) return WithWords("The page-information engine found no pages", words);
    return WithWords("The document is damaged beyond repair", words);
}

void ResolvePaths(RunParameters& params, const std::string& base) {
    // The user means paths relative to where Parchcli was called, not to the engines' folder.
    params.InputPath = ExpandFileName(params.InputPath, base);
    if (!params.OutputFolder.empty()) params.OutputFolder = ExpandFileName(params.OutputFolder, base);
}

bool ParseParameters(const Arguments& arguments, RunParameters& params) {
    return CheckParameters(arguments, params) && !params.InputPath.empty();
}

void CompleteParameters(RunParameters& params) {
    ParsePageRange(params);
    if (params.SeparatePages && params.FirstPage == 0) {
        params.FirstPage = 1;
        params.LastPage = params.PageCount;
    }
    params.OutputPath = BuildOutputPath(params);
    if (!params.TextMode) params.OutputFolder = params.OutputPath;
}

std::string BaseName(std::string_view inputPath) {
    const std::string name = ExtractFileName(inputPath);
    // Where each of the last five characters begins, the last one first.
    std::size_t starts[5];
    std::size_t found = 0;
    for (std::size_t at = name.size(); at > 0 && found < 5;) {
        --at;
        if (at == 0 || !IsUtf8Continuation(name[at])) starts[found++] = at;
    }
    if (found < 5 || name[starts[3]] != '.') return name;
    for (std::size_t i = 0; i < 3; ++i)
        if (name[starts[i]] == '.') return name;
    return name.substr(0, starts[3]);
}

std::string BuildOutputPath(RunParameters& params) {
    const std::string name = ExtractFileName(params.InputPath);
    if (!params.Prefix.empty() && params.Prefix.back() != '-') params.Prefix += '-';
    // The folder as given, blanks included: it may begin or end with them.
    std::string folder = params.OutputFolder.empty() ? ExtractFilePath(params.InputPath)
                                                     : IncludeTrailingSlash(params.OutputFolder);
    if (params.Subfolder) {
        // Beside the document itself a folder cannot take the document's own name.
        const bool nameTaken = FileExists(folder + name);
        folder += IncludeTrailingSlash(nameTaken ? WithoutExtension(name) : name);
    }
    if (!params.TextMode) return folder;
    const std::string textPath = folder + params.Prefix + BaseName(params.InputPath) + ".txt";
    params.OutputFolder = ExtractFilePath(textPath);
    return textPath;
}

std::string IncludeBackslash(std::string_view folder) { return IncludeTrailingSlash(Trim(folder)); }

bool CreateFolderChain(std::string_view folder) {
    bool result = true;
    std::string path = !folder.empty() && folder.front() == '/' ? "/" : "";
    for (const std::string& piece : SplitText(folder, '/')) {
        path += piece;
        if (!DirectoryExists(path) && !EnsureDir(path)) result = false;
        path += '/';
    }
    return result;
}

EngineCommandLine PackageCommandLine(std::string_view engine) {
    return EngineCommandLine().Add(std::string(engine) + ".dat").Add("-ptelmova");
}

EngineCommandLine PageInfoCommandLine(const RunParameters& params) {
    EngineCommandLine command;
    command.Add("pdfi.bin");
    if (!params.Password.empty()) command.Add("-upw").Add(params.Password);
    return command.AddQuoted(params.InputPath);
}

EngineCommandLine EngineHead(const RunParameters& params) {
    EngineCommandLine command;
    if (params.TextMode) return command.Add("textract.bin").Add("-enc").Add("UTF-8").Add("-eol").Add("dos");
    return command.Add("iextract.bin");
}

EngineCommandLine RangeArguments(std::int32_t firstPage, std::int32_t lastPage) {
    EngineCommandLine command;
    if (firstPage > 0) command.Add("-f").Add(IntToStr(firstPage)).Add("-l").Add(IntToStr(lastPage));
    return command;
}

EngineCommandLine EngineTail(const RunParameters& params, const std::string& imageRoot) {
    EngineCommandLine command;
    if (params.TextMode) {
        command.Add(params.Layout ? "-layout" : "-raw");
        if (params.NoPageBreaks) command.Add("-nopgbrk");
    }
    if (!params.Password.empty()) command.Add("-upw").Add(params.Password);
    command.AddQuoted(params.InputPath);
    return command.AddQuoted(params.TextMode ? params.OutputPath : imageRoot);
}

std::string ImageOutputName(const RunParameters& params, std::int32_t page, int k,
                            std::string_view extension) {
    const std::string prefix = params.Prefix == "-" ? std::string() : params.Prefix;
    std::string name = IncludeTrailingSlash(params.OutputFolder) + prefix + BaseName(params.InputPath);
    if (page > 0) name += "-p" + IntToStr(page);
    return name + "-" + IntToStr(k) + "." + LowerCase(extension);
}

}  // namespace parch
