#include <gtest/gtest.h>

#include "bitmap32/Bitmap32Registry.h"

namespace parch {
namespace {

int RegistryFirst() { return 1; }
int RegistrySecond() { return 2; }
int RegistryThird() { return 3; }

using Routine = int();

TEST(FunctionRegistry, LastUsableVariantWinsAndMissingFeaturesNeverBind) {
    TFunctionRegistry registry("test");
    Routine* bound = nullptr;
    Routine* unbound = &RegistryFirst;
    registry.AddBinding(0, &bound);
    registry.AddBinding(7, &unbound);
    registry.AddVariant(0, &RegistryFirst);
    registry.AddVariant(0, &RegistrySecond);
    // A feature no processor reports here: bit 7 is outside every probe.
    registry.AddVariant(0, &RegistryThird, static_cast<TCpuFeatures>(0x80));
    registry.BindAll();
    ASSERT_NE(bound, nullptr);
    EXPECT_EQ(bound(), 2);
    EXPECT_EQ(unbound, nullptr) << "an identifier without variants binds nil";
}

TEST(FunctionRegistry, PriorityPicksTheLowestAndTiesGoToTheLaterOne) {
    TFunctionRegistry registry("test");
    registry.AddVariant(0, &RegistryFirst, 0, 0);
    registry.AddVariant(0, &RegistrySecond, FeatureSet(cfSSE2));
    registry.AddVariant(0, &RegistryThird, FeatureSet(cfSSE2));
    auto portableOnly = [](const TFunctionInfo& v) { return v.Features == 0 ? 5 : NoPriority; };
    EXPECT_EQ(registry.Find<Routine>(0, portableOnly)(), 1);
    auto all = [](const TFunctionInfo&) { return 0; };
    EXPECT_EQ(registry.Find<Routine>(0, all)(), 3);
    EXPECT_EQ(registry.FindVariant(1, all), nullptr);
    registry.Clear();
    EXPECT_EQ(registry.FindVariant(0, all), nullptr);
}

TEST(CpuFeatures, ProbesAreStableAndConsistent) {
    const TCpuFeatures features = CpuFeatures();
    EXPECT_EQ(features, CpuFeatures());
#if defined(__x86_64__)
    EXPECT_TRUE(HasFeature(features, cfSSE2)) << "every x86-64 processor has SSE2";
    EXPECT_TRUE(HasFeature(features, cfExtendedMMX)) << "SSE implies the extended MMX set";
#else
    EXPECT_EQ(features, 0);
#endif
    EXPECT_EQ(HasFeature(features, cfAVX2), ProbeCpuFeature(cfAVX2));
}

}  // namespace
}  // namespace parch
