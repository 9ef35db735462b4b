#include <gtest/gtest.h>

#include <filesystem>

#include "framework/Application.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/Resources.h"
#include "platform/win/WinMessages.h"
#include "skin/engine/sSkinManager.h"
#include "tests/skin/engine/SkinFixtures.h"
#include "tests/skin/engine/SkinnedFormFixtures.h"

namespace parch {
namespace {

std::string SkinOptions(const char* version, const char* color) {
    return std::string("[GLOBALINFO]\r\nMASTERBITMAP=Master.bmp\r\nVERSION=") + version + "\r\nCOLOR=" + color +
           "\r\n[EDIT]\r\nBORDERSMASK=^0000^0000^0012^0012^0003^0003^0003^0003^1^0^1^1\r\n";
}

struct Recorder {
    std::vector<std::string> events;
};

class SkinManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        formSkinning.logSteps = false;
        formSkinning.providers.insert(skinnedForm.form);
        manager.MessageSink = [this](const std::string& text, TMsgDlgType) { recorder.events.push_back("message " + text); };
        manager.OnBeforeChange = [this](TsSkinManager&) { recorder.events.push_back("before"); };
        manager.OnAfterChange = [this](TsSkinManager& m) {
            recorder.events.push_back(std::string("after") + (SkinLoading ? " loading" : ""));
            (void)m;
        };
        manager.SetSkinDirectory(skins.Path());
    }
    // An editor record switches the program-wide editor link on; later tests start without it.
    void TearDown() override { EditorLinkActive = false; }

    void WriteFolderSkin(const std::string& name, const std::string& options) {
        std::filesystem::create_directory(skins.Path() + name);
        skins.Write(name + "/Options.dat", options);
        skins.Write(name + "/Master.bmp", test::MakeBmp(20, 20));
    }

    void AddInternalSkin(const std::string& name, const std::string& color) {
        TsStoredSkin& stored = manager.InternalSkins().Add();
        stored.Name = name;
        stored.Data = test::MakePack({{"Options.dat", SkinOptions("7.50", color.c_str())},
                                      {"Master.bmp", test::MakeBmp(20, 20)}});
    }

    TColor GlobalColor() const { return manager.GetGlobalColor(); }

    test::ScratchDir skins;
    HeadlessDisplay display;
    TApplication app;
    Recorder recorder;
    test::FakeFormSkinning formSkinning{recorder.events};
    test::RecordingForm skinnedForm{&app, "", recorder.events, true};
    TsSkinManager manager;
};

TEST_F(SkinManagerTest, FolderPackAndInternalSkinsLoadAndApplyInOrder) {
    WriteFolderSkin("Ocean", SkinOptions("7.50", "11"));
    skins.Write("Forest.vlz", test::MakePack({{"OPTIONS.dat", SkinOptions("7.50", "22")},
                                                {"master.BMP", test::MakeBmp(20, 20)}}));
    AddInternalSkin("Steelmoor (internal)", "33");

    manager.SetSkinName("Ocean");
    EXPECT_EQ(GlobalColor(), 11);
    EXPECT_FALSE(manager.Packed());
    EXPECT_EQ(manager.SkinData().SkinFolder, skins.Path() + "Ocean/");
    EXPECT_GE(manager.GetMaskIndex(GetSectionIndex(&manager, "EDIT"), "EDIT", "BORDERSMASK"), 0);

    manager.SetSkinName("Forest.VLZ");
    EXPECT_EQ(manager.SkinName(), "Forest");
    EXPECT_TRUE(manager.Packed());
    EXPECT_EQ(GlobalColor(), 22);
    EXPECT_EQ(manager.Tables().MasterBitmap->Width(), 20);

    manager.SetSkinName("Steelmoor (internal)");
    EXPECT_EQ(GlobalColor(), 33);
    EXPECT_EQ(manager.GetSkinInfo(), "7.5");

    EXPECT_EQ(recorder.events, (std::vector<std::string>{"before", "applied Ocean frozen", "after",
                                                         "before", "applied Forest frozen", "after",
                                                         "before", "applied Steelmoor (internal) frozen", "after"}));
    EXPECT_FALSE(SkinLoading);
    EXPECT_FALSE(SkinApplying);
}

TEST_F(SkinManagerTest, UnknownNamesFallBackToTheFirstInternalSkin) {
    AddInternalSkin("Steelmoor (internal)", "33");
    AddInternalSkin("Second", "44");
    for (const char* name : {"Nowhere", "../Ocean", "a/b", ".."}) {
        SCOPED_TRACE(name);
        manager.SetSkinName(name);
        EXPECT_EQ(manager.SkinName(), "Steelmoor (internal)");
        EXPECT_EQ(GlobalColor(), 33);
    }
    EXPECT_EQ(manager.InternalSkins().IndexOf("steelmoor (internal)"), -1);
}

TEST_F(SkinManagerTest, DriveLetterDirectoriesGiveTheInternalSkin) {
    WriteFolderSkin("Ocean", SkinOptions("7.50", "11"));
    AddInternalSkin("Steelmoor (internal)", "33");
    manager.SetSkinDirectory("c:\\Skins");
    manager.SetSkinName("Ocean");
    EXPECT_EQ(manager.SkinName(), "Steelmoor (internal)");
}

TEST_F(SkinManagerTest, WithoutAnySourceTheManagerTurnsOff) {
    manager.SetSkinName("Nowhere");
    EXPECT_FALSE(manager.Active());
    EXPECT_EQ(manager.GetSkinInfo(), "N/A");
    EXPECT_EQ(recorder.events.back(), "after");
}

// A damaged skin keeps the skin in use: its name, its tables, and the windows' look.
TEST_F(SkinManagerTest, AFailedLoadKeepsTheSkinInUse) {
    WriteFolderSkin("Ocean", SkinOptions("7.50", "11"));
    WriteFolderSkin("Broken", "[GLOBALINFO]\r\nMASTERBITMAP=Master.bmp\r\nCOLOR=99\r\n[EDIT]\r\nBORDERSMASK=^0000^00\r\n");
    skins.Write("Bad.vlz", "PK\x03\x04 not a pack");
    manager.SetSkinName("Ocean");
    size_t masks = manager.Tables().Masks.size();

    for (const char* name : {"Broken", "Bad"}) {
        SCOPED_TRACE(name);
        recorder.events.clear();
        manager.SetSkinName(name);
        EXPECT_EQ(manager.SkinName(), "Ocean");
        EXPECT_EQ(GlobalColor(), 11);
        EXPECT_EQ(manager.Tables().Masks.size(), masks);
        EXPECT_EQ(manager.GetSkinInfo(), "7.5");
        ASSERT_EQ(recorder.events.size(), 4u);
        EXPECT_EQ(recorder.events[1].rfind("message ", 0), 0u);
        EXPECT_EQ(recorder.events[2], "applied Ocean frozen");
        EXPECT_FALSE(SkinLoading);
    }
    EXPECT_EQ(recorder.events[1], "message Loaded data is not a packed Velvorin file");
}

// Whatever leaves a switch, the process-wide loading flag does not stay set.
TEST_F(SkinManagerTest, TheLoadingFlagDoesNotOutliveAnException) {
    WriteFolderSkin("Future", SkinOptions("8.10", "11"));
    manager.MessageSink = [](const std::string&, TMsgDlgType) { throw std::runtime_error("sink failed"); };
    EXPECT_THROW(manager.SetSkinName("Future"), std::runtime_error);
    EXPECT_FALSE(SkinLoading);
    EXPECT_FALSE(SkinApplying);
}

TEST_F(SkinManagerTest, SelectionAndEditColours) {
    WriteFolderSkin("One", SkinOptions("7.50", "11") + "[SELECTION]\r\nSTATES=1\r\nCOLOR=500\r\nHOTCOLOR=600\r\n"
                                                      "FONTCOLOR=7\r\n[EDIT2]\r\nFONTCOLOR=3\r\n");
    WriteFolderSkin("Two", SkinOptions("7.50", "11") + "[MENUITEM]\r\nHOTCOLOR=16777215\r\nHOTFONTCOLOR=9\r\n"
                                                      "[EDIT]\r\nFONTCOLOR=3\r\n");
    manager.SetSkinName("One");
    EXPECT_EQ(manager.GetSelectionColor(true), 500);  // one state: the normal colour
    EXPECT_EQ(manager.GetSelectionFontColor(false), 7);
    EXPECT_EQ(manager.GetEditFontColor(), 0);          // EDIT without FONTCOLOR
    manager.SetSkinName("Two");
    EXPECT_EQ(manager.GetSelectionColor(false), clHighlight);
    EXPECT_EQ(manager.GetSelectionFontColor(true), 9);
    EXPECT_EQ(manager.GetEditFontColor(), 3);
}

TEST_F(SkinManagerTest, ApplicationHookRemembersSystemCommandsWhileSkinned) {
    auto send = [&](UINT msg, WPARAM wParam) {
        TMessage message;
        message.Msg = msg;
        message.WParam = wParam;
        return manager.ApplicationHook(message);
    };
    EXPECT_FALSE(send(WM_SYSCOMMAND, 0xF020));
    EXPECT_EQ(manager.SysCommandState(), 0);  // no skin yet
    WriteFolderSkin("Ocean", SkinOptions("7.50", "11"));
    manager.SetSkinName("Ocean");
    EXPECT_FALSE(send(WM_SYSCOMMAND, 0xF022));
    EXPECT_EQ(manager.SysCommandState(), 2);
    EXPECT_FALSE(send(WM_SYSCOMMAND, 0xF120));
    EXPECT_EQ(manager.SysCommandState(), 1);
    EXPECT_FALSE(send(WM_SYSCOMMAND, 0xF060));
    EXPECT_EQ(manager.SysCommandState(), 0);
    EXPECT_TRUE(send(0x031A, 0));
    EXPECT_FALSE(send(0x0010, 0));
}

TEST_F(SkinManagerTest, AFailedFirstLoadAppliesNothing) {
    WriteFolderSkin("Broken", "[GLOBALINFO]\r\nSHADOW1BLUR=soft\r\n");
    manager.SetSkinName("Broken");
    EXPECT_EQ(manager.SkinName(), "");
    EXPECT_EQ(manager.GetSkinInfo(), "N/A");
    EXPECT_EQ(recorder.events.size(), 3u);  // before, the message, after: nothing applied
}

TEST_F(SkinManagerTest, NewerSkinsAreAnnounced) {
    WriteFolderSkin("Future", SkinOptions("8.10", "11"));
    manager.SetSkinName("Future");
    ASSERT_GE(recorder.events.size(), 2u);
    EXPECT_EQ(recorder.events[1].rfind("message This version of the skin have not complete support", 0), 0u);
    EXPECT_EQ(GlobalColor(), 11);
}

TEST_F(SkinManagerTest, TurningOffRemovesTheSkin) {
    WriteFolderSkin("Ocean", SkinOptions("7.50", "11"));
    manager.SetSkinName("Ocean");
    manager.SetActive(false);
    EXPECT_EQ(recorder.events.back(), "removed Ocean");
    EXPECT_TRUE(manager.Tables().Sections.empty());
    EXPECT_EQ(manager.ConstData().GlobalInfo, -1);
    EXPECT_EQ(manager.GetSkinInfo(), "N/A");
    manager.SetActive(true);
    EXPECT_EQ(GlobalColor(), 11);
}

TEST_F(SkinManagerTest, CatalogueKinds) {
    WriteFolderSkin("Ocean", SkinOptions("7.50", "11"));
    std::filesystem::create_directory(skins.Path() + "Empty");
    skins.Write("Blue.Night.vlz", "x");
    skins.Write("Red.VLZ", "x");
    skins.Write(".Hidden.vlz", "x");
    AddInternalSkin("Steelmoor (internal)", "33");
    std::string first;
    using Names = std::vector<std::string>;
    EXPECT_EQ(manager.BuildSkinCatalogue(sckFolders, first), (Names{"Ocean", "Steelmoor (internal)"}));
    EXPECT_EQ(first, "Steelmoor (internal)");
    EXPECT_EQ(manager.BuildSkinCatalogue(sckPacks, first), (Names{"Blue", "Steelmoor (internal)"}));
    EXPECT_EQ(manager.BuildSkinCatalogue(sckBoth, first), (Names{"Blue", "Ocean", "Steelmoor (internal)"}));
    EXPECT_EQ(manager.BuildSkinCatalogue(3, first), (Names{"Steelmoor (internal)"}));
}

struct DirectoryCase {
    const char* directory;
    const char* resolved;
};

TEST(SkinDirectory, ResolvesAgainstTheProgramFolder) {
    const DirectoryCase cases[] = {
        {"..\\Skins", "/apps/Skins"}, {"../Skins/", "/apps/Skins/"}, {".\\Skins", "/apps/tool/Skins"},
        {"./Skins", "/apps/tool/Skins"}, {"Skins", "/apps/tool/Skins"}, {"/opt/skins", "/opt/skins"},
        {"c:\\Skins", ""}, {"\\\\server\\share", ""},
    };
    for (const DirectoryCase& c : cases) {
        SCOPED_TRACE(c.directory);
        EXPECT_EQ(ResolveSkinDirectoryAgainst(c.directory, "/apps/tool/"), c.resolved);
    }
}

TEST(SkinManagerDefault, TheFirstManagerIsTheDefault) {
    TsSkinManager first;
    TsSkinManager second;
    EXPECT_TRUE(first.IsDefault());
    EXPECT_FALSE(second.IsDefault());
    EXPECT_EQ(GetSectionIndex(nullptr, "GLOBALINFO"), -1);
    EXPECT_EQ(TsSkinManager::GetVersion(), "7.60");
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

std::string EditorRecord(const std::string& name, const std::string& directory, const std::string& options) {
    std::string record(30646, '\0');
    record[0] = '\x00';
    record[1] = '\xA4';
    record.replace(4, std::min<size_t>(name.size(), 128), name.substr(0, 128));
    record.replace(132, std::min<size_t>(directory.size(), 513), directory.substr(0, 513));
    record.replace(645, std::min<size_t>(options.size(), 30001), options.substr(0, 30001));
    return record;
}

TMessage CopyDataMessage(TacCopyData& data, const std::string& record, WPARAM kind = 7) {
    data.Size = static_cast<std::uint32_t>(record.size());
    data.Data = record.data();
    TMessage message;
    message.Msg = 0x004A;
    message.WParam = kind;
    message.LParam = reinterpret_cast<LPARAM>(&data);
    return message;
}

TEST_F(SkinManagerTest, AnEditorRecordLoadsItsTextInPlaceOfOptions) {
    WriteFolderSkin("Ocean", SkinOptions("7.50", "11"));
    std::string record = EditorRecord("Ocean", skins.Path(), SkinOptions("7.50", "77"));
    TacCopyData data;
    TMessage message = CopyDataMessage(data, record);
    ReceiveEditorSkin(message, manager);
    EXPECT_EQ(message.Result, 1);
    EXPECT_EQ(manager.SkinName(), "Ocean");
    EXPECT_EQ(GlobalColor(), 77);
    EXPECT_TRUE(EditorLinkActive);
    // The editor's text is used for that load only.
    manager.SetSkinName("Ocean");
    EXPECT_EQ(GlobalColor(), 11);
}

// Fields without their zero byte end at their own size; records that are short, carry another
// marker or come with another WParam are ignored.
TEST_F(SkinManagerTest, EditorRecordsAreReadInsideTheirBounds) {
    AddInternalSkin("Steelmoor (internal)", "33");
    std::string record = EditorRecord(std::string(128, 'N'), std::string(513, 'D'), std::string(30001, ';'));
    TacCopyData data;
    TMessage message = CopyDataMessage(data, record);
    ReceiveEditorSkin(message, manager);
    EXPECT_EQ(message.Result, 1);
    EXPECT_EQ(manager.SkinDirectory(), std::string(513, 'D'));
    EXPECT_EQ(manager.SkinName(), std::string(128, 'N'));

    std::string wrongMarker = EditorRecord("Ocean", skins.Path(), "");
    wrongMarker[1] = '\xA5';
    for (const std::string* bytes : {&wrongMarker}) {
        TMessage ignored = CopyDataMessage(data, *bytes);
        ReceiveEditorSkin(ignored, manager);
        EXPECT_EQ(ignored.Result, 0);
    }
    std::string shortRecord = EditorRecord("Ocean", skins.Path(), "").substr(0, 700);
    TMessage tooShort = CopyDataMessage(data, shortRecord);
    ReceiveEditorSkin(tooShort, manager);
    EXPECT_EQ(tooShort.Result, 0);
    TMessage otherKind = CopyDataMessage(data, record, 6);
    ReceiveEditorSkin(otherKind, manager);
    EXPECT_EQ(otherKind.Result, 0);
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

TEST(SkinEngineStart, LoadsTheShadowPicturesAndReadsSwitches) {
    std::vector<std::string> messages;
    StartSkinEngine([&](const std::string& text, TMsgDlgType) { messages.push_back(text); });
    EXPECT_TRUE(messages.empty());  // the test program is not started with "/acver"
    EXPECT_EQ(ActiveShadowPicture().Width(), 33);
    EXPECT_EQ(InactiveShadowPicture().Height(), 33);
    EXPECT_EQ(ActiveShadowPicture().PixelFormat(), pf32bit);
    // Form descriptions find the shadows as the program's named raw-data resources.
    EXPECT_FALSE(ResourceBytes(nullptr, "acSHDA", RT_RCDATA).empty());
    EXPECT_FALSE(ResourceBytes(nullptr, "ACSHDI", RT_RCDATA).empty());
    EXPECT_GT(ScrollBarArrowWidth(), 0);
    EXPECT_TRUE(HasCommandLineSwitch({"x", "/ACVer"}, "/acver"));
    EXPECT_FALSE(HasCommandLineSwitch({"/acversion", "acver"}, "/acver"));
    EXPECT_EQ(SkinCommandMessage, 0xA100u);
}

}  // namespace
}  // namespace parch

#include "framework/Application.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/Messages.h"
#include "platform/win/Resources.h"

namespace parch {
namespace {

// The default manager watches the application window from its creation to its destruction.
TEST(SkinManagerApplicationHook, TheDefaultManagerHooksTheApplicationWindow) {
    HeadlessDisplay display;
    TApplication app;
    test::ScratchDir skins;
    std::filesystem::create_directory(skins.Path() + "Ocean");
    skins.Write("Ocean/Options.dat", SkinOptions("7.50", "11"));
    {
        TsSkinManager manager;
        ASSERT_TRUE(manager.IsDefault());
        manager.SetSkinDirectory(skins.Path());
        manager.SetSkinName("Ocean");
        SendMessage(app.Handle(), WM_SYSCOMMAND, 0xF120, 0);
        EXPECT_EQ(manager.SysCommandState(), 1);
    }
    // The hook left with the manager: no message reaches the destroyed object (the sanitizer
    // build reports any that does).
    SendMessage(app.Handle(), WM_SYSCOMMAND, 0xF060 + 0x100, 0);
    EXPECT_EQ(TsSkinManager::DefaultManager(), nullptr);
}

}  // namespace
}  // namespace parch
