// XObjects, inline images, marked and optional content, and annotation appearances.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/graphics/Bitmap.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/graphics/ScrivletEPSOperations.h"
#include "pdf/images/ScrivletImageDecoder.h"
#include "pdf/images/ScrivletInlineImage.h"
#include "pdf/render/ScrivletContentRun.h"
#include "pdf/render/ScrivletImageList.h"
#include "pdf/render/ScrivletPicasso.h"

namespace parch {

namespace {

const TPDFName* XObjectAsName(const TPDFObject* object) {
    return object && object->Kind == kPDFKindName ? static_cast<const TPDFName*>(object) : nullptr;
}

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

std::uint64_t ImageCacheKey(const TPDFIndRef& reference) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(reference.RefGenerationNumber)) << 32) |
           static_cast<std::uint32_t>(reference.RefObjectNumber);
}

// The image as the EPS writer takes it: the decoder's bitmap when it kept one, else the PNG or
// BMP it was kept as; a stencil's two-colour PNG is the unpatched one, which the writer paints in
// the current colour itself.
TPDFEPSImage EPSImageOf(TPDFImageDecoder& decoder) {
    TPDFEPSImage image;
    image.Bitmap = decoder.Bitmap.get();
    if (decoder.EncodedStream) image.Encoded = decoder.EncodedStream->Bytes();
    image.Mask = decoder.MaskBitmap.get();
    image.Stencil = decoder.MaskKind == kMaskStencil;
    return image;
}

}  // namespace

bool TPDFContentRun::DispatchOther(std::string_view token) {
    if (token == "[") return ReadArray(), true;
    if (token == "Do") return Do(), true;
    if (token == "BI") return PaintInlineImage(), true;
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
    else if (subtype->NameBytes == "Image" && renderer_.Kind != kRenderTextFunnel)
        PaintImage(stream, reference);
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

// An image XObject, decoded once per page and reference and drawn from the cache after that.
void TPDFContentRun::PaintImage(TPDFStream* stream, TPDFIndRef* reference) {
    const TPDFPoint corner1 = renderer_.TransformPoint({0, 1});
    const TPDFPoint corner2 = renderer_.TransformPoint({1, 1});
    const TPDFPoint corner3 = renderer_.TransformPoint({1, 0});
    const TPDFPoint corner4 = renderer_.TransformPoint({0, 0});
    TPDFImageDecoder* decoder = nullptr;
    std::unique_ptr<TPDFImageDecoder> uncached;
    if (reference) {
        const std::uint64_t key = ImageCacheKey(*reference);
        for (const TPDFImageCollection& entry : renderer_.ImageCache)
            if (entry.Key == key) decoder = entry.Decoder.get();
    }
    if (!decoder) {
        auto fresh = std::make_unique<TPDFImageDecoder>();
        const double resolution = renderer_.Resolution > 0 ? renderer_.Resolution : 1;
        fresh->DisplayedWidth = std::abs(corner1.X - corner2.X) / resolution;
        fresh->DisplayedHeight = std::abs(corner1.Y - corner4.Y) / resolution;
        fresh->KeepEncoded = renderer_.Kind == kRenderImageList;
        fresh->KeepBitmap = renderer_.UsesEPS();
        fresh->SetColorManager(renderer_.ColorManager.get());
        fresh->OnResolveObject = [this](TPDFIndRef* target) { return renderer_.ResolveReference(target); };
        fresh->OnBeforeStream = renderer_.OnBeforeDecode;
        fresh->OnAfterStream = renderer_.OnAfterDecode;
        fresh->FillColor = state_.FillColor;
        if (reference && renderer_.OnBeforeDecode) renderer_.OnBeforeDecode(stream, reference);
        fresh->LoadFromObject(stream);
        if (reference && renderer_.OnAfterDecode) renderer_.OnAfterDecode(stream, reference);
        decoder = fresh.get();
        if (reference) {
            renderer_.TrimImageCache();
            renderer_.ImageCache.push_back(TPDFImageCollection{ImageCacheKey(*reference), reference, std::move(fresh)});
            renderer_.ImageCacheSize += static_cast<std::uint64_t>(std::max<std::int64_t>(0, decoder->GetDataSize()));
        } else {
            uncached = std::move(fresh);
        }
    }
    DrawDecodedImage(*decoder, reference ? ReferenceImageName(*reference) : std::string(), corner1, corner2,
                     corner3, corner4);
}

std::string TPDFContentRun::ReferenceImageName(const TPDFIndRef& reference) {
    std::string name = reference.ToText();
    std::replace(name.begin(), name.end(), ' ', '.');
    return name;
}

void TPDFContentRun::DrawDecodedImage(TPDFImageDecoder& decoder, const std::string& name, TPDFPoint corner1,
                                      TPDFPoint corner2, TPDFPoint corner3, TPDFPoint corner4) {
    if (renderer_.UsesEPS()) {
        const TPDFEPSImage image = EPSImageOf(decoder);
        // A stencil paints in the fill colour, which no path may have written yet.
        if (image.Stencil && !state_.FillPSColor.empty()) renderer_.EPSExport->SetColor(state_.FillPSColor);
        renderer_.EPSExport->PaintImage(image, name);
        return;
    }
    if (renderer_.Kind == kRenderImageList) {
        if (!renderer_.ImageList) return;
        TPDFImageListItem item;
        item.Kind = decoder.EncodedKind == kEncodedJPEG ? 1 : decoder.EncodedKind == kEncodedTIFF ? 3 : 2;
        item.Data = decoder.GetImageData();
        item.ImageWidth = decoder.Width;
        item.ImageHeight = decoder.Height;
        item.UpperLeft = corner1;
        item.UpperRight = corner2;
        item.LowerLeft = corner4;
        item.LowerRight = corner3;
        AddImageListItem(*renderer_.ImageList, item);
        return;
    }
    if (renderer_.Canvas) decoder.PaintToCanvas(*renderer_.Canvas, renderer_.CTM, state_.FillColor);
}

// BI, its keys and values, ID, the data and EI. The data is skipped whether the image shows or
// not: it is never content. Inline images are drawn once and never cached.
void TPDFContentRun::PaintInlineImage() {
    TPDFInlineImage image;
    std::int32_t position = static_cast<std::int32_t>(tokenizer_.Position());
    const TPDFResolveEvent resolver = [this](TPDFIndRef* target) { return renderer_.ResolveReference(target); };
    const bool found = ParseInlineImage(content_, position, image, resolver, resources_);
    tokenizer_.SetPosition(position);
    if (!found || !visible_ || renderer_.Kind == kRenderTextFunnel) return;
    TPDFImageDecoder decoder;
    decoder.SetColorManager(renderer_.ColorManager.get());
    decoder.OnResolveObject = resolver;
    decoder.FillColor = state_.FillColor;
    decoder.KeepEncoded = renderer_.Kind == kRenderImageList;
    decoder.KeepBitmap = renderer_.UsesEPS();
    decoder.LoadInlineImage(image, renderer_.Structure);
    // Inline images have no identity to share: the empty name has the writer define each afresh.
    DrawDecodedImage(decoder, {}, renderer_.TransformPoint({0, 1}),
                     renderer_.TransformPoint({1, 1}), renderer_.TransformPoint({1, 0}), renderer_.TransformPoint({0, 0}));
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
