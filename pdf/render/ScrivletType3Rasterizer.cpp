// Type 3 fonts: the glyph procedures by name, and a reduced interpreter that draws a procedure's
// path operators directly.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "base/NumberText.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/graphics/ScrivletMatrix.h"
#include "pdf/render/ScrivletFontCollection.h"

namespace parch {

namespace {

bool Type3GlyphIsWhiteSpace(char c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }

bool Type3GlyphEndsToken(char c) {
    return Type3GlyphIsWhiteSpace(c) || c == '(' || c == '/' || c == '<' || c == '[' || c == ']';
}

// Splits content into tokens as the content interpreter does: strings, hex strings and
// dictionary openers, single brackets and quotes, and regular words.
class Type3GlyphTokenizer {
public:
    explicit Type3GlyphTokenizer(std::string_view text) : text_(text) {}

    std::string_view Next() {
        while (pos_ < text_.size() && Type3GlyphIsWhiteSpace(text_[pos_])) ++pos_;
        if (pos_ >= text_.size()) return {};
        const std::size_t start = pos_;
        const char first = text_[pos_];
        if (first == '(')
            SkipLiteralString();
        else if (first == '<')
            SkipPast('>');
        else if (first == '\'' || first == '[' || first == ']')
            ++pos_;
        else
            do ++pos_;
            while (pos_ < text_.size() && !Type3GlyphEndsToken(text_[pos_]));
        return text_.substr(start, pos_ - start);
    }

    // Moves past an inline image: its dictionary up to "ID", then the data up to an "EI"
    // that stands between white space (or the end).
    void SkipInlineImage() {
        for (std::string_view token = Next(); !token.empty() && token != "ID"; token = Next()) {
        }
        const std::size_t dataStart = pos_ + 1;
        for (std::size_t i = dataStart; i + 1 < text_.size(); ++i) {
            const bool framed = Type3GlyphIsWhiteSpace(text_[i - 1]) &&
                                (i + 2 == text_.size() || Type3GlyphIsWhiteSpace(text_[i + 2]));
            if (text_[i] == 'E' && text_[i + 1] == 'I' && framed) {
                pos_ = i + 2;
                return;
            }
        }
        pos_ = text_.size();
    }

private:
    void SkipLiteralString() {
        int depth = 1;
        ++pos_;
        while (pos_ < text_.size() && depth > 0) {
            const char c = text_[pos_];
            if (c == '\\') {
                pos_ += 2;
                continue;
            }
            if (c == '(') ++depth;
            if (c == ')') --depth;
            ++pos_;
        }
        if (pos_ > text_.size()) pos_ = text_.size();
    }

    void SkipPast(char last) {
        while (pos_ < text_.size() && text_[pos_] != last) ++pos_;
        if (pos_ < text_.size()) ++pos_;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

class Type3GlyphOperands {
public:
    void Push(std::string_view token) { operands_.push_back(token); }
    double Pop() {
        if (operands_.empty()) return 0;
        const double value = DecimalStrToFloat(operands_.back());
        operands_.pop_back();
        return value;
    }
    // x and y, the last operand being y, mapped through the matrix.
    TPDFPoint PopPoint(const TPDFMatrix& matrix) {
        TPDFPoint point;
        point.Y = Pop();
        point.X = Pop();
        return MatrixTransformPoint(matrix, point);
    }
    // The six operands of cm, the last operand being f.
    TPDFMatrix PopMatrix() {
        TPDFMatrix matrix;
        for (double* entry : {&matrix.f, &matrix.e, &matrix.d, &matrix.c, &matrix.b, &matrix.a}) *entry = Pop();
        return matrix;
    }

private:
    std::vector<std::string_view> operands_;
};

TPDFObject* Type3GlyphResolve(const TPDFFindObjectEvent& findObject, TPDFObject* object) {
    if (!object || object->Kind != kPDFKindIndRef) return object;
    auto* reference = static_cast<TPDFIndRef*>(object);
    return findObject ? findObject(reference) : reference->Resolve();
}

}  // namespace

void TPDFType3Rasterizer::Load(TPDFDictionary* fontDict) {
    FontDict = fontDict;
    FontMatrix = TPDFMatrix::Identity();
    GlyphNames.Clear();
    GlyphProcs.clear();
    if (!fontDict) return;

    if (TPDFArray* matrix = AsArray(Type3GlyphResolve(OnFindObject, fontDict->GetValue("FontMatrix")));
        matrix && matrix->GetCount() == 6) {
        double* entries[] = {&FontMatrix.a, &FontMatrix.b, &FontMatrix.c, &FontMatrix.d, &FontMatrix.e, &FontMatrix.f};
        for (int i = 0; i < 6; ++i)
            if (const TPDFNumeric* number = AsNumber(matrix->GetItem(i))) *entries[i] = number->GetValue();
    }

    TPDFDictionary* charProcs = AsDictionary(Type3GlyphResolve(OnFindObject, fontDict->GetValue("CharProcs")));
    if (!charProcs) return;
    for (const TPDFPair& pair : charProcs->Pairs) {
        GlyphNames.Add(pair.Key ? pair.Key->NameBytes : std::string());
        std::string procedure;
        if (pair.Value && pair.Value->Kind == kPDFKindIndRef) {
            auto* reference = static_cast<TPDFIndRef*>(pair.Value);
            if (TPDFStream* stream = AsStream(Type3GlyphResolve(OnFindObject, reference))) {
                if (OnBeforeStreamRead) OnBeforeStreamRead(stream, reference);
                procedure = GetDecodedData(*stream);
                if (OnAfterStreamRead) OnAfterStreamRead(stream, reference);
            }
        }
        GlyphProcs.push_back(std::move(procedure));
    }
}

std::string TPDFType3Rasterizer::GetGlyphProcedure(const std::string& glyphName) const {
    const int index = GlyphNames.IndexOf(glyphName);
    if (index < 0 || static_cast<std::size_t>(index) >= GlyphProcs.size()) return {};
    return GlyphProcs[static_cast<std::size_t>(index)];
}

bool TPDFType3Rasterizer::RenderGlyph(TPDFGenericCanvas& canvas, const TPDFMatrix& matrix, double x, double y,
                                      const std::string& glyphName) {
    const int index = GlyphNames.IndexOf(glyphName);
    if (index < 0) return false;
    canvas.NewPath();
    if (static_cast<std::size_t>(index) >= GlyphProcs.size()) return true;

    TPDFMatrix m;
    SetMatrix(m, 1, 0, 0, 1, x, y);
    MatrixMultiply(m, m, matrix);

    Type3GlyphTokenizer tokens(GlyphProcs[static_cast<std::size_t>(index)]);
    Type3GlyphOperands stack;
    for (std::string_view token = tokens.Next(); !token.empty(); token = tokens.Next()) {
        if (token == "m") {
            const TPDFPoint p = stack.PopPoint(m);
            canvas.MoveTo(p.X, p.Y);
        } else if (token == "l") {
            const TPDFPoint p = stack.PopPoint(m);
            canvas.LineTo(p.X, p.Y);
        } else if (token == "c") {
            const TPDFPoint p3 = stack.PopPoint(m);
            const TPDFPoint p2 = stack.PopPoint(m);
            const TPDFPoint p1 = stack.PopPoint(m);
            canvas.CurveTo(p1.X, p1.Y, p2.X, p2.Y, p3.X, p3.Y);
        } else if (token == "h") {
            canvas.ClosePath();
        } else if (token == "f") {
            canvas.Fill();
        } else if (token == "cm") {
            MatrixMultiply(m, stack.PopMatrix(), m);
        } else if (token == "BI") {
            // Images inside glyph procedures are not drawn by this interpreter.
            tokens.SkipInlineImage();
        } else {
            stack.Push(token);
        }
    }
    return true;
}

}  // namespace parch
