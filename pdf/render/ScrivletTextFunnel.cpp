#include "pdf/render/ScrivletTextFunnel.h"

#include <cmath>

#include "base/NumberText.h"

namespace parch {

namespace {

double FunnelDistance(TPDFPoint a, TPDFPoint b) { return std::hypot(a.X - b.X, a.Y - b.Y); }

}  // namespace

std::string FunnelMatrixText(const TPDFMatrix& matrix) {
    return FloatToPDFStr(4, matrix.a) + FloatToPDFStr(4, matrix.b) + FloatToPDFStr(4, matrix.c) +
           FloatToPDFStr(4, matrix.d);
}

void TPDFTextFunnel::Reset() {
    Blocks.clear();
    Images.clear();
}

bool TPDFTextFunnel::Matches(const TPDFTextFunnelBlock& block, const std::string& fontName,
                             const std::string& colorText, const std::string& matrixText) const {
    return (IgnoreFont || block.FontName == fontName) && (IgnoreColor || block.ColorText == colorText) &&
           (IgnoreMatrix || block.MatrixText == matrixText);
}

// First a block that the run continues or overprints, then one on the same line a gap away.
TPDFTextFunnel::Choice TPDFTextFunnel::FindBlock(TPDFPoint start, double emSize, const std::string& fontName,
                                                 const std::string& colorText, const std::string& matrixText) {
    for (TPDFTextFunnelBlock& block : Blocks) {
        if (!Matches(block, fontName, colorText, matrixText)) continue;
        const bool inside = start.X > block.BaseStart.X && start.X < block.BaseEnd.X && start.Y == block.BaseEnd.Y;
        const double distance = inside ? 0 : FunnelDistance(block.BaseEnd, start);
        if (block.EmSize / 3.75 > distance) return {&block, false, false, distance};
    }
    for (TPDFTextFunnelBlock& block : Blocks) {
        if (!Matches(block, fontName, colorText, matrixText)) continue;
        const double distance = FunnelDistance(block.BaseEnd, start);
        if (std::fabs(block.BaseEnd.Y - start.Y) < 2 && distance < block.EmSize)
            return {&block, true, distance < block.EmSize * (SpaceFactor / 0.7) * 0.3, distance};
    }
    return {};
}

void TPDFTextFunnel::AddText(const TPDFMatrix& matrix, const std::u16string& text, const std::string& colorText,
                             const std::string& fontName, double emSize, double startX, double baseline,
                             double width, double height, const std::vector<double>& advances) {
    const TPDFPoint p1 = MatrixTransformPoint(matrix, {startX, baseline});
    if (ClipToWindow &&
        (p1.X < WindowLeft || p1.X > WindowRight || p1.Y > WindowTop || p1.Y < WindowBottom))
        return;
    const std::string matrixText = FunnelMatrixText(matrix);
    const Choice choice = JoinFlag ? FindBlock(p1, emSize, fontName, colorText, matrixText) : Choice{};
    const TPDFPoint p2 = MatrixTransformPoint(matrix, {startX + width, baseline});
    const TPDFPoint p3 = MatrixTransformPoint(matrix, {startX + width, baseline + height});
    const TPDFPoint p4 = MatrixTransformPoint(matrix, {startX, baseline + height});
    std::vector<double> deviceAdvances;
    deviceAdvances.reserve(advances.size());
    for (double advance : advances) deviceAdvances.push_back(advance * matrix.a);

    const bool wideGap = choice.WithGap && !choice.SmallGap;
    if (choice.Block && !(wideGap && WordMode)) {
        TPDFTextFunnelBlock& block = *choice.Block;
        if (wideGap) {
            block.Advances.push_back(choice.Distance);
            block.Text += u' ';
        }
        block.Advances.insert(block.Advances.end(), deviceAdvances.begin(), deviceAdvances.end());
        block.Text += text;
        block.BaseEnd = p2;
        block.TopEnd = p3;
    } else {
        TPDFTextFunnelBlock block;
        block.BaseStart = p1;
        block.BaseEnd = p2;
        block.TopEnd = p3;
        block.TopStart = p4;
        block.Text = text;
        block.Advances = std::move(deviceAdvances);
        block.FontName = fontName;
        block.MatrixText = matrixText;
        block.ColorText = colorText;
        block.EmSize = emSize;
        Blocks.push_back(std::move(block));
    }
    JoinFlag = true;
}

}  // namespace parch
