// Dialog templates in the byte layout that Windows' public documentation gives for DLGTEMPLATE,
// DLGITEMTEMPLATE, DLGTEMPLATEEX and DLGITEMTEMPLATEEX; there is no other implementation here to
// compare with, so the layouts are pinned by hand-written bytes.

#include <gtest/gtest.h>

#include <cstring>

#include "platform/win/WinApi.h"

namespace parch {
namespace {

// Little-endian bytes as the documentation lays them out.
class Bytes {
public:
    Bytes& W(WORD v) {
        b_.push_back(static_cast<BYTE>(v));
        b_.push_back(static_cast<BYTE>(v >> 8));
        return *this;
    }
    Bytes& D(DWORD v) { return W(static_cast<WORD>(v)).W(static_cast<WORD>(v >> 16)); }
    Bytes& B(BYTE v) {
        b_.push_back(v);
        return *this;
    }
    Bytes& S(const std::u16string& s) {
        for (char16_t c : s) W(c);
        return W(0);
    }
    Bytes& Align() {
        while (b_.size() % 4) b_.push_back(0);
        return *this;
    }
    const std::vector<BYTE>& Get() const { return b_; }

private:
    std::vector<BYTE> b_;
};

std::vector<BYTE> ClassicSample() {
    Bytes b;
    b.D(WS_POPUP | WS_CAPTION | DS_SETFONT | DS_MODALFRAME).D(WS_EX_TOPMOST).W(2);
    b.W(10).W(20).W(180).W(90);
    b.W(0);                       // no menu
    b.W(0);                       // the dialog class
    b.S(u"Find");                 // title
    b.W(8).S(u"MS Shell Dlg");    // font
    b.Align();
    b.D(WS_CHILD | WS_TABSTOP).D(0).W(7).W(70).W(50).W(14).W(1);
    b.W(0xFFFF).W(0x0080);        // Button
    b.S(u"OK");
    b.W(0);                       // no creation data
    b.Align();
    b.D(WS_CHILD | 3).D(WS_EX_STATICEDGE).W(7).W(7).W(20).W(20).W(100);
    b.S(u"MyClass");
    b.W(0xFFFF).W(32516);         // ordinal title (an icon)
    b.W(3).B(0xA).B(0xB).B(0xC);  // three bytes of creation data
    return b.Get();
}

std::vector<BYTE> ExtendedSample() {
    Bytes b;
    b.W(1).W(0xFFFF).D(77).D(WS_EX_CONTROLPARENT).D(WS_CHILD | DS_SHELLFONT | DS_CONTROL).W(1);
    b.W(0).W(0).W(100).W(50);
    b.W(0xFFFF).W(5);    // menu ordinal
    b.S(u"PanelClass");  // class by name
    b.S(u"");            // no title
    b.W(9).W(700).B(1).B(0).S(u"Tahoma");
    b.Align();
    b.D(123).D(0).D(WS_CHILD | WS_VISIBLE).W(1).W(2).W(3).W(4).D(0x12345);
    b.W(0xFFFF).W(0x0085);  // ComboBox
    b.S(u"Caf\u00e9");
    b.W(0);
    return b.Get();
}

TEST(DialogTemplates, ReadsTheClassicLayout) {
    std::vector<BYTE> bytes = ClassicSample();
    auto t = ReadDialogTemplate(bytes.data(), bytes.size());
    ASSERT_TRUE(t);
    EXPECT_FALSE(t->extended);
    EXPECT_EQ(t->style, WS_POPUP | WS_CAPTION | DS_SETFONT | DS_MODALFRAME);
    EXPECT_EQ(t->exStyle, WS_EX_TOPMOST);
    EXPECT_EQ((std::vector<short>{t->x, t->y, t->cx, t->cy}), (std::vector<short>{10, 20, 180, 90}));
    EXPECT_FALSE(t->menu.Present());
    EXPECT_FALSE(t->windowClass.Present());
    EXPECT_EQ(t->title, "Find");
    ASSERT_TRUE(t->font);
    EXPECT_EQ(t->font->pointSize, 8);
    EXPECT_EQ(t->font->face, "MS Shell Dlg");
    ASSERT_EQ(t->items.size(), 2u);
    EXPECT_EQ(t->items[0].className, "Button");
    EXPECT_EQ(t->items[0].title.name, "OK");
    EXPECT_EQ(t->items[0].id, 1u);
    EXPECT_TRUE(t->items[0].creationData.empty());
    EXPECT_EQ(t->items[1].className, "MyClass");
    EXPECT_EQ(t->items[1].exStyle, WS_EX_STATICEDGE);
    EXPECT_EQ(t->items[1].title.ordinal, std::optional<WORD>(32516));
    // Controls get the creation data behind its size word.
    EXPECT_EQ(t->items[1].creationData, (std::vector<BYTE>{3, 0, 0xA, 0xB, 0xC}));
}

TEST(DialogTemplates, ReadsTheExtendedLayout) {
    std::vector<BYTE> bytes = ExtendedSample();
    auto t = ReadDialogTemplate(bytes.data(), bytes.size());
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->extended);
    EXPECT_EQ(t->helpId, 77u);
    EXPECT_EQ(t->style, WS_CHILD | DS_SHELLFONT | DS_CONTROL);
    EXPECT_EQ(t->exStyle, WS_EX_CONTROLPARENT);
    EXPECT_EQ(t->menu.ordinal, std::optional<WORD>(5));
    EXPECT_EQ(t->windowClass.name, "PanelClass");
    ASSERT_TRUE(t->font);
    EXPECT_EQ(t->font->weight, 700);
    EXPECT_EQ(t->font->italic, 1);
    EXPECT_EQ(t->font->face, "Tahoma");
    ASSERT_EQ(t->items.size(), 1u);
    EXPECT_EQ(t->items[0].helpId, 123u);
    EXPECT_EQ(t->items[0].id, 0x12345u);
    EXPECT_EQ(t->items[0].className, "ComboBox");
    EXPECT_EQ(t->items[0].title.name, "Caf\xC3\xA9");
}

TEST(DialogTemplates, BuilderWritesTheDocumentedBytes) {
    // The builder's output is the hand-written template, byte for byte.
    DialogTemplateBuilder classic(WS_POPUP | WS_CAPTION | DS_MODALFRAME, WS_EX_TOPMOST, {10, 20, 190, 110}, "Find");
    classic.Font(8, "MS Shell Dlg")
        .AddItem(kDialogClassButton, WS_CHILD | WS_TABSTOP, {7, 70, 57, 84}, 1, "OK")
        .AddItem("MyClass", WS_CHILD | 3, {7, 7, 27, 27}, 100, "", WS_EX_STATICEDGE)
        .TitleOrdinal(32516)
        .CreationData({0xA, 0xB, 0xC});
    EXPECT_EQ(classic.Build(), ClassicSample());

    DialogTemplateBuilder extended(WS_CHILD | DS_SHELLFONT | DS_CONTROL, WS_EX_CONTROLPARENT, {0, 0, 100, 50}, "", true);
    extended.Font(9, "Tahoma", 700, 1, 0).WindowClass("PanelClass").Menu(5);
    extended.AddItem(kDialogClassComboBox, WS_CHILD | WS_VISIBLE, {1, 2, 4, 6}, 0x12345, "Caf\xC3\xA9");
    std::vector<BYTE> expected = ExtendedSample();
    // The builder leaves the help identifiers at 0: the dialog's (77) and the item's (123, the
    // item's first DWORD).
    expected[4] = 0;
    for (std::size_t i = 40; i + 4 <= expected.size(); i += 4)
        if (expected[i] == 123 && expected[i + 1] == 0 && expected[i + 2] == 0 && expected[i + 3] == 0) {
            expected[i] = 0;
            break;
        }
    EXPECT_EQ(extended.Build(), expected);
}

TEST(DialogTemplates, EveryTruncationFailsCleanly) {
    for (const auto& sample : {ClassicSample(), ExtendedSample()}) {
        for (std::size_t n = 0; n < sample.size() - 1; ++n) {
            // A copy of exactly n bytes, so a read past its end is caught by the sanitizers.
            std::vector<BYTE> cut(sample.begin(), sample.begin() + static_cast<std::ptrdiff_t>(n));
            SetLastError(0);
            EXPECT_FALSE(ReadDialogTemplate(cut.data(), cut.size())) << "size " << n;
            EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA) << "size " << n;
        }
    }
}

TEST(DialogTemplates, MalformedFieldsAreRefused) {
    struct Case {
        const char* what;
        std::vector<BYTE> bytes;
    };
    std::vector<BYTE> unknownOrdinal = ClassicSample();
    // The first item's class ordinal 0x0080 becomes 0x0099.
    for (std::size_t i = 0; i + 3 < unknownOrdinal.size(); ++i)
        if (unknownOrdinal[i] == 0xFF && unknownOrdinal[i + 1] == 0xFF && unknownOrdinal[i + 2] == 0x80) {
            unknownOrdinal[i + 2] = 0x99;
            break;
        }
    std::vector<BYTE> moreItemsThanBytes = ClassicSample();
    moreItemsThanBytes[8] = 0xFF;  // cdit
    std::vector<BYTE> unterminatedTitle = Bytes().D(WS_POPUP).D(0).W(0).W(0).W(0).W(0).W(0).W(0).W(0).W('A').W('B').Get();
    std::vector<BYTE> creationDataPastEnd = ClassicSample();
    creationDataPastEnd[creationDataPastEnd.size() - 5] = 0x40;  // announces 64 bytes, three follow
    for (const Case& c : std::vector<Case>{{"unknown class ordinal", unknownOrdinal},
                                           {"item count past the end", moreItemsThanBytes},
                                           {"unterminated title", unterminatedTitle},
                                           {"creation data past the end", creationDataPastEnd}}) {
        EXPECT_FALSE(ReadDialogTemplate(c.bytes.data(), c.bytes.size())) << c.what;
    }
    EXPECT_FALSE(ReadDialogTemplate(nullptr, 100));
}

}  // namespace
}  // namespace parch
