#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "FunctionObjects.h"
#include "base/Exceptions.h"
#include "pdf/graphics/ScrivletColor.h"

namespace parch {
namespace {

using testfunctions::Objects;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void ExpectRGB(const TPDFRGBValue& rgb, double r, double g, double b, double tolerance = 1e-4) {
    EXPECT_NEAR(rgb.R, r, tolerance);
    EXPECT_NEAR(rgb.G, g, tolerance);
    EXPECT_NEAR(rgb.B, b, tolerance);
}

// ---- Number text and packing

TEST(FormatPSNumber, AtMostThreeDecimalsAndABlank) {
    struct Case {
        double value;
        std::string expected;
    };
    for (const Case& c : {Case{0, "0 "}, Case{1, "1 "}, Case{0.5, "0.5 "}, Case{0.12345, "0.123 "},
                          Case{0.1235, "0.124 "}, Case{-0.25, "-0.25 "}, Case{-0.0004, "0 "}, Case{12.3, "12.3 "},
                          Case{kNaN, "0 "}}) {
        EXPECT_EQ(FormatPSNumber(c.value), c.expected) << c.value;
    }
}

TEST(PackColor, ClampsEveryChannelAndRoundsHalfToEven) {
    EXPECT_EQ(PackColor(1, 0, 0), 255);
    EXPECT_EQ(PackColor(0, 0, 1), 16711680);
    EXPECT_EQ(PackColor(0, 1, 0), 65280);
    EXPECT_EQ(PackColor(1.2, -0.1, 0.5), (128 << 16) + 255);  // 127.5 rounds to 128
    EXPECT_EQ(PackColor(kNaN, kNaN, kNaN), 0);
    EXPECT_EQ(PackColor(1e300, -1e300, std::numeric_limits<double>::infinity()), (255 << 16) + 255);
    EXPECT_EQ(PackColor(2.5 / 255, 0, 0), 2);  // 2.5 to the even 2
    EXPECT_EQ(PackColor(3.5 / 255, 0, 0), 4);
}

// ---- The simple colour manager

TEST(TPDFSimpleColorManager, Defaults) {
    TPDFSimpleColorManager manager;
    EXPECT_EQ(manager.WhitePoint[0], 0.9505);
    EXPECT_EQ(manager.WhitePoint[1], 1.0);
    EXPECT_EQ(manager.WhitePoint[2], 1.089);
    EXPECT_EQ(manager.ABRange[0], -128);
    EXPECT_EQ(manager.ABRange[1], 127);
    EXPECT_EQ(manager.ABRange[2], -128);
    EXPECT_EQ(manager.ABRange[3], 127);
    EXPECT_TRUE(manager.AccurateCMYK);
}

TEST(TPDFSimpleColorManager, AccurateCMYK) {
    TPDFSimpleColorManager manager;
    struct Case {
        TPDFCMYKValue cmyk;
        double r, g, b;
    };
    const std::vector<Case> cases = {
        {{0, 0, 0, 0}, 1, 1, 1},
        {{0, 0, 0, 1}, 0.1373, 0.1216, 0.1255},
        {{1, 1, 1, 1}, 0, 0, 0},
        {{1, 0, 0, 0}, 0, 0.6784, 0.9373},
        {{0, 1, 0, 0}, 0.9255, 0, 0.549},
        {{0, 0, 1, 0}, 1, 0.949, 0},
    };
    for (const Case& c : cases) {
        TPDFRGBValue rgb;
        manager.CMYKToRGB(c.cmyk, rgb);
        ExpectRGB(rgb, c.r, c.g, c.b);
    }
    // Not clamped: values beyond 0..1 stay.
    TPDFRGBValue rgb;
    manager.CMYKToRGB({2, 0, 0, 0}, rgb);
    EXPECT_NEAR(rgb.R, -1, 1e-9);
}

TEST(TPDFSimpleColorManager, SimpleCMYK) {
    TPDFSimpleColorManager manager;
    manager.AccurateCMYK = false;
    struct Case {
        TPDFCMYKValue cmyk;
        double r, g, b;
    };
    for (const Case& c : {Case{{0, 0, 0, 0}, 1, 1, 1}, Case{{0.5, 0, 0, 0.5}, 0.25, 0.5, 0.5},
                          Case{{1, 0.2, 0, 0}, 0, 0.8, 1}, Case{{0.5, 0.5, 0.5, 1}, 0, 0, 0},
                          Case{{2, 0, 0, 0}, 0, 1, 1}}) {
        TPDFRGBValue rgb;
        manager.CMYKToRGB(c.cmyk, rgb);
        ExpectRGB(rgb, c.r, c.g, c.b, 1e-12);
        const TPDFRGBValue simple = SimpleCMYKToRGB(c.cmyk);
        ExpectRGB(simple, c.r, c.g, c.b, 1e-12);
    }
}

TEST(TPDFSimpleColorManager, RGBToColor) {
    TPDFSimpleColorManager manager;
    EXPECT_EQ(manager.RGBToColor({1, 0, 0}), 255);
    EXPECT_EQ(manager.RGBToColor({0, 0, 1}), 16711680);
    EXPECT_EQ(manager.RGBToColor({1.2, -0.1, 0.5}), (128 << 16) + 255);
    EXPECT_EQ(manager.RGBToColor({kNaN, 1, kNaN}), 255 << 8);
}

TEST(TPDFSimpleColorManager, LabToRGB) {
    TPDFSimpleColorManager manager;
    TPDFRGBValue rgb;
    manager.LabToRGB({100, 0, 0}, rgb);
    ExpectRGB(rgb, 1, 1, 1, 1e-3);
    manager.LabToRGB({0, 0, 0}, rgb);
    ExpectRGB(rgb, 0, 0, 0, 1e-9);
    manager.LabToRGB({kNaN, 0, 0}, rgb);  // L not a number is its lower bound
    ExpectRGB(rgb, 0, 0, 0, 1e-9);
    manager.LabToRGB({150, 0, 0}, rgb);  // L clamped to 100
    ExpectRGB(rgb, 1, 1, 1, 1e-3);
    // A mid grey: L 50 gives Y 0.1842 and sRGB about 0.466.
    manager.LabToRGB({50, 0, 0}, rgb);
    EXPECT_NEAR(rgb.R, 0.466, 0.005);
    EXPECT_NEAR(rgb.G, 0.466, 0.005);
    EXPECT_NEAR(rgb.B, 0.466, 0.005);
    // A red: a positive.
    manager.LabToRGB({50, 80, 60}, rgb);
    EXPECT_GT(rgb.R, 0.7);
    EXPECT_LT(rgb.G, 0.2);
    // a and b are clamped to the ranges.
    TPDFRGBValue clamped;
    manager.SetABRange(-10, 10, -10, 10);
    manager.LabToRGB({50, 80, 60}, rgb);
    manager.LabToRGB({50, 10, 10}, clamped);
    ExpectRGB(rgb, clamped.R, clamped.G, clamped.B, 1e-12);
    manager.LabToRGB({50, kNaN, kNaN}, rgb);
    manager.LabToRGB({50, -10, -10}, clamped);
    ExpectRGB(rgb, clamped.R, clamped.G, clamped.B, 1e-12);
}

TEST(TPDFSimpleColorManager, SetWhitePointAndABRange) {
    TPDFSimpleColorManager manager;
    EXPECT_TRUE(manager.SetWhitePoint(0.9642, 1.0, 0.8249));
    EXPECT_EQ(manager.WhitePoint[0], 0.9642);
    EXPECT_EQ(manager.WhitePoint[2], 0.8249);
    EXPECT_FALSE(manager.SetWhitePoint(0.9642, 0.5, 0.8249));
    EXPECT_EQ(manager.WhitePoint[0], 0.9505);
    EXPECT_EQ(manager.WhitePoint[1], 1.0);
    EXPECT_EQ(manager.WhitePoint[2], 1.089);
    EXPECT_FALSE(manager.SetWhitePoint(0, 1, 1));
    EXPECT_FALSE(manager.SetWhitePoint(1, 1, -1));
    EXPECT_FALSE(manager.SetWhitePoint(kNaN, 1, 1));
    manager.SetABRange(-1, 2, -3, 4);
    EXPECT_EQ(manager.ABRange[0], -1);
    EXPECT_EQ(manager.ABRange[1], 2);
    EXPECT_EQ(manager.ABRange[2], -3);
    EXPECT_EQ(manager.ABRange[3], 4);
}

// ---- Lab space

TEST(TPDFLabColorSpace, LoadsWhitePointAndRange) {
    Objects objects;
    TPDFLabColorSpace space;
    space.LoadFromArray(AsArray(objects.Parse("[/Lab << /WhitePoint [0.9642 1 0.8249] /Range [-50 50 -60 60] >>]")));
    EXPECT_EQ(space.WhitePoint[0], 0.9642);
    EXPECT_EQ(space.WhitePoint[2], 0.8249);
    EXPECT_EQ(space.Range[0], -50);
    EXPECT_EQ(space.Range[3], 60);

    // Ranges of another length fall back to the default; references go through OnResolve.
    TPDFLabColorSpace other;
    objects.Number(4, objects.Parse("<< /WhitePoint 5 0 R /Range [-50 50 -60] >>"));
    objects.Number(5, objects.Parse("[0.95 1 1.09]"));
    int resolved = 0;
    other.OnResolve = [&](TPDFIndRef* reference) {
        ++resolved;
        return reference->Resolve();
    };
    other.Range[0] = 7;
    other.LoadFromArray(AsArray(objects.Parse("[/Lab 4 0 R]")));
    EXPECT_EQ(resolved, 2);
    EXPECT_EQ(other.WhitePoint[0], 0.95);
    EXPECT_EQ(other.Range[0], -100);
    EXPECT_EQ(other.Range[3], 100);

    // No dictionary: nothing is read.
    TPDFLabColorSpace none;
    none.LoadFromArray(AsArray(objects.Parse("[/Lab]")));
    none.LoadFromArray(AsArray(objects.Parse("[/Lab /Name]")));
    none.LoadFromArray(nullptr);
    EXPECT_EQ(none.WhitePoint[0], 0);
    // A white point that is not 3 numbers is not taken.
    none.LoadFromArray(AsArray(objects.Parse("[/Lab << /WhitePoint [1 1 /x] >>]")));
    EXPECT_EQ(none.WhitePoint[0], 0);
}

TEST(TPDFLabColorSpace, DecodesSamples) {
    TPDFLabColorSpace space;
    space.Range[0] = -50;
    space.Range[1] = 50;
    space.Range[2] = 0;
    space.Range[3] = 100;
    EXPECT_DOUBLE_EQ(space.DecodeA(0, 255), -50);
    EXPECT_DOUBLE_EQ(space.DecodeA(255, 255), 50);
    EXPECT_DOUBLE_EQ(space.DecodeB(51, 255), 20);
    EXPECT_THROW(space.DecodeA(1, 0), EZeroDivide);
}

TEST(TPDFLabColorSpace, ToColorUsesTheDefaultWhitePointAndTheSpaceRange) {
    Objects objects;
    TPDFLabColorSpace space;
    space.LoadFromArray(AsArray(objects.Parse("[/Lab << /WhitePoint [0.9642 1 0.8249] /Range [-20 20 -20 20] >>]")));
    TPDFSimpleColorManager manager;
    manager.SetWhitePoint(0.9642, 1, 0.8249);
    EXPECT_EQ(space.ToColor(100, 0, 0, manager), 0xFFFFFF);  // white stays white
    EXPECT_EQ(manager.WhitePoint[0], 0.9505);
    EXPECT_EQ(manager.WhitePoint[2], 1.089);
    EXPECT_EQ(manager.ABRange[0], -20);
    EXPECT_EQ(manager.ABRange[3], 20);
    EXPECT_EQ(space.ToColor({0, 0, 0}, manager), 0);
    // a beyond the space's range is clamped to it.
    EXPECT_EQ(space.ToColor(50, 100, 0, manager), space.ToColor(50, 20, 0, manager));
}

// ---- Separation

// A Separation array with the alternate and the function given as PDF text.
TPDFArray* SeparationArray(Objects& objects, const std::string& alternate, const std::string& function,
                           const std::string& colorant = "/Spot") {
    return AsArray(objects.Parse("[/Separation " + colorant + " " + alternate + " " + function + "]"));
}

TEST(TPDFSeparationColorSpace, GreyAlternate) {
    Objects objects;
    TPDFSimpleColorManager manager;
    TPDFSeparationColorSpace space(&manager);
    space.LoadFromArray(SeparationArray(objects, "/DeviceGray", "<< /FunctionType 2 /Domain [0 1] /C0 [0.5] /C1 [0.5] >>"),
                        "CS0");
    EXPECT_EQ(space.ResourceName, "CS0");
    EXPECT_EQ(space.ColorantName, "Spot");
    EXPECT_EQ(space.AlternateName, "DeviceGray");
    ASSERT_NE(space.TintTransform, nullptr);
    space.SetTint(1);
    EXPECT_EQ(space.Color, 8421504);
    EXPECT_EQ(space.PostScript, "0.5 0.5 0.5 setrgbcolor");
}

TEST(TPDFSeparationColorSpace, AFunctionOfTwoInputsKeepsTheDefaults) {
    Objects objects;
    TPDFSeparationColorSpace space;
    space.LoadFromArray(SeparationArray(objects, "/DeviceGray", "<< /FunctionType 2 /Domain [0 1 0 1] /C0 [0.5] >>"));
    ASSERT_NE(space.TintTransform, nullptr);
    space.SetTint(0.5);
    EXPECT_EQ(space.Color, 0);
    EXPECT_EQ(space.PostScript, "0.5 setgray");
}

TEST(TPDFSeparationColorSpace, Alternates) {
    struct Case {
        std::string alternate, function;
        double tint;
        TColor color;
        std::string postScript;
    };
    const std::string rgb = "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0] /C1 [1 0.5 0] >>";
    const std::vector<Case> cases = {
        {"/DeviceRGB", rgb, 1, PackColor(1, 0.5, 0), "1 0.5 0 setrgbcolor"},
        {"[/CalRGB << >>]", rgb, 1, PackColor(1, 0.5, 0), "1 0.5 0 setrgbcolor"},
        {"[/ICCBased 20 0 R]", rgb, 0.5, PackColor(0.5, 0.25, 0), "0.5 0.25 0 setrgbcolor"},
        // Unclamped outputs are clamped before packing; the text keeps them.
        {"/DeviceRGB", "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0] /C1 [2 -1 0.5] >>", 1, (128 << 16) + 255,
         "2 -1 0.5 setrgbcolor"},
        {"/DeviceGray", "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [3] >>", 1, 0xFFFFFF, "3 3 3 setrgbcolor"},
        // An ICC profile's /N names its device space.
        {"[/ICCBased 21 0 R]", "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] >>", 0.25, PackColor(0.25, 0.25, 0.25),
         "0.25 0.25 0.25 setrgbcolor"},
        // Lab: through the manager, the text of the RGB values.
        {"[/Lab << /WhitePoint [0.9505 1 1.089] >>]", "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0] /C1 [100 0 0] >>", 1,
         0xFFFFFF, "1 1 1 setrgbcolor"},
        {"[/Lab << >>]", "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0] /C1 [100 0 0] >>", 0, 0, "0 0 0 setrgbcolor"},
        // Anything else keeps the defaults.
        {"/DeviceRGB", "<< /FunctionType 2 /Domain [0 1] /C0 [0 0] /C1 [1 1] >>", 1, 0, "0.5 setgray"},
        {"/DeviceGray", rgb, 1, 0, "0.5 setgray"},
        {"/Pattern", rgb, 1, 0, "0.5 setgray"},
        {"/DeviceCMYK", rgb, 1, 0, "0.5 setgray"},
        {"/DeviceGray", "<< /FunctionType 7 /Domain [0 1] >>", 1, 0, "0.5 setgray"},
        {"/DeviceGray", "/NotAFunction", 1, 0, "0.5 setgray"},
    };
    for (const Case& c : cases) {
        Objects objects;
        objects.Number(20, objects.Stream("<< /N 3 /Alternate /DeviceRGB >>", ""));
        objects.Number(21, objects.Stream("<< /N 1 >>", ""));
        TPDFSimpleColorManager manager;
        TPDFSeparationColorSpace space(&manager);
        space.LoadFromArray(SeparationArray(objects, c.alternate, c.function));
        space.SetTint(c.tint);
        EXPECT_EQ(space.Color, c.color) << c.alternate << " " << c.function;
        EXPECT_EQ(space.PostScript, c.postScript) << c.alternate << " " << c.function;
    }
}

TEST(TPDFSeparationColorSpace, ICCBasedAlternateNames) {
    struct Case {
        std::string profile, expected;
    };
    for (const Case& c : {Case{"<< /N 3 /Alternate /DeviceRGB >>", "DeviceRGB"}, Case{"<< /N 4 >>", "DeviceCMYK"},
                          Case{"<< /N 1 >>", "DeviceGray"}, Case{"<< /N 3 >>", "DeviceRGB"},
                          Case{"<< /N 2 >>", "ICCBased"}, Case{"<< /Alternate /CalGray /N 4 >>", "CalGray"}}) {
        Objects objects;
        objects.Number(20, objects.Stream(c.profile, ""));
        TPDFSeparationColorSpace space;
        space.LoadFromArray(SeparationArray(objects, "[/ICCBased 20 0 R]", "null"));
        EXPECT_EQ(space.AlternateName, c.expected) << c.profile;
        EXPECT_EQ(space.TintTransform, nullptr);
    }
    // A profile that is not a stream leaves the name.
    Objects objects;
    TPDFSeparationColorSpace space;
    space.LoadFromArray(SeparationArray(objects, "[/ICCBased << /N 4 >>]", "null"));
    EXPECT_EQ(space.AlternateName, "ICCBased");
    // A Lab alternate gets its Lab space.
    space.LoadFromArray(SeparationArray(objects, "[/Lab << /Range [-1 1 -2 2] >>]", "null"));
    ASSERT_NE(space.LabSpace, nullptr);
    EXPECT_EQ(space.LabSpace->Range[3], 2);
    space.LoadFromArray(SeparationArray(objects, "[/Lab]", "null"));
    EXPECT_EQ(space.LabSpace, nullptr);
}

TEST(TPDFSeparationColorSpace, CMYKAlternateAndItsCustomColour) {
    Objects objects;
    TPDFSimpleColorManager manager;
    TPDFSeparationColorSpace space(&manager);
    space.LoadFromArray(SeparationArray(objects, "/DeviceCMYK",
                                        "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0 0.5 1 0] >>", "/Orange"));
    space.SetTint(0.3);
    EXPECT_EQ(space.PostScript, "0 0.5 1 0 (Orange) findcmykcustomcolor 0.3 setcustomcolor");
    TPDFRGBValue rgb;
    manager.CMYKToRGB({0, 0.15, 0.3, 0}, rgb);
    EXPECT_EQ(space.Color, manager.RGBToColor(rgb));
}

TEST(TPDFSeparationColorSpace, ReferencesAreResolved) {
    Objects objects;
    objects.Number(30, objects.Parse("/Gold"));
    objects.Number(31, objects.Parse("/DeviceGray"));
    objects.Number(32, objects.Stream("<< /FunctionType 4 /Domain [0 1] /Range [0 1] >>", "{ 2 div }"));
    TPDFArray* array = AsArray(objects.Parse("[/Separation 30 0 R 31 0 R 32 0 R]"));

    TPDFSeparationColorSpace plain;
    plain.LoadFromArray(array);
    EXPECT_EQ(plain.ColorantName, "Gold");
    EXPECT_EQ(plain.AlternateName, "DeviceGray");
    plain.SetTint(1);
    EXPECT_EQ(plain.PostScript, "0.5 0.5 0.5 setrgbcolor");

    TPDFSeparationColorSpace callback;
    int calls = 0;
    callback.OnResolve = [&](TPDFIndRef* reference) -> TPDFObject* {
        ++calls;
        return reference->Resolve();
    };
    callback.LoadFromArray(array);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(callback.ColorantName, "Gold");
    ASSERT_NE(callback.TintTransform, nullptr);

    // Loading again clears what the last load found.
    callback.LoadFromArray(AsArray(objects.Parse("[/Separation]")), "X");
    EXPECT_EQ(callback.ColorantName, "");
    EXPECT_EQ(callback.AlternateName, "");
    EXPECT_EQ(callback.TintTransform, nullptr);
    EXPECT_EQ(callback.ResourceName, "X");
}

TEST(TPDFSeparationColorSpace, TheCacheKeepsExactTintsAndIsBounded) {
    Objects objects;
    TPDFSeparationColorSpace space;
    space.LoadFromArray(SeparationArray(objects, "/DeviceGray", "<< /FunctionType 2 /Domain [0 1] >>"));
    space.SetTint(0.3);
    space.SetTint(0.3);
    EXPECT_EQ(space.CacheCount(), 1u);
    space.SetTint(0.30000000000000004);  // another tint, though its text is the same
    EXPECT_EQ(space.CacheCount(), 2u);
    EXPECT_EQ(space.PostScript, "0.3 0.3 0.3 setrgbcolor");
    space.SetTint(0.3);
    EXPECT_EQ(space.Color, PackColor(0.3, 0.3, 0.3));

    for (int i = 0; space.CacheCount() < kColorCacheLimit + 1; ++i) space.SetTint(0.5 + i * 1e-6);
    EXPECT_EQ(space.CacheCount(), kColorCacheLimit + 1);
    space.SetTint(0.9);  // the 1,002nd tint empties the cache first
    EXPECT_EQ(space.CacheCount(), 1u);
    EXPECT_EQ(space.Color, PackColor(0.9, 0.9, 0.9));
    EXPECT_THROW(space.SetTint(kNaN), EMathError);  // an exponential of no number is a fault
}

TEST(TPDFSeparationColorSpace, ArithmeticFaultsReachTheCaller) {
    Objects objects;
    TPDFSeparationColorSpace space;
    space.LoadFromArray(SeparationArray(objects, "/DeviceGray", "<< /FunctionType 2 /Domain [0 1] /N -1 >>"));
    EXPECT_THROW(space.SetTint(0), EMathError);
    space.SetTint(0.5);
    EXPECT_EQ(space.PostScript, "2 2 2 setrgbcolor");
}

// ---- DeviceN

TEST(TPDFDeviceNColorSpace, ColorantNames) {
    struct Case {
        std::string names, expected;
        int count;
    };
    for (const Case& c : {Case{"[/Cyan /Magenta]", "[Cyan,Magenta]", 2}, Case{"[/a /b 5]", "[a,b,]", 3},
                          Case{"[/a 5 /b]", "[a,b]", 3}, Case{"[]", "[]", 0}, Case{"[40 0 R /x]", "[Spot,x]", 2}}) {
        Objects objects;
        objects.Number(40, objects.Parse("/Spot"));
        TPDFDeviceNColorSpace space;
        space.LoadFromArray(AsArray(objects.Parse("[/DeviceN " + c.names + " /DeviceCMYK null]")), "N1");
        EXPECT_EQ(space.ColorantNames, c.expected) << c.names;
        EXPECT_EQ(space.ColorantCount, c.count) << c.names;
        EXPECT_EQ(space.AlternateName, "DeviceCMYK");
        EXPECT_EQ(space.ResourceName, "N1");
    }
    Objects objects;
    TPDFDeviceNColorSpace space;
    space.LoadFromArray(AsArray(objects.Parse("[/DeviceN /Cyan /DeviceCMYK null]")));
    EXPECT_EQ(space.ColorantCount, 0);
    EXPECT_EQ(space.AlternateName, "");
}

TEST(TPDFDeviceNColorSpace, CMYKAlternate) {
    Objects objects;
    objects.Number(41, objects.Stream("<< /FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1 0 1] >>", "{ 0 0 }"));
    TPDFSimpleColorManager manager;  // accurate: the space uses the simple formula anyway
    TPDFDeviceNColorSpace space(&manager);
    space.LoadFromArray(AsArray(objects.Parse("[/DeviceN [/Cyan /Magenta] /DeviceCMYK 41 0 R]")));
    space.SetColor({0.2, 0.4});
    EXPECT_EQ(space.Color, PackColor(0.8, 0.6, 1));
    EXPECT_EQ(space.PostScript, "1 0.4 0 0 ([Cyan,Magenta]) findcmykcustomcolor 0.2 0.4 setcustomcolor");
    // The wrong number of components keeps the defaults.
    space.SetColor({0.2});
    EXPECT_EQ(space.Color, 0);
    EXPECT_EQ(space.PostScript, "0.5 setgray");
    // Cached by the formatted components.
    space.SetColor({0.2, 0.4});
    space.SetColor({0.2001, 0.4});
    EXPECT_EQ(space.CacheCount(), 2u);
    EXPECT_EQ(space.PostScript, "1 0.4 0 0 ([Cyan,Magenta]) findcmykcustomcolor 0.2 0.4 setcustomcolor");
}

TEST(TPDFDeviceNColorSpace, OtherAlternates) {
    struct Case {
        std::string alternate, program;
        TColor color;
        std::string postScript;
    };
    for (const Case& c : {Case{"/DeviceRGB", "{ 0.5 }", PackColor(0.25, 0.75, 0.5), "0.25 0.75 0.5 setrgbcolor"},
                          Case{"/DeviceRGB", "{ 2 }", PackColor(0.25, 0.75, 1), "0.25 0.75 2 setrgbcolor"},
                          Case{"[/Lab << >>]", "{ pop pop 100 0 0 }", 0xFFFFFF, "1 1 1 setrgbcolor"},
                          Case{"/DeviceGray", "{ pop }", 0, "0.5 setgray"},
                          Case{"/DeviceCMYK", "{ 1 }", 0, "0.5 setgray"}}) {
        Objects objects;
        objects.Number(42, objects.Stream("<< /FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1] >>", c.program));
        TPDFDeviceNColorSpace space;
        space.LoadFromArray(AsArray(objects.Parse("[/DeviceN [/a /b] " + c.alternate + " 42 0 R]")));
        space.SetColor({0.25, 0.75});
        EXPECT_EQ(space.Color, c.color) << c.alternate << c.program;
        EXPECT_EQ(space.PostScript, c.postScript) << c.alternate << c.program;
    }
}

TEST(TPDFDeviceNColorSpace, The1002ndColourEmptiesTheCache) {
    Objects objects;
    objects.Number(43, objects.Stream("<< /FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1] >>", "{ 0 }"));
    TPDFDeviceNColorSpace space;
    space.LoadFromArray(AsArray(objects.Parse("[/DeviceN [/a /b] /DeviceRGB 43 0 R]")));
    for (int i = 0; i < 1001; ++i) space.SetColor({i / 1000.0, 0});
    EXPECT_EQ(space.CacheCount(), 1001u);
    space.SetColor({0.5, 0});  // held: no new entry
    EXPECT_EQ(space.CacheCount(), 1001u);
    space.SetColor({0.5, 1});
    EXPECT_EQ(space.CacheCount(), 1u);
    EXPECT_EQ(space.Color, PackColor(0.5, 1, 0));
}

}  // namespace
}  // namespace parch
