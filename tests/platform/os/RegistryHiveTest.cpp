#include "platform/os/RegistryHive.h"

#include "platform/os/Files.h"

#include "tests/platform/os/ScratchDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace parch {
namespace {

constexpr const char* kKey = "HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Parchwise";

TEST(RegistryHiveTest, ReadsStringValuesOnly) {
    const RegistryHive hive = RegistryHive::Parse(
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Parchwise]\r\n"
        "\"Version\"=\"1.0.0\"\r\n"
        "\"Website\"=\"http://www.parchwise.example/\"\r\n"
        "\"Count\"=dword:00000007\r\n"
        "\"Blob\"=hex:01,02,\\\r\n  03\r\n"
        "\"Quoted\"=\"say \\\"hi\\\" C:\\\\dir\"\r\n"
        "@=\"default\"\r\n"
        "; a comment\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
        "\"Version\"=\"9\"\r\n");
    EXPECT_EQ(hive.ReadString(kKey, "Version").value_or("?"), "1.0.0");
    EXPECT_EQ(hive.ReadString(kKey, "WEBSITE").value_or("?"), "http://www.parchwise.example/");
    EXPECT_EQ(hive.ReadString("\\hkey_local_machine\\software\\tolvane\\parchwise", "Version").value_or("?"), "1.0.0");
    EXPECT_EQ(hive.ReadString(kKey, "Quoted").value_or("?"), "say \"hi\" C:\\dir");
    EXPECT_EQ(hive.ReadString(kKey, "").value_or("?"), "default");
    EXPECT_FALSE(hive.ReadString(kKey, "Count").has_value());
    EXPECT_FALSE(hive.ReadString(kKey, "Blob").has_value());
    EXPECT_FALSE(hive.ReadString(kKey, "Missing").has_value());
    EXPECT_FALSE(hive.ReadString("HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Else", "Version").has_value());
    EXPECT_TRUE(hive.HasKey("HKEY_LOCAL_MACHINE\\Software\\Other"));
}

TEST(RegistryHiveTest, MalformedOrMissingHivesAreEmpty) {
    const char* texts[] = {
        "",
        "[HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Parchwise]\n\"Version\"=\"1\"\n",  // no header
        "REGEDIT4\n\"Version\"=\"1\"\n",                                            // no key
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Parchwise\n\"Version\"=\"1\"\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Parchwise]\n\"Version\"=\"unclosed\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Parchwise]\n\"Version\"\n",
    };
    for (const char* text : texts) EXPECT_FALSE(RegistryHive::Parse(text).ReadString(kKey, "Version")) << text;
    EXPECT_FALSE(RegistryHive::Load("/nonexistent/hive.reg").HasKey(kKey));
}

TEST(RegistryHiveTest, TheEnvironmentPointsAtAnotherHive) {
    const test::ScratchDir dir;
    const std::string path = dir.Write("test.reg", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Parchwise]\n\"Version\"=\"7\"\n");
    ::setenv("PARCH_REGISTRY_HIVE", path.c_str(), 1);
    EXPECT_EQ(RegistryHive::DefaultPath(), path);
    EXPECT_EQ(RegistryHive::Load(RegistryHive::DefaultPath()).ReadString(kKey, "Version").value_or("?"), "7");
    ::unsetenv("PARCH_REGISTRY_HIVE");
    EXPECT_EQ(RegistryHive::DefaultPath(), ProgramFolder() + "Parchwise.reg");
}

}  // namespace
}  // namespace parch
