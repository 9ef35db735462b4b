#include "platform/win/DialogTemplates.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/Utf8Text.h"

namespace parch {

namespace dialog_templates {

constexpr WORD kOrdinalMark = 0xFFFF;
constexpr WORD kExtendedSignature = 0xFFFF;

// Reads little-endian fields from the template's bytes; every read past the end fails the
// whole reader, and later reads keep failing.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, std::size_t size) : data_(data), size_(size) {}

    bool Ok() const { return ok_; }

    WORD Word() {
        if (!Need(2)) return 0;
        WORD v = static_cast<WORD>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    short Short() { return static_cast<short>(Word()); }
    DWORD Dword() {
        DWORD low = Word();
        DWORD high = Word();
        return low | (high << 16);
    }
    BYTE Byte() {
        if (!Need(1)) return 0;
        return data_[pos_++];
    }
    // A zero-terminated UTF-16 string.
    std::string String() {
        std::u16string text;
        for (;;) {
            WORD c = Word();
            if (!ok_ || c == 0) break;
            text.push_back(static_cast<char16_t>(c));
        }
        return Utf8FromUtf16(text);
    }
    // 0x0000: absent; 0xFFFF and an ordinal; else a string.
    NameOrOrdinal NameOrOrd() {
        NameOrOrdinal result;
        if (!Need(2)) return result;
        WORD first = static_cast<WORD>(data_[pos_] | (data_[pos_ + 1] << 8));
        if (first == 0) {
            pos_ += 2;
        } else if (first == kOrdinalMark) {
            pos_ += 2;
            result.ordinal = Word();
        } else {
            result.name = String();
        }
        return result;
    }
    std::vector<BYTE> Bytes(std::size_t n) {
        if (!Need(n)) return {};
        std::vector<BYTE> v(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return v;
    }
    void AlignDword() {
        std::size_t aligned = (pos_ + 3) & ~std::size_t{3};
        // The last item may end the template without padding.
        pos_ = aligned <= size_ ? aligned : size_;
    }

private:
    bool Need(std::size_t n) {
        if (!ok_ || n > size_ - pos_) ok_ = false;
        return ok_;
    }

    const BYTE* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

bool ReadItem(TemplateReader& r, bool extended, DialogItemTemplate& item) {
    r.AlignDword();
    if (extended) {
        item.helpId = r.Dword();
        item.exStyle = r.Dword();
        item.style = r.Dword();
    } else {
        item.style = r.Dword();
        item.exStyle = r.Dword();
    }
    item.x = r.Short();
    item.y = r.Short();
    item.cx = r.Short();
    item.cy = r.Short();
    item.id = extended ? r.Dword() : r.Word();
    NameOrOrdinal cls = r.NameOrOrd();
    if (!r.Ok()) return false;
    if (cls.ordinal) {
        const char* name = DialogItemClassName(*cls.ordinal);
        if (!name) return false;
        item.className = name;
    } else {
        item.className = cls.name;
    }
    if (item.className.empty()) return false;
    item.title = r.NameOrOrd();
    WORD extra = r.Word();
    if (extra) {
        std::vector<BYTE> data = r.Bytes(extra);
        item.creationData.resize(2);
        std::memcpy(item.creationData.data(), &extra, 2);
        item.creationData.insert(item.creationData.end(), data.begin(), data.end());
    }
    return r.Ok();
}

void PutWord(std::vector<BYTE>& out, WORD v) {
    out.push_back(static_cast<BYTE>(v & 0xFF));
    out.push_back(static_cast<BYTE>(v >> 8));
}
void PutDword(std::vector<BYTE>& out, DWORD v) {
    PutWord(out, static_cast<WORD>(v & 0xFFFF));
    PutWord(out, static_cast<WORD>(v >> 16));
}
void PutString(std::vector<BYTE>& out, const std::string& text) {
    for (char16_t c : Utf16FromUtf8(text)) PutWord(out, static_cast<WORD>(c));
    PutWord(out, 0);
}
void PutNameOrOrd(std::vector<BYTE>& out, const NameOrOrdinal& v) {
    if (v.ordinal) {
        PutWord(out, kOrdinalMark);
        PutWord(out, *v.ordinal);
    } else if (v.name.empty()) {
        PutWord(out, 0);
    } else {
        PutString(out, v.name);
    }
}
void PadDword(std::vector<BYTE>& out) {
    while (out.size() % 4) out.push_back(0);
}

std::optional<WORD> OrdinalOfClass(const std::string& name) {
    for (WORD ordinal = kDialogClassButton; ordinal <= kDialogClassComboBox; ++ordinal)
        if (name == DialogItemClassName(ordinal)) return ordinal;
    return std::nullopt;
}

}  // namespace dialog_templates

using namespace dialog_templates;

const char* DialogItemClassName(WORD ordinal) {
    switch (ordinal) {
        case kDialogClassButton: return "Button";
        case kDialogClassEdit: return "Edit";
        case kDialogClassStatic: return "Static";
        case kDialogClassListBox: return "ListBox";
        case kDialogClassScrollBar: return "ScrollBar";
        case kDialogClassComboBox: return "ComboBox";
        default: return nullptr;
    }
}

std::optional<DialogTemplate> ReadDialogTemplate(const void* data, std::size_t size) {
    if (!data && size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    TemplateReader r(static_cast<const BYTE*>(data), size);
    DialogTemplate t;
    WORD first = r.Word();
    WORD second = r.Word();
    t.extended = first == 1 && second == kExtendedSignature;
    WORD count = 0;
    if (t.extended) {
        t.helpId = r.Dword();
        t.exStyle = r.Dword();
        t.style = r.Dword();
    } else {
        t.style = static_cast<DWORD>(first) | (static_cast<DWORD>(second) << 16);
        t.exStyle = r.Dword();
    }
    count = r.Word();
    t.x = r.Short();
    t.y = r.Short();
    t.cx = r.Short();
    t.cy = r.Short();
    t.menu = r.NameOrOrd();
    t.windowClass = r.NameOrOrd();
    t.title = r.String();
    if (t.style & DS_SETFONT) {
        DialogFont font;
        font.pointSize = r.Word();
        if (t.extended) {
            font.weight = r.Word();
            font.italic = r.Byte();
            font.charSet = r.Byte();
        }
        font.face = r.String();
        t.font = font;
    }
    bool ok = r.Ok();
    for (WORD i = 0; ok && i < count; ++i) {
        DialogItemTemplate item;
        ok = ReadItem(r, t.extended, item);
        if (ok) t.items.push_back(std::move(item));
    }
    if (!ok) {
        SetLastError(ERROR_INVALID_DATA);
        return std::nullopt;
    }
    return t;
}

DialogTemplateBuilder::DialogTemplateBuilder(DWORD style, DWORD exStyle, RECT dialogUnits,
                                             const std::string& title, bool extended) {
    t_.extended = extended;
    t_.style = style;
    t_.exStyle = exStyle;
    t_.x = static_cast<short>(dialogUnits.left);
    t_.y = static_cast<short>(dialogUnits.top);
    t_.cx = static_cast<short>(dialogUnits.right - dialogUnits.left);
    t_.cy = static_cast<short>(dialogUnits.bottom - dialogUnits.top);
    t_.title = title;
}

DialogTemplateBuilder& DialogTemplateBuilder::Font(WORD pointSize, const std::string& face, WORD weight,
                                                   BYTE italic, BYTE charSet) {
    t_.style |= DS_SETFONT;
    t_.font = DialogFont{pointSize, weight, italic, charSet, face};
    return *this;
}

DialogTemplateBuilder& DialogTemplateBuilder::WindowClass(const std::string& name) {
    t_.windowClass = NameOrOrdinal{name, std::nullopt};
    return *this;
}

DialogTemplateBuilder& DialogTemplateBuilder::Menu(WORD ordinal) {
    t_.menu = NameOrOrdinal{{}, ordinal};
    return *this;
}

DialogTemplateBuilder& DialogTemplateBuilder::AddItem(WORD classOrdinal, DWORD style, RECT dialogUnits, DWORD id,
                                                      const std::string& title, DWORD exStyle) {
    const char* name = DialogItemClassName(classOrdinal);
    return AddItem(name ? name : "", style, dialogUnits, id, title, exStyle);
}

DialogTemplateBuilder& DialogTemplateBuilder::AddItem(const std::string& className, DWORD style, RECT dialogUnits,
                                                      DWORD id, const std::string& title, DWORD exStyle) {
    DialogItemTemplate item;
    item.style = style;
    item.exStyle = exStyle;
    item.x = static_cast<short>(dialogUnits.left);
    item.y = static_cast<short>(dialogUnits.top);
    item.cx = static_cast<short>(dialogUnits.right - dialogUnits.left);
    item.cy = static_cast<short>(dialogUnits.bottom - dialogUnits.top);
    item.id = id;
    item.className = className;
    item.title.name = title;
    t_.items.push_back(std::move(item));
    return *this;
}

DialogTemplateBuilder& DialogTemplateBuilder::TitleOrdinal(WORD ordinal) {
    if (!t_.items.empty()) t_.items.back().title = NameOrOrdinal{{}, ordinal};
    return *this;
}

DialogTemplateBuilder& DialogTemplateBuilder::CreationData(const std::vector<BYTE>& data) {
    if (t_.items.empty()) return *this;
    auto& out = t_.items.back().creationData;
    const auto n = static_cast<WORD>(std::min<std::size_t>(data.size(), 0xFFFF));
    out.clear();
    PutWord(out, n);
    out.insert(out.end(), data.begin(), data.begin() + n);
    return *this;
}

std::vector<BYTE> DialogTemplateBuilder::Build() const {
    std::vector<BYTE> out;
    const auto count = static_cast<WORD>(std::min<std::size_t>(t_.items.size(), 0xFFFF));
    if (t_.extended) {
        PutWord(out, 1);
        PutWord(out, kExtendedSignature);
        PutDword(out, t_.helpId);
        PutDword(out, t_.exStyle);
        PutDword(out, t_.style);
    } else {
        PutDword(out, t_.style);
        PutDword(out, t_.exStyle);
    }
    PutWord(out, count);
    for (short v : {t_.x, t_.y, t_.cx, t_.cy}) PutWord(out, static_cast<WORD>(v));
    PutNameOrOrd(out, t_.menu);
    PutNameOrOrd(out, t_.windowClass);
    PutString(out, t_.title);
    if ((t_.style & DS_SETFONT) && t_.font) {
        PutWord(out, t_.font->pointSize);
        if (t_.extended) {
            PutWord(out, t_.font->weight);
            out.push_back(t_.font->italic);
            out.push_back(t_.font->charSet);
        }
        PutString(out, t_.font->face);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const DialogItemTemplate& item = t_.items[i];
        PadDword(out);
        if (t_.extended) {
            PutDword(out, item.helpId);
            PutDword(out, item.exStyle);
            PutDword(out, item.style);
        } else {
            PutDword(out, item.style);
            PutDword(out, item.exStyle);
        }
        for (short v : {item.x, item.y, item.cx, item.cy}) PutWord(out, static_cast<WORD>(v));
        if (t_.extended) PutDword(out, item.id);
        else PutWord(out, static_cast<WORD>(item.id));
        NameOrOrdinal cls;
        if (auto ordinal = OrdinalOfClass(item.className)) cls.ordinal = ordinal;
        else cls.name = item.className;
        PutNameOrOrd(out, cls);
        PutNameOrOrd(out, item.title);
        if (item.creationData.size() >= 2) out.insert(out.end(), item.creationData.begin(), item.creationData.end());
        else PutWord(out, 0);
    }
    return out;
}

}  // namespace parch
