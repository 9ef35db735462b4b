#include "app/UnitAboutDialog.h"

#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"
#include "framework/FormDescription.h"
#include "framework/StdCtrls.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"
#include "framework/graphics/Picture.h"

#include <array>

namespace parch {

namespace {

using Props = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kGotoWeb = "gotoweb";
constexpr const char* kNotice = "Freeware for private and commercial use.";
constexpr int kLogoSide = 128;

// What the next activation shows, and the choice made in the box.
struct AboutTexts {
    std::string Name;
    std::string Version;
    std::string WebAddress;
    std::string Description;
    std::string Choice;
};
AboutTexts& Texts() {
    static AboutTexts texts;
    return texts;
}

TComponentDescription HandLabel(const std::string& name, int top, bool bold) {
    Props props{{"Left", "150"}, {"Top", std::to_string(top)}, {"Cursor", "-21"}};
    if (bold) props.push_back({"Font.Style", "[fsBold]"});
    return {"TLabel", name, props, {{"OnClick", "ChooseWebsite"}}, {}};
}

TComponentDescription AboutDescription() {
    return {"TAboutDialog",
            "AboutDialog",
            {{"Caption", "About"}, {"BorderStyle", "bsDialog"}, {"BorderIcons", "[biSystemMenu]"}, {"ClientWidth", "392"},
             {"ClientHeight", "237"}, {"Position", "poMainFormCenter"}},
            {{"OnCreate", "FormCreate"}, {"OnActivate", "FormActivate"}},
            {{"TPanel",
              "sPanel1",
              {{"Align", "alClient"}, {"BevelOuter", "bvNone"}},
              {},
              {{"TBevel", "Bevel1", {{"Left", "8"}, {"Top", "8"}, {"Width", "376"}, {"Height", "171"}, {"Style", "bsRaised"}}, {}, {}},
               {"TImage",
                "ImageAppLogo",
                {{"Left", "14"}, {"Top", "28"}, {"Width", "128"}, {"Height", "128"}, {"Cursor", "-21"}},
                {{"OnClick", "ChooseWebsite"}},
                {}},
               HandLabel("sLabelSoftwareName", 36, true), HandLabel("sLabel1", 62, false), HandLabel("sLabel2", 88, false),
               HandLabel("sLabelDescription", 114, false)}},
             {"TPanel",
              "sPanelButtons",
              {{"Align", "alBottom"}, {"Height", "50"}, {"BevelOuter", "bvNone"}},
              {},
              {{"TBitBtn",
                "sBitBtnOK",
                {{"Top", "12"}, {"Width", "90"}, {"Height", "28"}, {"Caption", "OK"}, {"Cancel", "True"}},
                {{"OnClick", "sBitBtnOKClick"}},
                {}}}}}};
}

// The product picture: a page with a folded corner and a magnifier over its lines.
void DrawLogo(TPicture& picture) {
    TBitmap logo;
    logo.SetSize(kLogoSide, kLogoSide);
    TCanvas& canvas = logo.Canvas();
    canvas.Brush().SetColor(clBtnFace);
    canvas.FillRect({0, 0, kLogoSide, kLogoSide});
    canvas.Pen().SetColor(static_cast<TColor>(0x00604020));
    canvas.Pen().SetWidth(2);
    canvas.Brush().SetColor(clWhite);
    const std::array<POINT, 5> page{{{22, 8}, {86, 8}, {106, 28}, {106, 120}, {22, 120}}};
    canvas.Polygon(page);
    canvas.MoveTo(86, 8);
    canvas.LineTo(86, 28);
    canvas.LineTo(106, 28);
    canvas.Pen().SetColor(static_cast<TColor>(0x00B0A090));
    for (int y = 44; y <= 104; y += 12) {
        canvas.MoveTo(34, y);
        canvas.LineTo(94, y);
    }
    canvas.Pen().SetColor(static_cast<TColor>(0x002050C0));
    canvas.Pen().SetWidth(6);
    canvas.Brush().SetColor(static_cast<TColor>(0x00F0E0C0));
    canvas.Ellipse(54, 58, 100, 104);
    canvas.MoveTo(96, 100);
    canvas.LineTo(118, 122);
    canvas.Pen().SetWidth(1);
    picture.SetGraphic(&logo);
}

}  // namespace

TAboutDialog::TAboutDialog(TComponent* owner) : TForm(owner) {
    THandlerTable handlers;
    const auto notify = [&handlers, this](const char* name, void (TAboutDialog::*method)(TObject*)) {
        handlers[name] = TNotifyEvent([this, method](TObject* sender) { (this->*method)(sender); });
    };
    notify("FormCreate", &TAboutDialog::FormCreate);
    notify("FormActivate", &TAboutDialog::FormActivate);
    notify("sBitBtnOKClick", &TAboutDialog::sBitBtnOKClick);
    notify("ChooseWebsite", &TAboutDialog::ChooseWebsite);
    ReadDescription(AboutDescription(), handlers);
}

void TAboutDialog::SetInfo(const std::string& name, const std::string& version, const std::string& webAddress,
                           const std::string& description) {
    AboutTexts& texts = Texts();
    texts.Name = name;
    texts.Version = version;
    texts.WebAddress = webAddress;
    texts.Description = description;
}

std::string TAboutDialog::ShowDialog() {
    ShowModal();
    return Texts().Choice;
}

void TAboutDialog::FormCreate(TObject*) {
    ImageAppLogo = dynamic_cast<TImage*>(FindComponent("ImageAppLogo"));
    sLabelSoftwareName = dynamic_cast<TLabel*>(FindComponent("sLabelSoftwareName"));
    sLabel1 = dynamic_cast<TLabel*>(FindComponent("sLabel1"));
    sLabel2 = dynamic_cast<TLabel*>(FindComponent("sLabel2"));
    sLabelDescription = dynamic_cast<TLabel*>(FindComponent("sLabelDescription"));
    sBitBtnOK = dynamic_cast<TBitBtn*>(FindComponent("sBitBtnOK"));
    DrawLogo(ImageAppLogo->Picture());
    const TWinControl* bar = sBitBtnOK->Parent();
    sBitBtnOK->SetLeft((bar->Width() - sBitBtnOK->Width()) / 2);
    AboutTexts& texts = Texts();
    texts.Name.clear();
    texts.WebAddress.clear();
    texts.Choice.clear();
}

void TAboutDialog::FormActivate(TObject*) {
    const AboutTexts& texts = Texts();
    SetCaption("About " + texts.Name);
    sLabelSoftwareName->SetCaption(texts.Name + " " + texts.Version);
    sLabel1->SetCaption(kNotice);
    sLabel2->SetCaption(texts.WebAddress);
    sLabelDescription->SetCaption(texts.Description);
    if (sBitBtnOK->CanFocus()) sBitBtnOK->SetFocus();
}

void TAboutDialog::sBitBtnOKClick(TObject*) { Close(); }

void TAboutDialog::ChooseWebsite(TObject*) {
    Texts().Choice = kGotoWeb;
    Close();
}

}  // namespace parch
