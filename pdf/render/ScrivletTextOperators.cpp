// Text operators: text state, font selection and showing strings through the font
// collection's rasterizers, Type 3 glyph procedures or the text funnel.
//
// Positions along a show are kept in thousandths of text space for every font: the widths
// of simple and composite fonts are given in that unit, and Type 3 widths are brought into
// it through the font matrix. Glyph space of a Type 3 font maps through its font matrix
// first, then through the text state's size and scaling, as PDF orders them.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/NumberText.h"
#include "pdf/core/ScrivletExtra.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/graphics/ScrivletEPSOperations.h"
#include "pdf/render/ScrivletContentRun.h"
#include "pdf/render/ScrivletFontCollection.h"
#include "pdf/render/ScrivletPicasso.h"
#include "pdf/render/ScrivletTextFunnel.h"

namespace parch {

namespace {

constexpr double kTextUnitsPerEm = 1000;

bool TextIsNumberToken(std::string_view token) {
    const char c = token.empty() ? 0 : token[0];
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
}

// "12 0 R" as a reference.
bool TextIsReferenceText(std::string_view text) { return text.size() > 2 && text.substr(text.size() - 2) == " R"; }

}  // namespace

// Name bytes of a name token: "/" dropped and "#xx" escapes decoded.
std::string DecodeNameToken(std::string_view token) {
    if (!token.empty() && token[0] == '/') token.remove_prefix(1);
    std::string name;
    for (std::size_t i = 0; i < token.size(); ++i) {
        if (token[i] == '#' && i + 2 < token.size() && IsHexDigit(token[i + 1]) && IsHexDigit(token[i + 2])) {
            name += static_cast<char>(std::stoi(std::string(token.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            name += token[i];
        }
    }
    return name;
}

struct TPDFContentRun::ShowRun {
    TPDFFontCollectionData* Font = nullptr;
    TPDFType3Rasterizer* Type3 = nullptr;
    TPDFGenericCanvas* Target = nullptr;
    TPDFMatrix TextCTM;  // thousandths of text space to device space
    double X = 0;
    double RiseUnits = 0;
    double EmSize = 0;
    bool Funnel = false;
    std::u16string Pending;
    double RunStart = 0;
    std::vector<double> Advances;
};

bool TPDFContentRun::DispatchText(std::string_view token) {
    switch (token[0]) {
        case 'B':
            if (token == "BT") {
                state_.TextMatrix = state_.TextLineMatrix = TPDFMatrix::Identity();
                textClip_.reset();
                return true;
            }
            break;
        case 'E':
            if (token == "ET") return EndTextObject(), true;
            break;
        case 'T':
            if (token.size() != 2) break;
            switch (token[1]) {
                case 'c': state_.CharSpacing = PopNumber(); return true;
                case 'w': state_.WordSpacing = PopNumber(); return true;
                case 'z': state_.HorizontalScaling = PopNumber(); return true;
                case 'L': state_.Leading = PopNumber(); return true;
                case 's': state_.Rise = PopNumber(); return true;
                case 'r':
                    state_.RenderMode = static_cast<std::int32_t>(std::clamp(std::nearbyint(PopNumber()), -1.0, 8.0));
                    return true;
                case 'f':
                    state_.FontSize = PopNumber();
                    state_.FontName = PopString();
                    SelectStateFont();
                    return true;
                case 'd': {
                    const double ty = PopNumber(), tx = PopNumber();
                    MoveTextLine(tx, ty);
                    return true;
                }
                case 'D': {
                    const double ty = PopNumber(), tx = PopNumber();
                    state_.Leading = -ty;
                    MoveTextLine(tx, ty);
                    return true;
                }
                case 'm': {
                    const double f = PopNumber(), e = PopNumber(), d = PopNumber(), c = PopNumber(), b = PopNumber(),
                                 a = PopNumber();
                    state_.TextMatrix = state_.TextLineMatrix = TPDFMatrix{a, b, c, d, e, f};
                    return true;
                }
                case '*': NextLine(); return true;
                case 'j': showCount_ = 1; ShowText(); return true;
                case 'J':
                    if (showCount_ > 0) ShowText();
                    return true;
                default: break;
            }
            break;
        case '\'':
            NextLine();
            showCount_ = 1;
            ShowText();
            return true;
        case '"':
            if (token == "\"") {
                NextLine();
                std::string text = PopString();
                state_.CharSpacing = PopNumber();
                state_.WordSpacing = PopNumber();
                PushOperand(text);
                showCount_ = 1;
                ShowText();
                return true;
            }
            break;
        case 'd':
            if (token == "d1") return uncolouredGlyph_ = true, true;
            break;
        default: break;
    }
    return false;
}

void TPDFContentRun::MoveTextLine(double tx, double ty) {
    MatrixMultiply(state_.TextLineMatrix, TPDFMatrix{1, 0, 0, 1, tx, ty}, state_.TextLineMatrix);
    state_.TextMatrix = state_.TextLineMatrix;
}

void TPDFContentRun::NextLine() { MoveTextLine(0, -state_.Leading); }

// The glyph outlines of a text object shown in a clipping mode become one clip at its end, in
// the graphics state current there (an EPS file gets them as a path and "W n").
void TPDFContentRun::EndTextObject() {
    std::unique_ptr<TPDFPathRecorder> clip = std::move(textClip_);
    if (!clip || !clip->HasGlyphs) return;
    if (renderer_.UsesEPS()) {
        TPDFEPSOperations& eps = *renderer_.EPSExport;
        eps.NewPath();
        PaintShape(eps, clip->Shape, TPDFMatrix::Identity());
        eps.Clip(false);
        eps.NewPath();
        return;
    }
    TPDFPicasso& canvas = *renderer_.Canvas;
    canvas.NewPath();
    PaintShape(canvas, clip->Shape, TPDFMatrix::Identity());
    canvas.RequestClip(1);
    canvas.EndPath();
}

void TPDFContentRun::SelectStateFont() {
    TPDFFontCollection* fonts = renderer_.FontCollection;
    if (!fonts) return;
    fonts->OnBeforeStreamRead = renderer_.OnBeforeDecode;
    fonts->OnAfterStreamRead = renderer_.OnAfterDecode;
    if (renderer_.OnLookup) fonts->OnFindObject = renderer_.OnLookup;
    if (TextIsReferenceText(state_.FontName) && renderer_.Structure) {
        // Parsed once per text: every Q selects the font again, and parsed objects stay in the
        // document until it closes.
        if (state_.FontName != fontReferenceText_) {
            TPDFObject* parsed = ParseObject(*renderer_.Structure, state_.FontName);
            fontReferenceText_ = state_.FontName;
            fontReference_ = parsed->Kind == kPDFKindIndRef ? static_cast<TPDFIndRef*>(parsed) : nullptr;
        }
        if (fontReference_) fonts->SelectFont(fontReference_);
    }
    TPDFDictionary* fontResources = ResourceCategory("Font");
    if (!fontResources || state_.FontName.empty() || state_.FontName[0] != '/') return;
    TPDFObject* entry = fontResources->GetValue(DecodeNameToken(state_.FontName));
    if (entry && entry->Kind == kPDFKindIndRef)
        fonts->SelectFont(static_cast<TPDFIndRef*>(entry));
    else if (TPDFDictionary* direct = AsDictionary(entry))
        fonts->LoadAndSelectFont(direct);
}

void TPDFContentRun::ShowText() {
    TPDFFontCollection* fonts = renderer_.FontCollection;
    TPDFFontCollectionData* font = fonts ? fonts->CurrentFont : nullptr;
    if (!font || state_.FontSize == 0 || showCount_ <= 0 || static_cast<int>(operands_.size()) < showCount_) return;
    const std::vector<std::string> shown(operands_.end() - showCount_, operands_.end());
    showCount_ = 0;

    ShowRun run;
    run.Font = font;
    run.Type3 = font->Type3();
    run.Funnel = renderer_.Kind == kRenderTextFunnel;
    const bool clipping = state_.RenderMode >= 4 && state_.RenderMode <= 7;
    if (clipping) {
        if (!textClip_) textClip_ = std::make_unique<TPDFPathRecorder>();
        textClip_->Forward = state_.RenderMode == 7 ? nullptr : &PathTarget();
        run.Target = textClip_.get();
    } else {
        run.Target = &PathTarget();
    }
    run.Target->NewPath();
    if (font->Rasterizer) font->Rasterizer->RenderMode = state_.RenderMode;
    if (!renderer_.UsesEPS()) {
        ApplyFillStyle(0);
        ApplyStrokeStyle();
    }

    const TPDFMatrix savedCTM = renderer_.CTM;
    const double size = state_.FontSize;
    const double scaling = state_.HorizontalScaling / 100;
    run.TextCTM = MatrixProduct(TPDFMatrix{size * scaling / kTextUnitsPerEm, 0, 0, size / kTextUnitsPerEm, 0, 0},
                                MatrixProduct(state_.TextMatrix, renderer_.CTM));
    run.RiseUnits = state_.Rise * kTextUnitsPerEm / std::fabs(size);
    run.EmSize = TransformedDistance(run.TextCTM, {0, 0}, {0, kTextUnitsPerEm});
    if (run.Type3) run.Type3->FillColor = state_.FillColor;

    try {
        for (const std::string& operand : shown) {
            if (TextIsNumberToken(operand)) {
                if (run.Funnel && !run.Pending.empty()) {
                    HandOver(run);
                    renderer_.TextFunnel->SetJoinFlag(true);
                }
                run.X -= DecimalStrToFloat(operand);
                run.RunStart = run.X;
            } else if (operand[0] == '(') {
                ShowString(run, DecodeLiteralString(operand));
            } else if (operand[0] == '<') {
                ShowString(run, DecodeHexString(operand));
            }
        }
    } catch (...) {
        renderer_.CTM = savedCTM;
        throw;
    }
    if (run.Funnel && !run.Pending.empty() && !(run.Pending == u" " && renderer_.TextFunnel->WordMode)) HandOver(run);
    const double tx = std::fabs(size) * run.X / kTextUnitsPerEm * scaling;
    MatrixMultiply(state_.TextMatrix, TPDFMatrix{1, 0, 0, 1, tx, 0}, state_.TextMatrix);
    renderer_.CTM = savedCTM;
    PaintText();
}

void TPDFContentRun::ShowString(ShowRun& run, const std::string& bytes) {
    TPDFFontCollection& fonts = *renderer_.FontCollection;
    TPDFFontCollectionData& font = *run.Font;
    const double spacing = state_.CharSpacing * kTextUnitsPerEm / std::fabs(state_.FontSize);
    if (font.Composite) {
        std::vector<std::uint32_t> codes;
        fonts.SplitCodes(bytes, codes);
        std::vector<std::u16string> texts(codes.size());
        for (std::size_t i = 0; i < codes.size(); ++i) fonts.GetUnicode(codes[i], texts[i]);
        if (run.Funnel)
            for (const std::u16string& text : texts)
                if (text.empty() || text[0] < u' ') return;
        for (std::size_t i = 0; i < codes.size(); ++i) {
            const std::uint32_t code = codes[i];
            std::uint32_t glyph = code;
            if (2 * static_cast<std::uint64_t>(code) + 2 <= font.CIDToGIDMap.size())
                glyph = (static_cast<unsigned char>(font.CIDToGIDMap[2 * code]) << 8) |
                        static_cast<unsigned char>(font.CIDToGIDMap[2 * code + 1]);
            double advance = kTextUnitsPerEm;
            std::int32_t width = 0;
            if (font.FindCIDWidth(code, width)) advance = width + spacing;
            ShowCode(run, "GID:" + std::to_string(glyph), advance, texts[i]);
        }
        return;
    }
    const double wordSpacing = state_.WordSpacing * kTextUnitsPerEm / std::fabs(state_.FontSize);
    for (unsigned char code : bytes) {
        double width = font.Widths[code];
        // Type 3 widths are in glyph space.
        if (run.Type3) width = width * run.Type3->FontMatrix.a * kTextUnitsPerEm;
        double advance = width + spacing;
        if (code == 32) advance += wordSpacing;
        std::u16string text;
        if (run.Funnel) fonts.GetUnicode(code, text);
        ShowCode(run, font.GlyphNames[code], advance, text);
    }
}

void TPDFContentRun::ShowCode(ShowRun& run, const std::string& glyphName, double advance,
                              const std::u16string& unicode) {
    if (run.Funnel)
        GatherText(run, unicode, advance);
    else
        DrawGlyph(run, glyphName);
    run.X += advance;
}

void TPDFContentRun::DrawGlyph(ShowRun& run, const std::string& glyphName) {
    if (!visible_ || !run.Font->Rasterizer) return;
    if (run.Type3) {
        DrawType3Glyph(run, glyphName);
        return;
    }
    run.Font->Rasterizer->RenderGlyph(*run.Target, run.TextCTM, run.X, run.RiseUnits, glyphName);
}

// A Type 3 glyph is a content run of its own that starts from this run's state.
void TPDFContentRun::DrawType3Glyph(ShowRun& run, const std::string& glyphName) {
    TPDFType3Rasterizer& type3 = *run.Type3;
    SaveGraphicsState();
    renderer_.SavedResources = resources_;
    const TPDFMatrix remembered = renderer_.CTM;
    const std::int32_t fontNumber = run.Font->ObjectNumber;
    renderer_.CTM = MatrixProduct(
        type3.FontMatrix,
        MatrixProduct(TPDFMatrix{kTextUnitsPerEm, 0, 0, kTextUnitsPerEm, run.X, run.RiseUnits}, run.TextCTM));
    renderer_.InheritedState = state_;
    renderer_.InheritState = true;
    const std::string procedure = type3.GetGlyphProcedure(glyphName);
    try {
        renderer_.RunContent(type3.FontDict, nullptr, &procedure, glyphName);
    } catch (...) {
        renderer_.InheritState = false;
        RestoreGraphicsState(false);
        renderer_.CTM = remembered;
        renderer_.FontCollection->SelectFontNumber(fontNumber);
        throw;
    }
    RestoreGraphicsState(false);
    renderer_.CTM = remembered;
    renderer_.FontCollection->SelectFontNumber(fontNumber);
    // The glyph run may have selected other fonts; this show goes on with its own.
    run.Font = renderer_.FontCollection->CurrentFont ? renderer_.FontCollection->CurrentFont : run.Font;
    run.Type3 = run.Font->Type3() ? run.Font->Type3() : run.Type3;
}

void TPDFContentRun::GatherText(ShowRun& run, const std::u16string& text, double advance) {
    TPDFTextFunnel& funnel = *renderer_.TextFunnel;
    const bool wordMode = funnel.WordMode;
    const bool space = text == u" ";
    if (space && !run.Pending.empty() && wordMode) {
        funnel.SetJoinFlag(false);
        HandOver(run);
        funnel.SetJoinFlag(!wordMode);
        run.RunStart = run.X + advance;
        return;
    }
    if (space && run.Pending.empty() && wordMode) {
        funnel.SetJoinFlag(!wordMode);
        run.RunStart = run.X + advance;
        return;
    }
    if (state_.CharSpacing > 1) {
        if (!run.Pending.empty()) HandOver(run);
        if (run.Font->Composite) funnel.SetJoinFlag(space ? !wordMode : true);
        run.RunStart = run.X;
        run.Pending = text;
        run.Advances.assign(text.size(), 0);
        if (!run.Advances.empty()) run.Advances.back() = advance;
        run.X += advance;  // the hand-over measures up to the end of this character
        HandOver(run);
        run.X -= advance;
        funnel.SetJoinFlag(run.Font->Composite ? !wordMode : true);
        run.RunStart = run.X + advance;
        return;
    }
    if (run.Pending.empty()) run.RunStart = run.X;
    run.Pending += text;
    for (std::size_t i = 0; i < text.size(); ++i) run.Advances.push_back(i + 1 == text.size() ? advance : 0);
}

void TPDFContentRun::HandOver(ShowRun& run) {
    const TPDFFontCollectionData& font = *run.Font;
    renderer_.TextFunnel->AddText(run.TextCTM, run.Pending, FunnelColorText(), font.BaseFont, run.EmSize, run.RunStart,
                                  font.Descent + run.RiseUnits, run.X - run.RunStart, font.Ascent - font.Descent,
                                  run.Advances);
    run.Pending.clear();
    run.Advances.clear();
}

std::string TPDFContentRun::FunnelColorText() const {
    if (renderer_.TextFunnel->CMYKColors && state_.FillSpace == "DeviceCMYK") {
        std::string text;
        for (double value : state_.FillCMYK)
            text += IntToHexA(static_cast<std::int64_t>(std::nearbyint(std::clamp(value, 0.0, 1.0) * 255)), 2);
        return text;
    }
    const auto color = static_cast<std::uint32_t>(state_.FillColor);
    return "#" + IntToHexA(color & 0xFF, 2) + IntToHexA((color >> 8) & 0xFF, 2) + IntToHexA((color >> 16) & 0xFF, 2);
}

void TPDFContentRun::PaintText() {
    const int mode = state_.RenderMode;
    const bool fill = mode == 0 || mode == 2 || mode == 4 || mode == 6;
    const bool stroke = mode == 1 || mode == 2 || mode == 5 || mode == 6;
    if (renderer_.UsesEPS()) {
        TPDFEPSOperations& eps = *renderer_.EPSExport;
        if (fill && stroke) {
            // A fill uses up the path: it fills in a saved state so the stroke still has it.
            eps.SaveState();
            eps.SetColor(state_.FillPSColor);
            eps.Fill(false);
            eps.RestoreState();
        } else if (fill) {
            eps.SetColor(state_.FillPSColor);
            eps.Fill(false);
        }
        if (stroke) {
            eps.SetColor(state_.StrokePSColor);
            eps.Stroke();
        }
        return;
    }
    if (mode == 3 || mode == 7) return;  // invisible; clipping modes clip at the end of the text object
    const bool paintFill = fill && state_.FillSpace != "Pattern";
    const bool paintStroke = stroke && state_.StrokeSpace != "Pattern";
    TPDFPicasso& canvas = *renderer_.Canvas;
    if (!visible_ || (!paintFill && !paintStroke)) {
        canvas.EndPath();
        return;
    }
    if (paintStroke) ApplyStrokeStyle();
    if (paintFill) ApplyFillStyle(1);
    if (paintFill && paintStroke)
        canvas.FillAndStroke();
    else if (paintFill)
        canvas.Fill();
    else
        canvas.Stroke();
}

}  // namespace parch
