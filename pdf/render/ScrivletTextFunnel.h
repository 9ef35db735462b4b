#pragma once
// Collects the positioned text of a page instead of drawing it: runs that continue one another
// on the same line are merged into blocks with their corners, advances, font and colour.

#include <cstdint>
#include <string>
#include <vector>

#include "pdf/graphics/ScrivletMatrix.h"

namespace parch {

struct TPDFTextFunnelBlock {
    // Device space.
    TPDFPoint BaseStart;
    TPDFPoint BaseEnd;
    TPDFPoint TopEnd;
    TPDFPoint TopStart;
    std::u16string Text;
    std::vector<double> Advances;  // device units, one per character
    std::string FontName;
    std::string MatrixText;
    std::string ColorText;
    double EmSize = 0;
};

struct TPDFTextFunnelImage {
    std::string Name;
    std::string ReferenceText;
    TPDFPoint Corners[4];
};

class TPDFTextFunnel {
public:
    void Reset();
    void SetJoinFlag(bool value) { JoinFlag = value; }
    void AddImage(const TPDFTextFunnelImage& image) { Images.push_back(image); }
    // Matrix maps the run's glyph space to device space; StartX, Baseline, Width, Height and
    // the advances are in that glyph space.
    void AddText(const TPDFMatrix& matrix, const std::u16string& text, const std::string& colorText,
                 const std::string& fontName, double emSize, double startX, double baseline, double width,
                 double height, const std::vector<double>& advances);

    std::vector<TPDFTextFunnelBlock> Blocks;
    std::vector<TPDFTextFunnelImage> Images;
    bool WordMode = false;
    bool JoinFlag = true;
    double SpaceFactor = 0.7;
    bool IgnoreFont = false;
    bool IgnoreColor = false;
    bool IgnoreMatrix = false;
    bool ClipToWindow = false;
    double WindowLeft = 0;
    double WindowTop = 0;
    double WindowRight = 0;
    double WindowBottom = 0;
    bool CMYKColors = false;

private:
    struct Choice {
        TPDFTextFunnelBlock* Block = nullptr;
        bool WithGap = false;
        bool SmallGap = false;
        double Distance = 0;
    };
    bool Matches(const TPDFTextFunnelBlock& block, const std::string& fontName, const std::string& colorText,
                 const std::string& matrixText) const;
    Choice FindBlock(TPDFPoint start, double emSize, const std::string& fontName, const std::string& colorText,
                     const std::string& matrixText);
};

// The first four numbers of the matrix with up to four decimals each, one after the other.
std::string FunnelMatrixText(const TPDFMatrix& matrix);

}  // namespace parch
