#include "cli/Parchcli/ParchcliMain.h"

#include "cli/EngineSession.h"
#include "cli/ExecuteCMD.h"
#include "cli/Parchcli/ImageConversion.h"
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

bool IsUsable(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return false;
    for (const std::string& argument : arguments)
        if (IsJoinedOption(argument)) return false;
    return true;
}

std::string WithoutCrLf(std::string text) {
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.erase(at, 2);
    return text;
}

void DiscardScratchImages(const std::string& scratchFolder) {
    for (const std::string& name : ListFiles(scratchFolder, "tmp-*.*")) DeleteFile(scratchFolder + name);
}

}  // namespace

std::string CenterText(std::string_view text) {
    const int n = (46 - static_cast<int>(text.size())) / 2;
    return n >= 0 ? std::string(static_cast<std::size_t>(n) + 1, ' ') + std::string(text) : std::string(text);
}

// Flushed at once: progress must show while an engine runs.
void ParchcliMain::PrintLine(std::string_view text) { out_ << text << "\r\n" << std::flush; }

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

std::string ParchcliMain::RunEngine(const EngineCommandLine& command, bool textMode) {
    std::string output;
    RunCommandCaptured(command.Arguments(), programFolder_, output);
    const std::string trimmed = Trim(output);
    if (textMode && trimmed.find("pdftotext") != std::string::npos)
        return "Zembrix text extraction engine error!";
    if (!textMode && trimmed.find("pdfimages") != std::string::npos)
        return "Zembrix image extraction engine error!";
    return output;
}

int ParchcliMain::Run(const std::vector<std::string>& arguments) {
    try {
        return RunGuarded(arguments);
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
    if (!IsUsable(arguments)) {
        PrintUsage();
        return kExitUsage;
    }
    std::string joined;
    for (const std::string& argument : arguments) joined += argument + " ";
    joined = Trim(joined);

    // Held until the end of the run: no other run deletes the engines meanwhile, and this run
    // deletes them only when no other run is using them.
    EngineSession engines(programFolder_);
    engines.Prepare("pdfi");
    RunParameters params;
    if (!ParseParameters(joined, params, programFolder_)) {
        PrintUsage();
        return kExitUsage;
    }
    std::unique_ptr<ScratchFolder> scratch;
    if (params.TextMode) {
        engines.Prepare("textract");
    } else {
        engines.Prepare("iextract");
        scratch = std::make_unique<ScratchFolder>(programFolder_);
    }
    if (params.PageCount <= 0) {
        PrintLine("Couldn't determinated \"" + params.InputPath + "\" pages count!");
        return kExitFailure;
    }
    if (!CreateFolderChain(params.OutputFolder)) {
        PrintLine("Couldn't create the output folder \"" + params.OutputFolder + "\"!");
        return kExitFailure;
    }
    const std::string scratchFolder = scratch ? scratch->Path() : std::string();
    const EngineCommandLine tail = EngineTail(params, scratch ? scratch->ImageRoot() : std::string());
    const bool succeeded = params.SeparatePages ? RunPerPage(params, tail, scratchFolder)
                                                : RunWholeDocument(params, tail, scratchFolder);
    if (succeeded) PrintLine("Done.");
    return succeeded ? kExitSuccess : kExitFailure;
}

bool ParchcliMain::RunWholeDocument(const RunParameters& params, const EngineCommandLine& tail,
                                    const std::string& scratchFolder) {
    EngineCommandLine command = EngineHead(params);
    command.Append(RangeArguments(params.FirstPage, params.LastPage)).Append(tail);
    PrintLine("Processing...");
    return RunAndConvert(params, command, scratchFolder, 0);
}

bool ParchcliMain::RunPerPage(const RunParameters& params, const EngineCommandLine& tail,
                              const std::string& scratchFolder) {
    bool allSucceeded = true;
    for (std::int32_t page = params.FirstPage; page <= params.LastPage; ++page) {
        EngineCommandLine command = EngineHead(params);
        command.Append(RangeArguments(page, page)).Append(tail);
        if (params.TextMode) command.InsertPageIntoTextPath(page);
        PrintLine("Processing page " + IntToStr(page) + "...");
        // A failed page does not stop the others.
        if (!RunAndConvert(params, command, scratchFolder, page)) allSucceeded = false;
    }
    return allSucceeded;
}

bool ParchcliMain::RunAndConvert(const RunParameters& params, const EngineCommandLine& command,
                                 const std::string& scratchFolder, std::int32_t page) {
    const std::string output = RunEngine(command, params.TextMode);
    if (!WithoutCrLf(output).empty()) {
        PrintLine(output);
        // What a failed run left must not be taken for the next page's images.
        if (!params.TextMode) DiscardScratchImages(scratchFolder);
        return false;
    }
    return params.TextMode || ConvertExtractedImages(params, scratchFolder, page, out_);
}

}  // namespace parch
