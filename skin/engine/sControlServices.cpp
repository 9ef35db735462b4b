#include "skin/engine/sControlServices.h"

#include <utility>

namespace parch {

namespace {

TsControlServices* registeredControlServices = nullptr;

}  // namespace

TsControlServices* ControlServices() { return registeredControlServices; }

TsControlServices* SetControlServices(TsControlServices* services) {
    return std::exchange(registeredControlServices, services);
}

void ShowErrorMessage(const std::string& text) {
    if (TsControlServices* services = ControlServices()) services->MessageBoxDlg(text, mtError, {mbOK});
    else MessageDlg(text, mtError, {mbOK}, 0);
}

}  // namespace parch
