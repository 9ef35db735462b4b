#pragma once
// One pass of an extraction run of Parchdesk (the text or the image engine over one document)
// built from the window's options with the same run parameters, command lines, output names
// and image conversion as Parchcli, so that both programs write the same files.

#include "cli/ParamWrapper.h"

#include <cstdint>
#include <functional>
#include <string>

namespace parch {

class ProcessCancel;
class ScratchFolder;

// The option controls' values, read on the GUI thread.
struct ExtractionOptions {
    bool TextEnabled = true;
    bool ImagesEnabled = true;
    std::string TextFormat = "Layout";  // "Layout" or "Raw"
    bool PageBreaks = true;
    bool SeparatePages = false;
    std::string Prefix;
    std::string OutputFolder;
    bool Subfolder = false;
    std::string ImageFormat = "Original";  // "Original", "BMP", "JPEG", "JPEG-2000", "PNG", "TIFF"
    std::string SizeFilter = "None";       // "None", "Smaller than", "Larger than"
    std::string SizeValue = "16";
    std::string Dpi = "-";
    bool StopOnError = false;
};

// A list item's values.
struct DocumentJob {
    std::string Path;
    std::string Password;  // exactly as it opened the document
    std::string PagesText;
    std::string RangeText;
};

// The run parameters of a pass. Raises EConvertError when the page count or an active size
// filter's value is no integer.
RunParameters DesktopRunParameters(const ExtractionOptions& options, const DocumentJob& job, bool textMode);

struct PassOutcome {
    bool Succeeded = true;
    std::string Output;  // what the failing engine run printed, or the image error text
};

extern const char* const kImageErrorText;

// Runs the engine of the pass in the program folder, for the whole range or page by page;
// stopRequested is asked before each page. Images go through the run's scratch folder; the
// engines can be ended through cancel.
PassOutcome RunExtractionPass(RunParameters params, const std::string& programFolder, const ScratchFolder& scratch,
                              ProcessCancel& cancel, const std::function<bool()>& stopRequested);

extern const char* const kEngineEndedText;

}  // namespace parch
