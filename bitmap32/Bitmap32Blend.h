#pragma once
// Pixel arithmetic: putting a pixel with alpha over another (blend, merge), mixing two pixels
// by a weight (combine), and per-channel colour operations. Every routine is reached through a
// binding filled once with the best variant for the processor; all variants of a routine give
// the same pixels.

#include <cstdint>

#include "bitmap32/Bitmap32.h"

namespace parch {

class TFunctionRegistry;

using TClearSimdStateProc = void();
using TBlendPixelProc = TColor32(TColor32 f, TColor32 b);
using TBlendPixelIntoProc = void(TColor32 f, TColor32& b);
using TBlendRowProc = void(const TColor32* src, TColor32* dst, int count);
using TBlendPixelWeightedProc = TColor32(TColor32 f, TColor32 b, int m);
using TBlendPixelIntoWeightedProc = void(TColor32 f, TColor32& b, int m);
using TBlendRowWeightedProc = void(const TColor32* src, TColor32* dst, int count, int m);
using TChannelsProc = TColor32(TColor32 c1, TColor32 c2);
using TScaleChannelsProc = TColor32(TColor32 c, int w);

// Function identifiers of the registry "B32_Blend bindings".
enum TBlendFunction {
    idClearSimdState,
    idMergePixel,
    idMergePixelInto,
    idMergeRow,
    idMergePixelWeighted,
    idMergePixelIntoWeighted,
    idMergeRowWeighted,
    idCombinePixel,
    idCombinePixelInto,
    idCombineRow,
    idBlendPixel,
    idBlendPixelInto,
    idBlendRow,
    idBlendPixelWeighted,
    idBlendPixelIntoWeighted,
    idBlendRowWeighted,
    idMaxChannels,
    idMinChannels,
    idAverageChannels,
    idAddChannels,
    idSubtractChannels,
    idDivideChannels,
    idModulateChannels,
    idDifferenceChannels,
    idExclusionChannels,
    idScaleChannels,
};

struct TBlendBindings {
    TClearSimdStateProc* ClearSimdState = nullptr;
    TBlendPixelProc* MergePixel = nullptr;
    TBlendPixelIntoProc* MergePixelInto = nullptr;
    TBlendRowProc* MergeRow = nullptr;
    TBlendPixelWeightedProc* MergePixelWeighted = nullptr;
    TBlendPixelIntoWeightedProc* MergePixelIntoWeighted = nullptr;
    TBlendRowWeightedProc* MergeRowWeighted = nullptr;
    TBlendPixelWeightedProc* CombinePixel = nullptr;
    TBlendPixelIntoWeightedProc* CombinePixelInto = nullptr;
    TBlendRowWeightedProc* CombineRow = nullptr;
    TBlendPixelProc* BlendPixel = nullptr;
    TBlendPixelIntoProc* BlendPixelInto = nullptr;
    TBlendRowProc* BlendRow = nullptr;
    TBlendPixelWeightedProc* BlendPixelWeighted = nullptr;
    TBlendPixelIntoWeightedProc* BlendPixelIntoWeighted = nullptr;
    TBlendRowWeightedProc* BlendRowWeighted = nullptr;
    TChannelsProc* MaxChannels = nullptr;
    TChannelsProc* MinChannels = nullptr;
    TChannelsProc* AverageChannels = nullptr;
    TChannelsProc* AddChannels = nullptr;
    TChannelsProc* SubtractChannels = nullptr;
    TChannelsProc* DivideChannels = nullptr;
    TChannelsProc* ModulateChannels = nullptr;
    TChannelsProc* DifferenceChannels = nullptr;
    TChannelsProc* ExclusionChannels = nullptr;
    TScaleChannelsProc* ScaleChannels = nullptr;
    TFunctionRegistry* Registry = nullptr;
};

// Bound once, on first use, from any thread.
const TBlendBindings& BlendBindings();

// Callers on per-pixel paths fetch BlendBindings() once; these are for the others.
inline void ClearSimdState() { BlendBindings().ClearSimdState(); }
inline TColor32 MergePixel(TColor32 f, TColor32 b) { return BlendBindings().MergePixel(f, b); }
inline TColor32 BlendPixel(TColor32 f, TColor32 b) { return BlendBindings().BlendPixel(f, b); }
inline TColor32 CombinePixel(TColor32 x, TColor32 y, int w) { return BlendBindings().CombinePixel(x, y, w); }
inline void BlendRow(const TColor32* src, TColor32* dst, int count) { BlendBindings().BlendRow(src, dst, count); }
inline void MergeRow(const TColor32* src, TColor32* dst, int count) { BlendBindings().MergeRow(src, dst, count); }

// The routines of a bitmap's combine mode (cmBlend: the blend family, cmMerge: the merge family).
TBlendPixelIntoProc* BlendIntoByMode(TCombineMode mode);
TBlendPixelIntoWeightedProc* BlendIntoWeightedByMode(TCombineMode mode);
TBlendRowProc* BlendRowByMode(TCombineMode mode);
TBlendRowWeightedProc* BlendRowWeightedByMode(TCombineMode mode);

// The portable variants, which define the results every other variant must give.
namespace portable {
void ClearSimdState();
TColor32 MergePixel(TColor32 f, TColor32 b);
void MergePixelInto(TColor32 f, TColor32& b);
void MergeRow(const TColor32* src, TColor32* dst, int count);
TColor32 MergePixelWeighted(TColor32 f, TColor32 b, int m);
void MergePixelIntoWeighted(TColor32 f, TColor32& b, int m);
void MergeRowWeighted(const TColor32* src, TColor32* dst, int count, int m);
TColor32 CombinePixel(TColor32 x, TColor32 y, int w);
void CombinePixelInto(TColor32 f, TColor32& b, int w);
void CombineRow(const TColor32* src, TColor32* dst, int count, int w);
TColor32 BlendPixel(TColor32 f, TColor32 b);
void BlendPixelInto(TColor32 f, TColor32& b);
void BlendRow(const TColor32* src, TColor32* dst, int count);
TColor32 BlendPixelWeighted(TColor32 f, TColor32 b, int m);
void BlendPixelIntoWeighted(TColor32 f, TColor32& b, int m);
void BlendRowWeighted(const TColor32* src, TColor32* dst, int count, int m);
TColor32 MaxChannels(TColor32 c1, TColor32 c2);
TColor32 MinChannels(TColor32 c1, TColor32 c2);
TColor32 AverageChannels(TColor32 c1, TColor32 c2);
TColor32 AddChannels(TColor32 c1, TColor32 c2);
TColor32 SubtractChannels(TColor32 c1, TColor32 c2);
TColor32 DivideChannels(TColor32 c1, TColor32 c2);
TColor32 ModulateChannels(TColor32 c1, TColor32 c2);
TColor32 DifferenceChannels(TColor32 c1, TColor32 c2);
TColor32 ExclusionChannels(TColor32 c1, TColor32 c2);
TColor32 ScaleChannels(TColor32 c, int w);
}  // namespace portable

}  // namespace parch
