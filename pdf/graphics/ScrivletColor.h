#pragma once
// The colour manager and colour spaces: CMYK and CIE Lab to RGB, RGB to a packed
// screen colour, and the Lab, Separation and DeviceN spaces with their tint transforms and
// PostScript colour texts for the EPS output.
//
// A TColor is packed as Round(B × 255) shl 16 + Round(G × 255) shl 8 + Round(R × 255), rounded
// half to even, each channel first clamped to 0..1 (a channel that is not a number counts 0).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pdf/graphics/ScrivletFunctions.h"

namespace parch {

class TPDFObject;
class TPDFIndRef;
class TPDFArray;

// The same alias as framework/graphics/Graphics.h, which this layer cannot include.
using TColor = std::int32_t;

struct TPDFCMYKValue {
    double C = 0, M = 0, Y = 0, K = 0;  // each 0..1
};
struct TPDFRGBValue {
    double R = 0, G = 0, B = 0;  // each 0..1
};
struct TPDFLabValue {
    double L = 0, a = 0, b = 0;
};
using TPDFDeviceNColor = std::vector<double>;  // one value per DeviceN colorant

// Gives the object a reference points to (the renderer's resolver), or nil.
using TPDFResolveEvent = std::function<TPDFObject*(TPDFIndRef*)>;

// Packs three channels, each clamped to 0..1 (not a number gives 0), rounded half to even.
TColor PackColor(double r, double g, double b);

// The value with at most 3 decimals, "." as separator, no trailing zeros, and one blank.
std::string FormatPSNumber(double value);

class TPDFColorManager {
public:
    virtual ~TPDFColorManager() = default;
    virtual void CMYKToRGB(const TPDFCMYKValue& cmyk, TPDFRGBValue& rgb) = 0;
    virtual TColor RGBToColor(const TPDFRGBValue& rgb) = 0;
    virtual void LabToRGB(const TPDFLabValue& lab, TPDFRGBValue& rgb) = 0;
};

class TPDFSimpleColorManager : public TPDFColorManager {
public:
    static constexpr double kDefaultWhitePoint[3] = {0.9505, 1.0, 1.089};

    // AccurateCMYK: the multilinear polynomial (not clamped); else the simple formula.
    void CMYKToRGB(const TPDFCMYKValue& cmyk, TPDFRGBValue& rgb) override;
    TColor RGBToColor(const TPDFRGBValue& rgb) override;
    void LabToRGB(const TPDFLabValue& lab, TPDFRGBValue& rgb) override;

    // Accepted only when X > 0, Y = 1 and Z > 0 (stores X, 1, Z and answers true); otherwise
    // the default white point is stored and the answer is false.
    bool SetWhitePoint(double x, double y, double z);
    void SetABRange(double aMin, double aMax, double bMin, double bMax);

    double WhitePoint[3] = {0.9505, 1.0, 1.089};
    double ABRange[4] = {-128, 127, -128, 127};  // a min, a max, b min, b max
    bool AccurateCMYK = true;
};

// The simple CMYK formula (R = 1 − min(1, C × (1 − K) + K), and so on), whatever a manager says.
TPDFRGBValue SimpleCMYKToRGB(const TPDFCMYKValue& cmyk);

class TPDFLabColorSpace {
public:
    // [/Lab dict]: the array needs at least 2 items and item 1 must be a dictionary; /WhitePoint
    // is taken when it is an array of exactly 3 numbers; Range is reset to its default, then
    // /Range is taken when it is an array of exactly 4 numbers.
    void LoadFromArray(TPDFArray* array);
    // Range[0] + (Range[1] − Range[0]) × sample ÷ maximum (and b with Range[2], Range[3]);
    // EZeroDivide for a maximum of 0.
    double DecodeA(std::int32_t sample, double maximum) const;
    double DecodeB(std::int32_t sample, double maximum) const;
    // Through the manager: a TPDFSimpleColorManager gets the space's Range as its a/b ranges and
    // the default white point (see the implementation), then LabToRGB and RGBToColor.
    TColor ToColor(const TPDFLabValue& lab, TPDFColorManager& manager) const;
    TColor ToColor(double L, double a, double b, TPDFColorManager& manager) const {
        return ToColor(TPDFLabValue{L, a, b}, manager);
    }

    double WhitePoint[3] = {0, 0, 0};  // from /WhitePoint
    double Range[4] = {-100, 100, -100, 100};
    TPDFResolveEvent OnResolve;
};

// Converted colours of a Separation or DeviceN space.
struct TPDFCachedColor {
    TColor Color = 0;
    std::string PostScript;
};

// More entries than this empty a colour cache before the next one is stored.
inline constexpr std::size_t kColorCacheLimit = 1000;

class TPDFSeparationColorSpace {
public:
    // The manager is not owned; without one a manager of the space's own is used.
    explicit TPDFSeparationColorSpace(TPDFSimpleColorManager* manager = nullptr);
    TPDFSeparationColorSpace(const TPDFSeparationColorSpace&) = delete;
    TPDFSeparationColorSpace& operator=(const TPDFSeparationColorSpace&) = delete;

    // [/Separation name alternate tintTransform]; references are resolved through OnResolve
    // when assigned, else through TPDFIndRef::Resolve. Empties the cache.
    void LoadFromArray(TPDFArray* array, std::string resourceName = {});
    // Sets Color and PostScript for the tint.
    void SetTint(double tint);
    std::size_t CacheCount() const { return cache_.size(); }

    std::string AlternateName;
    std::unique_ptr<TPDFLabColorSpace> LabSpace;  // for a Lab alternate
    std::string ColorantName;
    std::unique_ptr<TPDFFunction> TintTransform;
    std::string ResourceName;
    TColor Color = 0;
    std::string PostScript;
    TPDFSimpleColorManager* Manager;
    TPDFResolveEvent OnResolve;

private:
    std::unordered_map<double, TPDFCachedColor> cache_;  // by exact tint
    TPDFSimpleColorManager ownManager_;
};

class TPDFDeviceNColorSpace {
public:
    explicit TPDFDeviceNColorSpace(TPDFSimpleColorManager* manager = nullptr);
    TPDFDeviceNColorSpace(const TPDFDeviceNColorSpace&) = delete;
    TPDFDeviceNColorSpace& operator=(const TPDFDeviceNColorSpace&) = delete;

    // [/DeviceN names alternate tintTransform]: as for Separation, item 1 must be an array.
    void LoadFromArray(TPDFArray* array, std::string resourceName = {});
    // Sets Color and PostScript for the components.
    void SetColor(const TPDFDeviceNColor& components);
    std::size_t CacheCount() const { return cache_.size(); }

    std::string AlternateName;
    std::unique_ptr<TPDFLabColorSpace> LabSpace;
    std::string ColorantNames;  // "[" + names joined by "," + "]"
    std::unique_ptr<TPDFFunction> TintTransform;
    std::string ResourceName;
    TColor Color = 0;
    std::string PostScript;
    TPDFSimpleColorManager* Manager;
    std::int32_t ColorantCount = 0;
    TPDFResolveEvent OnResolve;

private:
    std::unordered_map<std::string, TPDFCachedColor> cache_;  // by formatted components
    TPDFSimpleColorManager ownManager_;
};

}  // namespace parch
