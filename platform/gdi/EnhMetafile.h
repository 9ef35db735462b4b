#pragma once
// Enhanced metafiles ([MS-EMF]): recording device contexts whose drawing calls append records,
// metafile handles over finished record bytes, and playback of those records onto any device
// context through the same drawing calls. Windows metafiles ([MS-WMF]) are written by
// converting the records of an enhanced one and read by playing them back.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace parch {

class EnhMetaFile;
class WinMetaFile;
using HENHMETAFILE = EnhMetaFile*;
using HMETAFILE = WinMetaFile*;

// The EMR_HEADER record as it is stored.
struct ENHMETAHEADER {
    DWORD iType = 1;
    DWORD nSize = 0;
    RECT rclBounds;  // device pixels drawn, inclusive
    RECT rclFrame;   // the picture in 0.01 mm, inclusive
    DWORD dSignature = 0x464D4520;
    DWORD nVersion = 0x10000;
    DWORD nBytes = 0;
    DWORD nRecords = 0;
    WORD nHandles = 0;
    WORD sReserved = 0;
    DWORD nDescription = 0;
    DWORD offDescription = 0;
    DWORD nPalEntries = 0;
    SIZE szlDevice;       // the reference device in pixels
    SIZE szlMillimeters;  // and in millimetres
};

// Bounds on what playback accepts from untrusted metafile bytes.
inline constexpr std::size_t kMaxMetafileBytes = std::size_t{1} << 30;
inline constexpr std::uint32_t kMaxMetafileObjects = 16384;
inline constexpr std::int64_t kMaxMetafileBitmapPixels = std::int64_t{1} << 26;
inline constexpr std::uint32_t kMaxMetafilePolyPoints = 1u << 22;

// A recording context. `reference` gives the resolution (the screen's when nullptr); `frame`
// is the picture in 0.01 mm, or nullptr for the bounds of what gets drawn. Only memory
// recordings exist: `fileName` must be nullptr.
HDC CreateEnhMetaFile(HDC reference, const char* fileName, const RECT* frame, const char* description);
// Ends the recording and deletes the context; the metafile handle, or nullptr for a context
// that does not record.
HENHMETAFILE CloseEnhMetaFile(HDC dc);
// True for a context made by CreateEnhMetaFile that was not closed yet.
bool IsRecordingDC(HDC dc);

// Copies the records (all of them or none); with a null buffer the size needed.
UINT GetEnhMetaFileBits(HENHMETAFILE metafile, UINT size, BYTE* buffer);
// A metafile over a copy of the bytes; nullptr when they do not start with a sound header.
HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data);
UINT GetEnhMetaFileHeader(HENHMETAFILE metafile, UINT size, ENHMETAHEADER* header);
// Draws the picture stretched into `rect` (logical units of dc). Stops at the first damaged
// record, keeping what was drawn, and answers false then.
BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE metafile, const RECT* rect);
BOOL DeleteEnhMetaFile(HENHMETAFILE metafile);

// Comments carry data for readers that know it (EMF+ records); a context that does not record
// ignores them.
BOOL GdiComment(HDC dc, UINT size, const BYTE* data);

// Windows metafiles. GetWinMetaFileBits converts the records into [MS-WMF] records without a
// placeable header, in units of the reference context's pixels (MM_ANISOTROPIC).
UINT GetWinMetaFileBits(HENHMETAFILE metafile, UINT size, BYTE* buffer, int mapMode, HDC reference);
// A metafile over WMF records (without a placeable header); nullptr when the header is not sound.
HMETAFILE SetMetaFileBitsEx(UINT size, const BYTE* data);
UINT GetMetaFileBitsEx(HMETAFILE metafile, UINT size, BYTE* buffer);
// Plays the records in the context's current mapping; false at the first damaged record.
BOOL PlayMetaFile(HDC dc, HMETAFILE metafile);
// Plays the records with window (origin, extent) mapped onto `rect`.
BOOL PlayMetaFileInRect(HDC dc, HMETAFILE metafile, const RECT& window, const RECT& rect);
BOOL DeleteMetaFile(HMETAFILE metafile);

constexpr int MM_TEXT = 1;
constexpr int MM_ANISOTROPIC = 8;

}  // namespace parch
