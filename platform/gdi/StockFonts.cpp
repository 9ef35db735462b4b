#include "platform/gdi/Fonts.h"

#include <cstring>

namespace parch {

namespace {

LOGFONT StockLogFont(LONG height, LONG weight, BYTE pitch, const char* face) {
    LOGFONT logical;
    logical.lfHeight = height;
    logical.lfWeight = weight;
    logical.lfPitchAndFamily = pitch;
    std::strncpy(logical.lfFaceName, face, LF_FACESIZE - 1);
    return logical;
}

}  // namespace

// The stock fonts keep the sizes and weights Windows gives them at 96 dots per inch.
HGDIOBJ CreateStockFont(int index) {
    LOGFONT logical;
    switch (index) {
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
        logical = StockLogFont(16, FW_BOLD, VARIABLE_PITCH | FF_SWISS, "System");
        break;
    case DEFAULT_GUI_FONT:
        logical = StockLogFont(-11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, "MS Shell Dlg");
        break;
    case ANSI_VAR_FONT:
        logical = StockLogFont(13, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif");
        break;
    case ANSI_FIXED_FONT:
    case OEM_FIXED_FONT:
        logical = StockLogFont(12, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Courier");
        break;
    case SYSTEM_FIXED_FONT:
        logical = StockLogFont(15, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Fixedsys");
        break;
    default:
        return nullptr;
    }
    return CreateFontIndirect(&logical);
}

}  // namespace parch
