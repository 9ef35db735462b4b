#pragma once
// The run parameters of one extraction and everything that turns them into engine work:
// the option parser of Parchcli, the page count, the page range, the engine command lines,
// the output names and the output folder chain. Parchdesk fills the same parameters from its
// window and builds its command lines and names with the same functions.

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

// True for a word whose first four characters are "-" and one of the 15 option names, in any
// case ("-Input" counts as "-inp").
bool IsOptionWord(std::string_view word);

// Cuts the text at the separator and at every CR and LF; empty pieces are dropped.
std::vector<std::string> SplitText(std::string_view text, char separator);

// The value of the option "-" + name: the words after its last occurrence up to the next
// option word, joined by single blanks. Option words are recognised in any case.
std::string GetParamValue(std::string_view text, std::string_view name);

// Applies the option words of the text to the parameters; false when the text is unusable.
bool CheckParameters(std::string_view text, RunParameters& params);

// Sets RangeText, FirstPage and LastPage from the "-rng" value; needs PageCount.
void ParsePageRange(std::string_view commandLine, RunParameters& params);

// The page count printed by the page-information engine; 0 when it printed none or its usage
// text. A "Pages:" line whose rest is no integer raises EConvertError.
std::int32_t PagesCountFromOutput(std::string_view output);
std::int32_t GetPagesCount(const RunParameters& params, const std::string& programFolder);

// Parses Parchcli's joined command line, resolves the paths against the current folder, reads
// the page count and sets OutputPath and OutputFolder. False when the line is unusable.
bool ParseParameters(std::string_view commandLine, RunParameters& params,
                     const std::string& programFolder);

// The text file's path (text mode) or the image folder (image mode); normalises Prefix and,
// in text mode, sets OutputFolder to the folder of the text file.
std::string BuildOutputPath(RunParameters& params);

// The folder trimmed, with a trailing "/"; an empty or blank text stays empty.
std::string IncludeBackslash(std::string_view folder);

// Creates every missing level of the folder; false when a level could not be created.
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
