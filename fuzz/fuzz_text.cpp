// The UTF-8 and UTF-16 converters under every policy, PDF text strings and glyph-name look-ups
// on untrusted bytes. Converted text must survive a round trip and never hold an invalid
// character when invalid ones are replaced.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pdf/core/ScrivletFontConst.h"
#include "pdf/core/ScrivletTextString.h"
#include "pdf/core/ScrivletUnicode.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::u16string wide;
    std::string utf8;

    // Replacing invalid input gives text that converts both ways unchanged (U+FFFD counts as
    // invalid, so the way back writes characters as they came).
    Check(parch::Utf8ToUtf16(bytes, wide, false, 3, 0, 1));
    Check(parch::Utf16ToUtf8(wide, utf8, 1, 4, 0, 0));
    std::u16string again;
    Check(parch::Utf8ToUtf16(utf8, again, false, 4, 0, 1));
    Check(again == wide);

    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    for (int form = 0; form <= 5; ++form)
        for (int errors = 0; errors <= 4; ++errors)
            for (int bom = 0; bom <= 2; ++bom) {
                parch::Utf16Recode(units, wide, form, errors, bom, form % 5);
                parch::Utf16ToUtf8(units, utf8, form, errors, bom, 0);
                parch::Utf8ToUtf16(bytes, wide, false, errors, bom, form % 5);
            }

    const std::string text = parch::WideToPDFTextString(units, size % 2 == 1);
    Check(text.size() <= 4 * units.size() + 2);
    parch::WideToUtf8(units);

    parch::GlyphNameToUnicode(bytes);
    parch::TGlyphNames names;
    names.fill(std::string(bytes));
    names[1] = "CID:" + std::string(bytes);
    parch::TGlyphAnsiCodes codes;
    parch::GlyphNamesToWinAnsi(names, codes);
    return 0;
}
