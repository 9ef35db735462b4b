#include "cli/Parchcli/ParchcliMain.h"

#include "cli/EngineSession.h"
#include "cli/EngineVerdict.h"
#include "cli/ExecuteCMD.h"
#include "cli/ImageConversion.h"
#include "cli/RegistryAccess.h"
#include "cli/ScratchFolder.h"
#include "base/SysUtils.h"
#include "platform/os/Files.h"

#include <memory>

namespace parch {

namespace {

constexpr const char* kProduct = "Parchwise";
constexpr const char* kNotice = "Copyright (C) Tolvane. All rights reserved.";

constexpr const char* kUsage[] = {
    "Command-line interface usage:\r\n",
    " Parchcli <parameters>\r\n",
    " Parameters: -inp <input.pdf path>\r\n",
    "             -etx <extract text> [optional, default] or ->",
    "             -eim <extract images> [optional, only either allowed prev two params]\r\n",
    "             -pas <user password> [optional]\r\n",
    "             -out <output folder's path> [optional, default the pdf's source folder]",
    "             -sub <create subfolder> [optional]",
    "             -pre <prefix string> [optional]\r\n",
    "             -spa <separate pages> [optional]",
    "             -rng <page range> [optional, default all pages]\r\n",
    " Special parameters for text extraction only (etx):",
    "             -lay <maintain the original physical layout of the text> [optional, default]",
    "             -raw <keep the text in content stream order> [optional]",
    "             -nbr <don't insert page break characters between pages> [optional]\r\n",
    " Special parameters for image extraction only (eim):",
    "             -imf <output image format> [optional, default the original] ->",
    "                the following forced output formats allowed:",
    "                bmp (Windows Bitmap File)",
    "                jpg (Independent JPEG Group)",
    "                jp2 (JPEG-2000 File Format)",
    "                png (Portable Network Graphics)",
    "                tiff (Tagged Image File Format)",
    "             -fil <embedded image size filter> [optional] ->",
    "                st x1 <smaller than x1 value in pixels>",
    "                lt x2 <larger than x2 value in pixels> [only either allowed]",
    "             -dpi x3 <output image's dpi (x3 dot per inch)> [optional]\r\n",
    "   Examples: Parchcli -inp input.pdf -out C:\\Document and Settings\\Ilvana\\Outputs -eim",
    "             Parchcli -inp input with spaces.pdf -etx -raw -out outputfolder -sub",
    "             Parchcli -inp input.pdf -pas password",
    "             Parchcli -inp input.pdf -pre image -eim -imf jpg",
    "             Parchcli -inp input.pdf -spa -rng 1-5",
    "             Parchcli -inp input.pdf -eim -fil lt 16 -dpi 150",
};

// An option and its value passed together as one (quoted) argument.
bool IsJoinedOption(const std::string& argument) {
    return argument.size() >= 5 && argument[4] == ' ' && IsOptionWord(argument.substr(0, 4));
}

// A termination signal arrived: the run ends, cleaning up on the way out.
struct Interrupted {
    int Signal;
};

void ThrowIfInterrupted() {
    if (const int signal = TerminationSignals::Received(); signal != 0) throw Interrupted{signal};
}

bool IsUsable(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return false;
    for (const std::string& argument : arguments)
        if (IsJoinedOption(argument)) return false;
    return true;
}

void DiscardScratchImages(const std::string& scratchFolder) {
    for (const std::string& name : ListFiles(scratchFolder, "tmp-*.*")) DeleteFile(scratchFolder + name);
}

}  // namespace

std::string CenterText(std::string_view text) {
    const int n = (46 - static_cast<int>(text.size())) / 2;
    return n >= 0 ? std::string(static_cast<std::size_t>(n) + 1, ' ') + std::string(text) : std::string(text);
}

void ParchcliMain::PrintLine(std::string_view text) { printLine_(text); }

void ParchcliMain::PrintBanner() {
    if (bannerPending_) {
        PrintLine(std::string(48, '-'));
        PrintLine(CenterText(std::string(kProduct) + " " + version_));
        PrintLine(CenterText(kNotice));
        PrintLine(CenterText(website_));
        PrintLine(std::string(48, '-'));
    }
    bannerPending_ = false;
}

void ParchcliMain::PrintUsage() {
    PrintBanner();
    for (const char* line : kUsage) PrintLine(line);
}

void ParchcliMain::PrintInitializationError() {
    PrintLine(std::string(47, '-'));
    PrintLine(" Parchwise");
    PrintLine(std::string(" ") + kNotice + "\r\n");
    PrintLine(" An error occured during initialization phase!\r\n Please re-install this software.");
    PrintLine(std::string(47, '-'));
}

EngineVerdict ParchcliMain::RunEngine(const EngineCommandLine& command, bool textMode,
                                      const std::vector<int>& keptDescriptors) {
    const std::string& program = command.Arguments().front();
    const ProcessResult run = RunCommandCaptured(command.Arguments(), programFolder_, keptDescriptors);
    ThrowIfInterrupted();
    EngineVerdict verdict = JudgeEngineRun(program, run);
    if (verdict.Succeeded) return verdict;
    // An engine that answers with its usage text was given a line it does not understand.
    const std::string trimmed = Trim(run.Output);
    const char* branded = nullptr;
    if (textMode && trimmed.find("pdftotext") != std::string::npos) branded = "Zembrix text extraction engine error!";
    if (!textMode && trimmed.find("pdfimages") != std::string::npos) branded = "Zembrix image extraction engine error!";
    if (branded) verdict.Lines = {branded, EndingText(program, run)};
    return verdict;
}

int ParchcliMain::Run(const std::vector<std::string>& arguments) {
    const TerminationSignals signals;
    try {
        return RunGuarded(arguments);
    } catch (const Interrupted& interrupted) {
        PrintLine("Interrupted by signal " + IntToStr(interrupted.Signal) + "!");
        return kExitInterrupted + interrupted.Signal;
    } catch (const std::exception& error) {
        PrintLine(std::string("Error: ") + error.what());
        return kExitFailure;
    }
}

int ParchcliMain::RunGuarded(const std::vector<std::string>& arguments) {
    programFolder_ = ProgramFolder();
    version_ = ReadVersionValue(kProduct);
    website_ = ReadWebsiteValue(kProduct);
    if (version_.empty() || website_.empty()) {
        PrintInitializationError();
        return kExitFailure;
    }
    PrintBanner();
    RunParameters params;
    if (!IsUsable(arguments) || !ParseParameters(arguments, params)) {
        PrintUsage();
        return kExitUsage;
    }
    ResolvePaths(params, CurrentFolder());

    // Held until the end of the run: no other run deletes the engines meanwhile, and this run
    // deletes them only when no other run is using them.
    EngineSession engines(programFolder_);
    ScratchFolder::RemoveAbandoned(programFolder_);
    // Only the page-information engine is needed first: the extraction engine is produced
    // while the page count is read.
    engines.PrepareMeanwhile(params.TextMode ? "textract" : "iextract");
    engines.Prepare({"pdfi"});
    ThrowIfInterrupted();
    std::unique_ptr<ScratchFolder> scratch;
    if (!params.TextMode) scratch = std::make_unique<ScratchFolder>(programFolder_);

    const PagesCount pages = GetPagesCount(params, programFolder_);
    engines.AwaitPrepared();
    ThrowIfInterrupted();
    if (pages.Count <= 0) {
        PrintLine("Couldn't determinated \"" + params.InputPath + "\" pages count!");
        PrintLine(pages.Cause);
        return kExitFailure;
    }
    params.PageCount = pages.Count;
    CompleteParameters(params);
    if (!CreateFolderChain(params.OutputFolder)) {
        PrintLine("Couldn't create the output folder \"" + params.OutputFolder + "\"!");
        return kExitFailure;
    }
    const EngineCommandLine tail = EngineTail(params, scratch ? scratch->ImageRoot() : std::string());
    const bool succeeded = params.SeparatePages ? RunPerPage(params, tail, scratch.get())
                                                : RunWholeDocument(params, tail, scratch.get());
    if (succeeded) PrintLine("Done.");
    return succeeded ? kExitSuccess : kExitFailure;
}

bool ParchcliMain::RunWholeDocument(const RunParameters& params, const EngineCommandLine& tail,
                                    const ScratchFolder* scratch) {
    EngineCommandLine command = EngineHead(params);
    command.Append(RangeArguments(params.FirstPage, params.LastPage)).Append(tail);
    PrintLine("Processing...");
    return RunAndConvert(params, command, scratch, 0);
}

bool ParchcliMain::RunPerPage(const RunParameters& params, const EngineCommandLine& tail,
                              const ScratchFolder* scratch) {
    bool allSucceeded = true;
    for (std::int32_t page = params.FirstPage; page <= params.LastPage; ++page) {
        EngineCommandLine command = EngineHead(params);
        command.Append(RangeArguments(page, page)).Append(tail);
        if (params.TextMode) command.InsertPageIntoTextPath(page);
        PrintLine("Processing page " + IntToStr(page) + "...");
        // A failed page does not stop the others.
        if (!RunAndConvert(params, command, scratch, page)) allSucceeded = false;
    }
    return allSucceeded;
}

bool ParchcliMain::RunAndConvert(const RunParameters& params, const EngineCommandLine& command,
                                 const ScratchFolder* scratch, std::int32_t page) {
    // The image engine holds the scratch folder's lock too: while it lives, no other run takes
    // the folder for abandoned.
    const std::vector<int> kept = scratch ? std::vector<int>{scratch->LockDescriptor()} : std::vector<int>{};
    const EngineVerdict verdict = RunEngine(command, params.TextMode, kept);
    if (!verdict.Succeeded) {
        for (const std::string& line : verdict.Lines) PrintLine(line);
        // What a failed run left must not be taken for the next page's images.
        if (scratch) DiscardScratchImages(scratch->Path());
        return false;
    }
    // What a successful engine printed is a warning; its output stands.
    for (const std::string& line : verdict.Lines) PrintLine(" Warning: " + line);
    if (!scratch) return true;
    const bool converted = ConvertExtractedImages(params, scratch->Path(), page, printLine_);
    ThrowIfInterrupted();
    return converted;
}

}  // namespace parch
