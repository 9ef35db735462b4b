#pragma once
// The edit-mask language of masked edits, as pure functions on the mask text, and the
// masked edit that applies it to what the user types.
//
// A mask has up to three sections separated by ';': the mask itself, whether the text keeps
// the literals ("0": no, anything else or missing: yes) and the character shown for a place
// not filled yet (default '_'). In the mask:
//   L letter   l letter or nothing   A letter or digit   a letter, digit or nothing
//   C any      c any or nothing      0 digit             9 digit or nothing
//   # digit, sign or nothing         : time separator    / date separator
//   > upper case from here           < lower case from here   <> neither
//   \ the next character is a literal   ! optional places are blanks at the start
//   _ a blank (a space) in the text    anything else is a literal.
// Offsets in the mask count the mask's characters; offsets in the text count the places of
// the edit text (directives take none). Offsets are 0-based.

#include <string>

#include "framework/StdCtrls.h"

namespace parch {

constexpr char mDirReverse = '!';
constexpr char mDirUpperCase = '>';
constexpr char mDirLowerCase = '<';
constexpr char mDirLiteral = '\\';
constexpr char mMskAlpha = 'L';
constexpr char mMskAlphaOpt = 'l';
constexpr char mMskAlphaNum = 'A';
constexpr char mMskAlphaNumOpt = 'a';
constexpr char mMskAscii = 'C';
constexpr char mMskAsciiOpt = 'c';
constexpr char mMskNumeric = '0';
constexpr char mMskNumericOpt = '9';
constexpr char mMskNumSymOpt = '#';
constexpr char mMskTimeSeparator = ':';
constexpr char mMskDateSeparator = '/';
constexpr char mMskFieldSeparator = ';';
constexpr char mMskBlank = '_';
constexpr char DefaultBlank = '_';

enum class TMaskCharType { mcNone, mcLiteral, mcIntlLiteral, mcDirective, mcMask, mcMaskOpt, mcFieldSeparator, mcField };
using enum TMaskCharType;

using TMaskDirectives = unsigned;
constexpr TMaskDirectives mdReverseDir = 1;
constexpr TMaskDirectives mdUpperCase = 2;
constexpr TMaskDirectives mdLowerCase = 4;
constexpr TMaskDirectives mdLiteralChar = 8;

// Where the first section ends (the first ';' that is not a literal), -1 when there is one section.
int MaskGetFldSeparator(const std::string& editMask);
// Whether the text keeps the literals (second section).
bool MaskGetMaskSave(const std::string& editMask);
// The character of an empty place (third section).
char MaskGetMaskBlank(const std::string& editMask);

// What the mask character at maskOffset is (mcNone past the end).
TMaskCharType MaskGetCharType(const std::string& editMask, int maskOffset);
// The case and direction directives in force at maskOffset.
TMaskDirectives MaskGetCurrentDirectives(const std::string& editMask, int maskOffset);
// The character an international literal stands for (':' and '/' as they are; others unchanged).
char MaskIntlLiteralToChar(char c);

// The edit-text place of a mask offset, and the mask offset of a place (-1 past the end).
int MaskOffsetToOffset(const std::string& editMask, int maskOffset);
int OffsetToMaskOffset(const std::string& editMask, int offset);
// The number of places of the edit text.
int MaskEditLength(const std::string& editMask);
// Whether the place holds a literal the user does not type.
bool IsLiteralChar(const std::string& editMask, int offset);

// The edit text of value: literals in their places, value's characters in the others (with
// the case directives applied), blank where value ends. Value holds the literals too when the
// mask keeps them. With '!' the value fills the places from the end.
std::string MaskDoFormatText(const std::string& editMask, const std::string& value, char blank);
std::string FormatMaskText(const std::string& editMask, const std::string& value);

// Whether ch may be typed at the place; ch comes back in the case the mask asks for.
bool MaskCharAllowed(const std::string& editMask, int offset, char& ch);
// The first place that must be filled and is not (blank or space), -1 when the text is complete.
int MaskFirstMissing(const std::string& editMask, const std::string& editText);
// The text of an edit text: blanks become spaces, literals go when the mask does not keep them.
std::string MaskEditTextToText(const std::string& editMask, const std::string& editText);

// Text that does not fill the mask.
class EDBEditError : public Exception {
public:
    using Exception::Exception;
};

// An edit whose text follows an edit mask: literals stand in their places and are skipped by
// the cursor, empty places show the mask's blank, and characters the place does not allow
// are refused. Without a mask it is a plain edit.
class TCustomMaskEdit : public TCustomEdit {
public:
    explicit TCustomMaskEdit(TComponent* owner);

    const std::string& EditMask() const { return editMask_; }
    void SetEditMask(const std::string& value);
    bool IsMasked() const { return !editMask_.empty(); }
    // The text as shown, literals and blanks included.
    const std::string& EditText() const { return TCustomEdit::Text(); }
    void SetEditText(const std::string& value);
    // The text as the mask gives it: blanks as spaces, literals only when the mask keeps them.
    std::string Text() const;
    void SetText(const std::string& value) override;
    // Raises EDBEditError, with the cursor on the first place to fill, when a place the mask
    // requires is empty.
    virtual void ValidateEdit();
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(char16_t& key) override;
    void Dispatch(TMessage& message) override;

private:
    // The first place at or after (forward) or before (backward) offset that is not a literal.
    int InputPlace(int offset, bool forward) const;
    void BlankSelection(std::string& text, int start, int length) const;
    void TypeChar(char ch);
    void DeleteChars(bool backward);
    void ShowEditText(const std::string& text, int cursor);

    std::string editMask_;
};

class TMaskEdit : public TCustomMaskEdit {
public:
    using TCustomMaskEdit::TCustomMaskEdit;
};

}  // namespace parch
