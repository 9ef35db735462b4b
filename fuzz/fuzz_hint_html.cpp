// Hint texts in the small HTML subset: hostile SIZE, COLOR and FACE values, unbalanced and deeply
// nested tags, invalid UTF-8 and long texts are laid out and drawn onto a small bitmap.
#include <cstddef>
#include <cstdint>
#include <string>

#include "skin/frames/sHtmlParse.h"

// FACE values load fonts; fontconfig keeps its caches until the process ends.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    parch::TBitmap bitmap(64, 48, parch::pf32bit);
    bitmap.Canvas().Font().SetName("DejaVu Sans");
    bitmap.Canvas().Font().SetSize(9);
    parch::TsHtml html;
    html.Init(&bitmap, std::string(reinterpret_cast<const char*>(bytes), size), {2, 2, 60, 0});
    parch::RECT reached = html.Render();
    // Every tag keeps the font within the sizes a glyph cache can follow.
    int points = bitmap.Canvas().Font().Size();
    if (reached.right < 0 || reached.bottom < 0 || points < parch::TsHtml::kMinFontSize ||
        points > parch::TsHtml::kMaxFontSize)
        __builtin_trap();
    return 0;
}
