#include "cli/RegistryAccess.h"

#include "tests/platform/os/ScratchDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace parch {
namespace {

TEST(RegistryAccessTest, ReadsTheProductValuesAndAnswersEmptyWhenMissing) {
    const test::ScratchDir dir;
    struct Case { const char* hive; const char* version; const char* website; };
    const Case cases[] = {
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Parchwise]\n\"Version\"=\"2.1\"\n"
         "\"Website\"=\"http://w.example/\"\n", "2.1", "http://w.example/"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Parchwise]\n\"Version\"=\"2.1\"\n", "2.1", ""},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Parchwise]\n\"Version\"=dword:00000002\n"
         "\"Website\"=\"w\"\n", "", "w"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Other]\n\"Version\"=\"2.1\"\n", "", ""},
    };
    for (const Case& c : cases) {
        ::setenv("PARCH_REGISTRY_HIVE", dir.Write("hive.reg", c.hive).c_str(), 1);
        EXPECT_EQ(ReadVersionValue("Parchwise"), c.version) << c.hive;
        EXPECT_EQ(ReadWebsiteValue("Parchwise"), c.website) << c.hive;
    }
    ::setenv("PARCH_REGISTRY_HIVE", (dir.Path() + "none.reg").c_str(), 1);
    EXPECT_EQ(ReadVersionValue("Parchwise"), "");
    ::unsetenv("PARCH_REGISTRY_HIVE");
}

}  // namespace
}  // namespace parch
