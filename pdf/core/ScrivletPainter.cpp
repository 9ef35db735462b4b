#include "pdf/core/ScrivletPainter.h"

#include "base/NumberText.h"
#include "pdf/core/ScrivletFont.h"

namespace parch {

TPDFPainter::TPDFPainter(TPDFPageTree* pageTree) : PageTree(pageTree) { Reset(); }

void TPDFPainter::ResetGraphicsState() {
    CharSpacing = WordSpacing = TextRise = 0;
    HorizontalScaling = 100;
    FillColor = "0 0 0 rg";
    SecondFillColor = "1 1 1 rg";
    StrokeColor = "0 0 0 RG";
    LineWidth = "1 w";
    Dash = "[] 0 d";
    HorizontalScalingText = "100 Tz";
    RiseText = "0 Ts";
    SpacingText = "0 Tw 0 Tc";
    GreyFill = "0.5 0.5 0.5 rg";
    SecondStrokeColor = "0 0 0 RG";
}

void TPDFPainter::Reset() {
    ResetGraphicsState();
    Font = nullptr;
    FontSize = 0;
    Leading = 0;
    FontOperator.clear();
    Buffer.Clear();
    for (bool& flag : Changed) flag = true;
    SuppressFlush = false;
    NotifyFlush();
}

void TPDFPainter::NotifyFlush() {
    if (OnFlush && !SuppressFlush) OnFlush(*this);
}

void TPDFPainter::LoadText(std::string_view text) {
    Buffer.Clear();
    if (text.empty()) return;
    Buffer.WriteString(text);
    if (text.back() != ' ') Buffer.WriteString(" ");
}

void TPDFPainter::AppendText(std::string_view text, char extra) {
    if (!text.empty()) Buffer.WriteString(text);
    if (extra != 0) Buffer.WriteString(std::string_view(&extra, 1));
}

std::string TPDFPainter::GetText() const {
    std::string text = Buffer.Bytes();
    if (text.empty() || text.back() != '\n') text += '\n';
    return text;
}

std::string TPDFPainter::FormatNumber(double value) const {
    std::string text = FloatToPDFStr(Precision, value);
    text.push_back(' ');
    return text;
}

void TPDFPainter::SetFont(TPDFFont* font, double size) {
    if (!(size > 0)) size = 1;
    Font = font;
    FontSize = size;
    Leading = size * 6.25 / 100;
    FontOperator.assign(1, '/');
    if (font) FontOperator += font->ResourceName;
    FontOperator += ' ';
    FontOperator += FormatNumber(size);
    FontOperator += "Tf";
    Changed[0] = Changed[1] = Changed[2] = true;
}

void TPDFAnnots::Clear() {
    AnnotsArray = nullptr;
    SelectedIndex = -1;
}

}  // namespace parch
