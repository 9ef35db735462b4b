#pragma once
// Record types of [MS-EMF] that this layer writes or plays.

#include <cstdint>

namespace parch::emr {

inline constexpr std::uint32_t HEADER = 1;
inline constexpr std::uint32_t POLYBEZIER = 2;
inline constexpr std::uint32_t POLYGON = 3;
inline constexpr std::uint32_t POLYLINE = 4;
inline constexpr std::uint32_t POLYBEZIERTO = 5;
inline constexpr std::uint32_t POLYLINETO = 6;
inline constexpr std::uint32_t POLYPOLYLINE = 7;
inline constexpr std::uint32_t POLYPOLYGON = 8;
inline constexpr std::uint32_t SETWINDOWORGEX = 10;
inline constexpr std::uint32_t SETVIEWPORTORGEX = 12;
inline constexpr std::uint32_t EOF_ = 14;
inline constexpr std::uint32_t SETBKMODE = 18;
inline constexpr std::uint32_t SETPOLYFILLMODE = 19;
inline constexpr std::uint32_t SETROP2 = 20;
inline constexpr std::uint32_t SETSTRETCHBLTMODE = 21;
inline constexpr std::uint32_t SETTEXTALIGN = 22;
inline constexpr std::uint32_t SETTEXTCOLOR = 24;
inline constexpr std::uint32_t SETBKCOLOR = 25;
inline constexpr std::uint32_t MOVETOEX = 27;
inline constexpr std::uint32_t EXCLUDECLIPRECT = 29;
inline constexpr std::uint32_t INTERSECTCLIPRECT = 30;
inline constexpr std::uint32_t SAVEDC = 33;
inline constexpr std::uint32_t RESTOREDC = 34;
inline constexpr std::uint32_t SELECTOBJECT = 37;
inline constexpr std::uint32_t CREATEPEN = 38;
inline constexpr std::uint32_t CREATEBRUSHINDIRECT = 39;
inline constexpr std::uint32_t DELETEOBJECT = 40;
inline constexpr std::uint32_t ELLIPSE = 42;
inline constexpr std::uint32_t RECTANGLE = 43;
inline constexpr std::uint32_t LINETO = 54;
inline constexpr std::uint32_t SETMITERLIMIT = 58;
inline constexpr std::uint32_t BEGINPATH = 59;
inline constexpr std::uint32_t ENDPATH = 60;
inline constexpr std::uint32_t CLOSEFIGURE = 61;
inline constexpr std::uint32_t FILLPATH = 62;
inline constexpr std::uint32_t STROKEANDFILLPATH = 63;
inline constexpr std::uint32_t STROKEPATH = 64;
inline constexpr std::uint32_t SELECTCLIPPATH = 67;
inline constexpr std::uint32_t ABORTPATH = 68;
inline constexpr std::uint32_t GDICOMMENT = 70;
inline constexpr std::uint32_t EXTSELECTCLIPRGN = 75;
inline constexpr std::uint32_t STRETCHDIBITS = 81;
inline constexpr std::uint32_t EXTCREATEFONTINDIRECTW = 82;
inline constexpr std::uint32_t EXTTEXTOUTW = 84;
inline constexpr std::uint32_t POLYBEZIER16 = 85;
inline constexpr std::uint32_t POLYGON16 = 86;
inline constexpr std::uint32_t POLYLINE16 = 87;
inline constexpr std::uint32_t POLYBEZIERTO16 = 88;
inline constexpr std::uint32_t POLYLINETO16 = 89;
inline constexpr std::uint32_t POLYPOLYLINE16 = 90;
inline constexpr std::uint32_t POLYPOLYGON16 = 91;
inline constexpr std::uint32_t EXTCREATEPEN = 95;
inline constexpr std::uint32_t ALPHABLEND = 114;

// Stock objects are named by their index with this bit set.
inline constexpr std::uint32_t kStockObject = 0x80000000u;
// Size of the header record written: the base header and both extensions.
inline constexpr std::uint32_t kHeaderSize = 108;

}  // namespace parch::emr
