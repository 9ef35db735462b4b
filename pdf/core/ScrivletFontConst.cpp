#include "pdf/core/ScrivletFontConst.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

#include "base/SysUtils.h"
#include "pdf/core/ScrivletExtra.h"
#include "pdf/core/ScrivletResource.h"
#include "pdf/core/ScrivletStructure.h"
#include "platform/os/FontFamilies.h"

namespace parch {
namespace {

// The Latin character set with its codes in StandardEncoding, MacRomanEncoding,
// WinAnsiEncoding and PDFDocEncoding, and its widths in Helvetica, Helvetica-Bold,
// Helvetica-BoldOblique, Helvetica-Oblique, Times-Roman, Times-Bold, Times-Italic and
// Times-BoldItalic (the Courier faces give every glyph 600).
constexpr TLatinGlyph kLatinGlyphs[] = {
    {"A", 0x0041, 65, 65, 65, 65, {667, 722, 722, 667, 722, 722, 611, 667}},
    {"AE", 0x00C6, 225, 174, 198, 198, {1000, 1000, 1000, 1000, 889, 1000, 889, 944}},
    {"Aacute", 0x00C1, -1, 231, 193, 193, {667, 722, 722, 667, 722, 722, 611, 667}},
    {"Acircumflex", 0x00C2, -1, 229, 194, 194, {667, 722, 722, 667, 722, 722, 611, 667}},
    {"Adieresis", 0x00C4, -1, 128, 196, 196, {667, 722, 722, 667, 722, 722, 611, 667}},
    {"Agrave", 0x00C0, -1, 203, 192, 192, {667, 722, 722, 667, 722, 722, 611, 667}},
    {"Aring", 0x00C5, -1, 129, 197, 197, {667, 722, 722, 667, 722, 722, 611, 667}},
    {"Atilde", 0x00C3, -1, 204, 195, 195, {667, 722, 722, 667, 722, 722, 611, 667}},
    {"B", 0x0042, 66, 66, 66, 66, {667, 722, 722, 667, 667, 667, 611, 667}},
    {"C", 0x0043, 67, 67, 67, 67, {722, 722, 722, 722, 667, 722, 667, 667}},
    {"Ccedilla", 0x00C7, -1, 130, 199, 199, {722, 722, 722, 722, 667, 722, 667, 667}},
    {"D", 0x0044, 68, 68, 68, 68, {722, 722, 722, 722, 722, 722, 722, 722}},
    {"E", 0x0045, 69, 69, 69, 69, {667, 667, 667, 667, 611, 667, 611, 667}},
    {"Eacute", 0x00C9, -1, 131, 201, 201, {667, 667, 667, 667, 611, 667, 611, 667}},
    {"Ecircumflex", 0x00CA, -1, 230, 202, 202, {667, 667, 667, 667, 611, 667, 611, 667}},
    {"Edieresis", 0x00CB, -1, 232, 203, 203, {667, 667, 667, 667, 611, 667, 611, 667}},
    {"Egrave", 0x00C8, -1, 233, 200, 200, {667, 667, 667, 667, 611, 667, 611, 667}},
    {"Eth", 0x00D0, -1, -1, 208, 208, {722, 722, 722, 722, 722, 722, 722, 722}},
    {"Euro", 0x20AC, -1, -1, 128, 160, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"F", 0x0046, 70, 70, 70, 70, {611, 611, 611, 611, 556, 611, 611, 667}},
    {"G", 0x0047, 71, 71, 71, 71, {778, 778, 778, 778, 722, 778, 722, 722}},
    {"H", 0x0048, 72, 72, 72, 72, {722, 722, 722, 722, 722, 778, 722, 778}},
    {"I", 0x0049, 73, 73, 73, 73, {278, 278, 278, 278, 333, 389, 333, 389}},
    {"Iacute", 0x00CD, -1, 234, 205, 205, {278, 278, 278, 278, 333, 389, 333, 389}},
    {"Icircumflex", 0x00CE, -1, 235, 206, 206, {278, 278, 278, 278, 333, 389, 333, 389}},
    {"Idieresis", 0x00CF, -1, 236, 207, 207, {278, 278, 278, 278, 333, 389, 333, 389}},
    {"Igrave", 0x00CC, -1, 237, 204, 204, {278, 278, 278, 278, 333, 389, 333, 389}},
    {"J", 0x004A, 74, 74, 74, 74, {500, 556, 556, 500, 389, 500, 444, 500}},
    {"K", 0x004B, 75, 75, 75, 75, {667, 722, 722, 667, 722, 778, 667, 667}},
    {"L", 0x004C, 76, 76, 76, 76, {556, 611, 611, 556, 611, 667, 556, 611}},
    {"Lslash", 0x0141, 232, -1, -1, 149, {556, 611, 611, 556, 611, 667, 556, 611}},
    {"M", 0x004D, 77, 77, 77, 77, {833, 833, 833, 833, 889, 944, 833, 889}},
    {"N", 0x004E, 78, 78, 78, 78, {722, 722, 722, 722, 722, 722, 667, 722}},
    {"Ntilde", 0x00D1, -1, 132, 209, 209, {722, 722, 722, 722, 722, 722, 667, 722}},
    {"O", 0x004F, 79, 79, 79, 79, {778, 778, 778, 778, 722, 778, 722, 722}},
    {"OE", 0x0152, 234, 206, 140, 150, {1000, 1000, 1000, 1000, 889, 1000, 944, 944}},
    {"Oacute", 0x00D3, -1, 238, 211, 211, {778, 778, 778, 778, 722, 778, 722, 722}},
    {"Ocircumflex", 0x00D4, -1, 239, 212, 212, {778, 778, 778, 778, 722, 778, 722, 722}},
    {"Odieresis", 0x00D6, -1, 133, 214, 214, {778, 778, 778, 778, 722, 778, 722, 722}},
    {"Ograve", 0x00D2, -1, 241, 210, 210, {778, 778, 778, 778, 722, 778, 722, 722}},
    {"Oslash", 0x00D8, 233, 175, 216, 216, {778, 778, 778, 778, 722, 778, 722, 722}},
    {"Otilde", 0x00D5, -1, 205, 213, 213, {778, 778, 778, 778, 722, 778, 722, 722}},
    {"P", 0x0050, 80, 80, 80, 80, {667, 667, 667, 667, 556, 611, 611, 611}},
    {"Q", 0x0051, 81, 81, 81, 81, {778, 778, 778, 778, 722, 778, 722, 722}},
    {"R", 0x0052, 82, 82, 82, 82, {722, 722, 722, 722, 667, 722, 611, 667}},
    {"S", 0x0053, 83, 83, 83, 83, {667, 667, 667, 667, 556, 556, 500, 556}},
    {"Scaron", 0x0160, -1, -1, 138, 151, {667, 667, 667, 667, 556, 556, 500, 556}},
    {"T", 0x0054, 84, 84, 84, 84, {611, 611, 611, 611, 611, 667, 556, 611}},
    {"Thorn", 0x00DE, -1, -1, 222, 222, {667, 667, 667, 667, 556, 611, 611, 611}},
    {"U", 0x0055, 85, 85, 85, 85, {722, 722, 722, 722, 722, 722, 722, 722}},
    {"Uacute", 0x00DA, -1, 242, 218, 218, {722, 722, 722, 722, 722, 722, 722, 722}},
    {"Ucircumflex", 0x00DB, -1, 243, 219, 219, {722, 722, 722, 722, 722, 722, 722, 722}},
    {"Udieresis", 0x00DC, -1, 134, 220, 220, {722, 722, 722, 722, 722, 722, 722, 722}},
    {"Ugrave", 0x00D9, -1, 244, 217, 217, {722, 722, 722, 722, 722, 722, 722, 722}},
    {"V", 0x0056, 86, 86, 86, 86, {667, 667, 667, 667, 722, 722, 611, 667}},
    {"W", 0x0057, 87, 87, 87, 87, {944, 944, 944, 944, 944, 1000, 833, 889}},
    {"X", 0x0058, 88, 88, 88, 88, {667, 667, 667, 667, 722, 722, 611, 667}},
    {"Y", 0x0059, 89, 89, 89, 89, {667, 667, 667, 667, 722, 722, 556, 611}},
    {"Yacute", 0x00DD, -1, -1, 221, 221, {667, 667, 667, 667, 722, 722, 556, 611}},
    {"Ydieresis", 0x0178, -1, 217, 159, 152, {667, 667, 667, 667, 722, 722, 556, 611}},
    {"Z", 0x005A, 90, 90, 90, 90, {611, 611, 611, 611, 611, 667, 556, 611}},
    {"Zcaron", 0x017D, -1, -1, 142, 153, {611, 611, 611, 611, 611, 667, 556, 611}},
    {"a", 0x0061, 97, 97, 97, 97, {556, 556, 556, 556, 444, 500, 500, 500}},
    {"aacute", 0x00E1, -1, 135, 225, 225, {556, 556, 556, 556, 444, 500, 500, 500}},
    {"acircumflex", 0x00E2, -1, 137, 226, 226, {556, 556, 556, 556, 444, 500, 500, 500}},
    {"acute", 0x00B4, 194, 171, 180, 180, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"adieresis", 0x00E4, -1, 138, 228, 228, {556, 556, 556, 556, 444, 500, 500, 500}},
    {"ae", 0x00E6, 241, 190, 230, 230, {889, 889, 889, 889, 667, 722, 667, 722}},
    {"agrave", 0x00E0, -1, 136, 224, 224, {556, 556, 556, 556, 444, 500, 500, 500}},
    {"ampersand", 0x0026, 38, 38, 38, 38, {667, 722, 722, 667, 778, 833, 778, 778}},
    {"aring", 0x00E5, -1, 140, 229, 229, {556, 556, 556, 556, 444, 500, 500, 500}},
    {"asciicircum", 0x005E, 94, 94, 94, 94, {469, 584, 584, 469, 469, 581, 422, 570}},
    {"asciitilde", 0x007E, 126, 126, 126, 126, {584, 584, 584, 584, 541, 520, 541, 570}},
    {"asterisk", 0x002A, 42, 42, 42, 42, {389, 389, 389, 389, 500, 500, 500, 500}},
    {"at", 0x0040, 64, 64, 64, 64, {1015, 975, 975, 1015, 921, 930, 920, 832}},
    {"atilde", 0x00E3, -1, 139, 227, 227, {556, 556, 556, 556, 444, 500, 500, 500}},
    {"b", 0x0062, 98, 98, 98, 98, {556, 611, 611, 556, 500, 556, 500, 500}},
    {"backslash", 0x005C, 92, 92, 92, 92, {278, 278, 278, 278, 278, 278, 278, 278}},
    {"bar", 0x007C, 124, 124, 124, 124, {260, 280, 280, 260, 200, 220, 275, 220}},
    {"braceleft", 0x007B, 123, 123, 123, 123, {334, 389, 389, 334, 480, 394, 400, 348}},
    {"braceright", 0x007D, 125, 125, 125, 125, {334, 389, 389, 334, 480, 394, 400, 348}},
    {"bracketleft", 0x005B, 91, 91, 91, 91, {278, 333, 333, 278, 333, 333, 389, 333}},
    {"bracketright", 0x005D, 93, 93, 93, 93, {278, 333, 333, 278, 333, 333, 389, 333}},
    {"breve", 0x02D8, 198, 249, -1, 24, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"brokenbar", 0x00A6, -1, -1, 166, 166, {260, 280, 280, 260, 200, 220, 275, 220}},
    {"bullet", 0x2022, 183, 165, 149, 128, {350, 350, 350, 350, 350, 350, 350, 350}},
    {"c", 0x0063, 99, 99, 99, 99, {500, 556, 556, 500, 444, 444, 444, 444}},
    {"caron", 0x02C7, 207, 255, -1, 25, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"ccedilla", 0x00E7, -1, 141, 231, 231, {500, 556, 556, 500, 444, 444, 444, 444}},
    {"cedilla", 0x00B8, 203, 252, 184, 184, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"cent", 0x00A2, 162, 162, 162, 162, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"circumflex", 0x02C6, 195, 246, 136, 26, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"colon", 0x003A, 58, 58, 58, 58, {278, 333, 333, 278, 278, 333, 333, 333}},
    {"comma", 0x002C, 44, 44, 44, 44, {278, 278, 278, 278, 250, 250, 250, 250}},
    {"copyright", 0x00A9, -1, 169, 169, 169, {737, 737, 737, 737, 760, 747, 760, 747}},
    {"currency", 0x00A4, 168, 219, 164, 164, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"d", 0x0064, 100, 100, 100, 100, {556, 611, 611, 556, 500, 556, 500, 500}},
    {"dagger", 0x2020, 178, 160, 134, 129, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"daggerdbl", 0x2021, 179, 224, 135, 130, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"degree", 0x00B0, -1, 161, 176, 176, {400, 400, 400, 400, 400, 400, 400, 400}},
    {"dieresis", 0x00A8, 200, 172, 168, 168, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"divide", 0x00F7, -1, 214, 247, 247, {584, 584, 584, 584, 564, 570, 675, 570}},
    {"dollar", 0x0024, 36, 36, 36, 36, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"dotaccent", 0x02D9, 199, 250, -1, 27, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"dotlessi", 0x0131, 245, 245, -1, 154, {278, 278, 278, 278, 278, 278, 278, 278}},
    {"e", 0x0065, 101, 101, 101, 101, {556, 556, 556, 556, 444, 444, 444, 444}},
    {"eacute", 0x00E9, -1, 142, 233, 233, {556, 556, 556, 556, 444, 444, 444, 444}},
    {"ecircumflex", 0x00EA, -1, 144, 234, 234, {556, 556, 556, 556, 444, 444, 444, 444}},
    {"edieresis", 0x00EB, -1, 145, 235, 235, {556, 556, 556, 556, 444, 444, 444, 444}},
    {"egrave", 0x00E8, -1, 143, 232, 232, {556, 556, 556, 556, 444, 444, 444, 444}},
    {"eight", 0x0038, 56, 56, 56, 56, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"ellipsis", 0x2026, 188, 201, 133, 131, {1000, 1000, 1000, 1000, 1000, 1000, 889, 1000}},
    {"emdash", 0x2014, 208, 209, 151, 132, {1000, 1000, 1000, 1000, 1000, 1000, 889, 1000}},
    {"endash", 0x2013, 177, 208, 150, 133, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"equal", 0x003D, 61, 61, 61, 61, {584, 584, 584, 584, 564, 570, 675, 570}},
    {"eth", 0x00F0, -1, -1, 240, 240, {556, 611, 611, 556, 500, 500, 500, 500}},
    {"exclam", 0x0021, 33, 33, 33, 33, {278, 333, 333, 278, 333, 333, 333, 389}},
    {"exclamdown", 0x00A1, 161, 193, 161, 161, {333, 333, 333, 333, 333, 333, 389, 389}},
    {"f", 0x0066, 102, 102, 102, 102, {278, 333, 333, 278, 333, 333, 278, 333}},
    {"fi", 0xFB01, 174, 222, -1, 147, {500, 611, 611, 500, 556, 556, 500, 556}},
    {"five", 0x0035, 53, 53, 53, 53, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"fl", 0xFB02, 175, 223, -1, 148, {500, 611, 611, 500, 556, 556, 500, 556}},
    {"florin", 0x0192, 166, 196, 131, 134, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"four", 0x0034, 52, 52, 52, 52, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"fraction", 0x2044, 164, 218, -1, 135, {278, 278, 278, 278, 167, 167, 167, 167}},
    {"g", 0x0067, 103, 103, 103, 103, {556, 611, 611, 556, 500, 500, 500, 500}},
    {"germandbls", 0x00DF, 251, 167, 223, 223, {611, 611, 611, 611, 500, 556, 500, 500}},
    {"grave", 0x0060, 193, 96, 96, 96, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"greater", 0x003E, 62, 62, 62, 62, {584, 584, 584, 584, 564, 570, 675, 570}},
    {"guillemotleft", 0x00AB, 171, 199, 171, 171, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"guillemotright", 0x00BB, 187, 200, 187, 187, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"guilsinglleft", 0x2039, 172, 220, 139, 136, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"guilsinglright", 0x203A, 173, 221, 155, 137, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"h", 0x0068, 104, 104, 104, 104, {556, 611, 611, 556, 500, 556, 500, 556}},
    {"hungarumlaut", 0x02DD, 205, 253, -1, 28, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"hyphen", 0x002D, 45, 45, 45, 45, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"i", 0x0069, 105, 105, 105, 105, {222, 278, 278, 222, 278, 278, 278, 278}},
    {"iacute", 0x00ED, -1, 146, 237, 237, {278, 278, 278, 278, 278, 278, 278, 278}},
    {"icircumflex", 0x00EE, -1, 148, 238, 238, {278, 278, 278, 278, 278, 278, 278, 278}},
    {"idieresis", 0x00EF, -1, 149, 239, 239, {278, 278, 278, 278, 278, 278, 278, 278}},
    {"igrave", 0x00EC, -1, 147, 236, 236, {278, 278, 278, 278, 278, 278, 278, 278}},
    {"j", 0x006A, 106, 106, 106, 106, {222, 278, 278, 222, 278, 333, 278, 278}},
    {"k", 0x006B, 107, 107, 107, 107, {500, 556, 556, 500, 500, 556, 444, 500}},
    {"l", 0x006C, 108, 108, 108, 108, {222, 278, 278, 222, 278, 278, 278, 278}},
    {"less", 0x003C, 60, 60, 60, 60, {584, 584, 584, 584, 564, 570, 675, 570}},
    {"logicalnot", 0x00AC, -1, 194, 172, 172, {584, 584, 584, 584, 564, 570, 675, 606}},
    {"lslash", 0x0142, 248, -1, -1, 155, {222, 278, 278, 222, 278, 278, 278, 278}},
    {"m", 0x006D, 109, 109, 109, 109, {833, 889, 889, 833, 778, 833, 722, 778}},
    {"macron", 0x00AF, 197, 248, 175, 175, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"minus", 0x2212, -1, -1, -1, 138, {584, 584, 584, 584, 564, 570, 675, 606}},
    {"mu", 0x00B5, -1, 181, 181, 181, {556, 611, 611, 556, 500, 556, 500, 576}},
    {"multiply", 0x00D7, -1, -1, 215, 215, {584, 584, 584, 584, 564, 570, 675, 570}},
    {"n", 0x006E, 110, 110, 110, 110, {556, 611, 611, 556, 500, 556, 500, 556}},
    {"nine", 0x0039, 57, 57, 57, 57, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"ntilde", 0x00F1, -1, 150, 241, 241, {556, 611, 611, 556, 500, 556, 500, 556}},
    {"numbersign", 0x0023, 35, 35, 35, 35, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"o", 0x006F, 111, 111, 111, 111, {556, 611, 611, 556, 500, 500, 500, 500}},
    {"oacute", 0x00F3, -1, 151, 243, 243, {556, 611, 611, 556, 500, 500, 500, 500}},
    {"ocircumflex", 0x00F4, -1, 153, 244, 244, {556, 611, 611, 556, 500, 500, 500, 500}},
    {"odieresis", 0x00F6, -1, 154, 246, 246, {556, 611, 611, 556, 500, 500, 500, 500}},
    {"oe", 0x0153, 250, 207, 156, 156, {944, 944, 944, 944, 722, 722, 667, 722}},
    {"ogonek", 0x02DB, 206, 254, -1, 29, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"ograve", 0x00F2, -1, 152, 242, 242, {556, 611, 611, 556, 500, 500, 500, 500}},
    {"one", 0x0031, 49, 49, 49, 49, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"onehalf", 0x00BD, -1, -1, 189, 189, {834, 834, 834, 834, 750, 750, 750, 750}},
    {"onequarter", 0x00BC, -1, -1, 188, 188, {834, 834, 834, 834, 750, 750, 750, 750}},
    {"onesuperior", 0x00B9, -1, -1, 185, 185, {333, 333, 333, 333, 300, 300, 300, 300}},
    {"ordfeminine", 0x00AA, 227, 187, 170, 170, {370, 370, 370, 370, 276, 300, 276, 266}},
    {"ordmasculine", 0x00BA, 235, 188, 186, 186, {365, 365, 365, 365, 310, 330, 310, 300}},
    {"oslash", 0x00F8, 249, 191, 248, 248, {611, 611, 611, 611, 500, 500, 500, 500}},
    {"otilde", 0x00F5, -1, 155, 245, 245, {556, 611, 611, 556, 500, 500, 500, 500}},
    {"p", 0x0070, 112, 112, 112, 112, {556, 611, 611, 556, 500, 556, 500, 500}},
    {"paragraph", 0x00B6, 182, 166, 182, 182, {537, 556, 556, 537, 453, 540, 523, 500}},
    {"parenleft", 0x0028, 40, 40, 40, 40, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"parenright", 0x0029, 41, 41, 41, 41, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"percent", 0x0025, 37, 37, 37, 37, {889, 889, 889, 889, 833, 1000, 833, 833}},
    {"period", 0x002E, 46, 46, 46, 46, {278, 278, 278, 278, 250, 250, 250, 250}},
    {"periodcentered", 0x00B7, 180, 225, 183, 183, {278, 278, 278, 278, 250, 250, 250, 250}},
    {"perthousand", 0x2030, 189, 228, 137, 139, {1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000}},
    {"plus", 0x002B, 43, 43, 43, 43, {584, 584, 584, 584, 564, 570, 675, 570}},
    {"plusminus", 0x00B1, -1, 177, 177, 177, {584, 584, 584, 584, 564, 570, 675, 570}},
    {"q", 0x0071, 113, 113, 113, 113, {556, 611, 611, 556, 500, 556, 500, 500}},
    {"question", 0x003F, 63, 63, 63, 63, {556, 611, 611, 556, 444, 500, 500, 500}},
    {"questiondown", 0x00BF, 191, 192, 191, 191, {611, 611, 611, 611, 444, 500, 500, 500}},
    {"quotedbl", 0x0022, 34, 34, 34, 34, {355, 474, 474, 355, 408, 555, 420, 555}},
    {"quotedblbase", 0x201E, 185, 227, 132, 140, {333, 500, 500, 333, 444, 500, 556, 500}},
    {"quotedblleft", 0x201C, 170, 210, 147, 141, {333, 500, 500, 333, 444, 500, 556, 500}},
    {"quotedblright", 0x201D, 186, 211, 148, 142, {333, 500, 500, 333, 444, 500, 556, 500}},
    {"quoteleft", 0x2018, 96, 212, 145, 143, {222, 278, 278, 222, 333, 333, 333, 333}},
    {"quoteright", 0x2019, 39, 213, 146, 144, {222, 278, 278, 222, 333, 333, 333, 333}},
    {"quotesinglbase", 0x201A, 184, 226, 130, 145, {222, 278, 278, 222, 333, 333, 333, 333}},
    {"quotesingle", 0x0027, 169, 39, 39, 39, {191, 238, 238, 191, 180, 278, 214, 278}},
    {"r", 0x0072, 114, 114, 114, 114, {333, 389, 389, 333, 333, 444, 389, 389}},
    {"registered", 0x00AE, -1, 168, 174, 174, {737, 737, 737, 737, 760, 747, 760, 747}},
    {"ring", 0x02DA, 202, 251, -1, 30, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"s", 0x0073, 115, 115, 115, 115, {500, 556, 556, 500, 389, 389, 389, 389}},
    {"scaron", 0x0161, -1, -1, 154, 157, {500, 556, 556, 500, 389, 389, 389, 389}},
    {"section", 0x00A7, 167, 164, 167, 167, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"semicolon", 0x003B, 59, 59, 59, 59, {278, 333, 333, 278, 278, 333, 333, 333}},
    {"seven", 0x0037, 55, 55, 55, 55, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"six", 0x0036, 54, 54, 54, 54, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"slash", 0x002F, 47, 47, 47, 47, {278, 278, 278, 278, 278, 278, 278, 278}},
    {"space", 0x0020, 32, 32, 32, 32, {278, 278, 278, 278, 250, 250, 250, 250}},
    {"sterling", 0x00A3, 163, 163, 163, 163, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"t", 0x0074, 116, 116, 116, 116, {278, 333, 333, 278, 278, 333, 278, 278}},
    {"thorn", 0x00FE, -1, -1, 254, 254, {556, 611, 611, 556, 500, 556, 500, 500}},
    {"three", 0x0033, 51, 51, 51, 51, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"threequarters", 0x00BE, -1, -1, 190, 190, {834, 834, 834, 834, 750, 750, 750, 750}},
    {"threesuperior", 0x00B3, -1, -1, 179, 179, {333, 333, 333, 333, 300, 300, 300, 300}},
    {"tilde", 0x02DC, 196, 247, 152, 31, {333, 333, 333, 333, 333, 333, 333, 333}},
    {"trademark", 0x2122, -1, 170, 153, 146, {1000, 1000, 1000, 1000, 980, 1000, 980, 1000}},
    {"two", 0x0032, 50, 50, 50, 50, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"twosuperior", 0x00B2, -1, -1, 178, 178, {333, 333, 333, 333, 300, 300, 300, 300}},
    {"u", 0x0075, 117, 117, 117, 117, {556, 611, 611, 556, 500, 556, 500, 556}},
    {"uacute", 0x00FA, -1, 156, 250, 250, {556, 611, 611, 556, 500, 556, 500, 556}},
    {"ucircumflex", 0x00FB, -1, 158, 251, 251, {556, 611, 611, 556, 500, 556, 500, 556}},
    {"udieresis", 0x00FC, -1, 159, 252, 252, {556, 611, 611, 556, 500, 556, 500, 556}},
    {"ugrave", 0x00F9, -1, 157, 249, 249, {556, 611, 611, 556, 500, 556, 500, 556}},
    {"underscore", 0x005F, 95, 95, 95, 95, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"v", 0x0076, 118, 118, 118, 118, {500, 556, 556, 500, 500, 500, 444, 444}},
    {"w", 0x0077, 119, 119, 119, 119, {722, 778, 778, 722, 722, 722, 667, 667}},
    {"x", 0x0078, 120, 120, 120, 120, {500, 556, 556, 500, 500, 500, 444, 500}},
    {"y", 0x0079, 121, 121, 121, 121, {500, 556, 556, 500, 500, 500, 444, 444}},
    {"yacute", 0x00FD, -1, -1, 253, 253, {500, 556, 556, 500, 500, 500, 444, 444}},
    {"ydieresis", 0x00FF, -1, 216, 255, 255, {500, 556, 556, 500, 500, 500, 444, 444}},
    {"yen", 0x00A5, 165, 180, 165, 165, {556, 556, 556, 556, 500, 500, 500, 500}},
    {"z", 0x007A, 122, 122, 122, 122, {500, 500, 500, 500, 444, 444, 389, 389}},
    {"zcaron", 0x017E, -1, -1, 158, 158, {500, 500, 500, 500, 444, 444, 389, 389}},
    {"zero", 0x0030, 48, 48, 48, 48, {556, 556, 556, 556, 500, 500, 500, 500}},
};
static_assert(std::size(kLatinGlyphs) == 229);

// The Symbol font: code in its built-in encoding, Unicode value and width.
constexpr TSymbolGlyph kSymbolGlyphs[] = {
    {"Alpha", 65, 0x0391, 722},
    {"Beta", 66, 0x0392, 667},
    {"Chi", 67, 0x03A7, 722},
    {"Delta", 68, 0x2206, 612},
    {"Epsilon", 69, 0x0395, 611},
    {"Eta", 72, 0x0397, 722},
    {"Euro", 160, 0x20AC, 750},
    {"Gamma", 71, 0x0393, 603},
    {"Ifraktur", 193, 0x2111, 686},
    {"Iota", 73, 0x0399, 333},
    {"Kappa", 75, 0x039A, 722},
    {"Lambda", 76, 0x039B, 686},
    {"Mu", 77, 0x039C, 889},
    {"Nu", 78, 0x039D, 722},
    {"Omega", 87, 0x2126, 768},
    {"Omicron", 79, 0x039F, 722},
    {"Phi", 70, 0x03A6, 763},
    {"Pi", 80, 0x03A0, 768},
    {"Psi", 89, 0x03A8, 795},
    {"Rfraktur", 194, 0x211C, 795},
    {"Rho", 82, 0x03A1, 556},
    {"Sigma", 83, 0x03A3, 592},
    {"Tau", 84, 0x03A4, 611},
    {"Theta", 81, 0x0398, 741},
    {"Upsilon", 85, 0x03A5, 690},
    {"Upsilon1", 161, 0x03D2, 620},
    {"Xi", 88, 0x039E, 645},
    {"Zeta", 90, 0x0396, 611},
    {"aleph", 192, 0x2135, 823},
    {"alpha", 97, 0x03B1, 631},
    {"ampersand", 38, 0x0026, 778},
    {"angle", 208, 0x2220, 768},
    {"angleleft", 225, 0x2329, 329},
    {"angleright", 241, 0x232A, 329},
    {"approxequal", 187, 0x2248, 549},
    {"arrowboth", 171, 0x2194, 1042},
    {"arrowdblboth", 219, 0x21D4, 1042},
    {"arrowdbldown", 223, 0x21D3, 603},
    {"arrowdblleft", 220, 0x21D0, 987},
    {"arrowdblright", 222, 0x21D2, 987},
    {"arrowdblup", 221, 0x21D1, 603},
    {"arrowdown", 175, 0x2193, 603},
    {"arrowhorizex", 190, 0xF8E7, 1000},
    {"arrowleft", 172, 0x2190, 987},
    {"arrowright", 174, 0x2192, 987},
    {"arrowup", 173, 0x2191, 603},
    {"arrowvertex", 189, 0xF8E6, 603},
    {"asteriskmath", 42, 0x2217, 500},
    {"bar", 124, 0x007C, 200},
    {"beta", 98, 0x03B2, 549},
    {"braceex", 239, 0xF8F4, 494},
    {"braceleft", 123, 0x007B, 480},
    {"braceleftbt", 238, 0xF8F3, 494},
    {"braceleftmid", 237, 0xF8F2, 494},
    {"bracelefttp", 236, 0xF8F1, 494},
    {"braceright", 125, 0x007D, 480},
    {"bracerightbt", 254, 0xF8FE, 494},
    {"bracerightmid", 253, 0xF8FD, 494},
    {"bracerighttp", 252, 0xF8FC, 494},
    {"bracketleft", 91, 0x005B, 333},
    {"bracketleftbt", 235, 0xF8F0, 384},
    {"bracketleftex", 234, 0xF8EF, 384},
    {"bracketlefttp", 233, 0xF8EE, 384},
    {"bracketright", 93, 0x005D, 333},
    {"bracketrightbt", 251, 0xF8FB, 384},
    {"bracketrightex", 250, 0xF8FA, 384},
    {"bracketrighttp", 249, 0xF8F9, 384},
    {"bullet", 183, 0x2022, 460},
    {"carriagereturn", 191, 0x21B5, 658},
    {"chi", 99, 0x03C7, 549},
    {"circlemultiply", 196, 0x2297, 768},
    {"circleplus", 197, 0x2295, 768},
    {"club", 167, 0x2663, 753},
    {"colon", 58, 0x003A, 278},
    {"comma", 44, 0x002C, 250},
    {"congruent", 64, 0x2245, 549},
    {"copyrightsans", 227, 0xF8E9, 790},
    {"copyrightserif", 211, 0xF6D9, 790},
    {"degree", 176, 0x00B0, 400},
    {"delta", 100, 0x03B4, 494},
    {"diamond", 168, 0x2666, 753},
    {"divide", 184, 0x00F7, 549},
    {"dotmath", 215, 0x22C5, 250},
    {"eight", 56, 0x0038, 500},
    {"element", 206, 0x2208, 713},
    {"ellipsis", 188, 0x2026, 1000},
    {"emptyset", 198, 0x2205, 823},
    {"epsilon", 101, 0x03B5, 439},
    {"equal", 61, 0x003D, 549},
    {"equivalence", 186, 0x2261, 549},
    {"eta", 104, 0x03B7, 603},
    {"exclam", 33, 0x0021, 333},
    {"existential", 36, 0x2203, 549},
    {"five", 53, 0x0035, 500},
    {"florin", 166, 0x0192, 500},
    {"four", 52, 0x0034, 500},
    {"fraction", 164, 0x2044, 167},
    {"gamma", 103, 0x03B3, 411},
    {"gradient", 209, 0x2207, 713},
    {"greater", 62, 0x003E, 549},
    {"greaterequal", 179, 0x2265, 549},
    {"heart", 169, 0x2665, 753},
    {"infinity", 165, 0x221E, 713},
    {"integral", 242, 0x222B, 274},
    {"integralbt", 245, 0x2321, 686},
    {"integralex", 244, 0xF8F5, 686},
    {"integraltp", 243, 0x2320, 686},
    {"intersection", 199, 0x2229, 768},
    {"iota", 105, 0x03B9, 329},
    {"kappa", 107, 0x03BA, 549},
    {"lambda", 108, 0x03BB, 549},
    {"less", 60, 0x003C, 549},
    {"lessequal", 163, 0x2264, 549},
    {"logicaland", 217, 0x2227, 603},
    {"logicalnot", 216, 0x00AC, 713},
    {"logicalor", 218, 0x2228, 603},
    {"lozenge", 224, 0x25CA, 494},
    {"minus", 45, 0x2212, 549},
    {"minute", 162, 0x2032, 247},
    {"mu", 109, 0x00B5, 576},
    {"multiply", 180, 0x00D7, 549},
    {"nine", 57, 0x0039, 500},
    {"notelement", 207, 0x2209, 713},
    {"notequal", 185, 0x2260, 549},
    {"notsubset", 203, 0x2284, 713},
    {"nu", 110, 0x03BD, 521},
    {"numbersign", 35, 0x0023, 500},
    {"omega", 119, 0x03C9, 686},
    {"omega1", 118, 0x03D6, 713},
    {"omicron", 111, 0x03BF, 549},
    {"one", 49, 0x0031, 500},
    {"parenleft", 40, 0x0028, 333},
    {"parenleftbt", 232, 0xF8ED, 384},
    {"parenleftex", 231, 0xF8EC, 384},
    {"parenlefttp", 230, 0xF8EB, 384},
    {"parenright", 41, 0x0029, 333},
    {"parenrightbt", 248, 0xF8F8, 384},
    {"parenrightex", 247, 0xF8F7, 384},
    {"parenrighttp", 246, 0xF8F6, 384},
    {"partialdiff", 182, 0x2202, 494},
    {"percent", 37, 0x0025, 833},
    {"period", 46, 0x002E, 250},
    {"perpendicular", 94, 0x22A5, 658},
    {"phi", 102, 0x03C6, 521},
    {"phi1", 106, 0x03D5, 603},
    {"pi", 112, 0x03C0, 549},
    {"plus", 43, 0x002B, 549},
    {"plusminus", 177, 0x00B1, 549},
    {"product", 213, 0x220F, 823},
    {"propersubset", 204, 0x2282, 713},
    {"propersuperset", 201, 0x2283, 713},
    {"proportional", 181, 0x221D, 713},
    {"psi", 121, 0x03C8, 686},
    {"question", 63, 0x003F, 444},
    {"radical", 214, 0x221A, 549},
    {"radicalex", 96, 0xF8E5, 500},
    {"reflexsubset", 205, 0x2286, 713},
    {"reflexsuperset", 202, 0x2287, 713},
    {"registersans", 226, 0xF8E8, 790},
    {"registerserif", 210, 0xF6DA, 790},
    {"rho", 114, 0x03C1, 549},
    {"second", 178, 0x2033, 411},
    {"semicolon", 59, 0x003B, 278},
    {"seven", 55, 0x0037, 500},
    {"sigma", 115, 0x03C3, 603},
    {"sigma1", 86, 0x03C2, 439},
    {"similar", 126, 0x223C, 549},
    {"six", 54, 0x0036, 500},
    {"slash", 47, 0x002F, 278},
    {"space", 32, 0x0020, 250},
    {"spade", 170, 0x2660, 753},
    {"suchthat", 39, 0x220B, 439},
    {"summation", 229, 0x2211, 713},
    {"tau", 116, 0x03C4, 439},
    {"therefore", 92, 0x2234, 863},
    {"theta", 113, 0x03B8, 521},
    {"theta1", 74, 0x03D1, 631},
    {"three", 51, 0x0033, 500},
    {"trademarksans", 228, 0xF8EA, 786},
    {"trademarkserif", 212, 0xF6DB, 890},
    {"two", 50, 0x0032, 500},
    {"underscore", 95, 0x005F, 500},
    {"union", 200, 0x222A, 768},
    {"universal", 34, 0x2200, 713},
    {"upsilon", 117, 0x03C5, 576},
    {"weierstrass", 195, 0x2118, 987},
    {"xi", 120, 0x03BE, 493},
    {"zero", 48, 0x0030, 500},
    {"zeta", 122, 0x03B6, 494},
};
static_assert(std::size(kSymbolGlyphs) == 189);

// The part of the MacExpertEncoding set that the library names, with its codes.
struct TExpertGlyph {
    std::string_view Name;
    std::uint8_t Code;
};
constexpr TExpertGlyph kMacExpertGlyphs[] = {
    {"AEsmall", 190}, {"Aacutesmall", 135}, {"Acircumflexsmall", 137}, {"Acutesmall", 39},
    {"Adieresissmall", 138}, {"Agravesmall", 136}, {"Aringsmall", 140}, {"Asmall", 97},
    {"Atildesmall", 139}, {"Brevesmall", 243}, {"Bsmall", 98}, {"Caronsmall", 174},
    {"Ccedillasmall", 141}, {"Cedillasmall", 201}, {"Circumflexsmall", 94}, {"Csmall", 99},
    {"Dieresissmall", 172}, {"Dotaccentsmall", 250}, {"Dsmall", 100}, {"Eacutesmall", 142},
    {"Ecircumflexsmall", 144}, {"Edieresissmall", 145}, {"Egravesmall", 143}, {"Esmall", 101},
    {"Ethsmall", 68}, {"Fsmall", 102}, {"Gravesmall", 96}, {"Gsmall", 103}, {"Hsmall", 104},
    {"Hungarumlautsmall", 34}, {"Iacutesmall", 146}, {"Icircumflexsmall", 148},
    {"Idieresissmall", 149}, {"Igravesmall", 147}, {"Ismall", 105}, {"Jsmall", 106},
    {"Ksmall", 107}, {"Lslashsmall", 194}, {"Lsmall", 108}, {"Macronsmall", 244}, {"Msmall", 109},
    {"Nsmall", 110}, {"Ntildesmall", 150}, {"OEsmall", 207}, {"Oacutesmall", 151},
    {"Ocircumflexsmall", 153}, {"Odieresissmall", 154}, {"Ogoneksmall", 242}, {"Ogravesmall", 152},
    {"Oslashsmall", 191}, {"Osmall", 111}, {"Otildesmall", 155}, {"Psmall", 112}, {"Qsmall", 113},
    {"Ringsmall", 251}, {"Rsmall", 114}, {"Scaronsmall", 167}, {"Ssmall", 115},
    {"Thornsmall", 185}, {"Tildesmall", 126}, {"Tsmall", 116}, {"Uacutesmall", 156},
    {"Ucircumflexsmall", 158}, {"Udieresissmall", 159}, {"Ugravesmall", 157}, {"Usmall", 117},
    {"Vsmall", 118}, {"Wsmall", 119}, {"Xsmall", 120}, {"Yacutesmall", 180},
    {"seveninferior", 166}, {"sevenoldstyle", 55}, {"sevensuperior", 224}, {"sixinferior", 164},
    {"sixoldstyle", 54}, {"sixsuperior", 223}, {"space", 32}, {"ssuperior", 234},
    {"threeeighths", 75}, {"threeinferior", 163}, {"threeoldstyle", 51}, {"threequarters", 73},
    {"threequartersemdash", 61}, {"threesuperior", 220}, {"tsuperior", 230},
    {"twodotenleader", 42}, {"twoinferior", 170}, {"twooldstyle", 50}, {"twosuperior", 219},
    {"twothirds", 79}, {"zeroinferior", 188}, {"zerooldstyle", 48}, {"zerosuperior", 226},
};
static_assert(std::size(kMacExpertGlyphs) == 93);

constexpr int kDefaultWidth = 750;
constexpr int kCourierWidth = 600;

std::int16_t TLatinGlyph::*EncodingColumn(int encoding) {
    switch (encoding) {
    case kStandardEncoding: return &TLatinGlyph::StandardCode;
    case kMacRomanEncoding: return &TLatinGlyph::MacRomanCode;
    case kWinAnsiEncoding: return &TLatinGlyph::WinAnsiCode;
    default: return &TLatinGlyph::PDFDocCode;
    }
}

template <class Glyph>
const Glyph* FindByName(std::span<const Glyph> glyphs, std::string_view name) {
    auto it =
        std::lower_bound(glyphs.begin(), glyphs.end(), name,
                         [](const Glyph& glyph, std::string_view n) { return glyph.Name < n; });
    return it != glyphs.end() && it->Name == name ? &*it : nullptr;
}

void FillLatinEncoding(int encoding, TGlyphNames& names) {
    const auto column = EncodingColumn(encoding);
    for (const TLatinGlyph& glyph : kLatinGlyphs)
        if (glyph.*column >= 0) names[glyph.*column] = glyph.Name;
    if (encoding == kMacRomanEncoding) names[202] = "space";
    if (encoding == kWinAnsiEncoding) {
        names[160] = "space";
        names[173] = "hyphen";
        for (int code = 33; code < 256; ++code)
            if (names[code] == ".notdef") names[code] = "bullet";
    }
}

// The glyph list resource: an index of 58 three-byte offsets for the first characters "A" to
// "z", then records of name length, name and UTF-16 value, grouped by first character.
const std::string& GlyphListData() {
    static const std::string data = ReadBuiltInResource(kGlyphListResource);
    return data;
}

std::uint32_t ReadLittleEndian(std::string_view data, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
        value |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(data[at + i])) << (8 * i);
    return value;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

std::span<const TLatinGlyph> LatinGlyphs() { return kLatinGlyphs; }
std::span<const TSymbolGlyph> SymbolGlyphs() { return kSymbolGlyphs; }

int LatinGlyphWidth(std::size_t index, int fontNumber) {
    if (index >= std::size(kLatinGlyphs) || fontNumber < 1 || fontNumber > 12) return kDefaultWidth;
    if (fontNumber <= 4) return kCourierWidth;
    return kLatinGlyphs[index].Widths[fontNumber - 5];
}

const TScrivletCaseSensitiveStringList& LatinGlyphNameList() {
    static const auto list = [] {
        auto names = std::make_unique<TScrivletCaseSensitiveStringList>();
        for (const TLatinGlyph& glyph : kLatinGlyphs) names->Add(glyph.Name);
        return names;
    }();
    return *list;
}

void GetEncodingGlyphNames(int encoding, TGlyphNames& names) {
    names.fill(".notdef");
    switch (encoding) {
    case kStandardEncoding:
    case kMacRomanEncoding:
    case kWinAnsiEncoding:
    case kPDFDocEncoding: FillLatinEncoding(encoding, names); break;
    case kMacExpertEncoding:
        for (const TExpertGlyph& glyph : kMacExpertGlyphs) names[glyph.Code] = glyph.Name;
        break;
    case kSymbolEncoding:
        names.fill("");
        for (const TSymbolGlyph& glyph : kSymbolGlyphs) names[glyph.Code] = glyph.Name;
        break;
    default: break;
    }
}

void GetSymbolUnicodeNames(int encoding, TGlyphNames& names) {
    names.fill("");
    if (encoding != kSymbolEncoding) return;
    for (const TSymbolGlyph& glyph : kSymbolGlyphs)
        names[glyph.Code] = "U+" + IntToHexA(glyph.Unicode, 4);
}

void ApplyDifferences(TGlyphNames& names, const TPDFArray* differences) {
    if (differences == nullptr) return;
    std::int64_t code = 0;
    for (int i = 0; i < differences->GetCount(); ++i) {
        const TPDFObject* item = differences->GetItem(i);
        if (item == nullptr) continue;
        if (item->Kind == kPDFKindNumeric) {
            code = static_cast<const TPDFNumeric*>(item)->GetInteger();
        } else if (item->Kind == kPDFKindName) {
            if (code >= 0 && code <= 255)
                names[code] = static_cast<const TPDFName*>(item)->NameBytes;
            if (code < INT64_MAX) ++code;
        }
    }
}

char16_t GlyphNameToUnicode(std::string_view name) {
    if (name.empty() || !IsAsciiLetter(name[0])) return 0;
    const std::string& data = GlyphListData();
    const std::size_t entry = 3 * static_cast<std::size_t>(name[0] - 'A');
    if (data.size() < entry + 3) return 0;
    std::size_t position = ReadLittleEndian(data, entry, 3);
    if (position == 0) return 0;
    --position;  // offsets are 1-based
    while (position < data.size()) {
        const std::size_t length = static_cast<std::uint8_t>(data[position]);
        if (length == 0 || data.size() - position < 1 + length + 2) break;
        const std::string_view record(data.data() + position + 1, length);
        if (record[0] != name[0]) break;
        if (record == name)
            return static_cast<char16_t>(ReadLittleEndian(data, position + 1 + length, 2));
        position += 1 + length + 2;
    }
    return 0;
}

void GlyphNamesToUnicode(const TGlyphNames& names, TGlyphUnicodes& unicodes) {
    for (std::size_t code = 0; code < names.size(); ++code)
        unicodes[code] = GlyphNameToUnicode(names[code]);
}

std::uint8_t GlyphNameToWinAnsi(std::int64_t unicode) {
    for (const TLatinGlyph& glyph : kLatinGlyphs)
        if (glyph.Unicode == unicode)
            return glyph.WinAnsiCode >= 0 ? static_cast<std::uint8_t>(glyph.WinAnsiCode) : 0;
    return 0;
}

void GlyphNamesToWinAnsi(const TGlyphNames& names, TGlyphAnsiCodes& codes) {
    for (std::size_t code = 0; code < names.size(); ++code) {
        const std::string& name = names[code];
        codes[code] = GlyphNameToWinAnsi(GlyphNameToUnicode(name));
        if (codes[code] == 0 && name.starts_with("CID:")) {
            // The name can come straight from a file's /Differences: a number that does not
            // read counts as 0 instead of failing the font.
            codes[code] =
                GlyphNameToWinAnsi(TryStrToInt(std::string_view(name).substr(4)).value_or(0));
        }
    }
}

void UnicodeToGlyphName(char16_t unicode, std::string& name) {
    for (const TLatinGlyph& glyph : kLatinGlyphs)
        if (glyph.Unicode == unicode) {
            name = glyph.Name;
            return;
        }
    for (const TSymbolGlyph& glyph : kSymbolGlyphs)
        if (glyph.Unicode == unicode) {
            name = glyph.Name;
            return;
        }
}

int GlyphNameIndex(std::string_view name) {
    const TLatinGlyph* glyph = FindByName(LatinGlyphs(), name);
    return glyph ? static_cast<int>(glyph - kLatinGlyphs) + 1 : 0;
}

void GetStandardFontWidths(int fontNumber, const TGlyphNames& names, TGlyphWidths& widths) {
    if (fontNumber >= 1 && fontNumber <= 12) {
        for (std::size_t code = 0; code < names.size(); ++code) {
            const int index = GlyphNameIndex(names[code]);
            widths[code] = index > 0
                               ? LatinGlyphWidth(static_cast<std::size_t>(index - 1), fontNumber)
                               : kDefaultWidth;
        }
    } else if (fontNumber == kSymbolFont) {
        for (std::size_t code = 0; code < names.size(); ++code) {
            const TSymbolGlyph* glyph = FindByName(SymbolGlyphs(), names[code]);
            widths[code] = glyph ? glyph->Width : kDefaultWidth;
        }
    }
}

const TScrivletStringList& GetFontFamilies(std::uint8_t charset) {
    static std::mutex mutex;
    static std::map<std::uint8_t, std::unique_ptr<TScrivletStringList>> cache;
    std::lock_guard lock(mutex);
    std::unique_ptr<TScrivletStringList>& list = cache[charset];
    if (!list) {
        list = std::make_unique<TScrivletStringList>();
        std::string previous;
        for (const std::string& family : InstalledFontFamilies(charset)) {
            if (list->GetCount() > 0 && SameText(family, previous)) continue;
            list->Add(family);
            previous = family;
        }
        list->SetSorted(true);
    }
    return *list;
}

std::string GetDingbatsFontProgram() { return ReadBuiltInResource(kDingbatsFontResource); }

}  // namespace parch
