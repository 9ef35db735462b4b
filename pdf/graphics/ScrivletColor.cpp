#include "pdf/graphics/ScrivletColor.h"

#include <algorithm>
#include <cmath>

#include "base/Exceptions.h"
#include "base/NumberText.h"
#include "pdf/core/ScrivletStructure.h"

namespace parch {

namespace {

double ClampUnit(double value) {
    if (!(value >= 0)) return 0;  // below 0 or not a number
    if (value > 1) return 1;
    return value;
}

// Round half to even of a channel 0..1 times 255.
std::int32_t Channel(double value) { return static_cast<std::int32_t>(std::nearbyint(ClampUnit(value) * 255)); }

// A reference resolved through the callback when one is assigned, else through the structure.
TPDFObject* Resolve(const TPDFResolveEvent& onResolve, TPDFObject* object) {
    if (!object || object->Kind != kPDFKindIndRef) return object;
    auto* reference = static_cast<TPDFIndRef*>(object);
    return onResolve ? onResolve(reference) : reference->Resolve();
}

const TPDFName* NameOf(const TPDFObject* object) {
    return object && object->Kind == kPDFKindName ? static_cast<const TPDFName*>(object) : nullptr;
}

// An array of exactly `count` numbers into `values`; false (and nothing stored) otherwise.
bool ReadNumbers(const TPDFObject* object, double* values, int count) {
    const TPDFArray* array = AsArray(const_cast<TPDFObject*>(object));
    if (!array || array->GetCount() != count || !array->IsNumberArray()) return false;
    for (int i = 0; i < count; ++i) values[i] = AsNumber(array->GetItem(i))->GetValue();
    return true;
}

bool IsRGBAlternate(const std::string& name) {
    return name == "DeviceRGB" || name == "CalRGB" || name == "ICCBased";
}

// The alternate space (item 2) and the tint transform (item 3) of a Separation or DeviceN array.
void LoadAlternateAndTransform(TPDFArray* array, const TPDFResolveEvent& onResolve, std::string& alternateName,
                               std::unique_ptr<TPDFLabColorSpace>& labSpace,
                               std::unique_ptr<TPDFFunction>& tintTransform) {
    const int count = array->GetCount();
    if (count > 2) {
        TPDFObject* alternate = Resolve(onResolve, array->GetItem(2));
        if (const TPDFName* name = NameOf(alternate)) {
            alternateName = name->NameBytes;
        } else if (TPDFArray* space = AsArray(alternate)) {
            if (const TPDFName* first = NameOf(Resolve(onResolve, space->GetItem(0)))) alternateName = first->NameBytes;
            if (alternateName == "ICCBased" && space->GetCount() > 1) {
                if (const TPDFStream* profile = AsStream(Resolve(onResolve, space->GetItem(1)))) {
                    const TPDFDictionary* dictionary = profile->StreamDict;
                    if (const TPDFName* replacement =
                            NameOf(Resolve(onResolve, dictionary ? dictionary->GetValue("Alternate") : nullptr))) {
                        alternateName = replacement->NameBytes;
                    } else if (const TPDFNumeric* components =
                                   AsNumber(Resolve(onResolve, dictionary ? dictionary->GetValue("N") : nullptr))) {
                        switch (components->GetInteger()) {
                            case 1: alternateName = "DeviceGray"; break;
                            case 3: alternateName = "DeviceRGB"; break;
                            case 4: alternateName = "DeviceCMYK"; break;
                            default: break;
                        }
                    }
                }
            } else if (alternateName == "Lab" && space->GetCount() > 1) {
                labSpace = std::make_unique<TPDFLabColorSpace>();
                labSpace->OnResolve = onResolve;
                labSpace->LoadFromArray(space);
            }
        }
    }
    if (count >= 4) tintTransform = CreatePDFFunction(Resolve(onResolve, array->GetItem(3)));
}

std::string RGBPostScript(double r, double g, double b) {
    return FormatPSNumber(r) + FormatPSNumber(g) + FormatPSNumber(b) + "setrgbcolor";
}

}  // namespace

TColor PackColor(double r, double g, double b) {
    return (Channel(b) << 16) + (Channel(g) << 8) + Channel(r);
}

std::string FormatPSNumber(double value) { return FloatToPDFStr(3, value) + " "; }

// ---- TPDFSimpleColorManager

void TPDFSimpleColorManager::CMYKToRGB(const TPDFCMYKValue& cmyk, TPDFRGBValue& rgb) {
    if (!AccurateCMYK) {
        rgb = SimpleCMYKToRGB(cmyk);
        return;
    }
    const double c = cmyk.C, m = cmyk.M, y = cmyk.Y, k = cmyk.K;
    // The multilinear terms in the order of the table: 1, C, M, Y, K, CM, CY, CK, MY, MK, YK,
    // CMY, CMK, CYK, MYK, CMYK.
    const double terms[16] = {1,         c,         m,         y,         k,     c * m,     c * y, c * k,
                              m * y,     m * k,     y * k,     c * m * y, c * m * k, c * y * k, m * y * k,
                              c * m * y * k};
    static constexpr double kR[16] = {1,      -1,      -0.0745, 0,      -0.8627, 0.2549,  0,       0.8627,
                                      0.0039, 0.0784,  -0.0275, 0.0275, -0.2588, 0.0275,  0.0157,  -0.0471};
    static constexpr double kG[16] = {1,      -0.3216, -1,      -0.051, -0.8784, 0.5138,  0.0236,  0.2588,
                                      0.1608, 0.8784,  0.0314,  -0.1137, -0.451, 0.0117,  -0.1412, 0.0784};
    static constexpr double kB[16] = {1,     -0.0627, -0.451,  -1,      -0.8745, 0.0862,  0.5176,  0.0784,
                                      0.451, 0.3255,  0.8745,  -0.3176, -0.0941, -0.5333, -0.3255, 0.3255};
    double r = 0, g = 0, b = 0;
    for (int i = 0; i < 16; ++i) {
        r += kR[i] * terms[i];
        g += kG[i] * terms[i];
        b += kB[i] * terms[i];
    }
    rgb = {r, g, b};
}

TPDFRGBValue SimpleCMYKToRGB(const TPDFCMYKValue& cmyk) {
    const auto channel = [&cmyk](double value) { return 1 - std::min(1.0, value * (1 - cmyk.K) + cmyk.K); };
    return {channel(cmyk.C), channel(cmyk.M), channel(cmyk.Y)};
}

TColor TPDFSimpleColorManager::RGBToColor(const TPDFRGBValue& rgb) { return PackColor(rgb.R, rgb.G, rgb.B); }

void TPDFSimpleColorManager::LabToRGB(const TPDFLabValue& lab, TPDFRGBValue& rgb) {
    // Values that are not numbers become the lower bound.
    const auto clamp = [](double value, double low, double high) {
        if (!(value >= low)) return low;
        return value > high ? high : value;
    };
    const double L = clamp(lab.L, 0, 100);
    const double a = clamp(lab.a, ABRange[0], ABRange[1]);
    const double b = clamp(lab.b, ABRange[2], ABRange[3]);
    const double fy = (L + 16) / 116;
    const double fx = fy + a / 500;
    const double fz = fy - b / 200;
    const auto g = [](double t) { return t >= 6.0 / 29.0 ? t * t * t : (t - 4.0 / 29.0) * 108.0 / 841.0; };
    const double X = g(fx) * WhitePoint[0];
    const double Y = g(fy) * WhitePoint[1];
    const double Z = g(fz) * WhitePoint[2];
    const auto gamma = [](double v) {
        v = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
        return ClampUnit(v);
    };
    rgb.R = gamma(2.0416 * X - 0.565 * Y - 0.3447 * Z);
    rgb.G = gamma(-0.9692 * X + 1.876 * Y + 0.0416 * Z);
    rgb.B = gamma(0.0134 * X - 0.1184 * Y + 1.0152 * Z);
}

bool TPDFSimpleColorManager::SetWhitePoint(double x, double y, double z) {
    if (x > 0 && y == 1 && z > 0) {
        WhitePoint[0] = x;
        WhitePoint[1] = 1.0;
        WhitePoint[2] = z;
        return true;
    }
    std::copy(std::begin(kDefaultWhitePoint), std::end(kDefaultWhitePoint), WhitePoint);
    return false;
}

void TPDFSimpleColorManager::SetABRange(double aMin, double aMax, double bMin, double bMax) {
    ABRange[0] = aMin;
    ABRange[1] = aMax;
    ABRange[2] = bMin;
    ABRange[3] = bMax;
}

// ---- TPDFLabColorSpace

void TPDFLabColorSpace::LoadFromArray(TPDFArray* array) {
    if (!array || array->GetCount() < 2) return;
    const TPDFDictionary* dictionary = AsDictionary(Resolve(OnResolve, array->GetItem(1)));
    if (!dictionary) return;
    ReadNumbers(Resolve(OnResolve, dictionary->GetValue("WhitePoint")), WhitePoint, 3);
    Range[0] = -100;
    Range[1] = 100;
    Range[2] = -100;
    Range[3] = 100;
    ReadNumbers(Resolve(OnResolve, dictionary->GetValue("Range")), Range, 4);
}

double TPDFLabColorSpace::DecodeA(std::int32_t sample, double maximum) const {
    if (maximum == 0) throw EZeroDivide("Floating point division by zero");
    return Range[0] + (Range[1] - Range[0]) * sample / maximum;
}

double TPDFLabColorSpace::DecodeB(std::int32_t sample, double maximum) const {
    if (maximum == 0) throw EZeroDivide("Floating point division by zero");
    return Range[2] + (Range[3] - Range[2]) * sample / maximum;
}

TColor TPDFLabColorSpace::ToColor(const TPDFLabValue& lab, TPDFColorManager& manager) const {
    if (auto* simple = dynamic_cast<TPDFSimpleColorManager*>(&manager)) {
        // Every Lab conversion runs with the default white point (0.9505, 1, 1.089), although
        // LoadFromArray reads /WhitePoint: the conversion has no chromatic adaptation, so a
        // space's D50 white point taken as it is would turn its whites yellow. The rejected
        // white point restores the default, as the original's hand-over of a Y of -5 does.
        simple->SetWhitePoint(WhitePoint[0], -5.0, WhitePoint[2]);
        simple->SetABRange(Range[0], Range[1], Range[2], Range[3]);
    }
    TPDFRGBValue rgb;
    manager.LabToRGB(lab, rgb);
    return manager.RGBToColor(rgb);
}

// ---- TPDFSeparationColorSpace

TPDFSeparationColorSpace::TPDFSeparationColorSpace(TPDFSimpleColorManager* manager)
    : Manager(manager ? manager : &ownManager_) {}

void TPDFSeparationColorSpace::LoadFromArray(TPDFArray* array, std::string resourceName) {
    ResourceName = std::move(resourceName);
    AlternateName.clear();
    ColorantName.clear();
    TintTransform.reset();
    LabSpace.reset();
    cache_.clear();
    if (!array) return;
    if (array->GetCount() > 1) {
        if (const TPDFName* name = NameOf(Resolve(OnResolve, array->GetItem(1)))) ColorantName = name->NameBytes;
    }
    LoadAlternateAndTransform(array, OnResolve, AlternateName, LabSpace, TintTransform);
}

namespace {

// Three outputs of a tint transform in an RGB-like or Lab alternate; other alternates keep the
// defaults.
void ConvertThreeComponents(const TPDFDoubleArray& outputs, const std::string& alternate,
                            TPDFSimpleColorManager& manager, TColor& color, std::string& postScript) {
    if (IsRGBAlternate(alternate)) {
        color = PackColor(outputs[0], outputs[1], outputs[2]);
        postScript = RGBPostScript(outputs[0], outputs[1], outputs[2]);
    } else if (alternate == "Lab") {
        TPDFRGBValue rgb;
        manager.LabToRGB({outputs[0], outputs[1], outputs[2]}, rgb);
        color = manager.RGBToColor(rgb);
        postScript = RGBPostScript(rgb.R, rgb.G, rgb.B);
    }
}

}  // namespace

void TPDFSeparationColorSpace::SetTint(double tint) {
    if (const auto found = cache_.find(tint); found != cache_.end()) {
        Color = found->second.Color;
        PostScript = found->second.PostScript;
        return;
    }
    Color = 0;
    PostScript = "0.5 setgray";
    if (TintTransform && TintTransform->InputCount() == 1) {
        TPDFDoubleArray outputs;
        TintTransform->Evaluate({tint}, outputs);
        if (outputs.size() == 4 && AlternateName == "DeviceCMYK") {
            TPDFRGBValue rgb;
            Manager->CMYKToRGB({outputs[0], outputs[1], outputs[2], outputs[3]}, rgb);
            Color = Manager->RGBToColor(rgb);
            TPDFDoubleArray full;
            TintTransform->Evaluate({1.0}, full);
            full.resize(4, 0.0);
            PostScript = FormatPSNumber(full[0]) + FormatPSNumber(full[1]) + FormatPSNumber(full[2]) +
                         FormatPSNumber(full[3]) + "(" + ColorantName + ") " + "findcmykcustomcolor " +
                         FormatPSNumber(tint) + "setcustomcolor";
        } else if (outputs.size() == 3) {
            ConvertThreeComponents(outputs, AlternateName, *Manager, Color, PostScript);
        } else if (outputs.size() == 1 && AlternateName == "DeviceGray") {
            Color = PackColor(outputs[0], outputs[0], outputs[0]);
            PostScript = RGBPostScript(outputs[0], outputs[0], outputs[0]);
        }
    }
    if (cache_.size() > kColorCacheLimit) cache_.clear();
    cache_[tint] = {Color, PostScript};
}

// ---- TPDFDeviceNColorSpace

TPDFDeviceNColorSpace::TPDFDeviceNColorSpace(TPDFSimpleColorManager* manager)
    : Manager(manager ? manager : &ownManager_) {}

void TPDFDeviceNColorSpace::LoadFromArray(TPDFArray* array, std::string resourceName) {
    ResourceName = std::move(resourceName);
    AlternateName.clear();
    ColorantNames.clear();
    ColorantCount = 0;
    TintTransform.reset();
    LabSpace.reset();
    cache_.clear();
    if (!array || array->GetCount() < 2) return;
    const TPDFArray* names = AsArray(Resolve(OnResolve, array->GetItem(1)));
    if (!names) return;
    ColorantCount = names->GetCount();
    ColorantNames = "[";
    for (int i = 0; i < names->GetCount(); ++i) {
        if (const TPDFName* name = NameOf(Resolve(OnResolve, names->GetItem(i)))) {
            ColorantNames += name->NameBytes;
            if (i != names->GetCount() - 1) ColorantNames += ",";
        }
    }
    ColorantNames += "]";
    LoadAlternateAndTransform(array, OnResolve, AlternateName, LabSpace, TintTransform);
}

void TPDFDeviceNColorSpace::SetColor(const TPDFDeviceNColor& components) {
    std::string key;
    for (double component : components) key += FormatPSNumber(component);
    if (const auto found = cache_.find(key); found != cache_.end()) {
        Color = found->second.Color;
        PostScript = found->second.PostScript;
        return;
    }
    Color = 0;
    PostScript = "0.5 setgray";
    if (TintTransform && static_cast<std::size_t>(TintTransform->InputCount()) == components.size()) {
        TPDFDoubleArray outputs;
        TintTransform->Evaluate(components, outputs);
        if (outputs.size() == 4 && AlternateName == "DeviceCMYK") {
            const TPDFRGBValue rgb = SimpleCMYKToRGB({outputs[0], outputs[1], outputs[2], outputs[3]});
            Color = PackColor(rgb.R, rgb.G, rgb.B);
            TPDFDoubleArray full = components;
            if (!full.empty()) full[0] = 1.0;
            TPDFDoubleArray fullOutputs;
            TintTransform->Evaluate(full, fullOutputs);
            fullOutputs.resize(4, 0.0);
            PostScript = FormatPSNumber(fullOutputs[0]) + FormatPSNumber(fullOutputs[1]) +
                         FormatPSNumber(fullOutputs[2]) + FormatPSNumber(fullOutputs[3]) + "(" + ColorantNames +
                         ") " + "findcmykcustomcolor " + key + "setcustomcolor";
        } else if (outputs.size() == 3) {
            ConvertThreeComponents(outputs, AlternateName, *Manager, Color, PostScript);
        }
    }
    if (cache_.size() > kColorCacheLimit) cache_.clear();
    cache_.emplace(std::move(key), TPDFCachedColor{Color, PostScript});
}

}  // namespace parch
