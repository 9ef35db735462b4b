#include "app/DesktopExtraction.h"

#include "base/SysUtils.h"
#include "platform/os/Process.h"
#include "cli/EngineVerdict.h"
#include "cli/ExecuteCMD.h"
#include "cli/ImageConversion.h"
#include "cli/ScratchFolder.h"
#include "platform/os/Files.h"

namespace parch {

const char* const kImageErrorText =
    "Some errors occured during the extraction process!\r\n\r\n"
    "It maybe a permission or I/O error:\r\n"
    "Extracting of images from this document is not allowed.";

const char* const kEngineEndedText = "The extraction engine was stopped!";

namespace {

// Parchcli's "-imf" value for the image-format box's text; empty keeps the engine's kind.
std::string ImageFormatValue(const std::string& text) {
    if (text == "Original") return {};
    if (text == "BMP") return "bmp";
    if (text == "JPEG") return "jpg";
    if (text == "JPEG-2000") return "jp2";
    if (text == "PNG") return "png";
    return "tiff";
}

std::int32_t IntegerOf(const std::string& text, const char* what) {
    const std::optional<std::int32_t> value = TryStrToInt(Trim(text));
    if (!value) throw EConvertError("'" + text + "' is not a valid integer value (" + what + ")");
    return *value;
}

// Parchcli's "-fil" value for the size-filter box and spin.
std::string SizeFilterValue(const std::string& filter, const std::string& value) {
    const std::string kind = Trim(filter);
    if (kind == "None") return {};
    const std::int32_t limit = IntegerOf(value, "image size filter");
    return (kind == "Smaller than" ? "st " : "lt ") + IntToStr(limit);
}

void DiscardScratchImages(const std::string& folder) {
    for (const std::string& name : ListFiles(folder, "tmp-*.*")) DeleteFile(folder + name);
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
    return text;
}

// One engine run and, for images, the conversion of what it wrote.
PassOutcome RunAndConvert(const RunParameters& params, const EngineCommandLine& command,
                          const std::string& programFolder, const ScratchFolder& scratch, ProcessCancel& cancel,
                          std::int32_t page) {
    std::vector<int> kept;
    if (!params.TextMode) kept.push_back(scratch.LockDescriptor());
    if (cancel.Cancelled()) return {false, kEngineEndedText};
    const ProcessResult run = RunCommandCaptured(command.Arguments(), programFolder, kept, &cancel);
    if (cancel.Cancelled()) {
        if (!params.TextMode) DiscardScratchImages(scratch.Path());
        return {false, kEngineEndedText};
    }
    const EngineVerdict verdict = JudgeEngineRun(command.Arguments().front(), run);
    if (!verdict.Succeeded) {
        if (!params.TextMode) DiscardScratchImages(scratch.Path());
        return {false, JoinLines(verdict.Lines)};
    }
    if (params.TextMode) return {};
    const bool saved = ConvertExtractedImages(params, scratch.Path(), page, [](std::string_view) {});
    return saved ? PassOutcome{} : PassOutcome{false, kImageErrorText};
}

}  // namespace

RunParameters DesktopRunParameters(const ExtractionOptions& options, const DocumentJob& job, bool textMode) {
    RunParameters params;
    params.TextMode = textMode;
    params.InputPath = job.Path;
    params.Password = job.Password;
    params.PageCount = IntegerOf(job.PagesText, "pages");
    params.RangeText = Trim(job.RangeText);
    params.OutputFolder = Trim(options.OutputFolder);
    params.Subfolder = options.Subfolder;
    params.Prefix = Trim(options.Prefix);
    params.SeparatePages = options.SeparatePages;
    params.Layout = options.TextFormat == "Layout";
    params.NoPageBreaks = !options.PageBreaks;
    params.ImageFormat = ImageFormatValue(options.ImageFormat);
    params.SizeFilter = textMode ? std::string() : SizeFilterValue(options.SizeFilter, options.SizeValue);
    params.Dpi = options.Dpi == "-" ? std::string() : options.Dpi;
    CompleteParameters(params);
    // Every engine line names its pages.
    if (params.FirstPage <= 0) {
        params.FirstPage = 1;
        params.LastPage = params.PageCount;
    }
    return params;
}

PassOutcome RunExtractionPass(RunParameters params, const std::string& programFolder, const ScratchFolder& scratch,
                              ProcessCancel& cancel, const std::function<bool()>& stopRequested) {
    // A folder that cannot be made shows as the engine's or the save's failure.
    CreateFolderChain(params.OutputFolder);
    const EngineCommandLine tail = EngineTail(params, scratch.ImageRoot());
    if (!params.SeparatePages) {
        EngineCommandLine command = EngineHead(params);
        command.Append(RangeArguments(params.FirstPage, params.LastPage)).Append(tail);
        return RunAndConvert(params, command, programFolder, scratch, cancel, 0);
    }
    PassOutcome outcome;
    for (std::int32_t page = params.FirstPage; page <= std::min(params.LastPage, params.PageCount); ++page) {
        if (stopRequested()) break;
        EngineCommandLine command = EngineHead(params);
        command.Append(RangeArguments(page, page)).Append(tail);
        if (params.TextMode) command.InsertPageIntoTextPath(page);
        PassOutcome pageOutcome = RunAndConvert(params, command, programFolder, scratch, cancel, page);
        if (pageOutcome.Succeeded) continue;
        outcome = std::move(pageOutcome);
        // A failed save ends the pass; a failed engine run leaves the other pages to run.
        if (outcome.Output == kImageErrorText) break;
    }
    return outcome;
}

}  // namespace parch
