#include "cli/ImageLibraries.h"

#include "base/SysUtils.h"
#include "platform/os/SharedLibrary.h"

#include <string>

namespace parch {

namespace {

// A library opened for good: its functions are used until the process ends.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const char* name) : name_(name), handle_(OpenSharedLibrary(name)) {
        if (!handle_) throw Exception("Couldn't load the library \"" + name_ + "\": " + SharedLibraryError());
    }

    template <typename Function>
    void Bind(Function& function, const char* symbol) const {
        void* address = SharedLibrarySymbol(handle_, symbol);
        if (!address) throw Exception("The library \"" + name_ + "\" has no function " + symbol + "!");
        function = reinterpret_cast<Function>(address);
    }

private:
    std::string name_;
    void* handle_;
};

FreeImageFunctions LoadFreeImage() {
    const LoadedLibrary library(PARCH_FREEIMAGE_LIBRARY);
    FreeImageFunctions f{};
    library.Bind(f.Initialise, "FreeImage_Initialise");
    library.Bind(f.DeInitialise, "FreeImage_DeInitialise");
    library.Bind(f.OpenMemory, "FreeImage_OpenMemory");
    library.Bind(f.CloseMemory, "FreeImage_CloseMemory");
    library.Bind(f.SeekMemory, "FreeImage_SeekMemory");
    library.Bind(f.GetFileTypeFromMemory, "FreeImage_GetFileTypeFromMemory");
    library.Bind(f.LoadFromMemory, "FreeImage_LoadFromMemory");
    library.Bind(f.Save, "FreeImage_Save");
    library.Bind(f.Unload, "FreeImage_Unload");
    library.Bind(f.GetWidth, "FreeImage_GetWidth");
    library.Bind(f.GetHeight, "FreeImage_GetHeight");
    library.Bind(f.GetBPP, "FreeImage_GetBPP");
    library.Bind(f.GetImageType, "FreeImage_GetImageType");
    library.Bind(f.GetColorType, "FreeImage_GetColorType");
    library.Bind(f.GetScanLine, "FreeImage_GetScanLine");
    library.Bind(f.SetDotsPerMeterX, "FreeImage_SetDotsPerMeterX");
    library.Bind(f.SetDotsPerMeterY, "FreeImage_SetDotsPerMeterY");
    library.Bind(f.FIFSupportsExportType, "FreeImage_FIFSupportsExportType");
    library.Bind(f.FIFSupportsExportBPP, "FreeImage_FIFSupportsExportBPP");
    library.Bind(f.ConvertTo24Bits, "FreeImage_ConvertTo24Bits");
    library.Bind(f.ConvertToGreyscale, "FreeImage_ConvertToGreyscale");
    library.Bind(f.ConvertToStandardType, "FreeImage_ConvertToStandardType");
    return f;
}

OpenJpegFunctions LoadOpenJpeg() {
    const LoadedLibrary library(PARCH_OPENJPEG_LIBRARY);
    OpenJpegFunctions f{};
    library.Bind(f.ImageCreate, "opj_image_create");
    library.Bind(f.ImageDestroy, "opj_image_destroy");
    library.Bind(f.SetDefaultEncoderParameters, "opj_set_default_encoder_parameters");
    library.Bind(f.CreateCompress, "opj_create_compress");
    library.Bind(f.SetupEncoder, "opj_setup_encoder");
    library.Bind(f.DestroyCodec, "opj_destroy_codec");
    library.Bind(f.StreamCreateDefaultFileStream, "opj_stream_create_default_file_stream");
    library.Bind(f.StreamDestroy, "opj_stream_destroy");
    library.Bind(f.StartCompress, "opj_start_compress");
    library.Bind(f.Encode, "opj_encode");
    library.Bind(f.EndCompress, "opj_end_compress");
    return f;
}

}  // namespace

const FreeImageFunctions& FreeImage() {
    // A failed load raises and is tried again on the next call.
    static const FreeImageFunctions functions = LoadFreeImage();
    return functions;
}

const OpenJpegFunctions& OpenJpeg() {
    static const OpenJpegFunctions functions = LoadOpenJpeg();
    return functions;
}

}  // namespace parch
