#pragma once
// One run of the content interpreter: the content text of a page, form, appearance or Type 3
// glyph, its tokenizer, operand stack, graphics state and stacks, and the operators acting on
// them, the renderer's CTM and the canvas. Nested runs are runs of their own.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/render/ScrivletContentTokenizer.h"
#include "pdf/render/ScrivletRenderer.h"

namespace parch {

class TPDFArray;
class TPDFDictionary;
class TPDFImageDecoder;
class TPDFIndRef;
class TPDFObject;

// Name bytes of a name token: the leading "/" dropped and "#xx" escapes decoded.
std::string DecodeNameToken(std::string_view token);

// Records path operations (device space) while passing them on to another canvas, if any:
// the glyph outlines of a text object that clips once at its end.
class TPDFPathRecorder : public TPDFGenericCanvas {
public:
    void NewPath() override;
    void MoveTo(double x, double y) override;
    void LineTo(double x, double y) override;
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override;
    void QuadCurveTo(double x1, double y1, double x2, double y2) override;
    void ClosePath() override;
    void Stroke() override;
    void Fill() override;
    void FillAndStroke() override;
    void DrawImage(const TPDFStreamableGraphic& graphic, double x1, double y1, double x2, double y2, double x3,
                   double y3) override;

    TPDFGenericCanvas* Forward = nullptr;
    TPDFGenericShape Shape;
    bool HasGlyphs = false;
};

class TPDFContentRun {
public:
    TPDFContentRun(TPDFRenderer& renderer, TPDFObject* object, TPDFIndRef* reference, const std::string* glyphText);
    ~TPDFContentRun();
    TPDFContentRun(const TPDFContentRun&) = delete;
    TPDFContentRun& operator=(const TPDFContentRun&) = delete;

    // Set-up failures raise; failures while interpreting end the run and are kept in the
    // renderer's ErrorText (the first one of the page). False when this run failed.
    bool Execute();

private:
    // Set-up and the main loop.
    TPDFDictionary* FindResources();
    std::string JoinContent();
    std::string DecodeStream(TPDFObject* item, TPDFIndRef* reference);
    void Interpret();
    bool Dispatch(std::string_view token);
    bool DispatchGraphics(std::string_view token);
    bool DispatchText(std::string_view token);
    bool DispatchOther(std::string_view token);
    void ReadArray();
    void RecordFailure(const std::string& message);

    // Operands.
    void PushOperand(std::string_view token);
    double PopNumber();
    std::string PopString();
    TPDFObject* Resolve(TPDFObject* object) { return renderer_.ResolveReference(object); }
    TPDFDictionary* ResourceCategory(std::string_view category);

    // Graphics state, paths, colours.
    TPDFGenericCanvas& PathTarget();
    void ApplyStrokeStyle();
    void ApplyFillStyle(std::uint8_t rule);
    void SaveGraphicsState();
    void RestoreGraphicsState(bool reselectFont);
    void ApplyExtGState(const std::string& name);
    std::string ResolveColorSpaceName(const std::string& operand);
    std::string ColorSpaceFromObject(TPDFObject* space, const std::string& operand, int depth);
    std::string IndexedSpaceFrom(TPDFArray* array, const std::string& operand, int depth);
    void SetColorFromOperands(bool fill);
    void SetLineWidth();
    void SetDash();
    void ConcatMatrix();
    void MoveTo();
    void LineTo();
    void CurveTo(char form);
    void Rectangle();
    void ClosePath();
    void Paint(bool closeFirst, bool fill, bool stroke, bool evenOdd);
    void EndPathUnpainted();
    void RequestClip(bool evenOdd);

    // Text.
    void SelectStateFont();
    void ShowText();
    void MoveTextLine(double tx, double ty);
    void NextLine();
    void EndTextObject();
    struct ShowRun;
    void ShowString(ShowRun& run, const std::string& bytes);
    void ShowCode(ShowRun& run, const std::string& glyphName, double advance, const std::u16string& unicode);
    void DrawGlyph(ShowRun& run, const std::string& glyphName);
    void DrawType3Glyph(ShowRun& run, const std::string& glyphName);
    void GatherText(ShowRun& run, const std::u16string& text, double advance);
    void HandOver(ShowRun& run);
    void PaintText();
    std::string FunnelColorText() const;

    // XObjects, images, marked content, annotations.
    void Do();
    void PaintXObject(std::string name);
    void PaintForm(TPDFStream* form, TPDFIndRef* reference);
    void PaintImage(TPDFStream* stream, TPDFIndRef* reference);
    void PaintInlineImage();
    static std::string ReferenceImageName(const TPDFIndRef& reference);
    void DrawDecodedImage(TPDFImageDecoder& decoder, const std::string& name, TPDFPoint corner1, TPDFPoint corner2,
                          TPDFPoint corner3, TPDFPoint corner4);
    void ClipToRectangle(double x1, double y1, double x2, double y2);
    void BeginMarkedContent(const std::string& tag, const std::string& properties);
    void EndMarkedContent();
    void DrawAnnotations();
    void DrawAnnotationAppearance(TPDFDictionary* annotation);

    TPDFRenderer& renderer_;
    TPDFObject* object_;
    TPDFIndRef* reference_;
    const std::string* glyphText_;
    std::string content_;
    TPDFContentTokenizer tokenizer_{std::string_view()};
    std::deque<std::string> operands_;
    TPDFGraphicsState state_;
    std::vector<TPDFGraphicsState> stack_;
    int refusedSaves_ = 0;
    TPDFDictionary* resources_ = nullptr;
    std::vector<bool> marked_;  // Visible before each open BMC/BDC
    bool visible_ = true;
    bool pathOpen_ = false;
    bool uncolouredGlyph_ = false;
    int showCount_ = 0;
    std::unique_ptr<TPDFPathRecorder> textClip_;
    std::string fontReferenceText_;  // the last ExtGState font reference parsed
    TPDFIndRef* fontReference_ = nullptr;
    bool failed_ = false;
};

}  // namespace parch
