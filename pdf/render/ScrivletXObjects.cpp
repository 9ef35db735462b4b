// XObjects, inline images, marked and optional content, and annotation appearances.
//
// Images are drawn as light-grey quads over their place on the page until an image decoder
// is part of the library; inline image data is skipped.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/core/ScrivletStructure.h"
#include "pdf/graphics/ScrivletEPSOperations.h"
#include "pdf/render/ScrivletContentRun.h"
#include "pdf/render/ScrivletPicasso.h"

namespace parch {

namespace {

constexpr TColor kImagePlaceholderColor = 0xD3D3D3;

const TPDFName* XObjectAsName(const TPDFObject* object) {
    return object && object->Kind == kPDFKindName ? static_cast<const TPDFName*>(object) : nullptr;
}

bool XObjectIsWhiteSpace(char c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }

// The numbers of an array of exactly `count` numbers (at least `count` when not exact).
bool XObjectNumbers(TPDFRenderer& renderer, TPDFObject* object, std::size_t count, bool exact, double* values) {
    TPDFArray* array = AsArray(renderer.ResolveReference(object));
    if (!array) return false;
    const auto items = static_cast<std::size_t>(array->GetCount());
    if (exact ? items != count : items < count) return false;
    for (std::size_t i = 0; i < count; ++i) {
        const TPDFNumeric* number = AsNumber(renderer.ResolveReference(array->GetItem(static_cast<int>(i))));
        if (!number || !std::isfinite(number->GetValue())) return false;
        values[i] = number->GetValue();
    }
    return true;
}

TPDFIndRef* XObjectAsReference(TPDFObject* object) {
    return object && object->Kind == kPDFKindIndRef ? static_cast<TPDFIndRef*>(object) : nullptr;
}

}  // namespace

bool TPDFContentRun::DispatchOther(std::string_view token) {
    if (token == "[") return ReadArray(), true;
    if (token == "Do") return Do(), true;
    if (token == "BI") return SkipInlineImage(), true;
    if (token == "BMC") {
        BeginMarkedContent(PopString(), {});
        return true;
    }
    if (token == "BDC") {
        std::string properties = PopString();
        BeginMarkedContent(PopString(), properties);
        return true;
    }
    if (token == "EMC") return EndMarkedContent(), true;
    return false;
}

void TPDFContentRun::Do() {
    if (renderer_.UsesEPS()) renderer_.EPSExport->SaveState();
    SaveGraphicsState();
    PaintXObject(PopString());
    RestoreGraphicsState(true);
    if (renderer_.UsesEPS()) renderer_.EPSExport->RestoreState();
}

void TPDFContentRun::PaintXObject(std::string name) {
    if (!visible_ || name.empty() || name[0] != '/') return;
    TPDFDictionary* xobjects = ResourceCategory("XObject");
    if (!xobjects) return;
    TPDFObject* entry = xobjects->GetValue(DecodeNameToken(name));
    TPDFIndRef* reference = XObjectAsReference(entry);
    TPDFStream* stream = AsStream(Resolve(entry));
    if (!stream || !stream->StreamDict) return;
    const TPDFName* subtype = XObjectAsName(Resolve(stream->StreamDict->GetValue("Subtype")));
    if (!subtype) return;
    if (subtype->NameBytes == "Form")
        PaintForm(stream, reference);
    else if (subtype->NameBytes == "Image" && renderer_.Kind != kRenderTextFunnel && renderer_.Kind != kRenderImageList)
        PaintImagePlaceholder();
}

void TPDFContentRun::PaintForm(TPDFStream* form, TPDFIndRef* reference) {
    double box[4];
    const bool hasBox = XObjectNumbers(renderer_, form->StreamDict->GetValue("BBox"), 4, false, box);
    double m[6];
    if (XObjectNumbers(renderer_, form->StreamDict->GetValue("Matrix"), 6, true, m)) {
        if (renderer_.UsesEPS())
            renderer_.EPSExport->ConcatMatrix(m[0], m[1], m[2], m[3], m[4], m[5]);
        else
            MatrixMultiply(renderer_.CTM, TPDFMatrix{m[0], m[1], m[2], m[3], m[4], m[5]}, renderer_.CTM);
    }
    renderer_.SavedResources = resources_;
    SaveGraphicsState();
    renderer_.InheritedState = state_;
    renderer_.InheritState = true;
    if (hasBox) ClipToRectangle(box[0], box[1], box[2], box[3]);
    renderer_.RunContent(form, reference, nullptr);
    renderer_.InheritState = false;
    RestoreGraphicsState(true);
}

void TPDFContentRun::ClipToRectangle(double x1, double y1, double x2, double y2) {
    TPDFGenericCanvas& target = PathTarget();
    if (!pathOpen_) target.NewPath();
    const TPDFPoint corners[4] = {renderer_.TransformPoint({x1, y1}), renderer_.TransformPoint({x1, y2}),
                                  renderer_.TransformPoint({x2, y2}), renderer_.TransformPoint({x2, y1})};
    target.MoveTo(corners[0].X, corners[0].Y);
    for (int i = 1; i < 4; ++i) target.LineTo(corners[i].X, corners[i].Y);
    target.ClosePath();
    if (renderer_.UsesEPS()) {
        renderer_.EPSExport->Clip(false);
    } else {
        renderer_.Canvas->RequestClip(2);
        renderer_.Canvas->EndPath();
    }
    pathOpen_ = false;
}

// The unit square of image space, where the image would be.
void TPDFContentRun::PaintImagePlaceholder() {
    TPDFGenericCanvas& target = PathTarget();
    const TPDFPoint corners[4] = {renderer_.TransformPoint({0, 0}), renderer_.TransformPoint({1, 0}),
                                  renderer_.TransformPoint({1, 1}), renderer_.TransformPoint({0, 1})};
    target.NewPath();
    target.MoveTo(corners[0].X, corners[0].Y);
    for (int i = 1; i < 4; ++i) target.LineTo(corners[i].X, corners[i].Y);
    target.ClosePath();
    if (renderer_.UsesEPS()) {
        renderer_.EPSExport->SetColor("0.827 setgray");
        renderer_.EPSExport->Fill(false);
        return;
    }
    TPDFPicasso& canvas = *renderer_.Canvas;
    canvas.SetFillAlpha(1);
    canvas.SetFillRule(1);
    canvas.SetFillColor(kImagePlaceholderColor);
    canvas.Fill();
}

// BI, its keys and values, ID, one white-space byte, the data, and EI between white space (or
// at the end). The data is skipped whether the image shows or not: it is never content.
void TPDFContentRun::SkipInlineImage() {
    for (std::string_view token = tokenizer_.NextToken(); !token.empty() && token != "ID";
         token = tokenizer_.NextToken()) {
    }
    const std::size_t start = static_cast<std::size_t>(tokenizer_.Position() - 1);
    std::size_t end = content_.size();
    for (std::size_t i = start; i + 2 < content_.size(); ++i) {
        if (XObjectIsWhiteSpace(content_[i]) && content_[i + 1] == 'E' && content_[i + 2] == 'I' &&
            (i + 3 == content_.size() || XObjectIsWhiteSpace(content_[i + 3]))) {
            end = i + 3;
            break;
        }
    }
    tokenizer_.SetPosition(static_cast<std::int64_t>(end) + 1);
    if (visible_ && renderer_.Kind != kRenderTextFunnel && renderer_.Kind != kRenderImageList)
        PaintImagePlaceholder();
}

// Content shows only while every enclosing optional-content group is on.
void TPDFContentRun::BeginMarkedContent(const std::string& tag, const std::string& properties) {
    marked_.push_back(visible_);
    if (tag != "/OC" || properties.empty()) return;
    TPDFDictionary* groups = ResourceCategory("Properties");
    TPDFDictionary* group = groups ? AsDictionary(Resolve(groups->GetValue(DecodeNameToken(properties)))) : nullptr;
    TPDFDictionary* usage = group ? AsDictionary(Resolve(group->GetValue("Usage"))) : nullptr;
    const bool printing = renderer_.Kind == kRenderPrinter;
    TPDFDictionary* use = usage ? AsDictionary(Resolve(usage->GetValue(printing ? "Print" : "View"))) : nullptr;
    const TPDFName* value = use ? XObjectAsName(Resolve(use->GetValue(printing ? "PrintState" : "ViewState"))) : nullptr;
    if (value) visible_ = visible_ && value->NameBytes != "OFF";
}

void TPDFContentRun::EndMarkedContent() {
    if (marked_.empty()) {
        visible_ = true;
        return;
    }
    visible_ = marked_.back();
    marked_.pop_back();
}

void TPDFContentRun::DrawAnnotations() {
    auto* page = AsDictionary(object_);
    TPDFArray* annotations = AsArray(Resolve(page->GetValue("Annots")));
    if (!annotations) return;
    for (int i = 0; i < annotations->GetCount(); ++i) {
        TPDFObject* item = annotations->GetItem(i);
        if (!XObjectAsReference(item)) continue;
        TPDFDictionary* annotation = AsDictionary(Resolve(item));
        if (!annotation) continue;
        const TPDFNumeric* flagsNumber = AsNumber(Resolve(annotation->GetValue("F")));
        const std::int64_t flags = flagsNumber ? flagsNumber->GetInteger() : 0;
        renderer_.CTM = renderer_.DeviceMatrix;
        const bool shown = renderer_.Kind == kRenderPrinter ? (flags & 2) == 0 && (flags & 4) != 0
                                                            : (flags & 2) == 0 && (flags & 0x20) == 0;
        if (shown) DrawAnnotationAppearance(annotation);
    }
}

// The appearance's bounding box, carried through its /Matrix, lands exactly on the
// annotation's rectangle.
void TPDFContentRun::DrawAnnotationAppearance(TPDFDictionary* annotation) {
    double rect[4];
    if (!XObjectNumbers(renderer_, annotation->GetValue("Rect"), 4, true, rect)) return;
    const double x1 = std::min(rect[0], rect[2]), x2 = std::max(rect[0], rect[2]);
    const double y1 = std::min(rect[1], rect[3]), y2 = std::max(rect[1], rect[3]);
    TPDFDictionary* appearances = AsDictionary(Resolve(annotation->GetValue("AP")));
    if (!appearances) return;
    TPDFObject* normal = appearances->GetValue("N");
    TPDFIndRef* reference = nullptr;
    if (TPDFDictionary* states = AsDictionary(Resolve(normal))) {
        const TPDFName* state = XObjectAsName(Resolve(annotation->GetValue("AS")));
        if (!state) return;
        reference = XObjectAsReference(states->GetValue(state->NameBytes));
    } else {
        reference = XObjectAsReference(normal);
    }
    TPDFStream* appearance = reference ? AsStream(Resolve(reference)) : nullptr;
    if (!appearance || !appearance->StreamDict) return;
    double box[4];
    if (!XObjectNumbers(renderer_, appearance->StreamDict->GetValue("BBox"), 4, true, box)) return;
    TPDFMatrix matrix;
    if (double m[6]; XObjectNumbers(renderer_, appearance->StreamDict->GetValue("Matrix"), 6, true, m))
        matrix = TPDFMatrix{m[0], m[1], m[2], m[3], m[4], m[5]};

    // The box through the matrix, as an upright rectangle.
    const TPDFPoint corners[4] = {MatrixTransformPoint(matrix, {box[0], box[1]}),
                                  MatrixTransformPoint(matrix, {box[2], box[1]}),
                                  MatrixTransformPoint(matrix, {box[2], box[3]}),
                                  MatrixTransformPoint(matrix, {box[0], box[3]})};
    double bx1 = corners[0].X, bx2 = corners[0].X, by1 = corners[0].Y, by2 = corners[0].Y;
    for (const TPDFPoint& corner : corners) {
        bx1 = std::min(bx1, corner.X);
        bx2 = std::max(bx2, corner.X);
        by1 = std::min(by1, corner.Y);
        by2 = std::max(by2, corner.Y);
    }
    const double sx = bx2 - bx1 != 0 ? (x2 - x1) / (bx2 - bx1) : 1;
    const double sy = by2 - by1 != 0 ? (y2 - y1) / (by2 - by1) : 1;

    SaveGraphicsState();
    ClipToRectangle(x1, y1, x2, y2);
    const TPDFMatrix remembered = renderer_.CTM;
    const TPDFMatrix toRect{sx, 0, 0, sy, x1 - bx1 * sx, y1 - by1 * sy};
    renderer_.CTM = MatrixProduct(matrix, MatrixProduct(toRect, renderer_.CTM));
    renderer_.SavedResources = resources_;
    renderer_.InheritState = false;
    try {
        renderer_.RunContent(appearance, reference, nullptr);
    } catch (...) {
        renderer_.CTM = remembered;
        RestoreGraphicsState(true);
        throw;
    }
    renderer_.CTM = remembered;
    RestoreGraphicsState(true);
}

}  // namespace parch
