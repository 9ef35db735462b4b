#pragma once
// The page output: renders one page of a page tree through a fresh renderer and font
// collection and writes it into a stream in one of the API's output kinds.

#include <cstdint>
#include <string>

#include "pdf/core/ScrivletGDIPlusSettings.h"

namespace parch {

class TPDFPageTree;
class TStream;

// Output kinds this build writes.
inline constexpr int kOutputBMP = 0;
inline constexpr int kOutputJPEG = 1;
inline constexpr int kOutputWMF = 2;
inline constexpr int kOutputEMF = 3;
inline constexpr int kOutputEPS = 4;
inline constexpr int kOutputPNG = 5;
inline constexpr int kOutputGIF = 6;
inline constexpr int kOutputTIFF = 7;
inline constexpr int kOutputEMFPlus = 8;
inline constexpr int kOutputHTML = 9;

// True when the page was written into the stream at its position. False, with the reason in
// message, when the kind names no output or cannot be written by this build, when the page
// could not be rendered at all, or when its encoder wrote nothing. A rendering failure inside
// the content still writes what was drawn; message then holds the failure text. Exceptions of
// the encoders and the stream pass to the caller.
bool PaintPageToStream(TPDFPageTree& pageTree, std::int32_t pageNumber, int outputKind, std::int32_t pageBox,
                       std::string& message, TStream& stream, const TGDIPlusSettings& settings,
                       std::uint8_t jpegQuality, double resolution);

}  // namespace parch
