#pragma once
// The writer of the current page's content: the decoded text of the page's last content stream
// in a buffer, the pending text state, and the default operator texts of a fresh graphics
// state. Also the holder of the current page's annotations and two classes the document only
// owns.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/Streams.h"

namespace parch {

class TPDFArray;
class TPDFFont;
class TPDFIndRef;
class TPDFPageTree;

class TPDFPainter {
public:
    explicit TPDFPainter(TPDFPageTree* pageTree);
    virtual ~TPDFPainter() = default;

    // Restores the defaults, clears font and buffer, then lets the owner take the old text.
    void Reset();
    void ResetGraphicsState();
    void NotifyFlush();
    // The text, followed by one blank unless it already ends in one.
    void LoadText(std::string_view text);
    void AppendText(std::string_view text, char extra);
    // The buffer ending in a line feed.
    std::string GetText() const;
    std::string FormatNumber(double value) const;
    void SetFont(TPDFFont* font, double size);

    TMemoryStream Buffer;
    std::function<void(TPDFPainter&)> OnFlush;
    TPDFFont* Font = nullptr;
    double FontSize = 0;
    double CharSpacing = 0;
    double WordSpacing = 0;
    double HorizontalScaling = 100;
    double TextRise = 0;
    TPDFPageTree* PageTree;
    bool SuppressFlush = false;
    std::string FontOperator;
    std::string FillColor, SecondFillColor, StrokeColor, LineWidth, Dash, HorizontalScalingText,
        RiseText, SpacingText, GreyFill, SecondStrokeColor;
    double Leading = 0;
    // font, size, leading, char spacing, word spacing, scaling, rise, fill, stroke, line width
    bool Changed[10] = {};
    std::int32_t Precision = 4;
};

class TPDFAnnots {
public:
    TPDFAnnots() { Clear(); }
    void SetAnnots(TPDFArray* annots) { AnnotsArray = annots; }
    void Clear();

    TPDFArray* AnnotsArray = nullptr;
    std::int32_t SelectedIndex = -1;
    std::function<std::int32_t(const TPDFIndRef*)> OnPageIndex;
};

// Owned by the document; nothing creates them yet.
class TPDFTable {};
class TPDFShader {};

}  // namespace parch
