#pragma once
// Dialog templates in memory, in the byte layout Windows uses (DLGTEMPLATE and DLGTEMPLATEEX,
// each followed by its items on DWORD boundaries), read with a bound on every field, and a
// builder that writes that layout. A template here always travels with its size: there are no
// resource sections whose end would be known otherwise.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/win/WinUser.h"

namespace parch {

// Dialog styles.
constexpr DWORD DS_ABSALIGN = 0x0001;
constexpr DWORD DS_SYSMODAL = 0x0002;
constexpr DWORD DS_LOCALEDIT = 0x0020;
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_MODALFRAME = 0x0080;
constexpr DWORD DS_NOIDLEMSG = 0x0100;
constexpr DWORD DS_SETFOREGROUND = 0x0200;
constexpr DWORD DS_3DLOOK = 0x0004;
constexpr DWORD DS_FIXEDSYS = 0x0008;
constexpr DWORD DS_NOFAILCREATE = 0x0010;
constexpr DWORD DS_CONTROL = 0x0400;
constexpr DWORD DS_CENTER = 0x0800;
constexpr DWORD DS_CENTERMOUSE = 0x1000;
constexpr DWORD DS_CONTEXTHELP = 0x2000;
constexpr DWORD DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS;

// The fixed heads of the two layouts; what follows them is variable and read field by field.
#pragma pack(push, 2)
struct DLGTEMPLATE {
    DWORD style;
    DWORD dwExtendedStyle;
    WORD cdit;
    short x;
    short y;
    short cx;
    short cy;
};
struct DLGITEMTEMPLATE {
    DWORD style;
    DWORD dwExtendedStyle;
    short x;
    short y;
    short cx;
    short cy;
    WORD id;
};
#pragma pack(pop)
static_assert(sizeof(DLGTEMPLATE) == 18 && sizeof(DLGITEMTEMPLATE) == 18);

// The predefined control classes as item class ordinals.
constexpr WORD kDialogClassButton = 0x0080;
constexpr WORD kDialogClassEdit = 0x0081;
constexpr WORD kDialogClassStatic = 0x0082;
constexpr WORD kDialogClassListBox = 0x0083;
constexpr WORD kDialogClassScrollBar = 0x0084;
constexpr WORD kDialogClassComboBox = 0x0085;

constexpr DWORD ERROR_INVALID_DATA = 13;

// A name-or-ordinal field: empty and no ordinal when absent.
struct NameOrOrdinal {
    std::string name;  // UTF-8
    std::optional<WORD> ordinal;
    bool Present() const { return ordinal.has_value() || !name.empty(); }
};

struct DialogItemTemplate {
    DWORD helpId = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::string className;  // an ordinal is given by its class name ("Button"...)
    NameOrOrdinal title;
    std::vector<BYTE> creationData;  // the size word followed by the data, as controls get it
};

struct DialogFont {
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charSet = 0;
    std::string face;
};

struct DialogTemplate {
    bool extended = false;
    DWORD helpId = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::string title;
    std::optional<DialogFont> font;  // DS_SETFONT
    std::vector<DialogItemTemplate> items;
};

// The class name of an item class ordinal; null for an unknown one.
const char* DialogItemClassName(WORD ordinal);

// Reads a template of `size` bytes; nothing on a malformed one (a field running past the end,
// an unknown layout version, an unknown class ordinal), with ERROR_INVALID_DATA as last error.
std::optional<DialogTemplate> ReadDialogTemplate(const void* data, std::size_t size);

// Writes templates in the layout above, classic or extended.
class DialogTemplateBuilder {
public:
    DialogTemplateBuilder(DWORD style, DWORD exStyle, RECT dialogUnits, const std::string& title,
                          bool extended = false);
    // Sets DS_SETFONT.
    DialogTemplateBuilder& Font(WORD pointSize, const std::string& face, WORD weight = 400, BYTE italic = 0,
                                BYTE charSet = 1);
    DialogTemplateBuilder& WindowClass(const std::string& name);
    DialogTemplateBuilder& Menu(WORD ordinal);
    // className: a name; AddItem with an ordinal writes the predefined class compactly.
    DialogTemplateBuilder& AddItem(WORD classOrdinal, DWORD style, RECT dialogUnits, DWORD id,
                                   const std::string& title, DWORD exStyle = 0);
    DialogTemplateBuilder& AddItem(const std::string& className, DWORD style, RECT dialogUnits, DWORD id,
                                   const std::string& title, DWORD exStyle = 0);
    // Gives the last item an ordinal title (an icon resource, for example) or creation data.
    DialogTemplateBuilder& TitleOrdinal(WORD ordinal);
    DialogTemplateBuilder& CreationData(const std::vector<BYTE>& data);

    // The template's bytes; data() is suitably aligned for DLGTEMPLATE.
    std::vector<BYTE> Build() const;

private:
    DialogTemplate t_;
};

}  // namespace parch
