#include <gtest/gtest.h>

#include <string>

#include "framework/Mask.h"
#include "tests/framework/FormFixture.h"

namespace parch {
namespace {

class MaskEditTest : public FormFixture {
protected:
    TMaskEdit* edit = nullptr;

    void SetUp() override {
        TForm* form = MakeForm(200, 100);
        edit = Child<TMaskEdit>(form, 10, 10, 150, 21);
        Show(form);
    }
    // Types the keys into the focused edit; '\b' is backspace, '\x7F' the Delete key.
    void Type(const std::string& keys) {
        edit->SetFocus();
        app.ProcessMessages();
        for (char c : keys) {
            if (c == '\b')
                display.PressKey(VK_BACK);
            else if (c == '\x7F')
                display.PressKey(VK_DELETE);
            else
                display.TypeText(std::string(1, c));
            app.ProcessMessages();
        }
    }
};

TEST_F(MaskEditTest, KeystrokesFollowTheMask) {
    struct Case {
        std::string mask;
        std::string keys;
        std::string editText;
        std::string text;
    } cases[] = {
        {"(999) 000-0000;1;_", "5551234567", "(555) 123-4567", "(555) 123-4567"},
        {"00/00/0000;1;_", "12252026", "12/25/2026", "12/25/2026"},
        {">LL-000;0;_", "ab123", "AB-123", "AB123"},
        {"000;1;_", "1a2", "12_", "12 "},         // a letter is refused where a digit goes
        {"000;1;*", "12\b", "1**", "1  "},         // backspace blanks with the mask's blank
        {"00-00;1;_", "123\b\b", "1_-__", "1 -  "},  // backspace skips the literal
        {"LL;1;_", "a1b", "ab", "ab"},
    };
    for (const Case& c : cases) {
        edit->SetEditMask(c.mask);
        edit->SetText("");
        edit->SelectAll();
        Type(c.keys);
        EXPECT_EQ(edit->EditText(), c.editText) << c.mask << " / " << c.keys;
        EXPECT_EQ(edit->Text(), c.text) << c.mask;
    }
}

TEST_F(MaskEditTest, TheCursorSkipsLiteralsAndDeleteBlanksTheSelection) {
    edit->SetEditMask("00:00;1;_");
    edit->SetText("");
    edit->SetSelStart(0);
    Type("12");
    EXPECT_EQ(edit->SelStart(), 3);  // past the ':'
    Type("34");
    edit->SetSelStart(1);
    edit->SetSelLength(3);
    Type("\x7F");
    EXPECT_EQ(edit->EditText(), "1_:_4");
}

TEST_F(MaskEditTest, ValidateEditRefusesAnIncompleteText) {
    edit->SetEditMask("00/00/0000;0;_");
    edit->SetText("1225");
    EXPECT_THROW(edit->ValidateEdit(), EDBEditError);
    EXPECT_EQ(edit->SelStart(), 6);  // the first missing place
    edit->SetText("12252026");
    EXPECT_NO_THROW(edit->ValidateEdit());
    edit->SetEditMask("");
    edit->SetText("anything");
    EXPECT_FALSE(edit->IsMasked());
    EXPECT_NO_THROW(edit->ValidateEdit());
    EXPECT_EQ(edit->Text(), "anything");
}

TEST_F(MaskEditTest, PasswordMaskShowsOneCharacterPerCodePoint) {
    edit->SetText("Grüße 😀");
    edit->SetPasswordChar(U'*');
    EXPECT_EQ(edit->DisplayText(), "*******");
}

}  // namespace
}  // namespace parch
