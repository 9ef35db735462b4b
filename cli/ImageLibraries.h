#pragma once
// FreeImage and OpenJPEG, loaded when the first image is converted: a text run never pays for
// loading them and the two dozen libraries they bring along.

#include <FreeImage.h>
#include <openjpeg.h>

namespace parch {

struct FreeImageFunctions {
    decltype(&::FreeImage_Initialise) Initialise;
    decltype(&::FreeImage_DeInitialise) DeInitialise;
    decltype(&::FreeImage_OpenMemory) OpenMemory;
    decltype(&::FreeImage_CloseMemory) CloseMemory;
    decltype(&::FreeImage_SeekMemory) SeekMemory;
    decltype(&::FreeImage_GetFileTypeFromMemory) GetFileTypeFromMemory;
    decltype(&::FreeImage_LoadFromMemory) LoadFromMemory;
    decltype(&::FreeImage_Save) Save;
    decltype(&::FreeImage_Unload) Unload;
    decltype(&::FreeImage_GetWidth) GetWidth;
    decltype(&::FreeImage_GetHeight) GetHeight;
    decltype(&::FreeImage_GetBPP) GetBPP;
    decltype(&::FreeImage_GetImageType) GetImageType;
    decltype(&::FreeImage_GetColorType) GetColorType;
    decltype(&::FreeImage_GetScanLine) GetScanLine;
    decltype(&::FreeImage_SetDotsPerMeterX) SetDotsPerMeterX;
    decltype(&::FreeImage_SetDotsPerMeterY) SetDotsPerMeterY;
    decltype(&::FreeImage_FIFSupportsExportType) FIFSupportsExportType;
    decltype(&::FreeImage_FIFSupportsExportBPP) FIFSupportsExportBPP;
    decltype(&::FreeImage_ConvertTo24Bits) ConvertTo24Bits;
    decltype(&::FreeImage_ConvertToGreyscale) ConvertToGreyscale;
    decltype(&::FreeImage_ConvertToStandardType) ConvertToStandardType;
};

struct OpenJpegFunctions {
    decltype(&::opj_image_create) ImageCreate;
    decltype(&::opj_image_destroy) ImageDestroy;
    decltype(&::opj_set_default_encoder_parameters) SetDefaultEncoderParameters;
    decltype(&::opj_create_compress) CreateCompress;
    decltype(&::opj_setup_encoder) SetupEncoder;
    decltype(&::opj_destroy_codec) DestroyCodec;
    decltype(&::opj_stream_create_default_file_stream) StreamCreateDefaultFileStream;
    decltype(&::opj_stream_destroy) StreamDestroy;
    decltype(&::opj_start_compress) StartCompress;
    decltype(&::opj_encode) Encode;
    decltype(&::opj_end_compress) EndCompress;
};

// Each library is loaded on the first call and stays for the life of the process. Raise
// Exception when the library or one of its functions cannot be found.
const FreeImageFunctions& FreeImage();
const OpenJpegFunctions& OpenJpeg();

}  // namespace parch
