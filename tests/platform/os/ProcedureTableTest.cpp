#include <gtest/gtest.h>

#include <climits>

#include "platform/os/KernelCalls.h"
#include "platform/os/ProcedureTable.h"

namespace parch {
namespace {

int Twice(int v) {
    return 2 * v;
}

TEST(ProcedureTable, LibrariesAndFunctionsByName) {
    RegisterProcedureOf("TestLib.dll", "Twice", &Twice);
    HMODULE lib = LoadLibrary("testlib");
    ASSERT_NE(lib, nullptr);
    EXPECT_EQ(LoadLibrary("TESTLIB.DLL"), lib);  // case and extension do not matter
    EXPECT_EQ(GetModuleHandle("TestLib"), lib);
    auto* twice = GetProcAddressOf<int(int)>(lib, "Twice");
    ASSERT_NE(twice, nullptr);
    EXPECT_EQ(twice(21), 42);
    EXPECT_EQ(GetProcAddress(lib, "twice"), nullptr);  // function names match exactly
    EXPECT_EQ(GetProcAddress(lib, "Missing"), nullptr);
    EXPECT_EQ(GetProcAddress(lib, reinterpret_cast<const char*>(7)), nullptr);  // an ordinal
    EXPECT_EQ(GetProcAddress(nullptr, "Twice"), nullptr);
    EXPECT_EQ(GetProcAddress(GetModuleHandle(nullptr), "Twice"), nullptr);
    EXPECT_NE(GetModuleHandle(nullptr), nullptr);

    EXPECT_TRUE(FreeLibrary(lib));
    EXPECT_TRUE(FreeLibrary(lib));
    EXPECT_FALSE(FreeLibrary(lib));  // loaded twice, freed twice
    EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(&lib)));

    // Libraries that nobody provides are missing, so callers switch their features off.
    for (const char* name : {"uxtheme.dll", "dwmapi", "comctl32.dll", "kernel32"})
        EXPECT_EQ(LoadLibrary(name), nullptr) << name;
}

TEST(ProcedureTable, UnregisteredLibraryIsGoneAndItsHandleAnswersNothing) {
    RegisterProcedureOf("FakeLib.dll", "Twice", &Twice);
    HMODULE fake = LoadLibraryA("fakelib.dll");
    ASSERT_NE(fake, nullptr);
    UnregisterLibrary("FAKELIB");
    EXPECT_EQ(LoadLibraryA("fakelib.dll"), nullptr);
    EXPECT_EQ(GetProcAddress(fake, "Twice"), nullptr);
    EXPECT_FALSE(FreeLibrary(fake));
    // Registered again, it is a new library with a handle of its own.
    RegisterProcedureOf("FakeLib.dll", "Twice", &Twice);
    HMODULE again = LoadLibraryA("fakelib");
    EXPECT_NE(again, fake);
    EXPECT_NE(GetProcAddress(again, "Twice"), nullptr);
    EXPECT_EQ(GetProcAddress(fake, "Twice"), nullptr);
    UnregisterLibrary("FakeLib");
}

TEST(KernelCalls, MulDivRoundsAndReportsOverflow) {
    struct Case {
        std::int32_t number, numerator, denominator, result;
    };
    const Case cases[] = {
        {10, 3, 4, 8},     // 7.5 rounds up
        {-10, 3, 4, -8},   // and away from zero
        {10, -3, 4, -8},   {10, 3, -4, -8},  {-10, -3, -4, -8}, {5, 1, 3, 2},  {4, 1, 3, 1},
        {7, 0, 3, 0},      {1, 1, 0, -1},     // zero divisor
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX},   // 64-bit intermediate
        {INT_MAX, 2, 1, -1},                    // overflow
        {INT_MIN, 1, 1, -1},                    // -2^31 is refused too
        {INT_MIN, 1, -1, -1},
        {INT_MIN, 1, 2, -1073741824},
        {100, 96, 72, 133},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.result)
            << c.number << " " << c.numerator << " " << c.denominator;
}

TEST(KernelCalls, VersionIsNt61) {
    OSVERSIONINFO info;
    ASSERT_TRUE(GetVersionEx(&info));
    EXPECT_EQ(info.dwMajorVersion, 6u);
    EXPECT_EQ(info.dwMinorVersion, 1u);
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
    OSVERSIONINFO wrong;
    wrong.dwOSVersionInfoSize = 12;
    EXPECT_FALSE(GetVersionEx(&wrong));
    EXPECT_FALSE(GetVersionEx(nullptr));
}

}  // namespace
}  // namespace parch
