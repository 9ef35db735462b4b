#include "framework/PropertyText.h"

#include <utility>

#include "framework/Controls.h"

namespace parch {

namespace {

const std::pair<const char*, TColor> kColorNames[] = {
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clLtGray", clLtGray},
    {"clDkGray", clDkGray},
    {"clMoneyGreen", clMoneyGreen},
    {"clSkyBlue", clSkyBlue},
    {"clCream", clCream},
    {"clMedGray", clMedGray},
    {"clNone", clNone},
    {"clDefault", clDefault},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
    {"clHotLight", clHotLight},
    {"clGradientActiveCaption", clGradientActiveCaption},
    {"clGradientInactiveCaption", clGradientInactiveCaption},
    {"clMenuHighlight", clMenuHighlight},
    {"clMenuBar", clMenuBar},
};

}  // namespace

void PropertyValueError(const std::string& property, const std::string& text) {
    throw EPropertyError("Invalid value \"" + text + "\" for property " + property);
}

void EventHandlerTypeError(const std::string& event) {
    throw EPropertyError("The handler for " + event + " has the wrong type");
}

int PropertyInt(const std::string& property, const std::string& text) {
    if (auto value = TryStrToInt(text)) return *value;
    PropertyValueError(property, text);
}

bool PropertyBool(const std::string& property, const std::string& text) {
    if (SameText(text, "True")) return true;
    if (SameText(text, "False")) return false;
    PropertyValueError(property, text);
}

TColor PropertyColor(const std::string& property, const std::string& text) {
    for (const auto& [name, color] : kColorNames)
        if (SameText(name, text)) return color;
    if (auto value = TryStrToInt(text)) return *value;
    PropertyValueError(property, text);
}

unsigned PropertySet(const std::string& property, const std::string& text,
                     std::initializer_list<std::pair<const char*, unsigned>> bits) {
    std::string body = Trim(text);
    if (body.size() < 2 || body.front() != '[' || body.back() != ']') PropertyValueError(property, text);
    body = body.substr(1, body.size() - 2);
    unsigned set = 0;
    std::size_t start = 0;
    while (start <= body.size()) {
        std::size_t comma = body.find(',', start);
        if (comma == std::string::npos) comma = body.size();
        std::string item = Trim(std::string_view(body).substr(start, comma - start));
        if (!item.empty()) {
            bool known = false;
            for (const auto& [name, bit] : bits)
                if (SameText(name, item)) set |= bit, known = true;
            if (!known) PropertyValueError(property, text);
        }
        start = comma + 1;
    }
    return set;
}

}  // namespace parch
