#include "framework/Mask.h"

#include <cctype>
#include <vector>

#include "framework/PropertyText.h"
#include "platform/win/WinApi.h"

namespace parch {

namespace mask {

// One place of the edit text.
struct Place {
    int maskOffset;
    TMaskCharType type;
    char maskChar;
    TMaskDirectives directives;
};

bool IsAlpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The type of each character of the first section, in one pass (escapes depend on what
// came before).
std::vector<TMaskCharType> CharTypes(const std::string& m) {
    std::vector<TMaskCharType> types(m.size(), mcLiteral);
    for (std::size_t i = 0; i < m.size(); ++i) {
        char c = m[i];
        if (c == mDirLiteral) {
            types[i] = mcDirective;
            if (i + 1 < m.size()) types[++i] = mcLiteral;
            continue;
        }
        switch (c) {
        case mDirReverse:
        case mDirUpperCase:
        case mDirLowerCase: types[i] = mcDirective; break;
        case mMskFieldSeparator: types[i] = mcFieldSeparator; break;
        case mMskTimeSeparator:
        case mMskDateSeparator: types[i] = mcIntlLiteral; break;
        case mMskAlpha:
        case mMskAlphaNum:
        case mMskAscii:
        case mMskNumeric: types[i] = mcMask; break;
        case mMskAlphaOpt:
        case mMskAlphaNumOpt:
        case mMskAsciiOpt:
        case mMskNumericOpt:
        case mMskNumSymOpt: types[i] = mcMaskOpt; break;
        default: types[i] = mcLiteral; break;
        }
    }
    return types;
}

// Whether a '!' that is not a literal stands in the mask.
bool Reversed(const std::string& m, const std::vector<TMaskCharType>& types) {
    for (std::size_t i = 0; i < m.size(); ++i)
        if (m[i] == mDirReverse && types[i] == mcDirective) return true;
    return false;
}

std::string FirstSection(const std::string& editMask) {
    int separator = MaskGetFldSeparator(editMask);
    return separator < 0 ? editMask : editMask.substr(0, static_cast<std::size_t>(separator));
}

std::vector<Place> Places(const std::string& editMask) {
    std::string m = FirstSection(editMask);
    std::vector<TMaskCharType> types = CharTypes(m);
    std::vector<Place> places;
    TMaskDirectives directives = Reversed(m, types) ? mdReverseDir : 0;
    for (std::size_t i = 0; i < m.size(); ++i) {
        if (types[i] == mcDirective) {
            if (m[i] == mDirUpperCase) directives = (directives & ~mdLowerCase) | mdUpperCase;
            if (m[i] == mDirLowerCase) {
                bool neither = i + 1 < m.size() && m[i + 1] == mDirUpperCase;  // "<>"
                directives = (directives & ~(mdUpperCase | mdLowerCase)) | (neither ? 0 : mdLowerCase);
                if (neither) ++i;
            }
            continue;
        }
        places.push_back({static_cast<int>(i), types[i], m[i], directives});
    }
    return places;
}

bool IsInput(const Place& p) { return p.type == mcMask || p.type == mcMaskOpt; }

char LiteralOf(const Place& p) {
    if (p.type == mcIntlLiteral) return MaskIntlLiteralToChar(p.maskChar);
    return p.maskChar == mMskBlank ? ' ' : p.maskChar;
}

char ApplyCase(char c, TMaskDirectives directives) {
    if (directives & mdUpperCase) return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (directives & mdLowerCase) return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c;
}

// The section after the first separator: (start, end) of the given index, or empty.
std::string Section(const std::string& editMask, int index) {
    int start = MaskGetFldSeparator(editMask);
    if (start < 0) return {};
    std::string rest = editMask.substr(static_cast<std::size_t>(start) + 1);
    for (int i = 1; i < index; ++i) {
        std::size_t next = rest.find(mMskFieldSeparator);
        if (next == std::string::npos) return {};
        rest = rest.substr(next + 1);
    }
    return rest.substr(0, rest.find(mMskFieldSeparator));
}

}  // namespace mask

int MaskGetFldSeparator(const std::string& editMask) {
    std::vector<TMaskCharType> types = mask::CharTypes(editMask);
    for (std::size_t i = 0; i < types.size(); ++i)
        if (types[i] == mcFieldSeparator) return static_cast<int>(i);
    return -1;
}

bool MaskGetMaskSave(const std::string& editMask) {
    std::string section = mask::Section(editMask, 1);
    return section.empty() || section[0] != '0';
}

char MaskGetMaskBlank(const std::string& editMask) {
    std::string section = mask::Section(editMask, 2);
    return section.empty() ? DefaultBlank : section[0];
}

TMaskCharType MaskGetCharType(const std::string& editMask, int maskOffset) {
    if (maskOffset < 0 || maskOffset >= static_cast<int>(editMask.size())) return mcNone;
    int separator = MaskGetFldSeparator(editMask);
    if (separator >= 0 && maskOffset > separator) return mcField;
    return mask::CharTypes(editMask)[static_cast<std::size_t>(maskOffset)];
}

TMaskDirectives MaskGetCurrentDirectives(const std::string& editMask, int maskOffset) {
    // '!' holds for the whole mask, the case from the place where it was set.
    std::string m = mask::FirstSection(editMask);
    TMaskDirectives result = mask::Reversed(m, mask::CharTypes(m)) ? mdReverseDir : 0;
    for (const mask::Place& p : mask::Places(editMask)) {
        if (p.maskOffset > maskOffset) break;
        result = p.directives;
    }
    if (MaskGetCharType(editMask, maskOffset) == mcLiteral && maskOffset > 0 &&
        MaskGetCharType(editMask, maskOffset - 1) == mcDirective && editMask[static_cast<std::size_t>(maskOffset) - 1] == mDirLiteral)
        result |= mdLiteralChar;
    return result;
}

char MaskIntlLiteralToChar(char c) {
    return c;  // the locale's separators are the mask's own here
}

int MaskOffsetToOffset(const std::string& editMask, int maskOffset) {
    int offset = 0;
    for (const mask::Place& p : mask::Places(editMask)) {
        if (p.maskOffset >= maskOffset) break;
        ++offset;
    }
    return offset;
}

int OffsetToMaskOffset(const std::string& editMask, int offset) {
    std::vector<mask::Place> places = mask::Places(editMask);
    if (offset < 0 || offset >= static_cast<int>(places.size())) return -1;
    return places[static_cast<std::size_t>(offset)].maskOffset;
}

int MaskEditLength(const std::string& editMask) {
    return static_cast<int>(mask::Places(editMask).size());
}

bool IsLiteralChar(const std::string& editMask, int offset) {
    std::vector<mask::Place> places = mask::Places(editMask);
    if (offset < 0 || offset >= static_cast<int>(places.size())) return false;
    return !mask::IsInput(places[static_cast<std::size_t>(offset)]);
}

std::string MaskDoFormatText(const std::string& editMask, const std::string& value, char blank) {
    std::vector<mask::Place> places = mask::Places(editMask);
    bool keepsLiterals = MaskGetMaskSave(editMask);
    std::string result(places.size(), blank);
    for (std::size_t i = 0; i < places.size(); ++i)
        if (!mask::IsInput(places[i])) result[i] = mask::LiteralOf(places[i]);
    bool reverse = !places.empty() && (places[0].directives & mdReverseDir);
    // Each place takes the next character of value; a literal place takes one only when the
    // value carries the literals.
    auto fill = [&](std::size_t place, std::size_t& next) {
        const mask::Place& p = places[place];
        if (!mask::IsInput(p)) {
            if (keepsLiterals && next < value.size()) ++next;
            return;
        }
        if (next >= value.size()) return;
        char c = value[reverse ? value.size() - 1 - next : next];
        ++next;
        result[place] = c == ' ' ? blank : mask::ApplyCase(c, p.directives);
    };
    std::size_t next = 0;
    if (reverse)
        for (std::size_t i = places.size(); i-- > 0;) fill(i, next);
    else
        for (std::size_t i = 0; i < places.size(); ++i) fill(i, next);
    return result;
}

std::string FormatMaskText(const std::string& editMask, const std::string& value) {
    return MaskDoFormatText(editMask, value, MaskGetMaskBlank(editMask));
}

bool MaskCharAllowed(const std::string& editMask, int offset, char& ch) {
    std::vector<mask::Place> places = mask::Places(editMask);
    if (offset < 0 || offset >= static_cast<int>(places.size())) return false;
    const mask::Place& p = places[static_cast<std::size_t>(offset)];
    if (!mask::IsInput(p)) return false;
    bool ok = false;
    switch (p.maskChar) {
    case mMskAlpha:
    case mMskAlphaOpt: ok = mask::IsAlpha(ch); break;
    case mMskAlphaNum:
    case mMskAlphaNumOpt: ok = mask::IsAlpha(ch) || mask::IsDigit(ch); break;
    case mMskAscii:
    case mMskAsciiOpt: ok = static_cast<unsigned char>(ch) >= 0x20; break;
    case mMskNumeric:
    case mMskNumericOpt: ok = mask::IsDigit(ch); break;
    case mMskNumSymOpt: ok = mask::IsDigit(ch) || ch == '+' || ch == '-' || ch == ' '; break;
    default: break;
    }
    if (ok) ch = mask::ApplyCase(ch, p.directives);
    return ok;
}

int MaskFirstMissing(const std::string& editMask, const std::string& editText) {
    std::vector<mask::Place> places = mask::Places(editMask);
    char blank = MaskGetMaskBlank(editMask);
    for (std::size_t i = 0; i < places.size(); ++i) {
        if (places[i].type != mcMask) continue;
        char c = i < editText.size() ? editText[i] : blank;
        if (c == blank || c == ' ') return static_cast<int>(i);
    }
    return -1;
}

std::string MaskEditTextToText(const std::string& editMask, const std::string& editText) {
    std::vector<mask::Place> places = mask::Places(editMask);
    bool keepsLiterals = MaskGetMaskSave(editMask);
    char blank = MaskGetMaskBlank(editMask);
    std::string text;
    for (std::size_t i = 0; i < editText.size(); ++i) {
        bool literal = i < places.size() && !mask::IsInput(places[i]);
        if (literal && !keepsLiterals) continue;
        text += editText[i] == blank && !literal ? ' ' : editText[i];
    }
    return text;
}

TCustomMaskEdit::TCustomMaskEdit(TComponent* owner) : TCustomEdit(owner) {}

void TCustomMaskEdit::SetEditMask(const std::string& value) {
    if (value == editMask_) return;
    std::string text = IsMasked() ? Text() : TCustomEdit::Text();
    editMask_ = value;
    SetMaxLength(IsMasked() ? MaskEditLength(editMask_) : 0);
    SetText(text);
}

void TCustomMaskEdit::SetEditText(const std::string& value) {
    TCustomEdit::SetText(value);
}

std::string TCustomMaskEdit::Text() const {
    if (!IsMasked()) return TCustomEdit::Text();
    return MaskEditTextToText(editMask_, EditText());
}

void TCustomMaskEdit::SetText(const std::string& value) {
    TCustomEdit::SetText(IsMasked() ? MaskDoFormatText(editMask_, value, MaskGetMaskBlank(editMask_)) : value);
}

void TCustomMaskEdit::ValidateEdit() {
    if (!IsMasked()) return;
    int missing = MaskFirstMissing(editMask_, EditText());
    if (missing < 0) return;
    if (HandleAllocated()) {
        SetSelStart(missing);
        SetSelLength(1);
    }
    throw EDBEditError("Invalid input value. Use escape key to abandon changes");
}

int TCustomMaskEdit::InputPlace(int offset, bool forward) const {
    int length = MaskEditLength(editMask_);
    while (offset >= 0 && offset < length && IsLiteralChar(editMask_, offset)) offset += forward ? 1 : -1;
    return offset;
}

void TCustomMaskEdit::BlankSelection(std::string& text, int start, int length) const {
    char blank = MaskGetMaskBlank(editMask_);
    for (int i = start; i < start + length && i < static_cast<int>(text.size()); ++i)
        if (!IsLiteralChar(editMask_, i)) text[static_cast<std::size_t>(i)] = blank;
}

void TCustomMaskEdit::ShowEditText(const std::string& text, int cursor) {
    SetEditText(text);
    SetModified(true);
    SetSelStart(cursor);
}

void TCustomMaskEdit::TypeChar(char ch) {
    std::string text = EditText();
    int start = SelStart();
    int place = InputPlace(start, true);
    if (place >= static_cast<int>(text.size()) || !MaskCharAllowed(editMask_, place, ch)) return;
    BlankSelection(text, start, SelLength());
    text[static_cast<std::size_t>(place)] = ch;
    ShowEditText(text, InputPlace(place + 1, true));
}

void TCustomMaskEdit::DeleteChars(bool backward) {
    std::string text = EditText();
    int start = SelStart();
    int length = SelLength();
    if (length > 0) {
        BlankSelection(text, start, length);
        return ShowEditText(text, start);
    }
    int place = InputPlace(backward ? start - 1 : start, !backward);
    if (place < 0 || place >= static_cast<int>(text.size())) return;
    BlankSelection(text, place, 1);
    ShowEditText(text, backward ? place : start);
}

void TCustomMaskEdit::KeyDown(WORD& key, TShiftState shift) {
    TCustomEdit::KeyDown(key, shift);
    if (!IsMasked() || ReadOnly() || key != VK_DELETE) return;
    DeleteChars(false);
    key = 0;
}

void TCustomMaskEdit::KeyPress(char16_t& key) {
    TCustomEdit::KeyPress(key);
    if (!IsMasked() || ReadOnly() || key == 0) return;
    if (key == u'\b') {
        DeleteChars(true);
        key = 0;
    } else if (key >= 0x20 && key != 0x7F) {
        // Masks place single-byte characters only.
        if (key < 0x80) TypeChar(static_cast<char>(key));
        key = 0;
    }
}

void TCustomMaskEdit::Dispatch(TMessage& message) {
    if (message.Msg == CM_EXIT && IsMasked() && Modified()) {
        try {
            ValidateEdit();
        } catch (...) {
            SetFocus();
            throw;
        }
    }
    TCustomEdit::Dispatch(message);
}

void TCustomMaskEdit::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "EditMask")) return SetEditMask(value);
    TCustomEdit::SetPropertyText(name, value);
}

}  // namespace parch
