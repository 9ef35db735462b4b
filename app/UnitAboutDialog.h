#pragma once
// The About box: the product's picture, name and version, a notice, the web address and the
// description. Clicking any of them closes the box with the choice "gotoweb"; OK and Escape
// close it with no choice.

#include "framework/Forms.h"

#include <string>

namespace parch {

class TBitBtn;
class TImage;
class TLabel;

class TAboutDialog : public TForm {
public:
    explicit TAboutDialog(TComponent* owner);

    // Stores the texts that the next activation shows.
    static void SetInfo(const std::string& name, const std::string& version, const std::string& webAddress,
                        const std::string& description);
    // Shows the box modally and answers the choice: "" or "gotoweb".
    std::string ShowDialog();

    void FormCreate(TObject* sender);
    void FormActivate(TObject* sender);
    void sBitBtnOKClick(TObject* sender);
    void ChooseWebsite(TObject* sender);

    TImage* ImageAppLogo = nullptr;
    TLabel* sLabelSoftwareName = nullptr;
    TLabel* sLabel1 = nullptr;
    TLabel* sLabel2 = nullptr;
    TLabel* sLabelDescription = nullptr;
    TBitBtn* sBitBtnOK = nullptr;
};

}  // namespace parch
