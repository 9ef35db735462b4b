#pragma once
// The run parameters of one extraction and everything that turns them into engine work:
// the option parser of Parchcli, the page count, the page range, the engine command lines,
// the output names and the output folder chain. Parchdesk fills the same parameters from its
// window and builds its command lines and names with the same functions.

#include "platform/os/Process.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

struct RunParameters {
    bool TextMode = true;
    std::string InputPath;
    std::string OutputFolder;  // as given; after the parse, the folder the results go to
    bool Subfolder = false;
    std::string Password;
    std::string Prefix;
    bool SeparatePages = false;
    std::string RangeText;
    std::int32_t FirstPage = 0;  // 0: the whole document
    std::int32_t LastPage = 0;
    std::string ImageFormat;
    std::string SizeFilter;
    std::string Dpi;
    bool Layout = true;
    bool NoPageBreaks = false;
    std::int32_t PageCount = 0;
    std::string OutputPath;  // after the parse: the text file (text mode) or the image folder
};

// A command for an engine: the argument list that is run and the text shown for it.
class EngineCommandLine {
public:
    EngineCommandLine& Add(std::string word);
    EngineCommandLine& AddQuoted(std::string path);  // shown in double quotes
    EngineCommandLine& Append(const EngineCommandLine& other);
    // Puts "-p<page>" before the ".txt" that ends the last argument (the text file).
    EngineCommandLine& InsertPageIntoTextPath(std::int32_t page);

    const std::vector<std::string>& Arguments() const { return words_; }
    std::string Text() const;

private:
    std::vector<std::string> words_;
    std::vector<bool> quoted_;
};

// The program's arguments as the shell split them.
using Arguments = std::vector<std::string>;

// True for an argument that is an option word as a whole: its first four characters are "-"
// and one of the 15 option names, in any case, and it holds no blank ("-Input" counts as
// "-inp"; "-inp a.pdf" and "Q3 -final.pdf" are no option words).
bool IsOptionWord(std::string_view argument);

// Cuts the text at the separator and at every CR and LF; empty pieces are dropped.
std::vector<std::string> SplitText(std::string_view text, char separator);

// The value of the option "-" + name: the arguments after its last occurrence up to the next
// option word, joined by one blank, each kept byte for byte.
std::string GetParamValue(const Arguments& arguments, std::string_view name);

// Applies the option words of the arguments to the parameters; false when they are unusable
// (fewer than two, an argument beginning with "-" that is no option word, an unknown image
// format).
bool CheckParameters(const Arguments& arguments, RunParameters& params);

// Parchcli's arguments into the parameters, nothing else read: false when they are unusable
// or name no input.
bool ParseParameters(const Arguments& arguments, RunParameters& params);

// Makes the input path and the output folder absolute; relative ones are taken from base.
void ResolvePaths(RunParameters& params, const std::string& base);

// Sets FirstPage and LastPage from RangeText; needs PageCount.
void ParsePageRange(RunParameters& params);

// The page count printed by the page-information engine; 0 when it printed none or its usage
// text. A "Pages:" line whose rest is no integer raises EConvertError.
std::int32_t PagesCountFromOutput(std::string_view output);

struct PagesCount {
    std::int32_t Count = 0;
    std::string Cause;  // when Count is 0: why, in plain words
};
PagesCount GetPagesCount(const RunParameters& params, const std::string& programFolder);

// Why the page count of the input could not be read, from the file itself and from what the
// page-information engine printed.
std::string PagesCountFailureCause(const RunParameters& params, const ProcessResult& pageInfo);

// Once the page count is known: the page range, the pages of a per-page run, OutputPath and
// OutputFolder.
void CompleteParameters(RunParameters& params);

// The document's file name without its extension: the last four characters go when the name
// is longer than that and they are a dot and three characters (UTF-8 characters, never cut).
std::string BaseName(std::string_view inputPath);

// The text file's path (text mode) or the image folder (image mode); normalises Prefix and,
// in text mode, sets OutputFolder to the folder of the text file.
std::string BuildOutputPath(RunParameters& params);

// The folder trimmed, with a trailing "/"; an empty or blank text stays empty.
std::string IncludeBackslash(std::string_view folder);

// Creates every missing level of the folder; a level that exists already, or that another
// process makes meanwhile, is fine. False when a level could not be created.
bool CreateFolderChain(std::string_view folder);

// Engine command lines, all run with the program folder as working folder.
EngineCommandLine PackageCommandLine(std::string_view engine);  // engine: "textract", "iextract", "pdfi"
EngineCommandLine PageInfoCommandLine(const RunParameters& params);
EngineCommandLine EngineHead(const RunParameters& params);
EngineCommandLine RangeArguments(std::int32_t firstPage, std::int32_t lastPage);  // none when first <= 0
EngineCommandLine EngineTail(const RunParameters& params, const std::string& imageRoot);

// Output name of the k-th kept image of an engine run; page 0 outside per-page runs.
std::string ImageOutputName(const RunParameters& params, std::int32_t page, int k,
                            std::string_view extension);

}  // namespace parch
