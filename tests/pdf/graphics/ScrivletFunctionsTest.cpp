#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "FunctionObjects.h"
#include "base/Exceptions.h"
#include "pdf/graphics/ScrivletFunctions.h"

namespace parch {
namespace {

using testfunctions::CalculatorDictionary;
using testfunctions::Objects;

TPDFDoubleArray Eval(TPDFFunction& function, const TPDFDoubleArray& inputs) {
    TPDFDoubleArray outputs;
    function.Evaluate(inputs, outputs);
    return outputs;
}

// A calculator function of `inputs` inputs (Domain [-1000 1000] each) and `outputs` outputs.
std::unique_ptr<TPDFFunction> Calculator(Objects& objects, const std::string& program, int inputs = 1,
                                         int outputs = 1) {
    std::string domain = "[", range = "[";
    for (int i = 0; i < inputs; ++i) domain += " -1000 1000";
    for (int i = 0; i < outputs; ++i) range += " -1000000000 1000000000";
    auto function = CreatePDFFunction(objects.Stream(CalculatorDictionary(domain + " ]", range + " ]"), program));
    EXPECT_NE(function, nullptr);
    return function;
}

double CalculatorResult(const std::string& program) {
    Objects objects;
    auto function = Calculator(objects, program, 0, 1);
    return Eval(*function, {}).at(0);
}

// ---- The factory

TEST(CreatePDFFunction, MakesTheClassOfTheFunctionType) {
    Objects objects;
    EXPECT_NE(dynamic_cast<TPDFType2Function*>(
                  CreatePDFFunction(objects.Parse("<< /FunctionType 2 /Domain [0 1] >>")).get()),
              nullptr);
    EXPECT_NE(dynamic_cast<TPDFType3Function*>(
                  CreatePDFFunction(objects.Parse("<< /FunctionType 3 /Domain [0 1] >>")).get()),
              nullptr);
    EXPECT_NE(dynamic_cast<TPDFType0Function*>(
                  CreatePDFFunction(objects.Stream("<< /FunctionType 0 /Domain [0 1] >>", "")).get()),
              nullptr);
    EXPECT_NE(dynamic_cast<TPDFType4Function*>(
                  CreatePDFFunction(objects.Stream("<< /FunctionType 4 /Domain [0 1] >>", "{}")).get()),
              nullptr);
}

TEST(CreatePDFFunction, GivesNilForOtherObjectsAndTypes) {
    Objects objects;
    EXPECT_EQ(CreatePDFFunction(nullptr), nullptr);
    EXPECT_EQ(CreatePDFFunction(objects.Parse("[ /FunctionType 2 ]")), nullptr);
    EXPECT_EQ(CreatePDFFunction(objects.Parse("<< /Domain [0 1] >>")), nullptr);
    EXPECT_EQ(CreatePDFFunction(objects.Parse("<< /FunctionType 1 /Domain [0 1] >>")), nullptr);
    EXPECT_EQ(CreatePDFFunction(objects.Parse("<< /FunctionType 5 /Domain [0 1] >>")), nullptr);
    EXPECT_EQ(CreatePDFFunction(objects.Parse("<< /FunctionType /Two /Domain [0 1] >>")), nullptr);
    // A reference is followed, to the function and to its type.
    objects.Number(7, objects.Parse("<< /FunctionType 8 0 R /Domain [0 1] >>"));
    objects.Number(8, objects.Parse("2"));
    EXPECT_NE(CreatePDFFunction(objects.Parse("7 0 R")), nullptr);
}

TEST(TPDFFunction, ReadsArraysAndNumbersThroughReferences) {
    Objects objects;
    objects.Number(3, objects.Parse("[0 1 0.5 /x]"));
    objects.Number(4, objects.Parse("2.5"));
    auto function = CreatePDFFunction(objects.Parse("<< /FunctionType 2 /Domain 3 0 R /N 4 0 R /C0 (text) >>"));
    ASSERT_NE(function, nullptr);
    EXPECT_EQ(function->Domain, (TPDFDoubleArray{0, 1, 0.5, 0}));
    EXPECT_EQ(function->InputCount(), 2);
    EXPECT_EQ(function->ReadNumber("N", 1), 2.5);
    EXPECT_EQ(function->ReadNumber("Missing", 7), 7);
    EXPECT_EQ(function->ReadInteger("N", 1), 2);  // half to even
    EXPECT_TRUE(function->ReadNumberArray("C0").empty());
}

TEST(Interpolate, MapsLinearlyAndRefusesAnEmptyInterval) {
    EXPECT_DOUBLE_EQ(Interpolate(0.25, 0, 1, 10, 20), 12.5);
    EXPECT_DOUBLE_EQ(Interpolate(3, 2, 4, 1, 0), 0.5);
    EXPECT_THROW(Interpolate(1, 2, 2, 0, 1), EZeroDivide);
}

// ---- Type 2

TEST(TPDFType2Function, WithoutRangeHasTheOutputsOfC0) {
    Objects objects;
    auto function = CreatePDFFunction(objects.Parse("<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0] /C1 [1 0 0] /N 1 >>"));
    ASSERT_NE(function, nullptr);
    EXPECT_EQ(function->OutputCount(), 3);
    EXPECT_EQ(Eval(*function, {0.4}), (TPDFDoubleArray{0.4, 0, 0}));
}

TEST(TPDFType2Function, DefaultsAndExponent) {
    Objects objects;
    struct Case {
        std::string dictionary;
        double input;
        TPDFDoubleArray expected;
    };
    const std::vector<Case> cases = {
        {"<< /FunctionType 2 /Domain [0 1] >>", 0.3, {0.3}},                         // C0 [0], C1 [1], N 1
        {"<< /FunctionType 2 /Domain [0 1] /N 2 >>", 0.5, {0.25}},                   // x^N
        {"<< /FunctionType 2 /Domain [0 1] /C0 [1 2] /C1 [3 6] /N 0.5 >>", 0.25, {2, 4}},
        {"<< /FunctionType 2 /Domain [0 1] /N 1 >>", 2, {2}},                         // not clipped
        {"<< /FunctionType 2 /Domain [0 1] /Range [0 1 0 1] /C0 [5] >>", 1, {1, 0}},  // n from Range, C0/C1 read 0 past their ends
    };
    for (const Case& c : cases) {
        auto function = CreatePDFFunction(objects.Parse(c.dictionary));
        ASSERT_NE(function, nullptr) << c.dictionary;
        const TPDFDoubleArray outputs = Eval(*function, {c.input});
        ASSERT_EQ(outputs.size(), c.expected.size()) << c.dictionary;
        for (std::size_t i = 0; i < outputs.size(); ++i) EXPECT_DOUBLE_EQ(outputs[i], c.expected[i]) << c.dictionary;
    }
}

TEST(TPDFType2Function, FaultsRaiseArithmeticErrors) {
    Objects objects;
    auto reciprocal = CreatePDFFunction(objects.Parse("<< /FunctionType 2 /Domain [0 1] /N -1 >>"));
    EXPECT_THROW(Eval(*reciprocal, {0}), EZeroDivide);
    EXPECT_DOUBLE_EQ(Eval(*reciprocal, {0.5})[0], 2);
    auto root = CreatePDFFunction(objects.Parse("<< /FunctionType 2 /Domain [0 1] /N 0.5 >>"));
    EXPECT_THROW(Eval(*root, {-1}), EMathError);
}

// ---- Type 3

TEST(TPDFType3Function, SendsEachSubdomainToItsFunction) {
    Objects objects;
    auto function = CreatePDFFunction(objects.Parse(
        "<< /FunctionType 3 /Domain [0 1] /Bounds [0.5] /Encode [0 1 0 1] /Functions ["
        " << /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] >>"
        " << /FunctionType 2 /Domain [0 1] /C0 [100] /C1 [200] >> ] >>"));
    ASSERT_NE(function, nullptr);
    auto* stitching = dynamic_cast<TPDFType3Function*>(function.get());
    ASSERT_NE(stitching, nullptr);
    EXPECT_EQ(stitching->Bounds, (TPDFDoubleArray{0.5, 1}));
    struct Case {
        double input, expected;
    };
    for (const Case c : {Case{0.25, 0.5}, Case{0, 0}, Case{0.5, 100}, Case{0.75, 150}, Case{1.0, 200},
                         Case{1.5, 200}, Case{-3, 0}}) {
        const TPDFDoubleArray outputs = Eval(*function, {c.input});
        ASSERT_EQ(outputs.size(), 1u) << c.input;
        EXPECT_DOUBLE_EQ(outputs[0], c.expected) << c.input;
    }
}

TEST(TPDFType3Function, ResolvesFunctionsAndKeepsNilEntries) {
    Objects objects;
    objects.Number(10, objects.Parse("[ 11 0 R << /FunctionType 9 >> ]"));
    objects.Number(11, objects.Parse("<< /FunctionType 2 /Domain [0 1] /C0 [7] /C1 [7] >>"));
    auto function = CreatePDFFunction(objects.Parse("<< /FunctionType 3 /Domain [0 2] /Bounds [1] /Functions 10 0 R >>"));
    auto* stitching = dynamic_cast<TPDFType3Function*>(function.get());
    ASSERT_NE(stitching, nullptr);
    ASSERT_EQ(stitching->Functions.size(), 2u);
    EXPECT_NE(stitching->Functions[0], nullptr);
    EXPECT_EQ(stitching->Functions[1], nullptr);
    EXPECT_EQ(stitching->Encode, (TPDFDoubleArray{0, 1}));  // the default
    EXPECT_EQ(Eval(*function, {0.5}), (TPDFDoubleArray{7}));
    // The nil function leaves the outputs as they are.
    TPDFDoubleArray outputs = {42, 43};
    function->Evaluate({1.5}, outputs);
    EXPECT_EQ(outputs, (TPDFDoubleArray{42, 43}));
}

TEST(TPDFType3Function, ASubdomainOfZeroWidthRaises) {
    Objects objects;
    auto function = CreatePDFFunction(objects.Parse(
        "<< /FunctionType 3 /Domain [0 1] /Bounds [1] /Encode [0 1 0 1] /Functions ["
        " << /FunctionType 2 /Domain [0 1] >> << /FunctionType 2 /Domain [0 1] >> ] >>"));
    ASSERT_NE(function, nullptr);
    EXPECT_DOUBLE_EQ(Eval(*function, {0.5})[0], 0.5);
    EXPECT_THROW(Eval(*function, {1}), EZeroDivide);  // the closed last subdomain [1, 1]
}

// Counts the functions of a tree and its depth.
void Measure(const TPDFFunction* function, int depth, int& count, int& deepest) {
    if (!function) return;
    ++count;
    deepest = std::max(deepest, depth);
    if (auto* stitching = dynamic_cast<const TPDFType3Function*>(function))
        for (const auto& sub : stitching->Functions) Measure(sub.get(), depth + 1, count, deepest);
}

TEST(TPDFType3Function, AFunctionThatContainsItselfGetsNilThere) {
    Objects objects;
    objects.Number(5, objects.Parse("<< /FunctionType 3 /Domain [0 1] /Functions [ 5 0 R ] >>"));
    auto direct = CreatePDFFunction(objects.Parse("5 0 R"));
    auto* stitching = dynamic_cast<TPDFType3Function*>(direct.get());
    ASSERT_NE(stitching, nullptr);
    ASSERT_EQ(stitching->Functions.size(), 1u);
    EXPECT_EQ(stitching->Functions[0], nullptr);
    TPDFDoubleArray outputs = {9};
    direct->Evaluate({0.5}, outputs);
    EXPECT_EQ(outputs, (TPDFDoubleArray{9}));

    // Through another function: 6 → 7 → 6.
    objects.Number(6, objects.Parse("<< /FunctionType 3 /Domain [0 1] /Functions [ 7 0 R ] >>"));
    objects.Number(7, objects.Parse("<< /FunctionType 3 /Domain [0 1] /Functions [ 6 0 R ] >>"));
    auto indirect = CreatePDFFunction(objects.Parse("6 0 R"));
    int count = 0, deepest = 0;
    Measure(indirect.get(), 1, count, deepest);
    EXPECT_EQ(count, 2);
    // The same sub-function twice side by side is no cycle.
    objects.Number(8, objects.Parse("<< /FunctionType 3 /Domain [0 1] /Bounds [0.5] /Functions [ 9 0 R 9 0 R ] >>"));
    objects.Number(9, objects.Parse("<< /FunctionType 2 /Domain [0 1] >>"));
    auto twice = CreatePDFFunction(objects.Parse("8 0 R"));
    count = 0;
    Measure(twice.get(), 1, count, deepest);
    EXPECT_EQ(count, 3);
    // A stitching function made directly also finds itself.
    TPDFType3Function made(objects.numbered[5]);
    ASSERT_EQ(made.Functions.size(), 1u);
    EXPECT_EQ(made.Functions[0], nullptr);
}

TEST(TPDFType3Function, NestingAndSizeAreBounded) {
    Objects objects;
    // A chain 100 deep is cut at the depth limit.
    for (int i = 100; i < 200; ++i)
        objects.Number(i, objects.Parse("<< /FunctionType 3 /Domain [0 1] /Functions [ " + std::to_string(i + 1) +
                                        " 0 R ] >>"));
    objects.Number(200, objects.Parse("<< /FunctionType 2 /Domain [0 1] >>"));
    auto chain = CreatePDFFunction(objects.Parse("100 0 R"));
    int count = 0, deepest = 0;
    Measure(chain.get(), 1, count, deepest);
    EXPECT_EQ(deepest, kFunctionDepthLimit);

    // Ten levels of ten references each would be 10^10 functions.
    for (int level = 0; level < 10; ++level) {
        std::string functions;
        for (int k = 0; k < 10; ++k) functions += std::to_string(301 + level) + " 0 R ";
        objects.Number(300 + level, objects.Parse("<< /FunctionType 3 /Domain [0 1] /Functions [ " + functions + "] >>"));
    }
    objects.Number(310, objects.Parse("<< /FunctionType 2 /Domain [0 1] >>"));
    const auto start = std::chrono::steady_clock::now();
    auto wide = CreatePDFFunction(objects.Parse("300 0 R"));
    count = 0;
    deepest = 0;
    Measure(wide.get(), 1, count, deepest);
    EXPECT_LE(count, kFunctionCountLimit);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    Eval(*wide, {0.5});
}

// ---- Type 0

TEST(TPDFType0Function, TakesTheNearestSampleWithHalvesToEven) {
    Objects objects;
    auto function = CreatePDFFunction(objects.Stream(
        "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8 >>", std::string("\x00\xff", 2)));
    ASSERT_NE(function, nullptr);
    struct Case {
        double input, expected;
    };
    for (const Case c : {Case{0, 0}, Case{0.25, 0}, Case{0.5, 0}, Case{0.51, 1}, Case{1, 1}, Case{7, 1}, Case{-2, 0}}) {
        const TPDFDoubleArray outputs = Eval(*function, {c.input});
        ASSERT_EQ(outputs.size(), 1u);
        EXPECT_DOUBLE_EQ(outputs[0], c.expected) << c.input;
    }
}

TEST(TPDFType0Function, FirstInputVariesFastest) {
    Objects objects;
    auto function = CreatePDFFunction(objects.Stream(
        "<< /FunctionType 0 /Domain [0 1 0 1] /Range [0 255] /Decode [0 255] /Size [2 2] /BitsPerSample 8 >>",
        std::string("\x00\x55\xaa\xff", 4)));
    ASSERT_NE(function, nullptr);
    EXPECT_EQ(Eval(*function, {0, 0}), (TPDFDoubleArray{0}));
    EXPECT_EQ(Eval(*function, {1, 0}), (TPDFDoubleArray{85}));
    EXPECT_EQ(Eval(*function, {0, 1}), (TPDFDoubleArray{170}));
    EXPECT_EQ(Eval(*function, {1, 1}), (TPDFDoubleArray{255}));
}

TEST(TPDFType0Function, SampleWidthsDecodeAndRange) {
    Objects objects;
    struct Case {
        std::string dictionary, data;
        double input;
        TPDFDoubleArray expected;
    };
    const std::vector<Case> cases = {
        // Two 4-bit outputs per sample, most significant bits first.
        {"<< /FunctionType 0 /Domain [0 1] /Range [0 15 0 15] /Decode [0 15 0 15] /Size [2] /BitsPerSample 4 >>",
         std::string("\x12\x34", 2), 1, {3, 4}},
        // 12 bits, the second sample straddling a byte.
        {"<< /FunctionType 0 /Domain [0 1] /Range [0 4095] /Decode [0 4095] /Size [2] /BitsPerSample 12 >>",
         std::string("\x00\x0A\xBC", 3), 1, {0xABC}},
        // 32 bits: the largest sample is the top of Decode.
        {"<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [1] /BitsPerSample 32 >>",
         std::string("\xff\xff\xff\xff", 4), 0.5, {1}},
        {"<< /FunctionType 0 /Domain [0 1] /Range [0 10] /Decode [0 10] /Size [1] /BitsPerSample 32 >>",
         std::string("\x80\x00\x00\x00", 4), 0.5, {10.0 * 2147483648.0 / 4294967295.0}},
        // 1 bit.
        {"<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [8] /BitsPerSample 1 >>", std::string("\x40", 1),
         1.0 / 7, {1}},
        // Decode inverts; the result is clipped to Range.
        {"<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Decode [1 0] /Size [2] /BitsPerSample 8 >>",
         std::string("\x00\xff", 2), 0, {1}},
        {"<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Decode [0 2] /Size [2] /BitsPerSample 8 >>",
         std::string("\x00\xff", 2), 1, {1}},
        // Encode picks the samples backwards.
        {"<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Encode [1 0] /Size [2] /BitsPerSample 8 >>",
         std::string("\x00\xff", 2), 0, {1}},
        // Samples past the end of the data read 0.
        {"<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [4] /BitsPerSample 8 >>", std::string("\xff\xff", 2),
         1, {0}},
        // Negative and missing sizes.
        {"<< /FunctionType 0 /Domain [0 1 0 1] /Range [0 1] /Size [-5] /BitsPerSample 8 >>", std::string("\xff", 1),
         1, {1}},
    };
    for (const Case& c : cases) {
        auto function = CreatePDFFunction(objects.Stream(c.dictionary, c.data));
        ASSERT_NE(function, nullptr) << c.dictionary;
        const TPDFDoubleArray outputs = Eval(*function, {c.input, c.input, c.input});
        ASSERT_EQ(outputs.size(), c.expected.size()) << c.dictionary;
        for (std::size_t i = 0; i < outputs.size(); ++i) EXPECT_DOUBLE_EQ(outputs[i], c.expected[i]) << c.dictionary;
    }
}

TEST(TPDFType0Function, HugeSizesSaturatePastTheData) {
    Objects objects;
    auto function = CreatePDFFunction(objects.Stream(
        "<< /FunctionType 0 /Domain [0 1 0 1 0 1 0 1] /Range [0 1] /Size [2 2 2 2] /BitsPerSample 8 >>",
        std::string("\xff", 1)));
    auto* sampled = dynamic_cast<TPDFType0Function*>(function.get());
    ASSERT_NE(sampled, nullptr);
    sampled->Size = {1e300, 1e300, 4e9, 4e9};
    sampled->Encode = {0, 1e300, 0, 1e300, 0, 4e9, 0, 4e9};
    EXPECT_EQ(Eval(*function, {1, 1, 1, 1}), (TPDFDoubleArray{0}));
    EXPECT_EQ(Eval(*function, {0, 0, 1, 1}), (TPDFDoubleArray{0}));
    EXPECT_EQ(Eval(*function, {0, 0, 0, 0}), (TPDFDoubleArray{1}));
    sampled->BitsPerSample = 32;
    sampled->Size = {4294967296.0, 4294967296.0};
    sampled->Encode = {0, 4294967295.0, 0, 4294967295.0};
    EXPECT_EQ(Eval(*function, {1, 1, 0, 0}), (TPDFDoubleArray{0}));
}

TEST(TPDFType0Function, DefaultsOfEncodeAndDecode) {
    Objects objects;
    auto function = CreatePDFFunction(objects.Stream(
        "<< /FunctionType 0 /Domain [0 1 0 2] /Range [0 1] /Size [3 5] /BitsPerSample 8 /Order 3 >>", ""));
    auto* sampled = dynamic_cast<TPDFType0Function*>(function.get());
    ASSERT_NE(sampled, nullptr);
    EXPECT_EQ(sampled->Encode, (TPDFDoubleArray{0, 2, 0, 4}));
    EXPECT_EQ(sampled->Decode, (TPDFDoubleArray{0, 1}));
    EXPECT_EQ(sampled->Order, 3);
    EXPECT_EQ(sampled->BitsPerSample, 8);
}

TEST(TPDFType0Function, FaultsRaise) {
    Objects objects;
    auto noBits = CreatePDFFunction(
        objects.Stream("<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] >>", std::string("\x00\xff", 2)));
    EXPECT_THROW(Eval(*noBits, {0.5}), EZeroDivide);
    auto flat = CreatePDFFunction(objects.Stream(
        "<< /FunctionType 0 /Domain [1 1] /Range [0 1] /Size [2] /BitsPerSample 8 >>", std::string("\x00\xff", 2)));
    EXPECT_THROW(Eval(*flat, {1}), EZeroDivide);
    auto wide = CreatePDFFunction(objects.Stream(
        "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 64 >>", std::string(16, '\xff')));
    EXPECT_THROW(Eval(*wide, {0.5}), EMathError);
}

// ---- Type 4

TEST(TPDFType4Function, TheSmallerOfTwoInputs) {
    Objects objects;
    auto function = Calculator(objects, "{ 2 copy gt { exch } if pop }", 2, 1);
    EXPECT_EQ(Eval(*function, {3, 5}), (TPDFDoubleArray{3}));
    EXPECT_EQ(Eval(*function, {5, 3}), (TPDFDoubleArray{3}));
    EXPECT_EQ(Eval(*function, {-1, -1}), (TPDFDoubleArray{-1}));
}

TEST(TPDFType4Function, Operators) {
    struct Case {
        std::string program;
        double expected;
    };
    const std::vector<Case> cases = {
        {"{ 1 0 atan }", 90},       {"{ 0 -1 atan }", 180},   {"{ -1 0 atan }", 270},   {"{ 0 1 atan }", 0},
        {"{ -1.7 cvi }", -2},       {"{ -1.2 truncate }", -1}, {"{ 2.5 round }", 2},     {"{ 3.5 round }", 4},
        {"{ 1 3 bitshift }", 8},    {"{ 8 -3 bitshift }", 1}, {"{ -1 -1 bitshift }", 2147483647},
        {"{ 1 31 bitshift }", -2147483648.0}, {"{ 1 40 bitshift }", 0},
        {"{ 7 2 add }", 9},         {"{ 7 2 sub }", 5},       {"{ 7 2 mul }", 14},      {"{ 7 2 div }", 3.5},
        {"{ -7 2 idiv }", -3},      {"{ -7 3 mod }", -1},     {"{ 7 -3 mod }", 1},      {"{ 7.6 2 idiv }", 4},
        {"{ 5 neg }", -5},          {"{ -5 abs }", 5},        {"{ 1.2 ceiling }", 2},   {"{ -1.2 floor }", -2},
        {"{ 3.25 cvr }", 3.25},     {"{ 16 sqrt }", 4},       {"{ 90 sin }", 1},        {"{ 0 cos }", 1},
        {"{ 2 10 exp }", 1024},     {"{ 100 log }", 2},       {"{ 1 ln }", 0},
        {"{ 1 1 eq }", 1},          {"{ 1 2 eq }", 0},        {"{ 1 2 ne }", 1},        {"{ 2 1 gt }", 1},
        {"{ 1 1 ge }", 1},          {"{ 1 2 lt }", 1},        {"{ 2 2 le }", 1},        {"{ 3 2 le }", 0},
        {"{ 12 10 and }", 8},       {"{ 12 10 or }", 14},     {"{ 12 10 xor }", 6},     {"{ 5 not }", -6},
        {"{ true }", 1},            {"{ false }", 0},         {"{ 1 2 pop }", 1},       {"{ 1 2 exch }", 1},
        {"{ 4 dup add }", 8},       {"{ 1 2 3 2 index }", 1}, {"{ 1 2 3 0 index }", 3}, {"{ 1 2 3 5 index }", 0},
        {"{ 1 2 3 -1 index }", 0},
        {"{ 1 2 3 3 1 roll }", 2},  {"{ 1 2 3 3 -1 roll }", 1}, {"{ 1 2 3 3 1000000000 roll }", 2},
        {"{ 1 2 3 3 -1000000001 roll }", 2}, {"{ 1 2 3 4 1 roll }", 3},
        {"{ 1 2 2 copy add add add }", 6}, {"{ 1 2 5 copy }", 2},
        {"{ 0 { 10 } { 20 } ifelse }", 20}, {"{ 1 { 10 } { 20 } ifelse }", 10}, {"{ 2 { 10 } { 20 } ifelse }", 20},
        {"{ 5 1 { 10 } if }", 10},   {"{ 5 0 { 10 } if }", 5}, {"{ 5 2 { 10 } if }", 5}, {"{ 5 0.6 { 10 } if }", 10},
        {"{ 1 { 1 { 7 } if } if }", 7}, {"{ 1 { 0 { 7 } { 8 } ifelse } if }", 8},
        {"{ 5 1 { 10 } { 20 } { 30 } ifelse }", 10}, {"{ 5 1 if }", 5}, {"{ 5 1 { 10 } ifelse }", 5},
        {"{ pop pop pop }", 0},      {"{ 4 unknown }", 4},     {"{ 3 } } 4", 3},         {"{ 1.5 x9 }", 1.5},
        {"{ 6 Q }", 0},              {"\n { 6 }", 6},          {"{ 1 2 { 3 4 }", 2},     {"6 }", 6},
    };
    for (const Case& c : cases) {
        double result = 0;
        EXPECT_NO_THROW(result = CalculatorResult(c.program)) << c.program;
        EXPECT_NEAR(result, c.expected, 1e-9) << c.program;
    }
}

TEST(TPDFType4Function, RollTurnsTheTopElements) {
    Objects objects;
    auto function = Calculator(objects, "{ 1 2 3 4 5 4 2 roll }", 0, 5);
    EXPECT_EQ(Eval(*function, {}), (TPDFDoubleArray{1, 4, 5, 2, 3}));
    auto back = Calculator(objects, "{ 1 2 3 4 5 4 -2 roll }", 0, 5);
    EXPECT_EQ(Eval(*back, {}), (TPDFDoubleArray{1, 4, 5, 2, 3}));
    auto one = Calculator(objects, "{ 1 2 3 4 5 3 -1 roll }", 0, 5);
    EXPECT_EQ(Eval(*one, {}), (TPDFDoubleArray{1, 2, 4, 5, 3}));
}

TEST(TPDFType4Function, AProgramWithoutAClosingBraceLosesItsLastByte) {
    EXPECT_EQ(CalculatorResult("{ 3 45"), 4);
    EXPECT_EQ(CalculatorResult("{ 3 4"), 3);
}

TEST(TPDFType4Function, InputsArePushedInOrderAndOutputsPoppedFromTheTop) {
    Objects objects;
    auto function = Calculator(objects, "{ }", 3, 3);
    EXPECT_EQ(Eval(*function, {1, 2, 3}), (TPDFDoubleArray{1, 2, 3}));
    // Inputs are not clipped, outputs not clipped to Range.
    auto unclipped = CreatePDFFunction(objects.Stream("<< /FunctionType 4 /Domain [0 1] /Range [0 1] >>", "{ 2 mul }"));
    EXPECT_EQ(Eval(*unclipped, {5}), (TPDFDoubleArray{10}));
    // Missing inputs are 0.
    EXPECT_EQ(Eval(*function, {1}), (TPDFDoubleArray{1, 0, 0}));
}

TEST(TPDFType4Function, TheStackStartsEmptyOnEveryEvaluation) {
    Objects objects;
    // The program leaves 7 below its output.
    auto function = Calculator(objects, "{ pop 7 8 }", 1, 1);
    auto* calculator = dynamic_cast<TPDFType4Function*>(function.get());
    ASSERT_NE(calculator, nullptr);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Eval(*function, {1}), (TPDFDoubleArray{8}));
        EXPECT_EQ(calculator->Stack, (TPDFDoubleArray{7}));
    }
    // What an evaluation leaves does not reach the next one's outputs.
    auto leaves = Calculator(objects, "{ 1 2 3 }", 0, 1);
    EXPECT_EQ(Eval(*leaves, {}), (TPDFDoubleArray{3}));
    auto pops = Calculator(objects, "{ pop pop pop pop }", 0, 1);
    EXPECT_EQ(Eval(*pops, {}), (TPDFDoubleArray{0}));
}

TEST(TPDFType4Function, TheStackHoldsAtMostAHundredValues) {
    Objects objects;
    std::string program = "{ 1 2 3";
    for (int i = 0; i < 40; ++i) program += " 3 copy";
    program += " 200 }";  // dropped: the stack is full
    auto function = Calculator(objects, program, 0, 1);
    auto* calculator = dynamic_cast<TPDFType4Function*>(function.get());
    // Once the stack is full a copy's count is dropped too, and the copy takes the top value
    // as its count: the result is whatever the bounded stack holds, but it is bounded.
    EXPECT_EQ(Eval(*function, {}), (TPDFDoubleArray{3}));
    EXPECT_EQ(calculator->Stack.size(), static_cast<std::size_t>(kCalculatorStackLimit - 1));

    // Copies of the whole stack would double it each time.
    auto doubler = Calculator(objects, "{ 1 1 copy 2 copy 4 copy 8 copy 16 copy 32 copy 64 copy 99 copy }", 0, 1);
    EXPECT_EQ(Eval(*doubler, {}), (TPDFDoubleArray{1}));
    EXPECT_EQ(dynamic_cast<TPDFType4Function*>(doubler.get())->Stack.size(),
              static_cast<std::size_t>(kCalculatorStackLimit - 1));
}

TEST(TPDFType4Function, DeeplyNestedProceduresStopAtTheTokenLimit) {
    Objects objects;
    std::string program = "{";
    const int depth = 3000;
    for (int i = 0; i < depth; ++i) program += " 1 {";
    program += " 7";
    for (int i = 0; i < depth; ++i) program += " } if";
    program += " }";
    auto function = Calculator(objects, program, 0, 1);
    const auto start = std::chrono::steady_clock::now();
    Eval(*function, {});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    // A shallow one runs to its end.
    EXPECT_EQ(CalculatorResult("{ 1 { 1 { 1 { 9 } if } if } if }"), 9);
}

TEST(TPDFType4Function, ArithmeticFaultsRaise) {
    for (const std::string program : {"{ 1 0 div }", "{ 1 0 idiv }", "{ 1 0 mod }", "{ 0.4 0 idiv }", "{ -1 sqrt }",
                                      "{ 0 ln }", "{ -1 ln }", "{ 0 log }", "{ -5 log }", "{ 0 -1 exp }",
                                      "{ -8 0.5 exp }", "{ 10 300 exp dup mul }", "{ 10 308 exp dup add }",
                                      "{ 10 400 exp }", "{ 1 10 300 exp roll }", "{ 10 300 exp 1 and }",
                                      "{ 10 300 exp 2 idiv }"}) {
        EXPECT_THROW(CalculatorResult(program), EMathError) << program;
    }
    // The error is one of the framework's exceptions.
    EXPECT_THROW(CalculatorResult("{ 1 0 div }"), Exception);
}

}  // namespace
}  // namespace parch
