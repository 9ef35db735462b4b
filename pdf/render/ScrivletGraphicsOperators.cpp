// Graphics state, path construction and painting, clipping and colour operators.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/graphics/ScrivletColor.h"
#include "pdf/graphics/ScrivletEPSOperations.h"
#include "pdf/render/ScrivletContentRun.h"
#include "pdf/render/ScrivletPicasso.h"

namespace parch {

namespace {

// Colour operands out of range (or not numbers) must not spill into other channels.
double GraphicsClampUnit(double value) { return std::isnan(value) ? 0 : std::clamp(value, 0.0, 1.0); }

const TPDFName* GraphicsAsName(const TPDFObject* object) {
    return object && object->Kind == kPDFKindName ? static_cast<const TPDFName*>(object) : nullptr;
}

bool GraphicsHasPrefix(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// The index after a space text's prefix ("Separation3" gives 3), or -1.
int GraphicsSpaceIndex(std::string_view text, std::string_view prefix) {
    if (!GraphicsHasPrefix(text, prefix) || text.size() == prefix.size()) return -1;
    int index = 0;
    for (char c : text.substr(prefix.size())) {
        if (c < '0' || c > '9' || index > 100000000) return -1;
        index = index * 10 + (c - '0');
    }
    return index;
}

constexpr int kGraphicsMaxSpaceDepth = 4;

}  // namespace

// ---- Dispatch

bool TPDFContentRun::DispatchGraphics(std::string_view token) {
    switch (token[0]) {
        case 'q':
            if (token == "q") return SaveGraphicsState(), true;
            break;
        case 'Q':
            if (token == "Q") return RestoreGraphicsState(true), true;
            break;
        case 'c':
            if (token == "cm") return ConcatMatrix(), true;
            if (token == "c") return CurveTo('c'), true;
            if (token == "cs") return state_.FillSpace = ResolveColorSpaceName(PopString()), true;
            break;
        case 'w':
            if (token == "w") return SetLineWidth(), true;
            break;
        case 'J':
        case 'j':
            if (token.size() == 1) {
                const auto value = static_cast<std::int32_t>(std::clamp(std::nearbyint(PopNumber()), -1e6, 1e6));
                if (renderer_.UsesEPS()) {
                    if (token == "J")
                        renderer_.EPSExport->SetLineCap(value);
                    else
                        renderer_.EPSExport->SetLineJoin(value);
                }
                (token == "J" ? state_.LineCap : state_.LineJoin) = value;
                return true;
            }
            break;
        case 'M':
            if (token == "M") {
                state_.MiterLimit = PopNumber();
                if (renderer_.UsesEPS()) renderer_.EPSExport->SetMiterLimit(state_.MiterLimit);
                return true;
            }
            break;
        case 'd':
            if (token == "d") return SetDash(), true;
            break;
        case 'g':
            if (token == "gs") return ApplyExtGState(PopString()), true;
            if (token == "g") return state_.FillSpace = "DeviceGray", SetColorFromOperands(true), true;
            break;
        case 'G':
            if (token == "G") return state_.StrokeSpace = "DeviceGray", SetColorFromOperands(false), true;
            break;
        case 'm':
            if (token == "m") return MoveTo(), true;
            break;
        case 'l':
            if (token == "l") return LineTo(), true;
            break;
        case 'v':
        case 'y':
            if (token.size() == 1) return CurveTo(token[0]), true;
            break;
        case 'h':
            if (token == "h") return ClosePath(), true;
            break;
        case 'r':
            if (token == "re") return Rectangle(), true;
            if (token == "rg") return state_.FillSpace = "DeviceRGB", SetColorFromOperands(true), true;
            break;
        case 'R':
            if (token == "RG") return state_.StrokeSpace = "DeviceRGB", SetColorFromOperands(false), true;
            break;
        case 'k':
            if (token == "k") return state_.FillSpace = "DeviceCMYK", SetColorFromOperands(true), true;
            break;
        case 'K':
            if (token == "K") return state_.StrokeSpace = "DeviceCMYK", SetColorFromOperands(false), true;
            break;
        case 'S':
            if (token == "S") return Paint(false, false, true, false), true;
            if (token == "SC" || token == "SCN") return SetColorFromOperands(false), true;
            break;
        case 's':
            if (token == "s") return Paint(true, false, true, false), true;
            if (token == "sc" || token == "scn") return SetColorFromOperands(true), true;
            if (token == "sh") return PopString(), true;
            break;
        case 'f':
            if (token == "f") return Paint(false, true, false, false), true;
            if (token == "f*") return Paint(false, true, false, true), true;
            break;
        case 'F':
            if (token == "F") return Paint(false, true, false, false), true;
            break;
        case 'B':
            if (token == "B") return Paint(false, true, true, false), true;
            if (token == "B*") return Paint(false, true, true, true), true;
            break;
        case 'b':
            if (token == "b") return Paint(true, true, true, false), true;
            if (token == "b*") return Paint(true, true, true, true), true;
            break;
        case 'n':
            if (token == "n") return EndPathUnpainted(), true;
            break;
        case 'W':
            if (token == "W") return RequestClip(false), true;
            if (token == "W*") return RequestClip(true), true;
            break;
        case 'C':
            if (token == "CS") return state_.StrokeSpace = ResolveColorSpaceName(PopString()), true;
            break;
        default: break;
    }
    return false;
}

// ---- State

TPDFGenericCanvas& TPDFContentRun::PathTarget() {
    if (renderer_.UsesEPS()) return *renderer_.EPSExport;
    return *renderer_.Canvas;
}

void TPDFContentRun::ApplyStrokeStyle() {
    TPDFPicasso& canvas = *renderer_.Canvas;
    canvas.SetStrokeAlpha(state_.StrokeAlpha);
    canvas.SetStrokeColor(state_.StrokeColor);
    canvas.SetLineWidth(TransformedDistance(renderer_.CTM, {0, 0}, {0, state_.LineWidth}));
    TGPDashArray dashes;
    double phase = state_.DashPhase;
    if (!state_.DashArray.empty()) {
        const double unit = state_.LineWidth > 0 ? state_.LineWidth : 1;
        for (double length : state_.DashArray) dashes.push_back(static_cast<float>(length / unit));
        phase /= unit;
    }
    canvas.SetDash(dashes, phase);
    canvas.SetLineJoin(state_.LineJoin);
    canvas.SetLineCap(state_.LineCap);
    canvas.SetMiterLimit(state_.MiterLimit);
}

void TPDFContentRun::ApplyFillStyle(std::uint8_t rule) {
    TPDFPicasso& canvas = *renderer_.Canvas;
    canvas.SetFillAlpha(state_.FillAlpha);
    canvas.SetFillRule(rule);
    canvas.SetFillColor(state_.FillColor);
}

void TPDFContentRun::SaveGraphicsState() {
    // Saves beyond the depth bound are ignored together with the restores that match them.
    if (static_cast<int>(stack_.size()) >= kMaxStateDepth) {
        ++refusedSaves_;
        return;
    }
    if (renderer_.UsesEPS())
        renderer_.EPSExport->SaveState();
    else
        state_.CanvasState = renderer_.Canvas->SaveState();
    stack_.push_back(state_);
}

void TPDFContentRun::RestoreGraphicsState(bool reselectFont) {
    if (refusedSaves_ > 0) {
        --refusedSaves_;
        return;
    }
    if (!stack_.empty()) {
        state_ = std::move(stack_.back());
        stack_.pop_back();
    }
    if (renderer_.UsesEPS())
        renderer_.EPSExport->RestoreState();
    else
        renderer_.Canvas->RestoreState(state_.CanvasState);
    renderer_.CTM = state_.StateCTM;
    if (reselectFont) SelectStateFont();
}

void TPDFContentRun::ConcatMatrix() {
    const double f = PopNumber(), e = PopNumber(), d = PopNumber(), c = PopNumber(), b = PopNumber(),
                 a = PopNumber();
    if (renderer_.UsesEPS()) {
        renderer_.EPSExport->ConcatMatrix(a, b, c, d, e, f);
        return;
    }
    MatrixMultiply(renderer_.CTM, TPDFMatrix{a, b, c, d, e, f}, renderer_.CTM);
    state_.StateCTM = renderer_.CTM;
}

void TPDFContentRun::SetLineWidth() {
    double width = PopNumber();
    if (renderer_.UsesEPS()) renderer_.EPSExport->SetLineWidth(width);
    // A zero width is the thinnest line the device can show: one pixel.
    if (width == 0) width = 72 / renderer_.Resolution;
    state_.LineWidth = width;
}

void TPDFContentRun::SetDash() {
    state_.DashPhase = PopNumber();
    const int count = std::min<int>(showCount_, static_cast<int>(operands_.size()));
    std::vector<double> dashes(static_cast<std::size_t>(count));
    for (int i = count - 1; i >= 0; --i) dashes[static_cast<std::size_t>(i)] = PopNumber();
    showCount_ = 0;
    // An odd count repeats once; no lengths, a negative one or only zeros draw a solid line.
    if (dashes.size() % 2 == 1) dashes.insert(dashes.end(), dashes.begin(), dashes.end());
    const bool usable = std::none_of(dashes.begin(), dashes.end(), [](double v) { return v < 0; }) &&
                        std::any_of(dashes.begin(), dashes.end(), [](double v) { return v > 0; });
    state_.DashArray = usable ? dashes : std::vector<double>{};
}

void TPDFContentRun::ApplyExtGState(const std::string& name) {
    TPDFDictionary* states = ResourceCategory("ExtGState");
    if (!states || name.empty()) return;
    TPDFDictionary* entry = AsDictionary(Resolve(states->GetValue(std::string_view(name).substr(1))));
    if (!entry) return;
    if (const TPDFName* type = GraphicsAsName(Resolve(entry->GetValue("Type"))); type && type->NameBytes != "ExtGState")
        return;
    auto number = [&](std::string_view key, double& target) {
        if (const TPDFNumeric* value = AsNumber(Resolve(entry->GetValue(key)))) target = value->GetValue();
    };
    auto integer = [&](std::string_view key, std::int32_t& target) {
        if (const TPDFNumeric* value = AsNumber(Resolve(entry->GetValue(key))))
            target = static_cast<std::int32_t>(std::clamp<std::int64_t>(value->GetInteger(), -1000000, 1000000));
    };
    number("LW", state_.LineWidth);
    integer("LC", state_.LineCap);
    integer("LJ", state_.LineJoin);
    number("ML", state_.MiterLimit);
    number("CA", state_.StrokeAlpha);
    number("ca", state_.FillAlpha);
    if (TPDFArray* font = AsArray(Resolve(entry->GetValue("Font"))); font && font->GetCount() == 2) {
        TPDFObject* reference = font->GetItem(0);
        const TPDFNumeric* size = AsNumber(Resolve(font->GetItem(1)));
        if (reference && reference->Kind == kPDFKindIndRef && size) {
            state_.FontName = reference->ToText();
            state_.FontSize = size->GetValue();
            SelectStateFont();
        }
    }
}

// ---- Colour spaces

std::string TPDFContentRun::ResolveColorSpaceName(const std::string& operand) {
    if (operand == "/DeviceRGB" || operand == "/DeviceGray" || operand == "/DeviceCMYK" || operand == "/Pattern")
        return operand.substr(1);
    TPDFDictionary* spaces = ResourceCategory("ColorSpace");
    if (!spaces || operand.empty()) return "DeviceRGB";
    TPDFObject* space = Resolve(spaces->GetValue(std::string_view(operand).substr(1)));
    return space ? ColorSpaceFromObject(space, operand, 0) : "DeviceRGB";
}

std::string TPDFContentRun::ColorSpaceFromObject(TPDFObject* space, const std::string& operand, int depth) {
    if (const TPDFName* name = GraphicsAsName(space)) {
        const std::string& n = name->NameBytes;
        if (n == "DeviceRGB" || n == "DeviceGray" || n == "DeviceCMYK" || n == "Pattern") return n;
        if (n == "CalRGB") return "DeviceRGB";
        if (n == "CalGray") return "DeviceGray";
        return "DeviceRGB";
    }
    TPDFArray* array = AsArray(space);
    const TPDFName* family = array ? GraphicsAsName(Resolve(array->GetItem(0))) : nullptr;
    if (!family || depth > kGraphicsMaxSpaceDepth) return "DeviceRGB";
    const std::string& kind = family->NameBytes;
    if (kind == "CalGray") return "DeviceGray";
    if (kind == "CalRGB") return "DeviceRGB";
    if (kind == "DeviceRGB" || kind == "DeviceGray" || kind == "DeviceCMYK" || kind == "Pattern") return kind;
    if (kind == "ICCBased") {
        TPDFStream* profile = AsStream(Resolve(array->GetItem(1)));
        if (!profile || !profile->StreamDict) return "DeviceRGB";
        if (const TPDFName* alternate = GraphicsAsName(Resolve(profile->StreamDict->GetValue("Alternate"))))
            return alternate->NameBytes;
        switch (profile->StreamDict->GetInteger("N", 0)) {
            case 1: return "DeviceGray";
            case 4: return "DeviceCMYK";
            default: return "DeviceRGB";
        }
    }
    if (kind != "Separation" && kind != "DeviceN" && kind != "Lab" && kind != "Indexed") return "DeviceRGB";

    // One colour-space object per array for the whole page, whatever resource name finds it.
    if (auto known = renderer_.ColorSpaceKeys.find(array); known != renderer_.ColorSpaceKeys.end())
        return known->second;
    std::string key;
    auto resolver = [this](TPDFIndRef* reference) { return renderer_.ResolveReference(reference); };
    if (kind == "Separation") {
        auto separation = std::make_unique<TPDFSeparationColorSpace>(renderer_.ColorManager.get());
        separation->OnResolve = resolver;
        separation->LoadFromArray(array, operand);
        key = "Separation" + std::to_string(renderer_.SeparationSpaces.size());
        renderer_.SeparationSpaces.push_back(std::move(separation));
    } else if (kind == "DeviceN") {
        auto deviceN = std::make_unique<TPDFDeviceNColorSpace>(renderer_.ColorManager.get());
        deviceN->OnResolve = resolver;
        deviceN->LoadFromArray(array, operand);
        key = "DeviceN" + std::to_string(renderer_.DeviceNSpaces.size());
        renderer_.DeviceNSpaces.push_back(std::move(deviceN));
    } else if (kind == "Lab") {
        auto lab = std::make_unique<TPDFLabColorSpace>();
        lab->OnResolve = resolver;
        lab->LoadFromArray(array);
        key = "Lab" + std::to_string(renderer_.LabSpaces.size());
        renderer_.LabSpaces.push_back(std::move(lab));
    } else {
        key = IndexedSpaceFrom(array, operand, depth);
    }
    renderer_.ColorSpaceKeys[array] = key;
    return key;
}

// [/Indexed base hival lookup]: the lookup holds (hival + 1) base colours of one byte per
// component.
std::string TPDFContentRun::IndexedSpaceFrom(TPDFArray* array, const std::string& operand, int depth) {
    TPDFObject* baseObject = Resolve(array->GetItem(1));
    const std::string base = baseObject ? ColorSpaceFromObject(baseObject, operand, depth + 1) : "";
    if (base != "DeviceGray" && base != "DeviceRGB" && base != "DeviceCMYK") return "DeviceRGB";
    auto indexed = std::make_unique<TPDFIndexedColorSpace>();
    indexed->BaseSpace = base;
    if (const TPDFNumeric* high = AsNumber(Resolve(array->GetItem(2))))
        indexed->HighValue = static_cast<std::int32_t>(std::clamp<std::int64_t>(high->GetInteger(), 0, 255));
    TPDFObject* lookup = array->GetItem(3);
    auto* lookupRef = lookup && lookup->Kind == kPDFKindIndRef ? static_cast<TPDFIndRef*>(lookup) : nullptr;
    lookup = Resolve(lookup);
    if (lookup && lookup->Kind == kPDFKindString)
        indexed->Lookup = static_cast<TPDFString*>(lookup)->GetValue();
    else if (AsStream(lookup))
        indexed->Lookup = DecodeStream(lookup, lookupRef);
    const std::string key = "Indexed" + std::to_string(renderer_.IndexedSpaces.size());
    renderer_.IndexedSpaces.push_back(std::move(indexed));
    return key;
}

void TPDFContentRun::SetColorFromOperands(bool fill) {
    if (uncolouredGlyph_) return;
    const std::string& space = fill ? state_.FillSpace : state_.StrokeSpace;
    TColor color = fill ? state_.FillColor : state_.StrokeColor;
    std::string postScript = fill ? state_.FillPSColor : state_.StrokePSColor;
    TPDFSimpleColorManager& manager = *renderer_.ColorManager;

    auto fromRGB = [&](double r, double g, double b) {
        color = manager.RGBToColor({r, g, b});
        postScript = FormatPSNumber(r) + FormatPSNumber(g) + FormatPSNumber(b) + "setrgbcolor";
    };
    auto fromCMYK = [&](double c, double m, double y, double k) {
        TPDFRGBValue rgb;
        manager.CMYKToRGB({c, m, y, k}, rgb);
        color = manager.RGBToColor(rgb);
        postScript = FormatPSNumber(c) + FormatPSNumber(m) + FormatPSNumber(y) + FormatPSNumber(k) + "setcmykcolor";
        if (fill) {
            state_.FillCMYK[0] = c;
            state_.FillCMYK[1] = m;
            state_.FillCMYK[2] = y;
            state_.FillCMYK[3] = k;
        }
    };
    auto fromGray = [&](double g) {
        g = GraphicsClampUnit(g);
        color = static_cast<TColor>(std::nearbyint(g * 255)) * 65793;
        postScript = FormatPSNumber(g) + "setgray";
    };

    if (space == "DeviceRGB") {
        const double b = PopNumber(), g = PopNumber(), r = PopNumber();
        fromRGB(r, g, b);
    } else if (space == "DeviceCMYK") {
        const double k = PopNumber(), y = PopNumber(), m = PopNumber(), c = PopNumber();
        fromCMYK(c, m, y, k);
    } else if (space == "DeviceGray") {
        fromGray(PopNumber());
    } else if (space == "Pattern") {
        PopString();  // the pattern's name; patterns are not painted
        return;
    } else if (int index = GraphicsSpaceIndex(space, "Separation");
               index >= 0 && index < static_cast<int>(renderer_.SeparationSpaces.size())) {
        TPDFSeparationColorSpace& separation = *renderer_.SeparationSpaces[static_cast<std::size_t>(index)];
        separation.SetTint(PopNumber());
        color = separation.Color;
        postScript = separation.PostScript;
    } else if (int index = GraphicsSpaceIndex(space, "DeviceN");
               index >= 0 && index < static_cast<int>(renderer_.DeviceNSpaces.size())) {
        TPDFDeviceNColorSpace& deviceN = *renderer_.DeviceNSpaces[static_cast<std::size_t>(index)];
        const int count = std::clamp<int>(deviceN.ColorantCount, 0, 32);
        TPDFDeviceNColor components(static_cast<std::size_t>(count));
        for (int i = count - 1; i >= 0; --i) components[static_cast<std::size_t>(i)] = PopNumber();
        deviceN.SetColor(components);
        color = deviceN.Color;
        postScript = deviceN.PostScript;
    } else if (int index = GraphicsSpaceIndex(space, "Lab");
               index >= 0 && index < static_cast<int>(renderer_.LabSpaces.size())) {
        const double b = PopNumber(), a = PopNumber(), L = PopNumber();
        color = renderer_.LabSpaces[static_cast<std::size_t>(index)]->ToColor(L, a, b, manager);
    } else if (int index = GraphicsSpaceIndex(space, "Indexed");
               index >= 0 && index < static_cast<int>(renderer_.IndexedSpaces.size())) {
        const TPDFIndexedColorSpace& indexed = *renderer_.IndexedSpaces[static_cast<std::size_t>(index)];
        const int entry = static_cast<int>(std::clamp(std::nearbyint(PopNumber()), 0.0, double(indexed.HighValue)));
        const std::size_t components = indexed.BaseSpace == "DeviceGray" ? 1 : indexed.BaseSpace == "DeviceRGB" ? 3 : 4;
        double values[4] = {0, 0, 0, 0};
        for (std::size_t i = 0; i < components; ++i) {
            const std::size_t at = static_cast<std::size_t>(entry) * components + i;
            values[i] = at < indexed.Lookup.size() ? static_cast<unsigned char>(indexed.Lookup[at]) / 255.0 : 0;
        }
        if (components == 1)
            fromGray(values[0]);
        else if (components == 3)
            fromRGB(values[0], values[1], values[2]);
        else
            fromCMYK(values[0], values[1], values[2], values[3]);
    } else {
        return;
    }
    (fill ? state_.FillColor : state_.StrokeColor) = color;
    (fill ? state_.FillPSColor : state_.StrokePSColor) = postScript;
}

// ---- Paths

void TPDFContentRun::MoveTo() {
    const double y = PopNumber(), x = PopNumber();
    TPDFGenericCanvas& target = PathTarget();
    if (!pathOpen_) {
        pathOpen_ = true;
        target.NewPath();
    }
    const TPDFPoint p = renderer_.TransformPoint({x, y});
    target.MoveTo(p.X, p.Y);
    state_.CurrentX = p.X;
    state_.CurrentY = p.Y;
}

void TPDFContentRun::LineTo() {
    const double y = PopNumber(), x = PopNumber();
    const TPDFPoint p = renderer_.TransformPoint({x, y});
    PathTarget().LineTo(p.X, p.Y);
    state_.CurrentX = p.X;
    state_.CurrentY = p.Y;
}

void TPDFContentRun::CurveTo(char form) {
    TPDFGenericCanvas& target = PathTarget();
    const double y3 = PopNumber(), x3 = PopNumber(), yb = PopNumber(), xb = PopNumber();
    const TPDFPoint p3 = renderer_.TransformPoint({x3, y3});
    const TPDFPoint pb = renderer_.TransformPoint({xb, yb});
    if (form == 'c') {
        const double y1 = PopNumber(), x1 = PopNumber();
        const TPDFPoint p1 = renderer_.TransformPoint({x1, y1});
        target.CurveTo(p1.X, p1.Y, pb.X, pb.Y, p3.X, p3.Y);
    } else if (form == 'v') {
        if (renderer_.UsesEPS())
            renderer_.EPSExport->CurveToV(pb.X, pb.Y, p3.X, p3.Y);
        else
            target.CurveTo(state_.CurrentX, state_.CurrentY, pb.X, pb.Y, p3.X, p3.Y);
    } else {
        if (renderer_.UsesEPS())
            renderer_.EPSExport->CurveToY(pb.X, pb.Y, p3.X, p3.Y);
        else
            target.CurveTo(pb.X, pb.Y, p3.X, p3.Y, p3.X, p3.Y);
    }
    state_.CurrentX = p3.X;
    state_.CurrentY = p3.Y;
}

void TPDFContentRun::ClosePath() { PathTarget().ClosePath(); }

void TPDFContentRun::Rectangle() {
    const double h = PopNumber(), w = PopNumber(), y = PopNumber(), x = PopNumber();
    TPDFGenericCanvas& target = PathTarget();
    if (!pathOpen_) {
        pathOpen_ = true;
        target.NewPath();
    }
    const TPDFPoint corners[4] = {renderer_.TransformPoint({x, y}), renderer_.TransformPoint({x + w, y}),
                                  renderer_.TransformPoint({x + w, y + h}), renderer_.TransformPoint({x, y + h})};
    target.MoveTo(corners[0].X, corners[0].Y);
    for (int i = 1; i < 4; ++i) target.LineTo(corners[i].X, corners[i].Y);
    target.ClosePath();
    state_.CurrentX = corners[0].X;
    state_.CurrentY = corners[0].Y;
}

// Fills and strokes whose colour space is a pattern are not painted: shadings and patterns
// are not drawn, and their operands are no colour.
void TPDFContentRun::Paint(bool closeFirst, bool fill, bool stroke, bool evenOdd) {
    pathOpen_ = false;
    const bool paintFill = fill && state_.FillSpace != "Pattern";
    const bool paintStroke = stroke && state_.StrokeSpace != "Pattern";
    if (renderer_.UsesEPS()) {
        TPDFEPSOperations& eps = *renderer_.EPSExport;
        if (closeFirst && fill) eps.ClosePath();
        // A fill uses up the path: before a stroke it fills in a saved state, which keeps it.
        const bool strokeFollows = visible_ && paintFill && paintStroke;
        if (fill) {
            if (strokeFollows) eps.SaveState();
            eps.SetColor(state_.FillPSColor);
            if (visible_ && paintFill) eps.Fill(evenOdd);
            if (strokeFollows) eps.RestoreState();
        }
        if (stroke) {
            eps.SetColor(state_.StrokePSColor);
            if (closeFirst && !fill) eps.ClosePath();
            if (visible_ && paintStroke) eps.Stroke();
        }
        return;
    }
    TPDFPicasso& canvas = *renderer_.Canvas;
    if (!visible_ || (!paintFill && !paintStroke)) {
        canvas.EndPath();
        return;
    }
    if (paintStroke) ApplyStrokeStyle();
    if (paintFill) ApplyFillStyle(evenOdd ? 2 : 1);
    if (closeFirst) canvas.ClosePath();
    if (paintFill && paintStroke)
        canvas.FillAndStroke();
    else if (paintFill)
        canvas.Fill();
    else
        canvas.Stroke();
}

void TPDFContentRun::EndPathUnpainted() {
    pathOpen_ = false;
    renderer_.Canvas->EndPath();
}

void TPDFContentRun::RequestClip(bool evenOdd) {
    if (renderer_.UsesEPS())
        renderer_.EPSExport->Clip(evenOdd);
    else
        renderer_.Canvas->RequestClip(evenOdd ? 2 : 1);
}

}  // namespace parch
